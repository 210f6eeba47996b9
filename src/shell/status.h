// The status line (main-panel control 33) and the status text buffer szStatus.
#pragma once

// Copies `text` into szStatus, cut to fit the buffer.
void SetStatus(const char* text);
// Shows `text` in the status line (and in the protocol trace).
void ShowStatus(const char* text);
// Shows szStatus in the status line.
void ShowStatusBuffer();
