// Sensor link: frames, receive path, echo check, port set-up, parameter packet,
// identification and raw block transfer.
#pragma once

#include <string>

#include "shell/globals.h"

// Command words
constexpr u16 CMD_SEND_RAM = 1;
constexpr u16 CMD_GET_RAM = 2;
constexpr u16 CMD_SEND_EEPROM = 3;
constexpr u16 CMD_GET_EEPROM = 4;
constexpr u16 CMD_ECHO = 5;
constexpr u16 CMD_TEACH = 6;
constexpr u16 CMD_FIRMWARE_INFO = 7;
constexpr u16 CMD_MEAS_FRAME = 8;
constexpr u16 CMD_DATA64 = 9;
constexpr u16 CMD_HARDWARE_INFO = 10;
constexpr u16 CMD_RESET_MAXMIN = 11;
constexpr u16 CMD_XFLASH_CLEAR = 101;
constexpr u16 CMD_XFLASH_WRITE = 102;
constexpr u16 CMD_XFLASH_READ = 103;

constexpr int FRAME_LEN = 36;

// ------------------------------------------------------------ transport (serial.cpp)
// Opens the port and identifies the sensor: 1 when the echo check passed, else 0.
int InitRS232(int port);
// The receive callback takes a 36-byte reply only when it answers the request the running
// wait was started for (when no wait runs: the request written last, until the line goes
// out of step): the same command echo and, for a parameter half (commands 1 to 4), the
// same argument echo. Any other reply with the sync word is thrown away (counted as
// discarded), and the wait goes on. 36 bytes without the sync word are taken, not decoded.
void RX_Receive_Function(int portNumber, int eventMaskGiven, void* callbackData);
int FillTxBuf(u16 command, u16 argument, const u16* words);
int GetRxBuf();
// The reply wait with "Timeout-RS-232..." in szStatus on a time-out: 1 when a reply frame
// with the sync word has been decoded into pp, 0 otherwise. rx_flag is not cleared first.
int WaitRxFull();
int CheckComLine(int port);
// The port change of the serial-port drop-down: ends a running loop, closes the port and
// sets the link up again on `port`.
void ChangeComPort(int port);
// ------------------------------------------------------------ the reply wait (serial.cpp)
// Every sender waits for its answer with WaitReply or WaitBytes. The sender flushes the
// queues, clears rx_flag (and graph_flag where it needs it), writes its frame and notes
// t0 = Timer(); the wait then repeats: process events, sleeping until a byte, a user event
// or the deadline t0 + TIMEOUT comes; more than TIMEOUT seconds since t0: time-out (an
// elapsed time of exactly TIMEOUT still waits); the awaited answer there: done. The
// sender shows its own status texts from the result.
enum WaitResult {
  WAIT_PORT_GONE = -1,  // time-out, and the port is not open (closed, failed, unplugged)
  WAIT_TIMEOUT = 0,     // nothing awaited arrived within TIMEOUT
  WAIT_REPLY = 1,       // the awaited answer is there: a frame decoded into pp (and in
                        // szReadBuf), or at least the asked-for raw bytes wait in the queue
  WAIT_NO_SYNC = 2,     // 36 bytes arrived that do not begin with the sync word: taken as
                        // a reply (rx_flag 1, graph_flag 0), not decoded (pp unchanged)
  WAIT_STOPPED = 3,     // stop_flag became non-zero (UNTIL_REPLY_OR_STOP only)
};

// What ends a WaitReply besides the time-out.
enum WaitUntil {
  UNTIL_REPLY,          // any reply frame: WAIT_REPLY, or WAIT_NO_SYNC without sync word
  UNTIL_REPLY_OR_STOP,  // as UNTIL_REPLY, and WAIT_STOPPED as soon as stop_flag is set
  UNTIL_SYNCED_REPLY,   // a reply frame with the sync word; one without is dropped
                        // (rx_flag cleared again) and the wait goes on
  UNTIL_MEAS_FRAME,     // a measurement frame (graph_flag 1); a frame with the sync word
                        // and another command echo does not end the wait, one without
                        // the sync word gives WAIT_NO_SYNC
};
WaitResult WaitReply(double t0, WaitUntil until);
// Waits until at least `count` bytes are in the input queue (the raw replies, read with
// the receive callback off): WAIT_REPLY, or WAIT_TIMEOUT / WAIT_PORT_GONE.
WaitResult WaitBytes(double t0, int count);

