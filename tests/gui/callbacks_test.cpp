// Parameter-control callbacks on the real panels: help boxes (text, placement, toggling,
// stacking above the pages), field corrections, dependent controls, the threshold
// slider and the page toggles.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <string>

#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "gui/gui.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/uir_geometry.h"

namespace {

using disptest::Cursor;
using identtest::Attr;
using identtest::DoubleOf;
using identtest::IntOf;
using identtest::TextOf;

struct HelpCase {
  int* panel;  // a page, or the main panel
  int control;
  int box;
  int dx;  // box left = page left + L + W + dx (E-END: L - W + dx)
  int dy;  // box top = page top + T + dy
  const char* text;
};

class CallbacksTest : public AppTest {
 protected:
  void SetUp() override { StartApp(sim::DefaultModel()); }

  // Where a help box must go for a control: the designed offset from the control's
  // geometry in the resource file, on the main panel or on a page, which start-up places
  // at left 8, top 105.
  static void ExpectedPlace(const HelpCase& c, int* left, int* top) {
    const bool onMain = *c.panel == pHandle;
    const int resource = onMain               ? PANEL_MAIN
                         : *c.panel == pPara1 ? PANEL_PARA1
                         : *c.panel == pPara2 ? PANEL_PARA2
                                              : PANEL_CALIB;
    const uirtest::Rect r = uirtest::DesignedRect(resource, c.control);
    ASSERT_GE(r.x, 0) << "control " << c.control << " not in the resource file";
    const int pageLeft = onMain ? 0 : 8;
    const int pageTop = onMain ? 0 : 105;
    *left =
        c.control == MAIN_EEND && onMain ? r.x - r.width + c.dx : pageLeft + r.x + r.width + c.dx;
    *top = pageTop + r.y + c.dy;
  }

  // The box is really on top where it lies: the widget found at its centre is the box.
  static bool BoxOnTop(int box) {
    QWidget* w = CtrlWidget(pHandle, box);
    QWidget* main = PanelWidget(pHandle);
    if (!w || !main) return false;
    const QPoint centre = w->geometry().center();
    QWidget* at = main->childAt(centre);
    return at == w || w->isAncestorOf(at);
  }

