// Graphs on QCustomPlot: rectangles, XY plots, cursors, axis ranges and strip charts.
// Drawing is never done per call: a change queues one redraw for the next pass of the
// event loop, so the many calls of one frame cost one repaint. The plots and the cursors
// lie on a layer of their own, so that a frame which only changes them redraws just that
// layer; axes, grid and layout are redrawn only when an axis or the plot itself changed.
#include <qcustomplot.h>

#include <algorithm>

#include "engine/engine_data.h"
#include "engine/engine_internal.h"
#include "engine/engine_plot.h"

namespace {

const char kAutoX[] = "qroxAutoX";
const char kAutoY[] = "qroxAutoY";

bool Autoscaled(const QCustomPlot* plot) {
  return plot->property(kAutoX).toBool() || plot->property(kAutoY).toBool();
}

}  // namespace

namespace engine {

// The redraw a graph has queued; a child of its plot, so that a redraw still queued when
// the plot goes is dropped with it.
class QueuedRedraw : public QObject {
 public:
  explicit QueuedRedraw(QCustomPlot* plot)
      : QObject(plot), plot_(plot), live_(dynamic_cast<LivePlot*>(plot)) {}

  void Queue(bool everything) {
    // New plots on a graph that draws them as it paints: the repaint is all it takes.
    if (!everything && !queued_ && !Autoscaled(plot_) && live_ && live_->RepaintPlots()) return;
    everything_ = everything_ || everything;
    if (queued_) return;
    queued_ = true;
    QMetaObject::invokeMethod(
        this, [this] { Run(); }, Qt::QueuedConnection);
  }

 private:
  void Run() {
    const bool everything = everything_;
    queued_ = everything_ = false;
    // Autoscaled axes follow the data, so new data may move them. A layer whose buffer
    // is not drawn yet (a new or resized plot) replots the whole plot by itself.
    if (everything || Autoscaled(plot_)) {
      plot_->replot();
      return;
    }
    plot_->layer(kPlotLayer)->replot();
  }

  QCustomPlot* plot_;
  LivePlot* live_;  // the same graph, where it draws its plots as it paints
  bool queued_ = false;
  bool everything_ = false;
};

}  // namespace engine

namespace {

using engine::ControlState;
using engine::GraphState;
using engine::kPlotLayer;

const int kDefaultTraceColors[] = {0xFF0000, 0x008000, 0x0000FF, 0x000000, 0xFF00FF, 0x00C0C0};

// After a change of the plots, the cursors or the traces.
void QueuePlotsRedraw(GraphState& g) {
  g.redraw->Queue(false);
}

// After a change of an axis.
void QueueReplot(GraphState& g) {
  g.redraw->Queue(true);
}

int LookupGraph(int panel, int control, GraphState** out) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!c->graph) return UIEValueTypeMismatch;
  *out = c->graph.get();
  return 0;
}

QCPAxis* Axis(GraphState& g, int axis) {
  if (axis == VAL_XAXIS) return g.plot->xAxis;
  if (axis == VAL_LEFT_YAXIS) return g.plot->yAxis;
  return nullptr;
}

void ApplyInitialRange(QCustomPlot* plot, QCPAxis* axis, const char* lo, const char* hi) {
  QVariant min = plot->property(lo), max = plot->property(hi);
  if (min.isValid() && max.isValid()) axis->setRange(min.toDouble(), max.toDouble());
}

QPen ThinPen(int rgb) {
  QPen pen(engine::ToQColor(rgb));
  pen.setWidth(1);
  return pen;
}

// The plots and cursors lie on a layer of their own, between the background with the
// grid and the axes.
void SetUpLayers(QCustomPlot* plot) {
  plot->layer(kPlotLayer)->setMode(QCPLayer::lmBuffered);
  plot->layer("overlay")->setMode(QCPLayer::lmLogical);  // nothing is drawn there
  plot->setCurrentLayer(kPlotLayer);
}

// ------------------------------------------------------------ strip chart

