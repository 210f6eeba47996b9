// The statistics window: count, mean, standard deviation, min, max and peak-to-peak of the
// measured values (in pixels and in micrometres) and of both edges, over the last 100 or
// 1000 frames or since its RESET, the histogram of the value against the tolerance and
// the process capability. It takes the frames that RUN, VIDEO and the recorder draw while
// it is open, and nothing at all while it is closed; it also shows a recorder file.
#include "service/statistics.h"

#include <algorithm>
#include <cstdio>

#include "display/display.h"
#include "display/geometry.h"
#include "gui/gui.h"
#include "shell/colors.h"

int pStats;

namespace {

constexpr int kMaxBins = 60;
constexpr int kQuantities = 4;
const char* const kRowNames[kQuantities] = {"VALUE [pixel]", "VALUE [\xC2\xB5m]", "E-LEFT",
                                            "E-RIGHT"};
constexpr int kBarColour = 0xFF8080;  // the measured value's red, lighter
constexpr int kHelpWidth = 360;
constexpr int kHelpHeight = 176;

FrameSeries series;  // live frames since the window opened or its RESET
bool showingFile = false;
double lastShown = 0.0;

std::string Format(const char* format, double v) {
  char text[48];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

void ShowFigures(const RunningStats figures[kQuantities]) {
  int rows = 0;
  GetNumTableRows(pStats, STATS_TABLE, &rows);
  if (rows == 0) {
    InsertTableRows(pStats, STATS_TABLE, -1, kQuantities);
    for (int row = 1; row <= kQuantities; ++row)
      SetTableCellVal(pStats, STATS_TABLE, row, 1, kRowNames[row - 1]);
  }
  for (int row = 1; row <= kQuantities; ++row) {
    const RunningStats& s = figures[row - 1];
    const bool any = s.count > 0;
    const std::string cells[] = {std::to_string(s.count),
                                 any ? Format("%.3f", s.mean) : "",
                                 s.count > 1 ? Format("%.3f", s.Sd()) : "",
                                 any ? Format("%.0f", s.min) : "",
                                 any ? Format("%.0f", s.max) : "",
                                 any ? Format("%.0f", s.PeakToPeak()) : ""};
    for (int column = 2; column <= 7; ++column)
      SetTableCellVal(pStats, STATS_TABLE, row, column, cells[column - 2].c_str());
  }
}

// A vertical line across the histogram.
void PlotLimitLine(double x, double top, int colour) {
  const double xs[2] = {x, x}, ys[2] = {0.0, top};
  PlotXY(pStats, STATS_HISTOGRAM, xs, ys, 2, VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1, colour);
}

// The top of the count axis: 1, 2 or 5 times a power of ten, above `count` with room to
// spare, so that the axis (drawn again whenever it changes) seldom changes.
double CountAxisTop(double count) {
  const double need = count * 1.1;
  for (double decade = 1.0;; decade *= 10.0)
    for (double step : {1.0, 2.0, 5.0})
      if (step * decade >= need) return step * decade;
}

void ShowHistogram(const ValueCounts& values, const ToleranceLimits& limits) {
  DeleteGraphPlot(pStats, STATS_HISTOGRAM, -1, 0);
  const Histogram h = HistogramOf(values, limits.low, limits.high, kMaxBins);
  double top = 1.0, from = limits.low - 10.0, to = limits.high + 10.0;  // no values yet
  if (!h.centres.empty()) {
    top = CountAxisTop(*std::max_element(h.counts.begin(), h.counts.end()));
    from = h.centres.front() - 1.5 * h.width;  // a bin's room either side
    to = h.centres.back() + 1.5 * h.width;
    PlotBarChart(pStats, STATS_HISTOGRAM, h.centres.data(), h.counts.data(),
                 static_cast<int>(h.centres.size()), h.width, COLOR_RED, kBarColour);
  }
  SetAxisScalingMode(pStats, STATS_HISTOGRAM, VAL_XAXIS, VAL_MANUAL, from, to);
  SetAxisScalingMode(pStats, STATS_HISTOGRAM, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, top);
  if (limits.low < limits.high) {
    PlotLimitLine(limits.low, top, COLOR_DARK_GREEN);
    PlotLimitLine(limits.high, top, COLOR_DARK_GREEN);
  }
  PlotLimitLine(limits.setPoint, top, COLOR_BLACK);
}

void ShowCapability(const RunningStats& valuePx, const ToleranceLimits& limits) {
  SetCtrlVal(pStats, STATS_SETPOINT, limits.setPoint);
  SetCtrlVal(pStats, STATS_LSL, limits.low);
  SetCtrlVal(pStats, STATS_USL, limits.high);
  const Capability c = CapabilityOf(valuePx, limits.low, limits.high);
  SetCtrlVal(pStats, STATS_CP, c.valid ? Format("%.3f", c.cp).c_str() : "-");
  SetCtrlVal(pStats, STATS_CPK, c.valid ? Format("%.3f", c.cpk).c_str() : "-");
}

void ShowAll(const RunningStats figures[kQuantities], const ValueCounts& values,
             const std::string& source) {
  const ToleranceLimits limits = LayoutLimits();
  ResetTextBox(pStats, STATS_SOURCE, source.c_str());
  ShowFigures(figures);
  ShowCapability(figures[0], limits);
  ShowHistogram(values, limits);
}

void ShowLive() {
  int frames = 100;
  GetCtrlVal(pStats, STATS_FRAMES, &frames);
  RunningStats figures[kQuantities];
  series.Figures(static_cast<size_t>(frames), figures);
  const long count = series.sinceReset.valuePx.count;
  ShowAll(figures, series.ValueCountsOf(static_cast<size_t>(frames)),
          count == 0 ? "LIVE: WAITING FOR RUN, VIDEO OR RECORDER ..."
                     : "LIVE: " + std::to_string(count) + " FRAMES SINCE RESET");
  lastShown = Timer();
}

// A frame drawn by RUN, VIDEO or the recorder: counted, and shown once a second.
void FrameDrawn() {
  series.AddLastFrame();
  if (Timer() - lastShown >= kStatisticsShowInterval) ShowLive();
}

void StartLive() {
  series.Clear();
  showingFile = false;
  SetCtrlAttribute(pStats, STATS_FRAMES, ATTR_DIMMED, 0);
  WatchMeasurementFrames(FrameDrawn);
  ShowLive();
}

void CloseWindow() {
  WatchMeasurementFrames(nullptr);
  SetCtrlAttribute(pStats, STATS_HELP, ATTR_VISIBLE, 0);
  HidePanel(pStats);
}

void OpenRecorderFile() {
  char path[PATH_LEN] = "";
  const int chosen =
      FileSelectPopup(proj_dir, "RECORD.DAT", "*.dat",
                      "Q-ROX-Series Recorder-File:", VAL_LOAD_BUTTON, 0, 0, 1, 0, path);
  if (chosen != VAL_NO_FILE_SELECTED) ShowRecorderFileStatistics(path);
}

const char kWindowHelp[] =
    "STATISTICS-WINDOW:\nFrames drawn by RUN, VIDEO or the recorder\nwhile this window is open, "
    "over the last\n100 or 1000 frames or since RESET.\nMEAN = sum(x) / n\n"
    "SD = sqrt(sum((x - MEAN)^2) / (n - 1))\nP-P = MAX - MIN";
const char kCapabilityHelp[] =
    "PROCESS CAPABILITY:\nof the value in pixels against the set-point\nand the tolerance of "
    "the sensor:\nLSL = SET-POINT - TOL-LOW\nUSL = SET-POINT + TOL-UP\nCp = (USL - LSL) / (6 SD)\n"
    "Cpk = min(USL - MEAN, MEAN - LSL) / (3 SD)\n(needs two values with a spread)";
const char kHistogramHelp[] =
    "HISTOGRAM:\nFrames per value in pixels (red bars),\nthe set-point (black line) and the\n"
    "limits LSL and USL (green lines).\nClick the graph, then Ctrl+S: save it\nas PNG, PDF or SVG.";

const char* HelpText(int control) {
  switch (control) {
    case STATS_FRAMES:
      return "FRAMES:\nThe figures of the last 100 or 1000\nframes, or of all frames since RESET.";
    case STATS_RESET:
      return "RESET:\nStarts the figures afresh with the next\nframe of RUN, VIDEO or the "
             "recorder\n(also after a recorder file was shown).";
    case STATS_OPEN:
      return "OPEN FILE:\nShows the figures, the histogram and\nCp/Cpk of a recorder file "
             "(*.dat)\ninstead of the live frames;\nRESET returns to them.";
    case STATS_HISTOGRAM:
      return kHistogramHelp;
    case STATS_CP:
    case STATS_CPK:
    case STATS_SETPOINT:
    case STATS_LSL:
    case STATS_USL:
      return kCapabilityHelp;
    default:
      return kWindowHelp;
  }
}

// Toggles the window's help box below the control (above it where it would not fit).
void ToggleWindowHelp(int control) {
  int top = 0, left = 0, height = 0, width = 0, panelWidth = 0, panelHeight = 0;
  GetCtrlBoundingRect(pStats, control, &top, &left, &height, &width);
  GetPanelAttribute(pStats, ATTR_WIDTH, &panelWidth);
  GetPanelAttribute(pStats, ATTR_HEIGHT, &panelHeight);
  int boxTop = top + height + 4;
  if (boxTop + kHelpHeight > panelHeight) boxTop = std::max(0, top - kHelpHeight - 4);
  const int boxLeft = std::clamp(left + 20, 0, std::max(0, panelWidth - kHelpWidth));
  int visible = 0;
  GetCtrlAttribute(pStats, STATS_HELP, ATTR_VISIBLE, &visible);
  SetCtrlAttribute(pStats, STATS_HELP, ATTR_LEFT, boxLeft);
  SetCtrlAttribute(pStats, STATS_HELP, ATTR_TOP, boxTop);
  SetCtrlAttribute(pStats, STATS_HELP, ATTR_VISIBLE, visible ? 0 : 1);
  ResetTextBox(pStats, STATS_HELP, HelpText(control));
}

}  // namespace

ToleranceLimits LayoutLimits() {
  int setPoint = 0, up = 0, low = 0;
  switch (LiveLayout()) {
    case LAYOUT_MX400:
      setPoint = parameter[39];
      up = parameter[40];
      low = parameter[41];
      break;
    case LAYOUT_D303: {
      const Tolerances t = D303Tolerances(parameter[31], tol, parameter[25], parameter[26]);
      setPoint = parameter[24];
      up = t.up;
      low = t.low;
      break;
    }
    default:
      setPoint = parameter[9];
      up = low = parameter[10];
      break;
  }
  return {setPoint, setPoint - low, setPoint + up};
}

int LoadStatisticsPanel(const char* uirPath) {
  pStats = LoadPanel(0, uirPath, PANEL_STATISTICS);
  return pStats < 0 ? -1 : 0;
}

void DiscardStatisticsPanel() {
  WatchMeasurementFrames(nullptr);
  series.Clear();
  DiscardPanel(pStats);
  pStats = 0;
}

void ShowStatisticsNow() {
  int visible = 0;
  GetPanelAttribute(pStats, ATTR_VISIBLE, &visible);
  if (visible && !showingFile) ShowLive();
}

int ShowRecorderFileStatistics(const char* path) {
  RecorderFileStats file;
  std::string error;
  if (ReadRecorderFile(path, true, &file, &error) < 0) {
    ResetTextBox(pStats, STATS_SOURCE, ("CANNOT READ " + error).c_str());
    return -1;
  }
  WatchMeasurementFrames(nullptr);
  showingFile = true;
  SetCtrlAttribute(pStats, STATS_FRAMES, ATTR_DIMMED, 1);
  const RunningStats figures[kQuantities] = {file.columns[COL_M_VALUE], file.columns[COL_M_VAL_UM],
                                             file.columns[COL_E_LEFT], file.columns[COL_E_RIGHT]};
  ShowAll(figures, file.valueCounts,
          "FILE: " + std::string(path) + "  (" + std::to_string(file.count) + " RECORDS)");
  return 0;
}

// STATISTICS (main-panel control 45): opens the window, which counts from then on.
int CC_BTNStatistics(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    int visible = 0;
    GetPanelAttribute(pStats, ATTR_VISIBLE, &visible);
    if (!visible) StartLive();
    DisplayPanel(pStats);
  } else if (event == EVENT_RIGHT_CLICK) {
    const CtrlPlace place = PlaceOnMainPanel(panel, control);
    ToggleHelpText(MAIN_HELP1, place.left - 120, place.top - 160,
                   "STATISTICS-BUTTON:\nOpens the statistics window: mean, SD,\nmin, max, "
                   "histogram and Cp/Cpk of the\nmeasured values while RUN, VIDEO or the\n"
                   "recorder runs, or of a recorder file.");
  }
  return 0;
}

