// Graphs saved as pictures: a click on a graph gives it the keys, and Ctrl+S asks for a
// file and saves the graph as PNG, PDF or SVG (by the file's ending), as shown.
#include "display/display.h"
#include "service/statistics.h"
#include "shell/status.h"

namespace {

const char kSaveTip[] = "Click the graph, then Ctrl+S: save it as PNG, PDF or SVG";
const char kVideoTip[] =
    "Click the graph, then Ctrl+S: save it as PNG, PDF or SVG, or the profile as CSV;\n"
    "Ctrl+O: load a saved profile as the grey reference; Del: remove the reference";

}  // namespace

bool IsCtrlKey(int key, int modifiers, char letter) {
  return key == letter && (modifiers & VAL_MENUKEY_MODIFIER) != 0;
}

int AskFileToSave(const char* types, char* path) {
  return FileSelectPopup(proj_dir, "GRAPH.png", types, "Save Graph:", VAL_OK_BUTTON, 0, 0, 1, 1,
                         path);
}

void ReportGraphSaved(int result) {
  if (result == 0)
    ShowStatus("Graph saved!");
  else if (result == UIEInvalidAttribute)
    ShowStatus("Graph files end in .png, .pdf or .svg!");
  else
    ShowStatus("Cannot write the graph file!");
}

bool SaveGraphOnKey(int panel, int control, int event, int key, int modifiers) {
  if (event != EVENT_KEYPRESS || !IsCtrlKey(key, modifiers, 'S')) return false;
  char path[PATH_LEN] = "";
  if (AskFileToSave("*.png;*.pdf;*.svg", path) != VAL_NO_FILE_SELECTED)
    ReportGraphSaved(SaveGraph(panel, control, path));
  return true;
}

int CC_GRAPHRawSaved(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2) {
  CC_GRAPHRaw(panel, control, event, callbackData, eventData1, eventData2);
  SaveGraphOnKey(panel, control, event, eventData1, eventData2);
  return 0;
}

int CC_GRAPHBarSaved(int panel, int control, int event, void*, int eventData1, int eventData2) {
  SaveGraphOnKey(panel, control, event, eventData1, eventData2);
  return 0;
}

void ShowGraphSaveTips() {
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_TOOLTIP_TEXT, kSaveTip);
  SetCtrlAttribute(pHandle, MAIN_BAR_GRAPH, ATTR_TOOLTIP_TEXT, kSaveTip);
  SetCtrlAttribute(pHandle, MAIN_VIDEO_GRAPH, ATTR_TOOLTIP_TEXT, kVideoTip);
  SetCtrlAttribute(pStats, STATS_HISTOGRAM, ATTR_TOOLTIP_TEXT, kSaveTip);
}
