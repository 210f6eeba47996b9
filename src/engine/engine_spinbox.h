// Numeric controls that tell each step: an arrow button, the Up/Down and Page keys or the
// mouse wheel change the value by steps, and each step is a finished edit (a commit), as
// a user expects. Indicators among them (read-only, without arrows) draw their own text.
// Private to src/engine.
#pragma once

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPixmap>
#include <QSpinBox>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

#include "engine/engine_glyphs.h"
#include "engine/engine_look.h"

namespace engine {

// The text area of an indicator: an opaque child over the hidden line edit. It shows the
// box's own look there from a picture and draws the text on it as the line edit would,
// so that a new value repaints this area alone, not the box and what lies beneath it.
class IndicatorPlate : public QWidget {
 public:
  explicit IndicatorPlate(QAbstractSpinBox* box);
  void SetText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Everything the box's look beneath the text depends on.
  struct Look {
    WidgetLook box;
    QRect area;  // of the text, in the box
    bool focused = false;
    bool operator==(const Look&) const = default;
  };
  Look CurrentLook() const;
  void RenderGround();
  QPoint TextPosition(int width) const;
  void DrawText(QPainter& painter);

  QAbstractSpinBox* box_;
  QString text_;
  QPixmap ground_;
  Look look_;
  std::optional<QFont> glyphsFont_;
  std::shared_ptr<const NumberGlyphs> glyphs_;  // of glyphsFont_; null: lay the text out
};

template <class Box>
class SteppingBox : public Box {
 public:
  using Value = std::decay_t<decltype(std::declval<const Box&>().value())>;
  using Box::Box;
  // Runs after every step that the box took.
  std::function<void()> stepped;

  void stepBy(int steps) override {
    Box::stepBy(steps);
    if (stepped) stepped();
  }

  // Shows `value`. A box repaints on every write, even of the value it shows, so a
  // value already shown is not written again (an unfinished edit by the user does not
  // count as shown). An indicator keeps the value and draws its text itself: its line
  // edit would lay the text out three times for every new value, and an indicator
  // changes with every measured frame.
  void Show(Value value) {
    if (DrawsOwnText()) {
      ShowOnIndicator(value);
      return;
    }
    if (!Shows(value)) this->setValue(value);
  }

  // The value the box shows, as value() will give it once the box is in step.
  Value ShownValue() const { return pending_ ? *pending_ : this->value(); }

  // Brings the box itself (value, text of the hidden line edit) in step with what it
  // shows; a reader of the box calls it first.
  void Sync() {
    if (!pending_) return;
    const Value value = *pending_;
    pending_.reset();
    const QSignalBlocker quiet(this);  // a write, not a change by the user
    this->setValue(value);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    Box::resizeEvent(event);
    if (plate_) plate_->setGeometry(this->lineEdit()->geometry());
  }

 private:
  // A read-only box without arrows, its text left or right: it draws the text as its line
  // edit would. The line edit is hidden from the first value on.
  bool DrawsOwnText() {
    if (ownText_) return true;
    const Qt::Alignment h = this->alignment() & Qt::AlignHorizontal_Mask;
    if (!this->isReadOnly() || this->buttonSymbols() != QAbstractSpinBox::NoButtons ||
        (h != Qt::AlignLeft && h != Qt::AlignRight))
      return false;
    shownText_ = this->text();
    plate_ = new IndicatorPlate(this);
    plate_->setGeometry(this->lineEdit()->geometry());
    plate_->SetText(shownText_);
    plate_->show();
    this->lineEdit()->hide();
    ownText_ = true;
    return true;
  }

  bool Shows(Value value) const { return this->text() == TextOf(value); }

  // A text already shown stands for the value the box holds (or is about to).
  void ShowOnIndicator(Value value) {
    value = std::clamp(value, this->minimum(), this->maximum());
    QString text = TextOf(value);
    if (text == shownText_) return;
    pending_ = Held(value);
    shownText_ = std::move(text);
    plate_->SetText(shownText_);
  }

  // What setValue would keep of `value`: a float box rounds it to its decimals.
  Value Held(Value value) const {
    if constexpr (std::is_same_v<Value, double>)
      value = QString::number(value, 'f', this->decimals()).toDouble();
    return std::clamp(value, this->minimum(), this->maximum());
  }

  QString TextOf(Value value) const {
    if (value == this->minimum() && !this->specialValueText().isEmpty())
      return this->specialValueText();
    return this->prefix() + this->textFromValue(value) + this->suffix();
  }

  bool ownText_ = false;
  QString shownText_;
  IndicatorPlate* plate_ = nullptr;  // a child of the box
  std::optional<Value> pending_;
};

using SteppingSpinBox = SteppingBox<QSpinBox>;
using SteppingDoubleSpinBox = SteppingBox<QDoubleSpinBox>;

}  // namespace engine
