// The journal's store over Qt SQL: an SQLite file (write-ahead log and a busy time-out, so
// that the instances of a production PC write at once) or a PostgreSQL database that the
// stations of a plant share. Both hold the same two tables: qrox_schema with the schema
// version, which the program creates and upgrades, and qrox_journal with the entries.
#include "service/journal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <sstream>

namespace {

constexpr int kSchemaVersion = 1;
constexpr char kConnection[] = "qrox-journal";
// Seconds a connection, a statement or a lock may take before the journal gives up.
constexpr int kWaitSeconds = 5;
constexpr int kConnectSeconds = 3;

// Statements taking the schema from version v to v + 1 are kUpgrades[v - 1].
const std::vector<std::vector<const char*>> kUpgrades = {};

const char kCreateEntries[] =
    "CREATE TABLE qrox_journal (id %1 PRIMARY KEY, time_utc TEXT NOT NULL, utc_offset TEXT, "
    "user_name TEXT, host TEXT, program TEXT, port TEXT, port_by_id TEXT, hwtype INTEGER, "
    "pcbtype INTEGER, softversion INTEGER, ccdtype INTEGER, firmware TEXT, action TEXT NOT NULL, "
    "memory TEXT, file TEXT, before_words TEXT, before_read TEXT, after_words TEXT, "
    "verified INTEGER, outcome TEXT NOT NULL, status TEXT, table_checksum TEXT, "
    "table_words INTEGER, restore_of BIGINT)";

// The columns after id, in the order of Values().
const char kColumns[] =
    "time_utc, utc_offset, user_name, host, program, port, port_by_id, hwtype, pcbtype, "
    "softversion, ccdtype, firmware, action, memory, file, before_words, before_read, "
    "after_words, verified, outcome, status, table_checksum, table_words, restore_of";

std::string location;  // as given; "" = the default file
// A journal that failed is tried again only after a while: a server that does not answer
// costs the window its connection time-out once, not with every write.
constexpr double kRetrySeconds = 30.0;
std::string lastFailure;
QDeadlineTimer retry;
enum Mode { CLOSED, READING, WRITING };
Mode mode = CLOSED;
bool hasEntries = false;  // the tables exist

bool IsPostgres(const std::string& fileOrUrl) {
  return fileOrUrl.rfind("postgresql://", 0) == 0 || fileOrUrl.rfind("postgres://", 0) == 0;
}

QString DefaultFile() {
  // The program's data directory (~/.local/share/qrox) whatever its file is called.
  QCoreApplication::setApplicationName(QStringLiteral("qrox"));
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
         QStringLiteral("/journal.sqlite");
}

// One line of the driver's reason.
std::string Reason(const QSqlError& e) {
  QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
  return text.simplified().toStdString();
}

std::string lastReason;  // of the last failure

bool Fail(std::string* error, const std::string& text) {
  lastReason = text;
  if (error) *error = "journal " + JournalLocation() + ": " + text;
  return false;
}

bool Exec(QSqlQuery& q, const QString& sql, std::string* error) {
  if (q.exec(sql)) return true;
  return Fail(error, Reason(q.lastError()));
}

void ConfigurePostgres(QSqlDatabase& db) {
  const QUrl url(QString::fromStdString(location));
  db.setHostName(url.host());
  db.setPort(url.port(5432));
  db.setUserName(url.userName());
  db.setPassword(url.password());
  db.setDatabaseName(url.path().mid(1));
  QStringList options = {QStringLiteral("connect_timeout=%1").arg(kConnectSeconds),
                         QStringLiteral("tcp_user_timeout=%1").arg(kWaitSeconds * 1000),
                         QStringLiteral("options='-c statement_timeout=%1 -c lock_timeout=%1'")
                             .arg(kWaitSeconds * 1000),
                         QStringLiteral("application_name=qrox")};
  for (const auto& item : QUrlQuery(url).queryItems()) options << item.first + '=' + item.second;
  db.setConnectOptions(options.join(';'));
}

QString SqliteFile() {
  return location.empty() ? DefaultFile() : QString::fromStdString(location);
}

// Connects; for SQLite also makes the default file's directory (for writing) or opens the
// file read-only (for reading).
bool Connect(bool writing, std::string* error) {
  const bool postgres = IsPostgres(location);
  QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", kConnection);
  if (!db.isValid())
    return Fail(error, "the Qt SQL driver is missing (" + Reason(db.lastError()) + ")");
  if (postgres) {
    ConfigurePostgres(db);
  } else {
    const QString file = SqliteFile();
    if (writing && location.empty() && !QDir().mkpath(QFileInfo(file).path()))
      return Fail(error, "cannot make the directory " + QFileInfo(file).path().toStdString());
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
                             .arg(kWaitSeconds * 1000)
                             .arg(writing ? "" : ";QSQLITE_OPEN_READONLY"));
  }
  if (!db.open()) return Fail(error, Reason(db.lastError()));
  return true;
}

