// The parameter file through SEND and GET with the FILE source: a saved file compared
// byte for byte with one written from the file format, loading it back, loading a
// hand-written file, and files that cannot be written or read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com232/com232.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "shell/globals.h"
#include "shell/status.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"
#include "support/parafile_support.h"
#include "support/popup_expect.h"

using namespace identtest;

namespace {

class ParaFileTest : public AppTest {
 protected:
  // Start, with the parameter file chosen as the place of SEND and GET.
  void StartOnFile(const sim::SensorModel& model) {
    Start(model);
    Radio(MAIN_FILE, 1);
  }

  static void Radio(int control, int value) {
    SetCtrlVal(pHandle, control, value);
    CallCtrlCallback(pHandle, control, EVENT_VAL_CHANGED);
  }

  void Save(const std::string& path) {
    QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, path);
    CallCtrlCallback(pHandle, MAIN_SEND, EVENT_COMMIT);
    EXPECT_EQ(PendingPopupAnswers(), 0);
  }

  void Load(const std::string& path) {
    QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, path);
    CallCtrlCallback(pHandle, MAIN_GET, EVENT_COMMIT);
    EXPECT_EQ(PendingPopupAnswers(), 0);
  }
};

}  // namespace

TEST_F(ParaFileTest, SaveAndLoadDialogsOfferTheParameterFile) {
  StartOnFile(sim::DefaultModel());
  const std::string path = PathIn("REZOraru.cfg");
  TakeShownPopups();
  Save(path);
  auto shown = TakeShownPopups();
  ASSERT_EQ(shown.size(), 1u);
  popuptest::ExpectFileDialog(
      shown[0], {"REZOraru.cfg", "*.cfg", "Q-ROX-MX-Series Parameter File", VAL_OK_BUTTON});
  Load(path);
  shown = TakeShownPopups();
  ASSERT_EQ(shown.size(), 1u);
  popuptest::ExpectFileDialog(
      shown[0], {"REZOraru.cfg", "*.cfg", "Q-ROX-MX-Series-Parameter-File", VAL_LOAD_BUTTON});
}

TEST_F(ParaFileTest, SavedFileMatchesTheFormatAndLoadsBack) {
  StartOnFile(sim::D303Model());
  SetCtrlVal(pPara2, PARA2_POWER, 321);
  SetCtrlVal(pPara1, PARA1_EVALMODE, 2);
  SetCtrlVal(pHandle, MAIN_EBEG, 11);
  SetCtrlVal(pHandle, MAIN_EEND, 2222);
  SetCtrlVal(pPara2, PARA2_SETPOINT, 1234);
  SetCtrlVal(pPara1, PARA1_TOLERANCE_UP, 66);
  SetCtrlVal(pPara1, PARA1_TOLERANCE, 55);
  SetCtrlVal(pPara1, PARA1_AVERAGE, 256);
  SetCtrlVal(pPara1, PARA1_TRIGMODE, 2);
  SetCtrlVal(pPara1, PARA1_ANAMODE, 7);
  SetCtrlVal(pCalib, CALIB_OPMODE, 1);
  SetCtrlVal(pPara1, PARA1_HWMODE, 3);
  SetCtrlVal(pPara2, PARA2_THRESHOLD, 99);
  SetCtrlVal(pCalib, CALIB_SLOPE, 1.5);
  SetCtrlVal(pCalib, CALIB_OFFSET, -5);

  const std::string path = PathIn("REZOraru.cfg");
  Save(path);
  const auto ram1 = sensor->Model().ram[1];
  std::vector<unsigned> numbers = {321, 1, 1, 2, 11, 2222, 1234, 66, 55, 256, 2, 7, 1, 3, 99};
  for (int i = 0; i < 11; ++i) numbers.push_back(ram1[i]);
  for (unsigned n : {1536u, 0u, 65531u, 65535u}) numbers.push_back(n);
  const std::string expected = FileOf(numbers);
  EXPECT_EQ(expected.size(), 30u * 8u);
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_TRUE(sensor->Received().empty());  // saving does not touch the line
  EXPECT_EQ(Status(), "Transmit...");

  // Change everything, then load the file back.
  const std::vector<uint16_t> saved = SetWords(0, 64);
  SetCtrlVal(pPara2, PARA2_POWER, 900);
  SetCtrlVal(pHandle, MAIN_EEND, 100);
  SetCtrlVal(pCalib, CALIB_SLOPE, 3.0);
  GetPanelValuesD303();
  for (int i = 48; i < 59; ++i) parameter[i] = 0;
  Load(PathIn("missing.cfg"));  // its error does not stay standing
  Load(path);
  EXPECT_EQ(Status(), "Parameter-file loaded!");
  EXPECT_TRUE(sensor->Received().empty());
  EXPECT_EQ(SetWords(18, 15), std::vector<uint16_t>(saved.begin() + 18, saved.begin() + 33));
  EXPECT_EQ(SetWords(48, 11), std::vector<uint16_t>(saved.begin() + 48, saved.begin() + 59));
  EXPECT_EQ(SetWords(60, 4), std::vector<uint16_t>(saved.begin() + 60, saved.end()));
  EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 321);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 2222);
  EXPECT_EQ(IntOf(pCalib, CALIB_OFFSET), -5);
  float slope = 0;
  GetCtrlVal(pCalib, CALIB_SLOPE, &slope);
  EXPECT_FLOAT_EQ(slope, 1.5f);

  // Saving again gives the same bytes.
  Save(path);
  EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(ParaFileTest, SavedFileOfTheDefaultAndMX400Layouts) {
  StartOnFile(sim::DefaultModel());
  const std::string path = PathIn("default.cfg");
  Save(path);
  const auto m = sim::DefaultModel();
  std::vector<unsigned> numbers(m.ram[0].begin(), m.ram[0].end());
  numbers.insert(numbers.end(), m.ram[1].begin(), m.ram[1].end());
  EXPECT_EQ(ReadFile(path), FileOf(numbers));

  TearDown();
  StartOnFile(sim::MX400Model());
  parameter[47] = 65535;
  const std::string path400 = PathIn("mx400.cfg");
  Save(path400);
  const auto mx = sim::MX400Model();
  numbers.assign(mx.ram[0].begin(), mx.ram[0].end());
  numbers[14] = 65535;
  numbers.insert(numbers.end(), mx.ram[1].begin(), mx.ram[1].end());
  EXPECT_EQ(ReadFile(path400), FileOf(numbers));
}

