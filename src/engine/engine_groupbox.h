// Group boxes that paint from a picture of themselves. The controls on a group box
// repaint many times a second while a measurement runs, and every repaint of a control
// repaints the part of the box beneath it; the style draws a box from a bitmap, which is
// slow. Private to src/engine.
#pragma once

#include <QGroupBox>
#include <QPixmap>

#include "engine/engine_look.h"

namespace engine {

class CachedGroupBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Everything the box's look depends on.
  struct Look {
    WidgetLook box;
    QString title;
    bool operator==(const Look&) const = default;
  };
  Look CurrentLook() const;
  void Render();

  QPixmap picture_;
  Look look_;
};

}  // namespace engine
