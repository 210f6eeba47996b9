// The program with its additions: the command line, the built-in simulated sensor, the
// designed start-up and shut-down with the link watch and health around them, and the
// controls of the additions in the window.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "popup/popup.h"
#include "service/batch.h"
#include "service/journal.h"
#include "service/journal_cli.h"
#include "service/jsonresult.h"
#include "service/report.h"
#include "service/service.h"
#include "service/statistics.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "sim/sim.h"

int pCompare;

namespace {

std::unique_ptr<sim::SimHost> builtInSensor;

struct StartOptions {
  std::string portDevice;  // device for port 1: "" = port table default, "sim" = simulator
  std::vector<std::string> scanDevices;  // --scan: every --port given
  std::string logFile;                   // protocol trace, "" = none
};

constexpr char kUsage[] =
    "Usage: qrox [--port DEVICE|sim] [--log FILE] [--journal FILE|URL | --no-journal]\n"
    "            [ACTION [--verify] [--samples N --increment S] [--json | --csv]]\n"
    "Service and visualisation tool for Q-ROX-MX line-scan laser sensors.\n"
    "Without an action the program opens its window.\n"
    "\n"
    "Options:\n"
    "  --port DEVICE         the serial device that port 1 means (e.g. /dev/ttyUSB0 or\n"
    "                        a /dev/serial/by-id/... name, which survives unplugging)\n"
    "  --port sim            port 1 is the built-in simulated sensor\n"
    "  --log FILE            write a timestamped trace of every frame and status text\n"
    "  --journal FILE|URL    the journal of the writes: an SQLite file, or\n"
    "                        postgresql://user@host[:port]/database (default: journal.sqlite\n"
    "                        in the user's data directory, ~/.local/share/qrox)\n"
    "  --no-journal          write without a record (else a write whose entry cannot\n"
    "                        be stored is not made)\n"
    "  -h, --help            show this text\n"
    "  --version             show the program version\n"
    "\n"
    "Actions (run without a window, on the sensor at port 1):\n"
    "  --read-ram FILE       read the parameter set from RAM into a parameter file\n"
    "  --read-eeprom FILE    read the parameter set from EEPROM into a parameter file\n"
    "  --send-ram FILE       send a parameter file to RAM\n"
    "  --send-eeprom FILE    send a parameter file to EEPROM\n"
    "  --verify              with --send-...: read the set back and compare it\n"
    "  --compare FILE        show RAM, EEPROM and a parameter file side by side;\n"
    "                        right when the file agrees with RAM or with EEPROM\n"
    "  --against ram|eeprom  with --compare: the file must agree with this memory\n"
    "  --write-xflash FILE   write a linearisation file into the X-FLASH and read it back\n"
    "  --record FILE         record measurement results into a recorder file\n"
    "  --samples N           with --record: number of samples (default 10); with\n"
    "                        --report: measurement frames of the sample (default 100)\n"
    "  --increment S         with --record: time increment in seconds (default 1)\n"
    "  --report FILE.json    write a service report of the sensor: FILE.json and, beside\n"
    "                        it, FILE.pdf; nothing is written to the sensor\n"
    "  --xflash-file FILE    with --report: read the X-FLASH back against this\n"
    "                        linearisation file\n"
    "  --scan                probe every serial port found and every --port given (may\n"
    "                        be repeated) with the echo check and the identification\n"
    "  --stats FILE          count, mean, SD, min, max and P-P of the columns of a\n"
    "                        recorder file (no sensor needed)\n"
    "  --limits LOW,HIGH     with --stats: Cp and Cpk of a column against these limits\n"
    "  --column NAME         with --limits: the column (default M-VALUE)\n"
    "  --history             list the journal's entries, newest first (no sensor needed)\n"
    "  --csv                 with --history: as CSV instead of text\n"
    "  --restore ID          write the set held before entry ID back to its memory;\n"
    "                        with --verify read back and compared\n"
    "  --json                with an action: its result as one JSON object on stdout\n"
    "                        (the texts for a person go to stderr); with --history the\n"
    "                        entries as JSON\n"
    "\n"
    "Exit codes: 0 done and right; 1 the sensor answered but the result is wrong\n"
    "(words differ, chunks failed); 2 no answer on the line, a file or option error.\n"
    "\n"
    "Examples:\n"
    "  qrox --port /dev/ttyUSB0 --read-eeprom backup.cfg\n"
    "  qrox --port /dev/ttyUSB0 --send-ram line7.cfg --verify\n"
    "  qrox --port /dev/ttyUSB0 --send-eeprom line7.cfg --verify --log send.log\n"
    "  qrox --port /dev/ttyUSB0 --compare line7.cfg --against eeprom\n"
    "  qrox --port /dev/ttyUSB0 --write-xflash XF-LINEAR.DAT\n"
    "  qrox --port /dev/ttyUSB0 --record RECORD.DAT --samples 100 --increment 2\n"
    "  qrox --port /dev/ttyUSB0 --report case17.json --xflash-file XF-LINEAR.DAT\n"
    "  qrox --scan --port /dev/pts/5 --json\n"
    "  qrox --history --json\n"
    "  qrox --port /dev/ttyUSB0 --restore 12 --verify\n"
    "  qrox --journal postgresql://qrox@journal.plant/qrox --port /dev/ttyUSB0 --send-ram a.cfg\n"
    "  qrox --port sim --read-ram demo.cfg\n"
    "  qrox --stats RECORD.DAT --json --limits 1948,2148\n";

const std::vector<CommandLineOption> kOptions = {
    {"port", "DEVICE", nullptr, true},
    {"log", "FILE"},
    {"help", nullptr, "h"},
    {"version"},
    {"read-ram", "FILE"},
    {"read-eeprom", "FILE"},
    {"send-ram", "FILE"},
    {"send-eeprom", "FILE"},
    {"verify"},
    {"compare", "FILE"},
    {"write-xflash", "FILE"},
    {"record", "FILE"},
    {"samples", "N"},
    {"increment", "S"},
    {"against", "MEMORY"},
    {"report", "FILE"},
    {"xflash-file", "FILE"},
    {"scan"},
    {"stats", "FILE"},
    {"column", "NAME"},
    {"limits", "LOW,HIGH"},
};

// The program's options and the journal's.
std::vector<CommandLineOption> AllOptions() {
  std::vector<CommandLineOption> all = kOptions;
  all.insert(all.end(), kJournalOptions.begin(), kJournalOptions.end());
  return all;
}

// The simulated sensor is always offered in the port table, but its pseudo-terminal is
// made only when it is chosen: with --port sim as port 1, or later in the drop-down.
int simPort = 0;
constexpr char kSimNotStarted[] = "sim";  // device of the entry until the sensor runs

void StartSimulatedSensor() {
  if (builtInSensor) return;
  builtInSensor = std::make_unique<sim::SimHost>(sim::DefaultModel());
  SetPortDevice(simPort, builtInSensor->SlavePath(), "Simulated sensor");
}

void OfferSimulatedSensor(bool asPortOne) {
  simPort = 1;
  if (!asPortOne) {
    for (const PortEntry& e : GetPortTable()) simPort = std::max(simPort, e.number + 1);
  }
  SetPortDevice(simPort, kSimNotStarted, "Simulated sensor");
  if (asPortOne) StartSimulatedSensor();
}

// The serial-port drop-down: a RUN's frame rate is measured up to the port change, and
// choosing the simulated sensor starts it before the port change opens it.
int ChoosePort(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2) {
  int chosen = 0;
  if (event == EVENT_COMMIT) {
    LinkRunEnded();
    if (GetCtrlVal(panel, control, &chosen) >= 0 && chosen == simPort) StartSimulatedSensor();
  }
  return CC_DropDCom(panel, control, event, callbackData, eventData1, eventData2);
}

// RUN: the frame rate of the run, for the line health; the statistics window.
int RunMeasured(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2) {
  if (event == EVENT_COMMIT) LinkRunStarted();
  CC_BTNRun(panel, control, event, callbackData, eventData1, eventData2);
  if (event == EVENT_COMMIT) {
    LinkRunEnded();
    ShowStatisticsNow();  // the last frames at once
  }
  return 0;
}

// VIDEO and the recording run: the statistics window shows their last frames at once.
int VideoCounted(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2) {
  CC_BTNVideo(panel, control, event, callbackData, eventData1, eventData2);
  if (event == EVENT_COMMIT) ShowStatisticsNow();
  return 0;
}

int RecordingCounted(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2) {
  CC_CBTNStartRecord(panel, control, event, callbackData, eventData1, eventData2);
  if (event == EVENT_COMMIT) ShowStatisticsNow();
  return 0;
}

// SEND: recorded in the journal, read back and compared when VERIFY is ticked. A send to
// a file is recorded where the file is written.
int SendVerified(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2) {
  if (event != EVENT_COMMIT || target == DATFILE)
    return CC_BTNSend(panel, control, event, callbackData, eventData1, eventData2);
  const u16 destination = static_cast<u16>(target);
  JournalEntry entry = SendEntry(destination);
  if (!StartWrite(&entry)) return 0;
  CC_BTNSend(panel, control, event, callbackData, eventData1, eventData2);
  FinishSend(&entry, nBytesW == FRAME_LEN ? "done" : "failed");
  VerifySENDIfChosen(destination);
  return 0;
}

struct ServiceBinding {
  int* panel;
  int control;
  CtrlCallbackPtr callback;
};

const ServiceBinding kServiceBindings[] = {
    {&pHandle, MAIN_COMPORT, ChoosePort},
    {&pHandle, MAIN_RUN, RunMeasured},
    {&pHandle, MAIN_SEND, SendVerified},
    {&pHandle, MAIN_COMPARE, CC_BTNCompare},
    {&pHandle, MAIN_VERIFY, CC_CHKVerify},
    {&pCompare, COMPARE_CLOSE, CC_BTNCompareClose},
    {&pHandle, MAIN_VIDEO, VideoCounted},
    {&pPopup, REC_START, RecordingCounted},
    {&pHandle, MAIN_STATISTICS, CC_BTNStatistics},
    {&pHandle, MAIN_KEEP_REFERENCE, CC_BTNKeepReference},
    {&pHandle, MAIN_VIDEO_GRAPH, CC_GRAPHDataDiagnostic},
    {&pHandle, MAIN_ROLL_GRAPH, CC_GRAPHRawSaved},
    {&pHandle, MAIN_BAR_GRAPH, CC_GRAPHBarSaved},
    {&pHandle, MAIN_REPORT, CC_BTNReport},
};

// The writes that the journal records around their designed callbacks, and HISTORY.
const ServiceBinding kJournalBindings[] = {
    {&pPara2, PARA2_TEACH, TeachRecorded},         {&pHandle, MAIN_RESET, ResetRecorded},
    {&pHandle, MAIN_HISTORY, CC_BTNHistory},       {&pHistory, HISTORY_ALL, CC_HistoryControl},
    {&pHistory, HISTORY_ENTRY, CC_HistoryControl}, {&pHistory, HISTORY_RESTORE, CC_HistoryControl},
    {&pHistory, HISTORY_CLOSE, CC_HistoryControl},
};

}  // namespace

