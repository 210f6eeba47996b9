// Control values and attributes on a panel of the test resource file.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "engine/engine_fixture.h"
#include "engine/engine_qt.h"
#include "support/events.h"

using namespace enginetest;

namespace {

class EngineControls : public PanelTest {};

TEST_F(EngineControls, RingHoldsItemValuesAndKeepsUnknownOnes) {
  int v = -1;
  ASSERT_EQ(GetCtrlVal(panel, kRing, &v), 0);
  EXPECT_EQ(v, 0);
  ASSERT_EQ(SetCtrlVal(panel, kRing, 4), 0);
  ASSERT_EQ(GetCtrlVal(panel, kRing, &v), 0);
  EXPECT_EQ(v, 4);
  char label[32];
  int count = 0;
  ASSERT_EQ(GetNumListItems(panel, kRing, &count), 0);
  EXPECT_EQ(count, 3);
  // A value no item has: it survives the round trip on an item of its own.
  ASSERT_EQ(SetCtrlVal(panel, kRing, 7), 0);
  ASSERT_EQ(GetCtrlVal(panel, kRing, &v), 0);
  EXPECT_EQ(v, 7);
  ASSERT_EQ(GetNumListItems(panel, kRing, &count), 0);
  EXPECT_EQ(count, 4);
  ASSERT_EQ(GetLabelFromIndex(panel, kRing, 3, label, sizeof label), 0);
  EXPECT_STREQ(label, "7");
  // Writing it again adds nothing.
  ASSERT_EQ(SetCtrlVal(panel, kRing, 1), 0);
  ASSERT_EQ(SetCtrlVal(panel, kRing, 7), 0);
  ASSERT_EQ(GetNumListItems(panel, kRing, &count), 0);
  EXPECT_EQ(count, 4);
  ASSERT_EQ(ReplaceListItem(panel, kRing, 1, "COM7 (ttyUSB0)", 7), 0);
  ASSERT_EQ(GetLabelFromIndex(panel, kRing, 1, label, sizeof label), 0);
  EXPECT_STREQ(label, "COM7 (ttyUSB0)");
  EXPECT_EQ(ReplaceListItem(panel, kRing, 9, "x", 1), UIETooManyOrNotEnoughValues);
  ASSERT_EQ(ClearListCtrl(panel, kRing), 0);
  ASSERT_EQ(InsertListItem(panel, kRing, -1, "port 1", 1), 0);
  ASSERT_EQ(InsertListItem(panel, kRing, 0, "port 2", 2), 0);
  ASSERT_EQ(GetLabelFromIndex(panel, kRing, 0, label, sizeof label), 0);
  EXPECT_STREQ(label, "port 2");
}

TEST_F(EngineControls, NumericValuesKeepTheirTypes) {
  unsigned short u = 0;
  ASSERT_EQ(SetCtrlVal(panel, kSpin, static_cast<unsigned short>(65535)), 0);
  ASSERT_EQ(GetCtrlVal(panel, kSpin, &u), 0);
  EXPECT_EQ(u, 65535);
  int i = 0;
  ASSERT_EQ(GetCtrlVal(panel, kSpin, &i), 0);
  EXPECT_EQ(i, 65535);
  // Clamped by the field's range like an instrument control.
  ASSERT_EQ(SetCtrlVal(panel, kSpin, 70000), 0);
  ASSERT_EQ(GetCtrlVal(panel, kSpin, &i), 0);
  EXPECT_EQ(i, 65535);
  ASSERT_EQ(SetCtrlVal(panel, kSpin, -5), 0);
  ASSERT_EQ(GetCtrlVal(panel, kSpin, &i), 0);
  EXPECT_EQ(i, 0);

  short s = 0;
  ASSERT_EQ(SetCtrlVal(panel, kShort, static_cast<short>(-1234)), 0);
  ASSERT_EQ(GetCtrlVal(panel, kShort, &s), 0);
  EXPECT_EQ(s, -1234);
  // A 16-bit read keeps the low 16 bits.
  ASSERT_EQ(GetCtrlVal(panel, kShort, &u), 0);
  EXPECT_EQ(u, static_cast<unsigned short>(-1234));
  unsigned int ui = 0;
  ASSERT_EQ(GetCtrlVal(panel, kShort, &ui), 0);
  EXPECT_EQ(ui, static_cast<unsigned int>(-1234));

  // Floating values read back exactly although the box shows two decimals.
  double d = 0;
  ASSERT_EQ(SetCtrlVal(panel, kDouble, 0.1234567), 0);
  ASSERT_EQ(GetCtrlVal(panel, kDouble, &d), 0);
  EXPECT_EQ(d, 0.1234567);
  float f = 0;
  ASSERT_EQ(SetCtrlVal(panel, kDouble, 3.3f), 0);
  ASSERT_EQ(GetCtrlVal(panel, kDouble, &f), 0);
  EXPECT_EQ(f, 3.3f);
  ASSERT_EQ(SetCtrlVal(panel, kDouble, 5000.0), 0);
  ASSERT_EQ(GetCtrlVal(panel, kDouble, &d), 0);
  EXPECT_EQ(d, 1000.0);
  char text[32];
  ASSERT_EQ(SetCtrlVal(panel, kDouble, 16.384), 0);
  ASSERT_EQ(GetCtrlVal(panel, kDouble, text, sizeof text), 0);
  EXPECT_STREQ(text, "16.384");

  // Binary controls and the slider.
  for (int ctrl : {kToggle, kRadio, kCheck}) {
    ASSERT_EQ(SetCtrlVal(panel, ctrl, 1), 0);
    ASSERT_EQ(GetCtrlVal(panel, ctrl, &i), 0);
    EXPECT_EQ(i, 1) << ctrl;
    ASSERT_EQ(SetCtrlVal(panel, ctrl, 0), 0);
    ASSERT_EQ(GetCtrlVal(panel, ctrl, &i), 0);
    EXPECT_EQ(i, 0) << ctrl;
  }
  ASSERT_EQ(SetCtrlVal(panel, kSlider, 42), 0);
  ASSERT_EQ(GetCtrlVal(panel, kSlider, &i), 0);
  EXPECT_EQ(i, 42);
}

struct PaintCount : QObject {
  int count = 0;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// A write of the value a numeric field already shows costs no repaint (indicators are
// written every measurement frame); a new value, or one the user has begun to type over,
// is shown.
TEST_F(EngineControls, WritingTheShownValueDoesNotRepaint) {
  DisplayPanel(panel);
  auto* spin = qobject_cast<QAbstractSpinBox*>(CtrlWidget(panel, kSpin));
  auto* dbl = qobject_cast<QAbstractSpinBox*>(CtrlWidget(panel, kDouble));
  ASSERT_TRUE(spin && dbl);
  ASSERT_EQ(SetCtrlVal(panel, kSpin, 5), 0);
  ASSERT_EQ(SetCtrlVal(panel, kDouble, 1.25), 0);
  Pump(0.05);
  PaintCount paints;
  spin->installEventFilter(&paints);
  dbl->installEventFilter(&paints);
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(SetCtrlVal(panel, kSpin, 5), 0);
    ASSERT_EQ(SetCtrlVal(panel, kDouble, 1.25), 0);
    ASSERT_EQ(SetCtrlVal(panel, kDouble, 1.2501), 0);  // the same two decimals on screen
    Pump(0.02);
  }
  EXPECT_EQ(paints.count, 0);
  double d = 0;
  ASSERT_EQ(GetCtrlVal(panel, kDouble, &d), 0);
  EXPECT_EQ(d, 1.2501) << "the exact value written is kept";

