// Values nobody edited go back unchanged: a parameter set read from the sensor is sent
// back byte for byte, and a parameter file read is written again byte for byte, also
// where a word lies outside what a control of the panel would once hold (a threshold
// above 100, a receiver operation mode other than 0 or 1, a slope beyond single
// precision, an averaging that is no item of the drop-down).
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "engine/engine_qt.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"
#include "support/parafile_support.h"

using namespace identtest;

namespace {

using Half = std::array<uint16_t, 15>;

// Half 1: eleven words no panel shows, the slope and the offset, low words first.
Half SecondHalf(u32 slope, int offset) {
  Half half{101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111};
  const u32 off = static_cast<u32>(offset);
  half[11] = static_cast<uint16_t>(slope & 0xFFFF);
  half[12] = static_cast<uint16_t>(slope >> 16);
  half[13] = static_cast<uint16_t>(off & 0xFFFF);
  half[14] = static_cast<uint16_t>(off >> 16);
  return half;
}

struct Case {
  const char* name;
  sim::SensorModel model;
  Half half0;
  Half half1;
  int thresholdSlot;
};

// Every word inside what the layout's write keeps, many outside the old controls' ranges.
std::vector<Case> Cases() {
  return {
      // Default layout (4096 sub-pixels): averaging 3, receiver mode 5, threshold 500, a
      // slope above 262143 x 16384 whose low bits single precision cannot hold.
      {"default",
       sim::DefaultModel(),
       {1000, 0, 0, 4, 2, 4000, 3333, 77, 3, 2, 7, 1, 5, 2, 500},
       SecondHalf(0xFFFFFFF1u, -123456789),
       14},
      // D303: averaging 200, receiver mode 7, threshold 950, slope 0x87654321 (2218320.78
      // per pixel).
      {"D303",
       sim::D303Model(),
       {999, 1, 1, 3, 5, 4096, 2000, 300, 200, 200, 1, 6, 7, 0, 950},
       SecondHalf(0x87654321u, 7),
       14},
      // MX400 (1024 sub-pixels): averaging 256, hold 333 ms, threshold 777, word 47 carried,
      // slope 2^30 + 1.
      {"MX400",
       sim::MX400Model(),
       {0, 1, 0, 2, 1, 1024, 500, 20, 10, 256, 0, 5, 333, 777, 0xBEEF},
       SecondHalf(0x40000001u, 0),
       13},
  };
}

std::vector<unsigned> FileNumbers(const Half& half0, const Half& half1) {
  std::vector<unsigned> numbers(half0.begin(), half0.end());
  numbers.insert(numbers.end(), half1.begin(), half1.end());
  return numbers;
}

std::vector<std::string> ListLabels(int panel, int control) {
  int count = 0;
  GetNumListItems(panel, control, &count);
  std::vector<std::string> labels;
  for (int i = 0; i < count; ++i) labels.push_back(ListLabel(panel, control, i));
  return labels;
}

class RoundTripTest : public AppTest {
 protected:
  // The case's sensor, both halves in its RAM (the start-up reads them from there).
  static sim::SensorModel ModelOf(const Case& c) {
    sim::SensorModel m = c.model;
    m.ram[0] = c.half0;
    m.ram[1] = c.half1;
    return m;
  }

  static void Press(int control) { CallCtrlCallback(pHandle, control, EVENT_COMMIT); }

  static void SelectFile() {
    SetCtrlVal(pHandle, MAIN_FILE, 1);
    CallCtrlCallback(pHandle, MAIN_FILE, EVENT_VAL_CHANGED);
  }

  void Save(const std::string& path) {
    QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, path);
    Press(MAIN_SEND);
    EXPECT_EQ(PendingPopupAnswers(), 0);
  }

  void Load(const std::string& path) {
    QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, path);
    Press(MAIN_GET);
    EXPECT_EQ(PendingPopupAnswers(), 0);
  }
};

}  // namespace

