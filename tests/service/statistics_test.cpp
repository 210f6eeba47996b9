// The statistics window: the figures of the frames RUN draws over the last 100 frames and
// since RESET against a two-pass reference, Cp and Cpk against the layout's limits, the
// histogram with its limit lines, a live RUN, and a recorder file.
#include "service/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "display/display.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/rec_support.h"

namespace {

class StatisticsTest : public AppTest {
 protected:
  // A measurement frame drawn as RUN draws it.
  static void Frame(u16 value, u16 setPoint) {
    const u32 um = 2000000u + 3u * value;
    const u16 words[16] = {static_cast<u16>(value - 100),
                           static_cast<u16>(value + 100),
                           value,
                           static_cast<u16>(um & 0xFFFF),
                           static_cast<u16>(um >> 16),
                           setPoint,
                           20,
                           2};
    std::copy(words, words + 16, pp);
    CopyPPtoRAWVars();
    PlotLiveBarAndRollGraphs();
  }
  static double Cell(int row, int column) {
    char text[64] = "";
    GetTableCellVal(pStats, STATS_TABLE, row, column, text, sizeof text);
    return std::atof(text);
  }
  static void Press(int control) { CallCtrlCallback(pStats, control, EVENT_COMMIT); }
};

// Mean and sample standard deviation the plain way.
void TwoPass(const std::vector<double>& v, double* mean, double* sd) {
  double sum = 0;
  for (double x : v) sum += x;
  *mean = sum / v.size();
  double squares = 0;
  for (double x : v) squares += (x - *mean) * (x - *mean);
  *sd = std::sqrt(squares / (v.size() - 1));
}

TEST_F(StatisticsTest, FiguresCapabilityAndHistogramOfTheFramesDrawn) {
  StartApp(sim::MX400Model());
  parameter[40] = 30;  // tolerance-up
  parameter[41] = 10;  // tolerance-low
  CallCtrlCallback(pHandle, MAIN_STATISTICS, EVENT_COMMIT);
  std::vector<double> values;
  for (int i = 0; i < 150; ++i) {
    values.push_back(500 + (i * 7) % 11 - 5);
    Frame(static_cast<u16>(values.back()), 500);
  }
  const struct {
    int frames;
    size_t first;  // of the values counted
  } windows[] = {{100, 50}, {0, 0}};
  for (const auto& w : windows) {
    SetCtrlVal(pStats, STATS_FRAMES, w.frames);
    Press(STATS_FRAMES);
    const std::vector<double> counted(values.begin() + w.first, values.end());
    double mean = 0, sd = 0;
    TwoPass(counted, &mean, &sd);
    const double offsets[4] = {0, 0, -100, 100};  // value, (um), left and right edge
    for (int row : {1, 3, 4}) {
      EXPECT_EQ(Cell(row, 2), counted.size()) << row;
      EXPECT_NEAR(Cell(row, 3), mean + offsets[row - 1], 0.0005) << row;
      EXPECT_NEAR(Cell(row, 4), sd, 0.0005) << row;
      EXPECT_EQ(Cell(row, 7), 10) << row;  // p-p
    }
    EXPECT_NEAR(Cell(2, 3), 2000000 + 3 * mean, 0.0005);
    EXPECT_NEAR(Cell(2, 4), 3 * sd, 0.0005);
    EXPECT_EQ(identtest::IntOf(pStats, STATS_LSL), 490);
    EXPECT_EQ(identtest::IntOf(pStats, STATS_USL), 530);
    EXPECT_NEAR(std::atof(identtest::TextOf(pStats, STATS_CP).c_str()), 40 / (6 * sd), 0.0005);
    EXPECT_NEAR(std::atof(identtest::TextOf(pStats, STATS_CPK).c_str()), (mean - 490) / (3 * sd),
                0.0005);
    double bars = 0;
    std::vector<double> lines;
    for (const PlotInfo& p : GetGraphPlots(pStats, STATS_HISTOGRAM)) {
      for (double c : p.bars ? p.y : std::vector<double>{}) bars += c;
      if (!p.bars) lines.push_back(p.x[0]);
    }
    EXPECT_EQ(bars, counted.size());
    EXPECT_EQ(lines, (std::vector<double>{490, 530, 500}));
  }
  // Closed, the window takes no frames; opened again it counts afresh.
  Press(STATS_CLOSE);
  Frame(400, 500);
  EXPECT_EQ(Cell(1, 2), 150);
  CallCtrlCallback(pHandle, MAIN_STATISTICS, EVENT_COMMIT);
  EXPECT_EQ(Cell(1, 2), 0);
  EXPECT_EQ(identtest::TextOf(pStats, STATS_CP), "-");
}

TEST_F(StatisticsTest, CountsWhatRunDrawsAndShowsARecorderFile) {
  StartApp(sim::DefaultModel());
  sensor->FixMeasurement({1000, 1300, 1150, 500, 0, 1010, 20, 2, 1, 2, 0, 0, 0, 0, 200, 0});
  CallCtrlCallback(pHandle, MAIN_STATISTICS, EVENT_COMMIT);
  const size_t before = disptest::FramesWith(*sensor, CMD_MEAS_FRAME).size();
  StopWhen([&] { return disptest::FramesWith(*sensor, CMD_MEAS_FRAME).size() >= before + 6; });
  CallCtrlCallback(pHandle, MAIN_RUN, EVENT_COMMIT);
  EXPECT_GE(Cell(1, 2), 5);
  EXPECT_EQ(Cell(1, 3), 1150);
  EXPECT_EQ(Cell(3, 6), 1000);  // E-LEFT max

  const std::string path = PathIn("RECORD.DAT");
  WriteFile(path,
            "Date:\t03-14-2005\r\nTime:\t09:26:53\r\nTime-Increment[s]:\t2\r\n"
            "Number of Samples:\t3\r\nOffset-Value [\xB5m]:\t30000\r\n"
            "Slope-Value [\xB5m/pixel]:\t16.0\r\nE-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n"
            "412\t1630\t1021\t2\t5312\r\n413\t1629\t1023\t2\t5309\r\n"
            "414\t1628\t1025\t2\t5306\r\n");
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, path);
  Press(STATS_OPEN);
  EXPECT_EQ(identtest::TextOf(pStats, STATS_SOURCE), "FILE: " + path + "  (3 RECORDS)");
  EXPECT_EQ(Cell(1, 2), 3);
  EXPECT_EQ(Cell(1, 3), 1023);
  EXPECT_EQ(Cell(1, 4), 2);
  EXPECT_EQ(Cell(2, 3), 5309);
  EXPECT_EQ(Cell(4, 7), 2);
}

}  // namespace
