// Panel mapping of the parameter set and the parameter-control callbacks.
#pragma once

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/globals.h"

// Panel mapping (mapping.cpp)
void GetPanelValues();
void GetPanelValuesD303();
void GetPanelValuesMX400();
void SetPanelValues();
void SetPanelValuesD303();
void SetPanelValuesMX400();
// The read / write operation of the live layout.
void GetPanelValuesLive();
void SetPanelValuesLive();
// The panel label of the control of `slot` in `layout`. 1, or 0 (empty text) when the
// slot has no control.
int SlotLabel(Layout layout, int slot, char* label, int size);
// Every element of thdArray = ADCMAX * threshold / 100.
void FillThresholdLine(u16 threshold);
// The default layout's set-point +/- tolerance (words 9 and 10) as a pure-green filled
// rectangle in the bar graph, from y 0.0 to 0.25.
void PlotSetPointBand();
// The tolerance displays of a layout's words: in the default layout both show S x word 10
// / 16384000, in D303 and MX400 they show the tolerance-up and tolerance-low words x S /
// 1024000.
void ShowLayoutTolerances(Layout layout);

// Dependent controls (callbacks.cpp): the tolerance fields are dimmed while the
// potentiometer sets the tolerance (hardware operation mode 1 or 3); the analogue
// maximum/minimum group (main-panel controls 19 to 22) is shown for analogue-output modes
// above 1.
void DimToleranceFields(u16 hardwareMode);
void ShowAnalogueGroup(u16 analogueMode);

// Help texts (help.cpp): toggles box `box` (MAIN_HELP1 or MAIN_HELP2) at left/top and
// puts `text` into it.
void ToggleHelpText(int box, int left, int top, const char* text);
// Where a control lies on the main panel: its bounding rectangle with the page's position
// added (the main panel's own counts as 0).
struct CtrlPlace {
  int left = 0;
  int top = 0;
  int width = 0;
};
CtrlPlace PlaceOnMainPanel(int panel, int control);
// Toggles `box` beside a control of a page (or of the main panel, whose position counts
// as 0): left = page left + control left + control width + dx, top = page top + control
// top + dy.
void HelpBeside(int panel, int control, int box, int dx, int dy, const char* text);
// As HelpBeside, but shows the box whatever it showed before.
void ShowHelpBeside(int panel, int control, int box, int dx, int dy, const char* text);
CTRL_CALLBACK(CC_HelpText1);
CTRL_CALLBACK(CC_HelpText2);

// Parameter callbacks (callbacks.cpp)
CTRL_CALLBACK(CC_NEDITEdgeLeft);
CTRL_CALLBACK(CC_NEDITEdgeRight);
CTRL_CALLBACK(CC_DROPevalmode);
CTRL_CALLBACK(CC_DROPhardware);
CTRL_CALLBACK(CC_DROPtrigmode);
CTRL_CALLBACK(CC_DROPpolarity);
CTRL_CALLBACK(CC_DROPaverage);
CTRL_CALLBACK(CC_DROPanaMode);
CTRL_CALLBACK(CC_NEDITToleranceUP);
CTRL_CALLBACK(CC_NEDITTolerance);
CTRL_CALLBACK(CC_DROPhold);
CTRL_CALLBACK(CC_SLIDEpower);
CTRL_CALLBACK(CC_SLIDEVideoThreshold);
CTRL_CALLBACK(CC_DROPpowermode);
CTRL_CALLBACK(CC_BINSWopmode);
CTRL_CALLBACK(CC_TOGGBTN_Para1);
CTRL_CALLBACK(CC_TOGGBTN_Para2);
CTRL_CALLBACK(CC_TOGGBTN_Calib);
CTRL_CALLBACK(CC_DropDCom);
