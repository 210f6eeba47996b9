// The panel mapping on the real panels: corrected words shown and stored back, slope and
// offset conversion, tolerance displays, the bar graph, and which controls each layout
// reads and writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "com232/com232.h"
#include "gui/gui.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"

using namespace identtest;

namespace {

class MappingTest : public AppTest {
 protected:
  void SetUp() override {
    LoadPanelsOnly();
    hwtype = 37;
    ccdvirtpixel = 4096;
    ADCMAX = 255;
  }

  static void SetLayout(int base, const std::vector<u16>& words) {
    std::copy(words.begin(), words.end(), &parameter[base]);
  }

  static bool HasRectangle(double x1, double y1, double x2, double y2, int colour) {
    for (const PlotInfo& p : GetGraphPlots(pHandle, MAIN_BAR_GRAPH))
      if (p.rectangle && p.x1 == x1 && p.y1 == y1 && p.x2 == x2 && p.y2 == y2 &&
          p.lineColor == colour && p.fillColor == colour)
        return true;
    return false;
  }

  static void ExpectCursor(int cursor, double x, double y) {
    double cx = -1, cy = -1;
    GetGraphCursor(pHandle, MAIN_BAR_GRAPH, cursor, &cx, &cy);
    EXPECT_EQ(cx, x) << "cursor " << cursor;
    EXPECT_EQ(cy, y) << "cursor " << cursor;
  }

  static float Slope() {
    float f = -1;
    GetCtrlVal(pCalib, CALIB_SLOPE, &f);
    return f;
  }

  static bool ThresholdLineIs(u16 level) {
    return std::all_of(std::begin(thdArray), std::end(thdArray),
                       [level](u16 v) { return v == level; });
  }
};

}  // namespace

TEST_F(MappingTest, DefaultWriteCorrectsShowsAndDrawsTheBarGraph) {
  SetLayout(3, {1001, 2, 2, 5, 5000, 0, 2000, 100, 1025, 3, 8, 2, 1, 4, 5});
  SetSlopeWord(24576);
  SetOffsetWord(-7);
  SetPanelValues();

  EXPECT_EQ(SetWords(3, 15),
            (std::vector<uint16_t>{500, 1, 1, 4, 1, 1, 2000, 100, 1024, 0, 0, 0, 1, 3, 10}));
  EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 500);
  EXPECT_EQ(IntOf(pPara2, PARA2_POWERMODE), 1);
  EXPECT_EQ(IntOf(pPara1, PARA1_POLARITY), 1);
  EXPECT_EQ(IntOf(pPara1, PARA1_EVALMODE), 4);
  EXPECT_EQ(IntOf(pHandle, MAIN_EBEG), 1);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 1);
  EXPECT_EQ(IntOf(pPara2, PARA2_SETPOINT), 2000);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE), 100);
  EXPECT_EQ(IntOf(pPara1, PARA1_AVERAGE), 1024);
  EXPECT_EQ(IntOf(pPara1, PARA1_TRIGMODE), 0);
  EXPECT_EQ(IntOf(pPara1, PARA1_ANAMODE), 0);
  EXPECT_EQ(IntOf(pPara1, PARA1_OPTION5), 0);
  EXPECT_EQ(IntOf(pCalib, CALIB_OPMODE), 1);
  EXPECT_EQ(IntOf(pPara1, PARA1_HWMODE), 3);
  EXPECT_EQ(IntOf(pPara2, PARA2_THRESHOLD), 10);
  EXPECT_FLOAT_EQ(Slope(), 1.5f);
  EXPECT_EQ(IntOf(pCalib, CALIB_OFFSET), -7);
  EXPECT_TRUE(ThresholdLineIs(25));  // 255 * 10 / 100

  // 24576 * 100 / 16384000 mm on both displays.
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.15);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.15);

  int mode = -1;
  double lo = 0, hi = 0;
  GetAxisScalingMode(pHandle, MAIN_BAR_GRAPH, VAL_XAXIS, &mode, &lo, &hi);
  EXPECT_EQ(mode, VAL_MANUAL);
  EXPECT_EQ(lo, 1.0);
  EXPECT_EQ(hi, 4096.0);
  ExpectCursor(2, 1, 0.75);
  ExpectCursor(3, 1, 0.75);
  EXPECT_TRUE(HasRectangle(0.0, 0.0, 4096.0, 1.0, 0xA0A0A0));
  EXPECT_TRUE(HasRectangle(1900.0, 0.0, 2100.0, 0.25, 0x00FF00));

  // A set-point below the tolerance reaches below zero.
  SetLayout(3, {500, 1, 1, 1, 7, 900, 50, 100, 1, 0, 0, 0, 0, 1, 2000});
  SetSlopeWord(16384);
  SetPanelValues();
  EXPECT_EQ(parameter[17], 950);
  EXPECT_TRUE(ThresholdLineIs(2422));  // 255 * 950 / 100
  EXPECT_TRUE(HasRectangle(-50.0, 0.0, 150.0, 0.25, 0x00FF00));
  ExpectCursor(2, 7, 0.75);
  ExpectCursor(3, 900, 0.75);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.1);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.1);
}

