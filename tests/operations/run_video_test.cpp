// RUN, STOP and VIDEO against the simulated sensor: the request chain on the wire, the
// history and the strip chart, dimming, time-outs, a vanished sensor, STOP, a port
// change and closing the main panel while a loop runs.
#include <gtest/gtest.h>

#include <QWidget>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "operations/operations.h"
#include "service/service.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/events.h"

namespace {

using disptest::DistinctProfile;
using disptest::FramesWith;
using identtest::Attr;

class RunVideoTest : public AppTest {
 protected:
  // Frames with command 8 received so far.
  size_t MeasRequests() const { return FramesWith(*sensor, CMD_MEAS_FRAME).size(); }
  // Runs `press` (RUN or VIDEO commit) and returns how long the loop ran.
  static double RunLoop(int button) {
    const double t0 = Timer();
    CallCtrlCallback(pHandle, button, EVENT_COMMIT);
    return Timer() - t0;
  }
  static void ExpectIdleButtons() {
    EXPECT_EQ(Attr(pHandle, MAIN_RUN, ATTR_DIMMED), 0);
    EXPECT_EQ(Attr(pHandle, MAIN_VIDEO, ATTR_DIMMED), 0);
  }
  void SilenceFromNow(int k) {
    sim::Faults faults;
    faults.silentAfter = static_cast<int>(sensor->Received().size()) + k;
    sensor->SetFaults(faults);
  }
};

TEST_F(RunVideoTest, RunChainsRequestsFillsHistoryAndStops) {
  StartApp(sim::DefaultModel());
  const std::array<uint16_t, 16> m = {1000, 1300, 1000, 500,  0,   1010, 20,  2,
                                      1,    2,    0,    1200, 800, 0,    200, 0};
  sensor->FixMeasurement(m);
  SetCtrlVal(pHandle, MAIN_FILE, 1);
  SetCtrlVal(pHandle, MAIN_RAM, 0);
  target = DATFILE;
  std::fill(arrayNORM, arrayNORM + 600, -1.0);
  const size_t before = MeasRequests();
  bool dimmedWhileRunning = false;
  bool rollShown = false;
  DoWhen([&] { return MeasRequests() >= before + 5; },
         [&] {
           dimmedWhileRunning = Attr(pHandle, MAIN_RUN, ATTR_DIMMED) == 1 &&
                                Attr(pHandle, MAIN_VIDEO, ATTR_DIMMED) == 1;
           rollShown = Attr(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE) == 1 &&
                       Attr(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE) == 0;
         });
  StopWhen([&] { return MeasRequests() >= before + 120; });
  RunLoop(MAIN_RUN);

  EXPECT_TRUE(dimmedWhileRunning);
  EXPECT_TRUE(rollShown);
  ExpectIdleButtons();
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(rx_flag, 0);
  EXPECT_EQ(graph_flag, 0);
  EXPECT_EQ(target, RAM);
  EXPECT_EQ(identtest::IntOf(pHandle, MAIN_RAM), 1);
  EXPECT_EQ(identtest::IntOf(pHandle, MAIN_FILE), 0);

  // Every request: command 8, argument 0; the follow-ups carry half 0 of the set.
  const auto frames = FramesWith(*sensor, CMD_MEAS_FRAME);
  ASSERT_GE(frames.size(), before + 120);
  CopyVarsToPP(0);
  for (size_t i = before + 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].argument(), 0);
    for (int k = 0; k < 15; ++k) ASSERT_EQ(frames[i].data(k), pp[k]) << i << " " << k;
  }

  // The history holds one sample per frame drawn: the whole screen is this run's.
  for (int k = 0; k < 100; ++k) {
    const double* s = arrayNORM + 6 * k;
    ASSERT_DOUBLE_EQ(s[0], 1030) << k;  // P + tol
    ASSERT_DOUBLE_EQ(s[1], 990) << k;
    ASSERT_DOUBLE_EQ(s[2], 1010) << k;
    ASSERT_DOUBLE_EQ(s[3], 1000) << k;
  }
  const auto trace = GetStripChartTrace(pHandle, MAIN_ROLL_GRAPH, 4);
  ASSERT_EQ(trace.size(), 101u);
  EXPECT_TRUE(std::all_of(trace.begin(), trace.end(), [](double v) { return v == 1000; }));
  EXPECT_EQ(parameter[9], 1010);
  EXPECT_EQ(Ledge, 1000);
  EXPECT_EQ(Redge, 1300);
  const auto bar = GetGraphPlots(pHandle, MAIN_BAR_GRAPH);
  ASSERT_FALSE(bar.empty());
  EXPECT_DOUBLE_EQ(bar[0].x1, 1000);
  EXPECT_DOUBLE_EQ(bar[0].x2, 1300);
  EXPECT_EQ(Attr(pHandle, MAIN_MM_VALUE, ATTR_TEXT_BGCOLOR), 0x008000);
}

