// The program's entry: command line, panel loading, start-up, event loop, shut-down.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/batch.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "shell/status.h"
#include "sim/sim.h"

namespace {

std::unique_ptr<sim::SimHost> builtInSensor;

constexpr char kUsage[] =
    "Usage: qrox [--port DEVICE|sim] [--log FILE] [ACTION [--verify] [--samples N "
    "--increment S]]\n"
    "Service and visualisation tool for Q-ROX-MX line-scan laser sensors.\n"
    "Without an action the program opens its window.\n"
    "\n"
    "Options:\n"
    "  --port DEVICE         the serial device that port 1 means (e.g. /dev/ttyUSB0 or\n"
    "                        a /dev/serial/by-id/... name, which survives unplugging)\n"
    "  --port sim            port 1 is the built-in simulated sensor\n"
    "  --log FILE            write a timestamped trace of every frame and status text\n"
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
    "  --samples N           with --record: number of samples (default 10)\n"
    "  --increment S         with --record: time increment in seconds (default 1)\n"
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
    "  qrox --port sim --read-ram demo.cfg\n";

const std::vector<CommandLineOption> kOptions = {
    {"port", "DEVICE"},   {"log", "FILE"},          {"help", nullptr, "h"},
    {"version"},          {"read-ram", "FILE"},     {"read-eeprom", "FILE"},
    {"send-ram", "FILE"}, {"send-eeprom", "FILE"},  {"verify"},
    {"compare", "FILE"},  {"write-xflash", "FILE"}, {"record", "FILE"},
    {"samples", "N"},     {"increment", "S"},       {"against", "MEMORY"},
};

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

// The serial-port drop-down: choosing the simulated sensor starts it before the port
// change opens it.
int ChoosePort(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2) {
  int chosen = 0;
  if (event == EVENT_COMMIT && GetCtrlVal(panel, control, &chosen) >= 0 && chosen == simPort)
    StartSimulatedSensor();
  return CC_DropDCom(panel, control, event, callbackData, eventData1, eventData2);
}

}  // namespace

int LoadAllPanels(const char* uirPath) {
  pHandle = LoadPanel(0, uirPath, PANEL_MAIN);
  if (pHandle < 0) return -1;
  pPopup = LoadPanel(0, uirPath, PANEL_RECORDER);
  if (pPopup < 0) return -1;
  pPara1 = LoadPanel(pHandle, uirPath, PANEL_PARA1);
  if (pPara1 < 0) return -1;
  pPara2 = LoadPanel(pHandle, uirPath, PANEL_PARA2);
  if (pPara2 < 0) return -1;
  pCalib = LoadPanel(pHandle, uirPath, PANEL_CALIB);
  if (pCalib < 0) return -1;
  pCompare = LoadPanel(0, uirPath, PANEL_COMPARE);
  if (pCompare < 0) return -1;
  return 0;
}

int StartUp() {
  GetProjectDir(proj_dir);
  InitVars();
  ShowHealthTip();
  FillPortList();
  const int lineOk = InitRS232(com);
  InitGUI();
  RepeatLinkNote();
  DisplayPanel(pHandle);
  DisplayPanel(pPara1);
  SetActivePanel(pHandle);
  SetActiveCtrl(pHandle, MAIN_STOP);
  return lineOk;
}

void ShutDown() {
  TraceLinkHealth();
  CloseCom(com);
  DiscardPanel(pPara1);
  DiscardPanel(pPara2);
  DiscardPanel(pCalib);
  DiscardPanel(pPopup);
  DiscardPanel(pCompare);
  DiscardPanel(pHandle);
}

namespace {

// The start after the options: panels, port, start-up, then the event loop or the job.
int Run(int argc, char** argv, const StartOptions& options, const BatchJob& job) {
  if (job.action != BatchJob::NONE) RunWithoutWindow();
  if (InitCVIRTE(argc, argv) == 0) return -1;
  char uirPath[PATH_LEN] = "";
  FindProgramFile(UIR_FILE, uirPath);
  if (LoadAllPanels(uirPath) < 0) {
    std::fprintf(stderr, "qrox: cannot load the panels from %s\n", uirPath);
    return job.action != BatchJob::NONE ? BATCH_LINE_ERROR : -1;
  }
  SetTraceFile(options.logFile);
  OfferSimulatedSensor(options.portDevice == "sim");
  if (!options.portDevice.empty() && options.portDevice != "sim")
    SetPortDevice(1, options.portDevice, options.portDevice);

  InstallCallbacks();
  InstallCtrlCallback(pHandle, MAIN_COMPORT, ChoosePort, nullptr);
  int result = 0;
  if (StartUp() != 1 && job.action != BatchJob::NONE) {
    char status[STATUS_LEN + 8] = "";
    GetCtrlVal(pHandle, MAIN_STATUS, status, sizeof status);
    std::fprintf(stderr, "qrox: no sensor on port 1 (%s): %s\n", GetPortDevice(1).c_str(), status);
    result = BATCH_LINE_ERROR;
  } else if (job.action != BatchJob::NONE) {
    result = RunBatchAction(job);
  } else {
    RunUserInterface();
  }
  ShutDown();
  builtInSensor.reset();
  CloseCVIRTE();  // panels, ports and the trace go before the program ends
  return result;
}

}  // namespace

int AppMain(int argc, char** argv) {
  std::map<std::string, std::string> values;
  std::string error;
  BatchJob job;
  if (ParseCommandLine(argc, argv, kOptions, &values, &error) < 0 ||
      BatchJobFromOptions(values, &job, &error) < 0) {
    std::fprintf(stderr, "qrox: %s\n%s", error.c_str(), kUsage);
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
  if (values.count("log")) options.logFile = values["log"];
  return Run(argc, argv, options, job);
}
