// Kinds of controls and text helpers shared by the value and attribute code.
// Private to src/engine.
#pragma once

#include <QString>
#include <string>

#include "engine/engine_internal.h"

namespace engine {

enum class Kind {
  Unknown,
  Button,        // command button
  Binary,        // toggle button, radio button, check box: 0 / 1
  IntNumeric,    // QSpinBox, an integer indicator
  FloatNumeric,  // QDoubleSpinBox, a float indicator
  Ring,          // QComboBox
  Slider,
  String,   // QLineEdit
  TextBox,  // QPlainTextEdit
  Label,    // text message
  Picture,
  Decoration,
  Graph,
};

Kind KindOf(const QWidget* w);
// Shortest decimal text that reads back as the same value.
std::string FormatNumber(double v);
QString TextOf(const QWidget* w);
void SetTextOf(ControlState& c, const QString& text);

}  // namespace engine
