// The diagnostic video profile (edges, evaluation window, reference kept, saved and loaded
// as CSV) and graphs saved as pictures, through the program's controls and keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com232/com232.h"
#include "display/display.h"
#include "service/statistics.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/rec_support.h"

namespace {

constexpr int kBlue = 0x0000FF, kWindow = 0x404040, kGrey = 0xA0A0A0;

class VideoDiagTest : public AppTest {
 protected:
  // The x of each vertical line of `colour` on the video graph, in plot order.
  static std::vector<double> Lines(int colour) {
    std::vector<double> xs;
    for (const PlotInfo& p : GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH))
      if (p.lineColor == colour && p.x.size() == 2 && p.x[0] == p.x[1] && p.y[1] == ADCMAX)
        xs.push_back(p.x[0]);
    return xs;
  }
  static std::vector<PlotInfo> Grey() {
    std::vector<PlotInfo> out;
    for (const PlotInfo& p : GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH))
      if (p.lineColor == kGrey) out.push_back(p);
    return out;
  }
  static void Key(int control, int key, int modifiers) {
    CallCtrlCallback(pHandle, control, EVENT_KEYPRESS, key, modifiers);
  }
};

TEST_F(VideoDiagTest, EdgesAndWindowOfAKnownFrameMarkTheVideoGraph) {
  StartApp(sim::DefaultModel());
  sensor->FixMeasurement({1000, 1300, 1150, 500, 0, 1010, 20, 2, 1, 2, 0, 0, 0, 0, 200, 0});
  const size_t before = disptest::FramesWith(*sensor, CMD_DATA64).size();
  StopWhen([&] { return disptest::FramesWith(*sensor, CMD_DATA64).size() >= before + 4; });
  CallCtrlCallback(pHandle, MAIN_VIDEO, EVENT_COMMIT);
  EXPECT_EQ(Lines(kBlue), (std::vector<double>{1000, 1300}));
  const int base = LayoutBase(LiveLayout());
  EXPECT_EQ(Lines(kWindow),
            (std::vector<double>{1.0 * parameter[base + 4], 1.0 * parameter[base + 5]}));
  // One edge found: its marker alone; none: no marker.
  const struct {
    u16 edges;
    std::vector<double> marked;
  } cases[] = {{1, {1000}}, {0, {}}};
  for (const auto& c : cases) {
    edcnt = c.edges;
    PlotVIDEOCurve(adcbuf, thdArray, xArray);
    EXPECT_EQ(Lines(kBlue), c.marked) << c.edges;
  }
}

TEST_F(VideoDiagTest, ReferenceKeptSavedAsCsvAndLoadedBack) {
  StartApp(sim::DefaultModel());
  for (int k = 0; k < 256; ++k) adcbuf[k] = static_cast<u16>(3 * k + 1);
  CallCtrlCallback(pHandle, MAIN_KEEP_REFERENCE, EVENT_COMMIT);
  ASSERT_EQ(Grey().size(), 1u);
  EXPECT_EQ(Grey()[0].y, std::vector<double>(adcbuf, adcbuf + 256));
  EXPECT_EQ(Grey()[0].x, std::vector<double>(xArray, xArray + 256));

  std::string expected = "PIXEL,INTENSITY\r\n";
  for (int k = 0; k < 256; ++k)
    expected +=
        std::to_string(static_cast<int>(xArray[k])) + "," + std::to_string(3 * k + 1) + "\r\n";
  QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, PathIn("profile.csv"));
  Key(MAIN_VIDEO_GRAPH, 'S', VAL_MENUKEY_MODIFIER);
  EXPECT_EQ(ReadFile(PathIn("profile.csv")), expected);

  Key(MAIN_VIDEO_GRAPH, VAL_FWD_DELETE_VKEY, 0);
  EXPECT_TRUE(Grey().empty());
  std::fill(adcbuf, adcbuf + 256, 0);
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, PathIn("profile.csv"));
  Key(MAIN_VIDEO_GRAPH, 'O', VAL_MENUKEY_MODIFIER);
  ASSERT_EQ(Grey().size(), 1u);
  for (int k = 0; k < 256; ++k) ASSERT_EQ(Grey()[0].y[k], 3 * k + 1) << k;
  EXPECT_EQ(Status(), "Video reference loaded!");
}

TEST_F(VideoDiagTest, CtrlSSavesEveryGraphAsPngPdfOrSvg) {
  StartApp(sim::DefaultModel());
  CallCtrlCallback(pHandle, MAIN_STATISTICS, EVENT_COMMIT);
  const struct {
    int* panel;
    int graph;
    const char* file;
    std::string begins;
  } cases[] = {{&pHandle, MAIN_ROLL_GRAPH, "roll.png", "\x89PNG"},
               {&pHandle, MAIN_BAR_GRAPH, "bar.pdf", "%PDF"},
               {&pHandle, MAIN_VIDEO_GRAPH, "video.svg", "<?xml"},
               {&pStats, STATS_HISTOGRAM, "histogram.PNG", "\x89PNG"}};
  for (const auto& c : cases) {
    QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, PathIn(c.file));
    CallCtrlCallback(*c.panel, c.graph, EVENT_KEYPRESS, 'S', VAL_MENUKEY_MODIFIER);
    EXPECT_EQ(ReadFile(PathIn(c.file)).substr(0, c.begins.size()), c.begins) << c.file;
  }
  EXPECT_NE(ReadFile(PathIn("video.svg")).find("<svg"), std::string::npos);
  QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, PathIn("bar.txt"));
  CallCtrlCallback(pHandle, MAIN_BAR_GRAPH, EVENT_KEYPRESS, 'S', VAL_MENUKEY_MODIFIER);
  EXPECT_EQ(Status(), "Graph files end in .png, .pdf or .svg!");
}

}  // namespace
