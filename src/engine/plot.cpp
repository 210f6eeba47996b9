// Graphs that draw their plots straight onto the screen, above a picture of background
// and grid and below the axes.
#include <QPaintEvent>

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

void LivePlot::RedrawPlots() {
  if (PaintsItself())
    update();
  else
    layer(kPlotLayer)->replot();
}

// The plots lie alone on a picture between the other two, and those are drawn.
bool LivePlot::PaintsItself() {
  const QCPLayer* plots = layer(kPlotLayer);
  return plots && plots->mode() == QCPLayer::lmBuffered && mPaintBuffers.size() == kPictures &&
         !hasInvalidatedPaintBuffers();
}

void LivePlot::RenderUnderlay() {
  const double ratio = bufferDevicePixelRatio();
  underlay_ = QPixmap(size() * ratio);
  underlay_.setDevicePixelRatio(ratio);
  // An opaque fill makes the picture opaque, so that painting it is a plain copy.
  underlay_.fill(mBackgroundBrush.isOpaque() ? mBackgroundBrush.color() : Qt::transparent);
  QCPPainter painter(&underlay_);
  if (!mBackgroundBrush.isOpaque() && mBackgroundBrush.style() != Qt::NoBrush)
    painter.fillRect(mViewport, mBackgroundBrush);
  drawBackground(&painter);
  mPaintBuffers.at(0)->draw(&painter);
  underlayStale_ = false;
}

void LivePlot::paintEvent(QPaintEvent* event) {
  if (!PaintsItself()) {
    QCustomPlot::paintEvent(event);
    return;
  }
  if (underlayStale_ || underlay_.size() != size() * bufferDevicePixelRatio()) RenderUnderlay();
  QCPPainter painter(this);
  if (!painter.isActive()) return;
  painter.drawPixmap(0, 0, underlay_);
  (layer(kPlotLayer)->*kDrawLayer)(&painter);
  mPaintBuffers.at(kPictures - 1)->draw(&painter);
}

}  // namespace engine
