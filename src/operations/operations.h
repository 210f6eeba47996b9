// Sensor operations: GET/SEND, RUN/STOP, VIDEO, teach and reset.
#pragma once

#include "shell/globals.h"

#define CTRL_CALLBACK(name) \
  int name(int panel, int control, int event, void* callbackData, int eventData1, int eventData2)

// GET / SEND (exchange.cpp)
void PushGET(u16 source, u16 half);
CTRL_CALLBACK(CC_BTNGet);
CTRL_CALLBACK(CC_BTNSend);
CTRL_CALLBACK(CC_RBTRam);
CTRL_CALLBACK(CC_RBTEeprom);
CTRL_CALLBACK(CC_RBTFile);
// Selects RAM: RAM button on, EEPROM and FILE off, target = RAM.
void SelectRAM();

// RUN / STOP (run.cpp)
void PushRUN();
void PushSTOP();
// RUN and VIDEO, and TEACH with `teach`: the commands that start a serial loop, dimmed
// while one runs.
void DimLoopCommands(int dimmed, bool teach);
CTRL_CALLBACK(CC_BTNRun);
CTRL_CALLBACK(CC_BTNStop);

// VIDEO (video.cpp)
void PushVIDEO();
CTRL_CALLBACK(CC_BTNVideo);

// Teach and reset (teach.cpp)
CTRL_CALLBACK(CC_NEDITTeach);
CTRL_CALLBACK(CC_ButtonTeach);
CTRL_CALLBACK(CC_ButtonReset);

// Read-back of the parameter set (verify.cpp). Nothing of it changes the parameter set
// or the panels.
// One half of RAM or EEPROM into `out`, with GET's request: 1, or 0 on time-out.
int ReadHalf(u16 source, u16 half, u16 out[15]);
// Both halves, 0.1 s apart, into `out` (30 words); got[h] = 1 for each half that came.
// 1 when both came.
int ReadSet(u16 source, u16 out[30], int got[2]);
// Number of words in which a and b differ; their numbers (1..30, "7, 18") into `list`.
int DifferingWords(const u16 a[30], const u16 b[30], char* list, int size);
// Results of the read-back after SEND.
enum ReadBackResult { VERIFY_OK = 0, VERIFY_DIFFERENT = 1, VERIFY_NO_REPLY = 2, VERIFY_OFF = 3 };
// Reads the set back from `destination` (RAM or EEPROM) and compares it with the set just
// sent; the status line says "SEND verified! ..." or which words differ.
int VerifySEND(u16 destination);
// VerifySEND when the VERIFY check box beside SEND is on, else VERIFY_OFF.
int VerifySENDIfChosen(u16 destination);
CTRL_CALLBACK(CC_CHKVerify);

// Compare of RAM, EEPROM and a parameter file (compare.cpp).
enum CompareResult {
  COMPARE_SAME = 0,
  COMPARE_DIFFERENT = 1,
  COMPARE_NO_REPLY = 2,
  COMPARE_FILE_ERROR = 3
};
// Reads RAM and EEPROM (and the parameter file `path`, unless it is empty) into buffers
// of their own and shows the 30 words side by side on the compare panel.
int CompareParameterSets(const char* path);
// After a compare with a file: the number of words in which the file differs from RAM or
// EEPROM, -1 when either was not read.
int FileDiffersFrom(u16 source);
CTRL_CALLBACK(CC_BTNCompare);
CTRL_CALLBACK(CC_BTNCompareClose);
int CC_COMPARE(int panel, int event, void* callbackData, int eventData1, int eventData2);
