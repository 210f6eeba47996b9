// The journal in the window and the way back: the HISTORY panel lists the entries of the
// connected sensor (or of all sensors) newest first and shows the words an entry changed
// under the names of the sensor's layout; RESTORE writes the set held before an entry back
// to the same memory, reads it first and back after, and is itself an entry.
#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "service/journal.h"
#include "service/service.h"
#include "shell/colors.h"
#include "shell/status.h"

int pHistory;

namespace {

const char kHistoryHelp[] =
    "HISTORY-BUTTON:\nThe journal of every write to a sensor:\nwho wrote what and when, and the "
    "set\nbefore it. RESTORE writes that set back.";
constexpr int kListed = 500;  // entries the panel lists at most

enum { COL_NUMBER = 1, COL_TIME, COL_ACTION, COL_PORT, COL_SENSOR, COL_OUTCOME };
enum { WORD_NUMBER = 1, WORD_NAME, WORD_BEFORE, WORD_AFTER };

std::vector<JournalEntry> listed;  // the entries in the panel's table

Layout LayoutOf(const JournalSensor& s) {
  if (!s.known) return LAYOUT_DEFAULT;
  if (s.hwtype == 400) return LAYOUT_MX400;
  return s.softversion < 303 ? LAYOUT_DEFAULT : LAYOUT_D303;
}

bool SameSensor(const JournalSensor& a, const JournalSensor& b) {
  return a.known && b.known && a.hwtype == b.hwtype && a.pcbtype == b.pcbtype &&
         a.softversion == b.softversion && a.ccdtype == b.ccdtype;
}

std::string LocalTime(const std::string& utc) {
  return QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs)
      .toLocalTime()
      .toString("yyyy-MM-dd hh:mm:ss")
      .toStdString();
}

std::string MemoryName(const std::string& memory) {
  return memory == "eeprom" ? "EEPROM" : memory == "file" ? "the parameter-file" : "RAM";
}

int Refuse(const std::string& text) {
  ShowStatus(text.c_str());
  return RESTORE_FAILED;
}

// The two SEND frames of `memory` carrying `words` (the parameter set is not touched).
bool SendWords(u16 memory, const WordSet& words) {
  const u16 command = memory == EEPROM ? CMD_SEND_EEPROM : CMD_SEND_RAM;
  int acknowledged = 0;
  for (u16 half = 0; half < 2; ++half) {
    if (half == 1) Delay(0.1);
    FlushInQ(com);
    FlushOutQ(com);
    FillTxBuf(command, half, &words[15 * half]);
    rx_flag = 0;
    if (WriteFrame() == FRAME_LEN && WaitReply(Timer(), UNTIL_SYNCED_REPLY) == WAIT_REPLY)
      ++acknowledged;
  }
  return acknowledged == 2;
}

// Compares what was read back with the set written: the entry's end and the status text.
int Verified(JournalEntry* e, const WordSet* back) {
  char text[STATUS_LEN + 40];
  const long long id = e->restoreOf;
  if (!back) {
    e->outcome = "time-out";
    std::snprintf(text, sizeof text, "RESTORE of entry %lld not verified: Timeout-RS-232...", id);
    ShowStatus(text);
    return RESTORE_FAILED;
  }
  char list[32];
  const int count = DifferingWords(e->after->data(), back->data(), list, sizeof list);
  e->verified = count == 0;
  e->outcome = count == 0 ? "done" : "differs";
  if (count == 0)
    std::snprintf(text, sizeof text, "RESTORE of entry %lld verified! - %s holds all 30 words.", id,
                  MemoryName(e->memory).c_str());
  else
    std::snprintf(text, sizeof text, "RESTORE of entry %lld: word%s %s differ%s!", id,
                  count > 1 ? "s" : "", list, count > 1 ? "" : "s");
  ShowStatus(text);
  return count == 0 ? RESTORE_OK : RESTORE_DIFFERS;
}

int RestoreMemory(const JournalEntry& old, bool verify) {
  const u16 memory = static_cast<u16>(old.memory == "eeprom" ? EEPROM : RAM);
  WordSet now;
  int got[2] = {0, 0};
  if (ReadSet(memory, now.data(), got) == 0)
    return Refuse("RESTORE: Timeout-RS-232... - nothing written!");
  JournalEntry e = NewEntry("restore", old.memory.c_str());
  e.restoreOf = old.id;
  TakeBefore(&e);  // the set just read
  e.after = *old.before;
  if (!StartWrite(&e)) return RESTORE_FAILED;
  int result = RESTORE_OK;
  if (!SendWords(memory, *e.after)) {
    e.outcome = "time-out";
    result = Refuse("RESTORE: the parameter-frames were not acknowledged!");
  } else if (verify) {
    WordSet back;
    const bool read = ReadSet(memory, back.data(), got) == 1;
    result = Verified(&e, read ? &back : nullptr);
    if (read) {  // the panels show what the sensor holds, as after GET
      CopyWordsToVars(back.data());
      SetPanelValuesLive();
    }
  } else {
    e.outcome = "done";
    char text[STATUS_LEN + 40];
    std::snprintf(text, sizeof text, "RESTORE of entry %lld: 30 words sent to %s.", old.id,
                  MemoryName(old.memory).c_str());
    ShowStatus(text);
  }
  FinishWrite(&e);
  return result;
}

