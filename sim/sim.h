// The simulated sensor: a protocol core that answers command frames like a real
// sensor, and a host that serves it on a pseudo-terminal, paced like a serial line.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// Seconds on the steady clock: the time base of Frame::time and Reply::time.
double SteadyNow();

// What the sensor reports about itself and what it keeps in its memories.
struct SensorModel {
  // Hardware identification (reply to command 10, bytes 4..25, in this order).
  uint16_t ccdtype = 1;
  uint16_t ccdmaxpixel = 1024;
  uint16_t ccdresolution = 4;
  uint16_t pcbtype = 101;
  uint16_t ccdvirtpixel = 4096;
  uint16_t ccdsubpixel = 2048;
  uint16_t ccdpixB = 1;
  uint16_t ccdpixE = 4096;
  uint16_t softversion = 302;
  uint16_t hwtype = 37;
  uint16_t adcmax = 255;
  // Firmware text (reply to command 7): 72 raw bytes. For pcbtype 0 each character
  // travels as one big-endian word (36 characters at most); otherwise as 72 bytes.
  std::string firmware = "Q-ROX-MX sensor firmware 3.02";
  // Parameter halves (data words 0..14 of the GET replies), RAM and EEPROM.
  std::array<uint16_t, 15> ram[2]{};
  std::array<uint16_t, 15> eeprom[2]{};
  // Measurements as a service report recorded them: each quantity drawn from a normal
  // distribution of the recorded mean and spread, kept within its recorded range. Off:
  // the moving object of the sensor's own settings.
  struct Spread {
    double mean = 0, sd = 0, min = 0, max = 0;
  };
  struct Recorded {
    bool on = false;
    Spread valuePx, valueUm, left, right;
  } recorded;
  // A video profile served unchanged (empty: the profile follows the object).
  std::vector<uint16_t> profile;
};

SensorModel DefaultModel();   // ccdtype 1, hwtype 37, softversion 302: default layout
SensorModel D303Model();      // ccdtype 1, hwtype 55, softversion 305: D303 layout
SensorModel MX400Model();     // ccdtype 4, hwtype 400, softversion 305, 1024 sub-pixels
SensorModel PeakModel();      // ccdtype 1, hwtype 10080 (class 2), softversion 302
SensorModel K20Model();       // ccdtype 101, hwtype 500, softversion 305, 1024 sub-pixels
SensorModel UnlistedModel();  // ccdtype 7, unlisted
SensorModel Board0Model();    // as DefaultModel with pcbtype 0 (word-per-character text)

// Ways to misbehave, for tests of a bad line. All off by default.
// Requests are numbered from 0 in the order the sensor received them since it was made;
// neither setting the faults nor forgetting the received frames restarts the count (so the
// next request is number Received().size() until ClearReceived is called). A silent sensor
// records the frame but neither acts on it nor answers; a dropped reply is acted on but
// never sent.
// A wrong command echo is the command word plus one. Garbage and extra bytes come from a
// fixed pseudo-random sequence.
struct Faults {
  bool silent = false;         // answer nothing
  int silentAfter = -1;        // answer this many requests, then nothing (-1 = off)
  int dropEveryNth = 0;        // drop every n-th reply (0 = off)
  int dropReplyNumber = -1;    // drop only the reply to request number k (0-based)
  int truncateTo = -1;         // send only the first n bytes of each reply (-1 = off)
  int garbageBefore = 0;       // send n random bytes before each reply
  int extraAfter = 0;          // send n extra bytes after each reply
  bool wrongSync = false;      // reply frames begin 0xAA 0x00 instead of 0x00 0xAA
  int wrongEchoFor = -1;       // answer command k with a wrong command echo (-1 = off)
  double replyDelay = 0.0;     // extra seconds before each reply is sent (see onlyReplyNumber)
  int corruptXFlashWord = -1;  // X-FLASH read-back returns this table word altered
  // wrongSync, garbageBefore, extraAfter and replyDelay hit only the reply to request
  // number k (-1 = every reply).
  int onlyReplyNumber = -1;
  // The acknowledgement of the X-FLASH chunk write at this table index reports the next
  // page (page + 1) instead of the one written (-1 = off).
  int xflashWrongPageAt = -1;
  int alterStoredWord = -1;  // a SEND stores parameter word k (0..29, half 0 first) altered
};

