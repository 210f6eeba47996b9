// Small helpers shared by the identification, exchange and parameter-file tests.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "shell/globals.h"
#include "sim/sim.h"

namespace identtest {

inline std::vector<std::pair<int, int>> CommandsAndArguments(
    const std::vector<sim::Frame>& frames) {
  std::vector<std::pair<int, int>> out;
  for (const auto& f : frames) out.emplace_back(f.command(), f.argument());
  return out;
}

inline std::string TextOf(int panel, int control) {
  char text[512] = "";
  GetCtrlVal(panel, control, text, sizeof text);
  return text;
}

inline int Attr(int panel, int control, int attribute) {
  int value = -1;
  GetCtrlAttribute(panel, control, attribute, &value);
  return value;
}

inline std::string Label(int panel, int control) {
  char text[256] = "";
  GetCtrlAttribute(panel, control, ATTR_LABEL_TEXT, text, sizeof text);
  return text;
}

inline std::string ListLabel(int panel, int control, int index) {
  char text[256] = "";
  GetLabelFromIndex(panel, control, index, text, sizeof text);
  return text;
}

inline std::vector<std::string> InfoBox() {
  std::vector<std::string> lines;
  for (int i = 0; i < 4; ++i) {
    char text[256] = "";
    GetTextBoxLine(pCalib, CALIB_INFO, i, text, sizeof text);
    lines.push_back(text);
  }
  return lines;
}

inline int IntOf(int panel, int control) {
  int v = -12345;
  GetCtrlVal(panel, control, &v);
  return v;
}

inline double DoubleOf(int panel, int control) {
  double v = -12345.0;
  GetCtrlVal(panel, control, &v);
  return v;
}

// The descriptor as the program has it before the first identification (the load-time
// values; InitVars sets the rest). Globals outlive a test, so each start begins here.
inline void ResetDescriptor() {
  softversion = 0;
  ccdtype = 0;
  ccdresolution = 0;
  ccdsubpixel = 0;
  ccdpixB = 0;
  ccdpixE = 0;
  adcmax = 0;
}

// The 36 bytes of a command frame, written out from the frame format.
inline std::array<uint8_t, 36> FrameBytes(uint16_t command, uint16_t argument,
                                          const std::vector<uint16_t>& words) {
  std::array<uint8_t, 36> b{};
  b[0] = 0x00;
  b[1] = 0x55;
  b[2] = command >> 8;
  b[3] = command & 0xFF;
  b[4] = argument >> 8;
  b[5] = argument & 0xFF;
  for (size_t k = 0; k < 15 && k < words.size(); ++k) {
    b[6 + 2 * k] = words[k] >> 8;
    b[7 + 2 * k] = words[k] & 0xFF;
  }
  return b;
}

inline std::vector<uint16_t> Words(const std::array<uint16_t, 15>& a) {
  return std::vector<uint16_t>(a.begin(), a.end());
}

inline std::vector<uint16_t> SetWords(int first, int count) {
  return std::vector<uint16_t>(&parameter[first], &parameter[first + count]);
}

}  // namespace identtest
