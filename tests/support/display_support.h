// Helpers of the display, RUN and VIDEO tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "shell/globals.h"
#include "sim/sim.h"
#include "support/ident_helpers.h"

namespace disptest {

inline std::array<double, 2> Cursor(int panel, int control, int cursor) {
  double x = -1, y = -1;
  GetGraphCursor(panel, control, cursor, &x, &y);
  return {x, y};
}

// Frames the sensor received with command `command`.
inline std::vector<sim::Frame> FramesWith(const sim::SimHost& host, uint16_t command) {
  std::vector<sim::Frame> out;
  for (const auto& f : host.Received())
    if (f.command() == command) out.push_back(f);
  return out;
}

// A profile whose every word differs, with high and low bytes both in use.
inline std::array<uint16_t, 256> DistinctProfile(uint16_t seed) {
  std::array<uint16_t, 256> p{};
  for (int k = 0; k < 256; ++k) p[k] = static_cast<uint16_t>(seed + 257 * k + (k % 7));
  return p;
}

}  // namespace disptest