// The line is out of step (a reply without the sync word, a time-out, more raw bytes than
// asked for, a port just opened): before the next request the line is let go quiet for
// `quietBytes` byte-times and the input queue emptied, so that the next reply is read from
// its first byte. Exchanges in step go out at once.
constexpr int LINE_QUIET_BYTES = 20;
void LineOutOfStep(int quietBytes = LINE_QUIET_BYTES);

// Text of a failed open for the negative result r.
const char* ComErrorText(int r);
// Switches the receive callback on (RX_Receive_Function) or off.
void ReceiveCallbackOn();
void ReceiveCallbackOff();
// Writes the 36-byte frame in szWriteBuf to com; the count goes to nBytesW.
int WriteFrame();
// Puts big-endian word w at szWriteBuf[offset].
void PutWord(char* buffer, int offset, u16 w);
u16 GetWord(const char* buffer, int offset);

// ------------------------------------------------------------ the line's state (serial.cpp)
// 1 while the port's device is gone (unplugged): no wait waits for it.
int SensorLost();
// Counts of the exchanges on the line since the program started.
struct LinkCounts {
  long exchanges = 0;  // request frames written
  long replies = 0;    // replies received whole (frames, firmware text, data blocks)
  long timeouts = 0;   // waits that ended without their reply
  long discarded = 0;  // replies thrown away: no sync word, or cut short
};
const LinkCounts& GetLinkCounts();
void LinkCountExchange();
void LinkCountReply();
// A wait gave up; bytes still waiting count as a discarded (truncated) reply.
void LinkCountTimeout();
void LinkCountDiscarded();

// How a port set-up (InitRS232) ended. Whoever watches the link is told of every one.
struct PortSetUp {
  int port = 0;
  int openResult = 0;          // of OpenComConfig: negative when the port did not open
  int lineOk = 0;              // the echo check passed
  int hardwareOk = 0;          // the hardware identification came
  const char* firmware = "";   // the firmware text shown, "" when none came
  int halvesRead[2] = {0, 0};  // 1 for each half of the parameter set read from RAM
};
using PortSetUpWatcher = void (*)(const PortSetUp& setUp);
void WatchPortSetUps(PortSetUpWatcher watcher);  // nullptr: nobody watches

// ------------------------------------------------------------ parameter set (paraset.cpp)
enum Layout { LAYOUT_DEFAULT = 0, LAYOUT_D303 = 1, LAYOUT_MX400 = 2 };
Layout LiveLayout();            // hwtype 400: MX400; softversion < 303: default; else D303
int LayoutBase(Layout layout);  // 3, 18, 33
void CopyVarsToPP(u16 half);
void CopyPPtoVars(u16 half);
void CopyPPtoRAWVars();
// The 30 data words of the two parameter frames, half 0 first (as in the parameter file).
constexpr int SET_WORDS = 30;
// Packs both halves (through pp, which keeps half 1) into `words`, and the reverse.
void CopyVarsToWords(u16 words[SET_WORDS]);
void CopyWordsToVars(const u16 words[SET_WORDS]);
u32 SlopeWord();  // words 60-61, unsigned
void SetSlopeWord(u32 slope);
int OffsetWord();  // words 62-63, signed
void SetOffsetWord(int offset);

// ------------------------------------------------------------ identification (ident.cpp)
int GetHARDWAREInfo();
int GetVERSIONInfo();
double VideoStep(u16 virtpixel);  // 0 for an unlisted pixel count

// ------------------------------------------------------------ block transfer (blocks.cpp)
// 1 when a measurement frame has been decoded into pp, 0 on time-out ("Timeout
// RS232-Line!" shown, stop_flag 1), 2 when a reply without the sync word came instead
// (nothing decoded; the caller may send its next request).
int PushGETRAW();
int ReadData64(u16 first, u16 word0);