TEST_F(RunVideoTest, StopPressSetsTheFlagBeforeCommit) {
  StartApp(sim::DefaultModel());
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, 1);
  stop_flag = 0;
  CallCtrlCallback(pHandle, MAIN_STOP, EVENT_LEFT_CLICK);
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(Attr(pPara2, PARA2_TEACH, ATTR_DIMMED), 1);  // only the flag at the press
  stop_flag = 0;
  CallCtrlCallback(pHandle, MAIN_STOP, EVENT_KEYPRESS);
  EXPECT_EQ(stop_flag, 1);
  stop_flag = 0;
  CallCtrlCallback(pHandle, MAIN_STOP, EVENT_COMMIT);
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(Attr(pPara2, PARA2_TEACH, ATTR_DIMMED), 0);
  ExpectIdleButtons();
  // PushSTOP does the same.
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 1);
  stop_flag = 0;
  PushSTOP();
  EXPECT_EQ(stop_flag, 1);
  ExpectIdleButtons();
}

TEST_F(RunVideoTest, SilentSensorDuringRunEndsWithTimeout) {
  StartApp(sim::DefaultModel());
  const size_t before = MeasRequests();
  DoWhen([&] { return MeasRequests() >= before + 10; }, [&] { SilenceFromNow(0); });
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, 0);
  RunLoop(MAIN_RUN);
  const double ended = sim::SteadyNow();
  EXPECT_EQ(Status(), "Timeout RS232-Line!");
  EXPECT_EQ(stop_flag, 1);
  ExpectIdleButtons();
  EXPECT_EQ(Attr(pPara2, PARA2_TEACH, ATTR_DIMMED), 0);
  // The loop gave up TIMEOUT after its last, unanswered request, not earlier and not
  // much later, and sent no other.
  const auto frames = FramesWith(*sensor, CMD_MEAS_FRAME);
  ASSERT_GT(frames.size(), before + 10);
  // The sensor notes a request when its last byte has crossed the pty, a moment after the
  // program started its time-out clock: allow that transit (10 ms).
  const double waited = ended - frames.back().time;
  EXPECT_GE(waited, TIMEOUT - 0.01);
  EXPECT_LT(waited, TIMEOUT + 0.5);
  Pump(0.1);
  EXPECT_EQ(FramesWith(*sensor, CMD_MEAS_FRAME).size(), frames.size());
}

TEST_F(RunVideoTest, SilentSensorAtRunStartTimesOutTwice) {
  StartApp(sim::DefaultModel());
  SilenceFromNow(0);
  const size_t before = MeasRequests();
  TraceStatus();
  const double ran = RunLoop(MAIN_RUN);
  // The first request's wait times out, and the loop's first pass, counting from the
  // same start, at once again: two time-out texts within one TIMEOUT, one request.
  EXPECT_GT(ran, TIMEOUT);
  EXPECT_LT(ran, TIMEOUT + 0.5);
  EXPECT_EQ(TracedStatus(),
            (std::vector<std::string>{"Line Ok!", "Timeout RS232-Line!", "Timeout RS232-Line!"}));
  EXPECT_EQ(MeasRequests(), before + 1);
  EXPECT_EQ(Status(), "Timeout RS232-Line!");
  ExpectIdleButtons();
}

TEST_F(RunVideoTest, GarbageKeepsTheChainGoingAndUnplugEndsRunWithTimeout) {
  StartApp(sim::DefaultModel());
  // Garbage before every reply: no frame begins with the sync word, nothing is decoded or
  // drawn, but every reply lets the next request go out until STOP.
  size_t before = MeasRequests();
  DoWhen([&] { return MeasRequests() >= before + 10; },
         [&] {
           sim::Faults faults;
           faults.garbageBefore = 7;
           sensor->SetFaults(faults);
         });
  StopWhen([&] { return MeasRequests() >= before + 40; });
  double ran = RunLoop(MAIN_RUN);
  EXPECT_LT(ran, 6.0);
  EXPECT_GE(MeasRequests(), before + 40);
  EXPECT_NE(Status(), "Timeout RS232-Line!");
  ExpectIdleButtons();

  // Unplugged while running.
  sensor->SetFaults({});
  before = MeasRequests();
  DoWhen([&] { return MeasRequests() >= before + 10; }, [&] { sensor->Unplug(); });
  ran = RunLoop(MAIN_RUN);
  EXPECT_LT(ran, 5.0);
  // An unplugged line ends the run at once, not after a time-out, and is named as such.
  EXPECT_LT(ran, TIMEOUT);
  EXPECT_EQ(Status(), "Sensor disconnected - waiting for it to return ...");
  ExpectIdleButtons();
  EXPECT_EQ(stop_flag, 1);
}

