// The writes of the program, recorded in the journal: SEND, TEACH and RESET from their
// buttons, parameter files and X-FLASH write runs where they are written. "Before" is the
// set last read from that memory of this sensor (start-up and GET through the designed
// operations, COMPARE and read-backs through ReadSet): no frame is added to a designed
// sequence. An entry is stored before its write (outcome "pending") and completed after.
#include <pwd.h>
#include <unistd.h>

#include <QDateTime>
#include <QSysInfo>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "files/files.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "service/journal.h"
#include "service/service.h"

namespace {

// What a memory held when last read: each half with the time it came.
struct KnownSet {
  WordSet words{};
  bool got[2] = {false, false};
  std::string readAt[2];
};
KnownSet known[2];  // RAM, EEPROM

bool required = false;     // the command line: no entry, no write
bool off = false;          // --no-journal
std::string refusal;       // why a write was stopped
JournalEntry lastSend;     // the SEND whose read-back may follow
JournalEntry fileWrite;    // the parameter-file write under way
JournalEntry xflashWrite;  // the X-FLASH write run under way

KnownSet* KnownOf(u16 source) {
  if (source == RAM) return &known[0];
  if (source == EEPROM) return &known[1];
  return nullptr;
}

KnownSet* KnownOf(const std::string& memory) {
  return memory == "ram" ? &known[0] : memory == "eeprom" ? &known[1] : nullptr;
}

std::optional<WordSet> Complete(const KnownSet& k) {
  if (!k.got[0] || !k.got[1]) return std::nullopt;
  return k.words;
}

std::string NowUtc() {
  return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
}

std::string LocalOffset() {
  const int minutes = QDateTime::currentDateTime().offsetFromUtc() / 60;
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', std::abs(minutes) / 60,
                std::abs(minutes) % 60);
  return text;
}

std::string UserName() {
  const passwd* pw = getpwuid(geteuid());
  if (pw && pw->pw_name) return pw->pw_name;
  const char* user = std::getenv("USER");
  return user ? user : "";
}

void SetPort(JournalEntry* e) {
  e->port = GetPortDevice(com);
  for (const PortEntry& p : GetPortTable())
    if (p.number == com) e->portById = p.byId;
}

// CRC-32 (IEEE) of the table as it goes on the line, each word big-endian.
std::string TableChecksum(const u16* table, int words) {
  u32 crc = 0xFFFFFFFFu;
  for (int i = 0; i < 2 * words; ++i) {
    crc ^= i % 2 == 0 ? table[i / 2] >> 8 : table[i / 2] & 0xFF;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  char text[12];
  std::snprintf(text, sizeof text, "%08x", ~crc);
  return text;
}

// The file as a restore finds it from any working directory.
std::string AbsolutePath(const char* path) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.string();
}

// A parameter file is written by SEND to FILE or by a read to a file from the command
// line: "before" is what the file held, when it was a parameter file.
int OnParaFileWrite(const char* path, const u16* words, int result) {
  if (!words) {
    fileWrite = NewEntry("send-file", "file");
    fileWrite.file = AbsolutePath(path);
    WordSet previous;
    if (ReadParaWords(path, previous.data()) == 0) {
      fileWrite.before = previous;
      fileWrite.beforeRead = fileWrite.time;
    }
    return StartWrite(&fileWrite) ? 1 : 0;
  }
  if (result >= 0) {
    fileWrite.after = WordSet{};
    std::copy(words, words + SET_WORDS, fileWrite.after->begin());
  }
  fileWrite.outcome = result >= 0 ? "done" : "failed";
  FinishWrite(&fileWrite);
  return 1;
}

int OnXflashWrite(const XflashRun& run) {
  if (run.starting) {
    xflashWrite = NewEntry("write-xflash", "xflash");
    xflashWrite.file = AbsolutePath(file_name);
    xflashWrite.tableWords = run.words;
    xflashWrite.checksum = TableChecksum(linArray, run.words);
    return StartWrite(&xflashWrite) ? 1 : 0;
  }
  if (run.readBack >= 0) xflashWrite.verified = run.readBack == 1;
  xflashWrite.outcome = run.result == XFLASH_OK          ? "done"
                        : run.result == XFLASH_NO_ANSWER ? "time-out"
                        : run.readBack == 0              ? "differs"
                                                         : "failed";
  FinishWrite(&xflashWrite);
  return 1;
}

}  // namespace

JournalSensor ConnectedSensor() {
  const SensorIdentity id = IdentifiedSensor();
  return {id.known, id.hwtype, pcbtype, id.softversion, id.ccdtype, id.firmware};
}

std::string StatusLineText() {
  char text[256] = "";
  GetCtrlVal(pHandle, MAIN_STATUS, text, sizeof text);
  return text;
}

void WatchWrites() {
  WatchGETs(NoteHalfRead);
  WatchParaFileWrites(OnParaFileWrite);
  WatchXflashWrites(OnXflashWrite);
}

