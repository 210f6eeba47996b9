// The simulated sensor's protocol core: every reply byte for byte, resynchronisation,
// the measurement generator, the profile blocks, the X-FLASH and the line faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/sim.h"
#include "support/frame_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Words(std::initializer_list<uint16_t> words) {
  Bytes b;
  for (uint16_t w : words) {
    b.push_back(static_cast<uint8_t>(w >> 8));
    b.push_back(static_cast<uint8_t>(w));
  }
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Sends one request and expects exactly one reply.
Bytes Ask(sim::SensorCore& core, const Bytes& request) {
  auto replies = core.Feed(request.data(), request.size());
  EXPECT_EQ(replies.size(), 1u);
  return replies.empty() ? Bytes{} : replies[0];
}

uint16_t WordAt(const Bytes& b, size_t byteIndex) {
  return static_cast<uint16_t>(b[byteIndex] << 8 | b[byteIndex + 1]);
}

std::array<uint16_t, 16> MeasurementOf(const Bytes& reply) {
  std::array<uint16_t, 16> w{};
  for (int i = 0; i < 16; ++i) w[i] = WordAt(reply, 4 + 2 * i);
  return w;
}

}  // namespace

TEST(SimCore, EchoAndUnknownCommandsEchoArgumentAndData) {
  sim::SensorCore core(sim::DefaultModel());
  const Bytes echo =
      Ask(core, FrameBytes(5, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(echo, Concat({{0x00, 0xAA, 0x00, 0x05, 0x00, 0x00},
                          Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})}));
  const Bytes unknown = Ask(core, FrameBytes(0x1234, 0xBEEF, {0xFFFF, 0x0D0A}));
  EXPECT_EQ(unknown,
            Concat({{0x00, 0xAA, 0x12, 0x34, 0xBE, 0xEF, 0xFF, 0xFF, 0x0D, 0x0A}, Bytes(26, 0)}));
  ASSERT_EQ(core.received.size(), 2u);
  EXPECT_EQ(core.received[1].command(), 0x1234);
  EXPECT_EQ(core.received[1].argument(), 0xBEEF);
  EXPECT_EQ(core.received[1].data(1), 0x0D0A);
}

TEST(SimCore, GetReturnsTheHalvesOfRamAndEepromInTheModelsLayout) {
  sim::SensorCore core(sim::DefaultModel());
  // Default layout: power 500, power mode 1, polarity 1, evaluation mode 1, E-BEG 1,
  // E-END 4096, set-point 2048, tolerance 100, averaging 1, trigger 0, analogue 0,
  // option 5 0, receiver mode 0, hardware mode 1, threshold 40.
  EXPECT_EQ(Ask(core, FrameBytes(2, 0)),
            Concat({{0x00, 0xAA, 0x00, 0x02, 0x00, 0x00},
                    Words({500, 1, 1, 1, 1, 4096, 2048, 100, 1, 0, 0, 0, 0, 1, 40})}));
  // Half 1: eleven settings, slope 16384 (1.0), offset 30000.
  EXPECT_EQ(Ask(core, FrameBytes(2, 1)),
            Concat({{0x00, 0xAA, 0x00, 0x02, 0x00, 0x01},
                    Words({11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 16384, 0, 30000, 0})}));
  const Bytes ee0 = Ask(core, FrameBytes(4, 0));
  EXPECT_EQ(Bytes(ee0.begin(), ee0.begin() + 6), Bytes({0x00, 0xAA, 0x00, 0x04, 0x00, 0x00}));
  const Bytes ram0 = Ask(core, FrameBytes(2, 0));
  EXPECT_NE(Bytes(ee0.begin() + 6, ee0.end()), Bytes(ram0.begin() + 6, ram0.end()))
      << "RAM and EEPROM must be told apart";
  const Bytes ee1 = Ask(core, FrameBytes(4, 1));
  EXPECT_EQ(WordAt(ee1, 4), 1);
  EXPECT_EQ(WordAt(ee1, 28), 16384);
  EXPECT_EQ(WordAt(ee1, 32), 30000);

  sim::SensorCore d303(sim::D303Model());
  // D303 layout: tolerance-up and tolerance-low in slots 7 and 8, slope 1024 (1.0).
  EXPECT_EQ(Ask(d303, FrameBytes(2, 0)),
            Concat({{0x00, 0xAA, 0x00, 0x02, 0x00, 0x00},
                    Words({500, 1, 1, 1, 1, 4096, 2048, 100, 100, 1, 0, 0, 0, 1, 40})}));
  EXPECT_EQ(WordAt(Ask(d303, FrameBytes(2, 1)), 28), 1024);

  sim::SensorCore mx(sim::MX400Model());
  // MX400 layout: hold time in slot 12, threshold in slot 13, 1024 sub-pixels.
  EXPECT_EQ(Ask(mx, FrameBytes(2, 0)),
            Concat({{0x00, 0xAA, 0x00, 0x02, 0x00, 0x00},
                    Words({500, 1, 1, 1, 1, 1024, 512, 100, 100, 1, 0, 0, 100, 40, 0})}));
  EXPECT_EQ(WordAt(Ask(mx, FrameBytes(2, 1)), 28), 1024);
}

