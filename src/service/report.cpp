// The service report of the connected sensor: who made it, when and where; the sensor's
// identification and firmware text; RAM and EEPROM side by side under the layout's names
// with the differences; the journal of writes; the line health; a measurement sample with
// its statistics; one video profile; optionally the X-FLASH read back against a
// linearisation file. Everything is read the way GET, COMPARE, VIDEO and the X-FLASH
// read-back read (commands 2, 4, 7, 8, 9, 10, 103); nothing is written to the sensor.
#include "service/report.h"

#include <pwd.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>
#include <cstdio>
#include <cstdlib>

#include "files/files.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "service/batch.h"
#include "service/journal.h"
#include "service/journal_cli.h"
#include "service/jsonresult.h"
#include "shell/status.h"

namespace {

constexpr char kReportHelp[] =
    "REPORT-BUTTON:\nWrite a service report of the sensor\n(JSON file and PDF): identity, "
    "RAM and\nEEPROM, line health, 100 measurements\nand a video profile. Nothing is sent\nto "
    "the sensor's memories.";

// The reads of a report, and whether the sensor has stopped answering: after a read that
// timed out, the sensor is not asked for more.
class Gathering {
 public:
  explicit Gathering(ServiceReport* report) : r_(report) {}
  // Runs one read unless the sensor is silent; a time-out in it makes the sensor silent.
  template <typename Read>
  void Step(const char* what, Read read) {
    if (silent_) {
      r_->missing.push_back(std::string(what) + ": not asked, the sensor stopped answering");
      return;
    }
    const long timeoutsBefore = GetLinkCounts().timeouts;
    read();
    silent_ = GetLinkCounts().timeouts > timeoutsBefore || SensorLost();
  }
  void Missing(const std::string& text) { r_->missing.push_back(text); }