int ServiceLoadPanels(const char* uirPath) {
  if (LoadAllPanels(uirPath) < 0) return -1;
  pCompare = LoadPanel(0, uirPath, PANEL_COMPARE);
  pHistory = LoadPanel(0, uirPath, PANEL_HISTORY);
  if (pCompare < 0 || pHistory < 0) return -1;
  return LoadStatisticsPanel(uirPath);
}

void ServiceInstallCallbacks() {
  InstallCallbacks();
  for (const ServiceBinding& b : kServiceBindings)
    InstallCtrlCallback(*b.panel, b.control, b.callback, nullptr);
  for (const ServiceBinding& b : kJournalBindings)
    InstallCtrlCallback(*b.panel, b.control, b.callback, nullptr);
  InstallPanelCallback(pCompare, CC_COMPARE, nullptr);
  InstallStatisticsCallbacks();
  ShowGraphSaveTips();
  InstallPanelCallback(pHistory, CC_HISTORY, nullptr);
}

int ServiceStartUp() {
  WatchLink();
  WatchVideoDiagnostics();
  WatchWrites();
  ShowHealthTip();
  const int lineOk = StartUp();
  RepeatLinkNote();  // the panel preparation of start-up hides the help boxes
  return lineOk;
}

void ServiceShutDown() {
  TraceLinkHealth();
  EndJournal();
  DiscardPanel(pCompare);
  DiscardPanel(pHistory);
  pCompare = pHistory = 0;
  DiscardStatisticsPanel();
  WatchVideoCurves(nullptr);
  ShutDown();
}