  ASSERT_EQ(SetCtrlVal(panel, kSpin, 6), 0);
  ASSERT_EQ(SetCtrlVal(panel, kDouble, 2.5), 0);
  Pump(0.05);
  EXPECT_GE(paints.count, 2);
  EXPECT_EQ(spin->text(), "6");
  EXPECT_EQ(dbl->text(), "2.50");

  // Typed over but not finished: a write of the same value shows it again.
  spin->findChild<QLineEdit*>()->setText("9");
  ASSERT_EQ(SetCtrlVal(panel, kSpin, 6), 0);
  EXPECT_EQ(spin->text(), "6");
  int i = 0;
  ASSERT_EQ(GetCtrlVal(panel, kSpin, &i), 0);
  EXPECT_EQ(i, 6);
}

TEST_F(EngineControls, TextControlsAndTextBoxLines) {
  char text[64];
  ASSERT_EQ(SetCtrlVal(panel, kMessage, "Echo Check - Line Ok!"), 0);
  ASSERT_EQ(GetCtrlVal(panel, kMessage, text, sizeof text), 0);
  EXPECT_STREQ(text, "Echo Check - Line Ok!");
  // The caller's buffer size is respected.
  ASSERT_EQ(GetCtrlVal(panel, kMessage, text, 5), 0);
  EXPECT_STREQ(text, "Echo");

  ASSERT_EQ(SetCtrlVal(panel, kTextBox, "HELP:\nfirst line\nsecond line"), 0);
  ASSERT_EQ(GetCtrlVal(panel, kTextBox, text, sizeof text), 0);
  EXPECT_STREQ(text, "HELP:\nfirst line\nsecond line");
  ASSERT_EQ(GetTextBoxLine(panel, kTextBox, 1, text, sizeof text), 0);
  EXPECT_STREQ(text, "first line");
  ASSERT_EQ(ReplaceTextBoxLine(panel, kTextBox, 4, "fifth"), 0);
  ASSERT_EQ(GetCtrlVal(panel, kTextBox, text, sizeof text), 0);
  EXPECT_STREQ(text, "HELP:\nfirst line\nsecond line\n\nfifth");
  EXPECT_EQ(GetTextBoxLine(panel, kTextBox, 9, text, sizeof text), UIETooManyOrNotEnoughValues);
  ASSERT_EQ(ResetTextBox(panel, kTextBox, "HELPTEXT1"), 0);
  ASSERT_EQ(GetCtrlVal(panel, kTextBox, text, sizeof text), 0);
  EXPECT_STREQ(text, "HELPTEXT1");

  ASSERT_EQ(SetCtrlVal(panel, kString, "/tmp/RECORD.DAT"), 0);
  ASSERT_EQ(GetCtrlVal(panel, kString, text, sizeof text), 0);
  EXPECT_STREQ(text, "/tmp/RECORD.DAT");
  // A number written to a text message shows as its shortest text.
  ASSERT_EQ(SetCtrlVal(panel, kMessage, 2.5), 0);
  ASSERT_EQ(GetCtrlVal(panel, kMessage, text, sizeof text), 0);
  EXPECT_STREQ(text, "2.5");
}

TEST_F(EngineControls, BadHandlesAndTypesAreErrors) {
  int v = 0;
  EXPECT_EQ(SetCtrlVal(panel, 999, 1), UIEBadControl);
  EXPECT_EQ(GetCtrlVal(panel, 999, &v), UIEBadControl);
  EXPECT_EQ(SetCtrlAttribute(panel, 999, ATTR_VISIBLE, 0), UIEBadControl);
  EXPECT_EQ(SetCtrlVal(9999, kSpin, 1), UIEBadPanelHandle);
  EXPECT_EQ(SetCtrlVal(panel, kSpin, "text"), UIEValueTypeMismatch);
  EXPECT_EQ(SetCtrlVal(panel, kButton, 1), UIEValueTypeMismatch);
  EXPECT_EQ(SetCtrlAttribute(panel, kSpin, 12345, 1), UIEInvalidAttribute);
  EXPECT_EQ(PlotRectangle(panel, kSpin, 0, 0, 1, 1, 0, 0), UIEValueTypeMismatch);
  int top, left, height, width;
  EXPECT_EQ(GetCtrlBoundingRect(panel, 999, &top, &left, &height, &width), UIEBadControl);
}

// A tooltip source is asked only when the tooltip is read or about to be shown.
TEST_F(EngineControls, TooltipFromASourceIsMadeWhenItIsNeeded) {
  DisplayPanel(panel);
  int asked = 0;
  std::string text = "Line: 1 requests";
  ASSERT_EQ(SetCtrlTooltipSource(panel, kMessage,
                                 [&] {
                                   ++asked;
                                   return text;
                                 }),
            0);
  text = "Line: 2 requests";
  EXPECT_EQ(asked, 0);
  char read[64] = "";
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TOOLTIP_TEXT, read, sizeof read), 0);
  EXPECT_STREQ(read, "Line: 2 requests");
  EXPECT_EQ(asked, 1);

  // The mouse resting on the control: the tooltip shown is made then.
  text = "Line: 3 requests";
  QWidget* w = CtrlWidget(panel, kMessage);
  QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(w, &hover);
  EXPECT_EQ(w->toolTip(), "Line: 3 requests");
  EXPECT_EQ(asked, 2);

  // A text set later replaces the source.
  ASSERT_EQ(SetCtrlAttribute(panel, kMessage, ATTR_TOOLTIP_TEXT, "fixed"), 0);
  QApplication::sendEvent(w, &hover);
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TOOLTIP_TEXT, read, sizeof read), 0);
  EXPECT_STREQ(read, "fixed");
  EXPECT_EQ(w->toolTip(), "fixed");
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(SetCtrlTooltipSource(panel, 999, [] { return std::string(); }), UIEBadControl);
}

