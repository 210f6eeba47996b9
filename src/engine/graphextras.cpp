// More of the graphs: bar charts, the line style and drawing order of a plot, and a graph
// saved as a picture (PNG, PDF or SVG) with the plotting library's own export.
#include <qcustomplot.h>

#include <QSvgGenerator>
#include <algorithm>
#include <set>

#include "engine/engine_internal.h"
#include "engine/engine_plot.h"

namespace {

using engine::GraphState;
using engine::PlotRecord;

// What draws a plot on the graph's plot layer.
QCPLayerable* Drawn(const PlotRecord& rec) {
  if (rec.rect) return rec.rect;
  if (rec.curve) return rec.curve;
  return rec.bars;
}

Qt::PenStyle PenStyle(int lineStyle) {
  switch (lineStyle) {
    case VAL_DASH:
      return Qt::DashLine;
    case VAL_DOT:
      return Qt::DotLine;
    default:
      return Qt::SolidLine;
  }
}

void SetLineStyle(PlotRecord& rec, int lineStyle) {
  auto restyle = [lineStyle](auto* drawn) {
    QPen pen = drawn->pen();
    pen.setStyle(PenStyle(lineStyle));
    drawn->setPen(pen);
  };
  if (rec.rect) restyle(rec.rect);
  if (rec.curve) restyle(rec.curve);
  if (rec.bars) restyle(rec.bars);
}

// Draws `plot` as the `fromFront`-th of the graph's plots (0 = in front of all others):
// the plots are put on their layer again in the new order, the cursors after them.
void PlaceAmongPlots(GraphState& g, int plot, int fromFront) {
  QCPLayerable* target = Drawn(g.plots[plot]);
  std::set<QCPLayerable*> plots;
  for (const auto& [handle, rec] : g.plots) plots.insert(Drawn(rec));
  QCPLayer* layer = target->layer();
  std::vector<QCPLayerable*> order;  // back to front
  for (QCPLayerable* l : layer->children())
    if (l != target && plots.count(l)) order.push_back(l);
  const int from = std::clamp(fromFront, 0, static_cast<int>(order.size()));
  order.insert(order.end() - from, target);
  for (QCPLayerable* l : order) l->setLayer(layer);
  engine::KeepGraphCursorsOnTop(g);
}

bool SaveSvg(QCustomPlot* plot, const QString& file) {
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(plot->size());
  svg.setViewBox(QRect(QPoint(0, 0), plot->size()));
  QCPPainter painter;
  if (!painter.begin(&svg)) return false;
  plot->toPainter(&painter, plot->width(), plot->height());
  return painter.end();
}

}  // namespace

int PlotBarChart(int panel, int control, const double* x, const double* y, int count, double width,
                 int lineColor, int fillColor) {
  GraphState* g = nullptr;
  if (int r = engine::LookupGraphState(panel, control, &g)) return r;
  if (count < 0 || (count > 0 && (!x || !y)) || !(width > 0.0)) return UIETooManyOrNotEnoughValues;
  PlotRecord rec;
  rec.bars = new QCPBars(g->plot->xAxis, g->plot->yAxis);
  rec.bars->setAntialiased(false);
  rec.bars->setWidth(width);
  rec.bars->setPen(QPen(engine::ToQColor(lineColor)));
  rec.bars->setBrush(engine::ToQColor(fillColor));
  QVector<double> keys(x, x + count), values(y, y + count);
  rec.bars->setData(keys, values);
  rec.info.bars = true;
  rec.info.x.assign(x, x + count);
  rec.info.y.assign(y, y + count);
  rec.info.lineColor = lineColor;
  rec.info.fillColor = fillColor;
  engine::KeepGraphCursorsOnTop(*g);
  const int handle = g->nextHandle++;
  rec.info.handle = handle;
  g->plots[handle] = std::move(rec);
  engine::QueueGraphRedraw(*g, false);
  return handle;
}

int SetPlotAttribute(int panel, int control, int plot, int attribute, int value) {
  GraphState* g = nullptr;
  if (int r = engine::LookupGraphState(panel, control, &g)) return r;
  auto it = g->plots.find(plot);
  if (it == g->plots.end()) return UIETooManyOrNotEnoughValues;
  if (attribute == ATTR_LINE_STYLE)
    SetLineStyle(it->second, value);
  else if (attribute == ATTR_PLOT_ZPLANE_POSITION)
    PlaceAmongPlots(*g, plot, value);
  else
    return UIEInvalidAttribute;
  engine::QueueGraphRedraw(*g, false);
  return 0;
}

int SaveGraph(int panel, int control, const char* path) {
  GraphState* g = nullptr;
  if (int r = engine::LookupGraphState(panel, control, &g)) return r;
  const QString file = QString::fromUtf8(path ? path : "");
  const QString ending = QFileInfo(file).suffix().toLower();
  bool saved = false;
  if (ending == "png")
    saved = g->plot->savePng(file);
  else if (ending == "pdf")
    saved = g->plot->savePdf(file);
  else if (ending == "svg")
    saved = SaveSvg(g->plot, file);
  else
    return UIEInvalidAttribute;
  return saved ? 0 : UIEFile;
}
