// Batch mode: the service actions run from the command line, without a window, through
// the same operations as the buttons. Progress and results go to stdout, errors to stderr.
#include "service/batch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "popup/popup.h"
#include "service/journal.h"
#include "service/jsonresult.h"
#include "service/report.h"
#include "service/service.h"
#include "service/statistics.h"
#include "shell/colors.h"
#include "shell/globals.h"
#include "shell/status.h"

namespace {

const char* SourceName(u16 source) {
  return source == EEPROM ? "EEPROM" : "RAM";
}

// The memory and the file of an action, for its JSON result.
void JsonMemoryAndFile(u16 memory, const std::string& path) {
  JsonResultSet("memory", memory == EEPROM ? "eeprom" : "ram");
  JsonResultSet("file", QString::fromStdString(path));
}

std::string StatusLine() {
  char text[256] = "";
  GetCtrlVal(pHandle, MAIN_STATUS, text, sizeof text);
  return text;
}

// The last status text, on stdout or (for a failure) on stderr.
void Report(bool failed) {
  std::fprintf(failed ? stderr : stdout, "%s\n", StatusLine().c_str());
}

// Selects RAM or EEPROM with its radio button, as the user would.
void SelectTarget(u16 destination) {
  const int control = destination == EEPROM ? MAIN_EEPROM : MAIN_RAM;
  SetCtrlVal(pHandle, control, 1);
  CallCtrlCallback(pHandle, control, EVENT_VAL_CHANGED);
}

// Reads RAM or EEPROM and saves the set as a parameter file, as GET and then SEND with
// the FILE target do.
int ReadToFile(u16 source, const std::string& path) {
  u16 words[SET_WORDS] = {};
  int got[2] = {0, 0};
  const int read = ReadSet(source, words, got);
  JsonMemoryAndFile(source, path);
  JsonResultSet("words_read", SetWordsJson(words, got));
  if (read == 0) {
    std::fprintf(stderr, "qrox: no parameter-frame from %s: Timeout-RS-232...\n",
                 SourceName(source));
    return BATCH_LINE_ERROR;
  }
  CopyWordsToVars(words);
  SetPanelValuesLive();
  if (SendParaToPath(path.c_str()) < 0) {
    std::fprintf(stderr, "qrox: cannot write the parameter-file %s\n", path.c_str());
    return BATCH_LINE_ERROR;
  }
  std::printf("%s: 30 words written to %s\n", SourceName(source), path.c_str());
  return BATCH_OK;
}

// One half as SEND sends it; true when the sensor acknowledged it (a reply with SEND's
// command and this half).
bool SendHalfAcknowledged(u16 half) {
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  SendHalf(half);
  return WaitReply(Timer(), UNTIL_SYNCED_REPLY) == WAIT_REPLY;
}

// SEND to RAM or EEPROM as the button sends it, every half awaiting its acknowledgement.
SendOutcome SendAcknowledged(u16 destination) {
  ShowStatus("Transmit...");
  parameter[0] = 0x55;
  parameter[1] = destination == EEPROM ? CMD_SEND_EEPROM : CMD_SEND_RAM;
  GetPanelValuesLive();
  const bool half0 = SendHalfAcknowledged(0);
  Delay(0.1);
  const bool half1 = SendHalfAcknowledged(1);
  if (half0 && half1) return SEND_ACKNOWLEDGED;
  const char* text = half0   ? "SEND not acknowledged: half 1 unanswered!"
                     : half1 ? "SEND not acknowledged: half 0 unanswered!"
                             : "SEND not acknowledged: halves 0 and 1 unanswered!";
  ShowStatus(text);
  return half0 ? SEND_HALF1_UNANSWERED : half1 ? SEND_HALF0_UNANSWERED : SEND_UNANSWERED;
}

// Loads a parameter file and sends it with SEND, as GET with the FILE source and SEND to
// RAM or EEPROM do; optionally reads it back.
int SendFile(const BatchJob& job) {
  const u16 destination = static_cast<u16>(job.action == BatchJob::SEND_EEPROM ? EEPROM : RAM);
  const SendOutcome outcome = SendParameterFile(job);
  if (outcome == SEND_FILE_ERROR)
    std::fprintf(stderr, "qrox: cannot read the parameter-file %s\n", job.file.c_str());
  else if (outcome != SEND_ACKNOWLEDGED)
    Report(outcome != SEND_VERIFIED);
  JsonMemoryAndFile(destination, job.file);
  if (outcome == SEND_FILE_ERROR || outcome == SEND_NOT_RECORDED) return SendExitCode(outcome);
  u16 sent[SET_WORDS];
  CopyVarsToWords(sent);
  JsonResultSet("words_written", WordsJson(sent, SET_WORDS));
  JsonResultSet("acknowledged", outcome != SEND_HALF0_UNANSWERED &&
                                    outcome != SEND_HALF1_UNANSWERED && outcome != SEND_UNANSWERED);
  if (!job.verify || outcome >= SEND_HALF0_UNANSWERED) return SendExitCode(outcome);
  const ReadBack& back = LastReadBack();
  JsonResultSet("verified", outcome == SEND_VERIFIED);
  JsonResultSet("words_read", SetWordsJson(back.words, back.got));
  if (back.got[0] && back.got[1])
    JsonResultSet("differences", DifferingWordsJson(sent, back.words));
  return SendExitCode(outcome);
}

std::string Cell(int row, int column) {
  char text[128] = "";
  GetTableCellVal(pCompare, COMPARE_TABLE, row, column, text, sizeof text);
  return text;
}

// `text` followed by blanks up to `width` characters (UTF-8 text counted by characters).
std::string Padded(const std::string& text, size_t width) {
  size_t characters = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++characters;
  return text + std::string(characters < width ? width - characters : 0, ' ');
}

// A value cell of the compare table as JSON: the number, or null ("---", no file).
QJsonValue CellJson(int row, int column) {
  const std::string text = Cell(row, column);
  return text.empty() || text == "---" ? QJsonValue() : QJsonValue(std::stoi(text));
}

// The compare table as text: one line per word, differing words marked; and as JSON.
void PrintCompareTable() {
  int rows = 0;
  GetNumTableRows(pCompare, COMPARE_TABLE, &rows);
  std::printf("%-4s %s %8s %8s %8s\n", "NO.", Padded("PARAMETER", 28).c_str(), "RAM", "EEPROM",
              "FILE");
  QJsonArray words, differences;
  for (int row = 1; row <= rows; ++row) {
    int color = 0;
    GetTableCellAttribute(pCompare, COMPARE_TABLE, row, 3, ATTR_TEXT_BGCOLOR, &color);
    std::printf("%-4s %s %8s %8s %8s%s\n", Cell(row, 1).c_str(), Padded(Cell(row, 2), 28).c_str(),
                Cell(row, 3).c_str(), Cell(row, 4).c_str(), Cell(row, 5).c_str(),
                color == COLOR_RED ? "  <-- differs" : "");
    words.append(QJsonObject{{"no", row},
                             {"name", QString::fromStdString(Cell(row, 2))},
                             {"ram", CellJson(row, 3)},
                             {"eeprom", CellJson(row, 4)},
                             {"file", CellJson(row, 5)},
                             {"differs", color == COLOR_RED}});
    if (color == COLOR_RED) differences.append(row);
  }
  JsonResultSet("words", words);
  JsonResultSet("differences", differences);
}

// How the file stands against one memory, on stdout; true when all 30 words agree.
bool ReportFileAgainst(u16 source) {
  const int differing = FileDiffersFrom(source);
  if (differing == 0)
    std::printf("FILE agrees with %s in all 30 words.\n", SourceName(source));
  else
    std::printf("FILE differs from %s in %d of 30 words.\n", SourceName(source), differing);
  return differing == 0;
}

// The file against RAM, EEPROM or either of them (job.against: "ram", "eeprom", "any").
int Compare(const BatchJob& job) {
  const int result = CompareParameterSets(job.file.c_str());
  JsonResultSet("file", QString::fromStdString(job.file));
  JsonResultSet("against", QString::fromStdString(job.against));
  PrintCompareTable();
  Report(result == COMPARE_NO_REPLY || result == COMPARE_FILE_ERROR);
  if (result == COMPARE_NO_REPLY || result == COMPARE_FILE_ERROR) return BATCH_LINE_ERROR;
  const bool withRam = ReportFileAgainst(static_cast<u16>(RAM));
  const bool withEeprom = ReportFileAgainst(static_cast<u16>(EEPROM));
  JsonResultSet("file_agrees_with_ram", withRam);
  JsonResultSet("file_agrees_with_eeprom", withEeprom);
  bool agrees = withRam || withEeprom;
  if (job.against == "ram") agrees = withRam;
  if (job.against == "eeprom") agrees = withEeprom;
  return agrees ? BATCH_OK : BATCH_WRONG_RESULT;
}

// Loads a linearisation file and writes it into the X-FLASH with read-back, as the
// X-FLASH write control does.
int WriteXflash(const std::string& path) {
  if (ReadLinDataFromPath(path.c_str()) != 0) {
    Report(true);
    return BATCH_LINE_ERROR;
  }
  std::printf("X-FLASH: writing %s ...\n", path.c_str());
  std::fflush(stdout);
  const int result = WriteLinTable(VERIFY_ALWAYS);
  const XflashCounts run = LastXflashCounts();
  JsonResultSet("file", QString::fromStdString(path));
  JsonResultSet("cleared", run.cleared);
  JsonResultSet("chunks", run.chunks);
  JsonResultSet("failed_chunks", run.failedChunks);
  JsonResultSet("failed_read_chunks", run.failedReadChunks);
  JsonResultSet("differing_words", run.differingWords);
  Report(result != XFLASH_OK);
  if (result == XFLASH_NO_ANSWER) return BATCH_LINE_ERROR;
  return result == XFLASH_OK ? BATCH_OK : BATCH_WRONG_RESULT;
}

// Records with the recorder's start command into a new recorder file; an existing file
// is kept (no one is there to agree to overwrite it).
int Record(const BatchJob& job) {
  long size = 0;
  if (GetFileInfo(job.file.c_str(), &size) == 1) {
    std::fprintf(stderr, "qrox: the recorder file %s already exists\n", job.file.c_str());
    return BATCH_LINE_ERROR;
  }
  std::snprintf(rec_fname, PATH_LEN, "%s", job.file.c_str());
  ResetTextBox(pPopup, REC_PATH, rec_fname);
  SetCtrlVal(pPopup, REC_SAMPLES, job.samples);
  SetCtrlVal(pPopup, REC_INCREMENT, job.increment);
  std::printf("RECORDER: %d samples every %d s into %s ...\n", job.samples, job.increment,
              rec_fname);
  std::fflush(stdout);
  CallCtrlCallback(pPopup, REC_START, EVENT_COMMIT);
  int count = 0;
  GetCtrlVal(pPopup, REC_COUNT, &count);
  char text[128] = "";
  GetCtrlVal(pPopup, REC_STATUS, text, sizeof text);
  JsonResultSet("file", QString::fromStdString(job.file));
  JsonResultSet("samples", job.samples);
  JsonResultSet("increment", job.increment);
  JsonResultSet("records", count);
  JsonResultSet("status", QString::fromUtf8(text));
  std::fprintf(stop_flag == REC_COMPLETED ? stdout : stderr, "%s (%d record lines)\n", text, count);
  if (stop_flag == REC_TIMEOUT) Report(true);
  return stop_flag == REC_COMPLETED ? BATCH_OK : BATCH_LINE_ERROR;
}

}  // namespace