TEST_F(EngineControls, AttributesAreAppliedAndReadBack) {
  int v = 0;
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_DIMMED, 1), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kSpin, ATTR_DIMMED, &v), 0);
  EXPECT_EQ(v, 1);
  EXPECT_FALSE(CtrlWidget(panel, kSpin)->isEnabled());
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_DIMMED, 0), 0);
  EXPECT_TRUE(CtrlWidget(panel, kSpin)->isEnabled());

  ASSERT_EQ(SetCtrlAttribute(panel, kMessage, ATTR_TEXT_BGCOLOR, 0xFF0000), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TEXT_BGCOLOR, &v), 0);
  EXPECT_EQ(v, 0xFF0000);
  ASSERT_EQ(SetCtrlAttribute(panel, kMessage, ATTR_TEXT_COLOR, 0xFFFFFF), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TEXT_COLOR, &v), 0);
  EXPECT_EQ(v, 0xFFFFFF);
  QWidget* message = CtrlWidget(panel, kMessage);
  EXPECT_EQ(message->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(message->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  // Dark green behind a number without a text colour of its own: the text turns white.
  ASSERT_EQ(SetCtrlAttribute(panel, kDouble, ATTR_TEXT_BGCOLOR, 0x008000), 0);
  EXPECT_EQ(CtrlWidget(panel, kDouble)->palette().color(QPalette::Base), QColor(0, 128, 0));
  EXPECT_EQ(CtrlWidget(panel, kDouble)->palette().color(QPalette::Text), QColor(Qt::white));

  ASSERT_EQ(SetCtrlAttribute(panel, kMessage, ATTR_TEXT_BOLD, 1), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TEXT_BOLD, &v), 0);
  EXPECT_EQ(v, 1);
  ASSERT_EQ(SetCtrlAttribute(panel, kMessage, ATTR_TEXT_POINT_SIZE, 18), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TEXT_POINT_SIZE, &v), 0);
  EXPECT_EQ(v, 18);
  char name[64];
  ASSERT_EQ(SetCtrlAttribute(panel, kMessage, ATTR_TEXT_FONT, "NIApp"), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kMessage, ATTR_TEXT_FONT, name, sizeof name), 0);
  EXPECT_STREQ(name, "NIApp");

  ASSERT_EQ(SetCtrlAttribute(panel, kFrame, ATTR_FRAME_COLOR, 0x0080FF), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kFrame, ATTR_FRAME_COLOR, &v), 0);
  EXPECT_EQ(v, 0x0080FF);
  EXPECT_TRUE(CtrlWidget(panel, kFrame)->autoFillBackground());
  EXPECT_EQ(CtrlWidget(panel, kFrame)->palette().color(QPalette::Window), QColor(0, 128, 255));

  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_LABEL_TEXT, "Samples"), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kSpin, ATTR_LABEL_TEXT, name, sizeof name), 0);
  EXPECT_STREQ(name, "Samples");
  ASSERT_EQ(SetCtrlAttribute(panel, kButton, ATTR_LABEL_TEXT, "HALT"), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kButton, ATTR_LABEL_TEXT, name, sizeof name), 0);
  EXPECT_STREQ(name, "HALT");
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_LABEL_BOLD, 1), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kSpin, ATTR_LABEL_BOLD, &v), 0);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(GetCtrlAttribute(panel, kSpin, ATTR_LABEL_TEXT, &v), UIEValueTypeMismatch);
}

