// The rolling graph (main-panel control 38): a strip chart of the last 100 measurement
// frames, six traces per frame, and the help texts of the two large graphs.
#include "com232/com232.h"
#include "display/display.h"
#include "display/geometry.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "shell/shell.h"

namespace {

constexpr int HISTORY_VALUES = 600;  // 100 samples of 6 traces
constexpr int TRACES = 6;
constexpr int NEWEST = HISTORY_VALUES - TRACES;
constexpr int POINTS_PER_SCREEN = 101;
constexpr int SCROLL_MODE = 1;
constexpr int TRACE_COLOURS[TRACES] = {COLOR_DARK_GREEN, COLOR_DARK_GREEN, COLOR_BLACK,
                                       COLOR_RED,        COLOR_RED,        COLOR_RED};

// What a layout's rolling graph reads and colours.
struct RollInput {
  int setPoint;
  int tolUp;
  int tolLow;
  u16 anaMode;
  bool colourPixelValue;  // D303 colours indicator 27 as well as 26
};

void PlotRoll(const RollInput& in) {
  const int n = ccdvirtpixel;
  const AnaloguePair pair = AnaloguePairFor(in.anaMode, Mvalue, anaMax, anaMin, n);
  Shift(arrayNORM, HISTORY_VALUES, -TRACES, arrayNORM);
  const Limits limits = RollLimits(in.setPoint, in.tolUp, in.tolLow, n);
  const ZoomRange zoom = RollZoom(in.setPoint, in.tolUp, in.tolLow, Mvalue, n);

  const int colour = OutOfTolerance(Mvalue, limits) ? COLOR_RED : COLOR_DARK_GREEN;
  SetCtrlAttribute(pHandle, MAIN_MM_VALUE, ATTR_TEXT_BGCOLOR, colour);
  if (in.colourPixelValue) SetCtrlAttribute(pHandle, MAIN_PIX_VALUE, ATTR_TEXT_BGCOLOR, colour);

  arrayNORM[NEWEST + 0] = limits.upper;
  arrayNORM[NEWEST + 1] = limits.lower;
  arrayNORM[NEWEST + 2] = in.setPoint;
  arrayNORM[NEWEST + 3] = Mvalue;
  arrayNORM[NEWEST + 4] = pair.lo;
  arrayNORM[NEWEST + 5] = pair.hi;

  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_POINTS_PER_SCREEN, POINTS_PER_SCREEN);
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_SCROLL_MODE, SCROLL_MODE);
  int zoomed = 0;
  GetCtrlVal(pHandle, MAIN_ZOOM, &zoomed);
  if (zoomed == 0) {
    SetAxisScalingMode(pHandle, MAIN_ROLL_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, n);
  } else {
    SetAxisScalingMode(pHandle, MAIN_ROLL_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, zoom.lo, zoom.hi);
  }
  for (int trace = 1; trace <= TRACES; ++trace) {
    SetTraceAttribute(pHandle, MAIN_ROLL_GRAPH, trace, ATTR_TRACE_COLOR, TRACE_COLOURS[trace - 1]);
  }
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_NUM_TRACES, TRACES);
  PlotStripChart(pHandle, MAIN_ROLL_GRAPH, arrayNORM, HISTORY_VALUES, 0, 0, VAL_DOUBLE);
}

// Help-text box 2 beside the rolling graph (both large graphs lie at the same place).
void GraphHelp(const char* text) {
  int top = 0, left = 0, height = 0, width = 0;
  GetCtrlBoundingRect(pHandle, MAIN_ROLL_GRAPH, &top, &left, &height, &width);
  ToggleHelpText(MAIN_HELP2, left + 80, top + 40, text);
}

}  // namespace

void PlotRAWGraph() {
  PlotRoll({parameter[9], tol, tol, parameter[13], false});
}

void PlotRAWGraphD303() {
  const Tolerances t = D303Tolerances(parameter[31], tol, parameter[25], parameter[26]);
  ShowTolerancesInMillimetres(t.up, t.low, 1024000.0);
  PlotRoll({parameter[24], t.up, t.low, parameter[29], true});
}

void PlotRAWGraphMX400() {
  PlotRoll({parameter[39], parameter[40], parameter[41], parameter[44], false});
}

int CC_GRAPHRaw(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
                int /*eventData1*/, int /*eventData2*/) {
  if (event == EVENT_RIGHT_CLICK) {
    GraphHelp(
        "ROLL-GRAPH-WINDOW:\nVisualizes the actual measurement value\nin pixel. The Graph is "
        "displayed in a\n'roll-mode', the latest value is rolling from\nthe left (index=100) to "
        "the right.\nThe baudrate of the serial rs232-interface\nlimits the update-rate of this "
        "graph.");
  }
  return 0;
}

int CC_GRAPHData(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
                 int /*eventData1*/, int /*eventData2*/) {
  if (event == EVENT_RIGHT_CLICK) {
    GraphHelp(
        "VIDEO-GRAPH-WINDOW:\nVisualizes the actual video signal\nof the CCD-sensor. The video "
        "signal\nrepresents the analog-value of each pixel.\nBecause of the limited baudrate of "
        "the\nserial RS232 interface, the graph is\nrefreshed slowly.\n");
  }
  return 0;
}
