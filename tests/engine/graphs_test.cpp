// Graph contents: rectangles, XY plots, cursors, axes and the strip chart.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QPaintEvent>
#include <cstdint>

#include "engine/engine.h"
#include "engine/engine_fixture.h"
#include "engine/engine_qt.h"
#include "support/events.h"

using namespace enginetest;

namespace {

class EngineGraphs : public PanelTest {};

QCustomPlot* Plot(int panel, int control) {
  return qobject_cast<QCustomPlot*>(CtrlWidget(panel, control));
}

int VisibleRects(QCustomPlot* plot) {
  int n = 0;
  for (int i = 0; i < plot->itemCount(); ++i)
    if (auto* r = qobject_cast<QCPItemRect*>(plot->item(i)); r && r->visible()) ++n;
  return n;
}

TEST_F(EngineGraphs, RectanglesAndXYPlots) {
  int a = PlotRectangle(panel, kGraph, 100, 0.0, 200, 0.25, 0xFF0000, 0xFF0000);
  int b = PlotRectangle(panel, kGraph, 400, 0.5, 300, 0.0, 0x00FF00, 0x00FF00);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, a);
  uint16_t ys[4] = {0, 255, 65535, 7};
  double xs[4] = {0, 4, 8, 12};
  int c = PlotXY(panel, kGraph, xs, ys, 4, VAL_DOUBLE, VAL_UNSIGNED_SHORT_INTEGER, 5, 10, 0, 1,
                 0xFF0000);
  ASSERT_GT(c, b);
  auto plots = GetGraphPlots(panel, kGraph);
  ASSERT_EQ(plots.size(), 3u);
  EXPECT_TRUE(plots[0].rectangle);
  EXPECT_EQ(plots[0].x1, 100);
  EXPECT_EQ(plots[0].y2, 0.25);
  EXPECT_EQ(plots[1].lineColor, 0x00FF00);
  EXPECT_FALSE(plots[2].rectangle);
  EXPECT_EQ(plots[2].y, (std::vector<double>{0, 255, 65535, 7}));
  EXPECT_EQ(plots[2].x, (std::vector<double>{0, 4, 8, 12}));
  EXPECT_EQ(plots[2].lineColor, 0xFF0000);
  QCustomPlot* plot = Plot(panel, kGraph);
  EXPECT_EQ(VisibleRects(plot), 2);
  // The rectangle on screen has the corners and colours asked for.
  for (int i = 0; i < plot->itemCount(); ++i) {
    auto* r = qobject_cast<QCPItemRect*>(plot->item(i));
    if (!r || !r->visible() || r->pen().color() != QColor(0, 255, 0)) continue;
    EXPECT_EQ(r->topLeft->coords(), QPointF(300, 0.5));
    EXPECT_EQ(r->bottomRight->coords(), QPointF(400, 0.0));
    EXPECT_EQ(r->brush().color(), QColor(0, 255, 0));
  }

  ASSERT_EQ(DeleteGraphPlot(panel, kGraph, b, 0), 0);
  EXPECT_EQ(GetGraphPlots(panel, kGraph).size(), 2u);
  EXPECT_EQ(DeleteGraphPlot(panel, kGraph, b, 0), UIETooManyOrNotEnoughValues);
  ASSERT_EQ(DeleteGraphPlot(panel, kGraph, -1, 1), 0);
  EXPECT_TRUE(GetGraphPlots(panel, kGraph).empty());
  EXPECT_EQ(VisibleRects(plot), 0);
  int curves = 0;
  for (int i = 0; i < plot->plottableCount(); ++i) curves += plot->plottable(i)->visible();
  EXPECT_EQ(curves, 0);

  // Frames redraw the same few rectangles: items are reused, not piled up.
  int items = plot->itemCount();
  for (int frame = 0; frame < 50; ++frame) {
    DeleteGraphPlot(panel, kGraph, -1, 0);
    PlotRectangle(panel, kGraph, frame, 0, frame + 10, 0.25, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, kGraph, frame, 0.3, frame + 10, 0.5, 0x00FF00, 0x00FF00);
  }
  EXPECT_LE(plot->itemCount(), items + 2);
}