// One reply that is not a frame (a wrong sync word, or three garbage bytes in front) is
// taken as received: RUN sends its next request at once and VIDEO goes on with its next
// pass; neither ends with a time-out.
TEST_F(RunVideoTest, OneBadReplyEndsNeitherRunNorVideo) {
  StartApp(sim::DefaultModel());
  for (const bool garbage : {false, true}) {
    SCOPED_TRACE(garbage ? "three garbage bytes" : "wrong sync word");
    for (const int button : {MAIN_RUN, MAIN_VIDEO}) {
      sim::Faults faults;
      // A measurement request: RUN sends nothing else, a VIDEO pass five requests.
      // The previous loop's last request may still be on its way to the sensor.
      faults.onlyReplyNumber = static_cast<int>(NextRequestNumber()) + (button == MAIN_RUN ? 3 : 5);
      faults.wrongSync = !garbage;
      faults.garbageBefore = garbage ? 3 : 0;
      sensor->SetFaults(faults);
      const size_t before = MeasRequests();
      const size_t sentBefore = sensor->Sent().size();
      const size_t goal = before + (button == MAIN_RUN ? 30 : 8);
      StopWhen([&] { return MeasRequests() >= goal; });
      const double ran = RunLoop(button);
      EXPECT_LT(ran, TIMEOUT);
      EXPECT_GE(MeasRequests(), goal);
      EXPECT_NE(Status(), "Timeout RS232-Line!");
      ExpectIdleButtons();
      // The bad reply was sent, and the requests went on right after it.
      const auto sent = sensor->Sent();
      EXPECT_TRUE(std::any_of(sent.begin() + sentBefore, sent.end(), [&](const sim::Reply& r) {
        return r.command == CMD_MEAS_FRAME &&
               (garbage ? r.bytes.size() == 39u : r.bytes[0] == 0xAA);
      }));
    }
  }
}

// One burst of 7 garbage bytes costs RUN the exchange it hits and at most the next one: the
// replies after it are decoded again (not thrown away until a pause realigns the line).
TEST_F(RunVideoTest, RunDecodesAgainAtTheSecondExchangeAfterABurst) {
  StartApp(sim::DefaultModel(), Paced());
  sim::Faults faults;
  faults.onlyReplyNumber = static_cast<int>(sensor->Received().size()) + 3;
  faults.garbageBefore = 7;
  sensor->SetFaults(faults);
  const long discarded = GetLinkHealth().discarded;
  StopWhen([&] { return sensor->Received().size() >= size_t(faults.onlyReplyNumber) + 6; });
  RunLoop(MAIN_RUN);
  EXPECT_GE(GetLinkHealth().discarded - discarded, 1);
  EXPECT_LE(GetLinkHealth().discarded - discarded, 2);
}

// The same for VIDEO after a burst before a measurement frame or a data block 1.6 s late:
// a whole pass (frame and four blocks) starts at the first or second request after it.
TEST_F(RunVideoTest, VideoFetchesAWholePassAtTheSecondRequestAfterABurstOrALateBlock) {
  StartApp(sim::DefaultModel(), Paced());
  for (const bool late : {false, true}) {
    SCOPED_TRACE(late ? "late block" : "burst");
    sim::Faults faults;
    const size_t hit = NextRequestNumber() + (late ? 2 : 5);  // block 1 / the second frame
    faults.onlyReplyNumber = static_cast<int>(hit);
    faults.garbageBefore = late ? 0 : 7;
    faults.replyDelay = late ? 1.6 : 0.0;
    sensor->SetFaults(faults);
    StopWhen([&] { return sensor->Received().size() >= hit + 8; });
    RunLoop(MAIN_VIDEO);
    std::vector<int> after;
    for (size_t i = hit + 1; i < hit + 8; ++i) after.push_back(sensor->Received()[i].command());
    const std::vector<int> pass = {CMD_MEAS_FRAME, CMD_DATA64, CMD_DATA64, CMD_DATA64, CMD_DATA64};
    EXPECT_LE(std::search(after.begin(), after.end(), pass.begin(), pass.end()) - after.begin(), 1);
  }
}

