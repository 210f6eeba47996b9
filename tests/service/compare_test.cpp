// The compare view against the simulated sensor: the rows of all three layouts with the
// panel names of the words, the values of RAM, EEPROM and a parameter file, the red
// differences, a sensor that stops answering, a refused file, and that neither the
// parameter set nor the panels change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
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

constexpr int kRed = 0xFF0000;
constexpr int kWhite = 0xFFFFFF;

std::string Cell(int row, int column) {
  char text[128] = "?";
  EXPECT_EQ(GetTableCellVal(pCompare, COMPARE_TABLE, row, column, text, sizeof text), 0);
  return text;
}

int CellColor(int row, int column) {
  int color = -1;
  EXPECT_EQ(GetTableCellAttribute(pCompare, COMPARE_TABLE, row, column, ATTR_TEXT_BGCOLOR, &color),
            0);
  return color;
}

std::string Result() {
  char text[256] = "";
  GetCtrlVal(pCompare, COMPARE_RESULT, text, sizeof text);
  return text;
}

// The 30 words of a sensor memory, half 0 first.
std::vector<uint16_t> Memory(const std::array<uint16_t, 15> (&halves)[2]) {
  std::vector<uint16_t> w(halves[0].begin(), halves[0].end());
  w.insert(w.end(), halves[1].begin(), halves[1].end());
  return w;
}

void WriteParaFile(const std::string& path, const std::vector<uint16_t>& words) {
  std::ofstream out(path, std::ios::binary);
  char line[16];
  for (uint16_t w : words) {
    std::snprintf(line, sizeof line, "%6u\r\n", w);
    out << line;
  }
}

class CompareTest : public AppTest {
 protected:
  // Every value column of every row: the sensor's words, "---" or empty.
  static void ExpectColumn(int column, const std::vector<std::string>& values) {
    for (int row = 1; row <= 30; ++row)
      EXPECT_EQ(Cell(row, column), values[row - 1]) << "row " << row << " column " << column;
  }

  static std::vector<std::string> Texts(const std::vector<uint16_t>& words) {
    std::vector<std::string> out;
    for (uint16_t w : words) out.push_back(std::to_string(w));
    return out;
  }
};

const std::vector<std::string> kHalf1Names = {"SENSOR-DATA 1",
                                              "SENSOR-DATA 2",
                                              "SENSOR-DATA 3",
                                              "SENSOR-DATA 4",
                                              "SENSOR-DATA 5",
                                              "SENSOR-DATA 6",
                                              "SENSOR-DATA 7",
                                              "SENSOR-DATA 8",
                                              "SENSOR-DATA 9",
                                              "SENSOR-DATA 10",
                                              "SENSOR-DATA 11",
                                              "SLOPE [\xC2\xB5m/pixel] LOW",
                                              "SLOPE [\xC2\xB5m/pixel] HIGH",
                                              "OFFSET [\xC2\xB5m] LOW",
                                              "OFFSET [\xC2\xB5m] HIGH"};

}  // namespace

TEST_F(CompareTest, RowsNameTheWordsAsThePanelsOfEachLayoutDo) {
  struct Case {
    sim::SensorModel model;
    std::vector<std::string> names;  // words 1..15
    std::vector<int> differing;      // rows where RAM and EEPROM differ
    const char* layout;
  };
  const std::vector<Case> cases = {
      {sim::DefaultModel(),
       {"POWER", "POWER-MODE", "POLARITY", "EVALUATION-MODE", "E-BEG", "E-END", "SET-POINT [pixel]",
        "TOLERANCE", "AVERAGE", "TRIGGER-MODE", "ANALOG-OUT", "OPTION-5", "OPERATION-MODE",
        "HARDWARE OPERATION-MODE", "VIDEO-THRESHOLD [%]"},
       {1, 8, 16},
       "DEFAULT"},
      {sim::D303Model(),
       {"POWER", "POWER-MODE", "POLARITY", "EVALUATION-MODE", "E-BEG", "E-END", "SET-POINT [pixel]",
        "TOLERANCE-UP", "TOLERANCE-LOW", "AVERAGE", "TRIGGER-MODE", "ANALOG-OUT", "OPERATION-MODE",
        "HARDWARE OPERATION-MODE", "VIDEO-THRESHOLD [%]"},
       {1, 8, 9, 16},
       "D303"},
      {sim::MX400Model(),
       {"POWER", "POWER-MODE", "POLARITY", "EVALUATION-MODE", "E-BEG", "E-END", "SET-POINT [pixel]",
        "TOLERANCE-UP", "TOLERANCE-LOW", "AVERAGE", "TRIGGER-MODE", "ANALOG-OUT", "HOLD [ms]",
        "VIDEO-THRESHOLD [%]", "(NOT USED)"},
       {1, 8, 9, 16},
       "MX400"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    StartApp(c.model);
    EXPECT_EQ(CompareParameterSets(""), COMPARE_DIFFERENT);
    int rows = 0;
    GetNumTableRows(pCompare, COMPARE_TABLE, &rows);
    ASSERT_EQ(rows, 30);
    for (int row = 1; row <= 30; ++row) {
      SCOPED_TRACE("row " + std::to_string(row));
      EXPECT_EQ(Cell(row, 1), std::to_string(row));
      EXPECT_EQ(Cell(row, 2), row <= 15 ? c.names[row - 1] : kHalf1Names[row - 16]);
      const bool differs =
          std::find(c.differing.begin(), c.differing.end(), row) != c.differing.end();
      for (int column = 3; column <= 5; ++column)
        EXPECT_EQ(CellColor(row, column), differs ? kRed : kWhite) << "column " << column;
    }
    ExpectColumn(3, Texts(Memory(sensor->Model().ram)));
    ExpectColumn(4, Texts(Memory(sensor->Model().eeprom)));
    ExpectColumn(5, std::vector<std::string>(30, ""));  // no file chosen
    EXPECT_EQ(Result(), "COMPARE (" + std::string(c.layout) + " layout): " +
                            std::to_string(c.differing.size()) + " of 30 words differ!");
    TearDown();
  }
}

TEST_F(CompareTest, ReadingForACompareChangesNeitherTheSetNorThePanels) {
  StartApp(sim::D303Model());
  SetCtrlVal(pPara2, PARA2_POWER, 777);  // edited, not yet sent
  u16 before[64];
  std::memcpy(before, parameter, sizeof before);
  sensor->ClearReceived();

  EXPECT_EQ(CompareParameterSets(""), COMPARE_DIFFERENT);
  EXPECT_EQ(std::memcmp(before, parameter, sizeof before), 0);
  EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 777);
  // The requests of GET: RAM then EEPROM, half 0 then half 1, each with the half's words.
  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(CommandsAndArguments(frames),
            (std::vector<std::pair<int, int>>{{2, 0}, {2, 1}, {4, 0}, {4, 1}}));
  EXPECT_EQ(frames[0].bytes, FrameBytes(2, 0, SetWords(18, 15)));
}