namespace {

// Port 1 is the device given, or the simulated sensor.
void PreparePortOne(const StartOptions& options) {
  OfferSimulatedSensor(options.portDevice == "sim");
  if (!options.portDevice.empty() && options.portDevice != "sim")
    SetPortDevice(1, options.portDevice, options.portDevice);
}

// The scan: the simulated sensor takes part only when it is given (--port sim).
int Scan(std::vector<std::string> devices) {
  OfferSimulatedSensor(false);
  if (std::erase(devices, std::string("sim")) > 0) StartSimulatedSensor();
  return RunScan(devices);
}

// The start-up on port 1, then the event loop or the job.
int StartAndRun(const BatchJob& job, const JournalJob& journal, bool withoutWindow) {
  if (ServiceStartUp() != 1 && withoutWindow) {
    char status[STATUS_LEN + 8] = "";
    GetCtrlVal(pHandle, MAIN_STATUS, status, sizeof status);
    std::fprintf(stderr, "qrox: no sensor on port 1 (%s): %s\n", GetPortDevice(1).c_str(), status);
    // Why the port did not open, as the window tells it beside the port drop-down.
    if (!LinkNoteText().empty()) std::fprintf(stderr, "%s\n", LinkNoteText().c_str());
    JsonResultSet("port", QString::fromStdString(GetPortDevice(1)));
    JsonResultSet("error", QString::fromUtf8(status));
    return BATCH_LINE_ERROR;
  }
  if (withoutWindow) return RunJournaledAction(journal, job);
  PrepareJournal(journal, job);  // after the start-up, which hides the help boxes
  RunUserInterface();
  return 0;
}

// The start after the options: panels, port, start-up, then the event loop or the job.
int Run(int argc, char** argv, const StartOptions& options, const BatchJob& job,
        const JournalJob& journal) {
  const bool withoutWindow = job.action != BatchJob::NONE || journal.action != JournalJob::NONE;
  if (withoutWindow) RunWithoutWindow();
  if (InitCVIRTE(argc, argv) == 0) return -1;
  char uirPath[PATH_LEN] = "";
  FindProgramFile(UIR_FILE, uirPath);
  if (ServiceLoadPanels(uirPath) < 0) {
    std::fprintf(stderr, "qrox: cannot load the panels from %s\n", uirPath);
    return withoutWindow ? BATCH_LINE_ERROR : -1;
  }
  SetTraceFile(options.logFile);
  ServiceInstallCallbacks();
  // A command-line write refuses before the start-up when its journal cannot be written.
  int result = withoutWindow ? PrepareJournal(journal, job) : 0;
  if (job.action == BatchJob::SCAN) {
    result = Scan(options.scanDevices);
  } else if (result != 0 || journal.action == JournalJob::HISTORY) {
    if (result == 0) result = PrintHistory(journal);
  } else {
    PreparePortOne(options);
    result = StartAndRun(job, journal, withoutWindow);
  }
  ServiceShutDown();
  builtInSensor.reset();
  CloseCVIRTE();  // panels, ports and the trace go before the program ends
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (!text.empty()) lines.push_back(text.substr(start));
  return lines;
}

bool JsonAsked(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--json") return true;
  return false;
}

// One action at a time (--history and --restore are actions of their own); --port more
// than once only for the scan; --json with an action.
int OneAction(const JournalJob& journal, const BatchJob& job,
              const std::map<std::string, std::string>& values, std::string* error) {
  auto port = values.find("port");
  if (journal.action != JournalJob::NONE && job.action != BatchJob::NONE)
    *error = "only one action at a time";
  else if (port != values.end() && job.action != BatchJob::SCAN &&
           port->second.find('\n') != std::string::npos)
    *error = "--port more than once goes with --scan";
  else if (job.json && job.action == BatchJob::NONE && journal.action == JournalJob::NONE)
    *error = "--json goes with an action";
  return error->empty() ? 0 : -1;
}

}  // namespace

