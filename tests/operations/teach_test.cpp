// Teach and reset against the simulated sensor: the frames on the wire, the read-back of
// the parameter set, the cursor rule, time-outs, the set-point field and the help texts.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "com232/com232.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "support/app_fixture.h"
#include "support/events.h"
#include "support/frame_bytes.h"
#include "support/rec_support.h"

namespace {

using rectest::FramesWithCommand;

class TeachTest : public AppTest {
 protected:
  static std::array<uint16_t, 15> Packet() {
    std::array<uint16_t, 15> words{};
    for (int k = 0; k < 15; k++) words[k] = pp[k];
    return words;
  }
  static void Cursor(double* x, double* y) { GetGraphCursor(pHandle, MAIN_BAR_GRAPH, 1, x, y); }
};

TEST_F(TeachTest, SetPointFieldStaysInsideThePixelRange) {
  LoadPanelsOnly();
  ccdvirtpixel = 4096;
  struct Case {
    unsigned short typed, kept;
  } cases[] = {{0, 1}, {1, 1}, {2048, 2048}, {4096, 4096}, {4097, 4095}, {65535, 4095}};
  for (const Case& c : cases) {
    SetCtrlVal(pPara2, PARA2_SETPOINT, c.typed);
    CallCtrlCallback(pPara2, PARA2_SETPOINT, EVENT_COMMIT);
    unsigned short v = 0;
    GetCtrlVal(pPara2, PARA2_SETPOINT, &v);
    EXPECT_EQ(v, c.kept) << "typed " << c.typed;
  }
  // The parameter set is not touched by the field.
  const u16 before = parameter[9];
  SetCtrlVal(pPara2, PARA2_SETPOINT, static_cast<unsigned short>(777));
  CallCtrlCallback(pPara2, PARA2_SETPOINT, EVENT_COMMIT);
  EXPECT_EQ(parameter[9], before);
}

TEST_F(TeachTest, TeachWithoutARunningLoopReadsTheSetBackAndLeavesTheCursor) {
  StartApp(sim::DefaultModel());
  ASSERT_EQ(stop_flag, 1);
  SetCtrlVal(pPara2, PARA2_SETPOINT, static_cast<unsigned short>(1234));
  // Half 0 as the panel holds it: the teach frame must carry exactly this.
  GetPanelValuesLive();
  CopyVarsToPP(0);
  const auto half0 = Packet();
  ASSERT_EQ(half0[6], 1234);
  double x0 = 0, y0 = 0;
  Cursor(&x0, &y0);
  sensor->ClearReceived();

  CallCtrlCallback(pPara2, PARA2_TEACH, EVENT_COMMIT);

  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].bytes, FrameBytes(CMD_TEACH, 0, half0));
  EXPECT_EQ(frames[1].command(), CMD_GET_RAM);
  EXPECT_EQ(frames[1].argument(), 0);
  EXPECT_EQ(frames[2].command(), CMD_GET_RAM);
  EXPECT_EQ(frames[2].argument(), 1);
  EXPECT_GE(frames[2].time - frames[1].time, 0.09);
  EXPECT_EQ(sensor->TeachCount(), 1);
  // The sensor's new set-point has come back into the set and onto the panel.
  const uint16_t taught = sensor->Model().ram[0][6];
  EXPECT_EQ(parameter[9], taught);
  unsigned short field = 0;
  GetCtrlVal(pPara2, PARA2_SETPOINT, &field);
  EXPECT_EQ(field, taught);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
  EXPECT_EQ(parameter[1], CMD_GET_RAM);
  double x = 0, y = 0;
  Cursor(&x, &y);
  EXPECT_EQ(x, x0);
  EXPECT_EQ(y, y0);
  EXPECT_EQ(stop_flag, 1);
}

TEST_F(TeachTest, TeachDuringRunMovesTheSetPointCursor) {
  StartApp(sim::DefaultModel());
  bool taught = false;
  int flagAfterTeach = -1;
  double x = -1, y = -1;
  DoWhen([this] { return FramesWithCommand(sensor->Received(), CMD_MEAS_FRAME).size() >= 3; },
         [&] {
           CallCtrlCallback(pPara2, PARA2_TEACH, EVENT_COMMIT);
           taught = true;
           flagAfterTeach = stop_flag;
           Cursor(&x, &y);
         });
  StopWhen([&] { return taught; });
  CallCtrlCallback(pHandle, MAIN_RUN, EVENT_COMMIT);
  ASSERT_TRUE(taught);
  EXPECT_EQ(flagAfterTeach, 0);
  EXPECT_EQ(sensor->TeachCount(), 1);
  EXPECT_EQ(parameter[9], sensor->Model().ram[0][6]);
  EXPECT_EQ(x, parameter[9]);
  EXPECT_EQ(y, 0.75);
}

