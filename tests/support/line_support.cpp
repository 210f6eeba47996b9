#include "support/line_support.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/engine.h"

namespace linetest {

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool Capabilities(bool set, __user_cap_data_struct* data) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};  // 0: this thread
  return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

}  // namespace

WithoutFileOverride::WithoutFileOverride() {
  __user_cap_data_struct data[2] = {};
  if (!Capabilities(false, data)) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &= ~kOverrides;
  ok_ = Capabilities(true, data);
}

WithoutFileOverride::~WithoutFileOverride() {
  if (!ok_) return;
  __user_cap_data_struct data[2] = {};
  Capabilities(false, data);
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  Capabilities(true, data);
}

void ClearGivenPorts() {
  for (int n = 1; n <= 32; ++n) SetPortDevice(n, "", "");
}

}  // namespace linetest
