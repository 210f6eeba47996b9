// Sensor operations: GET/SEND, RUN/STOP, VIDEO, teach and reset.
#pragma once

#include "engine/engine.h"
#include "shell/globals.h"

// GET / SEND (exchange.cpp)
// 1 when the sensor's reply for the half came (nothing is exchanged for DATFILE: 0).
int PushGET(u16 source, u16 half);
// One half of SEND: the half of the parameter set, with the command in parameter word 1.
void SendHalf(u16 half);
// Whoever keeps what the sensor's memories hold is told of every GET half from RAM or
// EEPROM: the 15 words received, or nullptr when no reply came.
using GetWatcher = void (*)(u16 source, u16 half, const u16* words);
void WatchGETs(GetWatcher watcher);  // nullptr: nobody watches
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
