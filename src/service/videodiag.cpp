// The diagnostic video profile: on the video graph, after each video curve, the edges the
// sensor found in the frame (blue lines), the evaluation window E-BEG / E-END (dashed) and
// a reference profile kept by the user, in grey beneath the live one. The profile is saved
// as CSV (position on the pixel axis, intensity) and a saved profile loads as reference.
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "display/display.h"
#include "gui/gui.h"
#include "service/statistics.h"
#include "shell/status.h"

namespace {

constexpr int kPoints = 256;
constexpr int kReferenceColour = 0xA0A0A0;
constexpr int kEdgeColour = 0x0000FF;
constexpr int kWindowColour = 0x404040;
constexpr char kCsvHeader[] = "PIXEL,INTENSITY\r\n";

std::vector<double> referenceX, referenceY;

// A vertical line across the video graph.
void PlotVertical(double x, int colour, int lineStyle) {
  const double xs[2] = {x, x};
  const double ys[2] = {0.0, static_cast<double>(ADCMAX)};
  const int plot =
      PlotXY(pHandle, MAIN_VIDEO_GRAPH, xs, ys, 2, VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1, colour);
  if (plot > 0 && lineStyle != VAL_SOLID)
    SetPlotAttribute(pHandle, MAIN_VIDEO_GRAPH, plot, ATTR_LINE_STYLE, lineStyle);
}

// After each video curve: the reference beneath it, the window and the frame's edges.
void DrawDiagnostics() {
  if (!referenceX.empty()) {
    const int plot = PlotXY(pHandle, MAIN_VIDEO_GRAPH, referenceX.data(), referenceY.data(),
                            static_cast<int>(referenceX.size()), VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1,
                            kReferenceColour);
    if (plot > 0)  // behind every other plot
      SetPlotAttribute(pHandle, MAIN_VIDEO_GRAPH, plot, ATTR_PLOT_ZPLANE_POSITION, kPoints);
  }
  const int base = LayoutBase(LiveLayout());
  PlotVertical(parameter[base + 4], kWindowColour, VAL_DASH);  // E-BEG
  PlotVertical(parameter[base + 5], kWindowColour, VAL_DASH);  // E-END
  if (edcnt >= 1) PlotVertical(Ledge, kEdgeColour, VAL_SOLID);
  if (edcnt >= 2) PlotVertical(Redge, kEdgeColour, VAL_SOLID);
}

void RedrawVideoGraph() {
  PlotVIDEOCurve(adcbuf, thdArray, xArray);
}

bool HasEnding(const std::string& path, const char* ending) {
  const std::string e = ending;
  if (path.size() < e.size()) return false;
  for (size_t i = 0; i < e.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(path[path.size() - e.size() + i])) != e[i])
      return false;
  return true;
}

// Two numbers separated by a comma, semicolon or tab.
bool ParsePoint(const std::string& line, double* x, double* y) {
  char* end = nullptr;
  *x = std::strtod(line.c_str(), &end);
  if (end == line.c_str() || (*end != ',' && *end != ';' && *end != '\t')) return false;
  const char* second = end + 1;
  *y = std::strtod(second, &end);
  while (*end == ' ' || *end == '\r') ++end;
  return end != second && *end == '\0';
}

void SaveVideoGraphAsked() {
  char path[PATH_LEN] = "";
  if (AskFileToSave("*.png;*.pdf;*.svg;*.csv", path) == VAL_NO_FILE_SELECTED) return;
  if (!HasEnding(path, ".csv")) {
    ReportGraphSaved(SaveGraph(pHandle, MAIN_VIDEO_GRAPH, path));
    return;
  }
  ShowStatus(SaveVideoProfile(path) == 0 ? "Video profile saved!"
                                         : "Cannot write the profile file!");
}

void LoadReferenceAsked() {
  char path[PATH_LEN] = "";
  if (FileSelectPopup(proj_dir, "*.csv", "*.csv", "Video Reference Profile:", VAL_LOAD_BUTTON, 0, 0,
                      1, 0, path) != VAL_NO_FILE_SELECTED)
    LoadReferenceProfile(path);
}

}  // namespace

void WatchVideoDiagnostics() {
  WatchVideoCurves(DrawDiagnostics);
}

void KeepReferenceProfile() {
  referenceX.assign(xArray, xArray + kPoints);
  referenceY.assign(adcbuf, adcbuf + kPoints);
  RedrawVideoGraph();
  ShowStatus("Video reference kept!");
}

int LoadReferenceProfile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ShowStatus("Cannot read the profile file!");
    return -1;
  }
  std::vector<double> xs, ys;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    double x = 0.0, y = 0.0;
    if (ParsePoint(line, &x, &y)) {
      xs.push_back(x);
      ys.push_back(y);
    } else if (n > 1 && line.find_first_not_of("\r ") != std::string::npos) {
      ShowStatus(("Profile file line " + std::to_string(n) + " damaged!").c_str());
      return -1;
    }
  }
  if (xs.size() < 2) {
    ShowStatus("No profile in the file!");
    return -1;
  }
  referenceX = std::move(xs);
  referenceY = std::move(ys);
  RedrawVideoGraph();
  ShowStatus("Video reference loaded!");
  return 0;
}

void ClearReferenceProfile() {
  referenceX.clear();
  referenceY.clear();
  RedrawVideoGraph();
}

int SaveVideoProfile(const char* path) {
  std::string text = kCsvHeader;
  for (int i = 0; i < kPoints; ++i) {
    char x[32];
    const auto end = std::to_chars(x, x + sizeof x, xArray[i]).ptr;  // reads back exactly
    text += std::string(x, end) + "," + std::to_string(adcbuf[i]) + "\r\n";
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return out.good() ? 0 : -1;
}

// KEEP REF. (main-panel control 46): the live profile becomes the reference.
int CC_BTNKeepReference(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    KeepReferenceProfile();
  } else if (event == EVENT_RIGHT_CLICK) {
    const CtrlPlace place = PlaceOnMainPanel(panel, control);
    ToggleHelpText(MAIN_HELP1, place.left - 200, place.top - 160,
                   "KEEP-REFERENCE-BUTTON:\nKeeps the actual video profile as\nreference, drawn in "
                   "grey beneath the live one.\nOn the video graph (click it first):\n"
                   "Ctrl+S: save graph, or profile as *.csv\nCtrl+O: load a profile as reference\n"
                   "Del: remove the reference");
  }
  return 0;
}

int CC_GRAPHDataDiagnostic(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  CC_GRAPHData(panel, control, event, callbackData, eventData1, eventData2);
  if (event != EVENT_KEYPRESS) return 0;
  if (IsCtrlKey(eventData1, eventData2, 'S'))
    SaveVideoGraphAsked();
  else if (IsCtrlKey(eventData1, eventData2, 'O'))
    LoadReferenceAsked();
  else if (eventData1 == VAL_FWD_DELETE_VKEY)
    ClearReferenceProfile();
  return 0;
}
