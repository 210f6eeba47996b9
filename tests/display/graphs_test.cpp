// The bar graph, the video graph and the rolling graph drawn on the real graph controls
// of the resource file: plots, cursors, axes, traces, indicator values and colours.
#include <gtest/gtest.h>

#include <algorithm>

#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/display_support.h"

namespace {

using disptest::Cursor;
using identtest::Attr;
using identtest::DoubleOf;
using identtest::IntOf;

constexpr int kRed = 0xFF0000;
constexpr int kDarkGreen = 0x008000;
constexpr int kGreen = 0x00FF00;
constexpr int kBlack = 0x000000;

class GraphsTest : public AppTest {
 protected:
  void SetUp() override {
    LoadPanelsOnly();
    // A 4096-pixel edge-class sensor of the default layout.
    hwtype = 37;
    softversion = 302;
    HWTYPE = 1;
    ccdvirtpixel = 4096;
    pixB = 1;
    pixE = 4096;
    ADCMAX = 255;
    SetSlopeWord(16384);
    SetCtrlVal(pHandle, MAIN_ZOOM, 0);
  }
  static std::vector<PlotInfo> BarPlots() { return GetGraphPlots(pHandle, MAIN_BAR_GRAPH); }
  static void ExpectRect(const PlotInfo& p, double x1, double y1, double x2, double y2,
                         int colour) {
    EXPECT_TRUE(p.rectangle);
    EXPECT_DOUBLE_EQ(p.x1, x1);
    EXPECT_DOUBLE_EQ(p.y1, y1);
    EXPECT_DOUBLE_EQ(p.x2, x2);
    EXPECT_DOUBLE_EQ(p.y2, y2);
    EXPECT_EQ(p.lineColor, colour);
    EXPECT_EQ(p.fillColor, colour);
  }
  static void ExpectXAxis(int control, double lo, double hi) {
    int mode = -1;
    double min = 0, max = 0;
    GetAxisScalingMode(pHandle, control, VAL_XAXIS, &mode, &min, &max);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_DOUBLE_EQ(min, lo);
    EXPECT_DOUBLE_EQ(max, hi);
  }
  static void ExpectYAxis(int control, double lo, double hi) {
    int mode = -1;
    double min = 0, max = 0;
    GetAxisScalingMode(pHandle, control, VAL_LEFT_YAXIS, &mode, &min, &max);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_DOUBLE_EQ(min, lo);
    EXPECT_DOUBLE_EQ(max, hi);
  }
  static int Bg(int control) { return Attr(pHandle, control, ATTR_TEXT_BGCOLOR); }
  // The newest sample of the rolling history.
  static std::array<double, 6> Newest() {
    std::array<double, 6> s{};
    std::copy(arrayNORM + 594, arrayNORM + 600, s.begin());
    return s;
  }
};

TEST_F(GraphsTest, DefaultBarGraphWidthModeWithBands) {
  parameter[6] = 2;  // width mode
  parameter[7] = 20;
  parameter[8] = 4000;
  parameter[9] = 100;  // nominal width
  parameter[13] = 4;   // analogue output: max - min
  Ledge = 450;
  Redge = 550;
  Mvalue = 100;
  umValue = 123456;
  tol = 10;
  edcnt = 2;
  anaMax = 10;
  anaMin = 30;
  PlotRectangle(pHandle, MAIN_BAR_GRAPH, 0, 0, 4096, 1, 0xA0A0A0, 0xA0A0A0);  // replaced

  PlotVIDEOBarGraph();

  const auto plots = BarPlots();
  ASSERT_EQ(plots.size(), 3u);
  ExpectRect(plots[0], 450, 0.25, 550, 1.0, kRed);
  ExpectRect(plots[1], 445, 0.0, 455, 0.35, kGreen);
  ExpectRect(plots[2], 545, 0.0, 555, 0.35, kGreen);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1), (std::array<double, 2>{500, 0.75}));
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2), (std::array<double, 2>{20, 0.75}));
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3), (std::array<double, 2>{4000, 0.75}));
  ExpectXAxis(MAIN_BAR_GRAPH, 1.0, 4096);

  EXPECT_EQ(IntOf(pHandle, MAIN_LEDGE), 450);
  EXPECT_EQ(IntOf(pHandle, MAIN_REDGE), 550);
  EXPECT_EQ(IntOf(pHandle, MAIN_ANA_MAX), 10);
  EXPECT_EQ(IntOf(pHandle, MAIN_ANA_MIN), 30);
  EXPECT_EQ(IntOf(pHandle, MAIN_ANA_VALUE), -20);
  EXPECT_EQ(IntOf(pHandle, MAIN_PIX_VALUE), 100);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_MM_VALUE), 123.456);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.01);
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kDarkGreen);
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kDarkGreen);

  Mvalue = 111;  // outside 90..110
  PlotVIDEOBarGraph();
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kRed);
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kRed);
  EXPECT_EQ(BarPlots().size(), 3u);  // redrawn, not added to
}

