// GET and SEND against the simulated sensor in all three layouts: the frames on the wire
// byte for byte, the panels after a GET, the source/target radio buttons, the help texts
// and the time-outs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "operations/operations.h"
#include "service/service.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"

using namespace identtest;

namespace {

class ExchangeTest : public AppTest {
 protected:
  // Puts distinct values into every parameter control.
  void FillPanels() {
    SetCtrlVal(pPara2, PARA2_POWER, 321);
    SetCtrlVal(pPara2, PARA2_POWERMODE, 0);
    SetCtrlVal(pPara1, PARA1_POLARITY, 0);
    SetCtrlVal(pPara1, PARA1_EVALMODE, 2);
    SetCtrlVal(pHandle, MAIN_EBEG, 11);
    SetCtrlVal(pHandle, MAIN_EEND, 2222);
    SetCtrlVal(pPara2, PARA2_SETPOINT, 1234);
    SetCtrlVal(pPara1, PARA1_TOLERANCE, 55);
    SetCtrlVal(pPara1, PARA1_TOLERANCE_UP, 66);
    SetCtrlVal(pPara1, PARA1_AVERAGE, 8);
    SetCtrlVal(pPara1, PARA1_TRIGMODE, 2);
    SetCtrlVal(pPara1, PARA1_ANAMODE, 3);
    SetCtrlVal(pPara1, PARA1_OPTION5, 1);
    SetCtrlVal(pCalib, CALIB_OPMODE, 1);
    SetCtrlVal(pPara1, PARA1_HWMODE, 2);
    SetCtrlVal(pPara1, PARA1_HOLD, 200);
    SetCtrlVal(pPara2, PARA2_THRESHOLD, 33);
    SetCtrlVal(pCalib, CALIB_SLOPE, 1.5);
    SetCtrlVal(pCalib, CALIB_OFFSET, -5);
  }

  // Presses a main-panel button (commit).
  static void Press(int control) { CallCtrlCallback(pHandle, control, EVENT_COMMIT); }

  // Switches a radio button on or off as the user does.
  static void Radio(int control, int value) {
    SetCtrlVal(pHandle, control, value);
    CallCtrlCallback(pHandle, control, EVENT_VAL_CHANGED);
  }

  static std::vector<int> Radios() {
    return {IntOf(pHandle, MAIN_RAM), IntOf(pHandle, MAIN_EEPROM), IntOf(pHandle, MAIN_FILE)};
  }

  // Data words of half 1 after a GET from the sensor's RAM with the given slope and offset.
  std::vector<uint16_t> Half1(u32 slope, int offset) const {
    const auto ram1 = sensor->Model().ram[1];
    std::vector<uint16_t> w(ram1.begin(), ram1.begin() + 11);
    const u32 off = static_cast<u32>(offset);
    w.push_back(slope & 0xFFFF);
    w.push_back(slope >> 16);
    w.push_back(off & 0xFFFF);
    w.push_back(off >> 16);
    return w;
  }

  void ExpectSendFrames(uint16_t command, const std::vector<uint16_t>& half0,
                        const std::vector<uint16_t>& half1) {
    ASSERT_TRUE(sensor->WaitForFrames(2, 2.0));
    const auto frames = sensor->Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, FrameBytes(command, 0, half0));
    EXPECT_EQ(frames[1].bytes, FrameBytes(command, 1, half1));
    // The second half follows the first after the 0.1 s pause.
    EXPECT_GE(frames[1].time - frames[0].time, 0.095);
    EXPECT_LT(frames[1].time - frames[0].time, 0.5);
    EXPECT_EQ(parameter[0], 0x55);
    EXPECT_EQ(parameter[1], command);
    EXPECT_EQ(parameter[2], 1);
  }
};

}  // namespace

TEST_F(ExchangeTest, SendToRamInTheDefaultLayout) {
  Start(sim::DefaultModel());
  FillPanels();
  Press(MAIN_SEND);
  // Slope 1.5 is 24576 in the default layout; offset -5 as two's complement.
  ExpectSendFrames(1, {321, 0, 0, 2, 11, 2222, 1234, 55, 8, 2, 3, 1, 1, 2, 33}, Half1(24576, -5));
  EXPECT_EQ(Status(), "Line Ok!");
  // The sensor took both halves into its RAM.
  EXPECT_EQ(Words(sensor->Model().ram[0]),
            (std::vector<uint16_t>{321, 0, 0, 2, 11, 2222, 1234, 55, 8, 2, 3, 1, 1, 2, 33}));
  // The other layouts were not read from the panels.
  EXPECT_EQ(SetWords(18, 15),
            (std::vector<uint16_t>{500, 1, 1, 1, 1, 1024, 512, 100, 100, 1, 0, 0, 0, 1, 40}));
}