TEST_F(ParaFileTest, HandWrittenFileLoadsIntoTheLiveLayout) {
  StartOnFile(sim::DefaultModel());
  const std::vector<uint16_t> d303Before = SetWords(18, 15);
  const std::vector<uint16_t> mxBefore = SetWords(33, 15);
  // Left-aligned and padded numbers, a value above 16 bits, E-END 0.
  const std::string text =
      "600\r\n0\r\n1\r\n3\r\n  10\r\n0\r\n700\r\n25\r\n4\r\n1\r\n2\r\n1\r\n1\r\n0\r\n65586\r\n"
      "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n32768\r\n0\r\n65536\r\n65537\r\n";
  const std::string path = PathIn("hand.cfg");
  WriteFile(path, text);
  Load(path);
  EXPECT_TRUE(sensor->Received().empty());
  // 65586 is cut to 50; E-END 0 is shown and stored as 1.
  EXPECT_EQ(SetWords(3, 15),
            (std::vector<uint16_t>{600, 0, 1, 3, 10, 1, 700, 25, 4, 1, 2, 1, 1, 0, 50}));
  EXPECT_EQ(SetWords(48, 11), (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(SetWords(60, 4), (std::vector<uint16_t>{32768, 0, 0, 1}));  // 65536 -> 0
  EXPECT_EQ(SetWords(18, 15), d303Before);
  EXPECT_EQ(SetWords(33, 15), mxBefore);
  EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 600);
  EXPECT_EQ(IntOf(pHandle, MAIN_EBEG), 10);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 1);
  EXPECT_EQ(IntOf(pPara2, PARA2_SETPOINT), 700);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE), 25);
  EXPECT_EQ(IntOf(pPara1, PARA1_AVERAGE), 4);
  EXPECT_EQ(IntOf(pPara2, PARA2_THRESHOLD), 50);
  EXPECT_EQ(IntOf(pCalib, CALIB_OFFSET), 65536);
  float slope = 0;
  GetCtrlVal(pCalib, CALIB_SLOPE, &slope);
  EXPECT_FLOAT_EQ(slope, 2.0f);  // 32768 / 16384
}

TEST_F(ParaFileTest, BadFilesAreReportedAndChangeNothing) {
  StartOnFile(sim::D303Model());
  const std::vector<uint16_t> before = SetWords(0, 64);
  const int powerBefore = IntOf(pPara2, PARA2_POWER);

  std::string numbers29;
  for (int i = 0; i < 29; ++i) numbers29 += "     7\r\n";
  std::string nonNumeric = numbers29;
  nonNumeric.replace(8 * 3, 8, "  abc \r\n");
  nonNumeric += "     7\r\n";
  WriteFile(PathIn("short.cfg"), numbers29);
  WriteFile(PathIn("text.cfg"), nonNumeric);

  for (const std::string& path : {PathIn("missing.cfg"), PathIn("short.cfg"), PathIn("text.cfg")}) {
    SCOPED_TRACE(path);
    SetStatus("Line Ok!");
    Load(path);
    EXPECT_EQ(Status(), "Error reading parameter-file!");
    EXPECT_EQ(SetWords(3, 61), std::vector<uint16_t>(before.begin() + 3, before.end()));
    EXPECT_EQ(IntOf(pPara2, PARA2_POWER), powerBefore);
  }
  EXPECT_TRUE(sensor->Received().empty());

  // A cancelled dialog: nothing changes and no message.
  SetStatus("Line Ok!");
  QueueFileSelectAnswer(VAL_NO_FILE_SELECTED, "");
  CallCtrlCallback(pHandle, MAIN_GET, EVENT_COMMIT);
  EXPECT_EQ(Status(), "Line Ok!");
  EXPECT_EQ(SetWords(3, 61), std::vector<uint16_t>(before.begin() + 3, before.end()));
  EXPECT_TRUE(sensor->Received().empty());
}

TEST_F(ParaFileTest, FileThatCannotBeWrittenIsReported) {
  StartOnFile(sim::DefaultModel());
  Save(dir + "/no-such-dir/REZOraru.cfg");
  EXPECT_EQ(Status(), "Error writing parameter-file!");

  // A cancelled save dialog writes nothing and leaves the status line as it was.
  QueueFileSelectAnswer(VAL_NO_FILE_SELECTED, "");
  CallCtrlCallback(pHandle, MAIN_SEND, EVENT_COMMIT);
  EXPECT_EQ(Status(), "Error writing parameter-file!");
  EXPECT_TRUE(sensor->Received().empty());
}
