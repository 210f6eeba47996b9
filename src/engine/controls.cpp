// Control values: typed reads and writes on the widgets of the resource file.
#include <qcustomplot.h>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextEdit>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "engine/engine_controls.h"
#include "engine/engine_indicator.h"
#include "engine/engine_internal.h"
#include "engine/engine_spinbox.h"

namespace engine {

Kind KindOf(const QWidget* w) {
  if (!w) return Kind::Unknown;
  if (qobject_cast<const QCustomPlot*>(w)) return Kind::Graph;
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
    if (qobject_cast<const QPushButton*>(w)) return b->isCheckable() ? Kind::Binary : Kind::Button;
    return Kind::Binary;
  }
  if (auto* indicator = qobject_cast<const engine::Indicator*>(w))
    return indicator->integer() ? Kind::IntNumeric : Kind::FloatNumeric;
  if (qobject_cast<const QSpinBox*>(w)) return Kind::IntNumeric;
  if (qobject_cast<const QDoubleSpinBox*>(w)) return Kind::FloatNumeric;
  if (qobject_cast<const QComboBox*>(w)) return Kind::Ring;
  if (qobject_cast<const QAbstractSlider*>(w)) return Kind::Slider;
  if (qobject_cast<const QLineEdit*>(w)) return Kind::String;
  if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w))
    return Kind::TextBox;
  if (qobject_cast<const QLabel*>(w))
    return w->property("picture").toBool() ? Kind::Picture : Kind::Label;
  return Kind::Decoration;
}

std::string FormatNumber(double v) {
  if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.*g", std::numeric_limits<double>::max_digits10, v);
  // Prefer the shortest text that reads back as the same value.
  for (int digits = 1; digits <= std::numeric_limits<double>::max_digits10; ++digits) {
    char shorter[48];
    std::snprintf(shorter, sizeof shorter, "%.*g", digits, v);
    if (std::strtod(shorter, nullptr) == v) return shorter;
  }
  return text;
}

QString TextOf(const QWidget* w) {
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return t->toPlainText();
  if (auto* t = qobject_cast<const QTextEdit*>(w)) return t->toPlainText();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  return {};
}

void SetTextOf(ControlState& c, const QString& text) {
  QWidget* w = c.widget;
  QSignalBlocker block(w);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(text);
    e->setCursorPosition(0);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(text);
    if (c.autoSize) l->adjustSize();
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    t->setPlainText(text);
  } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
    t->setPlainText(text);
  }
}

}  // namespace engine