TEST_F(ExchangeTest, SendToRamInTheD303Layout) {
  Start(sim::D303Model());
  FillPanels();
  Press(MAIN_SEND);
  // Tolerance-up, then tolerance-low; no option 5; slope 1.5 is 1536 here.
  ExpectSendFrames(1, {321, 0, 0, 2, 11, 2222, 1234, 66, 55, 8, 2, 3, 1, 2, 33}, Half1(1536, -5));
  EXPECT_EQ(Status(), "Line Ok!");
}

TEST_F(ExchangeTest, SendToEepromInTheMX400Layout) {
  Start(sim::MX400Model());
  parameter[47] = 0xA5A5;  // carried unchanged, never read from a panel
  Radio(MAIN_EEPROM, 1);
  EXPECT_EQ(target, EEPROM);
  FillPanels();
  Press(MAIN_SEND);
  ExpectSendFrames(3, {321, 0, 0, 2, 11, 2222, 1234, 66, 55, 8, 2, 3, 200, 33, 0xA5A5},
                   Half1(1536, -5));
  EXPECT_EQ(
      Words(sensor->Model().eeprom[0]),
      (std::vector<uint16_t>{321, 0, 0, 2, 11, 2222, 1234, 66, 55, 8, 2, 3, 200, 33, 0xA5A5}));
}

TEST_F(ExchangeTest, GetFromRamInEachLayoutSendsTheCurrentHalvesAndShowsTheReply) {
  struct Case {
    sim::SensorModel model;
    int base;
  };
  for (const Case& c :
       {Case{sim::DefaultModel(), 3}, Case{sim::D303Model(), 18}, Case{sim::MX400Model(), 33}}) {
    SCOPED_TRACE(c.base);
    if (sensor) TearDown();
    Start(c.model);
    sim::SensorModel m = c.model;
    m.ram[0][0] = 777;   // power
    m.ram[0][6] = 1500;  // set-point
    m.ram[1][0] = 4242;
    m.ram[1][11] = 2048;  // slope 2.0 (D303/MX400) or 0.125 (default)
    sensor->SetModel(m);

    const std::vector<uint16_t> half0 = SetWords(c.base, 15);
    std::vector<uint16_t> half1 = SetWords(48, 11);
    for (int i = 60; i < 64; ++i) half1.push_back(parameter[i]);

    const double t0 = Timer();
    Press(MAIN_GET);
    EXPECT_GE(Timer() - t0, 0.2);  // two pauses of 0.1 s
    const auto frames = sensor->Received();
    ASSERT_EQ(frames.size(), 2u);
    // Each request carries the half as the set held it before the reply.
    EXPECT_EQ(frames[0].bytes, FrameBytes(2, 0, half0));
    EXPECT_EQ(frames[1].bytes, FrameBytes(2, 1, half1));
    EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
    EXPECT_EQ(SetWords(c.base, 15), Words(m.ram[0]));
    EXPECT_EQ(parameter[48], 4242);
    EXPECT_EQ(parameter[60], 2048);
    EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 777);
    EXPECT_EQ(IntOf(pPara2, PARA2_SETPOINT), 1500);
    float slope = 0;
    GetCtrlVal(pCalib, CALIB_SLOPE, &slope);
    EXPECT_FLOAT_EQ(slope, c.base == 3 ? 0.125f : 2.0f);
  }
}

TEST_F(ExchangeTest, GetFromEepromUsesCommand4AndRefreshesThePanelsAfterTheSecondHalf) {
  Start(sim::D303Model());
  Radio(MAIN_EEPROM, 1);
  EXPECT_EQ(Radios(), (std::vector<int>{0, 1, 0}));
  Press(MAIN_GET);
  const auto frames = sensor->Received();
  EXPECT_EQ(CommandsAndArguments(frames), (std::vector<std::pair<int, int>>{{4, 0}, {4, 1}}));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_GE(frames[1].time - frames[0].time, 0.095);
  const auto model = sim::D303Model();
  EXPECT_EQ(SetWords(18, 15), Words(model.eeprom[0]));
  EXPECT_EQ(parameter[48], model.eeprom[1][0]);
  EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 450);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE_UP), 80);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE), 80);
  EXPECT_EQ(parameter[1], CMD_GET_EEPROM);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
}

