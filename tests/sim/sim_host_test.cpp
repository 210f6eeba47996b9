// The simulated sensor served on a pseudo-terminal, driven by a plain POSIX client: byte
// transparency, line pacing, faults on the wire, unplugging.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/sim.h"
#include "support/frame_bytes.h"
#include "support/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

sim::SimHost::Options Unpaced() {
  sim::SimHost::Options o;
  o.pacing = false;
  return o;
}

sim::SimHost::Options Paced(double turnaround) {
  sim::SimHost::Options o;
  o.pacing = true;
  o.baud = 19200;
  o.turnaround = turnaround;
  return o;
}

// The application's side of the line: the slave opened like a serial device.
class Client {
 public:
  explicit Client(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0) {
      termios tio;
      tcgetattr(fd_, &tio);
      cfmakeraw(&tio);
      tcsetattr(fd_, TCSANOW, &tio);
      tcflush(fd_, TCIOFLUSH);
    }
  }
  ~Client() {
    if (fd_ >= 0) close(fd_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Writes all of `b`, waiting while the line is full (up to a second).
  bool Write(const Bytes& b) {
    size_t done = 0;
    const double deadline = sim::SteadyNow() + 1.0;
    while (done < b.size() && sim::SteadyNow() < deadline) {
      const ssize_t w = write(fd_, b.data() + done, b.size() - done);
      if (w > 0) {
        done += static_cast<size_t>(w);
      } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
      } else {
        pollfd p{fd_, POLLOUT, 0};
        poll(&p, 1, 10);
      }
    }
    return done == b.size();
  }

  // Reads until `n` bytes came or `timeout` seconds passed; returns what came.
  Bytes Read(size_t n, double timeout) {
    Bytes got;
    const double deadline = sim::SteadyNow() + timeout;
    while (got.size() < n) {
      const double left = deadline - sim::SteadyNow();
      if (left <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
      uint8_t buf[512];
      const ssize_t r = read(fd_, buf, sizeof buf);
      if (r <= 0) break;
      got.insert(got.end(), buf, buf + r);
    }
    return got;
  }

 private:
  int fd_ = -1;
};

double CpuSeconds() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

}  // namespace

TEST(SimHost, AnswersOverThePtyAndPassesEveryByteUnchanged) {
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok()) << host.SlavePath();

  ASSERT_TRUE(c.Write(FrameBytes(5, 0, {1, 2, 3})));
  const Bytes echo = c.Read(36, 1.0);
  ASSERT_EQ(echo.size(), 36u);
  EXPECT_EQ(Bytes(echo.begin(), echo.begin() + 12),
            Bytes({0x00, 0xAA, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}));

  // Control characters of a terminal (CR, LF, XON, XOFF, DEL, ^C, ^Z, ^D, ^\) travel as data.
  const Bytes send = FrameBytes(1, 0,
                                {0x0D0A, 0x1113, 0x7F03, 0x1A04, 0x1C0D, 0x0A0D, 0x8000, 0xFFFF,
                                 0x0011, 0x1300, 0x7F7F, 0x0D0D, 0x0A0A, 0x0300, 0x00FF});
  ASSERT_TRUE(c.Write(send));
  const Bytes ack = c.Read(36, 1.0);
  ASSERT_EQ(ack.size(), 36u);
  EXPECT_EQ(Bytes(ack.begin() + 4, ack.end()), Bytes(send.begin() + 4, send.end()));
  ASSERT_TRUE(c.Write(FrameBytes(2, 0)));
  const Bytes get = c.Read(36, 1.0);
  ASSERT_EQ(get.size(), 36u);
  EXPECT_EQ(Bytes(get.begin() + 6, get.end()), Bytes(send.begin() + 6, send.end()));

  // Raw replies: 72 firmware bytes and 128 block bytes, nothing more.
  ASSERT_TRUE(c.Write(FrameBytes(7, 0)));
  EXPECT_EQ(c.Read(200, 0.1).size(), 72u);
  ASSERT_TRUE(c.Write(FrameBytes(9, 64)));
  EXPECT_EQ(c.Read(200, 0.1).size(), 128u);

  ASSERT_TRUE(host.WaitForFrames(5, 1.0));
  const auto frames = host.Received();
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(Bytes(frames[1].bytes.begin(), frames[1].bytes.end()), send);
  EXPECT_EQ(frames[4].command(), 9);
  EXPECT_EQ(frames[4].argument(), 64);
  const auto sent = host.Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[1].bytes, ack);
  EXPECT_EQ(sent[3].command, 7);
  EXPECT_EQ(sent[3].bytes.size(), 72u);
  EXPECT_EQ(host.Model().ram[0][0], 0x0D0A);
  EXPECT_FALSE(host.WaitForFrames(6, 0.05));
  host.ClearReceived();
  EXPECT_TRUE(host.Received().empty());
  EXPECT_TRUE(host.Sent().empty());
}

