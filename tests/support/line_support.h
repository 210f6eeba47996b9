// Helpers for tests of the real line: a port the test process really cannot open, a temporary
// directory.
#pragma once

#include <string>

namespace linetest {

// While it lives, this thread cannot override file permissions, even as root: opening a
// file without read/write permission fails with EACCES as it does for a normal user.
class WithoutFileOverride {
 public:
  WithoutFileOverride();
  ~WithoutFileOverride();
  WithoutFileOverride(const WithoutFileOverride&) = delete;
  WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
  unsigned saved_[2] = {0, 0};
};

// Forgets the devices earlier tests gave port numbers 1 to 32.
void ClearGivenPorts();

}  // namespace linetest
