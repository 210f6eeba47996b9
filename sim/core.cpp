// The protocol core of the simulated sensor: frames in, replies out.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "sim/sim.h"

namespace sim {

double SteadyNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

namespace {

constexpr size_t kFrameSize = 36;
constexpr size_t kXFlashPages = 10;
constexpr size_t kPageWords = 256;
constexpr double kPi = 3.14159265358979323846;

enum class Layout { kDefault, kD303, kMX400 };

// The layout rule of the tool: hardware type 400 keeps the MX400 layout, firmware below
// 303 the default layout, anything else the D303 layout.
Layout LayoutOf(const SensorModel& m) {
  if (m.hwtype == 400) return Layout::kMX400;
  if (m.softversion < 303) return Layout::kDefault;
  return Layout::kD303;
}

void Put16(std::vector<uint8_t>& out, uint16_t w) {
  out.push_back(static_cast<uint8_t>(w >> 8));
  out.push_back(static_cast<uint8_t>(w & 0xFF));
}

// A reply frame: sync word, command echo, then 32 bytes of payload words.
std::vector<uint8_t> ReplyFrame(uint16_t command, const uint16_t* words, size_t count) {
  std::vector<uint8_t> out;
  out.reserve(kFrameSize);
  Put16(out, 0x00AA);
  Put16(out, command);
  for (size_t i = 0; i < count && out.size() < kFrameSize; ++i) Put16(out, words[i]);
  out.resize(kFrameSize, 0);
  return out;
}

// Reply frame with argument echo and 15 data words.
std::vector<uint8_t> ReplyFrame15(uint16_t command, uint16_t argument,
                                  const std::array<uint16_t, 15>& data) {
  uint16_t words[16];
  words[0] = argument;
  std::copy(data.begin(), data.end(), words + 1);
  return ReplyFrame(command, words, 16);
}

std::array<uint16_t, 15> DataOf(const Frame& f) {
  std::array<uint16_t, 15> d{};
  for (int k = 0; k < 15; ++k) d[k] = f.data(k);
  return d;
}

}  // namespace

struct SensorCore::Impl {
  SensorModel model;
  std::vector<uint8_t> inbuf;
  bool fixedMeasurement = false;
  std::array<uint16_t, 16> fixed{};
  std::array<uint16_t, 256> profile{};
  std::vector<uint16_t> xflash = std::vector<uint16_t>(kXFlashPages * kPageWords, 0xFFFF);
  Faults faults;
  long requestNumber = 0;  // requests received since the sensor was made
  long answering = -1;     // number of the request being answered
  uint64_t rng = 0x2545F4914F6CDD1DULL;
  long sample = 0;  // measurements taken (drives the object's motion)
  bool haveExtremes = false;
  uint16_t anaMax = 0, anaMin = 0;
  bool haveLast = false;
  uint16_t lastValue = 0;
  uint16_t lastLedge = 1, lastRedge = 1;

  uint32_t Rand() {
    rng ^= rng << 13;
    rng ^= rng >> 7;
    rng ^= rng << 17;
    return static_cast<uint32_t>(rng >> 11);
  }

  int VirtPixels() const { return model.ccdvirtpixel ? model.ccdvirtpixel : 1024; }
  int AdcMax() const { return model.adcmax ? model.adcmax : 255; }

  void TrackExtremes(uint16_t value) {
    if (!haveExtremes) {
      anaMax = anaMin = value;
      haveExtremes = true;
    } else {
      anaMax = std::max(anaMax, value);
      anaMin = std::min(anaMin, value);
    }
  }

  // The profile: dim background, a bright region between the edges with soft slopes.
  void UpdateProfile(double left, double right) {
    const double v = VirtPixels();
    const double full = AdcMax();
    const double low = 0.08 * full, high = 0.85 * full;
    const double ramp = std::max(2.0, v / 256.0 * 2.0);  // two video points
    for (int k = 0; k < 256; ++k) {
      const double x = k * v / 256.0;
      double level;
      if (x <= left - ramp || x >= right + ramp) {
        level = low;
      } else if (x >= left && x <= right) {
        level = high;
      } else {
        const double d = x < left ? (left - x) : (x - right);
        level = high - (high - low) * d / ramp;
      }
      level += (static_cast<int>(Rand() % 101) - 50) / 50.0 * 0.02 * full;
      profile[k] = static_cast<uint16_t>(std::clamp(std::lround(level), 0L, std::lround(full)));
    }
  }

  // A standard normal number (Box-Muller).
  double Gauss() {
    const double u1 = (Rand() % 1000000 + 1) / 1000001.0;
    const double u2 = (Rand() % 1000000) / 1000000.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2 * kPi * u2);
  }