  static void CheckHelp(const HelpCase& c) {
    SCOPED_TRACE(c.text);
    const int other = c.box == MAIN_HELP1 ? MAIN_HELP2 : MAIN_HELP1;
    SetCtrlAttribute(pHandle, c.box, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, other, ATTR_VISIBLE, 0);
    CallCtrlCallback(*c.panel, c.control, EVENT_RIGHT_CLICK);
    EXPECT_EQ(Attr(pHandle, c.box, ATTR_VISIBLE), 1);
    EXPECT_EQ(Attr(pHandle, other, ATTR_VISIBLE), 0);
    EXPECT_EQ(TextOf(pHandle, c.box), c.text);
    int left = 0, top = 0;
    ExpectedPlace(c, &left, &top);
    EXPECT_EQ(Attr(pHandle, c.box, ATTR_LEFT), left);
    EXPECT_EQ(Attr(pHandle, c.box, ATTR_TOP), top);
    EXPECT_TRUE(BoxOnTop(c.box));
    // A second right click hides it again; the text stays.
    CallCtrlCallback(*c.panel, c.control, EVENT_RIGHT_CLICK);
    EXPECT_EQ(Attr(pHandle, c.box, ATTR_VISIBLE), 0);
    EXPECT_EQ(TextOf(pHandle, c.box), c.text);
  }
};

const HelpCase kHelp[] = {
    {&pHandle, MAIN_EBEG, MAIN_HELP1, 10, -20,
     "E-BEG:\nSet evaluation begin at the Q-ROX sensor\nEvaluation starts with this pixel ..."},
    {&pHandle, MAIN_EEND, MAIN_HELP1, -100, -20,
     "E-END:\nSet evaluation end at the Q-ROX sensor\nEvaluation ends with this pixel ..."},
    {&pPara1, PARA1_EVALMODE, MAIN_HELP1, 20, -10,
     "EVALUATION-MODE:\nDrop-down element to select an\nevaluation mode at the Q-ROX-sensor."},
    {&pPara1, PARA1_HWMODE, MAIN_HELP1, 20, -10,
     "HARDWARE OPERATION-MODE:\nDrop-down element to enable or disable \nharware components "
     "e.g. the button or\npotentiometer at the Q-ROX-housing."},
    {&pPara1, PARA1_TRIGMODE, MAIN_HELP1, 20, -10,
     "TRIGGER-MODE:\nSelect a trigg.-mode at the Q-ROX-sensor.\nFor external trigger mode "
     "IN0=Pin3[green]\nof 8-pole. female plc-connector is used !"},
    {&pPara1, PARA1_POLARITY, MAIN_HELP1, 20, -10,
     "POLARITY:\nDrop-down element to change the polarity\n(0V,+24VDC) of the digital outputs "
     "OUT0,\nOUT1 and OUT2 at the Q-ROX-sensor."},
    {&pPara1, PARA1_AVERAGE, MAIN_HELP2, 20, -10,
     "AVERAGE:\nNumber of CCD-scans which are stored\nin a ring-buffer. On every main-loop\n"
     "-cycle a mean-value is calculated\nfrom the ring-buffer.\nThe switching frequency is not "
     "reduced!\nAveraging affects the analog output\nvoltage (smoothing)."},
    {&pPara1, PARA1_ANAMODE, MAIN_HELP1, 20, -10,
     "ANALOG-OUT:\nDrop-down element to preset the mode\nof the analog output. The "
     "analog-output\nis connected to /pin8/red/8-pole socket."},
    {&pPara1, PARA1_TOLERANCE_UP, MAIN_HELP1, 20, -10,
     "TOLERANCE-UP:\nNumerical input field to preset the upper\ntolerance limit in [pixel] at "
     "the hardware."},
    {&pPara1, PARA1_HOLD, MAIN_HELP1, 25, -10,
     "HOLD [ms]:\nWith this drop-down, the hold-time in [ms]\nof the OUT0 (pin5\\grey) "
     "digital-output can be set."},
    {&pPara2, PARA2_POWER, MAIN_HELP1, 135, -10,
     "POWER:\nWith this slider, the power of the light-\nsource at the Q-ROX-sensor can be set."},
    {&pPara2, PARA2_THRESHOLD, MAIN_HELP1, 30, -10,
     "V-THD:\nWith this slider, the video-threshold for\nthe calculation of the edges can be "
     "set.\nIt is displayed by the green horiz. line!"},
    {&pPara2, PARA2_POWERMODE, MAIN_HELP1, 25, -10,
     "PMODE:\nWith this drop-down, the working-mode\nof the light-source at the Q-ROX-sensor can "
     "be set."},
    {&pCalib, CALIB_OPMODE, MAIN_HELP1, 120, -10,
     "OPERATION-MODE:\nBinary-switch to set the operation mode\nof the CCD-receiver amplifier."},
    {&pHandle, MAIN_RUN, MAIN_HELP1, 10, -10,
     "RUN-BUTTON:\nStart the continuosly serial RS232-data-\ntransfer between PC and Q-ROX "
     "sensor...\nA frame of 16 meas.-values is transferred!"},
    {&pHandle, MAIN_STOP, MAIN_HELP1, 10, -10,
     "STOP-BUTTON:\nStops the serial RS232-data-transfer\nbetween PC and Q-ROX sensor."},
    {&pHandle, MAIN_GET, MAIN_HELP1, 20, -20,
     "GET-BUTTON:\nGet parameter-frame of Q-ROX sensor\nfrom EEPROM- or RAM-memory ..."},
    {&pHandle, MAIN_SEND, MAIN_HELP1, 20, -20,
     "SEND-BUTTON:\nSend parameter-frame to EEPROM- or\nRAM-memory of the Q-ROX-sensor!"},
    {&pHandle, MAIN_COMPORT, MAIN_HELP2, 20, -80,
     "DROP-DOWN-CONNECT:\nSelect the port-number of the serial RS232 comunication interface of "
     "the PC.\n\nThe port-number can be found under:\n<Start>/System-Settings/Hardware/..."},
    {&pHandle, MAIN_VIDEO, MAIN_HELP1, 10, -10,
     "VIDEO-BUTTON:\nTransfer video-signal (pixel information)\n= intensity profile at "
     "CCD-line, via\nserial communication interface to PC."},
};

TEST_F(CallbacksTest, RightClickHelpTextsPlacedAndToggled) {
  for (const HelpCase& c : kHelp) {
    // Show the page of the control, as the user would before clicking it.
    if (*c.panel == pPara1) CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA1, EVENT_COMMIT);
    if (*c.panel == pPara2) CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA2, EVENT_COMMIT);
    if (*c.panel == pCalib) CallCtrlCallback(pHandle, MAIN_TOGGLE_CALIB, EVENT_COMMIT);
    CheckHelp(c);
  }
}