TEST_F(EngineControls, LabelFollowsVisibilityDimmingAndPosition) {
  QWidget* spin = CtrlWidget(panel, kSpin);
  QLabel* label = nullptr;
  for (auto* l : PanelWidget(panel)->findChildren<QLabel*>())
    if (l->property("labelFor").toInt() == kSpin) label = l;
  ASSERT_NE(label, nullptr);
  DisplayPanel(panel);
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_VISIBLE, 0), 0);
  EXPECT_FALSE(spin->isVisible());
  EXPECT_FALSE(label->isVisible());
  int v = 1;
  ASSERT_EQ(GetCtrlAttribute(panel, kSpin, ATTR_VISIBLE, &v), 0);
  EXPECT_EQ(v, 0);
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_VISIBLE, 1), 0);
  EXPECT_TRUE(spin->isVisible());
  EXPECT_TRUE(label->isVisible());
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_DIMMED, 1), 0);
  EXPECT_FALSE(label->isEnabled());

  // Moving the control moves its label by the same distance.
  QPoint labelAt = label->pos();
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_LEFT, 110), 0);
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_TOP, 80), 0);
  EXPECT_EQ(label->pos(), labelAt + QPoint(100, 20));
  int top, left, height, width;
  ASSERT_EQ(GetCtrlBoundingRect(panel, kSpin, &top, &left, &height, &width), 0);
  EXPECT_EQ(top, 80);
  EXPECT_EQ(left, 110);
  EXPECT_EQ(height, 24);
  EXPECT_EQ(width, 80);
  ASSERT_EQ(SetCtrlAttribute(panel, kSpin, ATTR_WIDTH, 120), 0);
  ASSERT_EQ(GetCtrlAttribute(panel, kSpin, ATTR_WIDTH, &v), 0);
  EXPECT_EQ(v, 120);
}

