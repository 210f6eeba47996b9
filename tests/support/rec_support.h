// Helpers of the recorder, teach/reset and X-FLASH tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim.h"
#include "support/test_files.h"

namespace rectest {

// Word i (0-based) of a reply's byte run, big-endian.
inline uint16_t ReplyWord(const sim::Reply& r, int i) {
  return static_cast<uint16_t>(r.bytes.at(2 * i) << 8 | r.bytes.at(2 * i + 1));
}

inline std::vector<sim::Frame> FramesWithCommand(const std::vector<sim::Frame>& frames,
                                                 uint16_t command) {
  std::vector<sim::Frame> out;
  for (const auto& f : frames)
    if (f.command() == command) out.push_back(f);
  return out;
}

}  // namespace rectest
