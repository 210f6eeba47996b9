// The program's entry: command line, panel loading, start-up, event loop, shut-down.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "shell/status.h"
#include "sim/sim.h"

namespace {

std::unique_ptr<sim::SimHost> builtInSensor;

constexpr char kUsage[] =
    "Usage: qrox [--port DEVICE|sim] [--log FILE] [--help] [--version]\n"
    "Service and visualisation tool for Q-ROX-MX line-scan laser sensors.\n"
    "  --port DEVICE  the serial device that port 1 means (e.g. /dev/ttyUSB0 or a\n"
    "                 /dev/serial/by-id/... name, which survives unplugging)\n"
    "  --port sim     port 1 is the built-in simulated sensor\n"
    "  --log FILE     write a timestamped trace of every frame and status text\n"
    "  --help         show this text\n"
    "  --version      show the program version\n";

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
  return 0;
}

void StartUp() {
  GetProjectDir(proj_dir);
  InitVars();
  FillPortList();
  InitRS232(com);
  InitGUI();
  RepeatLinkNote();
  DisplayPanel(pHandle);
  DisplayPanel(pPara1);
  SetActivePanel(pHandle);
  SetActiveCtrl(pHandle, MAIN_STOP);
}

void ShutDown() {
  TraceLinkHealth();
  CloseCom(com);
  DiscardPanel(pPara1);
  DiscardPanel(pPara2);
  DiscardPanel(pCalib);
  DiscardPanel(pPopup);
  DiscardPanel(pHandle);
}

int AppMain(int argc, char** argv) {
  StartOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("Q-ROX-MX-Raror Version %s\n", QROX_VERSION);
      return 0;
    }
    if ((arg == "--port" || arg == "--log") && i + 1 < argc) {
      (arg == "--port" ? options.portDevice : options.logFile) = argv[++i];
      continue;
    }
    std::fprintf(stderr, "qrox: unknown or incomplete option '%s'\n%s", arg.c_str(), kUsage);
    return 2;
  }

  if (InitCVIRTE(argc, argv) == 0) return -1;
  char uirPath[PATH_LEN] = "";
  FindProgramFile(UIR_FILE, uirPath);
  if (LoadAllPanels(uirPath) < 0) {
    std::fprintf(stderr, "qrox: cannot load the panels from %s\n", uirPath);
    return -1;
  }
  SetTraceFile(options.logFile);
  OfferSimulatedSensor(options.portDevice == "sim");
  if (!options.portDevice.empty() && options.portDevice != "sim")
    SetPortDevice(1, options.portDevice, options.portDevice);

  InstallCallbacks();
  InstallCtrlCallback(pHandle, MAIN_COMPORT, ChoosePort, nullptr);
  StartUp();
  RunUserInterface();
  ShutDown();
  builtInSensor.reset();
  return 0;
}