TEST_F(CallbacksTest, BoxOverAPageIsShownInFrontOfIt) {
  for (int toggle : {MAIN_TOGGLE_PARA1, MAIN_TOGGLE_PARA2, MAIN_TOGGLE_CALIB}) {
    CallCtrlCallback(pHandle, toggle, EVENT_COMMIT);  // raises that page
    for (int box : {MAIN_HELP1, MAIN_HELP2}) {
      SetCtrlAttribute(pHandle, box, ATTR_VISIBLE, 0);
      ToggleHelpText(box, 30, 150, "over the page");
      EXPECT_EQ(Attr(pHandle, box, ATTR_VISIBLE), 1);
      EXPECT_TRUE(BoxOnTop(box)) << "box " << box << " page toggle " << toggle;
      CallCtrlCallback(pHandle, box, EVENT_LEFT_CLICK);
    }
  }
}

TEST_F(CallbacksTest, ToleranceHelpTextDependsOnFirmware) {
  softversion = 305;
  CheckHelp({&pPara1, PARA1_TOLERANCE, MAIN_HELP1, 20, -10,
             "TOLERANCE-LOW:\nNumerical input field to preset the lower\ntolerance limit in "
             "[pixel] at the hardware."});
  softversion = 302;
  CheckHelp({&pPara1, PARA1_TOLERANCE, MAIN_HELP1, 20, -10,
             "TOLERANCE-VALUE:\nNumerical input field to preset the lower\nand upper tolerance "
             "limit in [pixel] \nat the hardware."});
}

TEST_F(CallbacksTest, GraphHelpUsesBoxTwoBesideTheRollingGraph) {
  int t = 0, l = 0, h = 0, w = 0;
  GetCtrlBoundingRect(pHandle, MAIN_ROLL_GRAPH, &t, &l, &h, &w);
  SetCtrlAttribute(pHandle, MAIN_HELP2, ATTR_VISIBLE, 0);
  CallCtrlCallback(pHandle, MAIN_VIDEO_GRAPH, EVENT_COMMIT);  // nothing on commit
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 0);
  CallCtrlCallback(pHandle, MAIN_VIDEO_GRAPH, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_LEFT), l + 80);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_TOP), t + 40);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP2),
            "VIDEO-GRAPH-WINDOW:\nVisualizes the actual video signal\nof the CCD-sensor. The "
            "video signal\nrepresents the analog-value of each pixel.\nBecause of the limited "
            "baudrate of the\nserial RS232 interface, the graph is\nrefreshed slowly.\n");
  EXPECT_TRUE(BoxOnTop(MAIN_HELP2));
  // The rolling graph's help moves into the same box and hides it (it was visible).
  CallCtrlCallback(pHandle, MAIN_ROLL_GRAPH, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 0);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP2),
            "ROLL-GRAPH-WINDOW:\nVisualizes the actual measurement value\nin pixel. The Graph is "
            "displayed in a\n'roll-mode', the latest value is rolling from\nthe left (index=100) "
            "to the right.\nThe baudrate of the serial rs232-interface\nlimits the update-rate "
            "of this graph.");
  CallCtrlCallback(pHandle, MAIN_ROLL_GRAPH, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 1);
}