 private:
  ServiceReport* r_;
  bool silent_ = false;
};

std::string UserName() {
  const char* user = std::getenv("USER");
  if (user && *user) return user;
  const passwd* entry = getpwuid(geteuid());
  return entry ? entry->pw_name : "";
}

PortEntry PortOf(int number) {
  for (const PortEntry& e : GetPortTable())
    if (e.number == number) return e;
  PortEntry e;
  e.number = number;
  e.device = GetPortDevice(number);
  return e;
}

void ReadIdentity(ServiceReport* r, Gathering* g) {
  ReadSensorDescriptor(&r->sensor);
  if (!r->sensor.identified) g->Missing("hardware identification");
  if (r->sensor.identified && !r->sensor.firmwareRead) g->Missing("firmware text");
}

void NoteMissingHalves(const char* memory, const int got[2], Gathering* g) {
  for (int half = 0; half < 2; ++half)
    if (!got[half]) g->Missing(std::string(memory) + " half " + std::to_string(half));
}

void ReadSets(ServiceReport* r, Gathering* g) {
  r->layout = LayoutName(LiveLayout());
  for (int i = 0; i < SET_WORDS; ++i) r->wordNames[i] = ParameterWordName(i);
  g->Step("RAM", [&] {
    ReadSet(static_cast<u16>(RAM), r->ram, r->ramGot);
    NoteMissingHalves("RAM", r->ramGot, g);
  });
  Delay(0.1);
  g->Step("EEPROM", [&] {
    ReadSet(static_cast<u16>(EEPROM), r->eeprom, r->eepromGot);
    NoteMissingHalves("EEPROM", r->eepromGot, g);
  });
}

// N measurement frames as RUN requests them. A frame also carries the sensor's set-point,
// which RUN writes into the parameter set; the report leaves the set as it was.
void ReadSample(int samples, ServiceReport* r) {
  const u16 setPoints[3] = {parameter[9], parameter[24], parameter[39]};
  const int stopWas = stop_flag;
  r->samplesAsked = samples;
  for (int i = 0; i < samples; ++i) {
    const int got = PushGETRAW();
    if (got == 0) break;  // time-out: the sensor stopped answering
    if (got != 1) continue;
    CopyPPtoRAWVars();
    r->stats.AddLastFrame();
    r->values.push_back(Mvalue);
  }
  parameter[9] = setPoints[0];
  parameter[24] = setPoints[1];
  parameter[39] = setPoints[2];
  stop_flag = stopWas;
}

// One video profile in four data blocks, with the receive callback off as VIDEO has it.
void ReadProfile(ServiceReport* r) {
  ReceiveCallbackOff();
  FlushInQ(com);
  FlushOutQ(com);
  bool ok = true;
  for (u16 first = 0; first < 256 && ok; first += 64) ok = ReadData64(first, 0) == 1;
  ReceiveCallbackOn();
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  r->profileRead = ok;
  if (ok)
    for (int k = 0; k < 256; ++k) r->profile[k] = adcbuf[k];
  r->videoThreshold = thdArray[0];
}

constexpr size_t kJournalEntries = 10;

// The last entries of the journal of writes for the connected sensor, newest first, as
// text and as --history --json gives them. False when the journal cannot be read.
bool LastJournalEntries(ServiceReport* r) {
  std::vector<JournalEntry> entries;
  std::string error;
  const JournalSensor sensor = ConnectedSensor();
  if (!ReadEntries(&entries, &sensor, &error)) return false;
  for (size_t i = 0; i < entries.size() && i < kJournalEntries; ++i) {
    const JournalEntry& e = entries[i];
    std::string text =
        e.time + " " + e.action + " " + e.memory + " " + e.outcome + " (" + e.user + ")";
    for (const std::string& change : ChangedWords(e)) text += "; " + change;
    r->journal.push_back(text);
    r->journalJson.append(EntryJson(e));
  }
  return true;
}

QJsonValue StatsJson(const RunningStats& s) {
  if (s.count == 0)
    return QJsonObject{
        {"mean", QJsonValue()}, {"sd", QJsonValue()}, {"min", QJsonValue()}, {"max", QJsonValue()}};
  return QJsonObject{{"mean", s.mean}, {"sd", s.Sd()}, {"min", s.min}, {"max", s.max}};
}

QJsonObject CompareJson(const ServiceReport& r) {
  QJsonArray words;
  for (int i = 0; i < SET_WORDS; ++i) {
    words.append(
        QJsonObject{{"no", i + 1},
                    {"name", QString::fromStdString(r.wordNames[i])},
                    {"ram", r.ramGot[i / 15] ? QJsonValue(r.ram[i]) : QJsonValue()},
                    {"eeprom", r.eepromGot[i / 15] ? QJsonValue(r.eeprom[i]) : QJsonValue()},
                    {"differs", r.Differs(i)}});
  }
  return {{"layout", QString::fromStdString(r.layout)},
          {"differences", r.Differences()},
          {"words", words}};
}

QJsonObject HealthJson(const LinkHealth& h) {
  return {{"requests", static_cast<qint64>(h.exchanges)},
          {"replies", static_cast<qint64>(h.replies)},
          {"timeouts", static_cast<qint64>(h.timeouts)},
          {"discarded", static_cast<qint64>(h.discarded)},
          {"last_run_frames", static_cast<qint64>(h.runFrames)},
          {"last_run_seconds", h.runSeconds},
          {"last_run_rate", h.runRate},
          {"line_limit", LineLimit()}};
}

QJsonObject MeasurementsJson(const ServiceReport& r) {
  const MeasurementStats& s = r.stats;
  return {{"requested", r.samplesAsked},      {"count", static_cast<qint64>(s.valuePx.count)},
          {"value_px", StatsJson(s.valuePx)}, {"value_um", StatsJson(s.valueUm)},
          {"left", StatsJson(s.left)},        {"right", StatsJson(s.right)}};
}

QJsonValue XflashJson(const ServiceReport& r) {
  if (!r.xflashAsked) return QJsonValue();
  const XflashCheck& x = r.xflash;
  return QJsonObject{{"file", QString::fromStdString(r.xflashFile)},
                     {"chunks", x.chunks},
                     {"read_chunks", x.readChunks},
                     {"failed_chunks", x.chunks - x.readChunks},
                     {"differing_words", x.differingWords}};
}

QJsonValue StringsJson(bool kept, const std::vector<std::string>& texts) {
  if (!kept) return QJsonValue();
  QJsonArray array;
  for (const std::string& t : texts) array.append(QString::fromStdString(t));
  return array;
}

bool XflashDiffers(const ServiceReport& r) {
  return r.xflashAsked && (r.xflash.differingWords > 0 || r.xflash.readChunks < r.xflash.chunks);
}

std::string JoinedMissing(const ServiceReport& r) {
  std::string text;
  for (const std::string& m : r.missing) text += (text.empty() ? "" : "; ") + m;
  return text;
}

}  // namespace

