// Reading the parameter set back without applying it: one half or both halves of the
// sensor's RAM or EEPROM into a buffer of their own, and the read-back after SEND that
// compares what the sensor holds with what was sent.
#include <cstdio>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "service/journal.h"
#include "service/service.h"
#include "shell/status.h"

int ReadHalf(u16 source, u16 half, u16 out[15]) {
  const u16 command = source == EEPROM ? CMD_GET_EEPROM : CMD_GET_RAM;
  // The request GET sends, built without storing its command in the parameter set.
  CopyVarsToPP(half);
  FlushInQ(com);
  FlushOutQ(com);
  FillTxBuf(command, half, pp);
  rx_flag = 0;
  WriteFrame();
  // A late answer to an earlier frame is not taken for this one's (the receive path).
  if (WaitReply(Timer(), UNTIL_SYNCED_REPLY) != WAIT_REPLY) {
    SetStatus("Timeout-RS-232...");
    NoteHalfRead(source, half, nullptr);
    return 0;
  }
  for (int i = 0; i < 15; ++i) out[i] = pp[i];
  NoteHalfRead(source, half, out);
  return 1;
}

int ReadSet(u16 source, u16 out[SET_WORDS], int got[2]) {
  for (u16 half = 0; half < 2; ++half) {
    if (half == 1) Delay(0.1);
    got[half] = ReadHalf(source, half, &out[15 * half]);
  }
  return got[0] && got[1] ? 1 : 0;
}

int DifferingWords(const u16 a[SET_WORDS], const u16 b[SET_WORDS], char* list, int size) {
  int count = 0;
  list[0] = '\0';
  for (int i = 0; i < SET_WORDS; ++i) {
    if (a[i] == b[i]) continue;
    char number[8];
    std::snprintf(number, sizeof number, count ? ", %d" : "%d", i + 1);
    if (std::strlen(list) + std::strlen(number) + 4 < static_cast<size_t>(size))
      std::strcat(list, number);
    else if (!std::strstr(list, "..."))
      std::strcat(list, "...");
    ++count;
  }
  return count;
}

namespace {
ReadBack lastReadBack;
}  // namespace

const ReadBack& LastReadBack() {
  return lastReadBack;
}

int VerifySEND(u16 destination) {
  u16 sent[SET_WORDS];
  CopyVarsToWords(sent);
  // The sensor's answers to the two SEND frames arrive before the first request.
  Delay(0.1);
  lastReadBack = ReadBack{};
  u16* back = lastReadBack.words;
  int* got = lastReadBack.got;
  if (ReadSet(destination, back, got) == 0) {
    ShowStatus("SEND not verified: Timeout-RS-232...");
    NoteSendVerified(destination, VERIFY_NO_REPLY);
    return VERIFY_NO_REPLY;
  }
  char list[32];
  const int count = DifferingWords(sent, back, list, sizeof list);
  char text[96];
  if (count == 0)
    std::snprintf(text, sizeof text, "SEND verified! - %s holds all 30 words.",
                  destination == EEPROM ? "EEPROM" : "RAM");
  else
    std::snprintf(text, sizeof text, "SEND verify failed: word%s %s differ%s!",
                  count > 1 ? "s" : "", list, count > 1 ? "" : "s");
  ShowStatus(text);
  const int result = count == 0 ? VERIFY_OK : VERIFY_DIFFERENT;
  NoteSendVerified(destination, result);
  return result;
}

int VerifySENDIfChosen(u16 destination) {
  int chosen = 0;
  GetCtrlVal(pHandle, MAIN_VERIFY, &chosen);
  return chosen ? VerifySEND(destination) : VERIFY_OFF;
}

int CC_CHKVerify(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_RIGHT_CLICK)
    HelpBeside(panel, control, MAIN_HELP1, 20, -20,
               "VERIFY:\nRead the parameter-frame back after SEND\nand compare it word by word.");
  return 0;
}