int RestoreFile(const JournalEntry& old, bool verify) {
  JournalEntry e = NewEntry("restore", "file");
  e.restoreOf = old.id;
  e.file = old.file;
  WordSet words;
  if (ReadParaWords(e.file.c_str(), words.data()) == 0) {
    e.before = words;
    e.beforeRead = e.time;
  }
  e.after = *old.before;
  if (!StartWrite(&e)) return RESTORE_FAILED;
  u32 numbers[SET_WORDS];
  std::copy(e.after->begin(), e.after->end(), numbers);
  // The parameter file's form: one number a line in a six-character field.
  int result = RESTORE_OK;
  if (ArrayToFile(e.file.c_str(), numbers, VAL_UNSIGNED_INTEGER, SET_WORDS, 1, VAL_GROUPS_TOGETHER,
                  VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, 6, VAL_ASCII, VAL_TRUNCATE) < 0) {
    e.outcome = "failed";
    result = Refuse("RESTORE: Error writing parameter-file!");
  } else if (verify) {
    const bool read = ReadParaWords(e.file.c_str(), words.data()) == 0;
    result = Verified(&e, read ? &words : nullptr);
  } else {
    e.outcome = "done";
    ShowStatus(
        ("RESTORE of entry " + std::to_string(old.id) + ": parameter-file written.").c_str());
  }
  FinishWrite(&e);
  return result;
}

// ------------------------------------------------------------ the panel

void ShowResult(const std::string& text, int color) {
  ResetTextBox(pHistory, HISTORY_RESULT, text.c_str());
  SetCtrlAttribute(pHistory, HISTORY_RESULT, ATTR_TEXT_BGCOLOR, color);
}

void SetRow(int control, int row, const std::vector<std::string>& cells, bool bold) {
  for (size_t i = 0; i < cells.size(); ++i) {
    const int column = static_cast<int>(i) + 1;
    SetTableCellVal(pHistory, control, row, column, cells[i].c_str());
    SetTableCellAttribute(pHistory, control, row, column, ATTR_TEXT_BOLD, bold ? 1 : 0);
  }
}

std::string Value(const std::optional<WordSet>& words, int index) {
  return words ? std::to_string((*words)[index]) : "---";
}

// The words of an entry: those it changed, or all it wrote or held when one side is unknown.
void FillWords(const JournalEntry& e) {
  DeleteTableRows(pHistory, HISTORY_WORDS, 1, -1);
  int row = 0;
  for (int i = 0; i < SET_WORDS && (e.before || e.after); ++i) {
    if (e.before && e.after && (*e.before)[i] == (*e.after)[i]) continue;
    InsertTableRows(pHistory, HISTORY_WORDS, -1, 1);
    SetRow(HISTORY_WORDS, ++row,
           {std::to_string(i + 1), JournalWordName(e.sensor, i), Value(e.before, i),
            Value(e.after, i)},
           false);
  }
}

// Two lines: what, when and by whom; what it changed.
std::string Describe(const JournalEntry& e) {
  std::string text = "ENTRY " + std::to_string(e.id) + ": " + e.action + " " + e.outcome + ", " +
                     LocalTime(e.time) + ", " + e.user + "@" + e.host + "\n";
  if (e.restoreOf > 0) text += "Restores entry " + std::to_string(e.restoreOf) + ": ";
  if (e.action == "write-xflash")
    return text + "table of " + std::to_string(e.tableWords) + " words, CRC-32 " + e.checksum;
  if (e.before && e.after)
    return text + std::to_string(ChangedWords(e).size()) + " of 30 words changed.";
  if (e.before || e.after)
    return text + (e.before ? "the set after it is not known." : "the set before it is not known.");
  return text + "no parameter words.";
}

