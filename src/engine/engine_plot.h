// Graphs that repaint a measurement frame without drawing pictures of their still parts.
// QCustomPlot keeps three pictures of a graph whose plots lie on a buffered layer of their
// own: background and grid, the plots and cursors, axes and labels. A new frame through
// its public API (QCPLayer::replot) clears and redraws the plots' picture and repaints the
// whole graph: a fill and three pictures blended, every frame. This graph repaints the
// plot area alone instead: background and grid copied from one opaque picture, the plots
// and cursors drawn straight onto the screen, the axes blended above them where their
// ticks reach in. That leans on how QCustomPlot draws (its pictures, their order, the
// layer's own drawing), so the graph checks it: the first time it would repaint a frame
// itself, it compares its own repaint with QCustomPlot's, pixel for pixel, and where they
// differ (another library version, style or screen scale) it leaves every frame to
// QCustomPlot. Private to src/engine.
#pragma once

#include <qcustomplot.h>

#include <QPixmap>
#include <optional>

namespace engine {

// The layer of the plots and cursors, between background with grid and the axes.
inline constexpr char kPlotLayer[] = "main";

class LivePlot : public QCustomPlot {
 public:
  explicit LivePlot(QWidget* parent = nullptr);
  // Shows a change of the plots or cursors alone by a repaint of the plot area, no
  // picture drawn again; false when QCustomPlot is to show it (QCPLayer::replot).
  bool RepaintPlots();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  enum class Painter { Library, Own };

  bool PicturesAsAssumed() const;
  bool OwnRepaintMatches();
  QImage Picture(Painter painter, const QRect& area);
  QRect PlotArea() const;
  QVector<QRect> TickBands() const;
  void RenderUnderlay();
  void PaintOwn(const QRect& dirty);

  QPixmap underlay_;  // the area's fill, background and grid
  bool underlayStale_ = true;
  std::optional<bool> ownRepaintMatches_;  // checked once, when first wanted
  std::optional<Painter> forced_;          // while the check takes its pictures
};

}  // namespace engine
