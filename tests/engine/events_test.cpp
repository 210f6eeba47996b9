// Real mouse and key events on the widgets arrive at the callbacks as event codes.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QWidget>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_fixture.h"
#include "engine/engine_qt.h"

using namespace enginetest;

namespace {

struct Seen {
  int panel, control, event, data1, data2;
};
std::vector<Seen> g_seen;

int Record(int panel, int control, int event, void*, int d1, int d2) {
  g_seen.push_back({panel, control, event, d1, d2});
  return 0;
}

std::vector<int> EventsOf(int control) {
  std::vector<int> out;
  for (auto& s : g_seen)
    if (s.control == control) out.push_back(s.event);
  return out;
}

class EngineEvents : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    g_seen.clear();
    for (int c : {kButton, kToggle, kRadio, kCheck, kSpin, kDouble, kRing, kSlider, kString,
                  kTextBox, kMessage, kGraph})
      ASSERT_EQ(InstallCtrlCallback(panel, c, Record, nullptr), 0);
    DisplayPanel(panel);
    QApplication::processEvents();
  }
};

using V = std::vector<int>;

// The group box framing the buttons comes last in the file; the buttons still get the clicks.
TEST_F(EngineEvents, ButtonClickGivesLeftClickThenCommit) {
  QTest::mouseClick(CtrlWidget(panel, kButton), Qt::LeftButton);
  EXPECT_EQ(EventsOf(kButton), (V{EVENT_LEFT_CLICK, EVENT_COMMIT}));
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen[0].panel, panel);
}

TEST_F(EngineEvents, RightClickGivesRightClickEverywhereWithPanelCoordinates) {
  for (int c : {kButton, kSpin, kRing, kTextBox, kMessage, kGraph, kString}) {
    g_seen.clear();
    QWidget* w = CtrlWidget(panel, c);
    QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));
    EXPECT_EQ(EventsOf(c), (V{EVENT_RIGHT_CLICK})) << "control " << c;
    if (!g_seen.empty()) {
      QPoint at = w->mapTo(PanelWidget(panel), QPoint(5, 6));
      EXPECT_EQ(g_seen[0].data1, at.y());
      EXPECT_EQ(g_seen[0].data2, at.x());
    }
  }
}

TEST_F(EngineEvents, LeftClickOnTextBoxLabelAndGraph) {
  for (int c : {kTextBox, kMessage, kGraph}) {
    g_seen.clear();
    QTest::mouseClick(CtrlWidget(panel, c), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(EventsOf(c), (V{EVENT_LEFT_CLICK})) << "control " << c;
  }
}

TEST_F(EngineEvents, KeyOnFocusedButtonGivesKeypressThenCommit) {
  QWidget* stop = CtrlWidget(panel, kButton);
  SetActiveCtrl(panel, kButton);
  QTest::keyClick(stop, Qt::Key_Space);
  V events = EventsOf(kButton);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), EVENT_KEYPRESS);
  EXPECT_EQ(events.back(), EVENT_COMMIT);
}

TEST_F(EngineEvents, ToggleRadioAndCheckBoxReportChangeThenCommit) {
  QTest::mouseClick(CtrlWidget(panel, kToggle), Qt::LeftButton);
  EXPECT_EQ(EventsOf(kToggle), (V{EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}));
  int v = 0;
  GetCtrlVal(panel, kToggle, &v);
  EXPECT_EQ(v, 1);
  QTest::mouseClick(CtrlWidget(panel, kRadio), Qt::LeftButton);
  EXPECT_EQ(EventsOf(kRadio), (V{EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}));
  QTest::mouseClick(CtrlWidget(panel, kCheck), Qt::LeftButton);
  EXPECT_EQ(EventsOf(kCheck), (V{EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}));
}

TEST_F(EngineEvents, WritingValuesFiresNoCallback) {
  SetCtrlVal(panel, kToggle, 1);
  SetCtrlVal(panel, kSpin, 99);
  SetCtrlVal(panel, kDouble, 1.5);
  SetCtrlVal(panel, kRing, 4);
  SetCtrlVal(panel, kSlider, 30);
  SetCtrlVal(panel, kString, "x");
  SetCtrlVal(panel, kTextBox, "y");
  ResetTextBox(panel, kTextBox, "z");
  QApplication::processEvents();
  EXPECT_TRUE(g_seen.empty());
}

