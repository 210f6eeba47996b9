// Health counts of the line against the simulated sensor with injected faults, the rate
// of a RUN against the line's limit, and where the counts are shown.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "com232/com232.h"
#include "engine/engine.h"
#include "service/service.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/events.h"

namespace {

struct Counts {
  long exchanges, replies, timeouts, discarded;
  bool operator==(const Counts&) const = default;
};

Counts Now() {
  const LinkHealth& h = GetLinkHealth();
  return {h.exchanges, h.replies, h.timeouts, h.discarded};
}

Counts Minus(const Counts& a, const Counts& b) {
  return {a.exchanges - b.exchanges, a.replies - b.replies, a.timeouts - b.timeouts,
          a.discarded - b.discarded};
}

std::ostream& operator<<(std::ostream& o, const Counts& c) {
  return o << "{" << c.exchanges << " requests, " << c.replies << " replies, " << c.timeouts
           << " time-outs, " << c.discarded << " discarded}";
}

std::string StatusTooltip() {
  char text[1024] = "";
  GetCtrlAttribute(pHandle, MAIN_STATUS, ATTR_TOOLTIP_TEXT, text, sizeof text);
  return text;
}

class HealthTest : public AppTest {
 protected:
  // One echo check with `faults` in force; what it added to the counts.
  Counts EchoWith(const sim::Faults& faults) {
    sensor->SetFaults(faults);
    const Counts before = Now();
    CheckComLine(com);
    sensor->SetFaults({});
    return Minus(Now(), before);
  }
};

TEST_F(HealthTest, CountsFollowTheInjectedFaults) {
  const Counts start = Now();
  StartApp(sim::DefaultModel());
  // Echo, identification, both RAM halves, firmware text: five requests, five replies.
  EXPECT_EQ(Minus(Now(), start), (Counts{5, 5, 0, 0}));

  struct Case {
    const char* fault;
    void (*set)(sim::Faults&);
    Counts expected;
  };
  const Case cases[] = {
      {"none", [](sim::Faults&) {}, {1, 1, 0, 0}},
      {"wrong sync", [](sim::Faults& f) { f.wrongSync = true; }, {1, 0, 0, 1}},
      {"truncated", [](sim::Faults& f) { f.truncateTo = 20; }, {1, 0, 1, 1}},
      {"silent", [](sim::Faults& f) { f.silent = true; }, {1, 0, 1, 0}},
      {"garbage before", [](sim::Faults& f) { f.garbageBefore = 7; }, {1, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    sim::Faults f;
    c.set(f);
    EXPECT_EQ(EchoWith(f), c.expected) << c.fault;
  }
  // A GET with its second reply dropped: two requests, one reply, one time-out.
  sim::Faults f;
  f.dropReplyNumber = static_cast<int>(sensor->Received().size()) + 1;
  sensor->SetFaults(f);
  const Counts beforeGet = Now();
  CallCtrlCallback(pHandle, MAIN_GET, EVENT_COMMIT);
  EXPECT_EQ(Minus(Now(), beforeGet), (Counts{2, 1, 1, 0}));

  // The totals stand in the status line's tooltip.
  const Counts total = Now();
  std::ostringstream line;
  line << "Line: " << total.exchanges << " requests, " << total.replies << " replies, "
       << total.timeouts << " time-outs, " << total.discarded << " replies discarded";
  EXPECT_NE(StatusTooltip().find(line.str()), std::string::npos) << StatusTooltip();
}

TEST_F(HealthTest, RunRateIsMeasuredAgainstTheLinesLimitAndTracedAtExit) {
  const std::string trace = "/tmp/qrox-health-trace-" + std::to_string(getpid()) + ".log";
  SetTraceFile(trace);
  StartApp(sim::DefaultModel(), Paced());
  const size_t before = disptest::FramesWith(*sensor, CMD_MEAS_FRAME).size();
  const double t0 = Timer();
  StopWhen([t0] { return Timer() - t0 > 1.0; });
  CallCtrlCallback(pHandle, MAIN_RUN, EVENT_COMMIT);
  const size_t requests = disptest::FramesWith(*sensor, CMD_MEAS_FRAME).size() - before;

  const LinkHealth& h = GetLinkHealth();
  // Every request but perhaps the last, cut off by STOP, was answered.
  EXPECT_GE(h.runFrames, static_cast<long>(requests) - 1);
  EXPECT_LE(h.runFrames, static_cast<long>(requests));
  EXPECT_NEAR(h.runSeconds, 1.0, 0.3);
  EXPECT_NEAR(h.runRate, h.runFrames / h.runSeconds, 1e-9);
  EXPECT_GT(h.runRate, 10.0);
  EXPECT_LE(h.runRate, LineLimit() * 1.02);  // the paced line cannot go faster
  EXPECT_NEAR(LineLimit(), 26.67, 0.01);
  EXPECT_NE(StatusTooltip().find("frames/s, "), std::string::npos) << StatusTooltip();
  EXPECT_NE(StatusTooltip().find("% of the line's 26.7"), std::string::npos) << StatusTooltip();

  ServiceShutDown();
  pHandle = 0;
  SetTraceFile("");
  std::ifstream in(trace);
  std::stringstream text;
  text << in.rdbuf();
  // One line of the trace: the counts, then the last RUN.
  EXPECT_NE(text.str().find(" HEALTH " + OneLine(LinkHealthText()) + "\n"), std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find(" / Last RUN: " + std::to_string(h.runFrames) + " frames"),
            std::string::npos);
  std::remove(trace.c_str());
}

TEST_F(HealthTest, APortChangeDuringRunEndsItsMeasurementFirst) {
  StartApp(sim::DefaultModel());
  long atStart = GetLinkHealth().replies, atChange = 0;
  DoWhen([&] { return (atChange = GetLinkHealth().replies) > atStart + 3; },
         [] { CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_COMMIT); });
  CallCtrlCallback(pHandle, MAIN_RUN, EVENT_COMMIT);
  EXPECT_EQ(GetLinkHealth().runFrames, atChange - atStart);  // not the new set-up's replies
}

}  // namespace
