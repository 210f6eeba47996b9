// Serial transport: port set-up, command frames, the receive callback, the echo check
// and the port change from the panel.
#include <cstdio>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "shell/status.h"

namespace {

constexpr u16 SYNC_WORD = 0x00AA;
constexpr int NOTIFY_COUNT = FRAME_LEN;
constexpr int EVENT_CHAR = 0x55;

// Set by the receive callback when 36 bytes arrived that do not begin with the sync word.
// Such bytes are not decoded, so a garbled line can never leave garbage in pp.
int rx_sync_error = 0;

// The standard wait for a reply frame: 1 when rx_flag is set (or a frame without sync
// word arrived), 0 after more than TIMEOUT seconds.
int StandardWait() {
  const double t0 = Timer();
  for (;;) {
    ProcessSystemEvents();
    if (Timer() - t0 > TIMEOUT) return 0;
    if (rx_flag != 0 || rx_sync_error != 0) return 1;
  }
}

}  // namespace

void PutWord(char* buffer, int offset, u16 w) {
  buffer[offset] = static_cast<char>(w >> 8);
  buffer[offset + 1] = static_cast<char>(w & 0xFF);
}

u16 GetWord(const char* buffer, int offset) {
  return static_cast<u16>(static_cast<unsigned char>(buffer[offset]) << 8 |
                          static_cast<unsigned char>(buffer[offset + 1]));
}

int FillTxBuf(u16 command, u16 argument, const u16* words) {
  PutWord(szWriteBuf, 0, 0x0055);
  PutWord(szWriteBuf, 2, command);
  PutWord(szWriteBuf, 4, argument);
  for (int i = 0; i < 15; ++i) PutWord(szWriteBuf, 6 + 2 * i, words[i]);
  return 15;
}

int WriteFrame() {
  nBytesW = ComWrt(com, szWriteBuf, FRAME_LEN);
  return nBytesW;
}

int GetRxBuf() {
  if (GetWord(szReadBuf, 2) == CMD_MEAS_FRAME) {
    for (int i = 0; i < 16; ++i) pp[i] = GetWord(szReadBuf, 4 + 2 * i);
    return 1;
  }
  for (int i = 0; i < 15; ++i) pp[i] = GetWord(szReadBuf, 6 + 2 * i);
  return 0;
}

void RX_Receive_Function(int /*portNumber*/, int eventMaskGiven, void* /*callbackData*/) {
  if ((eventMaskGiven & LWRS_RECEIVE) == 0) return;
  const int n = ComRd(com, szReadBuf, FRAME_LEN);
  if (n == FRAME_LEN && GetWord(szReadBuf, 0) == SYNC_WORD) {
    graph_flag = GetRxBuf();
    rx_flag = 1;
  } else if (n == FRAME_LEN) {
    rx_sync_error = 1;
  }
  FlushInQ(com);
}

void ReceiveCallbackOn() {
  InstallComCallback(com, eventMask, NOTIFY_COUNT, EVENT_CHAR, RX_Receive_Function, nullptr);
}

void ReceiveCallbackOff() {
  InstallComCallback(com, 0, NOTIFY_COUNT, EVENT_CHAR, nullptr, nullptr);
}

int WaitRxFull() {
  const double t0 = Timer();
  for (;;) {
    ProcessSystemEvents();
    if (Timer() - t0 > TIMEOUT) {
      SetStatus("Timeout-RS-232...");
      return 0;
    }
    if (rx_flag != 0) return 1;
  }
}

int CheckComLine(int port) {
  parameter[1] = CMD_ECHO;
  parameter[2] = 0;
  CopyVarsToPP(0);
  FillTxBuf(CMD_ECHO, 0, pp);
  FlushOutQ(port);
  FlushInQ(port);
  rx_flag = 0;
  rx_sync_error = 0;
  nBytesW = ComWrt(port, szWriteBuf, FRAME_LEN);

  int result = 0;
  if (StandardWait() == 0) {
    SetStatus("Timeout-RS-232...");
  } else if (GetWord(szReadBuf, 0) == SYNC_WORD) {
    SetStatus("Echo Check - Line Ok!");
    result = 1;
  } else {
    SetStatus("read error - not sync byte 0xAA!");
  }
  ShowStatusBuffer();
  return result;
}

const char* ComErrorText(int r) {
  switch (r) {
    case -1:
      return "Unknown system error";
    case -2:
      return "Invalid port number";
    case -3:
      return "Port is not open";
    case -4:
      return "Unknown I/0 error";
    case -6:
      return "No serial port found";
    case -7:
      return "Cannot open port";
    case -13:
      return "Invalid parameter";
    case -99:
      return "Timeout";
    default:
      return "RS-232 error!";
  }
}

int InitRS232(int port) {
  const int r = OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096);
  if (r < 0) {
    SetStatus(ComErrorText(r));
    ShowStatusBuffer();
    return 0;
  }
  SetComTime(port, TIMEOUT);
  FlushInQ(port);
  FlushOutQ(port);
  SetCTSMode(port, 0);
  InstallComCallback(port, eventMask, NOTIFY_COUNT, EVENT_CHAR, RX_Receive_Function, nullptr);

  const int lineOk = CheckComLine(port);
  if (lineOk == 1) {
    SleepMs(0);
    if (GetHARDWAREInfo() == 0) SetStatus("Error reading HARDWARE-info!");
    Delay(0.1);
    PushGET(static_cast<u16>(RAM), 0);
    Delay(0.1);
    PushGET(static_cast<u16>(RAM), 1);
    Delay(0.1);
    if (GetVERSIONInfo() < 72) SetStatus("Error reading firmware-info!");
  }
  ShowStatusBuffer();
  return lineOk;
}

int CC_DropDCom(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    stop_flag = 1;
    SleepMs(0);
    CloseCom(com);
    SleepMs(0);
    GetCtrlVal(panel, control, &com);
    ShowStatus("Init COM-Port ...");
    InitRS232(com);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, MAIN_HELP2, 20, -80,
               "DROP-DOWN-CONNECT:\nSelect the port-number of the serial RS232 comunication "
               "interface of the PC.\n\nThe port-number can be found under:\n"
               "<Start>/System-Settings/Hardware/...");
  }
  return 0;
}
