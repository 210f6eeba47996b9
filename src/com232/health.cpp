// Health of the serial line: requests sent, replies received, waits that timed out and
// replies thrown away, and the frame rate of the last RUN against the line's limit.
#include <cstdio>
#include <string>

#include "com232/com232.h"
#include "engine/engine.h"

namespace {

// A RUN exchange is a 36-byte request and a 36-byte reply, 10 bits a byte at 19200 baud.
constexpr double kLineLimit = 19200.0 / 10.0 / (2 * FRAME_LEN);

LinkHealth health;
long runRepliesAtStart = 0;
double runStart = 0.0;

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

void LinkCountExchange() {
  health.exchanges++;
}

void LinkCountReply() {
  health.replies++;
}

void LinkCountTimeout() {
  health.timeouts++;
  // Bytes still waiting when the wait gives up are a reply cut short: the next request's
  // flush throws them away.
  if (GetInQLen(com) > 0) health.discarded++;
}

void LinkCountDiscarded() {
  health.discarded++;
}

void LinkRunStarted() {
  runRepliesAtStart = health.replies;
  runStart = Timer();
}

void LinkRunEnded() {
  health.runFrames = health.replies - runRepliesAtStart;
  health.runSeconds = Timer() - runStart;
  health.runRate = health.runSeconds > 0 ? health.runFrames / health.runSeconds : 0.0;
}

std::string OneLine(std::string text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
    text.replace(at, 1, " / ");
  return text;
}

void TraceLinkHealth() {
  TraceText("HEALTH", OneLine(LinkHealthText()));
}

const LinkHealth& GetLinkHealth() {
  return health;
}

std::string LinkHealthText() {
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
