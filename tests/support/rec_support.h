// Helpers of the recorder, teach/reset and X-FLASH tests.
#pragma once

#include <QTimer>
#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "sim/sim.h"

namespace rectest {

// Runs `action` once, from the event processing of whatever loop runs, as soon as
// `condition` holds (checked every 5 ms).
inline void DoWhen(std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action]() {
    if (!condition()) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start();
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A 36-byte command frame: start word, command, argument, 15 data words, big-endian.
inline std::array<uint8_t, 36> MakeFrame(uint16_t command, uint16_t argument,
                                         const std::array<uint16_t, 15>& data) {
  std::array<uint8_t, 36> f{};
  auto put = [&f](int at, uint16_t w) {
    f[at] = static_cast<uint8_t>(w >> 8);
    f[at + 1] = static_cast<uint8_t>(w & 0xFF);
  };
  put(0, 0x0055);
  put(2, command);
  put(4, argument);
  for (int k = 0; k < 15; k++) put(6 + 2 * k, data[k]);
  return f;
}

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
