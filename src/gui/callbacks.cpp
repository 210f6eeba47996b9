// Callbacks of the parameter controls: range corrections of the evaluation window and
// the tolerances, the threshold line, dependent controls, page toggles and help texts.
#include "com232/com232.h"
#include "display/display.h"
#include "display/geometry.h"
#include "engine/engine.h"
#include "gui/corrections.h"
#include "gui/gui.h"

namespace {

constexpr int BOX1 = MAIN_HELP1;
constexpr int BOX2 = MAIN_HELP2;

// A callback whose only work is the help text on a right click.
int HelpOnly(int panel, int control, int event, int box, int dx, const char* text) {
  if (event == EVENT_RIGHT_CLICK) HelpBeside(panel, control, box, dx, -10, text);
  return 0;
}

// The page toggles: the pages lie at the same place, exactly one is shown.
int PageToggle(int event, int ownToggle, int ownPage) {
  const int toggles[3] = {MAIN_TOGGLE_PARA1, MAIN_TOGGLE_PARA2, MAIN_TOGGLE_CALIB};
  const int pages[3] = {pPara1, pPara2, pCalib};
  if (event == EVENT_LEFT_CLICK) {
    for (int toggle : toggles) {
      if (toggle != ownToggle) SetCtrlVal(pHandle, toggle, 0);
    }
  } else if (event == EVENT_COMMIT) {
    for (int page : pages) {
      if (page != ownPage) HidePanel(page);
    }
    DisplayPanel(ownPage);
  }
  return 0;
}

}  // namespace

void DimToleranceFields(u16 hardwareMode) {
  const int dimmed = PotentiometerSetsTolerance(hardwareMode) ? 1 : 0;
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE_UP, ATTR_DIMMED, dimmed);
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_DIMMED, dimmed);
}

void ShowAnalogueGroup(u16 analogueMode) {
  const int visible = analogueMode > 1 ? 1 : 0;
  for (int c : {MAIN_ANA_VALUE, MAIN_ANA_MAX, MAIN_ANA_MIN, MAIN_RESET}) {
    SetCtrlAttribute(pHandle, c, ATTR_VISIBLE, visible);
  }
}

int CC_NEDITEdgeLeft(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                     int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    u16 v = 0;
    GetCtrlVal(panel, control, &v);
    const EdgeCorrection c = CorrectEdgeBegin(v, pixB, pixE);
    if (c.store) parameter[7] = c.value;
    SetCtrlVal(panel, control, c.value);
    SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 2, c.value, 1.0);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, BOX1, 10, -20,
               "E-BEG:\nSet evaluation begin at the Q-ROX sensor\nEvaluation starts with "
               "this pixel ...");
  }
  return 0;
}

int CC_NEDITEdgeRight(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                      int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    u16 v = 0;
    GetCtrlVal(panel, control, &v);
    const EdgeCorrection c = CorrectEdgeEnd(v, pixB, pixE);
    if (c.store) parameter[8] = c.value;
    SetCtrlVal(panel, control, c.value);
    SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 3, c.value, 1.0);
  } else if (event == EVENT_RIGHT_CLICK) {
    // Left of the field: it lies at the right edge of the main panel.
    const CtrlPlace place = PlaceOnMainPanel(panel, control);
    ToggleHelpText(BOX1, place.left - place.width - 100, place.top - 20,
                   "E-END:\nSet evaluation end at the Q-ROX sensor\nEvaluation ends with this "
                   "pixel ...");
  }
  return 0;
}

int CC_DROPevalmode(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                    int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 20,
                  "EVALUATION-MODE:\nDrop-down element to select an\nevaluation mode at the "
                  "Q-ROX-sensor.");
}

int CC_DROPhardware(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                    int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    u16 mode = 0;
    GetCtrlVal(panel, control, &mode);
    DimToleranceFields(mode);
    return 0;
  }
  return HelpOnly(panel, control, event, BOX1, 20,
                  "HARDWARE OPERATION-MODE:\nDrop-down element to enable or disable \nharware "
                  "components e.g. the button or\npotentiometer at the Q-ROX-housing.");
}

int CC_DROPtrigmode(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                    int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 20,
                  "TRIGGER-MODE:\nSelect a trigg.-mode at the Q-ROX-sensor.\nFor external "
                  "trigger mode IN0=Pin3[green]\nof 8-pole. female plc-connector is used !");
}

int CC_DROPpolarity(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                    int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 20,
                  "POLARITY:\nDrop-down element to change the polarity\n(0V,+24VDC) of the "
                  "digital outputs OUT0,\nOUT1 and OUT2 at the Q-ROX-sensor.");
}

int CC_DROPaverage(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                   int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX2, 20,
                  "AVERAGE:\nNumber of CCD-scans which are stored\nin a ring-buffer. On every "
                  "main-loop\n-cycle a mean-value is calculated\nfrom the ring-buffer.\nThe "
                  "switching frequency is not reduced!\nAveraging affects the analog "
                  "output\nvoltage (smoothing).");
}

int CC_DROPanaMode(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                   int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    u16 mode = 0;
    GetCtrlVal(panel, control, &mode);
    ShowAnalogueGroup(mode);
    return 0;
  }
  return HelpOnly(panel, control, event, BOX1, 20,
                  "ANALOG-OUT:\nDrop-down element to preset the mode\nof the analog output. The "
                  "analog-output\nis connected to /pin8/red/8-pole socket.");
}