TEST_F(EngineControls, NewTextMessageAndPicture) {
  int id = NewCtrl(panel, CTRL_TEXT_MSG, "", 35, 300);
  ASSERT_GE(id, 1000);
  int second = NewCtrl(panel, CTRL_TEXT_MSG, "", 40, 450);
  EXPECT_NE(second, id);
  ASSERT_EQ(SetCtrlAttribute(panel, id, ATTR_TEXT_POINT_SIZE, 18), 0);
  ASSERT_EQ(SetCtrlVal(panel, id, "Q-ROX-MX-Raror"), 0);
  char text[32];
  ASSERT_EQ(GetCtrlVal(panel, id, text, sizeof text), 0);
  EXPECT_STREQ(text, "Q-ROX-MX-Raror");
  int top, left, height, width;
  ASSERT_EQ(GetCtrlBoundingRect(panel, id, &top, &left, &height, &width), 0);
  EXPECT_EQ(top, 35);
  EXPECT_EQ(left, 300);
  // Sized to its text.
  auto* label = qobject_cast<QLabel*>(CtrlWidget(panel, id));
  ASSERT_NE(label, nullptr);
  EXPECT_GE(width, label->fontMetrics().horizontalAdvance("Q-ROX-MX-Raror"));

  EXPECT_EQ(DisplayImageFile(panel, kPicture, "/nonexistent/zx.bmp"), UIEFile);
  std::string image = TempDir() + "/logo.png";
  QImage(20, 10, QImage::Format_RGB32).save(QString::fromStdString(image));
  ASSERT_EQ(DisplayImageFile(panel, kPicture, image.c_str()), 0);
  auto* picture = qobject_cast<QLabel*>(CtrlWidget(panel, kPicture));
  EXPECT_EQ(picture->pixmap().size(), QSize(20, 10));
  EXPECT_EQ(NewCtrl(panel, 1, "", 0, 0), UIEValueTypeMismatch);
}

}  // namespace
