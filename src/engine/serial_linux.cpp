// Linux details of a serial device: the driver's low-latency mode, the latency timer of
// USB adapters in sysfs, and why a device cannot be opened.
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "engine/engine_internal.h"

namespace {

std::string g_sysfsRoot;  // "" = /sys
std::function<int(int)> g_lowLatencyRequest;

// TIOCSSERIAL with ASYNC_LOW_LATENCY: 0 or the errno of the refusal (a pty has no
// serial settings at all).
int DriverLowLatency(int fd) {
  serial_struct settings{};
  if (ioctl(fd, TIOCGSERIAL, &settings) != 0) return errno;
  if (settings.flags & ASYNC_LOW_LATENCY) return 0;
  settings.flags |= ASYNC_LOW_LATENCY;
  return ioctl(fd, TIOCSSERIAL, &settings) == 0 ? 0 : errno;
}

std::string LatencyTimerFile(const std::string& device) {
  const std::string tty = std::filesystem::path(engine::ResolveDevice(device)).filename().string();
  return (g_sysfsRoot.empty() ? std::string("/sys") : g_sysfsRoot) + "/bus/usb-serial/devices/" +
         tty + "/latency_timer";
}

std::string GroupOf(const std::string& device) {
  struct stat st {};
  if (stat(device.c_str(), &st) != 0) return {};
  const group* g = getgrgid(st.st_gid);
  return g ? g->gr_name : std::to_string(st.st_gid);
}

}  // namespace

void SetSysfsRoot(const std::string& root) {
  g_sysfsRoot = root;
}

void SetLowLatencyRequest(std::function<int(int fd)> request) {
  g_lowLatencyRequest = std::move(request);
}

namespace engine {

ComLatency RequestLowLatency(int fd, const std::string& device) {
  ComLatency out;
  out.lowLatency = (g_lowLatencyRequest ? g_lowLatencyRequest(fd) : DriverLowLatency(fd)) == 0;
  // The timer is read either way: some drivers accept the flag and keep their timer.
  out.latencyTimerFile = LatencyTimerFile(device);
  std::ifstream in(out.latencyTimerFile);
  int ms = -1;
  if (in >> ms && ms >= 0) out.latencyTimerMs = ms;
  if (out.latencyTimerMs < 0) out.latencyTimerFile.clear();
  return out;
}

ComOpenFailure ProbeOpenFailure(const std::string& device, bool permissionError) {
  ComOpenFailure out;
  out.device = ResolveDevice(device);
  out.group = GroupOf(out.device);
  const int fd = open(out.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    out.error = errno;
    return out;
  }
  close(fd);
  // The device opens, so another program holds it (its lock file) or it is no terminal.
  out.error = permissionError ? EBUSY : EIO;
  return out;
}

}  // namespace engine