TEST_F(ExchangeTest, GetCorrectsOutOfRangeWordsFromTheSensor) {
  Start(sim::D303Model());
  sim::SensorModel m = sim::D303Model();
  m.ram[0][3] = 5;     // evaluation mode -> 4
  m.ram[0][4] = 5000;  // E-BEG above 4096 -> 1
  m.ram[0][5] = 0;     // E-END 0 -> 256 in this layout
  m.ram[0][14] = 2;    // threshold -> 10
  sensor->SetModel(m);
  Press(MAIN_GET);
  EXPECT_EQ(parameter[21], 4);
  EXPECT_EQ(parameter[22], 1);
  EXPECT_EQ(parameter[23], 256);
  EXPECT_EQ(parameter[32], 10);
  EXPECT_EQ(IntOf(pPara1, PARA1_EVALMODE), 4);
  EXPECT_EQ(IntOf(pHandle, MAIN_EBEG), 1);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 256);
  EXPECT_EQ(thdArray[0], ADCMAX * 10 / 100);
}

TEST_F(ExchangeTest, GetWithASilentSensorTimesOutTwiceAndShowsTheUnchangedSet) {
  Start(sim::DefaultModel());
  sim::Faults faults;
  faults.silent = true;
  sensor->SetFaults(faults);
  parameter[3] = 777;  // a word changed behind the panel's back shows after the GET
  const std::vector<uint16_t> before = SetWords(0, 64);
  const double t0 = Timer();
  Press(MAIN_GET);
  const double elapsed = Timer() - t0;
  EXPECT_GE(elapsed, 3.2);
  EXPECT_LT(elapsed, 4.5);
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  EXPECT_EQ(CommandsAndArguments(sensor->Received()),
            (std::vector<std::pair<int, int>>{{2, 0}, {2, 1}}));
  EXPECT_EQ(SetWords(3, 61), std::vector<uint16_t>(before.begin() + 3, before.end()));
  EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 777);
}

TEST_F(ExchangeTest, RadioButtonsKeepExactlyOneSourceSelected) {
  Start(sim::DefaultModel());
  EXPECT_EQ(target, RAM);
  EXPECT_EQ(Radios(), (std::vector<int>{1, 0, 0}));
  Radio(MAIN_FILE, 1);
  EXPECT_EQ(target, DATFILE);
  EXPECT_EQ(Radios(), (std::vector<int>{0, 0, 1}));
  Radio(MAIN_EEPROM, 1);
  EXPECT_EQ(target, EEPROM);
  EXPECT_EQ(Radios(), (std::vector<int>{0, 1, 0}));
  // Switching the selected button off falls back to RAM.
  Radio(MAIN_EEPROM, 0);
  EXPECT_EQ(target, RAM);
  EXPECT_EQ(Radios(), (std::vector<int>{1, 0, 0}));
  Radio(MAIN_RAM, 0);
  EXPECT_EQ(target, RAM);
  EXPECT_EQ(Radios(), (std::vector<int>{1, 0, 0}));
  // Commit and right click change nothing.
  SetCtrlVal(pHandle, MAIN_FILE, 1);
  CallCtrlCallback(pHandle, MAIN_FILE, EVENT_COMMIT);
  EXPECT_EQ(target, RAM);
  SetCtrlVal(pHandle, MAIN_FILE, 0);

  Radio(MAIN_FILE, 1);
  SelectRAM();
  EXPECT_EQ(target, RAM);
  EXPECT_EQ(Radios(), (std::vector<int>{1, 0, 0}));
  EXPECT_TRUE(sensor->Received().empty());
}

TEST_F(ExchangeTest, RightClickShowsTheHelpTextsBesideTheButtons) {
  Start(sim::DefaultModel());
  int top = 0, left = 0, height = 0, width = 0;
  GetCtrlBoundingRect(pHandle, MAIN_GET, &top, &left, &height, &width);
  CallCtrlCallback(pHandle, MAIN_GET, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1),
            "GET-BUTTON:\nGet parameter-frame of Q-ROX sensor\nfrom EEPROM- or RAM-memory ...");
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_LEFT), left + width + 20);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_TOP), top - 20);
  CallCtrlCallback(pHandle, MAIN_GET, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);

  GetCtrlBoundingRect(pHandle, MAIN_SEND, &top, &left, &height, &width);
  CallCtrlCallback(pHandle, MAIN_SEND, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1),
            "SEND-BUTTON:\nSend parameter-frame to EEPROM- or\nRAM-memory of the Q-ROX-sensor!");
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_LEFT), left + width + 20);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_TOP), top - 20);
  // Nothing went over the line.
  EXPECT_TRUE(sensor->Received().empty());
}

TEST_F(ExchangeTest, SendToAClosedPortLeavesOutLineOk) {
  Start(sim::DefaultModel());
  CloseCom(com);
  Press(MAIN_SEND);
  EXPECT_EQ(Status(), "Transmit...");
  EXPECT_TRUE(sensor->Received().empty());
}
