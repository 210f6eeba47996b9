// The pty host of the simulated sensor: serves a SensorCore on the master side of a
// pseudo-terminal and paces both directions like a serial line of the configured baud rate.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "sim/sim.h"

namespace sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr size_t kFrameBytes = 36;

timespec ToTimespec(double seconds) {
  if (seconds < 0) seconds = 0;
  timespec ts;
  ts.tv_sec = static_cast<time_t>(seconds);
  ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
  if (ts.tv_nsec >= 1000000000L) ts.tv_nsec = 999999999L;
  return ts;
}

}  // namespace

struct SimHost::Impl {
  explicit Impl(SensorModel model, Options options)
      : core(std::move(model)), opt(std::move(options)) {}

  // Everything below `mu` is shared with the callers; the output queue and the line
  // clocks belong to the host thread alone.
  mutable std::mutex mu;
  mutable std::condition_variable frameArrived;
  SensorCore core;
  Options opt;
  std::vector<Frame> received;
  std::vector<Reply> sent;

  int master = -1;
  int slave = -1;  // kept open so the master never sees a hang-up before a client opens
  int wakeRead = -1, wakeWrite = -1;
  std::string path;
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> unplugged{false};

  struct Pending {
    std::vector<uint8_t> bytes;
    double start = 0.0;  // time the first bit goes out
    size_t written = 0;
  };
  std::deque<Pending> out;
  double inboundFree = 0.0;   // when the last request was completely received
  double outboundFree = 0.0;  // when the line back to the client is free again
  bool writeBlocked = false;

  bool Paced() const { return opt.pacing && opt.baud > 0; }
  double ByteTime() const { return Paced() ? 10.0 / static_cast<double>(opt.baud) : 0.0; }

  // Opens a fresh pty pair (and points the link path at its slave) and starts serving it.
  void OpenLine() {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    termios tio;
    if (tcgetattr(slave, &tio) == 0) {
      cfmakeraw(&tio);
      cfsetispeed(&tio, B19200);
      cfsetospeed(&tio, B19200);
      tio.c_cflag |= CLOCAL | CREAD;
      tcsetattr(slave, TCSANOW, &tio);
    }
    char name[256] = {0};
    if (ttyname_r(slave, name, sizeof name) != 0) {
      CloseLine();
      throw std::runtime_error("ttyname_r failed");
    }
    path = name;
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    if (!opt.linkPath.empty()) PointLinkAtSlave();
    inboundFree = outboundFree = 0.0;
    stop = false;
    unplugged = false;
    thread = std::thread([this] { Run(); });
  }

  // Replaces the link atomically, so that whoever opens it meets the old or the new pty.
  void PointLinkAtSlave() {
    const std::string tmp = opt.linkPath + ".new";
    unlink(tmp.c_str());
    if (symlink(path.c_str(), tmp.c_str()) != 0 || rename(tmp.c_str(), opt.linkPath.c_str()) != 0)
      throw std::runtime_error("cannot point " + opt.linkPath + " at " + path);
  }

