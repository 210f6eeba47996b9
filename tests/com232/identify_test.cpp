// Start-up identification of each model group against the simulated sensor: the frames on
// the wire, the sensor-information box, the relabelled lists, the shown/hidden/dimmed
// controls, the derived descriptor values and the status texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com232/com232.h"
#include "operations/operations.h"
#include "shell/globals.h"
#include "shell/status.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"

using namespace identtest;

namespace {

const std::vector<std::pair<int, int>> kStartFrames = {{5, 0}, {10, 0}, {2, 0}, {2, 1}, {7, 0}};
const std::string kBlank25(25, ' ');

class IdentifyTest : public AppTest {
 protected:
  // Identifies again against `model` (as after a port change), without the rest of the
  // start-up.
  int Reidentify(const sim::SensorModel& model) {
    sensor->SetModel(model);
    return GetHARDWAREInfo();
  }

  void ExpectXArrayStep(double step) {
    for (int i = 0; i < 256; ++i) ASSERT_EQ(xArray[i], i * step) << "element " << i;
  }

  void ExpectVideoAxis(double max) {
    int mode = -1;
    double lo = 0, hi = 0;
    GetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_XAXIS, &mode, &lo, &hi);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(lo, 1.0);
    EXPECT_EQ(hi, max);
  }
};

}  // namespace

TEST_F(IdentifyTest, EdgeClassModelWithFirmware302) {
  StartApp(sim::DefaultModel());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);

  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"Q-ROX-MX-K1", "1024-pixel;  7.8µm pixel-pitch",
                                                 "4096-subpixel;  resolution=1µm",
                                                 "working-range = 37 +/- 2.0mm"}));
  EXPECT_EQ(ccdtype, 1);
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(softversion, 302);
  EXPECT_EQ(ccdmaxpixel, 1024);
  EXPECT_EQ(ccdresolution, 4);
  EXPECT_EQ(pcbtype, 101);
  EXPECT_EQ(ccdsubpixel, 2048);
  EXPECT_EQ(ccdpixB, 1);
  EXPECT_EQ(ccdpixE, 4096);
  EXPECT_EQ(adcmax, 255);
  EXPECT_EQ(HWTYPE, 1);
  EXPECT_EQ(ADCMAX, 256);  // anything but 1024 gives 256
  EXPECT_EQ(pixB, 1);
  EXPECT_EQ(pixE, 4096);
  ExpectXArrayStep(16);
  ExpectVideoAxis(4096);

  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 0), "LEFT-EDGE");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 1), "RIGHT-EDGE");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 2), "WIDTH");
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  // Firmware 302 changes only the analogue-output item: the tolerance controls, option 5
  // and the hold time keep the state of the resource file.
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE");
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_DIMMED), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pHandle, MAIN_SEND, ATTR_DIMMED), 0);

  // Both halves of the RAM reached the default layout and the panels.
  const auto model = sim::DefaultModel();
  EXPECT_EQ(SetWords(3, 15), Words(model.ram[0]));
  EXPECT_EQ(SetWords(48, 11),
            std::vector<uint16_t>(model.ram[1].begin(), model.ram[1].begin() + 11));
  EXPECT_EQ(SetWords(60, 4), std::vector<uint16_t>(model.ram[1].begin() + 11, model.ram[1].end()));
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 4096);
  EXPECT_EQ(IntOf(pPara2, PARA2_SETPOINT), 2048);
  EXPECT_EQ(Status(), model.firmware);
}

TEST_F(IdentifyTest, EdgeClassModelWithFirmware305UsesTheTwoToleranceSetUp) {
  StartApp(sim::D303Model());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"Q-ROX-MX-K3", "1024-pixel;  7.8µm pixel-pitch",
                                                 "4096-subpixel;  resolution=3µm",
                                                 "working-range = 55mm +/- 5.0mm"}));
  EXPECT_EQ(HWTYPE, 1);
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE), 1);
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE-LOW");
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_LABEL_BOLD), 1);
  EXPECT_EQ(pixE, 4096);

  // The D303 layout holds the RAM; the default layout keeps the panel values of start-up.
  const auto model = sim::D303Model();
  EXPECT_EQ(SetWords(18, 15), Words(model.ram[0]));
  EXPECT_EQ(SetWords(3, 15),
            (std::vector<uint16_t>{500, 1, 1, 1, 1, 1024, 512, 100, 1, 0, 0, 0, 0, 1, 40}));
  // S = 1024 and 100 pixels of tolerance: 0.1 mm on both displays.
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.1);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.1);
  EXPECT_EQ(Status(), model.firmware);
}