TEST(SimCore, SendStoresTheHalfAndAcknowledgesWithAnEcho) {
  sim::SensorCore core(sim::DefaultModel());
  const Bytes half0 = FrameBytes(1, 0, {600, 0, 1, 2, 10, 4000, 1234, 55, 4, 1, 2, 0, 1, 3, 77});
  EXPECT_EQ(Ask(core, half0),
            Concat({{0x00, 0xAA, 0x00, 0x01, 0x00, 0x00},
                    Words({600, 0, 1, 2, 10, 4000, 1234, 55, 4, 1, 2, 0, 1, 3, 77})}));
  EXPECT_EQ(Ask(core, FrameBytes(2, 0)),
            Concat({{0x00, 0xAA, 0x00, 0x02, 0x00, 0x00},
                    Words({600, 0, 1, 2, 10, 4000, 1234, 55, 4, 1, 2, 0, 1, 3, 77})}));
  // The EEPROM is untouched by a RAM write and the other way round.
  EXPECT_EQ(core.model().eeprom[0][0], 450);
  const Bytes half1 =
      FrameBytes(3, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1024, 0, 0xFFF6, 0xFFFF});
  Ask(core, half1);
  EXPECT_EQ(Ask(core, FrameBytes(4, 1)),
            Concat({{0x00, 0xAA, 0x00, 0x04, 0x00, 0x01},
                    Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1024, 0, 0xFFF6, 0xFFFF})}));
  EXPECT_EQ(core.model().ram[1][11], 16384);
  EXPECT_EQ(core.model().ram[0][6], 1234);
}

TEST(SimCore, HardwareInfoCarriesTheDescriptorInBytes4To25) {
  sim::SensorCore core(sim::DefaultModel());
  EXPECT_EQ(Ask(core, FrameBytes(10, 0, {9, 9, 9})),
            Concat({{0x00, 0xAA, 0x00, 0x0A},
                    Words({1, 1024, 4, 101, 4096, 2048, 1, 4096, 302, 37, 255}),
                    Bytes(10, 0)}));
  sim::SensorCore mx(sim::MX400Model());
  const Bytes r = Ask(mx, FrameBytes(10, 0));
  EXPECT_EQ(WordAt(r, 4), 4);      // ccdtype
  EXPECT_EQ(WordAt(r, 12), 1024);  // ccdvirtpixel
  EXPECT_EQ(WordAt(r, 14), 1024);  // ccdsubpixel
  EXPECT_EQ(WordAt(r, 20), 305);   // softversion
  EXPECT_EQ(WordAt(r, 22), 400);   // hwtype

  struct Expect {
    sim::SensorModel model;
    uint16_t ccdtype, hwtype, softversion, pcbtype, virt;
  };
  const Expect all[] = {{sim::D303Model(), 1, 55, 305, 101, 4096},
                        {sim::PeakModel(), 1, 10080, 302, 101, 4096},
                        {sim::K20Model(), 101, 500, 305, 101, 1024},
                        {sim::UnlistedModel(), 7, 37, 302, 101, 4096},
                        {sim::Board0Model(), 1, 37, 302, 0, 4096}};
  for (const auto& e : all) {
    sim::SensorCore c(e.model);
    const Bytes h = Ask(c, FrameBytes(10, 0));
    EXPECT_EQ(WordAt(h, 4), e.ccdtype);
    EXPECT_EQ(WordAt(h, 10), e.pcbtype);
    EXPECT_EQ(WordAt(h, 12), e.virt);
    EXPECT_EQ(WordAt(h, 20), e.softversion);
    EXPECT_EQ(WordAt(h, 22), e.hwtype);
    EXPECT_EQ(Bytes(h.begin() + 26, h.end()), Bytes(10, 0));
  }
}

