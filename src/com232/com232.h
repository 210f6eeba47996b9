// Sensor link: frames, receive path, echo check, port set-up, parameter packet,
// identification and raw block transfer.
#pragma once

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
void RX_Receive_Function(int portNumber, int eventMaskGiven, void* callbackData);
int FillTxBuf(u16 command, u16 argument, const u16* words);
int GetRxBuf();
int WaitRxFull();
int CheckComLine(int port);
int CC_DropDCom(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
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
int PushGETRAW();
int ReadData64(u16 first, u16 word0);
