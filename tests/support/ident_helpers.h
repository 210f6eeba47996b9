// Small helpers shared by the identification, exchange and parameter-file tests.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "shell/globals.h"
#include "sim/sim.h"
#include "support/frame_bytes.h"

namespace identtest {

inline std::vector<std::pair<int, int>> CommandsAndArguments(
    const std::vector<sim::Frame>& frames) {
  std::vector<std::pair<int, int>> out;
  for (const auto& f : frames) out.emplace_back(f.command(), f.argument());
  return out;
}

inline std::string TextOf(int panel, int control) {
  char text[1024] = "";
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

inline std::vector<uint16_t> Words(const std::array<uint16_t, 15>& a) {
  return std::vector<uint16_t>(a.begin(), a.end());
}

inline std::vector<uint16_t> SetWords(int first, int count) {
  return std::vector<uint16_t>(&parameter[first], &parameter[first + count]);
}

}  // namespace identtest