TEST_F(IdentifyTest, PeakClassRelabelsTheEvaluationModesAndTheSetUpIsCumulative) {
  StartApp(sim::PeakModel());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"Q-ROX-MX-K6", "1024-pixel; 7.8µm pixel-pitch",
                                                 "4096-subpixel; resolution=5µm",
                                                 "working-range = 80mm +/- 10mm"}));
  EXPECT_EQ(HWTYPE, 2);
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 0), "LEFT-PEAK");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 1), "RIGHT-PEAK");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 2), "PEAK-TO-PEAK");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 3), "CENTER");  // item 3 is not touched

  // A two-tolerance firmware first ...
  sim::SensorModel k7 = sim::D303Model();
  k7.hwtype = 110;
  ASSERT_EQ(Reidentify(k7), 1);
  EXPECT_EQ(InfoBox()[0], "Q-ROX-MX-K7");
  EXPECT_EQ(HWTYPE, 1);
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 0), "LEFT-EDGE");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 2), "WIDTH");
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 0);

  // ... then an old firmware (below 302): single tolerance, option 5 shown but dimmed,
  // hardware mode undimmed; the analogue item keeps the label an earlier set-up gave it.
  sim::SensorModel old = sim::DefaultModel();
  old.hwtype = 10450;
  old.softversion = 301;
  old.ccdvirtpixel = 2048;
  SetCtrlAttribute(pPara1, PARA1_HWMODE, ATTR_DIMMED, 1);
  ASSERT_EQ(Reidentify(old), 1);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"Q-ROX-MX-K18", "1024-pixel; 7.8µm pixel-pitch",
                                                 "4096-subpixel; resolution=150µm",
                                                 "working-range = 285mm ...715mm"}));
  EXPECT_EQ(HWTYPE, 2);
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE");
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_DIMMED), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_HWMODE, ATTR_DIMMED), 0);
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  EXPECT_EQ(pixE, 2048);
  ExpectXArrayStep(8);

  // An unlisted hardware type of the family keeps box and class: the set-up of the peak
  // class is applied again with the new pixel range.
  sim::SensorModel unknown = sim::DefaultModel();
  unknown.hwtype = 90;
  unknown.ccdvirtpixel = 1024;
  unknown.adcmax = 1024;
  ASSERT_EQ(Reidentify(unknown), 1);
  EXPECT_EQ(InfoBox()[0], "Q-ROX-MX-K18");
  EXPECT_EQ(HWTYPE, 2);
  EXPECT_EQ(pixE, 1024);
  EXPECT_EQ(ADCMAX, 1024);
}

TEST_F(IdentifyTest, UnlistedHardwareTypeBeforeAnyClassTouchesNothingButADCMAXAndSend) {
  sim::SensorModel m = sim::DefaultModel();
  m.hwtype = 90;
  m.adcmax = 1024;
  m.ccdvirtpixel = 2048;
  m.softversion = 305;
  StartApp(m);
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(HWTYPE, 0);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V");
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE");
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 1);
  EXPECT_EQ(pixB, 1);
  EXPECT_EQ(pixE, 1024);  // start value, not ccdvirtpixel
  EXPECT_EQ(ADCMAX, 1024);
  EXPECT_EQ(Attr(pHandle, MAIN_SEND, ATTR_DIMMED), 0);
  ExpectXArrayStep(8);
}

TEST_F(IdentifyTest, MX400ModelSetsUpTheHoldTimeAndTheMX400Layout) {
  StartApp(sim::MX400Model());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"Q-ROX-MX-K19", "512-pixel;  12.5µm pixel-pitch",
                                                 "1024-subpixel;  resolution=+/-0.4mm",
                                                 "working-range = 50mm ... 450mm"}));
  EXPECT_EQ(HWTYPE, 1);
  EXPECT_EQ(ADCMAX, 256);
  EXPECT_EQ(pixB, 1);
  EXPECT_EQ(pixE, 1024);
  ExpectXArrayStep(4);
  ExpectVideoAxis(1024);
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 0), "LEFT-EDGE");
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HWMODE, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pCalib, CALIB_OPMODE, ATTR_DIMMED), 1);
  EXPECT_EQ(Attr(pCalib, CALIB_OPMODE, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE), 1);
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE-LOW");
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_LABEL_BOLD), 1);
  EXPECT_EQ(Attr(pHandle, MAIN_SEND, ATTR_DIMMED), 0);
  EXPECT_EQ(LiveLayout(), LAYOUT_MX400);

  const auto model = sim::MX400Model();
  EXPECT_EQ(SetWords(33, 15), Words(model.ram[0]));
  EXPECT_EQ(IntOf(pPara1, PARA1_HOLD), 100);
  EXPECT_EQ(Status(), model.firmware);
}

