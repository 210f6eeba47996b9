// Health of the serial line: requests sent, replies received, waits that timed out and
// replies thrown away, and the frame rate of the last RUN against the line's limit.
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "service/service.h"

namespace {

// A RUN exchange is a 36-byte request and a 36-byte reply, 10 bits a byte at 19200 baud.
constexpr double kLineLimit = 19200.0 / 10.0 / (2 * FRAME_LEN);

struct RunMeasurement {
  bool running = false;
  long repliesAtStart = 0;
  double start = 0.0;
  long frames = 0;
  double seconds = 0.0;
};
RunMeasurement run;

// The last hint and the health of the line, as the status line's tooltip gives them.
std::string HealthTip() {
  std::string tip = LinkNoteText();
  if (!tip.empty()) tip += "\n\n";
  return tip + LinkHealthText();
}

}  // namespace

// The counts change with every exchange; the tip is made when someone looks at it.
void ShowHealthTip() {
  SetCtrlTooltipSource(pHandle, MAIN_STATUS, HealthTip);
}

double LineLimit() {
  return kLineLimit;
}

void LinkRunStarted() {
  run.running = true;
  run.repliesAtStart = GetLinkCounts().replies;
  run.start = Timer();
}

void LinkRunEnded() {
  if (!run.running) return;
  run.running = false;
  run.frames = GetLinkCounts().replies - run.repliesAtStart;
  run.seconds = Timer() - run.start;
}

std::string OneLine(std::string text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
    text.replace(at, 1, " / ");
  return text;
}

void TraceLinkHealth() {
  TraceText("HEALTH", OneLine(LinkHealthText()));
}

LinkHealth GetLinkHealth() {
  LinkHealth health;
  static_cast<LinkCounts&>(health) = GetLinkCounts();
  health.runFrames = run.frames;
  health.runSeconds = run.seconds;
  health.runRate = run.seconds > 0 ? run.frames / run.seconds : 0.0;
  return health;
}

std::string LinkHealthText() {
  const LinkHealth health = GetLinkHealth();
  char text[256];
  std::snprintf(text, sizeof text,
                "Line: %ld requests, %ld replies, %ld time-outs, %ld replies discarded",
                health.exchanges, health.replies, health.timeouts, health.discarded);
  std::string out = text;
  if (health.runSeconds > 0) {
    std::snprintf(text, sizeof text,
                  "\nLast RUN: %ld frames in %.1f s = %.1f frames/s, %.0f %% of the line's %.1f",
                  health.runFrames, health.runSeconds, health.runRate,
                  100.0 * health.runRate / kLineLimit, kLineLimit);
    out += text;
  }
  return out;
}