  static double Drawn(const SensorModel::Spread& s, double z) {
    return std::clamp(s.mean + s.sd * z, s.min, s.max);
  }

  // A frame with the recorded statistics: the value in micrometres follows the value in
  // pixels, the edges vary on their own.
  std::array<uint16_t, 16> RecordedMeasure() {
    const SensorModel::Recorded& r = model.recorded;
    const double z = Gauss();
    const auto px = static_cast<uint16_t>(std::lround(Drawn(r.valuePx, z)));
    const auto um = static_cast<uint32_t>(std::llround(Drawn(r.valueUm, z)));
    std::array<uint16_t, 16> w{};
    w[0] = static_cast<uint16_t>(std::lround(Drawn(r.left, Gauss())));
    w[1] = static_cast<uint16_t>(std::lround(Drawn(r.right, Gauss())));
    w[2] = px;
    w[3] = static_cast<uint16_t>(um & 0xFFFF);
    w[4] = static_cast<uint16_t>(um >> 16);
    w[5] = model.ram[0][6];
    w[6] = model.ram[0][7];
    w[7] = 2;
    w[8] = w[0];
    w[9] = w[1];
    w[10] = model.ram[0][0];
    TrackExtremes(px);
    w[11] = anaMax;
    w[12] = anaMin;
    w[14] = *std::max_element(profile.begin(), profile.end());
    w[15] = static_cast<uint16_t>(++sample & 0xFFFF);
    lastValue = px;
    lastLedge = w[0];
    lastRedge = w[1];
    haveLast = true;
    return w;
  }

  std::array<uint16_t, 16> Measure(bool moveProfile) {
    std::array<uint16_t, 16> w{};
    if (model.recorded.on && !fixedMeasurement) return RecordedMeasure();
    if (fixedMeasurement) {
      w = fixed;
      lastValue = w[2];
      lastLedge = w[0];
      lastRedge = w[1];
      haveLast = true;
      return w;
    }
    const Layout layout = LayoutOf(model);
    const auto& h0 = model.ram[0];
    const auto& h1 = model.ram[1];
    const int v = VirtPixels();
    const int mode = h0[3];
    const double setpoint = h0[6];
    const double tolerance = h0[7];
    const double amplitude = std::clamp(1.5 * tolerance, 20.0, v / 8.0);
    const double width = v / 8.0 + 4.0 * std::sin(sample * 2 * kPi / 37.0);
    const double noise = (static_cast<int>(Rand() % 5) - 2) * 0.5;
    const double target = setpoint + amplitude * std::sin(sample * 2 * kPi / 200.0) + noise;
    ++sample;

    double left, right;
    if (mode == 1) {
      right = target;
      left = right - width;
    } else if (mode == 2) {
      left = v / 2.0 - target / 2.0;
      right = v / 2.0 + target / 2.0;
    } else {
      left = target;
      right = left + width;
    }
    left = std::clamp(left, 1.0, static_cast<double>(v));
    right = std::clamp(right, left, static_cast<double>(v));
    const uint16_t ledge = static_cast<uint16_t>(std::lround(left));
    const uint16_t redge = static_cast<uint16_t>(std::lround(right));
    uint16_t value = mode == 1 ? redge : mode == 2 ? static_cast<uint16_t>(redge - ledge) : ledge;

    // Micrometres: slope (fixed point, 1.0 = 16384 in the default layout, else 1024)
    // times pixels, plus the offset for the edge positions.
    const uint32_t slope = static_cast<uint32_t>(h1[11]) | static_cast<uint32_t>(h1[12]) << 16;
    const int32_t offset =
        static_cast<int32_t>(static_cast<uint32_t>(h1[13]) | static_cast<uint32_t>(h1[14]) << 16);
    const int64_t unit = layout == Layout::kDefault ? 16384 : 1024;
    int64_t um = static_cast<int64_t>(value) * slope / unit;
    if (mode != 2) um += offset;
    um = std::clamp<int64_t>(um, 0, 0xFFFFFFFFLL);

    TrackExtremes(value);
    if (moveProfile) UpdateProfile(left, right);
    const uint16_t videoMax = *std::max_element(profile.begin(), profile.end());

    w[0] = ledge;
    w[1] = redge;
    w[2] = value;
    w[3] = static_cast<uint16_t>(um & 0xFFFF);
    w[4] = static_cast<uint16_t>((um >> 16) & 0xFFFF);
    w[5] = h0[6];
    w[6] = h0[7];
    w[7] = 2;
    w[8] = ledge;
    w[9] = redge;
    w[10] = static_cast<uint16_t>(h0[0] + Rand() % 7);
    w[11] = anaMax;
    w[12] = anaMin;
    w[13] = 0;
    w[14] = videoMax;
    w[15] = static_cast<uint16_t>(sample & 0xFFFF);
    lastValue = value;
    lastLedge = ledge;
    lastRedge = redge;
    haveLast = true;
    return w;
  }