TEST_F(CallbacksTest, BoxMovesToAnotherControlAndClicksOnItHideIt) {
  CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA1, EVENT_COMMIT);
  SetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_VISIBLE, 0);
  CallCtrlCallback(pPara1, PARA1_EVALMODE, EVENT_RIGHT_CLICK);
  ASSERT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  // Another control: moved and given its text, but hidden (it was visible).
  CallCtrlCallback(pPara1, PARA1_POLARITY, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1).rfind("POLARITY:", 0), 0u);
  CallCtrlCallback(pPara1, PARA1_POLARITY, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  // A left click or a right click on a visible box hides it.
  CallCtrlCallback(pHandle, MAIN_HELP1, EVENT_LEFT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);
  SetCtrlAttribute(pHandle, MAIN_HELP2, ATTR_VISIBLE, 1);
  CallCtrlCallback(pHandle, MAIN_HELP2, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 0);
  // Commits do not touch the box.
  CallCtrlCallback(pPara1, PARA1_TRIGMODE, EVENT_COMMIT);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);
}

TEST_F(CallbacksTest, RealRightClickShowsTheBoxAboveThePage) {
  QWidget* window = PanelWidget(pHandle);
  ASSERT_NE(window, nullptr);
  window->show();
  CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA1, EVENT_COMMIT);
  SetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_VISIBLE, 0);
  QWidget* drop = CtrlWidget(pPara1, PARA1_TRIGMODE);
  ASSERT_NE(drop, nullptr);
  QTest::mouseClick(drop, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
  QApplication::processEvents();
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1).rfind("TRIGGER-MODE:", 0), 0u);
  EXPECT_TRUE(BoxOnTop(MAIN_HELP1));
  QWidget* box = CtrlWidget(pHandle, MAIN_HELP1);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  // A real left click on the box hides it.
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  QApplication::processEvents();
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);
  // A real right click on the STOP button.
  QTest::mouseClick(CtrlWidget(pHandle, MAIN_STOP), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
  QApplication::processEvents();
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1).rfind("STOP-BUTTON:", 0), 0u);
}

TEST_F(CallbacksTest, EvaluationWindowFieldsHeldInsidePixelRange) {
  pixB = 1;
  pixE = 4096;
  parameter[7] = 111;
  parameter[8] = 222;
  auto commit = [](int control, unsigned short v) {
    SetCtrlVal(pHandle, control, v);
    CallCtrlCallback(pHandle, control, EVENT_COMMIT);
    return IntOf(pHandle, control);
  };
  EXPECT_EQ(commit(MAIN_EBEG, 0), 1);
  EXPECT_EQ(parameter[7], 1);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2), (std::array<double, 2>{1, 1.0}));
  EXPECT_EQ(commit(MAIN_EBEG, 5000), 4095);
  EXPECT_EQ(parameter[7], 4095);
  parameter[7] = 111;
  EXPECT_EQ(commit(MAIN_EBEG, 4096), 4096);  // equal to pixE stays, not stored
  EXPECT_EQ(parameter[7], 111);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2)[0], 4096);

  EXPECT_EQ(commit(MAIN_EEND, 5000), 4096);
  EXPECT_EQ(parameter[8], 4096);
  EXPECT_EQ(commit(MAIN_EEND, 0), 2);
  EXPECT_EQ(parameter[8], 2);
  parameter[8] = 222;
  EXPECT_EQ(commit(MAIN_EEND, 1), 1);
  EXPECT_EQ(parameter[8], 222);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3), (std::array<double, 2>{1, 1.0}));

  // A degenerate window never wraps around below zero.
  pixB = 0;
  pixE = 0;
  EXPECT_EQ(commit(MAIN_EBEG, 7), 0);
  EXPECT_EQ(parameter[7], 0);
  pixB = 65535;
  EXPECT_EQ(commit(MAIN_EEND, 7), 65535);
}