TEST(SimCore, FirmwareTextIsSeventyTwoRawBytes) {
  sim::SensorModel m = sim::DefaultModel();
  m.firmware = "V3.02";
  sim::SensorCore core(m);
  Bytes expected = {'V', '3', '.', '0', '2'};
  expected.resize(72, 0);
  EXPECT_EQ(Ask(core, FrameBytes(7, 0)), expected);

  // Board type 0: one big-endian word per character.
  m.pcbtype = 0;
  m.firmware = "V3.";
  sim::SensorCore board0(m);
  Bytes words = {0, 'V', 0, '3', 0, '.'};
  words.resize(72, 0);
  EXPECT_EQ(Ask(board0, FrameBytes(7, 0)), words);

  // Texts longer than the reply are cut, never overrun.
  m.firmware = std::string(50, 'x');
  sim::SensorCore longText(m);
  const Bytes cut = Ask(longText, FrameBytes(7, 0));
  ASSERT_EQ(cut.size(), 72u);
  EXPECT_EQ(cut[71], 'x');
  EXPECT_EQ(cut[70], 0);
  m.pcbtype = 101;
  m.firmware = std::string(80, 'y');
  sim::SensorCore longBytes(m);
  EXPECT_EQ(Ask(longBytes, FrameBytes(7, 0)), Bytes(72, 'y'));

  sim::SensorCore b0(sim::Board0Model());
  const Bytes text = Ask(b0, FrameBytes(7, 0));
  std::string decoded;
  for (size_t i = 1; i < text.size() && text[i]; i += 2) decoded += static_cast<char>(text[i]);
  EXPECT_EQ(decoded, sim::Board0Model().firmware);
}

TEST(SimCore, FixedMeasurementIsSentAsSixteenWords) {
  sim::SensorCore core(sim::DefaultModel());
  std::array<uint16_t, 16> w;
  for (int i = 0; i < 16; ++i) w[i] = static_cast<uint16_t>(0x0101 * (i + 1));
  core.FixMeasurement(w);
  Bytes expected = {0x00, 0xAA, 0x00, 0x08};
  for (uint16_t x : w) {
    expected.push_back(static_cast<uint8_t>(x >> 8));
    expected.push_back(static_cast<uint8_t>(x));
  }
  EXPECT_EQ(Ask(core, FrameBytes(8, 0, {1, 2, 3})), expected);
  EXPECT_EQ(Ask(core, FrameBytes(8, 0)), expected);
  core.FreeMeasurement();
  EXPECT_NE(Ask(core, FrameBytes(8, 0)), expected);
}