TEST_F(GraphsTest, DefaultBarGraphEdgeCountsAndPositions) {
  parameter[6] = 0;
  parameter[9] = 2000;
  tol = 50;
  Mvalue = 2000;
  Ledge = 100;
  Redge = 200;

  // No edge: no bar, but the band around P and cursor 1.
  edcnt = 0;
  PlotVIDEOBarGraph();
  auto plots = BarPlots();
  ASSERT_EQ(plots.size(), 1u);
  ExpectRect(plots[0], 1950, 0.0, 2050, 0.35, kGreen);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 100);  // edge class, mode 0: Ledge

  // One edge: the bar runs to pixE or from 1 by mvstart/mvend.
  edcnt = 1;
  Ledge = 300;
  mvstart = 1;
  mvend = 2;
  pixE = 3000;
  PlotVIDEOBarGraph();
  plots = BarPlots();
  ASSERT_EQ(plots.size(), 2u);
  ExpectRect(plots[0], 300, 0.25, 3000, 1.0, kRed);
  mvstart = 2;
  PlotVIDEOBarGraph();
  ExpectRect(BarPlots()[0], 1, 0.25, 300, 1.0, kRed);

  // Mode 1 of the edge class shows Redge; the peak class the centre.
  pixE = 4096;
  edcnt = 2;
  Ledge = 101;
  Redge = 200;
  parameter[6] = 1;
  PlotVIDEOBarGraph();
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 200);
  HWTYPE = 2;
  parameter[6] = 0;
  PlotVIDEOBarGraph();
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 150);

  // Width mode with a missing edge: pixel 1, or pixB when that is higher.
  parameter[6] = 2;
  Ledge = 0;
  PlotVIDEOBarGraph();
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 1);
  pixB = 30;
  PlotVIDEOBarGraph();
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 30);

  // A band reaching past the axis is cut at its end.
  parameter[6] = 0;
  parameter[9] = 5;
  tol = 10;
  Mvalue = 0;
  PlotVIDEOBarGraph();
  plots = BarPlots();
  ASSERT_EQ(plots.size(), 2u);
  ExpectRect(plots[1], 1, 0.0, 15, 0.35, kGreen);
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kDarkGreen);  // L = -5 here: 0 passes
}

TEST_F(GraphsTest, D303BarGraphUsesPanelTolerancesAndDrawsNoBands) {
  softversion = 305;
  parameter[21] = 2;
  parameter[22] = 11;
  parameter[23] = 3999;
  parameter[24] = 2000;
  parameter[25] = 10;
  parameter[26] = 50;
  parameter[29] = 2;
  parameter[31] = 2;
  SetSlopeWord(1024);
  Ledge = 1900;
  Redge = 2100;
  edcnt = 2;
  tol = 500;
  Mvalue = 1955;
  anaMax = 777;
  umValue = 1955000;

  PlotVIDEOBarGraphD303();
  auto plots = BarPlots();
  ASSERT_EQ(plots.size(), 1u);
  ExpectRect(plots[0], 1900, 0.25, 2100, 1.0, kRed);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 2000);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2)[0], 11);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3)[0], 3999);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.01);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.05);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_MM_VALUE), 1955.0);
  EXPECT_EQ(IntOf(pHandle, MAIN_PIX_VALUE), 1955);
  EXPECT_EQ(IntOf(pHandle, MAIN_ANA_VALUE), 777);
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kDarkGreen);  // 1950 .. 2010
  Mvalue = 2011;
  PlotVIDEOBarGraphD303();
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kRed);
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kRed);

  // Hardware operation mode 1: the sensor's own tolerance for both limits.
  parameter[31] = 1;
  PlotVIDEOBarGraphD303();
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kDarkGreen);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.5);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.5);
}