TEST_F(MappingTest, D303WriteShowsBothTolerancesAndDimsThemByHardwareMode) {
  softversion = 305;
  SetCtrlVal(pPara1, PARA1_OPTION5, 1);
  SetLayout(18, {400, 0, 0, 2, 20, 0, 1000, 50, 20, 300, 1, 3, 1, 1, 60});
  SetSlopeWord(1024);
  SetOffsetWord(123456);
  SetPanelValuesD303();
  EXPECT_EQ(SetWords(18, 15),
            (std::vector<uint16_t>{400, 0, 0, 2, 20, 256, 1000, 50, 20, 256, 1, 3, 1, 1, 60}));
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 256);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE_UP), 50);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE), 20);
  EXPECT_EQ(IntOf(pPara1, PARA1_AVERAGE), 256);
  EXPECT_EQ(IntOf(pPara1, PARA1_TRIGMODE), 1);
  EXPECT_EQ(IntOf(pPara1, PARA1_ANAMODE), 3);
  EXPECT_EQ(IntOf(pCalib, CALIB_OPMODE), 1);
  EXPECT_EQ(IntOf(pPara1, PARA1_HWMODE), 1);
  EXPECT_EQ(IntOf(pPara2, PARA2_THRESHOLD), 60);
  EXPECT_EQ(IntOf(pPara1, PARA1_OPTION5), 1);  // not part of this layout
  EXPECT_EQ(IntOf(pCalib, CALIB_OFFSET), 123456);
  EXPECT_FLOAT_EQ(Slope(), 1.0f);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.05);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.02);
  EXPECT_TRUE(ThresholdLineIs(153));  // 255 * 60 / 100
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_DIMMED), 1);
  EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_DIMMED), 1);
  // The grey range only: the set-point band belongs to the default layout.
  EXPECT_TRUE(HasRectangle(0.0, 0.0, 4096.0, 1.0, 0xA0A0A0));
  for (const PlotInfo& p : GetGraphPlots(pHandle, MAIN_BAR_GRAPH)) EXPECT_NE(p.fillColor, 0x00FF00);

  for (u16 mode : {0, 2, 3}) {
    parameter[31] = mode;
    SetPanelValuesD303();
    const int dimmed = (mode == 3) ? 1 : 0;
    EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_DIMMED), dimmed) << mode;
    EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_DIMMED), dimmed) << mode;
  }
}

TEST_F(MappingTest, MX400WriteShowsTheHoldTimeAndLeavesTheOtherModesAlone) {
  hwtype = 400;
  ccdvirtpixel = 1024;
  SetCtrlVal(pCalib, CALIB_OPMODE, 1);
  SetCtrlVal(pPara1, PARA1_HWMODE, 2);
  SetCtrlVal(pPara1, PARA1_OPTION5, 1);
  SetLayout(33, {700, 1, 0, 1, 2000, 0, 512, 30, 0, 4, 2, 5, 2000, 45, 9999});
  SetSlopeWord(2048);
  SetPanelValuesMX400();
  EXPECT_EQ(SetWords(33, 15),
            (std::vector<uint16_t>{700, 1, 0, 1, 1, 1, 512, 30, 1, 4, 2, 5, 1000, 45, 9999}));
  EXPECT_EQ(IntOf(pPara1, PARA1_HOLD), 1000);
  EXPECT_EQ(IntOf(pPara2, PARA2_THRESHOLD), 45);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE_UP), 30);
  EXPECT_EQ(IntOf(pPara1, PARA1_TOLERANCE), 1);
  EXPECT_EQ(IntOf(pCalib, CALIB_OPMODE), 1);
  EXPECT_EQ(IntOf(pPara1, PARA1_HWMODE), 2);
  EXPECT_EQ(IntOf(pPara1, PARA1_OPTION5), 1);
  EXPECT_FLOAT_EQ(Slope(), 2.0f);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 2048.0 * 30 / 1024000.0);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 2048.0 * 1 / 1024000.0);
  EXPECT_TRUE(ThresholdLineIs(114));  // 255 * 45 / 100
  EXPECT_TRUE(HasRectangle(0.0, 0.0, 1024.0, 1.0, 0xA0A0A0));
  ExpectCursor(2, 1, 0.75);
  ExpectCursor(3, 1, 0.75);
}