// Cursors lie above the plots: re-adding them puts them last on the plot layer.
void KeepCursorsOnTop(GraphState& g) {
  QCPLayer* layer = g.plot->layer(kPlotLayer);
  for (engine::CursorRecord& cur : g.cursors) {
    if (!cur.line) continue;
    cur.line->setLayer(layer);
    cur.marker->setLayer(layer);
  }
}

void SyncTraces(GraphState& g) {
  int n = std::max(1, g.numTraces);
  g.traces.resize(n);
  while (static_cast<int>(g.traceColors.size()) < n)
    g.traceColors.push_back(kDefaultTraceColors[g.traceColors.size() % 6]);
  while (static_cast<int>(g.traceGraphs.size()) < n) {
    QCPGraph* graph = g.plot->addGraph();
    graph->setPen(ThinPen(g.traceColors[g.traceGraphs.size()]));
    graph->setAntialiased(false);
    g.traceGraphs.push_back(graph);
    KeepCursorsOnTop(g);
  }
  while (static_cast<int>(g.traceGraphs.size()) > n) {
    g.plot->removeGraph(g.traceGraphs.back());
    g.traceGraphs.pop_back();
  }
  for (auto& trace : g.traces)
    while (static_cast<int>(trace.size()) > g.pointsPerScreen) trace.pop_front();
  if (g.nextTrace >= n) g.nextTrace = 0;
}

void ShowTraces(GraphState& g) {
  QVector<QCPGraphData> points;
  for (size_t t = 0; t < g.traceGraphs.size(); ++t) {
    const auto& trace = g.traces[t];
    points.resize(static_cast<int>(trace.size()));
    for (int i = 0; i < points.size(); ++i) points[i] = QCPGraphData(i, trace[i]);
    g.traceGraphs[t]->data()->set(points, true);
  }
  QueuePlotsRedraw(g);
}

void SetStripRange(GraphState& g) {
  if (g.plot->property(kAutoX).toBool()) return;
  g.plot->xAxis->setRange(0, std::max(1, g.pointsPerScreen - 1));
  QueueReplot(g);
}

// ------------------------------------------------------------ plots

QCPItemRect* TakeRect(GraphState& g) {
  if (!g.spareRects.empty()) {
    QCPItemRect* r = g.spareRects.back();
    g.spareRects.pop_back();
    r->setVisible(true);
    return r;
  }
  auto* r = new QCPItemRect(g.plot);
  r->setClipToAxisRect(true);
  r->setAntialiased(false);
  KeepCursorsOnTop(g);
  return r;
}

QCPCurve* TakeCurve(GraphState& g) {
  if (!g.spareCurves.empty()) {
    QCPCurve* c = g.spareCurves.back();
    g.spareCurves.pop_back();
    c->setVisible(true);
    return c;
  }
  auto* c = new QCPCurve(g.plot->xAxis, g.plot->yAxis);
  c->setAntialiased(false);
  c->setLineStyle(QCPCurve::lsLine);
  c->setScatterStyle(QCPScatterStyle::ssNone);
  KeepCursorsOnTop(g);
  return c;
}

void ReleasePlot(GraphState& g, engine::PlotRecord& rec) {
  if (rec.rect) {
    rec.rect->setVisible(false);
    g.spareRects.push_back(rec.rect);
  }
  if (rec.curve) {
    rec.curve->setVisible(false);
    rec.curve->data()->clear();
    g.spareCurves.push_back(rec.curve);
  }
  if (rec.bars) g.plot->removePlottable(rec.bars);
}

int AddPlot(GraphState& g, engine::PlotRecord rec) {
  int handle = g.nextHandle++;
  rec.info.handle = handle;
  g.plots[handle] = std::move(rec);
  QueuePlotsRedraw(g);
  return handle;
}

void Autoscale(QCustomPlot* plot) {
  if (plot->property(kAutoX).toBool()) plot->xAxis->rescale(true);
  if (plot->property(kAutoY).toBool()) plot->yAxis->rescale(true);
}

// ------------------------------------------------------------ cursors

