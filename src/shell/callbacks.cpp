// Connects every control and panel of the resource file to its callback.
#include "display/display.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "popup/popup.h"
#include "shell/shell.h"

namespace {

struct Binding {
  int* panel;
  int control;
  CtrlCallbackPtr callback;
};

const Binding kBindings[] = {
    {&pHandle, MAIN_STOP, CC_BTNStop},
    {&pHandle, MAIN_RUN, CC_BTNRun},
    {&pHandle, MAIN_VIDEO, CC_BTNVideo},
    {&pHandle, MAIN_SEND, CC_BTNSend},
    {&pHandle, MAIN_GET, CC_BTNGet},
    {&pHandle, MAIN_RAM, CC_RBTRam},
    {&pHandle, MAIN_EEPROM, CC_RBTEeprom},
    {&pHandle, MAIN_FILE, CC_RBTFile},
    {&pHandle, MAIN_TOGGLE_PARA1, CC_TOGGBTN_Para1},
    {&pHandle, MAIN_TOGGLE_PARA2, CC_TOGGBTN_Para2},
    {&pHandle, MAIN_TOGGLE_CALIB, CC_TOGGBTN_Calib},
    {&pHandle, MAIN_EBEG, CC_NEDITEdgeLeft},
    {&pHandle, MAIN_EEND, CC_NEDITEdgeRight},
    {&pHandle, MAIN_RECORDER, CC_TOGGBTN_Recorder},
    {&pHandle, MAIN_RESET, CC_ButtonReset},
    {&pHandle, MAIN_COMPORT, CC_DropDCom},
    {&pHandle, MAIN_VIDEO_GRAPH, CC_GRAPHData},
    {&pHandle, MAIN_ROLL_GRAPH, CC_GRAPHRaw},
    {&pHandle, MAIN_HELP1, CC_HelpText1},
    {&pHandle, MAIN_HELP2, CC_HelpText2},
    {&pPara1, PARA1_EVALMODE, CC_DROPevalmode},
    {&pPara1, PARA1_TOLERANCE, CC_NEDITTolerance},
    {&pPara1, PARA1_TRIGMODE, CC_DROPtrigmode},
    {&pPara1, PARA1_HWMODE, CC_DROPhardware},
    {&pPara1, PARA1_POLARITY, CC_DROPpolarity},
    {&pPara1, PARA1_AVERAGE, CC_DROPaverage},
    {&pPara1, PARA1_ANAMODE, CC_DROPanaMode},
    {&pPara1, PARA1_TOLERANCE_UP, CC_NEDITToleranceUP},
    {&pPara1, PARA1_HOLD, CC_DROPhold},
    {&pPara2, PARA2_POWER, CC_SLIDEpower},
    {&pPara2, PARA2_THRESHOLD, CC_SLIDEVideoThreshold},
    {&pPara2, PARA2_POWERMODE, CC_DROPpowermode},
    {&pPara2, PARA2_SETPOINT, CC_NEDITTeach},
    {&pPara2, PARA2_TEACH, CC_ButtonTeach},
    {&pCalib, CALIB_OPMODE, CC_BINSWopmode},
    {&pCalib, CALIB_XFLASH_WRITE, CC_WriteXFLASH},
    {&pCalib, CALIB_XFLASH_READ, CC_ReadXFLASH},
    {&pPopup, REC_SAMPLES, CC_NUMsample},
    {&pPopup, REC_START, CC_CBTNStartRecord},
    {&pPopup, REC_STOP, CC_CBTNStopRecord},
    {&pPopup, REC_FILE, CC_CMDBTNrecfile},
    {&pPopup, REC_INCREMENT, CC_NUMinctime},
};

}  // namespace

void InstallCallbacks() {
  for (const Binding& b : kBindings) InstallCtrlCallback(*b.panel, b.control, b.callback, nullptr);
  InstallPanelCallback(pHandle, CC_PANEL, nullptr);
  InstallPanelCallback(pPopup, CC_POPUP, nullptr);
}