TEST_F(EngineGraphs, CursorsAndAxes) {
  ASSERT_EQ(SetGraphCursor(panel, kGraph, 1, 150.0, 0.75), 0);
  ASSERT_EQ(SetGraphCursor(panel, kGraph, 3, 900.0, 0.75), 0);
  double x = 0, y = 0;
  ASSERT_EQ(GetGraphCursor(panel, kGraph, 3, &x, &y), 0);
  EXPECT_EQ(x, 900.0);
  EXPECT_EQ(y, 0.75);
  EXPECT_EQ(SetGraphCursor(panel, kGraph, 4, 1, 1), UIETooManyOrNotEnoughValues);
  // Deleting all plots keeps the cursors.
  PlotRectangle(panel, kGraph, 1, 0, 2, 1, 0, 0);
  DeleteGraphPlot(panel, kGraph, -1, 1);
  ASSERT_EQ(GetGraphCursor(panel, kGraph, 1, &x, &y), 0);
  EXPECT_EQ(x, 150.0);
  int lines = 0;
  QCustomPlot* plot = Plot(panel, kGraph);
  for (int i = 0; i < plot->itemCount(); ++i)
    if (auto* l = qobject_cast<QCPItemStraightLine*>(plot->item(i)); l && l->visible()) {
      ++lines;
      EXPECT_EQ(l->point1->coords().x(), l->point2->coords().x());
    }
  EXPECT_EQ(lines, 3);

  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_XAXIS, VAL_MANUAL, 1.0, 1024.0), 0);
  EXPECT_EQ(plot->xAxis->range().lower, 1.0);
  EXPECT_EQ(plot->xAxis->range().upper, 1024.0);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 255.0), 0);
  int mode = -1;
  double lo = 0, hi = 0;
  ASSERT_EQ(GetAxisScalingMode(panel, kGraph, VAL_LEFT_YAXIS, &mode, &lo, &hi), 0);
  EXPECT_EQ(mode, VAL_MANUAL);
  EXPECT_EQ(lo, 0.0);
  EXPECT_EQ(hi, 255.0);
  EXPECT_EQ(SetAxisScalingMode(panel, kGraph, 7, VAL_MANUAL, 0, 1), UIEInvalidAttribute);
}

TEST_F(EngineGraphs, StripChartKeepsTheLastPointsPerTraceInOrder) {
  int v = 0;
  ASSERT_EQ(GetCtrlAttribute(panel, kStrip, ATTR_POINTS_PER_SCREEN, &v), 0);
  EXPECT_EQ(v, 5);
  ASSERT_EQ(SetCtrlAttribute(panel, kStrip, ATTR_NUM_TRACES, 3), 0);
  ASSERT_EQ(SetCtrlAttribute(panel, kStrip, ATTR_POINTS_PER_SCREEN, 4), 0);
  ASSERT_EQ(SetCtrlAttribute(panel, kStrip, ATTR_SCROLL_MODE, 1), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kStrip, ATTR_SCROLL_MODE, &v), 0);
  EXPECT_EQ(v, 1);
  ASSERT_EQ(SetTraceAttribute(panel, kStrip, 2, ATTR_TRACE_COLOR, 0x008000), 0);
  ASSERT_EQ(GetTraceAttribute(panel, kStrip, 2, ATTR_TRACE_COLOR, &v), 0);
  EXPECT_EQ(v, 0x008000);
  // Samples of three traces: trace t of sample k is 100 t + k.
  double values[18];
  for (int k = 0; k < 6; ++k)
    for (int t = 0; t < 3; ++t) values[3 * k + t] = 100 * (t + 1) + k;
  ASSERT_EQ(PlotStripChart(panel, kStrip, values, 18, 0, 0, VAL_DOUBLE), 0);
  EXPECT_EQ(GetStripChartTrace(panel, kStrip, 1), (std::vector<double>{102, 103, 104, 105}));
  EXPECT_EQ(GetStripChartTrace(panel, kStrip, 3), (std::vector<double>{302, 303, 304, 305}));
  int16_t more[3] = {-1, -2, -3};
  ASSERT_EQ(PlotStripChart(panel, kStrip, more, 3, 0, 0, VAL_SHORT_INTEGER), 0);
  EXPECT_EQ(GetStripChartTrace(panel, kStrip, 2), (std::vector<double>{203, 204, 205, -2}));
  // What is drawn: x = 0 .. n-1, oldest first.
  QCustomPlot* plot = Plot(panel, kStrip);
  ASSERT_EQ(plot->graphCount(), 3);
  auto data = plot->graph(1)->data();
  ASSERT_EQ(data->size(), 4);
  EXPECT_EQ(data->at(0)->key, 0.0);
  EXPECT_EQ(data->at(0)->value, 203.0);
  EXPECT_EQ(data->at(3)->key, 3.0);
  EXPECT_EQ(data->at(3)->value, -2.0);
  EXPECT_EQ(plot->graph(1)->pen().color(), QColor(0, 128, 0));
  EXPECT_EQ(PlotStripChart(panel, kGraph, values, 3, 0, 0, VAL_DOUBLE), UIEValueTypeMismatch);
  EXPECT_EQ(SetCtrlAttribute(panel, kGraph, ATTR_NUM_TRACES, 2), UIEInvalidAttribute);
}

