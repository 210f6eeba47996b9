// Group boxes drawn once into a picture and then copied from it.
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>

#include "engine/engine_groupbox.h"

namespace engine {

CachedGroupBox::Look CachedGroupBox::CurrentLook() const {
  return {LookOf(this), title()};
}

// Draws the box as the style draws it on the screen, into the picture.
void CachedGroupBox::Render() {
  look_ = CurrentLook();
  picture_ = QPixmap(look_.box.size * look_.box.pixelRatio);
  picture_.setDevicePixelRatio(look_.box.pixelRatio);
  picture_.fill(Qt::transparent);
  QPainter painter(&picture_);
  painter.setFont(font());
  painter.setPen(palette().color(foregroundRole()));
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
}

void CachedGroupBox::paintEvent(QPaintEvent* event) {
  // A box that can be checked changes its look with the mouse: it paints itself.
  if (isCheckable()) {
    QGroupBox::paintEvent(event);
    return;
  }
  if (picture_.isNull() || !(CurrentLook() == look_)) Render();
  QPainter painter(this);
  const qreal ratio = look_.box.pixelRatio;
  for (const QRect& r : event->region()) {
    const QRectF source(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio);
    painter.drawPixmap(QRectF(r), picture_, source);
  }
}

}  // namespace engine
