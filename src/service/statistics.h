// Measurement statistics and process capability (the statistics window, recorder files
// read for their figures) and the diagnostics drawn on the video graph.
#pragma once

#include <string>

#include "engine/engine.h"
#include "service/stats.h"

enum StatisticsPanelResource { PANEL_STATISTICS = 8 };
enum StatisticsMainControl { MAIN_STATISTICS = 45, MAIN_KEEP_REFERENCE = 46 };
enum StatisticsControl {
  STATS_SOURCE = 2,
  STATS_FRAMES = 3,
  STATS_RESET = 4,
  STATS_OPEN = 5,
  STATS_TABLE = 6,
  STATS_HISTOGRAM = 7,
  STATS_CP = 8,
  STATS_CPK = 9,
  STATS_SETPOINT = 10,
  STATS_LSL = 11,
  STATS_USL = 12,
  STATS_CLOSE = 13,
  STATS_HELP = 14
};
extern int pStats;

// ------------------------------------------------------------ the window (statistics.cpp)
// Seconds between two showings of the figures while frames come in.
constexpr double kStatisticsShowInterval = 1.0;
// The limits of the value in pixels: the set-point and tolerances of the connected layout.
struct ToleranceLimits {
  int setPoint = 0;
  int low = 0;   // set-point - tolerance-low
  int high = 0;  // set-point + tolerance-up
};
ToleranceLimits LayoutLimits();
// Loaded with the other panels; the window counts frames only while it is open.
int LoadStatisticsPanel(const char* uirPath);
void DiscardStatisticsPanel();
// The callbacks of the window's controls and of the window.
void InstallStatisticsCallbacks();
// Shows the figures now (after a loop has ended: the last frames are shown at once).
void ShowStatisticsNow();
// Shows the figures of a recorder file: 0, or -1 (the reason in the source box).
int ShowRecorderFileStatistics(const char* path);
CTRL_CALLBACK(CC_BTNStatistics);
CTRL_CALLBACK(CC_STATISTICSControl);
CTRL_CALLBACK(CC_GRAPHHistogram);
int CC_STATISTICS(int panel, int event, void* callbackData, int eventData1, int eventData2);

// ------------------------------------------------------------ recorder files (recstats.cpp)
// The five columns of a record line, as the column header names them.
constexpr int kRecorderColumns = 5;
extern const char* const kRecorderColumnNames[kRecorderColumns];
enum RecorderColumn { COL_E_LEFT, COL_E_RIGHT, COL_M_VALUE, COL_EDGES, COL_M_VAL_UM };
struct RecorderFileStats {
  long count = 0;
  RunningStats columns[kRecorderColumns];
  ValueCounts valueCounts;  // of M-VALUE, when asked for
};
// Reads the record lines of a recorder file: 0, or -1 with the reason (naming the line)
// in `error`.
int ReadRecorderFile(const std::string& path, bool countValues, RecorderFileStats* stats,
                     std::string* error);
struct BatchJob;
// --stats: the figures of a recorder file as text or JSON on stdout; a BatchExit code.
int PrintRecorderFileStats(const BatchJob& job);

// ------------------------------------------------------------ video diagnostics (videodiag.cpp)
// Draws the edges of the frame, the evaluation window and the reference profile on the
// video graph after each video curve.
void WatchVideoDiagnostics();
// The reference profile: the live one kept, or one loaded from a profile file.
void KeepReferenceProfile();
int LoadReferenceProfile(const char* path);  // 0, or -1 (the status line says why)
void ClearReferenceProfile();
int SaveVideoProfile(const char* path);  // CSV: position on the pixel axis, intensity
CTRL_CALLBACK(CC_BTNKeepReference);
// The video graph's designed help with its keys: Ctrl+S save, Ctrl+O reference, Del.
CTRL_CALLBACK(CC_GRAPHDataDiagnostic);

// ------------------------------------------------------------ saving graphs (graphsave.cpp)
// Ctrl+S on a graph (a click gives it the keys): asks for a file and saves the graph as
// PNG, PDF or SVG. True when the event was that key.
bool SaveGraphOnKey(int panel, int control, int event, int key, int modifiers);
// The key `letter` with Ctrl held (EVENT_KEYPRESS data).
bool IsCtrlKey(int key, int modifiers, char letter);
// Asks for the file to save a graph in (`types` as "*.png;*.pdf"); the result of the
// file-selection pop-up.
int AskFileToSave(const char* types, char* path);
// The status line after SaveGraph.
void ReportGraphSaved(int result);
CTRL_CALLBACK(CC_GRAPHRawSaved);
CTRL_CALLBACK(CC_GRAPHBarSaved);
// The tooltips of the graphs that tell how to save them.
void ShowGraphSaveTips();