// The tables of the database; false when it cannot be read (not a database, damaged).
bool Tables(QSqlDatabase& db, QStringList* tables, std::string* error) {
  QSqlQuery q(db);
  const bool postgres = db.driverName() == "QPSQL";
  if (!Exec(q,
            postgres ? "SELECT table_name FROM information_schema.tables WHERE table_schema = "
                       "current_schema()"
                     : "SELECT name FROM sqlite_master WHERE type = 'table'",
            error))
    return false;
  while (q.next()) *tables << q.value(0).toString();
  return true;
}

// The schema version, 0 when there is none yet; -1 on an error.
int SchemaVersion(QSqlDatabase& db, std::string* error) {
  QSqlQuery q(db);
  if (!Exec(q, "SELECT MAX(version) FROM qrox_schema", error)) return -1;
  return q.next() ? q.value(0).toInt() : 0;
}

// Refuses a database that is not a journal of this program or one of a newer program,
// before anything is written to it.
bool CheckForeign(QSqlDatabase& db, std::string* error) {
  QStringList tables;
  if (!Tables(db, &tables, error)) return false;
  const bool postgres = db.driverName() == "QPSQL";
  hasEntries = tables.contains("qrox_schema");
  if (!hasEntries) {
    if (tables.contains("qrox_journal") || (!postgres && !tables.isEmpty()))
      return Fail(error, "a database of another program, not a journal");
    return true;
  }
  const int version = SchemaVersion(db, error);
  if (version < 0) return false;
  if (version > kSchemaVersion)
    return Fail(error, "made by a newer program (schema version " + std::to_string(version) +
                           ", this program knows " + std::to_string(kSchemaVersion) + ")");
  return true;
}

bool Begin(QSqlDatabase& db, std::string* error) {
  QSqlQuery q(db);
  if (db.driverName() != "QPSQL") return Exec(q, "BEGIN IMMEDIATE", error);
  // Instances that start together create the tables one after the other.
  return Exec(q, "BEGIN", error) && Exec(q, "SELECT pg_advisory_xact_lock(7400190)", error);
}

// Creates the tables or upgrades them, and writes once, so that a journal that cannot be
// written (read-only, full, no rights) shows now and not after a write to a sensor.
bool CreateOrUpgrade(QSqlDatabase& db, std::string* error) {
  QSqlQuery q(db);
  if (db.driverName() != "QPSQL" && !Exec(q, "PRAGMA journal_mode = WAL", error)) return false;
  if (!Begin(db, error)) return false;
  QStringList tables;
  bool ok = Tables(db, &tables, error);
  int version = ok && tables.contains("qrox_schema") ? SchemaVersion(db, error) : 0;
  if (ok && version == 0) {
    const QString id = db.driverName() == "QPSQL" ? "BIGSERIAL" : "INTEGER";
    ok = Exec(q, "CREATE TABLE qrox_schema (version INTEGER NOT NULL)", error) &&
         Exec(q, QString(kCreateEntries).arg(id), error) &&
         Exec(q, QStringLiteral("INSERT INTO qrox_schema VALUES (%1)").arg(kSchemaVersion), error);
    version = kSchemaVersion;
  }
  for (; ok && version > 0 && version < kSchemaVersion; ++version) {
    for (const char* sql : kUpgrades[version - 1]) ok = ok && Exec(q, sql, error);
    ok = ok &&
         Exec(q, QStringLiteral("UPDATE qrox_schema SET version = %1").arg(version + 1), error);
  }
  ok = ok && version >= 0 && Exec(q, "UPDATE qrox_schema SET version = version", error);
  if (ok) return Exec(q, "COMMIT", error);
  q.exec("ROLLBACK");
  return false;
}

