// The text area of an indicator, drawn from a picture of the box beneath the text.
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>

#include "engine/engine_spinbox.h"

namespace engine {

IndicatorPlate::IndicatorPlate(QAbstractSpinBox* box) : QWidget(box), box_(box) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks and help belong to the box
  setFocusPolicy(Qt::NoFocus);
}

void IndicatorPlate::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

IndicatorPlate::Look IndicatorPlate::CurrentLook() const {
  return {LookOf(box_), geometry(), box_->hasFocus()};
}

// The box as it paints itself where the text goes, without its children.
void IndicatorPlate::RenderGround() {
  look_ = CurrentLook();
  const qreal ratio = look_.box.pixelRatio;
  ground_ = QPixmap(size() * ratio);
  ground_.setDevicePixelRatio(ratio);
  ground_.fill(box_->palette().color(QPalette::Window));
  box_->render(&ground_, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
}

// Where the line edit puts a text `width` pixels wide: 2 pixels in from its sides (and
// 2 more on the right, where its cursor would go), a line of the font centred in its
// height.
QPoint IndicatorPlate::TextPosition(int width) const {
  const int lineHeight = QFontMetrics(box_->font()).height();
  const QRect r = rect().adjusted(2, 0, -2, 0);
  const bool right = (box_->alignment() & Qt::AlignHorizontal_Mask) == Qt::AlignRight;
  return {right ? r.x() + r.width() - width - 2 : r.x(), r.y() + (r.height() - lineHeight + 1) / 2};
}

// A number in a font that sets its characters side by side is drawn from their glyphs;
// any other text is laid out as the line edit lays it out.
void IndicatorPlate::DrawText(QPainter& painter) {
  painter.setPen(box_->palette().color(QPalette::Text));
  if (glyphsFont_ != box_->font()) {
    glyphsFont_ = box_->font();
    glyphs_ = NumberGlyphs::For(box_->font());
  }
  QGlyphRun run;
  qreal width = 0.0;
  if (glyphs_ && glyphs_->Run(text_, &run, &width)) {
    const QPoint at = TextPosition(qRound(width));
    painter.drawGlyphRun(QPointF(at.x(), at.y() + glyphs_->ascent()), run);
    return;
  }
  QTextLayout layout(text_, box_->font());
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();  // lays the line out
  layout.draw(&painter, TextPosition(qRound(line.naturalTextWidth())));
}

void IndicatorPlate::paintEvent(QPaintEvent* /*event*/) {
  if (ground_.isNull() || !(CurrentLook() == look_)) RenderGround();
  QPainter painter(this);
  painter.drawPixmap(0, 0, ground_);
  DrawText(painter);
}

}  // namespace engine