engine::CursorRecord& EnsureCursor(GraphState& g, int index) {
  engine::CursorRecord& cur = g.cursors[index];
  if (cur.line) return cur;
  cur.line = new QCPItemStraightLine(g.plot);
  cur.line->setPen(QPen(QColor(40, 40, 40), 1, index == 0 ? Qt::SolidLine : Qt::DashLine));
  cur.line->setAntialiased(false);
  cur.marker = new QCPItemTracer(g.plot);
  cur.marker->setGraph(nullptr);
  cur.marker->setStyle(QCPItemTracer::tsPlus);
  cur.marker->setSize(9);
  cur.marker->setPen(QPen(QColor(40, 40, 40)));
  cur.marker->setAntialiased(false);
  return cur;
}

void PlaceCursor(engine::CursorRecord& cur, double x, double y) {
  cur.x = x;
  cur.y = y;
  cur.line->point1->setCoords(x, 0.0);
  cur.line->point2->setCoords(x, 1.0);
  cur.marker->position->setCoords(x, y);
}

}  // namespace

namespace engine {

void InitGraph(GraphState& g, QCustomPlot* plot) {
  g.plot = plot;
  g.stripChart = plot->property("stripChart").toBool();
  plot->setNotAntialiasedElements(QCP::aeAll);
  // A trace is drawn as one polyline: segment by segment (the library's "fast polylines")
  // every segment pays the painter's set-up again, and a frame draws six traces.
  plot->setPlottingHints(QCP::phCacheLabels);
  plot->setContextMenuPolicy(Qt::PreventContextMenu);
  plot->setFocusPolicy(Qt::ClickFocus);  // a click gives the graph the keys (to save it)
  SetUpLayers(plot);
  g.redraw = new QueuedRedraw(plot);
  ApplyInitialRange(plot, plot->xAxis, "xMin", "xMax");
  ApplyInitialRange(plot, plot->yAxis, "yMin", "yMax");
  QVariant xLabel = plot->property("xLabel"), yLabel = plot->property("yLabel");
  if (xLabel.isValid()) plot->xAxis->setLabel(xLabel.toString());
  if (yLabel.isValid()) plot->yAxis->setLabel(yLabel.toString());
  QVariant yTickLabels = plot->property("yTickLabels");
  if (yTickLabels.isValid()) plot->yAxis->setTickLabels(yTickLabels.toBool());
  int cursors = std::clamp(plot->property("cursors").toInt(), 0, 3);
  for (int i = 0; i < cursors; ++i)
    PlaceCursor(EnsureCursor(g, i), plot->xAxis->range().lower, plot->yAxis->range().center());
  if (g.stripChart) {
    QVariant traces = plot->property("traces"), pps = plot->property("pointsPerScreen");
    if (traces.isValid()) g.numTraces = std::clamp(traces.toInt(), 1, 64);
    if (pps.isValid()) g.pointsPerScreen = std::max(2, pps.toInt());
    SyncTraces(g);
    if (!plot->property("xMin").isValid()) SetStripRange(g);
  }
  QObject::connect(plot, &QCustomPlot::beforeReplot, plot, [plot] { Autoscale(plot); });
}

int LookupGraphState(int panel, int control, GraphState** out) {
  return LookupGraph(panel, control, out);
}

void QueueGraphRedraw(GraphState& g, bool everything) {
  g.redraw->Queue(everything);
}

void KeepGraphCursorsOnTop(GraphState& g) {
  KeepCursorsOnTop(g);
}

bool IsGraphAttribute(int attribute) {
  return attribute == ATTR_NUM_TRACES || attribute == ATTR_POINTS_PER_SCREEN ||
         attribute == ATTR_SCROLL_MODE;
}

int SetGraphAttribute(GraphState& g, int attribute, int value) {
  if (!g.stripChart) return UIEInvalidAttribute;
  switch (attribute) {
    case ATTR_NUM_TRACES:
      if (value < 1 || value > 64) return UIETooManyOrNotEnoughValues;
      if (value == g.numTraces) return 0;
      g.numTraces = value;
      g.nextTrace = 0;
      break;
    case ATTR_POINTS_PER_SCREEN:
      if (value < 2) return UIETooManyOrNotEnoughValues;
      if (value == g.pointsPerScreen) return 0;
      g.pointsPerScreen = value;
      SetStripRange(g);
      break;
    default:
      g.scrollMode = value;
      return 0;
  }
  SyncTraces(g);
  ShowTraces(g);
  return 0;
}

int GetGraphAttribute(const GraphState& g, int attribute, int* value) {
  if (!g.stripChart) return UIEInvalidAttribute;
  switch (attribute) {
    case ATTR_NUM_TRACES:
      *value = g.numTraces;
      return 0;
    case ATTR_POINTS_PER_SCREEN:
      *value = g.pointsPerScreen;
      return 0;
    default:
      *value = g.scrollMode;
      return 0;
  }
}

}  // namespace engine