int ServiceReport::Differences() const {
  int count = 0;
  for (int i = 0; i < SET_WORDS; ++i) count += Differs(i) ? 1 : 0;
  return count;
}

bool ServiceReport::Differs(int index) const {
  const int half = index / 15;
  return ramGot[half] && eepromGot[half] && ram[index] != eeprom[index];
}

void GatherReport(const ReportRequest& request, ServiceReport* r) {
  *r = ServiceReport{};
  r->time = QDateTime::currentDateTime()
                .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                .toString(Qt::ISODate)
                .toStdString();
  r->user = UserName();
  r->host = QSysInfo::machineHostName().toStdString();
  r->port = PortOf(com);

  Gathering g(r);
  g.Step("identification", [&] { ReadIdentity(r, &g); });
  ReadSets(r, &g);
  g.Step("measurements", [&] {
    ReadSample(request.samples, r);
    if (r->stats.valuePx.count < request.samples)
      g.Missing("measurements: " + std::to_string(r->stats.valuePx.count) + " of " +
                std::to_string(request.samples) + " frames");
  });
  g.Step("video profile", [&] {
    ReadProfile(r);
    if (!r->profileRead) g.Missing("video profile");
  });
  r->xflashAsked = !request.xflashFile.empty();
  r->xflashFile = request.xflashFile;
  if (r->xflashAsked) {
    g.Step("X-FLASH", [&] {
      r->xflash = ReadBackXFLASH();
      if (r->xflash.silent)
        g.Missing("X-FLASH: " + std::to_string(r->xflash.readChunks) + " of " +
                  std::to_string(r->xflash.chunks) + " chunks");
    });
  }
  r->journalKept = LastJournalEntries(r);
  r->health = GetLinkHealth();
}