TEST_F(TeachTest, TeachTimeoutStopsAndKeepsCommandWord) {
  StartAppSilent();
  stop_flag = 0;  // as if a transfer loop were running: the time-out ends it
  double x0 = 0, y0 = 0;
  Cursor(&x0, &y0);
  std::string during;
  DoWhen([] { return true; }, [&] { during = Status(); });
  sensor->ClearReceived();
  const double t0 = Timer();
  CallCtrlCallback(pPara2, PARA2_TEACH, EVENT_COMMIT);
  const double seconds = Timer() - t0;
  EXPECT_GE(seconds, 1.5);
  EXPECT_LT(seconds, 2.2);
  EXPECT_EQ(during, "New setpoint value teached!");
  EXPECT_EQ(Status(), "Timeout RS232-Line!");
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(parameter[1], CMD_TEACH);
  double x = 0, y = 0;
  Cursor(&x, &y);
  EXPECT_EQ(x, x0);
  EXPECT_EQ(y, y0);
  // Only the teach frame went out: no read-back after a time-out.
  ASSERT_TRUE(sensor->WaitForFrames(1, 1.0));
  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].command(), CMD_TEACH);
}

TEST_F(TeachTest, ResetWithAndWithoutAnswer) {
  StartApp(sim::DefaultModel());
  // The packet goes out with whatever it holds.
  for (int k = 0; k < 16; k++) pp[k] = static_cast<u16>(0x0101 * (k + 1));
  const auto packet = Packet();
  sensor->ClearReceived();
  CallCtrlCallback(pHandle, MAIN_RESET, EVENT_COMMIT);
  auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].bytes, FrameBytes(CMD_RESET_MAXMIN, 0, packet));
  EXPECT_EQ(sensor->ResetCount(), 1);
  EXPECT_EQ(Status(), "Reset of analog-output Max/Min OK!");
  EXPECT_STREQ(szStatus, "Reset of analog-output Max/Min OK!");
  EXPECT_EQ(parameter[1], CMD_RESET_MAXMIN);

  sim::Faults faults;
  faults.silent = true;
  sensor->SetFaults(faults);
  std::string during;
  DoWhen([] { return true; }, [&] { during = Status(); });
  // As if a transfer loop were running: unlike teach, a reset time-out does not end it.
  stop_flag = 0;
  const double t0 = Timer();
  CallCtrlCallback(pHandle, MAIN_RESET, EVENT_COMMIT);
  const double seconds = Timer() - t0;
  EXPECT_GE(seconds, 1.5);
  EXPECT_LT(seconds, 2.2);
  EXPECT_EQ(during, "Reset Max/Min values...");
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  EXPECT_EQ(parameter[1], CMD_RESET_MAXMIN);
  EXPECT_EQ(stop_flag, 0);
}

TEST_F(TeachTest, HelpTextsOfTeachAndReset) {
  LoadPanelsOnly();
  char text[256] = "";
  int visible = -1, left = -1, top = -1;
  int cTop = 0, cLeft = 0, cHeight = 0, cWidth = 0, pLeft = 0, pTop = 0;

  CallCtrlCallback(pPara2, PARA2_TEACH, EVENT_RIGHT_CLICK);
  GetCtrlVal(pHandle, MAIN_HELP1, text, sizeof text);
  EXPECT_STREQ(text,
               "TEACH-BUTTON:\nStart teach procedure at Q-ROX-sensor.\nThe actual "
               "pixel-position == teach value");
  GetPanelAttribute(pPara2, ATTR_LEFT, &pLeft);
  GetPanelAttribute(pPara2, ATTR_TOP, &pTop);
  GetCtrlBoundingRect(pPara2, PARA2_TEACH, &cTop, &cLeft, &cHeight, &cWidth);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_LEFT, &left);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_TOP, &top);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_VISIBLE, &visible);
  EXPECT_EQ(left, pLeft + 80 + cLeft);
  EXPECT_EQ(top, pTop + cTop - 10);
  EXPECT_EQ(visible, 1);

  CallCtrlCallback(pHandle, MAIN_RESET, EVENT_RIGHT_CLICK);
  GetCtrlVal(pHandle, MAIN_HELP1, text, sizeof text);
  EXPECT_STREQ(text,
               "RESET-BUTTON:\nReset the actual maxima und minima\nvalues at the "
               "Q-ROX-hardware.\nNo software/hardware reset is done !");
  GetCtrlBoundingRect(pHandle, MAIN_RESET, &cTop, &cLeft, &cHeight, &cWidth);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_LEFT, &left);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_TOP, &top);
  EXPECT_EQ(left, cLeft + cWidth + 10);
  EXPECT_EQ(top, cTop - 10);
  // A second right click on a shown box hides it.
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 0);
}

}  // namespace