SendOutcome SendParameterFile(const BatchJob& job) {
  const u16 destination = static_cast<u16>(job.action == BatchJob::SEND_EEPROM ? EEPROM : RAM);
  if (ReadParaFromPath(job.file.c_str()) != 0) return SEND_FILE_ERROR;
  SetPanelValuesLive();
  SelectTarget(destination);
  JournalEntry entry = SendEntry(destination);
  if (!StartWrite(&entry)) return SEND_NOT_RECORDED;
  const SendOutcome sent = SendAcknowledged(destination);
  FinishSend(&entry, sent == SEND_ACKNOWLEDGED ? "done" : "time-out");
  std::printf("%s: %s sent (%s)\n", SourceName(destination), job.file.c_str(),
              StatusLine().c_str());
  if (sent != SEND_ACKNOWLEDGED || !job.verify) return sent;
  switch (VerifySEND(destination)) {
    case VERIFY_OK:
      return SEND_VERIFIED;
    case VERIFY_DIFFERENT:
      return SEND_VERIFY_DIFFERENT;
    default:
      return SEND_VERIFY_NO_REPLY;
  }
}

int SendExitCode(SendOutcome outcome) {
  switch (outcome) {
    case SEND_ACKNOWLEDGED:
    case SEND_VERIFIED:
      return BATCH_OK;
    case SEND_VERIFY_DIFFERENT:
      return BATCH_WRONG_RESULT;
    default:
      return BATCH_LINE_ERROR;
  }
}

