// Graphs that draw their plots straight onto the screen, above a picture of background
// and grid and below the axes, once a check has shown that this looks as QCustomPlot's
// own paint does.
#include <QPaintEvent>
#include <QtMath>
#include <algorithm>

#include "engine/engine_plot.h"

namespace {

// A layer draws its plots for the graph that holds it; a class derived from it may
// hand that drawing to the graph's own paint.
struct LayerDrawing : QCPLayer {
  using QCPLayer::draw;
};
constexpr void (QCPLayer::*kDrawLayer)(QCPPainter*) = &LayerDrawing::draw;

// Pictures of a graph whose plots lie on a layer of their own: below, the plots, above.
constexpr int kPictures = 3;

}  // namespace

namespace engine {

LivePlot::LivePlot(QWidget* parent) : QCustomPlot(parent) {
  // A replot draws every picture again, background and grid among them.
  connect(this, &QCustomPlot::afterReplot, this, [this] { underlayStale_ = true; });
}

bool LivePlot::RepaintPlots() {
  // A hidden graph paints nothing; the check waits for one that is shown.
  if (!isVisible() || !PicturesAsAssumed()) return false;
  if (!ownRepaintMatches_) ownRepaintMatches_ = OwnRepaintMatches();
  if (!*ownRepaintMatches_) return false;
  update(PlotArea());
  return true;
}

// The plots lie alone on a picture between the other two, and those two are drawn. The
// plots' own picture is not used, so a new plot or cursor (which makes it outdated) costs
// no replot either.
bool LivePlot::PicturesAsAssumed() const {
  const QCPLayer* plots = layer(kPlotLayer);
  return plots && plots->mode() == QCPLayer::lmBuffered && mPaintBuffers.size() == kPictures &&
         !mPaintBuffers.front()->invalidated() && !mPaintBuffers.back()->invalidated();
}

// The whole graph and its plot area alone, each painted by QCustomPlot and by this graph:
// the same pixels, or QCustomPlot shows every frame.
bool LivePlot::OwnRepaintMatches() {
  layer(kPlotLayer)->replot();  // the plots' picture in step, for QCustomPlot's paint
  if (!PicturesAsAssumed()) return false;
  for (const QRect& area : {rect(), PlotArea()})
    if (Picture(Painter::Library, area) != Picture(Painter::Own, area)) return false;
  return true;
}

QImage LivePlot::Picture(Painter painter, const QRect& area) {
  forced_ = painter;
  const QImage picture = grab(area).toImage();
  forced_.reset();
  return picture;
}

// Plots and cursors are clipped to the plot areas (and the row of pixels above them).
QRect LivePlot::PlotArea() const {
  QRect area;
  for (const QCPAxisRect* r : axisRects()) area |= r->rect().adjusted(-1, -1, 1, 1);
  return area;
}

// Over a plot area the axes draw only at its edges: the axis lines and the ticks that
// point inwards.
QVector<QRect> LivePlot::TickBands() const {
  QVector<QRect> bands;
  for (QCPAxisRect* r : axisRects()) {
    int inward = 0;
    for (const QCPAxis* axis : r->axes()) {
      if (!axis->visible()) continue;
      const int tick = std::max({axis->tickLengthIn(), axis->subTickLengthIn(), 0});
      inward = std::max(inward, tick + qCeil(axis->basePen().widthF()));
    }
    const QRect area = r->rect().adjusted(-1, -1, 1, 1);
    const int band = inward + 3;  // one pixel outside, the axis line and one to spare
    bands << QRect(area.left(), area.top(), area.width(), band)
          << QRect(area.left(), area.bottom() - band + 1, area.width(), band)
          << QRect(area.left(), area.top(), band, area.height())
          << QRect(area.right() - band + 1, area.top(), band, area.height());
  }
  return bands;
}

void LivePlot::RenderUnderlay() {
  const double ratio = bufferDevicePixelRatio();
  underlay_ = QPixmap(size() * ratio);
  underlay_.setDevicePixelRatio(ratio);
  // A picture filled opaque is opaque, and painting it is a plain copy.
  const bool solid =
      mBackgroundBrush.style() == Qt::SolidPattern && mBackgroundBrush.color().alpha() == 255;
  underlay_.fill(solid ? mBackgroundBrush.color() : QColor(Qt::transparent));
  QCPPainter painter(&underlay_);
  if (!solid && mBackgroundBrush.style() != Qt::NoBrush)
    painter.fillRect(mViewport, mBackgroundBrush);
  drawBackground(&painter);
  mPaintBuffers.at(0)->draw(&painter);
  underlayStale_ = false;
}

void LivePlot::paintEvent(QPaintEvent* event) {
  const bool own = ownRepaintMatches_.value_or(false) && PicturesAsAssumed();
  if (forced_.value_or(own ? Painter::Own : Painter::Library) == Painter::Own)
    PaintOwn(event->rect());
  else
    QCustomPlot::paintEvent(event);
}

void LivePlot::PaintOwn(const QRect& dirty) {
  if (underlayStale_ || underlay_.size() != size() * bufferDevicePixelRatio()) RenderUnderlay();
  QCPPainter painter(this);
  if (!painter.isActive()) return;
  const double ratio = underlay_.devicePixelRatio();
  painter.drawPixmap(
      dirty, underlay_,
      QRectF(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio, dirty.height() * ratio));
  (layer(kPlotLayer)->*kDrawLayer)(&painter);
  const QSharedPointer<QCPAbstractPaintBuffer>& axes = mPaintBuffers.at(kPictures - 1);
  if (!PlotArea().contains(dirty)) {
    axes->draw(&painter);
    return;
  }
  for (const QRect& band : TickBands()) {
    painter.setClipRect(band);
    axes->draw(&painter);
  }
}

}  // namespace engine