TEST(SimCore, MeasurementsFollowTheSettingsAndTrackMaxMin) {
  for (uint16_t mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    sim::SensorModel m = sim::DefaultModel();
    m.ram[0][3] = mode;
    m.ram[0][6] = mode == 2 ? 800 : 2000;  // set-point (a width in mode 2)
    m.ram[0][7] = 50;                      // tolerance
    sim::SensorCore core(m);
    uint16_t seenMax = 0, seenMin = 0xFFFF;
    std::vector<uint16_t> values;
    for (int i = 0; i < 250; ++i) {
      const Bytes r = Ask(core, FrameBytes(8, 0));
      ASSERT_EQ(r.size(), 36u);
      ASSERT_EQ(WordAt(r, 0), 0x00AA);
      ASSERT_EQ(WordAt(r, 2), 8);
      const auto w = MeasurementOf(r);
      const uint16_t ledge = w[0], redge = w[1], value = w[2];
      ASSERT_GE(ledge, 1);
      ASSERT_LE(ledge, redge);
      ASSERT_LE(redge, 4096);
      const uint16_t expectedValue = mode == 0 ? ledge : mode == 1 ? redge : redge - ledge;
      ASSERT_EQ(value, expectedValue);
      // Around the set-point, at most 1.5 tolerances away (plus a little noise).
      ASSERT_NEAR(value, m.ram[0][6], 1.5 * 50 + 3);
      const uint32_t um = w[3] | static_cast<uint32_t>(w[4]) << 16;
      ASSERT_EQ(um, mode == 2 ? value : value + 30000u);  // slope 1.0, offset for edges
      ASSERT_EQ(w[5], m.ram[0][6]);
      ASSERT_EQ(w[6], 50);
      ASSERT_EQ(w[7], 2);
      seenMax = std::max(seenMax, value);
      seenMin = std::min(seenMin, value);
      ASSERT_EQ(w[11], seenMax);
      ASSERT_EQ(w[12], seenMin);
      values.push_back(value);
    }
    // The object moves: it leaves the tolerance band on both sides.
    EXPECT_GT(seenMax, m.ram[0][6] + 50);
    EXPECT_LT(seenMin, m.ram[0][6] - 50);

    // Reset of max/min: acknowledged, counted, tracking starts afresh.
    const Bytes ack = Ask(core, FrameBytes(11, 0, {7}));
    EXPECT_EQ(ack, Concat({{0x00, 0xAA, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x07}, Bytes(28, 0)}));
    EXPECT_EQ(core.resetCount, 1);
    const auto after = MeasurementOf(Ask(core, FrameBytes(8, 0)));
    EXPECT_EQ(after[11], after[2]);
    EXPECT_EQ(after[12], after[2]);
  }
}

TEST(SimCore, MeasurementUsesSlopeAndOffsetOfTheLayout) {
  sim::SensorModel m = sim::D303Model();
  m.ram[0][3] = 0;
  m.ram[1][11] = 2048;  // 2.0 µm per pixel in the D303 layout
  m.ram[1][12] = 0;
  m.ram[1][13] = 0xFFF6;  // offset -10
  m.ram[1][14] = 0xFFFF;
  sim::SensorCore core(m);
  const auto w = MeasurementOf(Ask(core, FrameBytes(8, 0)));
  EXPECT_EQ(w[3] | static_cast<uint32_t>(w[4]) << 16, 2u * w[2] - 10u);
}

TEST(SimCore, TeachTakesThePresentPositionAsSetPoint) {
  sim::SensorCore core(sim::DefaultModel());
  auto w = std::array<uint16_t, 16>{};
  w[0] = 700;
  w[1] = 900;
  w[2] = 777;
  core.FixMeasurement(w);
  Ask(core, FrameBytes(8, 0));
  const Bytes r = Ask(core, FrameBytes(6, 0, {500, 1, 1, 1, 1, 4096, 2048}));
  EXPECT_EQ(WordAt(r, 0), 0x00AA);
  EXPECT_EQ(WordAt(r, 2), 6);
  EXPECT_EQ(core.teachCount, 1);
  EXPECT_EQ(core.model().ram[0][6], 777);
  EXPECT_EQ(WordAt(Ask(core, FrameBytes(2, 0)), 6 + 2 * 6), 777);

  // Without any measurement before, teach measures once itself.
  sim::SensorCore fresh(sim::DefaultModel());
  Ask(fresh, FrameBytes(6, 0));
  EXPECT_EQ(fresh.teachCount, 1);
  EXPECT_NEAR(fresh.model().ram[0][6], 2048, 160);
  // A following measurement reports the new set-point.
  EXPECT_EQ(MeasurementOf(Ask(fresh, FrameBytes(8, 0)))[5], fresh.model().ram[0][6]);
}