TEST_F(CompareTest, AFileThatDiffersInOneWordIsShownBesideRamAndEeprom) {
  StartApp(sim::DefaultModel());
  std::vector<uint16_t> words = Memory(sensor->Model().ram);
  words[4] = 9;  // E-BEG
  WriteParaFile(PathIn("kept.cfg"), words);

  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, PathIn("kept.cfg"));
  CallCtrlCallback(pHandle, MAIN_COMPARE, EVENT_COMMIT);
  EXPECT_EQ(PendingPopupAnswers(), 0);
  int visible = 0;
  GetPanelAttribute(pCompare, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 1);
  ExpectColumn(5, Texts(words));
  EXPECT_EQ(CellColor(5, 5), kRed);
  EXPECT_EQ(CellColor(5, 3), kRed);
  EXPECT_EQ(CellColor(6, 5), kWhite);
  EXPECT_EQ(TextOf(pCompare, COMPARE_PATH), PathIn("kept.cfg"));
  EXPECT_EQ(Result(), "COMPARE (DEFAULT layout): 4 of 30 words differ!");
  EXPECT_EQ(FileDiffersFrom(RAM), 1);
  EXPECT_EQ(FileDiffersFrom(EEPROM), 4);

  CallCtrlCallback(pCompare, COMPARE_CLOSE, EVENT_COMMIT);
  GetPanelAttribute(pCompare, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 0);

  // Cancelling the dialog compares RAM and EEPROM only.
  QueueFileSelectAnswer(VAL_NO_FILE_SELECTED, "");
  CallCtrlCallback(pHandle, MAIN_COMPARE, EVENT_COMMIT);
  EXPECT_EQ(Cell(5, 5), "");
  EXPECT_EQ(CellColor(5, 3), kWhite);
  EXPECT_EQ(FileDiffersFrom(RAM), -1);
}

TEST_F(CompareTest, ASensorThatStopsAnsweringShowsWhatWasRead) {
  StartApp(sim::DefaultModel());
  sim::Faults faults;
  faults.silentAfter = static_cast<int>(sensor->Received().size()) + 3;  // EEPROM half 1 lost
  sensor->SetFaults(faults);
  const std::vector<uint16_t> ram = Memory(sensor->Model().ram);
  std::vector<uint16_t> eeprom = Memory(sensor->Model().eeprom);
  WriteParaFile(PathIn("kept.cfg"), ram);

  EXPECT_EQ(CompareParameterSets(PathIn("kept.cfg").c_str()), COMPARE_NO_REPLY);
  ExpectColumn(3, Texts(ram));
  std::vector<std::string> shown = Texts(eeprom);
  for (int i = 15; i < 30; ++i) shown[i] = "---";
  ExpectColumn(4, shown);
  ExpectColumn(5, Texts(ram));
  EXPECT_EQ(Result(), "COMPARE: Timeout-RS-232... not read: EEPROM half 1");
  EXPECT_EQ(Status(), Result());
  // Differences among the values that came are still shown: power and tolerance.
  EXPECT_EQ(CellColor(1, 3), kRed);
  EXPECT_EQ(CellColor(16, 3), kWhite);  // EEPROM word 16 unknown: RAM and file agree
}

TEST_F(CompareTest, ARefusedFileGivesAClearTextAndTheSensorValues) {
  StartApp(sim::MX400Model());
  std::ofstream(PathIn("broken.cfg")) << "500\r\nnot a number\r\n";
  EXPECT_EQ(CompareParameterSets(PathIn("broken.cfg").c_str()), COMPARE_FILE_ERROR);
  EXPECT_EQ(Result(), "COMPARE: parameter-file not readable!");
  ExpectColumn(3, Texts(Memory(sensor->Model().ram)));
  ExpectColumn(5, std::vector<std::string>(30, "---"));
  EXPECT_EQ(CompareParameterSets(PathIn("missing.cfg").c_str()), COMPARE_FILE_ERROR);
}

TEST_F(CompareTest, RightClickShowsTheHelpTextBesideTheButton) {
  StartApp(sim::DefaultModel());
  sensor->ClearReceived();
  CallCtrlCallback(pHandle, MAIN_COMPARE, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1).rfind("COMPARE-BUTTON:\n", 0), 0u);
  int top = 0, left = 0, height = 0, width = 0;
  GetCtrlBoundingRect(pHandle, MAIN_COMPARE, &top, &left, &height, &width);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_LEFT), left + width + 20);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_TOP), top - 20);
  EXPECT_TRUE(sensor->Received().empty());  // a help text sends nothing
}