namespace {

using engine::ControlState;
using engine::Kind;

int SelectRingValue(QComboBox* box, int value) {
  int index = box->findData(value);
  if (index < 0) {
    // Every value survives a write and a read: an unknown one gets an item of its own.
    box->addItem(QString::number(value), value);
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
  return 0;
}

// The range of a numeric control.
std::pair<double, double> RangeOf(const QWidget* w) {
  if (auto* indicator = qobject_cast<const engine::Indicator*>(w))
    return {indicator->minimum(), indicator->maximum()};
  if (auto* box = qobject_cast<const QSpinBox*>(w)) return {box->minimum(), box->maximum()};
  auto* box = static_cast<const QDoubleSpinBox*>(w);
  return {box->minimum(), box->maximum()};
}

template <class Box, class Value>
Value ShowOnBox(Box* box, Value value) {
  if (auto* stepping = dynamic_cast<engine::SteppingBox<Box>*>(box))
    stepping->Show(value);
  else
    box->setValue(value);
  return box->value();
}

// Shows `value` (within the range) on a numeric control; returns the value it holds.
double ShowNumber(QWidget* w, double value) {
  if (auto* indicator = qobject_cast<engine::Indicator*>(w)) return indicator->Show(value);
  if (auto* box = qobject_cast<QSpinBox*>(w)) return ShowOnBox(box, static_cast<int>(value));
  return ShowOnBox(static_cast<QDoubleSpinBox*>(w), value);
}

// The value a numeric control holds.
double NumberOf(const QWidget* w) {
  if (auto* indicator = qobject_cast<const engine::Indicator*>(w)) return indicator->value();
  if (auto* box = qobject_cast<const QSpinBox*>(w)) return box->value();
  return static_cast<const QDoubleSpinBox*>(w)->value();
}

int SetNumeric(ControlState& c, double v) {
  QWidget* w = c.widget;
  QSignalBlocker block(w);
  switch (engine::KindOf(w)) {
    case Kind::Binary:
      static_cast<QAbstractButton*>(w)->setChecked(v != 0);
      c.hasExact = true;
      c.exactValue = v;
      return 0;
    case Kind::IntNumeric: {
      const auto [lo, hi] = RangeOf(w);
      c.lastValue = ShowNumber(w, std::isnan(v) ? lo : std::clamp(std::round(v), lo, hi));
      c.pendingCommit = false;
      return 0;
    }
    case Kind::FloatNumeric: {
      const auto [lo, hi] = RangeOf(w);
      const double clamped = std::isnan(v) ? lo : std::clamp(v, lo, hi);
      c.hasExact = true;
      c.exactValue = clamped;
      c.exactShown = ShowNumber(w, clamped);
      c.lastValue = c.exactShown;
      c.pendingCommit = false;
      return 0;
    }
    case Kind::Ring:
      return SelectRingValue(static_cast<QComboBox*>(w), static_cast<int>(std::llround(v)));
    case Kind::Slider:
      static_cast<QAbstractSlider*>(w)->setValue(static_cast<int>(std::llround(v)));
      return 0;
    case Kind::String:
    case Kind::Label:
    case Kind::TextBox:
      engine::SetTextOf(c, QString::fromStdString(engine::FormatNumber(v)));
      return 0;
    default:
      return UIEValueTypeMismatch;
  }
}

int GetNumeric(const ControlState& c, double* v) {
  const QWidget* w = c.widget;
  switch (engine::KindOf(w)) {
    case Kind::Binary: {
      // A switch written with a word other than 0 or 1 gives that word back until the
      // user switches it.
      const bool on = static_cast<const QAbstractButton*>(w)->isChecked();
      *v = c.hasExact && on == (c.exactValue != 0) ? c.exactValue : (on ? 1 : 0);
      return 0;
    }
    case Kind::IntNumeric:
      *v = NumberOf(w);
      return 0;
    case Kind::FloatNumeric: {
      double shown = NumberOf(w);
      *v = c.hasExact && shown == c.exactShown ? c.exactValue : shown;
      return 0;
    }
    case Kind::Ring: {
      auto* box = static_cast<const QComboBox*>(w);
      *v = box->currentIndex() < 0 ? 0 : box->currentData().toInt();
      return 0;
    }
    case Kind::Slider:
      *v = static_cast<const QAbstractSlider*>(w)->value();
      return 0;
    case Kind::String:
    case Kind::Label:
    case Kind::TextBox: {
      bool ok = false;
      double parsed = engine::TextOf(w).trimmed().toDouble(&ok);
      if (!ok) return UIEValueTypeMismatch;
      *v = parsed;
      return 0;
    }
    default:
      return UIEValueTypeMismatch;
  }
}

int SetNumericCtrl(int panel, int control, double v) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  return SetNumeric(*c, v);
}

template <class T>
int GetIntegerCtrl(int panel, int control, T* out) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!out) return UIEValueTypeMismatch;
  double v = 0;
  if (int r = GetNumeric(*c, &v)) return r;
  // Integers of the caller's width: the value wraps like a C conversion of its bits.
  long long whole = std::isfinite(v) ? std::llround(std::clamp(v, -9.0e18, 9.0e18)) : 0;
  *out = static_cast<T>(whole);
  return 0;
}

}  // namespace

int SetCtrlVal(int panel, int control, int value) {
  return SetNumericCtrl(panel, control, value);
}
int SetCtrlVal(int panel, int control, unsigned int value) {
  return SetNumericCtrl(panel, control, value);
}
int SetCtrlVal(int panel, int control, unsigned short value) {
  return SetNumericCtrl(panel, control, value);
}
int SetCtrlVal(int panel, int control, short value) {
  return SetNumericCtrl(panel, control, value);
}
int SetCtrlVal(int panel, int control, double value) {
  return SetNumericCtrl(panel, control, value);
}
int SetCtrlVal(int panel, int control, float value) {
  return SetNumericCtrl(panel, control, value);
}

int SetCtrlVal(int panel, int control, const char* value) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  QString text = QString::fromUtf8(value ? value : "");
  switch (engine::KindOf(c->widget)) {
    case Kind::String:
    case Kind::Label:
    case Kind::TextBox:
      engine::SetTextOf(*c, text);
      return 0;
    case Kind::Ring: {
      auto* box = static_cast<QComboBox*>(c->widget.data());
      int index = box->findText(text);
      if (index < 0) return UIEValueTypeMismatch;
      QSignalBlocker block(box);
      box->setCurrentIndex(index);
      return 0;
    }
    default:
      return UIEValueTypeMismatch;
  }
}