TEST(SimHost, ThreadSafeStateAccessors) {
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());
  std::array<uint16_t, 256> profile{};
  for (int k = 0; k < 256; ++k) profile[k] = static_cast<uint16_t>(1000 + k);
  host.SetProfile(profile);
  std::array<uint16_t, 16> meas{};
  meas[2] = 1500;
  host.FixMeasurement(meas);
  ASSERT_TRUE(c.Write(FrameBytes(8, 0)));
  ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_EQ(host.Profile(), profile) << "a set profile stays through measurements";
  ASSERT_TRUE(c.Write(FrameBytes(9, 192)));
  const Bytes block = c.Read(128, 1.0);
  ASSERT_EQ(block.size(), 128u);
  EXPECT_EQ(block[0] << 8 | block[1], 1192);
  ASSERT_TRUE(c.Write(FrameBytes(6, 0)));
  ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_EQ(host.TeachCount(), 1);
  EXPECT_EQ(host.Model().ram[0][6], 1500);
  ASSERT_TRUE(c.Write(FrameBytes(11, 0)));
  ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_EQ(host.ResetCount(), 1);
  ASSERT_TRUE(c.Write(FrameBytes(101, 0)));
  ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_EQ(host.ClearCount(), 1);
  ASSERT_TRUE(c.Write(FrameBytes(102, 16, {2, 9, 8, 7, 6, 5, 4, 3, 2})));
  ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_EQ(host.XFlash()[2 * 256 + 16], 9);
  EXPECT_EQ(host.XFlash()[2 * 256 + 23], 2);

  sim::SensorModel m = sim::MX400Model();
  host.SetModel(m);
  ASSERT_TRUE(c.Write(FrameBytes(10, 0)));
  const Bytes hw = c.Read(36, 1.0);
  ASSERT_EQ(hw.size(), 36u);
  EXPECT_EQ(hw[22] << 8 | hw[23], 400);
  sim::Faults f;
  f.wrongEchoFor = 3;
  host.SetFaults(f);
  EXPECT_EQ(host.GetFaults().wrongEchoFor, 3);
}