TEST_F(IdentifyTest, Type4WithHardwareType401GetsTheSetUpButNoLabelAndNoMX400Layout) {
  sim::SensorModel m = sim::MX400Model();
  m.hwtype = 401;
  m.adcmax = 1024;
  m.ram[0][13] = 1;  // the RAM as a D303-layout sensor keeps it
  m.ram[0][14] = 40;
  StartApp(m);
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(HWTYPE, 0);
  EXPECT_EQ(ADCMAX, 1024);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HWMODE, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pCalib, CALIB_OPMODE, ATTR_DIMMED), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 1);
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE-LOW");
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  // Firmware 305 without hardware type 400: the D303 layout is live and took the RAM.
  EXPECT_EQ(LiveLayout(), LAYOUT_D303);
  EXPECT_EQ(SetWords(18, 15), Words(sensor->Model().ram[0]));
}

TEST_F(IdentifyTest, K20ModelOfType101) {
  StartApp(sim::K20Model());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"Q-ROX-MX-K20", "256-pixel;  63.5µm pixel-pitch",
                                                 "1024-subpixel; resolution=0.5mm",
                                                 "working-range = 35mm ... 460mm"}));
  EXPECT_EQ(HWTYPE, 0);  // type 101 leaves the class alone
  EXPECT_EQ(pixB, 1);
  EXPECT_EQ(pixE, 1024);
  EXPECT_EQ(ADCMAX, 256);
  ExpectXArrayStep(4);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HWMODE, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 1);
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE-LOW");
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  EXPECT_EQ(ListLabel(pPara1, PARA1_EVALMODE, 0), "LEFT-EDGE");
  EXPECT_EQ(Attr(pCalib, CALIB_OPMODE, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pHandle, MAIN_SEND, ATTR_DIMMED), 0);
  EXPECT_EQ(LiveLayout(), LAYOUT_D303);
  EXPECT_EQ(Status(), sim::K20Model().firmware);

  // Another type-101 hardware: only ADCMAX and SEND; box and controls stay.
  sim::SensorModel other = sim::K20Model();
  other.hwtype = 501;
  other.adcmax = 1024;
  other.ccdvirtpixel = 512;
  ASSERT_EQ(Reidentify(other), 1);
  EXPECT_EQ(InfoBox()[0], "Q-ROX-MX-K20");
  EXPECT_EQ(pixE, 1024);
  EXPECT_EQ(ADCMAX, 1024);
  ExpectXArrayStep(2);
}

TEST_F(IdentifyTest, UnlistedCCDTypeDimsSendAndAListedOneUndimsIt) {
  StartApp(sim::UnlistedModel());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(InfoBox(),
            (std::vector<std::string>{"No information avialable!", kBlank25, kBlank25, kBlank25}));
  EXPECT_EQ(ListLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V/SET");
  EXPECT_EQ(Label(pPara1, PARA1_TOLERANCE), "TOLERANCE");
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_OPTION5, ATTR_DIMMED), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_HOLD, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pPara1, PARA1_HWMODE, ATTR_VISIBLE), 0);
  EXPECT_EQ(pixB, 1);
  EXPECT_EQ(pixE, 1024);
  EXPECT_EQ(ADCMAX, 1024);
  EXPECT_EQ(HWTYPE, 0);
  EXPECT_EQ(Attr(pHandle, MAIN_SEND, ATTR_DIMMED), 1);
  EXPECT_EQ(Status(), sim::UnlistedModel().firmware);

  ASSERT_EQ(Reidentify(sim::DefaultModel()), 1);
  EXPECT_EQ(Attr(pHandle, MAIN_SEND, ATTR_DIMMED), 0);
  EXPECT_EQ(InfoBox()[0], "Q-ROX-MX-K1");
  EXPECT_EQ(ADCMAX, 256);
}

TEST_F(IdentifyTest, UnlistedSubpixelCountFallsBackTo1024AfterSettingTheAxis) {
  sim::SensorModel m = sim::DefaultModel();
  m.ccdvirtpixel = 3000;
  m.adcmax = 1023;
  StartApp(m);
  ExpectVideoAxis(3000);
  EXPECT_EQ(ccdvirtpixel, 1024);
  ExpectXArrayStep(4);
  EXPECT_EQ(pixE, 1024);
  EXPECT_EQ(ADCMAX, 256);
}

