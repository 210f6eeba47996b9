// Parameter exchange: GET reads the parameter set from the sensor's RAM or EEPROM or from
// the parameter file and shows it; SEND takes the panels into the set and writes it to
// RAM, EEPROM or the file. Each exchange with the sensor moves the set in two halves.
#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "shell/status.h"

namespace {

const char kGetHelp[] =
    "GET-BUTTON:\nGet parameter-frame of Q-ROX sensor\nfrom EEPROM- or RAM-memory ...";
const char kSendHelp[] =
    "SEND-BUTTON:\nSend parameter-frame to EEPROM- or\nRAM-memory of the Q-ROX-sensor!";

GetWatcher getWatcher = nullptr;

void TellGET(u16 source, u16 half, const u16* words) {
  if (getWatcher) getWatcher(source, half, words);
}

// Radio button `control` switched by the user; `own` is its source/target constant.
void RadioChanged(int panel, int control, int own) {
  int value = 0;
  GetCtrlVal(panel, control, &value);
  if (value == 1) {
    target = own;
    SetCtrlVal(pHandle, MAIN_RAM, own == RAM ? 1 : 0);
    SetCtrlVal(pHandle, MAIN_EEPROM, own == EEPROM ? 1 : 0);
    SetCtrlVal(pHandle, MAIN_FILE, own == DATFILE ? 1 : 0);
  } else {
    target = RAM;
    SetCtrlVal(pHandle, MAIN_RAM, 1);
  }
}

}  // namespace

void SendHalf(u16 half) {
  parameter[2] = half;
  CopyVarsToPP(half);
  FillTxBuf(parameter[1], half, pp);
  WriteFrame();
  if (nBytesW == FRAME_LEN) ShowStatus("Line Ok!");
}

int PushGET(u16 source, u16 half) {
  int received = 0;
  if (source != DATFILE) {
    if (source == RAM) parameter[1] = CMD_GET_RAM;
    if (source == EEPROM) parameter[1] = CMD_GET_EEPROM;

    CopyVarsToPP(half);
    FlushInQ(com);
    FlushOutQ(com);
    FillTxBuf(parameter[1], half, pp);
    WriteFrame();
    if (nBytesW == FRAME_LEN) ShowStatus("Waiting for parameter-frame ...");

    rx_flag = 0;
    received = WaitReply(Timer(), UNTIL_SYNCED_REPLY) == WAIT_REPLY ? 1 : 0;
    if (received) {
      CopyPPtoVars(half);
      SetStatus("Parameter-frame received! - Line Ok!");
      TellGET(source, half, pp);
    } else {
      // Unplugged: the status line says so already.
      if (!SensorLost()) SetStatus("Timeout-RS-232...");
      TellGET(source, half, nullptr);
    }
  }
  ShowStatusBuffer();
  if (half == 1) SetPanelValuesLive();
  return received;
}

void WatchGETs(GetWatcher watcher) {
  getWatcher = watcher;
}

int CC_BTNGet(int, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    if (target == DATFILE)
      ReadParaFromFile();
    else
      parameter[1] = (target == EEPROM) ? CMD_GET_EEPROM : CMD_GET_RAM;
    PushGET(static_cast<u16>(target), 0);
    Delay(0.1);
    PushGET(static_cast<u16>(target), 1);
    Delay(0.1);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(pHandle, MAIN_GET, MAIN_HELP1, 20, -20, kGetHelp);
  }
  return 0;
}

int CC_BTNSend(int, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    char before[256] = "";
    GetCtrlVal(pHandle, MAIN_STATUS, before, sizeof before);
    ShowStatus("Transmit...");
    if (target == DATFILE) {
      if (FileSelectPopup(proj_dir, "REZOraru.cfg", "*.cfg", "Q-ROX-MX-Series Parameter File",
                          VAL_OK_BUTTON, 0, 1, 1, 1, file_name) > 0)
        SendParaToFile();
      else
        ShowStatus(before);  // cancelled: nothing was transmitted
      return 0;
    }
    parameter[0] = 0x55;
    parameter[1] = (target == EEPROM) ? CMD_SEND_EEPROM : CMD_SEND_RAM;
    GetPanelValuesLive();
    SendHalf(0);
    Delay(0.1);
    SendHalf(1);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(pHandle, MAIN_SEND, MAIN_HELP1, 20, -20, kSendHelp);
  }
  return 0;
}

int CC_RBTRam(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_VAL_CHANGED) RadioChanged(panel, control, RAM);
  return 0;
}

int CC_RBTEeprom(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_VAL_CHANGED) RadioChanged(panel, control, EEPROM);
  return 0;
}

int CC_RBTFile(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_VAL_CHANGED) RadioChanged(panel, control, DATFILE);
  return 0;
}

void SelectRAM() {
  target = RAM;
  SetCtrlVal(pHandle, MAIN_RAM, 1);
  SetCtrlVal(pHandle, MAIN_EEPROM, 0);
  SetCtrlVal(pHandle, MAIN_FILE, 0);
}
