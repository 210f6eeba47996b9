// Panel mapping of the parameter set and the parameter-control callbacks.
#pragma once

#include "com232/com232.h"
#include "operations/operations.h"
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

// Help texts (help.cpp): toggles box `box` (MAIN_HELP1 or MAIN_HELP2) at left/top and
// puts `text` into it.
void ToggleHelpText(int box, int left, int top, const char* text);
// Toggles `box` beside a control of a page (or of the main panel, whose position counts
// as 0): left = page left + control left + control width + dx, top = page top + control
// top + dy.
void HelpBeside(int panel, int control, int box, int dx, int dy, const char* text);
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