  std::vector<uint8_t> Firmware() const {
    std::vector<uint8_t> out(72, 0);
    const std::string& text = model.firmware;
    if (model.pcbtype == 0) {
      for (size_t i = 0; i < text.size() && i < 36; ++i)
        out[2 * i + 1] = static_cast<uint8_t>(text[i]);
    } else {
      for (size_t i = 0; i < text.size() && i < 72; ++i) out[i] = static_cast<uint8_t>(text[i]);
    }
    return out;
  }

  std::vector<uint8_t> Block(uint16_t first) const {
    std::vector<uint8_t> out;
    out.reserve(128);
    for (int i = 0; i < 64; ++i) Put16(out, profile[(first + i) % 256]);
    return out;
  }

  std::vector<uint8_t> HardwareInfo() const {
    const SensorModel& m = model;
    const uint16_t words[11] = {m.ccdtype,      m.ccdmaxpixel, m.ccdresolution, m.pcbtype,
                                m.ccdvirtpixel, m.ccdsubpixel, m.ccdpixB,       m.ccdpixE,
                                m.softversion,  m.hwtype,      m.adcmax};
    return ReplyFrame(10, words, 11);
  }

  // Index into the X-FLASH of chunk word k at page p, in-page offset o; -1 outside.
  static long XFlashIndex(uint16_t page, uint16_t offset, int k) {
    if (page >= kXFlashPages || offset + k >= static_cast<int>(kPageWords)) return -1;
    return static_cast<long>(page) * kPageWords + offset + k;
  }

  std::vector<uint8_t> Handle(SensorCore& self, const Frame& f) {
    const uint16_t cmd = f.command();
    const uint16_t arg = f.argument();
    std::vector<uint8_t> reply;
    switch (cmd) {
      case 1:
      case 3: {
        auto& mem = cmd == 1 ? model.ram : model.eeprom;
        const int half = arg ? 1 : 0;
        mem[half] = DataOf(f);
        const int k = faults.alterStoredWord - 15 * half;
        if (k >= 0 && k < 15) mem[half][k] ^= 0x0001;
        reply = ReplyFrame15(cmd, arg, DataOf(f));
        break;
      }
      case 2:
      case 4: {
        const auto& mem = cmd == 2 ? model.ram : model.eeprom;
        reply = ReplyFrame15(cmd, arg, mem[arg ? 1 : 0]);
        break;
      }
      case 6: {
        if (!haveLast) Measure(!self.fixedProfile);
        model.ram[0][6] = lastValue;
        ++self.teachCount;
        reply = ReplyFrame15(cmd, arg, model.ram[0]);
        break;
      }
      case 7:
        return Firmware();
      case 8: {
        const auto w = Measure(!self.fixedProfile);
        reply = ReplyFrame(8, w.data(), w.size());
        break;
      }
      case 9:
        return Block(arg);
      case 10:
        reply = HardwareInfo();
        break;
      case 11:
        haveExtremes = false;
        ++self.resetCount;
        reply = ReplyFrame15(cmd, arg, DataOf(f));
        break;
      case 101:
        std::fill(xflash.begin(), xflash.end(), 0xFFFF);
        ++self.clearCount;
        reply = ReplyFrame15(cmd, arg, DataOf(f));
        break;
      case 102:
      case 103: {
        const uint16_t page = f.data(0);
        std::array<uint16_t, 15> d{};
        d[0] = arg;
        d[1] = page;
        for (int k = 0; k < 8; ++k) {
          const long idx = XFlashIndex(page, arg, k);
          if (cmd == 102) {
            if (idx >= 0) xflash[idx] = f.data(1 + k);
          } else {
            uint16_t word = idx >= 0 ? xflash[idx] : 0xFFFF;
            const long table = (static_cast<long>(page) - 2) * 256 + arg + k;
            if (faults.corruptXFlashWord >= 0 && table == faults.corruptXFlashWord) word ^= 0x0001;
            d[2 + k] = word;
          }
        }
        const long chunk = (static_cast<long>(page) - 2) * 256 + arg;
        if (cmd == 102 && faults.xflashWrongPageAt >= 0 && chunk == faults.xflashWrongPageAt)
          d[1] = static_cast<uint16_t>(page + 1);
        reply = ReplyFrame15(cmd, arg, d);
        break;
      }
      default:  // echo (5) and commands the sensor does not know
        reply = ReplyFrame15(cmd, arg, DataOf(f));
        break;
    }
    if (faults.wrongSync && Faulty()) {
      reply[0] = 0xAA;
      reply[1] = 0x00;
    }
    if (faults.wrongEchoFor >= 0 && cmd == faults.wrongEchoFor) {
      const uint16_t echo = static_cast<uint16_t>(cmd + 1);
      reply[2] = static_cast<uint8_t>(echo >> 8);
      reply[3] = static_cast<uint8_t>(echo & 0xFF);
    }
    return reply;
  }

