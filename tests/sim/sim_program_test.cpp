// The standalone simulator: a link name for its pty, unplugged and plugged in again by
// SIGUSR1, as another model after the replug when asked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/frame_bytes.h"
#include "support/program_support.h"
#include "support/test_files.h"

using programtest::SimProgram;

namespace {

// Asks the sensor behind `path` for its hardware identification; its hwtype, or -1.
int HardwareType(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio;
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  const auto frame = FrameBytes(10, 0);
  int type = -1;
  uint8_t reply[36];
  size_t got = 0;
  if (write(fd, frame.data(), frame.size()) == 36) {
    pollfd p{fd, POLLIN, 0};
    while (got < 36 && poll(&p, 1, 1000) == 1) {
      const ssize_t n = read(fd, reply + got, 36 - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got == 36) type = reply[22] << 8 | reply[23];
  }
  close(fd);
  return type;
}

TEST(SimProgram, Usr1UnplugsAndReplugsUnderTheLinkAsTheReplugModel) {
  const std::string link = TempDir() + "/ttyQROX";
  {
    SimProgram sim({"--no-pacing", "--link", link, "--replug-model", "mx400"});
    const std::string first = sim.Line();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(HardwareType(link), 37);

    sim.Signal(SIGUSR1);
    for (int i = 0; i < 100 && access(link.c_str(), F_OK) == 0; ++i) usleep(10000);
    EXPECT_NE(access(link.c_str(), F_OK), 0);  // unplugged: the name is gone

    sim.Signal(SIGUSR1);
    EXPECT_FALSE(sim.Line().empty());  // the new pty's path
    EXPECT_EQ(HardwareType(link), 400);
  }
  EXPECT_NE(access(link.c_str(), F_OK), 0);
}

}  // namespace
