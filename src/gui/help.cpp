// The help-text mechanism: a right click on a control toggles one of the two help-text
// boxes of the main panel beside it with the control's help text.
#include "engine/engine.h"
#include "gui/gui.h"

void ToggleHelpText(int box, int left, int top, const char* text) {
  SetCtrlAttribute(pHandle, box, ATTR_LEFT, left);
  SetCtrlAttribute(pHandle, box, ATTR_TOP, top);
  int visible = 0;
  GetCtrlAttribute(pHandle, box, ATTR_VISIBLE, &visible);
  SetCtrlAttribute(pHandle, box, ATTR_VISIBLE, visible ? 0 : 1);
  // The pages are child panels and lie above the main panel's controls: bring the box
  // in front of them so that it is seen wherever it is placed.
  SetCtrlAttribute(pHandle, box, ATTR_ZPLANE_POSITION, 0);
  ResetTextBox(pHandle, box, text);
}

CtrlPlace PlaceOnMainPanel(int panel, int control) {
  int pageLeft = 0, pageTop = 0;
  if (panel != pHandle) {
    GetPanelAttribute(panel, ATTR_LEFT, &pageLeft);
    GetPanelAttribute(panel, ATTR_TOP, &pageTop);
  }
  int top = 0, left = 0, height = 0, width = 0;
  GetCtrlBoundingRect(panel, control, &top, &left, &height, &width);
  return {pageLeft + left, pageTop + top, width};
}

void HelpBeside(int panel, int control, int box, int dx, int dy, const char* text) {
  const CtrlPlace place = PlaceOnMainPanel(panel, control);
  ToggleHelpText(box, place.left + place.width + dx, place.top + dy, text);
}

namespace {
int HideOnClick(int panel, int control, int event) {
  if (event == EVENT_LEFT_CLICK || event == EVENT_RIGHT_CLICK) {
    SetCtrlAttribute(panel, control, ATTR_VISIBLE, 0);
  }
  return 0;
}
}  // namespace

int CC_HelpText1(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                 int /*eventData2*/) {
  return HideOnClick(panel, control, event);
}

int CC_HelpText2(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                 int /*eventData2*/) {
  return HideOnClick(panel, control, event);
}
