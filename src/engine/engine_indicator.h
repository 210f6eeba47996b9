// Indicators: the numeric fields of the resource file that only show values (read-only,
// without arrows). Each becomes a display of its own: a line edit's frame, as the style
// draws it, around an opaque read-only line edit without a frame that holds the text. A
// new value sets that text once and repaints the text area alone, neither the frame nor
// the group box beneath it; what the indicator gives back and what assistive tools read
// as its value are always what it shows. Private to src/engine.
#pragma once

#include <QLocale>
#include <QStyleOptionFrame>
#include <QWidget>

class QLineEdit;

namespace engine {

class Indicator : public QWidget {
  Q_OBJECT

 public:
  // How the field writes a number.
  struct Format {
    double minimum = 0.0;
    double maximum = 0.0;
    int decimals = -1;  // an integer: none
    QString prefix, suffix, special;
    QLocale locale;
  };

  Indicator(const Format& format, double value, QWidget* parent);

  bool integer() const { return format_.decimals < 0; }
  double minimum() const { return format_.minimum; }
  double maximum() const { return format_.maximum; }
  double value() const { return value_; }
  QString text() const;
  void setAlignment(Qt::Alignment alignment);

  // Shows `value` (within the range) and returns the value held for it: a float rounded
  // to the decimals shown.
  double Show(double value);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QStyleOptionFrame Frame() const;
  void PlaceText();
  QString TextOf(double value) const;

  Format format_;
  double value_;
  QLineEdit* text_;  // a child
};

// Puts indicators in the places of the read-only numeric fields without arrows under
// `root`, with their look, range, format and properties.
void ReplaceIndicators(QWidget* root);

}  // namespace engine