TEST(SimCore, DataBlocksServeTheProfileAndWrapForOddStarts) {
  sim::SensorCore core(sim::DefaultModel());
  for (int k = 0; k < 256; ++k) core.profile()[k] = static_cast<uint16_t>(k * 257);
  core.fixedProfile = true;
  for (uint16_t first : {0, 64, 128, 192}) {
    const Bytes r = Ask(core, FrameBytes(9, first));
    ASSERT_EQ(r.size(), 128u);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(r[2 * i], first + i);
      ASSERT_EQ(r[2 * i + 1], first + i);
    }
  }
  // Not a block start: the 64 words from there on, wrapping past the end.
  const Bytes odd = Ask(core, FrameBytes(9, 250));
  ASSERT_EQ(odd.size(), 128u);
  EXPECT_EQ(WordAt(odd, 0), 250 * 257);
  EXPECT_EQ(WordAt(odd, 10), 255 * 257);
  EXPECT_EQ(WordAt(odd, 12), 0);
  EXPECT_EQ(WordAt(odd, 126), 57 * 257);
  const Bytes huge = Ask(core, FrameBytes(9, 0xFFFF));
  EXPECT_EQ(WordAt(huge, 0), 255 * 257);
  EXPECT_EQ(WordAt(huge, 2), 0);
  // A fixed profile stays through measurements.
  Ask(core, FrameBytes(8, 0));
  EXPECT_EQ(core.profile()[100], 100 * 257);
}

TEST(SimCore, ProfileIsBrightBetweenTheEdges) {
  sim::SensorModel m = sim::DefaultModel();
  m.ram[0][3] = 0;
  sim::SensorCore core(m);
  const auto w = MeasurementOf(Ask(core, FrameBytes(8, 0)));
  const auto& p = core.profile();
  const double step = 4096.0 / 256.0;
  uint16_t top = 0;
  for (int k = 0; k < 256; ++k) {
    ASSERT_LE(p[k], 255);
    top = std::max(top, p[k]);
    const double x = k * step;
    if (x > w[0] + 2 * step && x < w[1] - 2 * step) {
      EXPECT_GT(p[k], 180) << k;
    }
    if (x < w[0] - 3 * step || x > w[1] + 3 * step) {
      EXPECT_LT(p[k], 60) << k;
    }
  }
  EXPECT_EQ(w[14], top);  // video maximum
  // The profile served in blocks is the one just measured.
  const Bytes b = Ask(core, FrameBytes(9, 128));
  for (int i = 0; i < 64; ++i) ASSERT_EQ(WordAt(b, 2 * i), p[128 + i]);
}