// Stepping a numeric field (Up/Down key, mouse wheel, arrow button) is a commit: the
// range correction and the cursor apply at once, and a stepped E-END above pixE never
// reaches the wire.
TEST_F(CallbacksTest, SteppingANumericFieldCommitsAtOnce) {
  DisplayPanel(pHandle);
  DisplayPanel(pPara2);
  QApplication::processEvents();
  pixB = 1;
  pixE = 1000;
  auto* ebeg = qobject_cast<QAbstractSpinBox*>(CtrlWidget(pHandle, MAIN_EBEG));
  auto* eend = qobject_cast<QAbstractSpinBox*>(CtrlWidget(pHandle, MAIN_EEND));
  ASSERT_NE(ebeg, nullptr);
  ASSERT_NE(eend, nullptr);
  auto wheelUp = [](QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
  };
  auto clickUpArrow = [](QAbstractSpinBox* box) {
    QStyleOptionSpinBox option;
    option.initFrom(box);
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame |
                         QStyle::SC_SpinBoxEditField;
    option.buttonSymbols = box->buttonSymbols();
    option.frame = box->hasFrame();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const QRect up =
        box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, box);
    ASSERT_TRUE(up.isValid());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, up.center());
  };

  // E-END at pixE, one step up with the key: held at pixE and stored in word 8.
  SetCtrlVal(pHandle, MAIN_EEND, 1000);
  parameter[8] = 222;
  QTest::keyClick(eend, Qt::Key_Up);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 1000);
  EXPECT_EQ(parameter[8], 1000);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3), (std::array<double, 2>{1000, 1.0}));
  // A step down inside the range moves the cursor at once; the word is left to the read.
  parameter[8] = 222;
  QTest::keyClick(eend, Qt::Key_Down);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 999);
  EXPECT_EQ(parameter[8], 222);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3), (std::array<double, 2>{999, 1.0}));
  // The wheel: 999 -> 1000 stays, 1000 -> 1001 becomes pixE.
  wheelUp(eend);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 3), (std::array<double, 2>{1000, 1.0}));
  EXPECT_EQ(parameter[8], 222);
  wheelUp(eend);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 1000);
  EXPECT_EQ(parameter[8], 1000);
  // The arrow button.
  parameter[8] = 222;
  clickUpArrow(eend);
  EXPECT_EQ(IntOf(pHandle, MAIN_EEND), 1000);
  EXPECT_EQ(parameter[8], 1000);

  // E-BEG: one step above pixE becomes pixE - 1, one step below pixB becomes pixB.
  SetCtrlVal(pHandle, MAIN_EBEG, 1000);
  QTest::keyClick(ebeg, Qt::Key_Up);
  EXPECT_EQ(IntOf(pHandle, MAIN_EBEG), 999);
  EXPECT_EQ(parameter[7], 999);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2), (std::array<double, 2>{999, 1.0}));
  SetCtrlVal(pHandle, MAIN_EBEG, 1);
  QTest::keyClick(ebeg, Qt::Key_Down);
  EXPECT_EQ(IntOf(pHandle, MAIN_EBEG), 1);
  EXPECT_EQ(parameter[7], 1);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2), (std::array<double, 2>{1, 1.0}));
  wheelUp(ebeg);
  EXPECT_EQ(Cursor(pHandle, MAIN_BAR_GRAPH, 2), (std::array<double, 2>{2, 1.0}));

  // The set-point field's own correction applies on a step as well.
  auto* setPoint = qobject_cast<QAbstractSpinBox*>(CtrlWidget(pPara2, PARA2_SETPOINT));
  ASSERT_NE(setPoint, nullptr);
  SetCtrlVal(pPara2, PARA2_SETPOINT, static_cast<unsigned short>(ccdvirtpixel));
  QTest::keyClick(setPoint, Qt::Key_Up);
  EXPECT_EQ(IntOf(pPara2, PARA2_SETPOINT), ccdvirtpixel - 1);

  // What SEND puts on the wire after the steps: E-END 1000, not 1001.
  SetCtrlVal(pHandle, MAIN_EEND, 1000);
  QTest::keyClick(eend, Qt::Key_Up);
  sensor->ClearReceived();
  CallCtrlCallback(pHandle, MAIN_SEND, EVENT_COMMIT);
  ASSERT_TRUE(sensor->WaitForFrames(2, 2.0));
  EXPECT_EQ(sensor->Model().ram[0][5], 1000);
  EXPECT_EQ(sensor->Model().ram[0][4], 2);
}