// The controls of the statistics window.
int CC_STATISTICSControl(int, int control, int event, void*, int, int) {
  if (event == EVENT_RIGHT_CLICK) {
    if (control != STATS_HELP)
      ToggleWindowHelp(control);
    else
      SetCtrlAttribute(pStats, STATS_HELP, ATTR_VISIBLE, 0);
    return 0;
  }
  if (control == STATS_HELP && event == EVENT_LEFT_CLICK)
    SetCtrlAttribute(pStats, STATS_HELP, ATTR_VISIBLE, 0);
  if (event != EVENT_COMMIT) return 0;
  switch (control) {
    case STATS_FRAMES:
      if (!showingFile) ShowLive();
      break;
    case STATS_RESET:
      StartLive();
      break;
    case STATS_OPEN:
      OpenRecorderFile();
      break;
    case STATS_CLOSE:
      CloseWindow();
      break;
    default:
      break;
  }
  return 0;
}

int CC_GRAPHHistogram(int panel, int control, int event, void*, int eventData1, int eventData2) {
  if (event == EVENT_RIGHT_CLICK) ToggleWindowHelp(control);
  SaveGraphOnKey(panel, control, event, eventData1, eventData2);
  return 0;
}

int CC_STATISTICS(int, int event, void*, int, int) {
  if (event == EVENT_CLOSE) CloseWindow();
  return 0;
}

void InstallStatisticsCallbacks() {
  for (int control : {STATS_SOURCE, STATS_FRAMES, STATS_RESET, STATS_OPEN, STATS_TABLE, STATS_CP,
                      STATS_CPK, STATS_SETPOINT, STATS_LSL, STATS_USL, STATS_CLOSE, STATS_HELP})
    InstallCtrlCallback(pStats, control, CC_STATISTICSControl, nullptr);
  InstallCtrlCallback(pStats, STATS_HISTOGRAM, CC_GRAPHHistogram, nullptr);
  InstallPanelCallback(pStats, CC_STATISTICS, nullptr);
}