TEST(SimCore, XFlashClearWriteAndReadBack) {
  sim::SensorCore core(sim::DefaultModel());
  core.xflash()[3 * 256 + 8] = 0x1234;
  const Bytes clear = FrameBytes(
      101, 0,
      {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA});
  const Bytes ack = Ask(core, clear);
  EXPECT_EQ(Bytes(ack.begin(), ack.begin() + 6), Bytes({0x00, 0xAA, 0x00, 0x65, 0x00, 0x00}));
  EXPECT_EQ(core.clearCount, 1);
  ASSERT_EQ(core.xflash().size(), 2560u);
  EXPECT_TRUE(std::all_of(core.xflash().begin(), core.xflash().end(),
                          [](uint16_t x) { return x == 0xFFFF; }));

  const Bytes write = FrameBytes(
      102, 8,
      {3, 0x7FFF, 0xFFFF, 0, 1, 0x0D0A, 0x1113, 0x7F00, 42, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA});
  EXPECT_EQ(Ask(core, write),
            Concat({{0x00, 0xAA, 0x00, 0x66, 0x00, 0x08}, Words({8, 3}), Bytes(26, 0)}));
  const std::vector<uint16_t> stored(core.xflash().begin() + 3 * 256 + 8,
                                     core.xflash().begin() + 3 * 256 + 16);
  EXPECT_EQ(stored, std::vector<uint16_t>({0x7FFF, 0xFFFF, 0, 1, 0x0D0A, 0x1113, 0x7F00, 42}));
  EXPECT_EQ(core.xflash()[3 * 256 + 7], 0xFFFF);
  EXPECT_EQ(core.xflash()[3 * 256 + 16], 0xFFFF);

  const Bytes read = FrameBytes(103, 8, {3});
  EXPECT_EQ(Ask(core, read),
            Concat({{0x00, 0xAA, 0x00, 0x67, 0x00, 0x08},
                    Words({8, 3, 0x7FFF, 0xFFFF, 0, 1, 0x0D0A, 0x1113, 0x7F00, 42}),
                    Bytes(10, 0)}));

  // A corrupted read-back: table index (3 - 2) * 256 + 8 + 4 = 268 comes back altered.
  sim::Faults f;
  f.corruptXFlashWord = 268;
  core.SetFaults(f);
  const Bytes bad = Ask(core, read);
  EXPECT_EQ(WordAt(bad, 6 + 2 * 6), 0x0D0B);
  EXPECT_EQ(WordAt(bad, 6 + 2 * 5), 1);
  EXPECT_EQ(core.xflash()[3 * 256 + 12], 0x0D0A) << "only the read-back is altered";

  // Pages and offsets outside the X-FLASH: acknowledged, nothing stored out of place.
  const auto before = core.xflash();
  Ask(core, FrameBytes(102, 0, {10, 1, 2, 3, 4, 5, 6, 7, 8}));
  Ask(core, FrameBytes(102, 0xFFF8, {0xFFFF, 1, 2, 3, 4, 5, 6, 7, 8}));
  const Bytes tail = Ask(core, FrameBytes(102, 252, {9, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(WordAt(tail, 6), 252);
  EXPECT_EQ(WordAt(tail, 8), 9);
  auto expected = before;
  for (int k = 0; k < 4; ++k) expected[9 * 256 + 252 + k] = static_cast<uint16_t>(k + 1);
  EXPECT_EQ(core.xflash(), expected);
  const Bytes outside = Ask(core, FrameBytes(103, 0, {10}));
  EXPECT_EQ(WordAt(outside, 10), 0xFFFF);
}

TEST(SimCore, ResynchronisesOnTheStartWord) {
  sim::SensorCore core(sim::DefaultModel());
  const Bytes echo = FrameBytes(5, 0, {0x0055, 0x5500, 0x00AA});
  // Garbage (including lone 00 and 55 bytes) before a frame is dropped.
  Bytes stream = {0x55, 0x00, 0x00, 0x13, 0x55, 0xFF, 0x00};
  stream.insert(stream.end(), echo.begin(), echo.end());
  auto replies = core.Feed(stream.data(), stream.size());
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(WordAt(replies[0], 2), 5);
  EXPECT_EQ(WordAt(replies[0], 6), 0x0055);

  // Byte by byte, two frames back to back.
  Bytes two = Concat({FrameBytes(2, 0), FrameBytes(10, 0)});
  std::vector<Bytes> got;
  for (uint8_t b : two)
    for (auto& r : core.Feed(&b, 1)) got.push_back(r);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(WordAt(got[0], 2), 2);
  EXPECT_EQ(WordAt(got[1], 2), 10);

  // A partial frame waits for its rest.
  const Bytes part = FrameBytes(4, 1);
  EXPECT_TRUE(core.Feed(part.data(), 35).empty());
  EXPECT_EQ(core.Feed(part.data() + 35, 1).size(), 1u);
  EXPECT_EQ(core.received.size(), 4u);
  // Pure garbage is absorbed without replies.
  const Bytes junk(100, 0xA5);
  EXPECT_TRUE(core.Feed(junk.data(), junk.size()).empty());
  EXPECT_EQ(core.received.size(), 4u);
}

TEST(SimCore, FaultsShapeTheReplies) {
  const Bytes echo = FrameBytes(5, 0, {1, 2});
  {
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    f.silent = true;
    core.SetFaults(f);
    EXPECT_TRUE(core.Feed(echo.data(), echo.size()).empty());
    const Bytes send = FrameBytes(1, 0, {1});
    EXPECT_TRUE(core.Feed(send.data(), send.size()).empty());
    EXPECT_EQ(core.model().ram[0][0], 500) << "a silent sensor does not act";
    EXPECT_EQ(core.received.size(), 2u) << "but the frames were received";
  }
  {
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    f.silentAfter = 2;
    core.SetFaults(f);
    EXPECT_EQ(core.Feed(echo.data(), echo.size()).size(), 1u);
    EXPECT_EQ(core.Feed(echo.data(), echo.size()).size(), 1u);
    EXPECT_TRUE(core.Feed(echo.data(), echo.size()).empty());
    EXPECT_TRUE(core.Feed(echo.data(), echo.size()).empty());
    core.SetFaults(f);  // setting the faults again does not restart the count
    EXPECT_TRUE(core.Feed(echo.data(), echo.size()).empty());
    f.silentAfter = 6;
    core.SetFaults(f);  // request 5 is answered, request 6 is not
    EXPECT_EQ(core.Feed(echo.data(), echo.size()).size(), 1u);
    EXPECT_TRUE(core.Feed(echo.data(), echo.size()).empty());
  }
  {
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    f.dropEveryNth = 3;
    core.SetFaults(f);
    std::vector<size_t> counts;
    for (int i = 0; i < 7; ++i) counts.push_back(core.Feed(echo.data(), echo.size()).size());
    EXPECT_EQ(counts, std::vector<size_t>({1, 1, 0, 1, 1, 0, 1}));
  }
  {
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    EXPECT_EQ(core.Feed(echo.data(), echo.size()).size(), 1u);
    core.received.clear();  // forgetting the frames does not restart the count either
    f.dropReplyNumber = 2;
    core.SetFaults(f);
    const Bytes send = FrameBytes(1, 0, {321});
    EXPECT_EQ(core.Feed(echo.data(), echo.size()).size(), 1u);
    EXPECT_TRUE(core.Feed(send.data(), send.size()).empty());
    EXPECT_EQ(core.model().ram[0][0], 321) << "a dropped reply's request is still carried out";
    EXPECT_EQ(core.Feed(echo.data(), echo.size()).size(), 1u);
  }
  {
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    f.truncateTo = 20;
    core.SetFaults(f);
    const Bytes full = Concat({{0x00, 0xAA, 0x00, 0x05, 0x00, 0x00}, Words({1, 2}), Bytes(26, 0)});
    EXPECT_EQ(Ask(core, echo), Bytes(full.begin(), full.begin() + 20));
    EXPECT_EQ(Ask(core, FrameBytes(9, 0)).size(), 20u);
  }
  {
    sim::SensorCore plain(sim::DefaultModel());
    const Bytes clean = Ask(plain, echo);
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    f.garbageBefore = 5;
    f.extraAfter = 7;
    core.SetFaults(f);
    const Bytes r = Ask(core, echo);
    ASSERT_EQ(r.size(), 48u);
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 41), clean);
  }
  {
    sim::SensorCore core(sim::DefaultModel());
    sim::Faults f;
    f.wrongSync = true;
    f.wrongEchoFor = 10;
    core.SetFaults(f);
    const Bytes r = Ask(core, FrameBytes(10, 0));
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 6), Bytes({0xAA, 0x00, 0x00, 0x0B, 0x00, 0x01}));
    const Bytes e = Ask(core, echo);
    EXPECT_EQ(Bytes(e.begin(), e.begin() + 4), Bytes({0xAA, 0x00, 0x00, 0x05}));
    // Raw replies have no frame to spoil.
    EXPECT_EQ(Ask(core, FrameBytes(7, 0))[0], 'Q');
  }
}