TEST(SimHost, PacesBothDirectionsAtTheBaudRate) {
  const double turnaround = 0.002;
  sim::SimHost host(sim::DefaultModel(), Paced(turnaround));
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());
  // 36 bytes out and 36 back at 19200 baud: 72 x 10 / 19200 s = 37.5 ms on the line.
  const double line = 72 * 10.0 / 19200.0;
  // The fastest exchange shows what pacing adds, the mean of six what it adds on average.
  // A series may lose the processor on a loaded machine (two tests at a time, under the
  // sanitizers too): the best of three series counts.
  double fastest = 1.0, mean = 1.0;
  int n = 0;
  for (int series = 0; series < 3; ++series) {
    double total = 0;
    for (int i = 0; i < 6; ++i, ++n) {
      const double t0 = sim::SteadyNow();
      ASSERT_TRUE(c.Write(FrameBytes(8, 0)));
      const Bytes r = c.Read(36, 1.0);
      const double dt = sim::SteadyNow() - t0;
      ASSERT_EQ(r.size(), 36u);
      EXPECT_GE(dt, line + turnaround);
      total += dt;
      fastest = std::min(fastest, dt);
    }
    mean = std::min(mean, total / 6);
    if (fastest < line + turnaround + 0.003 && mean < line + turnaround + 0.010) break;
  }
  EXPECT_LT(fastest, line + turnaround + 0.003) << "pacing adds more than line time";
  EXPECT_LT(mean, line + turnaround + 0.010);

  // A frame counts as received only after its own transmission time.
  const auto frames = host.Received();
  const auto sent = host.Sent();
  ASSERT_EQ(frames.size(), static_cast<size_t>(n));
  ASSERT_EQ(sent.size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) EXPECT_NEAR(sent[i].time - frames[i].time, turnaround, 1e-6);

  // The bytes trickle in: after half the reply time only part of the reply is there.
  host.ClearReceived();
  const double t0 = sim::SteadyNow();
  ASSERT_TRUE(c.Write(FrameBytes(9, 0)));
  const Bytes early = c.Read(128, 36 * 10.0 / 19200.0 + turnaround + 64 * 10.0 / 19200.0);
  EXPECT_GT(early.size(), 0u);
  EXPECT_LT(early.size(), 128u);
  const Bytes rest = c.Read(128 - early.size(), 1.0);
  EXPECT_EQ(early.size() + rest.size(), 128u);
  EXPECT_GE(sim::SteadyNow() - t0, (36 + 128) * 10.0 / 19200.0 + turnaround);

  // Two requests written at once queue on the line: the second is complete 72 byte times
  // after the write, its reply follows a turnaround later and takes 36 byte times.
  const double t1 = sim::SteadyNow();
  ASSERT_TRUE(c.Write([] {
    Bytes two = FrameBytes(5, 0);
    const Bytes second = FrameBytes(5, 1);
    two.insert(two.end(), second.begin(), second.end());
    return two;
  }()));
  const Bytes both = c.Read(72, 1.0);
  ASSERT_EQ(both.size(), 72u);
  EXPECT_EQ(both[41], 1);
  EXPECT_GE(sim::SteadyNow() - t1, 108 * 10.0 / 19200.0 + turnaround);
}

TEST(SimHost, FaultsOnTheWire) {
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());

  sim::Faults silent;
  silent.silent = true;
  host.SetFaults(silent);
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  EXPECT_TRUE(c.Read(1, 0.15).empty());
  EXPECT_TRUE(host.WaitForFrames(1, 0.5)) << "a silent sensor still receives";
  EXPECT_TRUE(host.Sent().empty());

  sim::Faults truncated;
  truncated.truncateTo = 20;
  host.SetFaults(truncated);
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  EXPECT_EQ(c.Read(36, 0.15).size(), 20u);

  sim::Faults noisy;
  noisy.garbageBefore = 3;
  noisy.extraAfter = 4;
  host.SetFaults(noisy);
  ASSERT_TRUE(c.Write(FrameBytes(5, 0, {0x4242})));
  const Bytes r = c.Read(100, 0.15);
  ASSERT_EQ(r.size(), 43u);
  EXPECT_EQ(r[3], 0x00);
  EXPECT_EQ(r[4], 0xAA);
  EXPECT_EQ(r[9], 0x42);

  sim::Faults slow;
  slow.replyDelay = 0.25;
  host.SetFaults(slow);
  const double t0 = sim::SteadyNow();
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  EXPECT_TRUE(c.Read(36, 0.2).empty());
  EXPECT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_GE(sim::SteadyNow() - t0, 0.25);

  sim::Faults dropSecond;
  dropSecond.dropReplyNumber = static_cast<int>(host.Received().size()) + 1;
  host.SetFaults(dropSecond);
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  EXPECT_EQ(c.Read(36, 0.5).size(), 36u);
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  EXPECT_TRUE(c.Read(36, 0.15).empty());
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  EXPECT_EQ(c.Read(36, 0.5).size(), 36u);
}

TEST(SimHost, UnplugHangsUpTheLine) {
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());
  ASSERT_TRUE(c.Write(FrameBytes(5, 0)));
  ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  EXPECT_FALSE(host.Unplugged());
  host.Unplug();
  EXPECT_TRUE(host.Unplugged());

  pollfd p{c.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 500), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
  uint8_t buf[64];
  const ssize_t r = read(c.fd(), buf, sizeof buf);
  const int readError = errno;
  EXPECT_LE(r, 0);
  if (r < 0) {
    EXPECT_EQ(readError, EIO);
  }
  const Bytes req = FrameBytes(5, 0);
  EXPECT_LT(write(c.fd(), req.data(), req.size()), 36);
  host.Unplug();  // a second unplug is harmless
  EXPECT_EQ(host.Received().size(), 1u);
}