// Paced, so that the last RUN request's reply is still on its way when the port is opened
// again: it is not the echo check's answer, and the sensor is identified.
TEST_F(RunVideoTest, PortChangeDuringRunEndsItAndReconnects) {
  StartApp(sim::DefaultModel(), Paced());
  SetCtrlVal(pHandle, MAIN_COMPORT, 1);
  const size_t before = MeasRequests();
  const size_t echoesBefore = FramesWith(*sensor, CMD_ECHO).size();
  DoWhen([&] { return MeasRequests() >= before + 10; },
         [&] { CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_COMMIT); });
  const double ran = RunLoop(MAIN_RUN);
  EXPECT_LT(ran, 5.0);
  ExpectIdleButtons();
  EXPECT_EQ(stop_flag, 1);
  // The link was opened again with the echo check and the identification.
  EXPECT_EQ(FramesWith(*sensor, CMD_ECHO).size(), echoesBefore + 1);
  EXPECT_GE(FramesWith(*sensor, CMD_HARDWARE_INFO).size(), 2u);
  EXPECT_GE(FramesWith(*sensor, CMD_FIRMWARE_INFO).size(), 2u);
  const size_t after = MeasRequests();
  Pump(0.1);
  EXPECT_EQ(MeasRequests(), after);  // RUN is over
  EXPECT_EQ(Status(), sim::DefaultModel().firmware);
  // The line works: a fresh measurement frame.
  EXPECT_EQ(PushGETRAW(), 1);
}

TEST_F(RunVideoTest, ClosingTheMainPanelEndsRun) {
  StartApp(sim::DefaultModel());
  const size_t before = MeasRequests();
  // A real close of the window, as its close box gives it.
  DoWhen([&] { return MeasRequests() >= before + 10; }, [&] { PanelWidget(pHandle)->close(); });
  const double ran = RunLoop(MAIN_RUN);
  EXPECT_LT(ran, 1.0);  // ends at once, not by a time-out
  EXPECT_EQ(stop_flag, 1);
  const size_t after = MeasRequests();
  Pump(0.1);
  EXPECT_EQ(MeasRequests(), after);
  // The panels are still there until the shut-down discards them.
  ExpectIdleButtons();
}

TEST_F(RunVideoTest, VideoFetchesWholeProfileAndStops) {
  // Paced like the real line, so that STOP lands inside a block wait.
  StartApp(sim::DefaultModel(), Paced());
  WatchVideoCurves(nullptr);  // the designed drawing alone (diagnostics: videodiag_test)
  const auto profile = DistinctProfile(1);
  sensor->SetProfile(profile);
  const std::array<uint16_t, 16> m = {700, 900, 700, 0, 0, 700, 30, 2, 1, 2, 0, 0, 0, 0, 0, 0};
  sensor->FixMeasurement(m);
  SetCtrlVal(pHandle, MAIN_EEPROM, 1);
  SetCtrlVal(pHandle, MAIN_RAM, 0);
  target = EEPROM;
  std::fill(adcbuf, adcbuf + 256, 0);
  const size_t blocksBefore = FramesWith(*sensor, CMD_DATA64).size();
  bool dimmed = false;
  DoWhen([&] { return FramesWith(*sensor, CMD_DATA64).size() >= blocksBefore + 2; },
         [&] {
           dimmed = Attr(pHandle, MAIN_RUN, ATTR_DIMMED) == 1 &&
                    Attr(pHandle, MAIN_VIDEO, ATTR_DIMMED) == 1 &&
                    Attr(pPara2, PARA2_TEACH, ATTR_DIMMED) == 1 &&
                    Attr(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE) == 1 &&
                    Attr(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE) == 0;
         });
  // STOP during the third pass's block waits: that pass still completes.
  StopWhen([&] { return FramesWith(*sensor, CMD_DATA64).size() >= blocksBefore + 9; });
  // Start-up has already scaled the x axis for this sensor: undo that, so only VIDEO can
  // set it again.
  SetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_XAXIS, VAL_MANUAL, 0.0, 100.0);
  SetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_XAXIS, VAL_AUTOSCALE, 0.0, 0.0);
  RunLoop(MAIN_VIDEO);

  EXPECT_TRUE(dimmed);
  ExpectIdleButtons();
  EXPECT_EQ(Attr(pPara2, PARA2_TEACH, ATTR_DIMMED), 0);
  EXPECT_EQ(target, RAM);
  const auto blocks = FramesWith(*sensor, CMD_DATA64);
  ASSERT_EQ(blocks.size(), blocksBefore + 12);  // three whole passes
  for (size_t i = blocksBefore; i < blocks.size(); ++i)
    EXPECT_EQ(blocks[i].argument(), 64 * ((i - blocksBefore) % 4));
  for (int k = 0; k < 256; ++k) ASSERT_EQ(adcbuf[k], profile[k]) << k;
  const auto plots = GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH);
  ASSERT_EQ(plots.size(), 2u);
  for (int k = 0; k < 256; ++k) {
    ASSERT_DOUBLE_EQ(plots[0].y[k], profile[k]) << k;
    ASSERT_DOUBLE_EQ(plots[0].x[k], xArray[k]) << k;
  }
  int mode = -1;
  double lo = 0, hi = 0;
  GetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_XAXIS, &mode, &lo, &hi);
  EXPECT_EQ(mode, VAL_MANUAL);
  EXPECT_DOUBLE_EQ(lo, 1.0);
  EXPECT_DOUBLE_EQ(hi, 4096);
  EXPECT_DOUBLE_EQ(plots[0].x[1], 16);  // 4096 pixels: point k at 16 k
  // The bar graph shows the frame of the pass.
  EXPECT_EQ(identtest::IntOf(pHandle, MAIN_LEDGE), 700);
  // The receive callback is back: a plain request is answered through it.
  EXPECT_EQ(PushGETRAW(), 1);
}

