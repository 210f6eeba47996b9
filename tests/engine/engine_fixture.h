// A small resource file written by the tests themselves, with one control of every kind.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <string>

#include "engine/engine.h"
#include "support/test_files.h"

namespace enginetest {

// Control ids of the test panel (resource 2).
enum : int {
  kButton = 3,
  kToggle = 4,
  kRadio = 5,
  kCheck = 6,
  kSpin = 7,
  kDouble = 8,
  kRing = 9,
  kSlider = 10,
  kString = 11,
  kTextBox = 12,
  kMessage = 13,
  kFrame = 14,
  kGraph = 15,
  kStrip = 16,
  kPicture = 17,
  kShort = 18,
  kPixels = 19,       // an integer indicator, right-aligned
  kMillimetres = 20,  // a float indicator with three decimals, left-aligned
};

// Path of the test resource file (written for each test).
std::string TestUir();

// Loads panel 2 of the test resource file and discards it at the end of the test.
class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  int panel = 0;
};

// What the screen shows of a widget: its window's picture as the repaints left it (not a
// fresh rendering of the widget, as QWidget::grab would make).
QImage OnScreen(QWidget* w);

}  // namespace enginetest