  void Open() {
    int p[2];
    if (pipe2(p, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
    wakeRead = p[0];
    wakeWrite = p[1];
    OpenLine();
  }

  void Wake() {
    const char c = 1;
    [[maybe_unused]] ssize_t r = write(wakeWrite, &c, 1);
  }

  void StopThread() {
    if (!thread.joinable()) return;
    stop = true;
    Wake();
    thread.join();
  }

  void CloseLine() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
    master = slave = -1;
    out.clear();
  }

  // Requests that arrived at `now`: each is complete 36 byte-times after the line was free,
  // its reply starts a turnaround later and queues behind the replies before it.
  void OnInput(const uint8_t* data, size_t n, double now) {
    std::vector<Frame> logged;
    {
      std::lock_guard<std::mutex> lock(mu);
      auto exchanges = core.FeedFrames(data, n, now);
      const double bt = ByteTime();
      for (size_t i = 0; i < exchanges.size(); ++i) {
        auto& ex = exchanges[i];
        double complete = now;
        if (Paced()) complete = std::max(now, inboundFree) + kFrameBytes * bt;
        inboundFree = complete;
        ex.frame.time = complete;
        received.push_back(ex.frame);
        if (opt.onFrame) logged.push_back(ex.frame);
        if (ex.reply.empty()) continue;
        double start = complete + ex.delay;
        if (Paced()) start += opt.turnaround;
        start = std::max(start, outboundFree);
        outboundFree = start + static_cast<double>(ex.reply.size()) * bt;
        sent.push_back(Reply{ex.reply, start, ex.frame.command()});
        out.push_back(Pending{std::move(ex.reply), start, 0});
      }
      // The host keeps the frames itself; the core's copy is not needed.
      core.received.clear();
      TrimHistory();
    }
    frameArrived.notify_all();
    for (const auto& f : logged) opt.onFrame(f);
  }

  void TrimHistory() {
    const size_t limit = opt.historyLimit;
    if (limit == 0) return;
    if (received.size() > limit)
      received.erase(received.begin(), received.end() - static_cast<std::ptrdiff_t>(limit / 2));
    if (sent.size() > limit)
      sent.erase(sent.begin(), sent.end() - static_cast<std::ptrdiff_t>(limit / 2));
  }

  // Writes the bytes that are due; returns the time of the next write (infinity if none).
  double WriteDue(double now) {
    const double bt = ByteTime();
    // Bytes are written in small groups (about 2 ms of line time); the last byte of a reply
    // always goes out on time.
    const size_t group = bt > 0 ? std::max<size_t>(1, static_cast<size_t>(0.002 / bt)) : 1;
    while (!out.empty()) {
      Pending& p = out.front();
      size_t due;
      if (bt > 0) {
        const double onLine = (now - p.start) / bt + 1e-9;
        due = onLine <= 0 ? 0 : std::min(p.bytes.size(), static_cast<size_t>(onLine));
      } else {
        due = now >= p.start ? p.bytes.size() : 0;
      }
      if (due > p.written) {
        const ssize_t w = write(master, p.bytes.data() + p.written, due - p.written);
        if (w < 0) {
          if (errno == EAGAIN || errno == EINTR) {
            writeBlocked = true;
            return kInfinity;
          }
          out.clear();  // the line is gone; nothing more can be sent
          return kInfinity;
        }
        p.written += static_cast<size_t>(w);
        if (p.written < due) {
          writeBlocked = true;
          return kInfinity;
        }
      }
      if (p.written == p.bytes.size()) {
        out.pop_front();
        continue;
      }
      if (bt <= 0) return p.start;
      const size_t target = std::min(p.written + group, p.bytes.size());
      return p.start + static_cast<double>(target) * bt;
    }
    return kInfinity;
  }

  void Run() {
    std::vector<uint8_t> buf(4096);
    bool hungUp = false;
    while (!stop) {
      writeBlocked = false;
      const double next = WriteDue(SteadyNow());
      pollfd fds[2];
      fds[0].fd = hungUp ? -1 : master;
      fds[0].events = POLLIN;
      if (writeBlocked) fds[0].events |= POLLOUT;
      fds[0].revents = 0;
      fds[1].fd = wakeRead;
      fds[1].events = POLLIN;
      fds[1].revents = 0;
      // A due time already passed means "now", not "no deadline": a negative wait would
      // block the poll until the next request and stall the reply half-way.
      double wait = next == kInfinity ? -1.0 : std::max(0.0, next - SteadyNow());
      // A master without any slave open reports a hang-up on every poll; wait a little
      // instead of spinning until a client opens the slave again.
      if (hungUp && (wait < 0 || wait > 0.01)) wait = 0.01;
      hungUp = false;
      timespec ts;
      const int r = ppoll(fds, 2, wait < 0 ? nullptr : (ts = ToTimespec(wait), &ts), nullptr);
      if (r < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[1].revents & POLLIN) {
        char drain[64];
        while (read(wakeRead, drain, sizeof drain) > 0) {
        }
      }
      if (fds[0].revents & POLLIN) {
        const ssize_t n = read(master, buf.data(), buf.size());
        if (n > 0) {
          OnInput(buf.data(), static_cast<size_t>(n), SteadyNow());
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          hungUp = true;
        }
      } else if (fds[0].revents & (POLLHUP | POLLERR)) {
        hungUp = true;
      }
    }
  }
};

SimHost::SimHost(SensorModel model) : SimHost(std::move(model), Options{}) {}

SimHost::SimHost(SensorModel model, Options options)
    : impl_(std::make_unique<Impl>(std::move(model), std::move(options))) {
  impl_->Open();
}

SimHost::~SimHost() {
  impl_->StopThread();
  impl_->CloseLine();
  if (!impl_->opt.linkPath.empty()) unlink(impl_->opt.linkPath.c_str());
  if (impl_->wakeRead >= 0) close(impl_->wakeRead);
  if (impl_->wakeWrite >= 0) close(impl_->wakeWrite);
}

std::string SimHost::SlavePath() const {
  return impl_->path;
}

void SimHost::SetFaults(const Faults& faults) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->core.SetFaults(faults);
}

Faults SimHost::GetFaults() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.faults();
}

void SimHost::Unplug() {
  if (impl_->unplugged) return;
  impl_->StopThread();
  impl_->CloseLine();
  // Gone with the device, as udev removes a by-id name (a stale link could meet another
  // pty that gets the old number).
  if (!impl_->opt.linkPath.empty()) unlink(impl_->opt.linkPath.c_str());
  impl_->unplugged = true;
}

bool SimHost::Unplugged() const {
  return impl_->unplugged;
}

void SimHost::Replug() {
  if (!impl_->unplugged) return;
  impl_->OpenLine();
}

std::string SimHost::LinkPath() const {
  return impl_->opt.linkPath;
}

std::vector<Frame> SimHost::Received() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->received;
}

std::vector<Reply> SimHost::Sent() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->sent;
}

void SimHost::ClearReceived() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->received.clear();
  impl_->sent.clear();
}

bool SimHost::WaitForFrames(size_t n, double timeoutSeconds) const {
  std::unique_lock<std::mutex> lock(impl_->mu);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(std::max(0.0, timeoutSeconds)));
  return impl_->frameArrived.wait_until(lock, deadline,
                                        [&] { return impl_->received.size() >= n; });
}

SensorModel SimHost::Model() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.model();
}

void SimHost::SetModel(const SensorModel& model) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->core.model() = model;
}

void SimHost::FixMeasurement(const std::array<uint16_t, 16>& words) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->core.FixMeasurement(words);
}

void SimHost::SetProfile(const std::array<uint16_t, 256>& profile) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->core.profile() = profile;
  impl_->core.fixedProfile = true;
}

std::array<uint16_t, 256> SimHost::Profile() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.profile();
}

std::vector<uint16_t> SimHost::XFlash() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.xflash();
}

int SimHost::TeachCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.teachCount;
}

int SimHost::ResetCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.resetCount;
}

int SimHost::ClearCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->core.clearCount;
}

}  // namespace sim