bool DarkAt(const QImage& shot, int x, int y) {
  for (int dx = -1; dx <= 1; ++dx)
    if (QColor(shot.pixel(x + dx, y)) == QColor(40, 40, 40)) return true;
  return false;
}

// A frame that only changes plots, cursors or traces redraws their layer alone: axes and
// layout are not drawn again, yet the screen shows the change. An axis change replots
// everything. Cursors are drawn above the plots, whatever was plotted first.
TEST_F(EngineGraphs, PlotChangesRedrawOnlyThePlotLayer) {
  DisplayPanel(panel);
  QCustomPlot* plot = Plot(panel, kGraph);
  QCustomPlot* strip = Plot(panel, kStrip);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_XAXIS, VAL_MANUAL, 0.0, 1000.0), 0);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 1.0), 0);
  double values[4] = {1, 2, 3, 4};
  ASSERT_EQ(PlotStripChart(panel, kStrip, values, 4, 0, 0, VAL_DOUBLE), 0);
  // The first rectangle and cursor are new items of the plot layer: they replot once.
  ASSERT_EQ(SetGraphCursor(panel, kGraph, 1, 500, 0.5), 0);
  PlotRectangle(panel, kGraph, 400, 0.0, 600, 1.0, 0xFF0000, 0xFF0000);
  Pump(0.05);
  int replots = 0, stripReplots = 0;
  QObject::connect(plot, &QCustomPlot::afterReplot, [&] { ++replots; });
  QObject::connect(strip, &QCustomPlot::afterReplot, [&] { ++stripReplots; });

  QImage shot = plot->grab().toImage();
  const int y = static_cast<int>(plot->yAxis->coordToPixel(0.25));
  const int cursorX = static_cast<int>(plot->xAxis->coordToPixel(500));
  EXPECT_EQ(QColor(shot.pixel(static_cast<int>(plot->xAxis->coordToPixel(450)), y)), Qt::red);
  EXPECT_TRUE(DarkAt(shot, cursorX, y)) << "cursor above the rectangle";

  // The rectangle moves away from the cursor, the cursor moves, the strip chart takes new
  // values: all redrawn without a replot.
  DeleteGraphPlot(panel, kGraph, -1, 0);
  PlotRectangle(panel, kGraph, 100, 0.0, 200, 1.0, 0xFF0000, 0xFF0000);
  ASSERT_EQ(SetGraphCursor(panel, kGraph, 1, 700, 0.5), 0);
  ASSERT_EQ(PlotStripChart(panel, kStrip, values, 4, 0, 0, VAL_DOUBLE), 0);
  Pump(0.05);
  EXPECT_EQ(replots, 0);
  EXPECT_EQ(stripReplots, 0);
  shot = plot->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(static_cast<int>(plot->xAxis->coordToPixel(150)), y)), Qt::red);
  EXPECT_NE(QColor(shot.pixel(static_cast<int>(plot->xAxis->coordToPixel(450)), y)), Qt::red);
  EXPECT_FALSE(DarkAt(shot, cursorX, y)) << "the cursor left its old place";
  EXPECT_TRUE(DarkAt(shot, static_cast<int>(plot->xAxis->coordToPixel(700)), y));

  // A new axis range replots once, and the plots follow it.
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_XAXIS, VAL_MANUAL, 0.0, 400.0), 0);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_XAXIS, VAL_MANUAL, 0.0, 400.0), 0);
  Pump(0.05);
  EXPECT_EQ(replots, 1);
  shot = plot->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(static_cast<int>(plot->xAxis->coordToPixel(110)), y)), Qt::red);
  EXPECT_EQ(QColor(shot.pixel(static_cast<int>(plot->xAxis->coordToPixel(190)), y)), Qt::red);
  EXPECT_NE(QColor(shot.pixel(static_cast<int>(plot->xAxis->coordToPixel(250)), y)), Qt::red);
}

QImage DrawnInOnePicture(QCustomPlot* plot) {
  QCPLayer* plots = plot->layer("main");
  plots->setMode(QCPLayer::lmLogical);
  plot->replot();
  Pump(0.02);
  const QImage drawn = OnScreen(plot);
  plots->setMode(QCPLayer::lmBuffered);
  plot->replot();
  Pump(0.02);
  return drawn;
}

int DifferingPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
  return differing;
}