TEST(SimHost, ReplugServesANewPtyUnderTheSameLinkWithTheModelSetMeanwhile) {
  const std::string dir = TempDir();
  sim::SimHost::Options o = Unpaced();
  o.linkPath = dir + "/ttyQROX";
  {
    sim::SimHost host(sim::DefaultModel(), o);
    EXPECT_EQ(host.LinkPath(), o.linkPath);
    char target[256] = {};
    ASSERT_GT(readlink(o.linkPath.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), host.SlavePath());
    {
      Client c(o.linkPath);
      ASSERT_TRUE(c.ok());
      ASSERT_TRUE(c.Write(FrameBytes(10, 0)));
      const Bytes reply = c.Read(36, 1.0);
      ASSERT_EQ(reply.size(), 36u);
      EXPECT_EQ(reply[23], 37);  // hwtype, low byte
      const std::string before = host.SlavePath();
      host.Replug();  // not unplugged: nothing happens
      EXPECT_EQ(host.SlavePath(), before);
      host.Unplug();
      pollfd p{c.fd(), POLLIN, 0};
      ASSERT_EQ(poll(&p, 1, 500), 1);
      EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    }
    EXPECT_TRUE(host.Unplugged());
    EXPECT_NE(access(o.linkPath.c_str(), F_OK), 0);  // the name goes with the device
    host.SetModel(sim::MX400Model());
    host.Replug();
    EXPECT_FALSE(host.Unplugged());
    Client again(o.linkPath);
    ASSERT_TRUE(again.ok());
    ASSERT_TRUE(again.Write(FrameBytes(10, 0)));
    const Bytes reply = again.Read(36, 1.0);
    ASSERT_EQ(reply.size(), 36u);
    EXPECT_EQ(reply[22] << 8 | reply[23], 400);
    EXPECT_EQ(host.Received().size(), 2u);  // the history stays
  }
  EXPECT_NE(access(o.linkPath.c_str(), F_OK), 0);  // the link goes with the host
}

TEST(SimHost, ClientsMayComeAndGoWithoutTheHostSpinning) {
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  for (int round = 0; round < 3; ++round) {
    Client c(host.SlavePath());
    ASSERT_TRUE(c.ok());
    ASSERT_TRUE(c.Write(FrameBytes(5, static_cast<uint16_t>(round))));
    const Bytes r = c.Read(36, 1.0);
    ASSERT_EQ(r.size(), 36u);
    EXPECT_EQ(r[5], round);
  }
  // No client open: the host idles without burning a core.
  const double cpu0 = CpuSeconds();
  usleep(300000);
  EXPECT_LT(CpuSeconds() - cpu0, 0.03);
  // And answers the next client.
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());
  ASSERT_TRUE(c.Write(FrameBytes(5, 9)));
  EXPECT_EQ(c.Read(36, 1.0).size(), 36u);
}

TEST(SimHost, UnansweredRepliesDoNotBlockTheHost) {
  // A client that never reads: the replies pile up in the pty, the host keeps receiving
  // and can be destroyed cleanly.
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(c.Write(FrameBytes(9, 0)));
  EXPECT_TRUE(host.WaitForFrames(200, 2.0));
}

TEST(SimHost, HistoryLimitKeepsTheNewestFrames) {
  sim::SimHost::Options o = Unpaced();
  o.historyLimit = 4;
  sim::SimHost host(sim::DefaultModel(), o);
  Client c(host.SlavePath());
  ASSERT_TRUE(c.ok());
  for (uint16_t i = 0; i < 10; ++i) {
    ASSERT_TRUE(c.Write(FrameBytes(5, i)));
    ASSERT_EQ(c.Read(36, 1.0).size(), 36u);
  }
  const auto frames = host.Received();
  const auto sent = host.Sent();
  ASSERT_FALSE(frames.empty());
  EXPECT_LE(frames.size(), 4u);
  EXPECT_LE(sent.size(), 4u);
  EXPECT_EQ(frames.back().argument(), 9);
  EXPECT_EQ(sent.back().bytes[5], 9);
}
