// Graphs that paint a measurement frame without drawing pictures of their still parts.
// A graph keeps three pictures: background and grid, the plots and cursors, axes and
// labels. A frame changes only the plots, yet a plain graph would clear and redraw the
// plots' picture, fill its area and blend all three pictures for every frame. This one
// copies background and grid from one opaque picture, draws the plots and cursors
// straight onto the screen and blends the axes above them. Private to src/engine.
#pragma once

#include <qcustomplot.h>

#include <QPixmap>

namespace engine {

// The layer of the plots and cursors, between background with grid and the axes.
inline constexpr char kPlotLayer[] = "main";

class LivePlot : public QCustomPlot {
 public:
  explicit LivePlot(QWidget* parent = nullptr);
  // Shows a change of the plots or cursors alone by a repaint of the plot area, no
  // picture drawn again; false when the pictures are to be drawn first (a replot).
  bool RepaintPlots();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool PaintsItself() const;
  QRect PlotArea() const;
  QVector<QRect> TickBands() const;
  void RenderUnderlay();

  QPixmap underlay_;  // the area's fill, background and grid
  bool underlayStale_ = true;
};

}  // namespace engine