QVariant Text(const std::string& s) {
  return s.empty() ? QVariant() : QVariant(QString::fromStdString(s));
}
QVariant Number(long long n, bool known = true) {
  return known ? QVariant(n) : QVariant();
}
QVariant Words(const std::optional<WordSet>& w) {
  return w ? Text(WordsText(*w)) : QVariant();
}

std::vector<QVariant> Values(const JournalEntry& e) {
  const JournalSensor& s = e.sensor;
  return {Text(e.time),
          Text(e.utcOffset),
          Text(e.user),
          Text(e.host),
          Text(e.program),
          Text(e.port),
          Text(e.portById),
          Number(s.hwtype, s.known),
          Number(s.pcbtype, s.known),
          Number(s.softversion, s.known),
          Number(s.ccdtype, s.known),
          Text(s.known ? s.firmware : ""),
          Text(e.action),
          Text(e.memory),
          Text(e.file),
          Words(e.before),
          Text(e.beforeRead),
          Words(e.after),
          e.verified ? QVariant(*e.verified ? 1 : 0) : QVariant(),
          Text(e.outcome),
          Text(e.status),
          Text(e.checksum),
          Number(e.tableWords, e.tableWords > 0),
          Number(e.restoreOf, e.restoreOf > 0)};
}

std::string Str(const QVariant& v) {
  return v.toString().toStdString();
}
std::optional<WordSet> WordsOf(const QVariant& v) {
  WordSet w;
  if (v.isNull() || !WordsFromText(Str(v), &w)) return std::nullopt;
  return w;
}

// An entry from a row of "SELECT id, <kColumns>".
JournalEntry FromRow(const QSqlQuery& q) {
  JournalEntry e;
  int i = 0;
  e.id = q.value(i++).toLongLong();
  e.time = Str(q.value(i++));
  e.utcOffset = Str(q.value(i++));
  e.user = Str(q.value(i++));
  e.host = Str(q.value(i++));
  e.program = Str(q.value(i++));
  e.port = Str(q.value(i++));
  e.portById = Str(q.value(i++));
  e.sensor.known = !q.value(i).isNull();
  e.sensor.hwtype = q.value(i++).toInt();
  e.sensor.pcbtype = q.value(i++).toInt();
  e.sensor.softversion = q.value(i++).toInt();
  e.sensor.ccdtype = q.value(i++).toInt();
  e.sensor.firmware = Str(q.value(i++));
  e.action = Str(q.value(i++));
  e.memory = Str(q.value(i++));
  e.file = Str(q.value(i++));
  e.before = WordsOf(q.value(i++));
  e.beforeRead = Str(q.value(i++));
  e.after = WordsOf(q.value(i++));
  const QVariant verified = q.value(i++);
  if (!verified.isNull()) e.verified = verified.toInt() != 0;
  e.outcome = Str(q.value(i++));
  e.status = Str(q.value(i++));
  e.checksum = Str(q.value(i++));
  e.tableWords = q.value(i++).toInt();
  e.restoreOf = q.value(i++).toLongLong();
  return e;
}

bool OpenToRead(std::string* error) {
  if (mode != CLOSED) return true;
  if (!IsPostgres(location) && !QFileInfo::exists(SqliteFile())) {
    hasEntries = false;  // no journal yet: no entry
    return true;
  }
  bool ok = Connect(false, error);
  if (ok) {
    QSqlDatabase db = QSqlDatabase::database(kConnection);
    ok = CheckForeign(db, error);
  }
  if (!ok) CloseJournal();
  mode = ok ? READING : CLOSED;
  return ok;
}

