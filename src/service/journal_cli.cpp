// The journal on the command line: --journal and --no-journal, the history as text, JSON
// or CSV, and --restore. A command-line write reads its target first (so that its entry
// always has a "before") and is made only when its entry can be stored.
#include "service/journal_cli.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "service/journal.h"
#include "service/service.h"

namespace {

bool Writes(const BatchJob& job, const JournalJob& journal) {
  switch (job.action) {
    case BatchJob::READ_RAM:
    case BatchJob::READ_EEPROM:
    case BatchJob::SEND_RAM:
    case BatchJob::SEND_EEPROM:
    case BatchJob::WRITE_XFLASH:
      return true;
    default:
      return journal.action == JournalJob::RESTORE;
  }
}

int Refused(const std::string& reason) {
  std::fprintf(stderr,
               "qrox: %s\nqrox: nothing written: the journal cannot record the write "
               "(--no-journal writes without a record)\n",
               reason.c_str());
  return BATCH_LINE_ERROR;
}

// ------------------------------------------------------------ the history

QJsonValue WordsJson(const std::optional<WordSet>& words) {
  if (!words) return QJsonValue::Null;
  QJsonArray array;
  for (u16 w : *words) array.append(w);
  return array;
}

QJsonValue TextJson(const std::string& text) {
  return text.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromStdString(text));
}

QJsonValue NumberJson(long long n, bool known) {
  return known ? QJsonValue(static_cast<qint64>(n)) : QJsonValue(QJsonValue::Null);
}

std::string CsvField(const QJsonValue& v) {
  QString text = v.isArray()  ? ""
                 : v.isBool() ? (v.toBool() ? "true" : "false")
                              : v.toVariant().toString();
  for (const QJsonValue& w : v.toArray())
    text += (text.isEmpty() ? "" : " ") + w.toVariant().toString();
  if (text.contains(',') || text.contains('"') || text.contains('\n'))
    text = '"' + text.replace("\"", "\"\"") + '"';
  return text.toStdString();
}

void PrintCsv(const std::vector<JournalEntry>& entries) {
  const char* columns[] = {"id",      "time",   "utc_offset",     "user",        "host",
                           "program", "port",   "port_by_id",     "action",      "memory",
                           "file",    "before", "before_read",    "after",       "verified",
                           "outcome", "status", "table_checksum", "table_words", "restore_of"};
  const char* sensorColumns[] = {"hwtype", "pcbtype", "softversion", "ccdtype", "firmware"};
  std::string line;
  for (const char* c : columns) line += std::string(line.empty() ? "" : ",") + c;
  for (const char* c : sensorColumns) line += std::string(",") + c;
  std::printf("%s\n", line.c_str());
  for (const JournalEntry& e : entries) {
    const QJsonObject json = EntryJson(e);
    line.clear();
    for (const char* c : columns) line += (line.empty() ? "" : ",") + CsvField(json[c]);
    for (const char* c : sensorColumns) line += "," + CsvField(json["sensor"].toObject()[c]);
    std::printf("%s\n", line.c_str());
  }
}

std::string SensorText(const JournalSensor& s) {
  if (!s.known) return "not identified";
  return std::to_string(s.hwtype) + "/" + std::to_string(s.pcbtype) + "/" +
         std::to_string(s.softversion) + "/" + std::to_string(s.ccdtype);
}

void PrintText(const std::vector<JournalEntry>& entries) {
  std::printf("%-6s %-24s %-13s %-9s %-8s %-20s %-16s %s\n", "NO.", "TIME (UTC)", "ACTION",
              "OUTCOME", "VERIFIED", "PORT", "HW/PCB/SOFT/CCD", "USER@HOST");
  for (const JournalEntry& e : entries) {
    const char* verified = !e.verified ? "-" : *e.verified ? "yes" : "no";
    std::printf("%-6lld %-24s %-13s %-9s %-8s %-20s %-16s %s@%s\n", e.id, e.time.c_str(),
                e.action.c_str(), e.outcome.c_str(), verified, e.port.c_str(),
                SensorText(e.sensor).c_str(), e.user.c_str(), e.host.c_str());
    if (e.restoreOf > 0) std::printf("       restores entry %lld\n", e.restoreOf);
    if (!e.file.empty()) std::printf("       file %s\n", e.file.c_str());
    if (!e.checksum.empty())
      std::printf("       table of %d words, CRC-32 %s\n", e.tableWords, e.checksum.c_str());
    if ((e.after || e.before) && !(e.after && e.before))
      std::printf("       before %s\n", e.before ? WordsText(*e.before).c_str() : "not known");
    for (const std::string& change : ChangedWords(e))
      std::printf("       changed %s\n", change.c_str());
  }
}

bool ParseId(const std::string& text, long long* id) {
  char* end = nullptr;
  *id = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && *id > 0;
}

// Takes option `name` out of `options`; true when it was given.
bool Take(std::map<std::string, std::string>* options, const char* name,
          std::string* value = nullptr) {
  auto it = options->find(name);
  if (it == options->end()) return false;
  if (value) *value = it->second;
  options->erase(it);
  return true;
}

}  // namespace

