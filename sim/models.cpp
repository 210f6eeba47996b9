// The sensor variants the simulator can stand in for, each with its memories filled in the
// frame layout its firmware uses.
#include "sim/sim.h"

namespace sim {

namespace {

using Half = std::array<uint16_t, 15>;

// Half 1 is the same for all layouts: eleven words of settings no panel shows, then the
// slope (low, high) and the offset (low, high).
Half SecondHalf(uint32_t slope, int32_t offset, uint16_t first) {
  const uint32_t off = static_cast<uint32_t>(offset);
  return Half{first,
              12,
              13,
              14,
              15,
              16,
              17,
              18,
              19,
              20,
              21,
              static_cast<uint16_t>(slope & 0xFFFF),
              static_cast<uint16_t>(slope >> 16),
              static_cast<uint16_t>(off & 0xFFFF),
              static_cast<uint16_t>(off >> 16)};
}

// Default layout: power, power mode, polarity, evaluation mode, E-BEG, E-END, set-point,
// tolerance, averaging, trigger mode, analogue mode, option 5, receiver mode, hardware
// mode, video threshold.
Half DefaultHalf0(uint16_t pixels, uint16_t power, uint16_t tolerance) {
  return Half{power, 1, 1, 1, 1, pixels, static_cast<uint16_t>(pixels / 2), tolerance, 1,
              0,     0, 0, 0, 1, 40};
}

// D303 layout: power, power mode, polarity, evaluation mode, E-BEG, E-END, set-point,
// tolerance-up, tolerance-low, averaging, trigger mode, analogue mode, receiver mode,
// hardware mode, video threshold.
Half D303Half0(uint16_t pixels, uint16_t power, uint16_t tolerance) {
  return Half{power, 1, 1, 1, 1, pixels, static_cast<uint16_t>(pixels / 2), tolerance, tolerance,
              1,     0, 0, 0, 1, 40};
}

// MX400 layout: power, power mode, polarity, evaluation mode, E-BEG, E-END, set-point,
// tolerance-up, tolerance-low, averaging, trigger mode, analogue mode, hold time (ms), video
// threshold, one word carried unchanged.
Half MX400Half0(uint16_t pixels, uint16_t power, uint16_t tolerance) {
  return Half{power, 1, 1, 1,   1,  pixels, static_cast<uint16_t>(pixels / 2), tolerance, tolerance,
              1,     0, 0, 100, 40, 0};
}

enum class Layout { kDefault, kD303, kMX400 };

// Fills RAM and EEPROM in the model's layout. The EEPROM holds the settings as stored at
// the factory, the RAM the ones in use: they differ in power, tolerance and the first
// word of half 1.
void FillMemories(SensorModel& m) {
  const Layout layout = m.hwtype == 400       ? Layout::kMX400
                        : m.softversion < 303 ? Layout::kDefault
                                              : Layout::kD303;
  auto half0 = layout == Layout::kMX400  ? MX400Half0
               : layout == Layout::kD303 ? D303Half0
                                         : DefaultHalf0;
  const uint32_t slope = layout == Layout::kDefault ? 16384 : 1024;
  m.ram[0] = half0(m.ccdvirtpixel, 500, 100);
  m.eeprom[0] = half0(m.ccdvirtpixel, 450, 80);
  m.ram[1] = SecondHalf(slope, 30000, 11);
  m.eeprom[1] = SecondHalf(slope, 30000, 10);
}

}  // namespace

SensorModel DefaultModel() {
  SensorModel m;
  m.ccdtype = 1;
  m.ccdmaxpixel = 1024;
  m.ccdresolution = 4;
  m.pcbtype = 101;
  m.ccdvirtpixel = 4096;
  m.ccdsubpixel = 2048;
  m.ccdpixB = 1;
  m.ccdpixE = 4096;
  m.softversion = 302;
  m.hwtype = 37;
  m.adcmax = 255;
  m.firmware = "Q-ROX-MX sensor firmware 3.02";
  FillMemories(m);
  return m;
}

SensorModel D303Model() {
  SensorModel m = DefaultModel();
  m.hwtype = 55;
  m.softversion = 305;
  m.firmware = "Q-ROX-MX sensor firmware 3.05";
  FillMemories(m);
  return m;
}

SensorModel MX400Model() {
  SensorModel m = DefaultModel();
  m.ccdtype = 4;
  m.ccdmaxpixel = 512;
  m.ccdresolution = 2;
  m.ccdvirtpixel = 1024;
  m.ccdsubpixel = 1024;
  m.ccdpixE = 1024;
  m.softversion = 305;
  m.hwtype = 400;
  m.firmware = "Q-ROX-MX-K19 firmware 3.05";
  FillMemories(m);
  return m;
}

SensorModel PeakModel() {
  SensorModel m = DefaultModel();
  m.hwtype = 10080;
  m.firmware = "Q-ROX-MX peak sensor firmware 3.02";
  FillMemories(m);
  return m;
}

SensorModel K20Model() {
  SensorModel m = DefaultModel();
  m.ccdtype = 101;
  m.ccdmaxpixel = 256;
  m.ccdresolution = 4;
  m.ccdvirtpixel = 1024;
  m.ccdsubpixel = 1024;
  m.ccdpixE = 1024;
  m.softversion = 305;
  m.hwtype = 500;
  m.firmware = "Q-ROX-MX-K20 firmware 3.05";
  FillMemories(m);
  return m;
}

SensorModel UnlistedModel() {
  SensorModel m = DefaultModel();
  m.ccdtype = 7;
  m.firmware = "Q-ROX sensor firmware 2.10";
  FillMemories(m);
  return m;
}

SensorModel Board0Model() {
  SensorModel m = DefaultModel();
  m.pcbtype = 0;
  m.firmware = "Q-ROX-MX board 0 firmware 3.02";
  return m;
}

}  // namespace sim