TEST_F(EngineEvents, SpinBoxValueChangedWhileTypingCommitOnEnter) {
  QWidget* spin = CtrlWidget(panel, kSpin);
  SetActiveCtrl(panel, kSpin);
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(spin, "42");
  V events = EventsOf(kSpin);
  int changes = 0;
  for (int e : events) changes += e == EVENT_VAL_CHANGED;
  EXPECT_GE(changes, 1);
  for (int e : events) EXPECT_NE(e, EVENT_COMMIT);
  g_seen.clear();
  QTest::keyClick(spin, Qt::Key_Return);
  V after = EventsOf(kSpin);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), EVENT_COMMIT);
  int v = 0;
  GetCtrlVal(panel, kSpin, &v);
  EXPECT_EQ(v, 42);
  // Enter again without a change: no second commit.
  g_seen.clear();
  QTest::keyClick(spin, Qt::Key_Return);
  for (int e : EventsOf(kSpin)) EXPECT_NE(e, EVENT_COMMIT);
}

TEST_F(EngineEvents, RingActivatedAndSliderKeys) {
  auto* ring = qobject_cast<QComboBox*>(CtrlWidget(panel, kRing));
  ring->activated(2);  // what the drop-down emits when the user picks an item
  EXPECT_EQ(EventsOf(kRing), (V{EVENT_VAL_CHANGED, EVENT_COMMIT}));
  QWidget* slider = CtrlWidget(panel, kSlider);
  SetActiveCtrl(panel, kSlider);
  QTest::keyClick(slider, Qt::Key_Right);
  V events = EventsOf(kSlider);
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[events.size() - 2], EVENT_VAL_CHANGED);
  EXPECT_EQ(events.back(), EVENT_COMMIT);
}

// A STOP button pressed while another callback runs its long loop is delivered inside the
// loop's event processing and ends it.
int g_stop = 0;
int g_passes = 0;

int StopButton(int, int, int event, void*, int, int) {
  if (event == EVENT_LEFT_CLICK || event == EVENT_COMMIT) g_stop = 1;
  return 0;
}

int RunButton(int panel, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  g_stop = 0;
  double t0 = Timer();
  QWidget* stop = CtrlWidget(panel, kButton);
  while (!g_stop && Timer() - t0 < 2.0) {
    ++g_passes;
    if (g_passes == 5) {
      // The user presses STOP and closes the window while the loop runs.
      QMetaObject::invokeMethod(
          stop, [stop] { QTest::mouseClick(stop, Qt::LeftButton); }, Qt::QueuedConnection);
      QMetaObject::invokeMethod(PanelWidget(panel), "close", Qt::QueuedConnection);
    }
    ProcessSystemEvents();
  }
  return 0;
}

int g_closes = 0;
int PanelCb(int, int event, void*, int, int) {
  if (event == EVENT_CLOSE) ++g_closes;
  return 0;
}

TEST_F(EngineEvents, NestedEventProcessingInsideACallback) {
  InstallCtrlCallback(panel, kButton, StopButton, nullptr);
  InstallCtrlCallback(panel, kToggle, RunButton, nullptr);
  InstallPanelCallback(panel, PanelCb, nullptr);
  g_passes = 0;
  g_closes = 0;
  double t0 = Timer();
  QTest::mouseClick(CtrlWidget(panel, kToggle), Qt::LeftButton);
  EXPECT_EQ(g_stop, 1);
  EXPECT_LT(Timer() - t0, 1.0);
  EXPECT_GE(g_passes, 5);
  // The window's close box went to the panel callback; the window stays.
  EXPECT_EQ(g_closes, 1);
  EXPECT_TRUE(PanelWidget(panel)->isVisible());
}

int DiscardingCallback(int panel, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) DiscardPanel(panel);
  return 0;
}

TEST_F(EngineEvents, DiscardingThePanelInsideItsOwnCallbackIsSafe) {
  InstallCtrlCallback(panel, kButton, DiscardingCallback, nullptr);
  QTest::mouseClick(CtrlWidget(panel, kButton), Qt::LeftButton);
  EXPECT_EQ(PanelWidget(panel), nullptr);
  EXPECT_EQ(SetCtrlVal(panel, kSpin, 1), UIEBadPanelHandle);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  panel = 0;
}

TEST_F(EngineEvents, CallCtrlCallbackCallsDirectly) {
  EXPECT_EQ(CallCtrlCallback(panel, kSpin, EVENT_VAL_CHANGED, 7, 8), 0);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].event, EVENT_VAL_CHANGED);
  EXPECT_EQ(g_seen[0].data1, 7);
  EXPECT_EQ(CallCtrlCallback(panel, 999, EVENT_COMMIT), UIEBadControl);
  g_closes = 0;
  InstallPanelCallback(panel, PanelCb, nullptr);
  CallPanelCallback(panel, EVENT_CLOSE);
  EXPECT_EQ(g_closes, 1);
}

}  // namespace