// One frame the sensor received, with the time it was complete (seconds, steady clock).
struct Frame {
  std::array<uint8_t, 36> bytes{};
  double time = 0.0;
  uint16_t command() const { return word(1); }
  uint16_t argument() const { return word(2); }
  // Word i of the frame: 0 start word, 1 command, 2 argument, 3 + k data word k.
  uint16_t word(int i) const { return static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]); }
  uint16_t data(int k) const { return word(3 + k); }
};

// One reply the sensor sent (all bytes of it, faults included); `time` is when its first
// byte goes on the line.
struct Reply {
  std::vector<uint8_t> bytes;
  double time = 0.0;
  uint16_t command = 0;  // the command it answers
};

// The protocol core: feed it received bytes, it returns the replies to send.
// Not thread-safe by itself; SimHost serialises access.
class SensorCore {
 public:
  explicit SensorCore(SensorModel model);
  // Takes received bytes; complete 36-byte frames are answered. A frame whose first two
  // bytes are not 0x00 0x55 is resynchronised by dropping bytes up to the next 0x00 0x55.
  std::vector<std::vector<uint8_t>> Feed(const uint8_t* data, size_t n);
  const SensorModel& model() const;
  SensorModel& model();
  // The 16 words of the next measurement frame (a plausible moving object unless fixed).
  std::array<uint16_t, 16> NextMeasurement();
  void FixMeasurement(const std::array<uint16_t, 16>& words);  // every frame the same
  void FreeMeasurement();
  std::array<uint16_t, 256>& profile();  // the video profile served by command 9
  bool fixedProfile = false;             // keep the profile as set (else it moves)
  std::vector<uint16_t>& xflash();       // 10 pages of 256 words
  int teachCount = 0, resetCount = 0, clearCount = 0;
  // Received frames so far.
  std::vector<Frame> received;

  // One complete request and the bytes that go back on the line for it (faults applied;
  // empty when nothing is sent).
  struct Exchange {
    Frame frame;
    std::vector<uint8_t> reply;
    double delay = 0.0;  // extra seconds before the reply goes on the line
  };
  // As Feed, but one entry for every complete request, answered or not. Frames are
  // stamped with `time` (SteadyNow() when negative).
  std::vector<Exchange> FeedFrames(const uint8_t* data, size_t n, double time = -1.0);
  void SetFaults(const Faults& faults);
  const Faults& faults() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

// A pseudo-terminal serving a SensorCore on its own thread.
class SimHost {
 public:
  struct Options {
    long baud = 19200;          // bytes are paced at 10 bits each
    bool pacing = true;         // false: replies go out at once (fast tests)
    double turnaround = 0.001;  // seconds between a complete request and the reply (paced)
    // Called on the host thread for every frame received (for a protocol trace).
    std::function<void(const Frame&)> onFrame;
    // Most frames and replies kept for Received() and Sent() (0 = all); a long-running
    // host forgets the oldest ones beyond this.
    size_t historyLimit = 0;
    // A symlink pointing at the current slave, removed by Unplug and made again by Replug,
    // like a /dev/serial/by-id name of a USB adapter ("" = none).
    std::string linkPath;
  };
  explicit SimHost(SensorModel model);
  SimHost(SensorModel model, Options options);
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  std::string SlavePath() const;  // open this as the serial device
  void SetFaults(const Faults& faults);
  Faults GetFaults() const;
  void Unplug();  // the device disappears: both sides of the pty close
  bool Unplugged() const;
  // The device comes back: a new pty (usually with another slave path), the link path
  // pointed at it; the model, faults and history stay (SetModel may change the model while
  // unplugged).
  void Replug();
  std::string LinkPath() const;

  std::vector<Frame> Received() const;
  std::vector<Reply> Sent() const;
  void ClearReceived();  // forgets received frames and sent replies
  // Waits until at least n frames have been received; false on time-out.
  bool WaitForFrames(size_t n, double timeoutSeconds) const;

  // Thread-safe access to the core's state.
  SensorModel Model() const;
  void SetModel(const SensorModel& model);
  void FixMeasurement(const std::array<uint16_t, 16>& words);
  void SetProfile(const std::array<uint16_t, 256>& profile);  // fixes the profile
  std::array<uint16_t, 256> Profile() const;
  std::vector<uint16_t> XFlash() const;
  int TeachCount() const;
  int ResetCount() const;
  int ClearCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
