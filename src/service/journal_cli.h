// The journal on the command line: where it is, --history and --restore, and the rule
// that a command-line write is made only when its entry can be stored.
#pragma once

#include <QJsonObject>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "service/batch.h"
#include "service/journal.h"

// --journal FILE|URL, --no-journal, --history, --json, --csv, --restore ID.
inline const std::vector<CommandLineOption> kJournalOptions = {
    {"journal", "FILE"}, {"no-journal"}, {"history"}, {"json"}, {"csv"}, {"restore", "ID"}};

struct JournalJob {
  enum Action { NONE, HISTORY, RESTORE };
  Action action = NONE;
  std::string location;         // --journal FILE|URL ("" = the default file)
  bool off = false;             // --no-journal
  std::string format = "text";  // --history: text, json or csv
  long long restoreId = 0;
  bool verify = false;  // --restore: read the set back
};

// Takes the journal's options out of `options` (--verify too when it goes with --restore).
// 0, or -1 with the reason in `error`.
int JournalJobFromOptions(std::map<std::string, std::string>* options, JournalJob* job,
                          std::string* error);
// Opens the journal where the run needs it: a command-line write refuses (2, with the
// reason on stderr) when its journal cannot be written; the window warns and goes on.
int PrepareJournal(const JournalJob& journal, const BatchJob& job);
// One entry as --history --json gives it.
QJsonObject EntryJson(const JournalEntry& entry);
// --history: the entries newest first on stdout; 0, or 2 when the journal cannot be read.
int PrintHistory(const JournalJob& journal);
// After the start-up: --restore, or the batch action with its target read first when it
// writes to the sensor; 2 when a write was stopped because its entry could not be stored.
int RunJournaledAction(const JournalJob& journal, const BatchJob& job);