int GetCtrlVal(int panel, int control, int* value) {
  return GetIntegerCtrl(panel, control, value);
}
int GetCtrlVal(int panel, int control, unsigned int* value) {
  return GetIntegerCtrl(panel, control, value);
}
int GetCtrlVal(int panel, int control, unsigned short* value) {
  return GetIntegerCtrl(panel, control, value);
}
int GetCtrlVal(int panel, int control, short* value) {
  return GetIntegerCtrl(panel, control, value);
}

int GetCtrlVal(int panel, int control, double* value) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!value) return UIEValueTypeMismatch;
  return GetNumeric(*c, value);
}

int GetCtrlVal(int panel, int control, float* value) {
  double v = 0;
  int r = GetCtrlVal(panel, control, &v);
  if (r == 0 && value) *value = static_cast<float>(v);
  return r;
}

int GetCtrlVal(int panel, int control, char* value, int size) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!value || size <= 0) return UIEValueTypeMismatch;
  switch (engine::KindOf(c->widget)) {
    case Kind::String:
    case Kind::Label:
    case Kind::TextBox:
      engine::CopyOut(engine::TextOf(c->widget).toStdString(), value, size);
      return 0;
    default: {
      double v = 0;
      if (int r = GetNumeric(*c, &v)) return r;
      engine::CopyOut(engine::FormatNumber(v), value, size);
      return 0;
    }
  }
}

// ---------------------------------------------------------------- text boxes

namespace {

QStringList Lines(const QWidget* w) {
  return engine::TextOf(w).split('\n');
}

}  // namespace

int ResetTextBox(int panel, int control, const char* text) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  Kind kind = engine::KindOf(c->widget);
  if (kind != Kind::TextBox && kind != Kind::String && kind != Kind::Label)
    return UIEValueTypeMismatch;
  engine::SetTextOf(*c, QString::fromUtf8(text ? text : ""));
  return 0;
}

int ReplaceTextBoxLine(int panel, int control, int line, const char* text) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (engine::KindOf(c->widget) != Kind::TextBox) return UIEValueTypeMismatch;
  if (line < 0) return UIETooManyOrNotEnoughValues;
  QStringList lines = Lines(c->widget);
  while (lines.size() <= line) lines.append(QString());
  lines[line] = QString::fromUtf8(text ? text : "");
  engine::SetTextOf(*c, lines.join('\n'));
  return 0;
}

int GetTextBoxLine(int panel, int control, int line, char* text, int size) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (engine::KindOf(c->widget) != Kind::TextBox) return UIEValueTypeMismatch;
  QStringList lines = Lines(c->widget);
  if (line < 0 || line >= lines.size()) return UIETooManyOrNotEnoughValues;
  engine::CopyOut(lines[line].toStdString(), text, size);
  return 0;
}

// ---------------------------------------------------------------- list and ring controls

namespace {

int LookupRing(int panel, int control, QComboBox** box) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  *box = qobject_cast<QComboBox*>(c->widget.data());
  return *box ? 0 : UIEValueTypeMismatch;
}

}  // namespace

int ReplaceListItem(int panel, int control, int index, const char* label, int value) {
  QComboBox* box = nullptr;
  if (int r = LookupRing(panel, control, &box)) return r;
  if (index < 0 || index > box->count()) return UIETooManyOrNotEnoughValues;
  QSignalBlocker block(box);
  QString text = QString::fromUtf8(label ? label : "");
  if (index == box->count()) {
    box->addItem(text, value);
  } else {
    box->setItemText(index, text);
    box->setItemData(index, value);
  }
  return 0;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
  QComboBox* box = nullptr;
  if (int r = LookupRing(panel, control, &box)) return r;
  if (index < -1 || index > box->count()) return UIETooManyOrNotEnoughValues;
  QSignalBlocker block(box);
  box->insertItem(index < 0 ? box->count() : index, QString::fromUtf8(label ? label : ""), value);
  return 0;
}

int ClearListCtrl(int panel, int control) {
  QComboBox* box = nullptr;
  if (int r = LookupRing(panel, control, &box)) return r;
  QSignalBlocker block(box);
  box->clear();
  return 0;
}

int GetLabelFromIndex(int panel, int control, int index, char* label, int size) {
  QComboBox* box = nullptr;
  if (int r = LookupRing(panel, control, &box)) return r;
  if (index < 0 || index >= box->count()) return UIETooManyOrNotEnoughValues;
  engine::CopyOut(box->itemText(index).toStdString(), label, size);
  return 0;
}

int GetNumListItems(int panel, int control, int* count) {
  QComboBox* box = nullptr;
  if (int r = LookupRing(panel, control, &box)) return r;
  if (count) *count = box->count();
  return 0;
}