void ShowEntry(long long id) {
  for (size_t row = 0; row < listed.size(); ++row)
    SetRow(HISTORY_ENTRIES, static_cast<int>(row) + 1,
           {std::to_string(listed[row].id), LocalTime(listed[row].time), listed[row].action,
            listed[row].port,
            listed[row].sensor.known ? std::to_string(listed[row].sensor.hwtype) + " / " +
                                           std::to_string(listed[row].sensor.softversion)
                                     : "---",
            listed[row].outcome},
           listed[row].id == id);
  JournalEntry e;
  std::string error;
  if (!ReadEntry(id, &e, &error)) {
    DeleteTableRows(pHistory, HISTORY_WORDS, 1, -1);
    ShowResult(error, COLOR_RED);
    return;
  }
  FillWords(e);
  ShowResult(Describe(e), COLOR_LIGHT_GREY);
  SetCtrlAttribute(pHistory, HISTORY_RESTORE, ATTR_DIMMED, e.before ? 0 : 1);
}

void FillHistory() {
  int all = 0;
  GetCtrlVal(pHistory, HISTORY_ALL, &all);
  const JournalSensor sensor = ConnectedSensor();
  std::vector<JournalEntry> entries;
  std::string error;
  listed.clear();
  DeleteTableRows(pHistory, HISTORY_ENTRIES, 1, -1);
  DeleteTableRows(pHistory, HISTORY_WORDS, 1, -1);
  SetCtrlAttribute(pHistory, HISTORY_RESTORE, ATTR_DIMMED, 1);
  if (!ReadEntries(&entries, all || !sensor.known ? nullptr : &sensor, &error)) {
    ShowResult(error, COLOR_RED);
    return;
  }
  if (entries.size() > kListed) entries.resize(kListed);
  listed = entries;
  InsertTableRows(pHistory, HISTORY_ENTRIES, -1, static_cast<int>(listed.size()));
  const std::string whose = all || !sensor.known ? "" : " of this sensor";
  ShowResult("JOURNAL " + JournalLocation() + ": " + std::to_string(listed.size()) + " entries" +
                 whose + (listed.size() == kListed ? " (the newest)." : "."),
             COLOR_LIGHT_GREY);
  if (listed.empty()) return;
  SetCtrlVal(pHistory, HISTORY_ENTRY, static_cast<int>(listed.front().id));
  ShowEntry(listed.front().id);
}

int ChosenEntry() {
  int id = 0;
  GetCtrlVal(pHistory, HISTORY_ENTRY, &id);
  return id;
}

}  // namespace

std::string JournalWordName(const JournalSensor& sensor, int index) {
  char name[64];
  WordName(LayoutOf(sensor), index, name, sizeof name);
  return name;
}

std::vector<std::string> ChangedWords(const JournalEntry& e) {
  std::vector<std::string> changed;
  for (int i = 0; e.before && e.after && i < SET_WORDS; ++i)
    if ((*e.before)[i] != (*e.after)[i])
      changed.push_back(std::to_string(i + 1) + " " + JournalWordName(e.sensor, i) + " " +
                        std::to_string((*e.before)[i]) + " -> " + std::to_string((*e.after)[i]));
  return changed;
}

int RestoreEntry(long long id, bool verify) {
  JournalEntry old;
  std::string error;
  if (!ReadEntry(id, &old, &error)) return Refuse("RESTORE: " + error);
  const std::string entry = "RESTORE refused: entry " + std::to_string(id);
  if (!old.before) return Refuse(entry + " holds no set from before it!");
  if (old.memory == "file") return RestoreFile(old, verify);
  if (old.memory != "ram" && old.memory != "eeprom") return Refuse(entry + " has no memory!");
  if (!SameSensor(old.sensor, ConnectedSensor())) return Refuse(entry + " is of another sensor!");
  return RestoreMemory(old, verify);
}

int CC_BTNHistory(int, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    FillHistory();
    DisplayPanel(pHistory);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(pHandle, MAIN_HISTORY, MAIN_HELP1, -330, 36, kHistoryHelp);  // below it
  }
  return 0;
}

int CC_HistoryControl(int, int control, int event, void*, int, int) {
  if (control == HISTORY_ALL && event == EVENT_VAL_CHANGED) FillHistory();
  if (control == HISTORY_ENTRY && (event == EVENT_COMMIT || event == EVENT_VAL_CHANGED))
    ShowEntry(ChosenEntry());
  if (control == HISTORY_CLOSE && event == EVENT_COMMIT) HidePanel(pHistory);
  if (control == HISTORY_RESTORE && event == EVENT_COMMIT) {
    const int id = ChosenEntry();
    const std::string question = "Write the set held before entry " + std::to_string(id) + " back?";
    if (ConfirmPopup("RESTORE", question.c_str()) != 1) return 0;
    RestoreEntry(id, true);
    const std::string status = StatusLineText();
    FillHistory();
    ShowResult(status,
               status.find("verified!") != std::string::npos ? COLOR_LIGHT_GREY : COLOR_RED);
  }
  return 0;
}

int CC_HISTORY(int panel, int event, void*, int, int) {
  if (event == EVENT_CLOSE) HidePanel(panel);
  return 0;
}
