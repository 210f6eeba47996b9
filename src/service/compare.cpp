// Compare: the 30 words of the parameter set as the sensor's RAM and EEPROM hold them and,
// if chosen, as a parameter file holds them, side by side on the compare panel, with the
// names the panels give the words in the connected sensor's layout. Rows whose values
// differ are shown red. The reads go to buffers of their own: the parameter set being
// edited and the panels stay as they are.
#include <cstdio>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "service/service.h"
#include "shell/colors.h"
#include "shell/status.h"

namespace {

const char kCompareHelp[] =
    "COMPARE-BUTTON:\nCompare the parameter-frames in RAM,\nEEPROM and a parameter-file "
    "side by side.\nCancel the file dialog to compare\nRAM and EEPROM only.";

// Columns of the compare table.
enum { COL_NUMBER = 1, COL_NAME, COL_RAM, COL_EEPROM, COL_FILE };

// One source of the compare: its words and which halves of them are known.
struct Source {
  u16 words[SET_WORDS] = {};
  int got[2] = {0, 0};
  bool chosen = false;
  bool Has(int index) const { return chosen && got[index / 15]; }
};

}  // namespace

// Name of word `index` (0..29) in `layout`: the panel label of its control, the slope and
// offset halves, or the settings of half 1 that no panel shows.
void WordName(Layout layout, int index, char* name, int size) {
  char label[64] = "";
  if (index < 15) {
    if (SlotLabel(layout, index, label, sizeof label) == 0)
      std::snprintf(name, size, "(NOT USED)");
    else
      std::snprintf(name, size, "%s", label);
  } else if (index < 26) {
    std::snprintf(name, size, "SENSOR-DATA %d", index - 14);
  } else {
    const int control = index < 28 ? CALIB_SLOPE : CALIB_OFFSET;
    GetCtrlAttribute(pCalib, control, ATTR_LABEL_TEXT, label, sizeof label);
    std::snprintf(name, size, "%s %s", label, index % 2 == 0 ? "LOW" : "HIGH");
  }
}

namespace {

// The value cell of a source: the word, "---" for a half not read, empty without a file.
void ShowValue(int row, int column, const Source& source, bool differs) {
  char text[16] = "";
  const int index = row - 1;
  if (source.Has(index))
    std::snprintf(text, sizeof text, "%u", source.words[index]);
  else if (source.chosen)
    std::snprintf(text, sizeof text, "---");
  SetTableCellVal(pCompare, COMPARE_TABLE, row, column, text);
  SetTableCellAttribute(pCompare, COMPARE_TABLE, row, column, ATTR_TEXT_BGCOLOR,
                        differs ? COLOR_RED : COLOR_WHITE);
  SetTableCellAttribute(pCompare, COMPARE_TABLE, row, column, ATTR_TEXT_COLOR,
                        differs ? COLOR_WHITE : COLOR_BLACK);
  SetTableCellAttribute(pCompare, COMPARE_TABLE, row, column, ATTR_TEXT_BOLD, differs ? 1 : 0);
}

// A word differs when two of the values known for it are not equal.
bool Differs(int index, const Source* sources[3]) {
  bool have = false;
  u16 first = 0;
  for (int k = 0; k < 3; ++k) {
    if (!sources[k]->Has(index)) continue;
    if (have && sources[k]->words[index] != first) return true;
    first = sources[k]->words[index];
    have = true;
  }
  return false;
}

// Fills the table; returns the number of differing words.
int FillTable(const Source& ram, const Source& eeprom, const Source& file) {
  const Source* sources[3] = {&ram, &eeprom, &file};
  DeleteTableRows(pCompare, COMPARE_TABLE, 1, -1);
  InsertTableRows(pCompare, COMPARE_TABLE, -1, SET_WORDS);
  int differing = 0;
  for (int index = 0; index < SET_WORDS; ++index) {
    const int row = index + 1;
    const bool differs = Differs(index, sources);
    if (differs) ++differing;
    char text[64];
    std::snprintf(text, sizeof text, "%d", row);
    SetTableCellVal(pCompare, COMPARE_TABLE, row, COL_NUMBER, text);
    WordName(LiveLayout(), index, text, sizeof text);
    SetTableCellVal(pCompare, COMPARE_TABLE, row, COL_NAME, text);
    ShowValue(row, COL_RAM, ram, differs);
    ShowValue(row, COL_EEPROM, eeprom, differs);
    ShowValue(row, COL_FILE, file, differs);
  }
  return differing;
}

// The halves that did not come, for the result text ("EEPROM half 1").
void MissingHalves(const Source& ram, const Source& eeprom, char* text, int size) {
  text[0] = '\0';
  const struct {
    const Source* source;
    const char* name;
  } all[] = {{&ram, "RAM"}, {&eeprom, "EEPROM"}};
  for (const auto& s : all)
    for (int half = 0; half < 2; ++half)
      if (!s.source->got[half]) {
        const size_t used = std::strlen(text);
        std::snprintf(text + used, size - used, "%s%s half %d", used ? ", " : "", s.name, half);
      }
}

void ShowResult(const char* text, int color) {
  ResetTextBox(pCompare, COMPARE_RESULT, text);
  SetCtrlAttribute(pCompare, COMPARE_RESULT, ATTR_TEXT_BGCOLOR, color);
  ShowStatus(text);
}

// The sources of the last compare.
Source ram, eeprom, file;

}  // namespace

