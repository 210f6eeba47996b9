// Start-up and shut-down around the event loop: panel loading, the start-up sequence and
// the end of the program.
#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/globals.h"
#include "shell/shell.h"

int LoadAllPanels(const char* uirPath) {
  pHandle = LoadPanel(0, uirPath, PANEL_MAIN);
  if (pHandle < 0) return -1;
  pPopup = LoadPanel(0, uirPath, PANEL_RECORDER);
  if (pPopup < 0) return -1;
  pPara1 = LoadPanel(pHandle, uirPath, PANEL_PARA1);
  if (pPara1 < 0) return -1;
  pPara2 = LoadPanel(pHandle, uirPath, PANEL_PARA2);
  if (pPara2 < 0) return -1;
  pCalib = LoadPanel(pHandle, uirPath, PANEL_CALIB);
  if (pCalib < 0) return -1;
  return 0;
}

int StartUp() {
  GetProjectDir(proj_dir);
  InitVars();
  FillPortList();
  const int lineOk = InitRS232(com);
  InitGUI();
  DisplayPanel(pHandle);
  DisplayPanel(pPara1);
  SetActivePanel(pHandle);
  SetActiveCtrl(pHandle, MAIN_STOP);
  return lineOk;
}

void ShutDown() {
  CloseCom(com);
  DiscardPanel(pPara1);
  DiscardPanel(pPara2);
  DiscardPanel(pCalib);
  DiscardPanel(pPopup);
  DiscardPanel(pHandle);
}