TEST_F(GraphsTest, MX400BarGraphClampsItsLimits) {
  hwtype = 400;
  softversion = 305;
  ccdvirtpixel = 1024;
  pixE = 1024;
  parameter[36] = 0;
  parameter[37] = 5;
  parameter[38] = 1000;
  parameter[39] = 5;
  parameter[40] = 20;
  parameter[41] = 10;
  SetSlopeWord(2048);
  Ledge = 3;
  Redge = 9;
  edcnt = 2;
  Mvalue = 0;
  PlotVIDEOBarGraphMX400();
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kRed);  // L clamped to 1
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kRed);
  EXPECT_EQ(BarPlots().size(), 1u);
  ExpectXAxis(MAIN_BAR_GRAPH, 1.0, 1024);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2)[0], 5);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3)[0], 1000);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.04);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.02);
  Mvalue = 1;
  PlotVIDEOBarGraphMX400();
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kDarkGreen);
  // The display position is held inside the axis.
  Ledge = 1020;
  Redge = 1030;
  parameter[36] = 2;
  PlotVIDEOBarGraphMX400();
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 1)[0], 1024);
}

TEST_F(GraphsTest, VideoCurveProfileAndThresholdLine) {
  ADCMAX = 1024;
  u16 video[256], threshold[256];
  double x[256];
  for (int i = 0; i < 256; ++i) {
    video[i] = static_cast<u16>(i * 3);
    threshold[i] = 409;
    x[i] = 4.0 * i;
  }
  PlotVIDEOCurve(video, threshold, x);
  PlotVIDEOCurve(video, threshold, x);  // replaces, does not add
  const auto plots = GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH);
  ASSERT_EQ(plots.size(), 2u);
  EXPECT_FALSE(plots[0].rectangle);
  EXPECT_EQ(plots[0].lineColor, kRed);
  EXPECT_EQ(plots[1].lineColor, kDarkGreen);
  ASSERT_EQ(plots[0].x.size(), 256u);
  ASSERT_EQ(plots[1].y.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_DOUBLE_EQ(plots[0].x[i], 4.0 * i);
    EXPECT_DOUBLE_EQ(plots[0].y[i], i * 3);
    EXPECT_DOUBLE_EQ(plots[1].y[i], 409);
  }
  EXPECT_DOUBLE_EQ(plots[0].x[255], 1020);
  ExpectYAxis(MAIN_VIDEO_GRAPH, 0.0, 1024);
}