QByteArray ReportJson(const ServiceReport& r) {
  QJsonObject o{{"tool", QString("Q-ROX-MX-Raror %1").arg(QROX_VERSION)},
                {"version", QROX_VERSION},
                {"time", QString::fromStdString(r.time)},
                {"user", QString::fromStdString(r.user)},
                {"host", QString::fromStdString(r.host)},
                {"port", PortJson(r.port)},
                {"sensor", r.sensor.identified ? QJsonValue(SensorJson(r.sensor)) : QJsonValue()},
                {"layout", QString::fromStdString(r.layout)},
                {"ram", SetWordsJson(r.ram, r.ramGot)},
                {"eeprom", SetWordsJson(r.eeprom, r.eepromGot)},
                {"compare", CompareJson(r)},
                {"journal", r.journalKept ? QJsonValue(r.journalJson) : QJsonValue()},
                {"health", HealthJson(r.health)},
                {"measurements", MeasurementsJson(r)},
                {"profile", r.profileRead ? QJsonValue(WordsJson(r.profile, 256)) : QJsonValue()},
                {"video_threshold", r.videoThreshold},
                {"xflash", XflashJson(r)},
                {"complete", r.Complete()},
                {"missing", StringsJson(true, r.missing)}};
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

std::string PdfPathFor(const std::string& jsonPath) {
  const std::string suffix = ".json";
  const bool named = jsonPath.size() > suffix.size() &&
                     QString::fromStdString(jsonPath.substr(jsonPath.size() - suffix.size()))
                             .compare(".json", Qt::CaseInsensitive) == 0;
  return (named ? jsonPath.substr(0, jsonPath.size() - suffix.size()) : jsonPath) + ".pdf";
}

namespace {

// Writes `bytes` under its name at once (commit) or not at all.
bool Commit(QSaveFile& file, const QByteArray& bytes) {
  return file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace

int WriteServiceReport(const ReportRequest& request, std::string* summary) {
  const std::string pdfPath = PdfPathFor(request.path);
  QSaveFile json(QString::fromStdString(request.path));
  QSaveFile pdf(QString::fromStdString(pdfPath));
  if (!json.open(QIODevice::WriteOnly) || !pdf.open(QIODevice::WriteOnly)) {
    *summary = "REPORT: cannot write " + request.path + " and " + pdfPath + "!";
    return BATCH_LINE_ERROR;
  }
  if (!request.xflashFile.empty() && ReadLinDataFromPath(request.xflashFile.c_str()) != 0) {
    *summary = "REPORT: linearisation-file " + request.xflashFile + " not readable!";
    return BATCH_LINE_ERROR;
  }
  ServiceReport report;
  GatherReport(request, &report);
  if (!Commit(pdf, ReportPdf(report))) {
    *summary = "REPORT: cannot write " + pdfPath + "!";
    return BATCH_LINE_ERROR;
  }
  if (!Commit(json, ReportJson(report))) {
    QFile::remove(QString::fromStdString(pdfPath));
    *summary = "REPORT: cannot write " + request.path + "!";
    return BATCH_LINE_ERROR;
  }
  JsonResultSet("file", QString::fromStdString(request.path));
  JsonResultSet("pdf", QString::fromStdString(pdfPath));
  JsonResultSet("complete", report.Complete());
  JsonResultSet("missing", StringsJson(true, report.missing));
  JsonResultSet("differences", report.Differences());
  if (!report.Complete()) {
    *summary = "REPORT incomplete: " + JoinedMissing(report) + " - written to " + request.path;
    return BATCH_LINE_ERROR;
  }
  *summary = "REPORT written: " + request.path + " and " + pdfPath;
  if (XflashDiffers(report)) {
    *summary += " (X-FLASH differs from the linearisation-file)";
    return BATCH_WRONG_RESULT;
  }
  return BATCH_OK;
}

int RunReport(const ReportRequest& request) {
  std::string summary;
  const int exit = WriteServiceReport(request, &summary);
  std::fprintf(exit == BATCH_LINE_ERROR ? stderr : stdout, "%s\n", summary.c_str());
  return exit;
}

int CC_BTNReport(int, int, int event, void*, int, int) {
  if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(pHandle, MAIN_REPORT, MAIN_HELP1, -330, 36, kReportHelp);
    return 0;
  }
  if (event != EVENT_COMMIT) return 0;
  int running = 0;
  GetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, &running);
  if (running) {
    ShowStatus("REPORT: press STOP first!");
    return 0;
  }
  char path[PATH_LEN] = "";
  if (FileSelectPopup(proj_dir, "REPORT.json", "*.json", "Q-ROX-MX-Series Service Report",
                      VAL_OK_BUTTON, 0, 1, 1, 1, path) <= 0)
    return 0;
  ReportRequest request;
  request.path = path;
  std::string summary;
  // RUN, VIDEO and REPORT itself would share the line with the report's reads.
  for (int control : {int(MAIN_RUN), int(MAIN_VIDEO), int(MAIN_REPORT)})
    SetCtrlAttribute(pHandle, control, ATTR_DIMMED, 1);
  WriteServiceReport(request, &summary);
  for (int control : {int(MAIN_RUN), int(MAIN_VIDEO), int(MAIN_REPORT)})
    SetCtrlAttribute(pHandle, control, ATTR_DIMMED, 0);
  ShowStatus(summary.c_str());
  return 0;
}
