// Start values, panel preparation, shut-down and the array routines of the rolling graph.
#include "shell/shell.h"

#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "logo/logo.h"
#include "shell/globals.h"
#include "shell/status.h"

namespace {

constexpr u16 kDefaultLayoutStart[15] = {500, 1, 1, 1, 1, 1024, 512, 100, 1, 0, 0, 0, 0, 1, 40};
constexpr u16 kD303LayoutStart[15] = {500, 1, 1, 1, 1, 1024, 512, 100, 100, 1, 0, 0, 0, 1, 40};
constexpr u16 kMX400LayoutStart[15] = {500, 1, 1, 1, 1, 1024, 512, 100, 100, 1, 0, 0, 65535, 40, 0};

void WriteParameterStartValues() {
  std::memcpy(&parameter[3], kDefaultLayoutStart, sizeof kDefaultLayoutStart);
  std::memcpy(&parameter[18], kD303LayoutStart, sizeof kD303LayoutStart);
  std::memcpy(&parameter[33], kMX400LayoutStart, sizeof kMX400LayoutStart);
  SetSlopeWord(16384);
  SetOffsetWord(YOFFSET);
}

void DrawStartPicture() {
  DeleteGraphPlot(pHandle, MAIN_BAR_GRAPH, -1, 1);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 1, parameter[9], 1.0);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 2, parameter[7], 1.0);
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 3, parameter[8], 1.0);
  PlotSetPointBand();
}

void PlaceHelpBox(int box, const char* text) {
  SetCtrlAttribute(pHandle, box, ATTR_LEFT, 10);
  SetCtrlAttribute(pHandle, box, ATTR_TOP, 110);
  SetCtrlAttribute(pHandle, box, ATTR_VISIBLE, 0);
  SetCtrlVal(pHandle, box, text);
}

}  // namespace

void InitVars() {
  WriteParameterStartValues();
  com = 1;
  parameter[0] = 85;
  parameter[1] = 1;
  parameter[2] = 0;
  target = 1;
  rx_flag = 0;
  graph_flag = 0;
  stop_flag = 1;
  pixB = 1;
  pixE = 1024;
  ccdmaxpixel = 1024;
  ccdvirtpixel = 4096;
  videoMax = 1;
  pcbtype = 101;
  hwtype = 37;
  ADCMAX = 255;
  HWTYPE = 0;

  SetStatus("InitVars");
  ShowStatusBuffer();
  std::strcpy(szSoftVersion, "Version 3.06");
  std::strcpy(szSoftName, "Q-ROX-MX-Raror");
  ShowLogo(2);
  GetPanelValues();
  DrawStartPicture();
  for (int i = 0; i < 256; ++i) xArray[i] = 4.0 * i;
  FillThresholdLine(parameter[17]);
  std::memset(linArray, 0, sizeof linArray);
}

void InitGUI() {
  u16 hwmode = 0;
  GetCtrlVal(pPara1, PARA1_HWMODE, &hwmode);
  DimToleranceFields(hwmode);
  u16 anamode = 0;
  GetCtrlVal(pPara1, PARA1_ANAMODE, &anamode);
  ShowAnalogueGroup(anamode);
  // By firmware only: an MX400 sensor shows the words of the D303 layout here.
  ShowLayoutTolerances(softversion < 303 ? LAYOUT_DEFAULT : LAYOUT_D303);

  for (int page : {pPara1, pPara2, pCalib}) {
    SetPanelAttribute(page, ATTR_LEFT, 8);
    SetPanelAttribute(page, ATTR_TOP, 105);
  }
  PlaceHelpBox(MAIN_HELP1, "HELPTEXT1");
  PlaceHelpBox(MAIN_HELP2, "HELPTEXT2");
  SetCtrlVal(pHandle, MAIN_RECORDER, 0);
  MakePathname(proj_dir, "RECORD.DAT", rec_fname);
  ResetTextBox(pPopup, REC_PATH, rec_fname);
  SetActiveCtrl(pHandle, MAIN_STOP);
  SetActivePanel(pHandle);
}

int CC_PANEL(int /*panel*/, int event, void* /*callbackData*/, int /*eventData1*/,
             int /*eventData2*/) {
  if (event == EVENT_CLOSE) {
    stop_flag = 1;
    SleepMs(0);
    CloseCom(com);
    QuitUserInterface(0);
  }
  return 0;
}

int CC_POPUP(int panel, int event, void* /*callbackData*/, int /*eventData1*/, int /*eventData2*/) {
  if (event == EVENT_CLOSE) {
    HidePanel(panel);
    SetCtrlVal(pHandle, MAIN_RECORDER, 0);
  }
  return 0;
}

int Copy1D(const double* in, int n, double* out) {
  if (n < 1) return -20003;
  for (int i = 0; i < n; ++i) out[i] = in[i];
  return 0;
}

int Shift(const double* in, int n, int shift, double* out) {
  if (n < 1) return -20003;
  if (shift >= n || -shift >= n) return -20102;
  if (shift == 0) return Copy1D(in, n, out);
  if (shift > 0) {
    for (int i = n - 1; i >= shift; --i) out[i] = in[i - shift];
    for (int i = 0; i < shift; ++i) out[i] = 0.0;
  } else {
    for (int i = 0; i <= n - 1 + shift; ++i) out[i] = in[i - shift];
    for (int i = n + shift; i < n; ++i) out[i] = 0.0;
  }
  return 0;
}
