// What a screen reader or UI test tool finds on the five panels: accessible names from
// the labels, graph descriptions, and the keyboard focus order of each window.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "service/service.h"
#include "service/statistics.h"
#include "shell/globals.h"
#include "support/app_fixture.h"

namespace {

using PanelCtrl = std::pair<int, int>;  // panel handle, control number

class AccessTest : public AppTest {
 protected:
  static std::vector<int> Panels() { return {pHandle, pPopup, pPara1, pPara2, pCalib}; }

  // Every control of the five panels, by its widget.
  static std::map<QWidget*, PanelCtrl> Controls() {
    std::map<QWidget*, PanelCtrl> controls;
    for (int panel : Panels())
      for (int id = 1; id < 2000; ++id)
        if (QWidget* w = CtrlWidget(panel, id)) controls[w] = {panel, id};
    return controls;
  }

  // The name set on the control, and the name of the label that labels it.
  static std::string Name(int panel, int control) {
    return CtrlWidget(panel, control)->accessibleName().toStdString();
  }
  static std::string LabelledBy(int panel, int control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(CtrlWidget(panel, control));
    if (!face) return std::string();
    for (const auto& [other, relation] : face->relations(QAccessible::Label))
      return other->text(QAccessible::Name).toStdString();
    return std::string();
  }

  static std::string Description(int panel, int control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(CtrlWidget(panel, control));
    return face ? face->text(QAccessible::Description).toStdString() : std::string();
  }

  // The controls in the order the Tab key visits them in the window of `panel` (the
  // chain is a ring: it is read from `first` on).
  static std::vector<PanelCtrl> TabOrder(int panel, PanelCtrl first) {
    const std::map<QWidget*, PanelCtrl> controls = Controls();
    QWidget* window = PanelWidget(panel);
    std::vector<PanelCtrl> order;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
      QWidget* control = w;  // a spin box's or combo box's inner line edit stands for it
      while (control && !controls.count(control)) control = control->parentWidget();
      if (!control || !(control->focusPolicy() & Qt::TabFocus)) continue;
      const PanelCtrl pc = controls.at(control);
      if (order.empty() || order.back() != pc) order.push_back(pc);
    }
    auto start = std::find(order.begin(), order.end(), first);
    std::rotate(order.begin(), start, order.end());
    return order;
  }
};

TEST_F(AccessTest, EveryControlOfTheFivePanelsHasANameAndGraphsADescription) {
  StartApp(sim::DefaultModel());
  const std::map<QWidget*, PanelCtrl> controls = Controls();
  ASSERT_GE(controls.size(), 73u);  // 34 + 18 + 10 + 5 + 6 in the resource file
  for (const auto& [widget, pc] : controls) {
    // Text messages made at run time (the information area) are read by their text.
    const bool textMessage = qobject_cast<QLabel*>(widget) && pc.second >= 1000;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(face, nullptr);
    const std::string name =
        textMessage ? face->text(QAccessible::Name).toStdString() : Name(pc.first, pc.second);
    EXPECT_FALSE(name.empty()) << "panel " << pc.first << " control " << pc.second << " ("
                               << widget->objectName().toStdString() << ") has no accessible name";
  }

  // From the labels of the resource file, from a button's own text, else from the
  // control's name in words.
  EXPECT_EQ(Name(pHandle, MAIN_COMPORT), "SERIAL PORT");
  EXPECT_EQ(LabelledBy(pHandle, MAIN_COMPORT), "SERIAL PORT");
  EXPECT_EQ(LabelledBy(pPara2, 2), "POWER");
  EXPECT_EQ(Name(pHandle, MAIN_EBEG), "E-BEG");
  EXPECT_EQ(Name(pHandle, MAIN_RUN), "RUN");
  EXPECT_EQ(Name(pPara1, 8), "HARDWARE OPERATION-MODE");
  EXPECT_EQ(Name(pCalib, 3), "OPERATION-MODE");
  EXPECT_EQ(Description(pCalib, 3), "HIGH-GAIN AMPLIFIER");
  EXPECT_EQ(Name(pPopup, 14), "Days");
  EXPECT_EQ(Name(pHandle, MAIN_HELP1), "Help 1 text");
  EXPECT_EQ(Name(pHandle, MAIN_VIDEO_GRAPH), "Video graph");
  EXPECT_EQ(Description(pHandle, MAIN_VIDEO_GRAPH), "Graph: INTENSITY against PIXEL");
  EXPECT_EQ(Description(pHandle, MAIN_ROLL_GRAPH), "Strip chart of 6 traces: PIXEL against FRAME");
  EXPECT_EQ(Description(pHandle, MAIN_BAR_GRAPH), "Graph with 3 cursors");

  // A new label is the new name.
  ASSERT_EQ(SetCtrlAttribute(pHandle, MAIN_EBEG, ATTR_LABEL_TEXT, "FIRST EDGE"), 0);
  EXPECT_EQ(Name(pHandle, MAIN_EBEG), "FIRST EDGE");
  EXPECT_EQ(LabelledBy(pHandle, MAIN_EBEG), "FIRST EDGE");
  ASSERT_EQ(SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_LABEL_TEXT, "GO"), 0);
  EXPECT_EQ(Name(pHandle, MAIN_RUN), "GO");
}

