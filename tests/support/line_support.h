// Helpers for tests of the real line: running the event loop as the main loop does (at
// rest), a port the test process really cannot open, a temporary directory.
#pragma once

#include <functional>
#include <string>

namespace linetest {

// Runs the event loop the way the main loop does (not inside ProcessSystemEvents) until
// `done` holds or `seconds` have passed; returns whether `done` held.
bool PumpAtRestUntil(const std::function<bool()>& done, double seconds);
void PumpAtRest(double seconds);

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
// A fresh directory under /tmp, removed by the caller.
std::string MakeTempDir();
// Writes `text` to `path`, creating the directories on the way.
void WriteFile(const std::string& path, const std::string& text);

}  // namespace linetest