TEST_F(RunVideoTest, VideoProfileMatchesTheMovingSensorProfile) {
  StartApp(sim::DefaultModel());
  WatchVideoCurves(nullptr);  // the designed drawing alone (diagnostics: videodiag_test)
  const size_t before = FramesWith(*sensor, CMD_DATA64).size();
  StopWhen([&] { return FramesWith(*sensor, CMD_DATA64).size() >= before + 1; });
  RunLoop(MAIN_VIDEO);
  // No measurement came after the last pass, so the sensor still holds its profile.
  const auto profile = sensor->Profile();
  for (int k = 0; k < 256; ++k) ASSERT_EQ(adcbuf[k], profile[k]) << k;
  const auto plots = GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH);
  ASSERT_EQ(plots.size(), 2u);
  for (int k = 0; k < 256; ++k) ASSERT_DOUBLE_EQ(plots[0].y[k], profile[k]) << k;
}

// The profile words carried by the block replies the sensor sent, in order.
std::vector<std::array<u16, 64>> BlockReplies(const sim::SimHost& host) {
  std::vector<std::array<u16, 64>> out;
  for (const auto& r : host.Sent()) {
    if (r.command != CMD_DATA64 || r.bytes.size() != 128) continue;
    std::array<u16, 64> words{};
    for (int i = 0; i < 64; ++i)
      words[i] = static_cast<u16>(r.bytes[2 * i] << 8 | r.bytes[2 * i + 1]);
    out.push_back(words);
  }
  return out;
}