bool Select(const QString& where, const std::vector<QVariant>& values,
            std::vector<JournalEntry>* entries, std::string* error) {
  if (!OpenToRead(error)) return false;
  if (!hasEntries) return true;
  QSqlQuery q(QSqlDatabase::database(kConnection));
  q.setForwardOnly(true);
  q.prepare(
      QStringLiteral("SELECT id, %1 FROM qrox_journal %2 ORDER BY id DESC").arg(kColumns, where));
  for (const QVariant& v : values) q.addBindValue(v);
  if (!q.exec()) return Fail(error, Reason(q.lastError()));
  while (q.next()) entries->push_back(FromRow(q));
  return true;
}

}  // namespace

void SetJournalLocation(const std::string& fileOrUrl) {
  CloseJournal();
  location = fileOrUrl;
  lastFailure.clear();
}

std::string JournalLocation() {
  if (IsPostgres(location))
    return QUrl(QString::fromStdString(location)).toString(QUrl::RemovePassword).toStdString();
  return location.empty() ? DefaultFile().toStdString() : location;
}

bool OpenJournal(std::string* error) {
  if (mode == WRITING) return true;
  if (!lastFailure.empty() && !retry.hasExpired()) return Fail(error, lastFailure);
  CloseJournal();
  bool ok = Connect(true, error);
  if (ok) {
    QSqlDatabase db = QSqlDatabase::database(kConnection);
    ok = CheckForeign(db, error) && CreateOrUpgrade(db, error);
  }
  if (!ok) CloseJournal();
  mode = ok ? WRITING : CLOSED;
  hasEntries = ok;
  lastFailure = ok ? "" : lastReason;
  retry.setRemainingTime(static_cast<qint64>(kRetrySeconds * 1000));
  return ok;
}

void CloseJournal() {
  mode = CLOSED;
  if (!QSqlDatabase::contains(kConnection)) return;
  QSqlDatabase::database(kConnection, false).close();
  QSqlDatabase::removeDatabase(kConnection);
}

bool StoreEntry(JournalEntry* e, std::string* error) {
  if (!OpenJournal(error)) return false;
  QSqlQuery q(QSqlDatabase::database(kConnection));
  const QStringList columns = QString(kColumns).split(", ");
  if (e->id == 0) {
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i) marks << "?";
    q.prepare(QStringLiteral("INSERT INTO qrox_journal (%1) VALUES (%2) RETURNING id")
                  .arg(kColumns, marks.join(", ")));
  } else {
    q.prepare(
        QStringLiteral("UPDATE qrox_journal SET %1 = ? WHERE id = ?").arg(columns.join(" = ?, ")));
  }
  for (const QVariant& v : Values(*e)) q.addBindValue(v);
  if (e->id != 0) q.addBindValue(e->id);
  if (!q.exec()) {
    const std::string reason = Reason(q.lastError());
    CloseJournal();  // the next write connects again (a server that is back, a freed disk)
    return Fail(error, reason);
  }
  if (e->id == 0 && q.next()) e->id = q.value(0).toLongLong();
  q.finish();  // SQLite commits when the statement ends
  return true;
}

bool ReadEntries(std::vector<JournalEntry>* entries, const JournalSensor* sensor,
                 std::string* error) {
  if (!sensor) return Select("", {}, entries, error);
  return Select("WHERE hwtype = ? AND pcbtype = ? AND softversion = ? AND ccdtype = ?",
                {sensor->hwtype, sensor->pcbtype, sensor->softversion, sensor->ccdtype}, entries,
                error);
}

bool ReadEntry(long long id, JournalEntry* entry, std::string* error) {
  std::vector<JournalEntry> found;
  if (!Select("WHERE id = ?", {id}, &found, error)) return false;
  if (found.empty()) return Fail(error, "no entry " + std::to_string(id));
  *entry = found.front();
  return true;
}

std::string WordsText(const WordSet& words) {
  std::string text;
  for (u16 w : words) text += (text.empty() ? "" : " ") + std::to_string(w);
  return text;
}

bool WordsFromText(const std::string& text, WordSet* words) {
  std::istringstream in(text);
  for (u16& w : *words) {
    long v = -1;
    if (!(in >> v) || v < 0 || v > 65535) return false;
    w = static_cast<u16>(v);
  }
  std::string rest;
  return !(in >> rest);
}