TEST_F(CallbacksTest, ToleranceFieldsHeldAgainstSetPoint) {
  auto change = [](int control, unsigned short v) {
    SetCtrlVal(pPara1, control, v);
    CallCtrlCallback(pPara1, control, EVENT_VAL_CHANGED);
    return IntOf(pPara1, control);
  };
  // D303 sensor, set-point 2000 on 4096 pixels.
  hwtype = 55;
  softversion = 305;
  ccdvirtpixel = 4096;
  parameter[24] = 2000;
  SetSlopeWord(1024);
  const u16 tolUpWord = parameter[25], tolLowWord = parameter[26];
  SetCtrlVal(pHandle, MAIN_TOL_LOW_MM, 9.0);
  EXPECT_EQ(change(PARA1_TOLERANCE_UP, 2500), 2095);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 1024.0 * 2095 / 1024000.0);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 9.0);  // untouched
  EXPECT_EQ(change(PARA1_TOLERANCE, 2001), 1999);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 1024.0 * 1999 / 1024000.0);
  EXPECT_EQ(change(PARA1_TOLERANCE, 2000), 2000);
  EXPECT_EQ(parameter[25], tolUpWord);  // neither field stores into the set
  EXPECT_EQ(parameter[26], tolLowWord);

  // Default layout: both displays show the same value.
  softversion = 302;
  parameter[9] = 1000;
  SetSlopeWord(16384);
  EXPECT_EQ(change(PARA1_TOLERANCE, 100), 100);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.1);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.1);
  EXPECT_EQ(change(PARA1_TOLERANCE_UP, 200), 200);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 0.2);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 0.2);

  // Tolerance-up chooses word 39 for hwtype 500, tolerance-low for hwtype 400.
  hwtype = 500;
  parameter[39] = 1000;
  ccdvirtpixel = 1024;
  SetSlopeWord(1024);
  EXPECT_EQ(change(PARA1_TOLERANCE_UP, 100), 23);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_LOW_MM), 23 / 1000.0);
  hwtype = 400;
  parameter[39] = 10;
  EXPECT_EQ(change(PARA1_TOLERANCE, 50), 9);
  EXPECT_DOUBLE_EQ(DoubleOf(pHandle, MAIN_TOL_UP_MM), 9 / 1000.0);

  // A set-point at the end of the axis or at 0 never wraps to 65535.
  hwtype = 55;
  softversion = 305;
  parameter[24] = 1024;
  EXPECT_EQ(change(PARA1_TOLERANCE_UP, 10), 0);
  parameter[24] = 0;
  EXPECT_EQ(change(PARA1_TOLERANCE, 10), 0);
}