QJsonObject EntryJson(const JournalEntry& e) {
  const JournalSensor& s = e.sensor;
  QJsonObject sensor{{"hwtype", NumberJson(s.hwtype, s.known)},
                     {"pcbtype", NumberJson(s.pcbtype, s.known)},
                     {"softversion", NumberJson(s.softversion, s.known)},
                     {"ccdtype", NumberJson(s.ccdtype, s.known)},
                     {"firmware", s.known ? TextJson(s.firmware) : QJsonValue::Null}};
  return {{"id", static_cast<qint64>(e.id)},
          {"time", TextJson(e.time)},
          {"utc_offset", TextJson(e.utcOffset)},
          {"user", TextJson(e.user)},
          {"host", TextJson(e.host)},
          {"program", TextJson(e.program)},
          {"port", TextJson(e.port)},
          {"port_by_id", TextJson(e.portById)},
          {"sensor", sensor},
          {"action", TextJson(e.action)},
          {"memory", TextJson(e.memory)},
          {"file", TextJson(e.file)},
          {"before", WordsJson(e.before)},
          {"before_read", TextJson(e.beforeRead)},
          {"after", WordsJson(e.after)},
          {"verified", e.verified ? QJsonValue(*e.verified) : QJsonValue::Null},
          {"outcome", TextJson(e.outcome)},
          {"status", TextJson(e.status)},
          {"table_checksum", TextJson(e.checksum)},
          {"table_words", NumberJson(e.tableWords, e.tableWords > 0)},
          {"restore_of", NumberJson(e.restoreOf, e.restoreOf > 0)}};
}

int JournalJobFromOptions(std::map<std::string, std::string>* options, JournalJob* job,
                          std::string* error) {
  *job = JournalJob{};
  const bool located = Take(options, "journal", &job->location);
  job->off = Take(options, "no-journal");
  // --json is the output form of every action that has one; --csv only of --history.
  const bool json = options->count("json") > 0, csv = Take(options, "csv");
  const bool history = Take(options, "history");
  std::string id;
  const bool restore = Take(options, "restore", &id);
  if (restore) job->verify = Take(options, "verify");
  job->action = history ? JournalJob::HISTORY : restore ? JournalJob::RESTORE : JournalJob::NONE;
  job->format = json ? "json" : csv ? "csv" : "text";
  if (history && restore)
    *error = "only one action at a time (--restore)";
  else if (restore && !ParseId(id, &job->restoreId))
    *error = "--restore needs the number of an entry";
  else if (json && csv)
    *error = "--json or --csv, not both";
  else if (csv && !history)
    *error = "--csv goes with --history";
  else if (located && job->off)
    *error = "--journal or --no-journal, not both";
  else if (job->off && job->action != JournalJob::NONE)
    *error = "--history and --restore need the journal";
  return error->empty() ? 0 : -1;
}

int PrepareJournal(const JournalJob& journal, const BatchJob& job) {
  SetJournalLocation(journal.location);
  const bool commandLine = job.action != BatchJob::NONE || journal.action != JournalJob::NONE;
  if (commandLine && !Writes(job, journal)) {
    RequireJournal(false, journal.action == JournalJob::NONE);  // nothing to record
    return BATCH_OK;
  }
  RequireJournal(commandLine && !journal.off, journal.off);
  std::string error;
  if (journal.off || OpenJournal(&error)) return BATCH_OK;
  if (commandLine) return Refused(error);
  WarnJournal("Writes to the sensor are not recorded!\n" + error);
  return BATCH_OK;
}

int PrintHistory(const JournalJob& journal) {
  std::vector<JournalEntry> entries;
  std::string error;
  if (!ReadEntries(&entries, nullptr, &error)) {
    std::fprintf(stderr, "qrox: %s\n", error.c_str());
    return BATCH_LINE_ERROR;
  }
  if (journal.format == "json") {  // an array with one entry a line
    std::printf("[");
    for (size_t i = 0; i < entries.size(); ++i)
      std::printf("%s\n%s", i ? "," : "",
                  QJsonDocument(EntryJson(entries[i])).toJson(QJsonDocument::Compact).constData());
    std::printf("\n]\n");
  } else if (journal.format == "csv") {
    PrintCsv(entries);
  } else {
    PrintText(entries);
  }
  return BATCH_OK;
}

int RunJournaledAction(const JournalJob& journal, const BatchJob& job) {
  int result = BATCH_OK;
  if (journal.action == JournalJob::RESTORE) {
    result = RestoreEntry(journal.restoreId, journal.verify);
    std::fprintf(result == RESTORE_OK ? stdout : stderr, "%s\n", StatusLineText().c_str());
  } else {
    if (job.action == BatchJob::SEND_RAM || job.action == BatchJob::SEND_EEPROM) {
      // The target first: the entry's "before", and the set a restore brings back.
      const u16 target = static_cast<u16>(job.action == BatchJob::SEND_EEPROM ? EEPROM : RAM);
      u16 words[SET_WORDS];
      int got[2] = {0, 0};
      if (ReadSet(target, words, got) == 0) {
        std::fprintf(stderr, "qrox: no parameter-frame from %s: Timeout-RS-232... - nothing sent\n",
                     target == EEPROM ? "EEPROM" : "RAM");
        return BATCH_LINE_ERROR;
      }
    }
    result = RunBatchAction(job);
  }
  std::string reason;
  return WriteRefused(&reason) ? Refused(reason) : result;
}
