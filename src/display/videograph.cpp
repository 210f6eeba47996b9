// The video graph (main-panel control 34): the 256-point intensity profile in red and
// the video threshold as a dark-green line.
#include "display/display.h"
#include "display/geometry.h"
#include "engine/engine.h"

namespace {
constexpr int VIDEO_POINTS = 256;
constexpr int PLOT_STYLE = 5;
constexpr int POINT_STYLE = 10;
constexpr int LINE_STYLE = 0;
constexpr int POINT_FREQUENCY = 1;
GraphWatcher curveWatcher = nullptr;
}  // namespace

void PlotVIDEOCurve(const u16* video, const u16* threshold, const double* x) {
  SetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, ADCMAX);
  DeleteGraphPlot(pHandle, MAIN_VIDEO_GRAPH, -1, 1);
  PlotXY(pHandle, MAIN_VIDEO_GRAPH, x, video, VIDEO_POINTS, VAL_DOUBLE, VAL_UNSIGNED_SHORT_INTEGER,
         PLOT_STYLE, POINT_STYLE, LINE_STYLE, POINT_FREQUENCY, COLOR_RED);
  PlotXY(pHandle, MAIN_VIDEO_GRAPH, x, threshold, VIDEO_POINTS, VAL_DOUBLE,
         VAL_UNSIGNED_SHORT_INTEGER, PLOT_STYLE, POINT_STYLE, LINE_STYLE, POINT_FREQUENCY,
         COLOR_DARK_GREEN);
  if (curveWatcher) curveWatcher();
}

void WatchVideoCurves(GraphWatcher watcher) {
  curveWatcher = watcher;
}