TEST_F(CallbacksTest, DependentControlsFollowTheirModes) {
  for (unsigned short mode : {0, 1, 2, 3}) {
    SetCtrlVal(pPara1, PARA1_HWMODE, mode);
    CallCtrlCallback(pPara1, PARA1_HWMODE, EVENT_COMMIT);
    const int dimmed = (mode == 1 || mode == 3) ? 1 : 0;
    EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE_UP, ATTR_DIMMED), dimmed) << mode;
    EXPECT_EQ(Attr(pPara1, PARA1_TOLERANCE, ATTR_DIMMED), dimmed) << mode;
  }
  for (unsigned short mode : {2, 0, 4, 1}) {
    SetCtrlVal(pPara1, PARA1_ANAMODE, mode);
    CallCtrlCallback(pPara1, PARA1_ANAMODE, EVENT_COMMIT);
    for (int c : {MAIN_ANA_VALUE, MAIN_ANA_MAX, MAIN_ANA_MIN, MAIN_RESET})
      EXPECT_EQ(Attr(pHandle, c, ATTR_VISIBLE), mode > 1 ? 1 : 0) << mode << " " << c;
  }
}

TEST_F(CallbacksTest, ThresholdSliderRedrawsTheLine) {
  WatchVideoCurves(nullptr);  // the designed drawing alone (diagnostics: videodiag_test)
  ADCMAX = 255;
  for (int i = 0; i < 256; ++i) adcbuf[i] = static_cast<u16>(i);
  const u16 before = parameter[17];
  SetCtrlVal(pPara2, PARA2_THRESHOLD, static_cast<unsigned short>(40));
  CallCtrlCallback(pPara2, PARA2_THRESHOLD, EVENT_VAL_CHANGED);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(thdArray[i], 102);
  const auto plots = GetGraphPlots(pHandle, MAIN_VIDEO_GRAPH);
  ASSERT_EQ(plots.size(), 2u);
  EXPECT_DOUBLE_EQ(plots[0].y[200], 200);
  EXPECT_DOUBLE_EQ(plots[1].y[0], 102);
  EXPECT_DOUBLE_EQ(plots[1].y[255], 102);
  EXPECT_EQ(parameter[17], before);
}

TEST_F(CallbacksTest, PageTogglesShowExactlyOnePage) {
  auto visible = [](int panel) {
    int v = -1;
    GetPanelAttribute(panel, ATTR_VISIBLE, &v);
    return v;
  };
  SetCtrlVal(pHandle, MAIN_TOGGLE_PARA1, 1);
  SetCtrlVal(pHandle, MAIN_TOGGLE_CALIB, 1);
  SetCtrlVal(pHandle, MAIN_TOGGLE_PARA2, 1);
  CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA2, EVENT_LEFT_CLICK);
  EXPECT_EQ(IntOf(pHandle, MAIN_TOGGLE_PARA1), 0);
  EXPECT_EQ(IntOf(pHandle, MAIN_TOGGLE_CALIB), 0);
  EXPECT_EQ(IntOf(pHandle, MAIN_TOGGLE_PARA2), 1);
  CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA2, EVENT_COMMIT);
  EXPECT_EQ(visible(pPara2), 1);
  EXPECT_EQ(visible(pPara1), 0);
  EXPECT_EQ(visible(pCalib), 0);
  CallCtrlCallback(pHandle, MAIN_TOGGLE_CALIB, EVENT_COMMIT);
  EXPECT_EQ(visible(pCalib), 1);
  EXPECT_EQ(visible(pPara1), 0);
  EXPECT_EQ(visible(pPara2), 0);
  CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA1, EVENT_LEFT_CLICK);
  EXPECT_EQ(IntOf(pHandle, MAIN_TOGGLE_PARA2), 0);
  CallCtrlCallback(pHandle, MAIN_TOGGLE_PARA1, EVENT_COMMIT);
  EXPECT_EQ(visible(pPara1), 1);
  EXPECT_EQ(visible(pCalib), 0);
}

}  // namespace