TEST_F(IdentifyTest, WrongCommandEchoKeepsThePreviousDescriptor) {
  sim::Faults faults;
  faults.wrongEchoFor = CMD_HARDWARE_INFO;
  sim::SensorModel mx = sim::MX400Model();
  StartApp(mx, Unpaced(), faults);
  // Start-up went on with the parameter read and the firmware text.
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(softversion, 0);
  EXPECT_EQ(ccdtype, 0);
  EXPECT_EQ(ccdvirtpixel, 4096);
  EXPECT_EQ(pcbtype, 101);
  EXPECT_EQ(HWTYPE, 0);
  EXPECT_EQ(ADCMAX, 255);
  EXPECT_EQ(pixE, 1024);
  EXPECT_EQ(InfoBox(), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(LiveLayout(), LAYOUT_DEFAULT);

  // Identified once, a later bad reply leaves that identification in force.
  sensor->SetFaults({});
  ASSERT_EQ(Reidentify(sim::D303Model()), 1);
  EXPECT_EQ(hwtype, 55);
  faults.wrongEchoFor = CMD_HARDWARE_INFO;
  sensor->SetFaults(faults);
  sensor->ClearReceived();
  EXPECT_EQ(Reidentify(mx), 0);
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), (std::vector<std::pair<int, int>>{{10, 0}}));
  EXPECT_EQ(hwtype, 55);
  EXPECT_EQ(softversion, 305);
  EXPECT_EQ(ccdtype, 1);
  EXPECT_EQ(ccdvirtpixel, 4096);
  EXPECT_EQ(ccdmaxpixel, 1024);
  EXPECT_EQ(pixE, 4096);
  EXPECT_EQ(InfoBox()[0], "Q-ROX-MX-K3");
  ExpectXArrayStep(16);
  EXPECT_EQ(LiveLayout(), LAYOUT_D303);
}

TEST_F(IdentifyTest, HardwareFrameCarriesTheCurrentPacket) {
  StartApp(sim::DefaultModel());
  // Request 10 goes out with whatever pp held after the echo check: half 0 of the panels.
  const auto frames = sensor->Received();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[1].bytes,
            FrameBytes(10, 0, {500, 1, 1, 1, 1, 1024, 512, 100, 1, 0, 0, 0, 0, 1, 40}));
  // The firmware request carries pp as the second GET reply left it (half 1 of the RAM).
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[4].bytes, FrameBytes(7, 0, sim::DefaultModel().ram[1]));
  EXPECT_EQ(parameter[1], CMD_FIRMWARE_INFO);
  EXPECT_EQ(parameter[2], 0);
}

TEST_F(IdentifyTest, BoardType0FirmwareTextIsOneCharacterPerWord) {
  StartApp(sim::Board0Model());
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(Status(), "Q-ROX-MX board 0 firmware 3.02");
  EXPECT_STREQ(szVersion, "Q-ROX-MX board 0 firmware 3.02");

  // Words 86, 51, 46, 0, ...: "V3." and nothing after the zero.
  sim::SensorModel m = sim::Board0Model();
  m.firmware = std::string("V3.") + '\0' + "hidden";
  sensor->SetModel(m);
  EXPECT_EQ(GetVERSIONInfo(), 72);
  EXPECT_STREQ(szVersion, "V3.");
  EXPECT_EQ(Status(), "V3.");

  // 36 characters fill every word.
  m.firmware = std::string(36, 'x');
  sensor->SetModel(m);
  EXPECT_EQ(GetVERSIONInfo(), 72);
  EXPECT_EQ(std::string(szVersion), std::string(36, 'x'));
}

TEST_F(IdentifyTest, FirmwareTextOf72CharactersIsCutToTheStatusBuffer) {
  sim::SensorModel m = sim::D303Model();
  std::string text;
  for (int i = 0; i < 72; ++i) text += static_cast<char>('A' + i % 26);
  m.firmware = text;
  StartApp(m);
  EXPECT_EQ(szStatus[STATUS_LEN - 1], '\0');
  EXPECT_EQ(std::string(szStatus), text.substr(0, 71));
  EXPECT_EQ(Status(), text.substr(0, 71));
  EXPECT_STREQ(szVersion, "");  // only board type 0 fills szVersion
  // The receive callback is back: a GET still works.
  PushGET(static_cast<u16>(RAM), 0);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
}