int CC_NEDITToleranceUP(int panel, int control, int event, void* /*callbackData*/,
                        int /*eventData1*/, int /*eventData2*/) {
  if (event == EVENT_VAL_CHANGED) {
    u16 v = 0;
    GetCtrlVal(panel, control, &v);
    if (hwtype == 500) {
      v = BoundToleranceUp(v, parameter[39], ccdvirtpixel);
      SetCtrlVal(panel, control, v);
      ShowTolerancesInMillimetres(v, v, 1024000.0);
    } else if (softversion < 303) {
      v = BoundToleranceUp(v, parameter[9], ccdvirtpixel);
      SetCtrlVal(panel, control, v);
      ShowTolerancesInMillimetres(v, v, 16384000.0);
    } else {
      v = BoundToleranceUp(v, parameter[24], ccdvirtpixel);
      SetCtrlVal(panel, control, v);
      SetCtrlVal(pHandle, MAIN_TOL_UP_MM, ToleranceMillimetres(SlopeWord(), v, 1024000.0));
    }
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, BOX1, 20, -10,
               "TOLERANCE-UP:\nNumerical input field to preset the upper\ntolerance limit in "
               "[pixel] at the hardware.");
  }
  return 0;
}

int CC_NEDITTolerance(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                      int /*eventData2*/) {
  if (event == EVENT_VAL_CHANGED) {
    u16 v = 0;
    GetCtrlVal(panel, control, &v);
    if (hwtype == 400) {
      v = BoundToleranceLow(v, parameter[39]);
      SetCtrlVal(panel, control, v);
      ShowTolerancesInMillimetres(v, v, 1024000.0);
    } else if (softversion < 303) {
      v = BoundToleranceLow(v, parameter[9]);
      SetCtrlVal(panel, control, v);
      ShowTolerancesInMillimetres(v, v, 16384000.0);
    } else {
      v = BoundToleranceLow(v, parameter[24]);
      SetCtrlVal(panel, control, v);
      SetCtrlVal(pHandle, MAIN_TOL_LOW_MM, ToleranceMillimetres(SlopeWord(), v, 1024000.0));
    }
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, BOX1, 20, -10,
               softversion >= 303
                   ? "TOLERANCE-LOW:\nNumerical input field to preset the lower\ntolerance "
                     "limit in [pixel] at the hardware."
                   : "TOLERANCE-VALUE:\nNumerical input field to preset the lower\nand upper "
                     "tolerance limit in [pixel] \nat the hardware.");
  }
  return 0;
}

int CC_DROPhold(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 25,
                  "HOLD [ms]:\nWith this drop-down, the hold-time in [ms]\nof the OUT0 "
                  "(pin5\\grey) digital-output can be set.");
}

int CC_SLIDEpower(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                  int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 135,
                  "POWER:\nWith this slider, the power of the light-\nsource at the Q-ROX-sensor "
                  "can be set.");
}

int CC_SLIDEVideoThreshold(int panel, int control, int event, void* /*callbackData*/,
                           int /*eventData1*/, int /*eventData2*/) {
  if (event == EVENT_VAL_CHANGED) {
    u16 threshold = 0;
    GetCtrlVal(panel, control, &threshold);
    FillThresholdLine(threshold);
    PlotVIDEOCurve(adcbuf, thdArray, xArray);
    return 0;
  }
  return HelpOnly(panel, control, event, BOX1, 30,
                  "V-THD:\nWith this slider, the video-threshold for\nthe calculation of the "
                  "edges can be set.\nIt is displayed by the green horiz. line!");
}

int CC_DROPpowermode(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                     int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 25,
                  "PMODE:\nWith this drop-down, the working-mode\nof the light-source at the "
                  "Q-ROX-sensor can be set.");
}

int CC_BINSWopmode(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                   int /*eventData2*/) {
  return HelpOnly(panel, control, event, BOX1, 120,
                  "OPERATION-MODE:\nBinary-switch to set the operation mode\nof the "
                  "CCD-receiver amplifier.");
}

int CC_TOGGBTN_Para1(int /*panel*/, int control, int event, void* /*callbackData*/,
                     int /*eventData1*/, int /*eventData2*/) {
  return PageToggle(event, control, pPara1);
}

int CC_TOGGBTN_Para2(int /*panel*/, int control, int event, void* /*callbackData*/,
                     int /*eventData1*/, int /*eventData2*/) {
  return PageToggle(event, control, pPara2);
}

int CC_TOGGBTN_Calib(int /*panel*/, int control, int event, void* /*callbackData*/,
                     int /*eventData1*/, int /*eventData2*/) {
  return PageToggle(event, control, pCalib);
}

// Serial-port drop-down (main-panel control 23): the port change of the sensor link, and
// its help text.
int CC_DropDCom(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    int port = 0;
    GetCtrlVal(panel, control, &port);
    ChangeComPort(port);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, BOX2, 20, -80,
               "DROP-DOWN-CONNECT:\nSelect the port-number of the serial RS232 comunication "
               "interface of the PC.\n\nThe port-number can be found under:\n"
               "<Start>/System-Settings/Hardware/...");
  }
  return 0;
}