int AppMain(int argc, char** argv) {
  std::map<std::string, std::string> values;
  std::string error;
  BatchJob job;
  JournalJob journal;
  if (ParseCommandLine(argc, argv, AllOptions(), &values, &error) < 0 ||
      JournalJobFromOptions(&values, &journal, &error) < 0 ||
      BatchJobFromOptions(values, &job, &error) < 0 ||
      OneAction(journal, job, values, &error) < 0) {
    if (JsonAsked(argc, argv)) JsonResultBegin(job.name);
    std::fprintf(stderr, "qrox: %s\n%s", error.c_str(), kUsage);
    JsonResultSet("error", QString::fromStdString(error));
    JsonResultEnd(BATCH_LINE_ERROR);
    return BATCH_LINE_ERROR;
  }
  if (values.count("help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (values.count("version")) {
    std::printf("Q-ROX-MX-Raror Version %s\n", QROX_VERSION);
    return 0;
  }
  StartOptions options;
  if (values.count("port")) options.portDevice = values["port"];
  if (job.action == BatchJob::SCAN) options.scanDevices = Lines(options.portDevice);
  if (values.count("log")) options.logFile = values["log"];
  // With --json one object of the run; --history --json prints the journal's own form.
  const bool wrapped = job.json && journal.action != JournalJob::HISTORY;
  if (wrapped) JsonResultBegin(journal.action == JournalJob::RESTORE ? "restore" : job.name);
  const int result =
      job.action == BatchJob::STATS ? RunBatchAction(job) : Run(argc, argv, options, job, journal);
  JsonResultEnd(result);
  return result;
}