TEST_F(AccessTest, TabVisitsTheControlsTopToBottomLeftToRight) {
  StartApp(sim::DefaultModel());

  // The main window: the page area at the top left (all three pages, of which one is
  // shown), the page toggles, then the left column's groups and the right column's rows.
  // Indicators take no keyboard focus.
  const std::vector<PanelCtrl> main = {
      // parameter page 1
      {pPara1, 4},
      {pPara1, 6},
      {pPara1, 12},
      {pPara1, 10},
      {pPara1, 20},
      {pPara1, 7},
      {pPara1, 8},
      {pPara1, 9},
      {pPara1, 11},
      {pPara1, 5},
      // parameter page 2: power, power mode, threshold, set-point and TEACH in one row
      {pPara2, 2},
      {pPara2, 4},
      {pPara2, 3},
      {pPara2, 5},
      {pPara2, 6},
      // calibration page: the X-FLASH buttons side by side
      {pCalib, 4},
      {pCalib, 5},
      {pCalib, 3},
      {pCalib, 12},
      {pCalib, 11},
      {pHandle, MAIN_TOGGLE_PARA1},
      {pHandle, MAIN_TOGGLE_PARA2},
      {pHandle, MAIN_TOGGLE_CALIB},
      {pHandle, MAIN_RECORDER},
      // MEASUREMENT, PARAMETER SET (the radio buttons' column before the buttons'),
      // INTERFACE
      {pHandle, MAIN_RUN},
      {pHandle, MAIN_VIDEO},
      {pHandle, MAIN_STOP},
      {pHandle, MAIN_RAM},
      {pHandle, MAIN_EEPROM},
      {pHandle, MAIN_FILE},
      {pHandle, MAIN_GET},
      {pHandle, MAIN_SEND},
      // below them the read-back switch and COMPARE
      {pHandle, MAIN_VERIFY},
      {pHandle, MAIN_COMPARE},
      {pHandle, MAIN_COMPORT},
      // the right column: the edge row (STATISTICS and KEEP REF. in it), then RESET
      {pHandle, MAIN_EBEG},
      {pHandle, MAIN_STATISTICS},
      {pHandle, MAIN_KEEP_REFERENCE},
      {pHandle, MAIN_EEND},
      {pHandle, MAIN_ZOOM},
      {pHandle, MAIN_RESET},
      // HISTORY and REPORT in the information area, first in reading order: the chain comes
      // round to them
      {pHandle, MAIN_HISTORY},
      {pHandle, MAIN_REPORT}};
  EXPECT_EQ(TabOrder(pHandle, main.front()), main);

  // The recorder: the settings, the file button, START and STOP.
  const std::vector<PanelCtrl> recorder = {
      {pPopup, 4}, {pPopup, 21}, {pPopup, 7}, {pPopup, 5}, {pPopup, 6}};
  EXPECT_EQ(TabOrder(pPopup, recorder.front()), recorder);
}

}  // namespace