TEST_F(MappingTest, ReadTakesEachLayoutsControlsAndConvertsTheSlope) {
  const std::vector<u16> marker(64, 0x7777);
  std::copy(marker.begin(), marker.end(), parameter);
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
  SetCtrlVal(pPara1, PARA1_HOLD, 50);
  SetCtrlVal(pPara2, PARA2_THRESHOLD, 20);
  SetCtrlVal(pCalib, CALIB_SLOPE, 1.5);
  SetCtrlVal(pCalib, CALIB_OFFSET, -40000);

  GetPanelValues();
  EXPECT_EQ(SetWords(3, 15),
            (std::vector<uint16_t>{321, 0, 0, 2, 11, 2222, 1234, 55, 8, 2, 3, 1, 1, 2, 20}));
  EXPECT_EQ(SlopeWord(), 24576u);
  EXPECT_EQ(OffsetWord(), -40000);
  EXPECT_TRUE(ThresholdLineIs(51));
  EXPECT_EQ(SetWords(18, 30), std::vector<uint16_t>(30, 0x7777));
  EXPECT_EQ(SetWords(48, 12), std::vector<uint16_t>(12, 0x7777));

  GetPanelValuesD303();
  EXPECT_EQ(SetWords(18, 15),
            (std::vector<uint16_t>{321, 0, 0, 2, 11, 2222, 1234, 66, 55, 8, 2, 3, 1, 2, 20}));
  EXPECT_EQ(SlopeWord(), 1536u);
  EXPECT_EQ(SetWords(33, 15), std::vector<uint16_t>(15, 0x7777));

  ADCMAX = 1024;
  GetPanelValuesMX400();
  EXPECT_EQ(SetWords(33, 15),
            (std::vector<uint16_t>{321, 0, 0, 2, 11, 2222, 1234, 66, 55, 8, 2, 3, 50, 20, 0x7777}));
  EXPECT_EQ(SlopeWord(), 1536u);
  EXPECT_TRUE(ThresholdLineIs(204));  // 1024 * 20 / 100
  EXPECT_EQ(parameter[59], 0x7777);

  // Writing S = 24576 back in the default layout shows 1.5 again.
  SetSlopeWord(24576);
  SetPanelValues();
  EXPECT_FLOAT_EQ(Slope(), 1.5f);
}

TEST_F(MappingTest, LiveOperationsFollowTheLayoutRule) {
  SetCtrlVal(pPara2, PARA2_POWER, 123);
  const struct {
    u16 hw, sv;
    int base;
  } cases[] = {{37, 302, 3}, {37, 303, 18}, {400, 305, 33}, {400, 0, 33}, {401, 305, 18}};
  for (const auto& c : cases) {
    hwtype = c.hw;
    softversion = c.sv;
    parameter[3] = parameter[18] = parameter[33] = 0;
    GetPanelValuesLive();
    EXPECT_EQ(parameter[c.base], 123) << c.hw << "/" << c.sv;
    EXPECT_EQ(parameter[3] + parameter[18] + parameter[33], 123) << c.hw << "/" << c.sv;

    parameter[c.base] = 2000;  // corrected to 500 by the live write only
    SetPanelValuesLive();
    EXPECT_EQ(parameter[c.base], 500) << c.hw << "/" << c.sv;
    EXPECT_EQ(IntOf(pPara2, PARA2_POWER), 500);
    SetCtrlVal(pPara2, PARA2_POWER, 123);
  }
}
