// The bar graph (main-panel control 35) and the value indicators beside it: one drawing
// per measurement frame, for each of the three parameter-frame layouts.
#include "com232/com232.h"
#include "display/display.h"
#include "display/geometry.h"
#include "engine/engine.h"

namespace {

// Heights of the bar-graph shapes (its y axis runs from 0 to 1).
constexpr double CURSOR_Y = 0.75;
constexpr double BAR_BOTTOM = 0.25;
constexpr double BAR_TOP = 1.0;
constexpr double BAND_BOTTOM = 0.0;
constexpr double BAND_TOP = 0.35;

// Parameter words a layout's bar graph reads.
struct BarWords {
  int evalMode;
  int edgeBegin;
  int edgeEnd;
  int setPoint;
  int anaMode;
};
constexpr BarWords DEFAULT_WORDS{6, 7, 8, 9, 13};
constexpr BarWords D303_WORDS{21, 22, 23, 24, 29};
constexpr BarWords MX400_WORDS{36, 37, 38, 39, 44};

// Step 1: edges and analogue-output values.
void ShowEdgesAndAnalogue(const BarWords& w) {
  SetCtrlVal(pHandle, MAIN_LEDGE, Ledge);
  SetCtrlVal(pHandle, MAIN_REDGE, Redge);
  SetCtrlVal(pHandle, MAIN_ANA_MAX, anaMax);
  SetCtrlVal(pHandle, MAIN_ANA_MIN, anaMin);
  SetCtrlVal(pHandle, MAIN_ANA_VALUE,
             AnalogueIndicator(parameter[w.anaMode], Mvalue, anaMax, anaMin));
}

// The tolerance test's colour on the measured-value indicators 26 and 27.
void ColourValueIndicators(const Limits& limits) {
  const int colour = OutOfTolerance(Mvalue, limits) ? COLOR_RED : COLOR_DARK_GREEN;
  SetCtrlAttribute(pHandle, MAIN_MM_VALUE, ATTR_TEXT_BGCOLOR, colour);
  SetCtrlAttribute(pHandle, MAIN_PIX_VALUE, ATTR_TEXT_BGCOLOR, colour);
}

// Steps 5 to 9: axis, window cursors, display-position cursor and edge bar.
// Returns the clamped display position.
u16 DrawPositionAndEdges(const BarWords& w, u16 position) {
  const u16 n = ccdvirtpixel;
  SetAxisScalingMode(pHandle, MAIN_BAR_GRAPH, VAL_XAXIS, VAL_MANUAL, 1.0, n);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 2, parameter[w.edgeBegin], CURSOR_Y);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 3, parameter[w.edgeEnd], CURSOR_Y);
  DeleteGraphPlot(pHandle, MAIN_BAR_GRAPH, -1, 0);
  const u16 d = ClampDisplayPosition(position, pixB, pixE, n);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 1, d, CURSOR_Y);
  Span bar;
  if (EdgeBar(edcnt, Ledge, Redge, mvstart, mvend, pixE, &bar)) {
    PlotRectangle(pHandle, MAIN_BAR_GRAPH, bar.x1, BAR_BOTTOM, bar.x2, BAR_TOP, COLOR_RED,
                  COLOR_RED);
  }
  return d;
}

}  // namespace

void ShowTolerancesInMillimetres(unsigned up, unsigned low, double divisor) {
  const u32 slope = SlopeWord();
  SetCtrlVal(pHandle, MAIN_TOL_UP_MM, ToleranceMillimetres(slope, up, divisor));
  SetCtrlVal(pHandle, MAIN_TOL_LOW_MM, ToleranceMillimetres(slope, low, divisor));
}

void PlotVIDEOBarGraph() {
  const BarWords& w = DEFAULT_WORDS;
  ShowEdgesAndAnalogue(w);
  const u16 evalMode = parameter[w.evalMode];
  const u16 position = DisplayPosition(evalMode, HWTYPE, Ledge, Redge);
  const int setPoint = parameter[w.setPoint];
  ColourValueIndicators(BarLimits(setPoint, tol, tol, ccdvirtpixel, false));
  SetCtrlVal(pHandle, MAIN_PIX_VALUE, Mvalue);
  SetCtrlVal(pHandle, MAIN_MM_VALUE, umValue / 1000.0);
  SetCtrlVal(pHandle, MAIN_TOL_LOW_MM, ToleranceMillimetres(SlopeWord(), tol, 16384000.0));
  const u16 d = DrawPositionAndEdges(w, position);
  Span bands[2];
  const int count = ToleranceBands(evalMode, edcnt, d, setPoint, tol, ccdvirtpixel, bands);
  for (int i = 0; i < count; ++i) {
    PlotRectangle(pHandle, MAIN_BAR_GRAPH, bands[i].x1, BAND_BOTTOM, bands[i].x2, BAND_TOP,
                  COLOR_GREEN, COLOR_GREEN);
  }
}

void PlotVIDEOBarGraphD303() {
  const BarWords& w = D303_WORDS;
  SetCtrlVal(pHandle, MAIN_PIX_VALUE, Mvalue);
  ShowEdgesAndAnalogue(w);
  const u16 position = DisplayPosition(parameter[w.evalMode], HWTYPE, Ledge, Redge);
  const Tolerances t = D303Tolerances(parameter[31], tol, parameter[25], parameter[26]);
  SetCtrlVal(pHandle, MAIN_MM_VALUE, umValue / 1000.0);
  ShowTolerancesInMillimetres(t.up, t.low, 1024000.0);
  ColourValueIndicators(BarLimits(parameter[w.setPoint], t.up, t.low, ccdvirtpixel, false));
  DrawPositionAndEdges(w, position);
}

void PlotVIDEOBarGraphMX400() {
  const BarWords& w = MX400_WORDS;
  ShowEdgesAndAnalogue(w);
  const u16 position = DisplayPosition(parameter[w.evalMode], HWTYPE, Ledge, Redge);
  const int tolUp = parameter[40];
  const int tolLow = parameter[41];
  ColourValueIndicators(BarLimits(parameter[w.setPoint], tolUp, tolLow, ccdvirtpixel, true));
  SetCtrlVal(pHandle, MAIN_PIX_VALUE, Mvalue);
  SetCtrlVal(pHandle, MAIN_MM_VALUE, umValue / 1000.0);
  ShowTolerancesInMillimetres(tolUp, tolLow, 1024000.0);
  DrawPositionAndEdges(w, position);
}

namespace {
GraphWatcher frameWatcher = nullptr;

// The drawing functions of one layout.
struct LayoutPlots {
  void (*bar)();
  void (*roll)();
};

LayoutPlots LivePlots() {
  switch (LiveLayout()) {
    case LAYOUT_MX400:
      return {PlotVIDEOBarGraphMX400, PlotRAWGraphMX400};
    case LAYOUT_DEFAULT:
      return {PlotVIDEOBarGraph, PlotRAWGraph};
    default:
      return {PlotVIDEOBarGraphD303, PlotRAWGraphD303};
  }
}
}  // namespace

void PlotLiveBarGraph() {
  LivePlots().bar();
  if (frameWatcher) frameWatcher();
}

void PlotLiveBarAndRollGraphs() {
  const LayoutPlots plots = LivePlots();
  plots.bar();
  plots.roll();
  if (frameWatcher) frameWatcher();
}

void WatchMeasurementFrames(GraphWatcher watcher) {
  frameWatcher = watcher;
}
