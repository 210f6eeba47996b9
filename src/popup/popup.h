// Data recorder: recorder panel, recording run and recorder file.
#pragma once

#include "engine/engine.h"
#include "shell/globals.h"

// Values of stop_flag at the end of a recording run.
constexpr int REC_STOPPED = 1;     // recorder STOP or the main panel's STOP
constexpr int REC_COMPLETED = 2;   // the requested number of samples has been written
constexpr int REC_TIMEOUT = 3;     // no reply within TIMEOUT
constexpr int REC_FILE_ERROR = 4;  // the recorder file could not be written

CTRL_CALLBACK(CC_TOGGBTN_Recorder);
CTRL_CALLBACK(CC_CMDBTNrecfile);
CTRL_CALLBACK(CC_NUMsample);
CTRL_CALLBACK(CC_NUMinctime);
CTRL_CALLBACK(CC_CBTNStartRecord);
CTRL_CALLBACK(CC_CBTNStopRecord);
void CalcRecTime(int seconds);

// Recorder file (recfile.cpp). Both return 0, or a negative error when the append failed.
int writeFileHeader();
int WriteRecordLine();