TEST_F(IdentifyTest, SilentHardwareAnswerAndEveryLaterStepTimesOut) {
  sim::Faults faults;
  faults.silentAfter = 1;  // only the echo is answered
  const double t0 = Timer();
  StartApp(sim::MX400Model(), Unpaced(), faults);
  const double elapsed = Timer() - t0;
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  // Four waits of 1.5 s: identification, two halves, firmware text.
  EXPECT_GE(elapsed, 6.0);
  EXPECT_LT(elapsed, 9.0);
  // The sensor was not identified: that stays in the status line, not the later errors.
  EXPECT_EQ(Status(), "Error reading HARDWARE-info!");
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(HWTYPE, 0);
  EXPECT_EQ(LiveLayout(), LAYOUT_DEFAULT);
  EXPECT_EQ(SetWords(3, 15),
            (std::vector<uint16_t>{500, 1, 1, 1, 1, 1024, 512, 100, 1, 0, 0, 0, 0, 1, 40}));
}

TEST_F(IdentifyTest, EachStepTimesOutOnItsOwn) {
  // The identification reply is lost: the descriptor keeps its start values, the rest runs.
  sim::Faults faults;
  faults.dropReplyNumber = 1;
  StartApp(sim::D303Model(), Unpaced(), faults);
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(softversion, 0);
  EXPECT_EQ(LiveLayout(), LAYOUT_DEFAULT);
  EXPECT_EQ(SetWords(3, 15), Words(sim::D303Model().ram[0]));  // went into the default layout
  EXPECT_EQ(Status(), "Error reading HARDWARE-info!");  // not the firmware text read after it

  // Half 0 is lost: it keeps its words, half 1 arrives.
  faults = {};
  sensor->SetFaults(faults);
  sensor->SetModel(sim::D303Model());
  ASSERT_EQ(GetHARDWAREInfo(), 1);
  const auto ram1 = sim::D303Model().ram[1];
  const std::vector<uint16_t> before = SetWords(18, 15);
  for (int i = 48; i < 64; ++i) parameter[i] = 0;
  faults.silent = true;
  sensor->SetFaults(faults);
  PushGET(static_cast<u16>(RAM), 0);
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  EXPECT_EQ(SetWords(18, 15), before);
  sensor->SetFaults({});
  PushGET(static_cast<u16>(RAM), 1);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
  EXPECT_EQ(SetWords(48, 11), std::vector<uint16_t>(ram1.begin(), ram1.begin() + 11));

  // The firmware text is lost: its own time-out text, a count below 72.
  faults = {};
  faults.silent = true;
  sensor->SetFaults(faults);
  const double t0 = Timer();
  EXPECT_EQ(GetVERSIONInfo(), 0);
  EXPECT_GE(Timer() - t0, 1.5);
  EXPECT_EQ(Status(), "Timeout - reading firmware info!");

  // A cut firmware text: the bytes that came are counted, the text is not shown.
  faults = {};
  faults.truncateTo = 50;
  sensor->SetFaults(faults);
  SetStatus("before");
  EXPECT_EQ(GetVERSIONInfo(), 50);
  EXPECT_EQ(Status(), "Timeout - reading firmware info!");
}

TEST_F(IdentifyTest, FirmwareTimeOutAtStartUpIsReportedByTheStartUp) {
  sim::Faults faults;
  faults.dropReplyNumber = 4;
  StartApp(sim::DefaultModel(), Unpaced(), faults);
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  EXPECT_EQ(Status(), "Error reading firmware-info!");
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(HWTYPE, 1);  // identification itself succeeded
}

TEST_F(IdentifyTest, MoreThan72FirmwareBytesAreReadButNotShown) {
  sim::Faults faults;
  faults.extraAfter = 9;
  StartApp(sim::K20Model(), Unpaced(), faults);
  EXPECT_EQ(CommandsAndArguments(sensor->Received()), kStartFrames);
  // All 81 bytes are read; no text is shown and no error reported: the status line keeps
  // the text of the parameter read.
  EXPECT_EQ(nBytesR, 81);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");

  sim::SensorModel m = sim::Board0Model();
  m.firmware = "B0";
  sensor->SetModel(m);
  pcbtype = 0;
  EXPECT_EQ(GetVERSIONInfo(), 81);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
  EXPECT_STREQ(szVersion, "");
  // The noise is gone: the next request gets its own reply.
  PushGET(static_cast<u16>(RAM), 0);
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
}