const char* LayoutName(Layout layout) {
  switch (layout) {
    case LAYOUT_D303:
      return "D303";
    case LAYOUT_MX400:
      return "MX400";
    default:
      return "DEFAULT";
  }
}

std::string ParameterWordName(int index) {
  char name[64];
  WordName(LiveLayout(), index, name, sizeof name);
  return name;
}

int FileDiffersFrom(u16 source) {
  const Source& memory = source == EEPROM ? eeprom : ram;
  if (!file.Has(0) || !memory.Has(0) || !memory.Has(15)) return -1;
  char list[8];
  return DifferingWords(file.words, memory.words, list, sizeof list);
}

int CompareParameterSets(const char* path) {
  ram = eeprom = file = Source{};
  ram.chosen = eeprom.chosen = true;
  file.chosen = path && path[0];
  ResetTextBox(pCompare, COMPARE_RESULT, "COMPARE: reading RAM and EEPROM ...");
  SetCtrlVal(pCompare, COMPARE_PATH, file.chosen ? path : "");

  int fileResult = 0;
  if (file.chosen) {
    fileResult = ReadParaWords(path, file.words);
    file.got[0] = file.got[1] = fileResult == 0;
  }
  ReadSet(static_cast<u16>(RAM), ram.words, ram.got);
  Delay(0.1);
  ReadSet(static_cast<u16>(EEPROM), eeprom.words, eeprom.got);
  const int differing = FillTable(ram, eeprom, file);

  char missing[64];
  MissingHalves(ram, eeprom, missing, sizeof missing);
  char text[160];
  int result = COMPARE_SAME;
  if (fileResult != 0) {
    std::snprintf(text, sizeof text, "COMPARE: parameter-file not readable!%s%s",
                  missing[0] ? " Timeout-RS-232... " : "", missing);
    result = COMPARE_FILE_ERROR;
  } else if (missing[0]) {
    std::snprintf(text, sizeof text, "COMPARE: Timeout-RS-232... not read: %s", missing);
    result = COMPARE_NO_REPLY;
  } else if (differing > 0) {
    std::snprintf(text, sizeof text, "COMPARE (%s layout): %d of 30 words differ!",
                  LayoutName(LiveLayout()), differing);
    result = COMPARE_DIFFERENT;
  } else {
    std::snprintf(text, sizeof text, "COMPARE (%s layout): all 30 words agree.",
                  LayoutName(LiveLayout()));
  }
  ShowResult(text, result == COMPARE_SAME ? COLOR_LIGHT_GREY : COLOR_RED);
  return result;
}

int CC_BTNCompare(int, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    char path[PATH_LEN] = "";
    if (FileSelectPopup(proj_dir, "REZOraru.cfg", "*.cfg", "Q-ROX-MX-Series-Parameter-File",
                        VAL_LOAD_BUTTON, 0, 1, 1, 1, path) <= 0)
      path[0] = '\0';
    CompareParameterSets(path);
    DisplayPanel(pCompare);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(pHandle, MAIN_COMPARE, MAIN_HELP1, 20, -20, kCompareHelp);
  }
  return 0;
}

int CC_BTNCompareClose(int, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) HidePanel(pCompare);
  return 0;
}

int CC_COMPARE(int panel, int event, void*, int, int) {
  if (event == EVENT_CLOSE) HidePanel(panel);
  return 0;
}
