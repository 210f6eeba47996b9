// The service additions: what the tool offers beyond the designed instrument. They sit
// above the design's modules and use them; nothing of the design calls into them. The
// window gets them through controls of their own (and through callbacks that wrap the
// designed ones), the command line through the batch actions.
#pragma once

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/globals.h"

// Panels and controls of the additions.
enum ServicePanelResource { PANEL_COMPARE = 6, PANEL_HISTORY = 7 };
enum ServiceMainControl {
  MAIN_COMPARE = 42,
  MAIN_VERIFY = 43,
  MAIN_HISTORY = 44,
  MAIN_REPORT = 47
};
enum CompareControl { COMPARE_TABLE = 2, COMPARE_RESULT = 3, COMPARE_CLOSE = 4, COMPARE_PATH = 5 };
enum HistoryControl {
  HISTORY_ENTRIES = 2,
  HISTORY_RESULT = 3,
  HISTORY_CLOSE = 4,
  HISTORY_ALL = 5,
  HISTORY_ENTRY = 6,
  HISTORY_WORDS = 7,
  HISTORY_RESTORE = 8
};
extern int pCompare, pHistory;

// ------------------------------------------------------------ the program with its additions
// (app.cpp) The designed start-up and shut-down with the additions around them.
// Loads the design's panels and the additions' panels: 0, or -1 if any fails.
int ServiceLoadPanels(const char* uirPath);
// Installs the design's callbacks, then the additions' (some wrap designed ones).
void ServiceInstallCallbacks();
// The designed start-up with the link watch and health: 1 when the echo check passed.
int ServiceStartUp();
void ServiceShutDown();
// The whole program: parses the command line, starts up, runs the window or the action.
int AppMain(int argc, char** argv);

// ------------------------------------------------------------ read-back (verify.cpp)
// Nothing of it changes the parameter set or the panels.
// One half of RAM or EEPROM into `out`, with GET's request: 1, or 0 on time-out.
int ReadHalf(u16 source, u16 half, u16 out[15]);
// Both halves, 0.1 s apart, into `out` (30 words); got[h] = 1 for each half that came.
// 1 when both came.
int ReadSet(u16 source, u16 out[SET_WORDS], int got[2]);
// Number of words in which a and b differ; their numbers (1..30, "7, 18") into `list`.
int DifferingWords(const u16 a[SET_WORDS], const u16 b[SET_WORDS], char* list, int size);
// Results of the read-back after SEND.
enum ReadBackResult { VERIFY_OK = 0, VERIFY_DIFFERENT = 1, VERIFY_NO_REPLY = 2, VERIFY_OFF = 3 };
// Reads the set back from `destination` (RAM or EEPROM) and compares it with the set just
// sent; the status line says "SEND verified! ..." or which words differ.
int VerifySEND(u16 destination);
// What the last VERIFY read back: the 30 words and which halves came.
struct ReadBack {
  u16 words[SET_WORDS] = {};
  int got[2] = {0, 0};
};
const ReadBack& LastReadBack();
// VerifySEND when the VERIFY check box beside SEND is on, else VERIFY_OFF.
int VerifySENDIfChosen(u16 destination);
CTRL_CALLBACK(CC_CHKVerify);

// ------------------------------------------------------------ compare (compare.cpp)
// Compare of RAM, EEPROM and a parameter file.
enum CompareResult {
  COMPARE_SAME = 0,
  COMPARE_DIFFERENT = 1,
  COMPARE_NO_REPLY = 2,
  COMPARE_FILE_ERROR = 3
};
// Reads RAM and EEPROM (and the parameter file `path`, unless it is empty) into buffers
// of their own and shows the 30 words side by side on the compare panel.
int CompareParameterSets(const char* path);
// After a compare with a file: the number of words in which the file differs from RAM or
// EEPROM, -1 when either was not read.
int FileDiffersFrom(u16 source);
// Name of word `index` (0..29) in `layout`: the panel label of its control, the slope and
// offset halves, or the settings of half 1 that no panel shows.
void WordName(Layout layout, int index, char* name, int size);
// Name of the layout (DEFAULT, D303, MX400), and the name of word `index` in the connected
// sensor's layout.
const char* LayoutName(Layout layout);
std::string ParameterWordName(int index);
CTRL_CALLBACK(CC_BTNCompare);
CTRL_CALLBACK(CC_BTNCompareClose);
int CC_COMPARE(int panel, int event, void* callbackData, int eventData1, int eventData2);

// ------------------------------------------------------------ history (history.cpp)
CTRL_CALLBACK(CC_BTNHistory);
// The controls of the history panel: ALL SENSORS, ENTRY, RESTORE, CLOSE.
CTRL_CALLBACK(CC_HistoryControl);
int CC_HISTORY(int panel, int event, void* callbackData, int eventData1, int eventData2);

// ------------------------------------------------------------ the real line (link.cpp)
// Watches every port set-up: explains a failed open (permissions), reports an adapter that
// holds replies back, and whether the same sensor came back after it was unplugged;
// watches for the sensor being unplugged.
void WatchLink();
// Shows a hint beside the serial-port drop-down (help box 2), as the status line's
// tooltip and in the trace.
void ShowLinkNote(const char* text);
// Shows the hint of the last port set-up again (start-up prepares the panels after it).
void RepeatLinkNote();
// The hint shown last ("" = none).
std::string LinkNoteText();
// What an identification found.
struct SensorIdentity {
  bool known = false;
  u16 hwtype = 0, ccdtype = 0, softversion = 0;
  std::string firmware;  // "" when it was not read
};
// The sensor of the last port set-up (`known` false when it was not identified).
SensorIdentity IdentifiedSensor();

// ------------------------------------------------------------ line health (health.cpp)
struct LinkHealth : LinkCounts {
  long runFrames = 0;  // of the last RUN
  double runSeconds = 0.0;
  double runRate = 0.0;  // frames per second
};
// The RUN button measures the frame rate of its run; a port change ends the measurement.
void LinkRunStarted();
void LinkRunEnded();
LinkHealth GetLinkHealth();
// Frames per second a RUN can reach at 19200 baud (26.7).
double LineLimit();
// The counts and the last RUN's rate, for the status line's tooltip and the trace.
std::string LinkHealthText();
// The health as one line of the trace (at exit).
void TraceLinkHealth();
// `text` with its line breaks as " / ", for the trace.
std::string OneLine(std::string text);
// Makes the status line's tooltip give the last hint and the health of the line.
void ShowHealthTip();