  // Whether the reply to the request being answered gets the reply faults.
  bool Faulty() const { return faults.onlyReplyNumber < 0 || answering == faults.onlyReplyNumber; }

  // The line faults: silence, dropped replies, truncation, garbage and extra bytes.
  std::vector<uint8_t> Answer(SensorCore& self, const Frame& f) {
    const long number = requestNumber++;
    answering = number;
    if (faults.silent || (faults.silentAfter >= 0 && number >= faults.silentAfter)) return {};
    std::vector<uint8_t> reply = Handle(self, f);
    const bool drop = (faults.dropEveryNth > 0 && (number + 1) % faults.dropEveryNth == 0) ||
                      (faults.dropReplyNumber >= 0 && number == faults.dropReplyNumber);
    if (drop) return {};
    if (faults.truncateTo >= 0 && reply.size() > static_cast<size_t>(faults.truncateTo))
      reply.resize(faults.truncateTo);
    std::vector<uint8_t> out;
    const int garbage = Faulty() ? faults.garbageBefore : 0;
    const int extra = Faulty() ? faults.extraAfter : 0;
    for (int i = 0; i < garbage; ++i) out.push_back(static_cast<uint8_t>(Rand()));
    out.insert(out.end(), reply.begin(), reply.end());
    for (int i = 0; i < extra; ++i) out.push_back(static_cast<uint8_t>(Rand()));
    return out;
  }
};

SensorCore::SensorCore(SensorModel model) : impl_(std::make_shared<Impl>()) {
  impl_->model = std::move(model);
  // A first profile so that a data block read before any measurement looks plausible; a
  // recorded profile stays as it is.
  const int v = impl_->VirtPixels();
  impl_->UpdateProfile(v * 3.0 / 8.0, v * 5.0 / 8.0);
  const std::vector<uint16_t>& recorded = impl_->model.profile;
  if (recorded.size() == impl_->profile.size()) {
    std::copy(recorded.begin(), recorded.end(), impl_->profile.begin());
    fixedProfile = true;
  }
}

std::vector<SensorCore::Exchange> SensorCore::FeedFrames(const uint8_t* data, size_t n,
                                                         double time) {
  if (time < 0) time = SteadyNow();
  std::vector<Exchange> out;
  auto& buf = impl_->inbuf;
  buf.insert(buf.end(), data, data + n);
  size_t pos = 0;
  while (true) {
    // Resynchronise: a frame begins with 0x00 0x55.
    while (pos < buf.size() &&
           !(buf[pos] == 0x00 && (pos + 1 >= buf.size() || buf[pos + 1] == 0x55)))
      ++pos;
    if (buf.size() - pos < kFrameSize) break;
    Exchange ex;
    std::memcpy(ex.frame.bytes.data(), buf.data() + pos, kFrameSize);
    ex.frame.time = time;
    pos += kFrameSize;
    received.push_back(ex.frame);
    ex.reply = impl_->Answer(*this, ex.frame);
    ex.delay = impl_->Faulty() ? impl_->faults.replyDelay : 0.0;
    out.push_back(std::move(ex));
  }
  buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(pos));
  return out;
}

std::vector<std::vector<uint8_t>> SensorCore::Feed(const uint8_t* data, size_t n) {
  std::vector<std::vector<uint8_t>> replies;
  for (auto& ex : FeedFrames(data, n))
    if (!ex.reply.empty()) replies.push_back(std::move(ex.reply));
  return replies;
}

const SensorModel& SensorCore::model() const {
  return impl_->model;
}
SensorModel& SensorCore::model() {
  return impl_->model;
}

std::array<uint16_t, 16> SensorCore::NextMeasurement() {
  return impl_->Measure(!fixedProfile);
}

void SensorCore::FixMeasurement(const std::array<uint16_t, 16>& words) {
  impl_->fixed = words;
  impl_->fixedMeasurement = true;
}

void SensorCore::FreeMeasurement() {
  impl_->fixedMeasurement = false;
}

std::array<uint16_t, 256>& SensorCore::profile() {
  return impl_->profile;
}

std::vector<uint16_t>& SensorCore::xflash() {
  return impl_->xflash;
}

void SensorCore::SetFaults(const Faults& faults) {
  impl_->faults = faults;
}

const Faults& SensorCore::faults() const {
  return impl_->faults;
}

}  // namespace sim