// What a graph shows on the screen is what a drawing of it all in one picture shows,
// pixel for pixel: after a replot, after changes of the plots alone (new items among
// them), which draw no picture again and repaint only the plot area, and with a cursor on
// the axes.
TEST_F(EngineGraphs, ScreenShowsWhatADrawingInOnePictureShows) {
  DisplayPanel(panel);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_XAXIS, VAL_MANUAL, 0.0, 1000.0), 0);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 1.0), 0);
  SetCtrlAttribute(panel, kStrip, ATTR_NUM_TRACES, 3);
  SetCtrlAttribute(panel, kStrip, ATTR_POINTS_PER_SCREEN, 20);
  double history[60];
  for (int i = 0; i < 60; ++i) history[i] = (i * 37) % 6;
  PlotRectangle(panel, kGraph, 400, 0.0, 600, 1.0, 0xFF0000, 0xFF0000);
  SetGraphCursor(panel, kGraph, 1, 500, 0.5);
  PlotStripChart(panel, kStrip, history, 60, 0, 0, VAL_DOUBLE);
  Pump(0.05);
  QCustomPlot* plot = Plot(panel, kGraph);
  QCustomPlot* strip = Plot(panel, kStrip);
  EXPECT_EQ(DifferingPixels(OnScreen(plot), DrawnInOnePicture(plot)), 0) << "after a replot";
  EXPECT_EQ(DifferingPixels(OnScreen(strip), DrawnInOnePicture(strip)), 0) << "after a replot";

  for (int frame = 1; frame <= 3; ++frame) {
    int replots = 0;
    auto counter = QObject::connect(plot, &QCustomPlot::afterReplot, [&] { ++replots; });
    DeleteGraphPlot(panel, kGraph, -1, 0);
    // One rectangle more with every frame: a new item of the plot layer costs no replot.
    for (int k = 0; k < frame; ++k)
      PlotRectangle(panel, kGraph, 100 * frame + 60 * k, 0.0, 100 * frame + 60 * k + 50, 0.8,
                    0x00FF00, 0x00FF00);
    // The third cursor stands on the edge of the plot area, where the axes lie.
    SetGraphCursor(panel, kGraph, 1, frame == 3 ? 0.0 : 300.0 * frame, frame == 3 ? 0.0 : 0.5);
    for (double& v : history) v = 5.0 - v;
    PlotStripChart(panel, kStrip, history, 60, 0, 0, VAL_DOUBLE);
    Pump(0.05);
    QObject::disconnect(counter);
    EXPECT_EQ(replots, 0) << "frame " << frame;
    const QImage shown = OnScreen(plot), shownStrip = OnScreen(strip);
    EXPECT_EQ(DifferingPixels(shown, DrawnInOnePicture(plot)), 0) << "frame " << frame;
    EXPECT_EQ(DifferingPixels(shownStrip, DrawnInOnePicture(strip)), 0) << "frame " << frame;
  }
  // A new axis range moves the grid beneath the plots.
  const QImage before = OnScreen(plot);
  ASSERT_EQ(SetAxisScalingMode(panel, kGraph, VAL_XAXIS, VAL_MANUAL, 0.0, 400.0), 0);
  Pump(0.05);
  const QImage after = OnScreen(plot);
  EXPECT_GT(DifferingPixels(before, after), 0);
  EXPECT_EQ(DifferingPixels(after, DrawnInOnePicture(plot)), 0) << "after an axis change";
}

// The area that paint events of a widget covered.
struct PaintedArea : QObject {
  QRect area;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) area |= static_cast<QPaintEvent*>(event)->rect();
    return false;
  }
};

// A frame of new plots repaints the plot area alone, where the graph's own repaint showed
// the pixels QCustomPlot's paint shows. A graph whose pictures are not those that repaint
// assumes (here a fourth, of a layer above the axes) leaves the frames to QCustomPlot,
// which repaints it whole and shows them just as well.
TEST_F(EngineGraphs, AGraphNotAsItsOwnRepaintAssumesLeavesFramesToQCustomPlot) {
  DisplayPanel(panel);
  QCustomPlot* plot = Plot(panel, kGraph);
  PaintedArea painted;
  plot->installEventFilter(&painted);
  auto frame = [&](double x) {
    DeleteGraphPlot(panel, kGraph, -1, 0);
    PlotRectangle(panel, kGraph, x - 200, 0.0, x + 200, 1.0, 0xFF0000, 0xFF0000);
    Pump(0.05);
  };
  auto redAt = [plot](double x) {
    const QPointF at(plot->xAxis->coordToPixel(x), plot->yAxis->coordToPixel(0.5));
    return QColor(plot->grab().toImage().pixel(at.toPoint())) == Qt::red;
  };
  for (const bool fourPictures : {false, true}) {
    plot->layer("overlay")->setMode(fourPictures ? QCPLayer::lmBuffered : QCPLayer::lmLogical);
    plot->replot();
    frame(1000);  // the rectangle is a new item the first time
    painted.area = QRect();
    frame(3000);
    EXPECT_EQ(painted.area == plot->rect(), fourPictures);
    EXPECT_TRUE(redAt(3000));
    EXPECT_FALSE(redAt(1000));
  }
}

}  // namespace
