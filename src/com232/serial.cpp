// Serial transport: port set-up, command frames, the receive callback, the echo check
// and the port change from the panel.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "operations/operations.h"
#include "shell/status.h"

namespace {

constexpr u16 SYNC_WORD = 0x00AA;
constexpr int NOTIFY_COUNT = FRAME_LEN;
constexpr int EVENT_CHAR = 0x55;
constexpr double BYTE_TIME = 10.0 / 19200;  // seconds per byte on the line, 8N1
// After a port was opened: long enough for the reply to a request written before (still
// on its way to the sensor, and the sensor's turnaround) to have begun.
constexpr int QUIET_BYTES_AFTER_OPEN = 2 * FRAME_LEN;
constexpr double SETTLE_LIMIT = 0.25;  // seconds; a line that never goes quiet is let be

LinkCounts counts;
PortSetUpWatcher portSetUpWatcher = nullptr;
int quietBytesNeeded = 0;  // 0 while the line is in step

// A request by its command and argument words; `any` false: none.
struct Request {
  bool any = false;
  u16 command = 0, argument = 0;
};
Request written;  // the request written last, until the line goes out of step
Request awaited;  // the request of the wait that runs
bool waiting = false;

bool ReplySynced() {
  return GetWord(szReadBuf, 0) == SYNC_WORD;
}

// Commands whose argument word is the half of the parameter set they move.
bool CarriesHalf(u16 command) {
  return command >= CMD_SEND_RAM && command <= CMD_GET_EEPROM;
}

// Whether the reply in szReadBuf answers the request a wait runs for, or else the one
// written last (a reply nobody waits for, such as SEND's, is still taken in): its command
// echo is the request's command and, for a parameter half, its argument echo the half.
bool AnswersRequest() {
  const Request& request = waiting ? awaited : written;
  if (!request.any || GetWord(szReadBuf, 2) != request.command) return false;
  return !CarriesHalf(request.command) || GetWord(szReadBuf, 4) == request.argument;
}

// The frame in szWriteBuf goes out.
void NoteWritten() {
  written = {true, GetWord(szWriteBuf, 2), GetWord(szWriteBuf, 4)};
}

// Before a request on a line out of step: waits until no byte has come for the quiet
// time, throwing away whatever comes, so that the reply to the request is read from its
// first byte.
void SettleLine(int port) {
  if (quietBytesNeeded == 0) return;
  const int quietMs = static_cast<int>(std::ceil(quietBytesNeeded * BYTE_TIME * 1000.0));
  quietBytesNeeded = 0;
  const double limit = Timer() + SETTLE_LIMIT;
  do {
    FlushInQ(port);
    SleepMs(quietMs);
  } while (GetInQLen(port) > 0 && Timer() < limit);
  FlushInQ(port);
}

void TellPortSetUp(const PortSetUp& setUp) {
  if (portSetUpWatcher) portSetUpWatcher(setUp);
}

// Whether the answer a WaitReply waits for is there (WAIT_REPLY, WAIT_NO_SYNC,
// WAIT_STOPPED) or not yet (WAIT_TIMEOUT).
WaitResult Arrived(WaitUntil until) {
  switch (until) {
    case UNTIL_REPLY:
    case UNTIL_REPLY_OR_STOP:
      if (rx_flag != 0) return ReplySynced() ? WAIT_REPLY : WAIT_NO_SYNC;
      if (until == UNTIL_REPLY_OR_STOP && stop_flag != 0) return WAIT_STOPPED;
      return WAIT_TIMEOUT;
    case UNTIL_SYNCED_REPLY:
      if (rx_flag == 0) return WAIT_TIMEOUT;
      if (ReplySynced()) return WAIT_REPLY;
      rx_flag = 0;  // line noise, not the reply: keep waiting
      return WAIT_TIMEOUT;
    case UNTIL_MEAS_FRAME:
      if (graph_flag == 1) return WAIT_REPLY;
      if (rx_flag != 0 && !ReplySynced()) return WAIT_NO_SYNC;
      return WAIT_TIMEOUT;
  }
  return WAIT_TIMEOUT;
}

// The one wait of the program: events are processed (sleeping until something happens
// or the deadline passes) until `arrived` reports anything but WAIT_TIMEOUT or more than
// TIMEOUT seconds have passed since t0.
template <typename Check>
WaitResult WaitCore(double t0, Check arrived) {
  const double deadline = t0 + TIMEOUT;
  for (;;) {
    ProcessEventsUntil(deadline);
    if (SensorLost()) return WAIT_PORT_GONE;  // unplugged: nothing will come
    if (Timer() - t0 > TIMEOUT) {
      LinkCountTimeout();
      LineOutOfStep();  // the answer may still come, late
      // A write of no bytes fails only when the port cannot be used.
      return ComWrt(com, szWriteBuf, 0) < 0 ? WAIT_PORT_GONE : WAIT_TIMEOUT;
    }
    const WaitResult r = arrived();
    if (r != WAIT_TIMEOUT) return r;
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

int SensorLost() {
  return ComPortLost(com) ? 1 : 0;
}

const LinkCounts& GetLinkCounts() {
  return counts;
}

void LinkCountExchange() {
  counts.exchanges++;
}

void LinkCountReply() {
  counts.replies++;
}

void LinkCountTimeout() {
  counts.timeouts++;
  // Bytes still waiting when the wait gives up are a reply cut short: the next request's
  // flush throws them away.
  if (GetInQLen(com) > 0) counts.discarded++;
}

void LinkCountDiscarded() {
  counts.discarded++;
}

void WatchPortSetUps(PortSetUpWatcher watcher) {
  portSetUpWatcher = watcher;
}

void LineOutOfStep(int quietBytes) {
  if (quietBytes > quietBytesNeeded) quietBytesNeeded = quietBytes;
  written.any = false;  // what still comes for it is late
}

int FillTxBuf(u16 command, u16 argument, const u16* words) {
  PutWord(szWriteBuf, 0, 0x0055);
  PutWord(szWriteBuf, 2, command);
  PutWord(szWriteBuf, 4, argument);
  for (int i = 0; i < 15; ++i) PutWord(szWriteBuf, 6 + 2 * i, words[i]);
  return 15;
}

int WriteFrame() {
  SettleLine(com);
  NoteWritten();
  LinkCountExchange();
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

namespace {

// The 36 bytes in szReadBuf. Without the sync word they are taken as a reply but not
// decoded, so line noise never reaches pp, and the line is out of step. A reply to another
// request (a late one) is thrown away: it never becomes the answer to this one, and what
// follows it may be. Returns whether the bytes were taken.
bool TakeReply() {
  if (!ReplySynced()) {
    graph_flag = 0;
    rx_flag = 1;
    LinkCountDiscarded();
    LineOutOfStep();
    return true;
  }
  if (!AnswersRequest()) {
    LinkCountDiscarded();
    return false;
  }
  graph_flag = GetRxBuf();
  rx_flag = 1;
  LinkCountReply();
  return true;
}

}  // namespace

void RX_Receive_Function(int /*portNumber*/, int eventMaskGiven, void* /*callbackData*/) {
  if ((eventMaskGiven & LWRS_RECEIVE) == 0) return;
  const int n = ComRd(com, szReadBuf, FRAME_LEN);
  if (n == FRAME_LEN && !TakeReply()) return;  // the bytes after a late reply are kept
  FlushInQ(com);
}

void ReceiveCallbackOn() {
  InstallComCallback(com, eventMask, NOTIFY_COUNT, EVENT_CHAR, RX_Receive_Function, nullptr);
}

void ReceiveCallbackOff() {
  InstallComCallback(com, 0, NOTIFY_COUNT, EVENT_CHAR, nullptr, nullptr);
}

WaitResult WaitReply(double t0, WaitUntil until) {
  // The reply to the request written last, also while a sender started meanwhile (GET
  // during RUN) waits for its own.
  const Request outer = awaited;
  const bool outerWaiting = waiting;
  awaited = written;
  waiting = true;
  const WaitResult r = WaitCore(t0, [until] { return Arrived(until); });
  awaited = outer;
  waiting = outerWaiting;
  return r;
}

WaitResult WaitBytes(double t0, int count) {
  SetComWakeCount(com, count);
  const WaitResult r =
      WaitCore(t0, [count] { return GetInQLen(com) >= count ? WAIT_REPLY : WAIT_TIMEOUT; });
  SetComWakeCount(com, 0);                // raw runs are read with the callback off
  if (r == WAIT_REPLY) LinkCountReply();  // a raw run: firmware text or data block
  if (r == WAIT_REPLY && GetInQLen(com) > count) LineOutOfStep();  // more came than asked
  return r;
}

int WaitRxFull() {
  if (WaitReply(Timer(), UNTIL_SYNCED_REPLY) == WAIT_REPLY) return 1;
  SetStatus("Timeout-RS-232...");
  return 0;
}

int CheckComLine(int port) {
  parameter[1] = CMD_ECHO;
  parameter[2] = 0;
  CopyVarsToPP(0);
  FillTxBuf(CMD_ECHO, 0, pp);
  FlushOutQ(port);
  FlushInQ(port);
  rx_flag = 0;
  SettleLine(port);
  NoteWritten();
  LinkCountExchange();
  nBytesW = ComWrt(port, szWriteBuf, FRAME_LEN);

  int result = 0;
  switch (WaitReply(Timer(), UNTIL_REPLY)) {
    case WAIT_REPLY:
      SetStatus("Echo Check - Line Ok!");
      result = 1;
      break;
    case WAIT_NO_SYNC:
      SetStatus("read error - not sync byte 0xAA!");
      break;
    default:
      SetStatus("Timeout-RS-232...");
      break;
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
  PortSetUp setUp{port, OpenComConfig(port, "", 19200, 0, 8, 1, 4096, 4096)};
  if (setUp.openResult < 0) {
    SetStatus(ComErrorText(setUp.openResult));
    ShowStatusBuffer();
    TellPortSetUp(setUp);
    return 0;
  }
  SetComTime(port, TIMEOUT);
  FlushInQ(port);
  FlushOutQ(port);
  SetCTSMode(port, 0);
  InstallComCallback(port, eventMask, NOTIFY_COUNT, EVENT_CHAR, RX_Receive_Function, nullptr);
  // The reply to a request written on the port before may still be on its way.
  LineOutOfStep(QUIET_BYTES_AFTER_OPEN);

  setUp.lineOk = CheckComLine(port);
  char firmware[STATUS_LEN] = "";
  if (setUp.lineOk == 1) {
    SleepMs(0);
    setUp.hardwareOk = GetHARDWAREInfo() != 0 ? 1 : 0;
    if (!setUp.hardwareOk) SetStatus("Error reading HARDWARE-info!");
    Delay(0.1);
    setUp.halvesRead[0] = PushGET(static_cast<u16>(RAM), 0);
    Delay(0.1);
    setUp.halvesRead[1] = PushGET(static_cast<u16>(RAM), 1);
    Delay(0.1);
    const int n = GetVERSIONInfo();
    if (n == 72) std::snprintf(firmware, sizeof firmware, "%s", szStatus);  // the text shown
    if (n < 72) SetStatus("Error reading firmware-info!");
    // The panels show the model of the last identification and the parameter set as
    // read: a sensor that was not identified, or a half that was not read, must not go
    // unnoticed behind the texts of the later reads.
    if (!setUp.hardwareOk)
      SetStatus("Error reading HARDWARE-info!");
    else if (!setUp.halvesRead[0] || !setUp.halvesRead[1])
      SetStatus("Timeout-RS-232...");
  }
  ShowStatusBuffer();
  setUp.firmware = firmware;
  TellPortSetUp(setUp);
  return setUp.lineOk;
}

void ChangeComPort(int port) {
  stop_flag = 1;
  SleepMs(0);
  CloseCom(com);
  SleepMs(0);
  com = port;
  ShowStatus("Init COM-Port ...");
  InitRS232(com);
}