namespace {

// A whole number from `low` to `high`, or false.
bool ParseCount(const std::string& text, int low, int high, int* value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

int BatchJobFromOptions(const std::map<std::string, std::string>& options, BatchJob* job,
                        std::string* error) {
  const struct {
    const char* name;
    BatchJob::Action action;
  } actions[] = {{"read-ram", BatchJob::READ_RAM}, {"read-eeprom", BatchJob::READ_EEPROM},
                 {"send-ram", BatchJob::SEND_RAM}, {"send-eeprom", BatchJob::SEND_EEPROM},
                 {"compare", BatchJob::COMPARE},   {"write-xflash", BatchJob::WRITE_XFLASH},
                 {"record", BatchJob::RECORD},     {"report", BatchJob::REPORT},
                 {"scan", BatchJob::SCAN},         {"stats", BatchJob::STATS}};
  *job = BatchJob{};
  for (const auto& a : actions) {
    auto it = options.find(a.name);
    if (it == options.end()) continue;
    if (job->action != BatchJob::NONE) {
      *error = "only one action at a time (--" + std::string(a.name) + ")";
      return -1;
    }
    job->action = a.action;
    job->name = a.name;
    job->file = it->second;
  }
  if (job->action == BatchJob::REPORT) job->samples = 100;
  const bool sending = job->action == BatchJob::SEND_RAM || job->action == BatchJob::SEND_EEPROM;
  if (options.count("verify")) {
    if (!sending) {
      *error = "--verify goes with --send-ram or --send-eeprom";
      return -1;
    }
    job->verify = true;
  }
  if (options.count("against")) {
    job->against = options.at("against");
    if (job->action != BatchJob::COMPARE ||
        (job->against != "ram" && job->against != "eeprom" && job->against != "any")) {
      *error = "--against ram|eeprom|any goes with --compare";
      return -1;
    }
  }
  for (const char* name : {"samples", "increment"}) {
    auto it = options.find(name);
    if (it == options.end()) continue;
    const bool reportSamples = job->action == BatchJob::REPORT && std::strcmp(name, "samples") == 0;
    if (job->action != BatchJob::RECORD && !reportSamples) {
      *error = std::string("--") + name + " goes with --record" +
               (std::strcmp(name, "samples") == 0 ? " or --report" : "");
      return -1;
    }
    int* value = std::strcmp(name, "samples") == 0 ? &job->samples : &job->increment;
    if (!ParseCount(it->second, 0, 65535, value)) {
      *error = std::string("--") + name + " needs a whole number from 0 to 65535";
      return -1;
    }
  }
  if (options.count("xflash-file")) {
    job->xflashFile = options.at("xflash-file");
    if (job->action != BatchJob::REPORT || job->xflashFile.empty()) {
      *error = "--xflash-file FILE goes with --report";
      return -1;
    }
  }
  for (const char* name : {"column", "limits"}) {
    if (!options.count(name)) continue;
    if (job->action != BatchJob::STATS) {
      *error = std::string("--") + name + " goes with --stats";
      return -1;
    }
  }
  job->json = options.count("json") > 0;
  if (options.count("column")) job->column = options.at("column");
  if (options.count("limits")) job->limits = options.at("limits");
  if (job->action != BatchJob::NONE && job->action != BatchJob::SCAN && job->file.empty()) {
    *error = "the action needs a file name";
    return -1;
  }
  return 0;
}

namespace {

int RunAction(const BatchJob& job) {
  switch (job.action) {
    case BatchJob::READ_RAM:
      return ReadToFile(static_cast<u16>(RAM), job.file);
    case BatchJob::READ_EEPROM:
      return ReadToFile(static_cast<u16>(EEPROM), job.file);
    case BatchJob::SEND_RAM:
    case BatchJob::SEND_EEPROM:
      return SendFile(job);
    case BatchJob::COMPARE:
      return Compare(job);
    case BatchJob::WRITE_XFLASH:
      return WriteXflash(job.file);
    case BatchJob::RECORD:
      return Record(job);
    case BatchJob::REPORT:
      return RunReport({job.file, job.samples, job.xflashFile});
    case BatchJob::STATS:
      return PrintRecorderFileStats(job);
    default:
      return BATCH_OK;
  }
}

}  // namespace

int RunBatchAction(const BatchJob& job) {
  const int exit = RunAction(job);
  if (job.action != BatchJob::STATS)  // the statistics of a file need no panels
    JsonResultSet("status_line", QString::fromStdString(StatusLine()));
  return exit;
}