TEST_F(RoundTripTest, SendAfterGetRepeatsTheSensorsRamByteForByte) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    if (sensor) TearDown();
    Start(ModelOf(c));
    // The panel shows the words as they are.
    EXPECT_EQ(IntOf(pPara2, PARA2_THRESHOLD), c.half0[c.thresholdSlot]);
    EXPECT_EQ(thdArray[0], ADCMAX * c.half0[c.thresholdSlot] / 100);

    Press(MAIN_SEND);
    ASSERT_TRUE(sensor->WaitForFrames(2, 2.0));
    const auto frames = sensor->Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, FrameBytes(CMD_SEND_RAM, 0, c.half0));
    EXPECT_EQ(frames[1].bytes, FrameBytes(CMD_SEND_RAM, 1, c.half1));
    EXPECT_EQ(Words(sensor->Model().ram[0]), Words(c.half0));
    EXPECT_EQ(Words(sensor->Model().ram[1]), Words(c.half1));
  }
}

TEST_F(RoundTripTest, ParameterFileReadIsWrittenAgainByteForByte) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    if (sensor) TearDown();
    Start(ModelOf(c));
    SelectFile();
    // The sensor's set, saved.
    const std::string fromSensor = PathIn("sensor.cfg");
    Save(fromSensor);
    EXPECT_EQ(ReadFile(fromSensor), FileOf(FileNumbers(c.half0, c.half1)));

    // A file with other values of the same kind, read and written again.
    Half half0 = c.half0;
    half0[c.thresholdSlot] = 901;
    half0[6] = 11;
    const Half half1 = SecondHalf(0xFEDCBA98u, -1);
    const std::string original = FileOf(FileNumbers(half0, half1));
    const std::string in = PathIn("in.cfg");
    const std::string out = PathIn("out.cfg");
    WriteFile(in, original);
    Load(in);
    EXPECT_EQ(IntOf(pPara2, PARA2_THRESHOLD), 901);
    Save(out);
    EXPECT_EQ(ReadFile(out), original);
    EXPECT_TRUE(sensor->Received().empty());
  }
}

// The averaging drop-down offers only what the layout keeps (up to 1024 in the default
// layout, 256 in D303 and MX400) and shows a value that is no power of two as it is.
TEST_F(RoundTripTest, AveragingOffersOnlyTheValuesTheLayoutKeeps) {
  const std::vector<std::string> upTo256 = {"1", "2", "4", "8", "16", "32", "64", "128", "256"};
  std::vector<std::string> upTo1024 = upTo256;
  upTo1024.insert(upTo1024.end(), {"512", "1024"});

  const std::vector<Case> cases = Cases();
  Start(ModelOf(cases[1]));  // D303, averaging 200
  std::vector<std::string> expected = upTo256;
  expected.push_back("200");
  EXPECT_EQ(ListLabels(pPara1, PARA1_AVERAGE), expected);
  EXPECT_EQ(IntOf(pPara1, PARA1_AVERAGE), 200);

  TearDown();
  Start(ModelOf(cases[0]));  // default, averaging 3
  expected = upTo1024;
  expected.push_back("3");
  EXPECT_EQ(ListLabels(pPara1, PARA1_AVERAGE), expected);
  EXPECT_EQ(IntOf(pPara1, PARA1_AVERAGE), 3);

  TearDown();
  Start(ModelOf(cases[2]));  // MX400, averaging 256
  EXPECT_EQ(ListLabels(pPara1, PARA1_AVERAGE), upTo256);
  EXPECT_EQ(IntOf(pPara1, PARA1_AVERAGE), 256);
}

// A receiver operation mode switched by the user holds 0 or 1 again.
TEST_F(RoundTripTest, SwitchedReceiverModeIsZeroOrOne) {
  Start(ModelOf(Cases()[0]));  // receiver mode 5
  EXPECT_EQ(IntOf(pCalib, CALIB_OPMODE), 5);
  auto* box = CtrlWidget(pCalib, CALIB_OPMODE);
  ASSERT_NE(box, nullptr);
  DisplayPanel(pCalib);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  EXPECT_EQ(IntOf(pCalib, CALIB_OPMODE), 0);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  EXPECT_EQ(IntOf(pCalib, CALIB_OPMODE), 1);
}