int PlotRectangle(int panel, int control, double x1, double y1, double x2, double y2, int lineColor,
                  int fillColor) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  engine::PlotRecord rec;
  rec.rect = TakeRect(*g);
  rec.rect->topLeft->setCoords(std::min(x1, x2), std::max(y1, y2));
  rec.rect->bottomRight->setCoords(std::max(x1, x2), std::min(y1, y2));
  rec.rect->setPen(ThinPen(lineColor));
  // A fill colour with bit 24 set is transparent.
  rec.rect->setBrush(fillColor & 0x1000000 ? QBrush(Qt::NoBrush)
                                           : QBrush(engine::ToQColor(fillColor)));
  rec.info.rectangle = true;
  rec.info.x1 = x1;
  rec.info.y1 = y1;
  rec.info.x2 = x2;
  rec.info.y2 = y2;
  rec.info.lineColor = lineColor;
  rec.info.fillColor = fillColor;
  return AddPlot(*g, std::move(rec));
}

int PlotXY(int panel, int control, const void* xArray, const void* yArray, int numPoints,
           int xDataType, int yDataType, int /*plotStyle*/, int /*pointStyle*/, int /*lineStyle*/,
           int /*pointFrequency*/, int color) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (numPoints < 0 || (numPoints > 0 && (!xArray || !yArray))) return UIETooManyOrNotEnoughValues;
  if (engine::ElementSize(xDataType) == 0 || engine::ElementSize(yDataType) == 0)
    return UIEValueTypeMismatch;
  engine::PlotRecord rec;
  rec.info.x.resize(numPoints);
  rec.info.y.resize(numPoints);
  QVector<double> xs(numPoints), ys(numPoints);
  for (int i = 0; i < numPoints; ++i) {
    xs[i] = rec.info.x[i] = engine::ElementValue(xArray, xDataType, i);
    ys[i] = rec.info.y[i] = engine::ElementValue(yArray, yDataType, i);
  }
  rec.curve = TakeCurve(*g);
  rec.curve->setData(xs, ys);
  rec.curve->setPen(ThinPen(color));
  rec.info.lineColor = rec.info.fillColor = color;
  return AddPlot(*g, std::move(rec));
}

int DeleteGraphPlot(int panel, int control, int plot, int refresh) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (plot == -1) {
    for (auto& [handle, rec] : g->plots) ReleasePlot(*g, rec);
    g->plots.clear();
  } else {
    auto it = g->plots.find(plot);
    if (it == g->plots.end()) return UIETooManyOrNotEnoughValues;
    ReleasePlot(*g, it->second);
    g->plots.erase(it);
  }
  if (refresh)
    g->plot->replot();
  else
    QueuePlotsRedraw(*g);
  return 0;
}

int SetGraphCursor(int panel, int control, int cursor, double x, double y) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (cursor < 1 || cursor > 3) return UIETooManyOrNotEnoughValues;
  engine::CursorRecord& cur = EnsureCursor(*g, cursor - 1);
  if (cur.x == x && cur.y == y && cur.line->visible()) return 0;
  PlaceCursor(cur, x, y);
  QueuePlotsRedraw(*g);
  return 0;
}

int GetGraphCursor(int panel, int control, int cursor, double* x, double* y) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (cursor < 1 || cursor > 3 || !g->cursors[cursor - 1].line) return UIETooManyOrNotEnoughValues;
  if (x) *x = g->cursors[cursor - 1].x;
  if (y) *y = g->cursors[cursor - 1].y;
  return 0;
}