void NoteHalfRead(u16 source, u16 half, const u16* words) {
  KnownSet* k = KnownOf(source);
  if (!k || half > 1) return;
  k->got[half] = words != nullptr;
  if (!words) return;
  std::copy(words, words + 15, k->words.begin() + 15 * half);
  k->readAt[half] = NowUtc();
}

void ForgetKnownSets(bool lineOk) {
  const KnownSet ram = known[0];
  known[0] = known[1] = KnownSet{};
  if (lineOk) known[0] = ram;
}

JournalEntry NewEntry(const char* action, const char* memory) {
  JournalEntry e;
  e.time = NowUtc();
  e.utcOffset = LocalOffset();
  e.user = UserName();
  e.host = QSysInfo::machineHostName().toStdString();
  e.program = std::string("Q-ROX-MX-Raror ") + QROX_VERSION;
  SetPort(&e);
  e.sensor = ConnectedSensor();
  e.action = action;
  e.memory = memory;
  return e;
}

void TakeBefore(JournalEntry* e) {
  KnownSet* k = KnownOf(e->memory);
  if (!k) return;
  e->before = Complete(*k);
  if (e->before) e->beforeRead = std::min(k->readAt[0], k->readAt[1]);
  *k = KnownSet{};
}

bool StartWrite(JournalEntry* e) {
  if (off) return true;
  e->outcome = "pending";
  std::string error;
  if (StoreEntry(e, &error)) return true;
  if (required) {
    refusal = error;
    return false;
  }
  WarnJournal("This write is not recorded!\n" + error);
  return true;
}

void FinishWrite(JournalEntry* e) {
  if (off) return;
  e->status = StatusLineText();
  std::string error;
  const bool started = e->id != 0;
  if (!StoreEntry(e, &error))
    WarnJournal(
        (started ? "The end of this write is not recorded!\n" : "This write is not recorded!\n") +
        error);
}

JournalEntry SendEntry(u16 destination) {
  JournalEntry e = NewEntry(destination == EEPROM ? "send-eeprom" : "send-ram",
                            destination == EEPROM ? "eeprom" : "ram");
  TakeBefore(&e);
  return e;
}

void FinishSend(JournalEntry* e, const char* outcome) {
  WordSet sent;
  CopyVarsToWords(sent.data());
  e->after = sent;
  e->outcome = outcome;
  FinishWrite(e);
  lastSend = *e;
}

void NoteSendVerified(u16 destination, int result) {
  const JournalEntry none;
  if (lastSend.id == 0 || lastSend.memory != (destination == EEPROM ? "eeprom" : "ram")) return;
  JournalEntry e = lastSend;
  lastSend = none;
  if (result != VERIFY_NO_REPLY) e.verified = result == VERIFY_OK;
  if (e.outcome == "done" && result != VERIFY_OK)
    e.outcome = result == VERIFY_NO_REPLY ? "time-out" : "differs";
  FinishWrite(&e);
}

void RequireJournal(bool isRequired, bool isOff) {
  required = isRequired;
  off = isOff;
  refusal.clear();
  lastSend = JournalEntry{};
}

bool WriteRefused(std::string* reason) {
  if (reason) *reason = refusal;
  return !refusal.empty();
}

void WarnJournal(const std::string& text) {
  TraceText("JOURNAL", OneLine(text));
  if (required) {
    std::fprintf(stderr, "qrox: %s\n", OneLine(text).c_str());
    return;
  }
  // Help box 2 above the right end of the status line.
  ShowHelpBeside(pHandle, MAIN_STATUS, MAIN_HELP2, -332, -154, ("JOURNAL:\n" + text).c_str());
}

int TeachRecorded(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2) {
  if (event != EVENT_COMMIT)
    return CC_ButtonTeach(panel, control, event, callbackData, eventData1, eventData2);
  JournalEntry entry = NewEntry("teach", "ram");
  TakeBefore(&entry);
  if (!StartWrite(&entry)) return 0;
  CC_ButtonTeach(panel, control, event, callbackData, eventData1, eventData2);
  // The teach reads RAM back once the sensor has answered.
  entry.after = Complete(known[0]);
  entry.outcome = entry.after ? "done" : "time-out";
  FinishWrite(&entry);
  return 0;
}

int ResetRecorded(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2) {
  if (event != EVENT_COMMIT)
    return CC_ButtonReset(panel, control, event, callbackData, eventData1, eventData2);
  JournalEntry entry = NewEntry("reset", "");
  if (!StartWrite(&entry)) return 0;
  CC_ButtonReset(panel, control, event, callbackData, eventData1, eventData2);
  const bool answered = std::strcmp(szStatus, "Reset of analog-output Max/Min OK!") == 0;
  entry.outcome = answered ? "done" : "time-out";
  FinishWrite(&entry);
  return 0;
}

void EndJournal() {
  CloseJournal();
  SetJournalLocation("");
  RequireJournal(false, false);
  ForgetKnownSets(false);
}
