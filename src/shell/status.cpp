#include "shell/status.h"

#include <cstdio>

#include "engine/engine.h"
#include "shell/globals.h"

void SetStatus(const char* text) {
  std::snprintf(szStatus, sizeof szStatus, "%s", text);
}

void ShowStatus(const char* text) {
  SetCtrlVal(pHandle, MAIN_STATUS, text);
  TraceText("STATUS", text);
}

void ShowStatusBuffer() {
  ShowStatus(szStatus);
}