int SetTraceAttribute(int panel, int control, int trace, int attribute, int value) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (!g->stripChart) return UIEInvalidAttribute;
  if (attribute != ATTR_TRACE_COLOR) return UIEInvalidAttribute;
  if (trace < 1 || trace > 64) return UIETooManyOrNotEnoughValues;
  if (static_cast<int>(g->traceColors.size()) < trace) g->traceColors.resize(trace, 0);
  int rgb = value & 0xFFFFFF;
  if (g->traceColors[trace - 1] == rgb) return 0;
  g->traceColors[trace - 1] = rgb;
  if (trace <= static_cast<int>(g->traceGraphs.size())) {
    g->traceGraphs[trace - 1]->setPen(ThinPen(rgb));
    QueuePlotsRedraw(*g);
  }
  return 0;
}

int GetTraceAttribute(int panel, int control, int trace, int attribute, int* value) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (!g->stripChart || attribute != ATTR_TRACE_COLOR) return UIEInvalidAttribute;
  if (trace < 1 || trace > static_cast<int>(g->traceColors.size()))
    return UIETooManyOrNotEnoughValues;
  if (value) *value = g->traceColors[trace - 1];
  return 0;
}

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  QCPAxis* a = Axis(*g, axis);
  if (!a) return UIEInvalidAttribute;
  if (mode != VAL_MANUAL && mode != VAL_AUTOSCALE) return UIEInvalidAttribute;
  g->axisMode[axis] = mode;
  g->plot->setProperty(axis == VAL_XAXIS ? kAutoX : kAutoY, mode == VAL_AUTOSCALE);
  if (mode == VAL_MANUAL) {
    QCPRange now = a->range();
    if (now.lower == std::min(min, max) && now.upper == std::max(min, max)) return 0;
    a->setRange(min, max);
  }
  QueueReplot(*g);
  return 0;
}

int GetAxisScalingMode(int panel, int control, int axis, int* mode, double* min, double* max) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  QCPAxis* a = Axis(*g, axis);
  if (!a) return UIEInvalidAttribute;
  if (mode) *mode = g->axisMode[axis];
  if (min) *min = a->range().lower;
  if (max) *max = a->range().upper;
  return 0;
}

int PlotStripChart(int panel, int control, const void* array, int numPoints, int startIndex,
                   int skipCount, int dataType) {
  GraphState* g = nullptr;
  if (int r = LookupGraph(panel, control, &g)) return r;
  if (!g->stripChart) return UIEValueTypeMismatch;
  if (numPoints < 0 || startIndex < 0 || skipCount < 0 || (numPoints > 0 && !array))
    return UIETooManyOrNotEnoughValues;
  if (engine::ElementSize(dataType) == 0) return UIEValueTypeMismatch;
  SyncTraces(*g);
  const int traces = static_cast<int>(g->traces.size());
  for (int k = 0; k < numPoints; ++k) {
    double v = engine::ElementValue(array, dataType, startIndex + k * (skipCount + 1));
    auto& trace = g->traces[g->nextTrace];
    trace.push_back(v);
    if (static_cast<int>(trace.size()) > g->pointsPerScreen) trace.pop_front();
    g->nextTrace = (g->nextTrace + 1) % traces;
  }
  ShowTraces(*g);
  return 0;
}

std::vector<PlotInfo> GetGraphPlots(int panel, int control) {
  GraphState* g = nullptr;
  std::vector<PlotInfo> out;
  if (LookupGraph(panel, control, &g)) return out;
  for (auto& [handle, rec] : g->plots) out.push_back(rec.info);
  return out;
}

std::vector<double> GetStripChartTrace(int panel, int control, int trace) {
  GraphState* g = nullptr;
  if (LookupGraph(panel, control, &g) || trace < 1 || trace > static_cast<int>(g->traces.size()))
    return {};
  return {g->traces[trace - 1].begin(), g->traces[trace - 1].end()};
}
