// The 36 bytes of a command frame as the sensor reads them: start word 0x0055, command,
// argument and 15 data words (those not given are 0), each big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

// Compares with a received frame's bytes; converts to a byte vector for the raw line.
struct FrameBytes36 : std::array<uint8_t, 36> {
  operator std::vector<uint8_t>() const { return {begin(), end()}; }
};

inline FrameBytes36 FrameBytes(uint16_t command, uint16_t argument,
                               std::span<const uint16_t> data = {}) {
  FrameBytes36 f{};
  auto put = [&f](size_t at, uint16_t w) {
    f[at] = static_cast<uint8_t>(w >> 8);
    f[at + 1] = static_cast<uint8_t>(w & 0xFF);
  };
  put(0, 0x0055);
  put(2, command);
  put(4, argument);
  for (size_t k = 0; k < 15 && k < data.size(); ++k) put(6 + 2 * k, data[k]);
  return f;
}

inline FrameBytes36 FrameBytes(uint16_t command, uint16_t argument,
                               std::initializer_list<uint16_t> data) {
  return FrameBytes(command, argument, std::span(data.begin(), data.size()));
}
