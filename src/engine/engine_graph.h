// What a graph control holds: its plots, cursors, axis modes and strip-chart traces.
// Private to src/engine.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <vector>

#include "engine/engine.h"

class QCustomPlot;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemTracer;
class QCPCurve;
class QCPGraph;
class QCPBars;

namespace engine {

class QueuedRedraw;

struct PlotRecord {
  PlotInfo info;
  QCPItemRect* rect = nullptr;  // rectangles
  QCPCurve* curve = nullptr;    // XY plots
  QCPBars* bars = nullptr;      // bar charts
};

struct CursorRecord {
  QCPItemStraightLine* line = nullptr;
  QCPItemTracer* marker = nullptr;
  double x = 0.0, y = 0.0;
};

struct GraphState {
  QCustomPlot* plot = nullptr;     // owned by its panel
  QueuedRedraw* redraw = nullptr;  // owned by the plot
  bool stripChart = false;

  std::map<int, PlotRecord> plots;
  int nextHandle = 1;
  // Items of deleted plots, hidden and kept for the next plot (a frame deletes and redraws
  // the same few plots many times a second).
  std::vector<QCPItemRect*> spareRects;
  std::vector<QCPCurve*> spareCurves;

  std::array<CursorRecord, 3> cursors{};

  int axisMode[2] = {VAL_MANUAL, VAL_MANUAL};

  // Strip chart.
  int numTraces = 1;
  int pointsPerScreen = 100;
  int scrollMode = 0;
  int nextTrace = 0;  // trace of the next value appended
  std::vector<std::deque<double>> traces;
  std::vector<int> traceColors;
  std::vector<QCPGraph*> traceGraphs;
};

// Sets up a freshly loaded graph control from its resource properties (graphs.cpp).
void InitGraph(GraphState& g, QCustomPlot* plot);
// Strip-chart attributes through SetCtrlAttribute / GetCtrlAttribute.
int SetGraphAttribute(GraphState& g, int attribute, int value);
int GetGraphAttribute(const GraphState& g, int attribute, int* value);
bool IsGraphAttribute(int attribute);
// Looks up a graph control: 0, or a negative UI error (graphs.cpp).
int LookupGraphState(int panel, int control, GraphState** out);
// The graph shows a change of its plots (false) or of an axis (true) with its next redraw.
void QueueGraphRedraw(GraphState& g, bool everything);
// Cursors lie above the plots: put them last again after a new plot.
void KeepGraphCursorsOnTop(GraphState& g);

}  // namespace engine