TEST_F(RunVideoTest, FailingBlockCostsItsPassItsDrawingAndNothingElse) {
  StartApp(sim::DefaultModel());
  WatchVideoCurves(nullptr);  // the designed drawing alone (diagnostics: videodiag_test)
  // The moving profile changes with every measurement frame. Pass 1 is whole; block 2
  // of pass 2 gets no reply, and STOP comes while that block is awaited.
  const size_t start = sensor->Received().size();
  sim::Faults faults;
  faults.dropReplyNumber = static_cast<int>(start) + 5 + 3;
  sensor->SetFaults(faults);
  const size_t repliesBefore = BlockReplies(*sensor).size();
  StopWhen([&] {
    return sensor->Received().size() >= start + 9 && Status() == "Waiting for Data[64] Block 2 ...";
  });
  RunLoop(MAIN_VIDEO);
  ExpectIdleButtons();
  EXPECT_EQ(Status(), "Timeout-RS-232 while reading 64 data-words!");

  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), start + 9);  // block 3 of pass 2 never requested
  EXPECT_EQ(frames[start].command(), CMD_MEAS_FRAME);
  EXPECT_EQ(frames[start + 5].command(), CMD_MEAS_FRAME);
  EXPECT_EQ(frames[start + 8].command(), CMD_DATA64);
  EXPECT_EQ(frames[start + 8].argument(), 128);
  const auto replies = BlockReplies(*sensor);
  ASSERT_EQ(replies.size(), repliesBefore + 6);
  const auto* pass1 = &replies[repliesBefore];
  const auto* pass2 = &replies[repliesBefore + 4];
  ASSERT_NE(pass1[0], pass2[0]) << "the profile did not move";
  // Blocks 0 and 1 are new, blocks 2 and 3 keep the words of pass 1.
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(adcbuf[i], pass2[0][i]);
    ASSERT_EQ(adcbuf[64 + i], pass2[1][i]);
    ASSERT_EQ(adcbuf[128 + i], pass1[2][i]);
    ASSERT_EQ(adcbuf[192 + i], pass1[3][i]);
  }
  // The curve is that of pass 1: the failing pass drew nothing.
  const auto plots = GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH);
  ASSERT_EQ(plots.size(), 2u);
  for (int b = 0; b < 4; ++b)
    for (int i = 0; i < 64; ++i) ASSERT_DOUBLE_EQ(plots[0].y[64 * b + i], pass1[b][i]);
}

TEST_F(RunVideoTest, VideoGoesOnAfterAFailingBlock) {
  StartApp(sim::DefaultModel());
  WatchVideoCurves(nullptr);  // the designed drawing alone (diagnostics: videodiag_test)
  const size_t start = sensor->Received().size();
  sim::Faults faults;
  faults.dropReplyNumber = static_cast<int>(start) + 3;  // block 2 of pass 1
  sensor->SetFaults(faults);
  const size_t blocksBefore = FramesWith(*sensor, CMD_DATA64).size();
  StopWhen([&] { return FramesWith(*sensor, CMD_DATA64).size() >= blocksBefore + 4; });
  RunLoop(MAIN_VIDEO);
  const auto frames = sensor->Received();
  ASSERT_GE(frames.size(), start + 9);
  EXPECT_EQ(frames[start + 3].argument(), 128);
  EXPECT_EQ(frames[start + 4].command(), CMD_MEAS_FRAME);  // the next pass, block 3 skipped
  // The last pass was whole and drawn.
  const auto replies = BlockReplies(*sensor);
  ASSERT_GE(replies.size(), 4u);
  const auto plots = GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH);
  ASSERT_EQ(plots.size(), 2u);
  for (int b = 0; b < 4; ++b) {
    const auto& words = replies[replies.size() - 4 + b];
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(adcbuf[64 * b + i], words[i]);
      ASSERT_DOUBLE_EQ(plots[0].y[64 * b + i], words[i]);
    }
  }
  EXPECT_EQ((FramesWith(*sensor, CMD_DATA64).size() - blocksBefore) % 4, 3u);  // one block lost
  ExpectIdleButtons();
}

TEST_F(RunVideoTest, SilentOrUnpluggedSensorDuringVideoEndsIt) {
  StartApp(sim::DefaultModel());
  size_t before = sensor->Received().size();
  DoWhen([&] { return sensor->Received().size() >= before + 7; }, [&] { SilenceFromNow(0); });
  double ran = RunLoop(MAIN_VIDEO);
  EXPECT_LT(ran, 6.0);
  EXPECT_EQ(Status(), "Timeout RS232-Line!");
  ExpectIdleButtons();
  EXPECT_EQ(Attr(pPara2, PARA2_TEACH, ATTR_DIMMED), 0);

  sensor->SetFaults({});
  before = sensor->Received().size();
  DoWhen([&] { return sensor->Received().size() >= before + 7; }, [&] { sensor->Unplug(); });
  ran = RunLoop(MAIN_VIDEO);
  EXPECT_LT(ran, 6.0);
  EXPECT_EQ(Status(), "Sensor disconnected - waiting for it to return ...");
  ExpectIdleButtons();
}

TEST_F(RunVideoTest, ClosingTheMainPanelEndsVideo) {
  StartApp(sim::DefaultModel());
  const size_t before = sensor->Received().size();
  DoWhen([&] { return sensor->Received().size() >= before + 7; },
         [&] { CallPanelCallback(pHandle, EVENT_CLOSE); });
  const double ran = RunLoop(MAIN_VIDEO);
  EXPECT_LT(ran, 3.5);
  EXPECT_EQ(stop_flag, 1);
  ExpectIdleButtons();
}

}  // namespace
