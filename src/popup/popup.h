// Data recorder: recorder panel, recording run and recorder file.
#pragma once

#include "operations/operations.h"
#include "shell/globals.h"

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