TEST_F(GraphsTest, RollingGraphHistoryTracesAndZoom) {
  parameter[9] = 2000;
  parameter[13] = 3;  // trace 5 anaMin, trace 6 Mvalue
  tol = 39;
  anaMin = 4095;  // N - 1: trace 5 shows 1
  // A history of 100 earlier samples, every value distinct: one frame moves it all six
  // places towards the old end, so element i holds what element i + 6 held.
  for (int i = 0; i < 600; ++i) arrayNORM[i] = 1000.0 + i;
  Mvalue = 2010;
  PlotRAWGraph();
  EXPECT_EQ(Newest(), (std::array<double, 6>{2039, 1961, 2000, 2010, 1, 2010}));
  for (int i = 0; i < 594; ++i) EXPECT_DOUBLE_EQ(arrayNORM[i], 1006.0 + i) << "element " << i;
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kDarkGreen);
  ExpectYAxis(MAIN_ROLL_GRAPH, 0.0, 4096);

  Mvalue = 2050;
  SetCtrlVal(pHandle, MAIN_ZOOM, 1);
  PlotRAWGraph();
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kRed);
  ExpectYAxis(MAIN_ROLL_GRAPH, 1960, 2110);  // P - 40 .. Mvalue + 60
  EXPECT_EQ(arrayNORM[591], 2010);           // the previous sample moved one place
  EXPECT_EQ(arrayNORM[597], 2050);

  // Every trace on screen is the 100-sample history of its element.
  EXPECT_EQ(Attr(pHandle, MAIN_ROLL_GRAPH, ATTR_NUM_TRACES), 6);
  EXPECT_EQ(Attr(pHandle, MAIN_ROLL_GRAPH, ATTR_POINTS_PER_SCREEN), 101);
  EXPECT_EQ(Attr(pHandle, MAIN_ROLL_GRAPH, ATTR_SCROLL_MODE), 1);
  const int colours[6] = {kDarkGreen, kDarkGreen, kBlack, kRed, kRed, kRed};
  for (int t = 1; t <= 6; ++t) {
    const auto trace = GetStripChartTrace(pHandle, MAIN_ROLL_GRAPH, t);
    ASSERT_EQ(trace.size(), 101u) << "trace " << t;
    for (int k = 0; k < 100; ++k) ASSERT_DOUBLE_EQ(trace[1 + k], arrayNORM[6 * k + t - 1]);
    int colour = -1;
    GetTraceAttribute(pHandle, MAIN_ROLL_GRAPH, t, ATTR_TRACE_COLOR, &colour);
    EXPECT_EQ(colour, colours[t - 1]) << "trace " << t;
  }

  // Limits clamped: L at least 1 (Mvalue 1 passes), U at most N - 1 (Mvalue N fails).
  SetCtrlVal(pHandle, MAIN_ZOOM, 0);
  parameter[9] = 5;
  tol = 10;
  Mvalue = 1;
  PlotRAWGraph();
  EXPECT_EQ(Newest()[1], 1);
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kDarkGreen);
  parameter[9] = 4090;
  Mvalue = 4096;
  parameter[13] = 7;  // unknown mode: traces 5 and 6 at N - 1 and 1
  PlotRAWGraph();
  EXPECT_EQ(Newest(), (std::array<double, 6>{4095, 4080, 4090, 4096, 4095, 1}));
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kRed);
}

TEST_F(GraphsTest, RollingGraphD303AndMX400Words) {
  softversion = 305;
  SetSlopeWord(1024);
  parameter[24] = 2000;
  parameter[25] = 10;
  parameter[26] = 50;
  parameter[29] = 2;
  parameter[31] = 2;
  Mvalue = 1960;
  anaMax = 2222;
  SetCtrlVal(pHandle, MAIN_ZOOM, 1);
  PlotRAWGraphD303();
  EXPECT_EQ(Newest(), (std::array<double, 6>{2010, 1950, 2000, 1960, 1960, 2222}));
  ExpectYAxis(MAIN_ROLL_GRAPH, 1900, 2040);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.01);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.05);
  EXPECT_EQ(Bg(MAIN_MM_VALUE), kDarkGreen);
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kDarkGreen);
  Mvalue = 1949;
  PlotRAWGraphD303();
  EXPECT_EQ(Bg(MAIN_PIX_VALUE), kRed);
  ExpectYAxis(MAIN_ROLL_GRAPH, 1900, 2040);

  // PlotLiveBarAndRollGraphs picks the MX400 pair for hwtype 400.
  hwtype = 400;
  ccdvirtpixel = 1024;
  pixE = 1024;
  parameter[39] = 500;
  parameter[40] = 100;
  parameter[41] = 20;
  parameter[44] = 4;
  anaMin = 400;
  anaMax = 600;
  Mvalue = 510;
  PlotLiveBarAndRollGraphs();
  EXPECT_EQ(Newest(), (std::array<double, 6>{600, 480, 500, 510, 400, 600}));
  ExpectYAxis(MAIN_ROLL_GRAPH, 460, 700);
  ExpectXAxis(MAIN_BAR_GRAPH, 1.0, 1024);
}

}  // namespace
