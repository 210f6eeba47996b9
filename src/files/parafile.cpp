// The parameter file: the 30 data words of the two parameter frames as decimal text,
// one number per line in a six-character field, CR LF line ends.
#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "shell/status.h"

namespace {
constexpr int FIELD_WIDTH = 6;
ParaFileWatcher paraFileWatcher = nullptr;
}  // namespace

void WatchParaFileWrites(ParaFileWatcher watcher) {
  paraFileWatcher = watcher;
}

void SendParaToFile() {
  SendParaToPath(file_name);
}

int SendParaToPath(const char* path) {
  GetPanelValuesLive();

  u16 set[SET_WORDS];
  CopyVarsToWords(set);
  u32 words[SET_WORDS];
  for (int i = 0; i < SET_WORDS; ++i) words[i] = set[i];

  const bool allowed = !paraFileWatcher || paraFileWatcher(path, nullptr, 0) != 0;
  const int result = allowed ? ArrayToFile(path, words, VAL_UNSIGNED_INTEGER, SET_WORDS, 1,
                                           VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS,
                                           VAL_CONST_WIDTH, FIELD_WIDTH, VAL_ASCII, VAL_TRUNCATE)
                             : kFileWriteError;
  if (allowed && paraFileWatcher) paraFileWatcher(path, set, result);
  if (result < 0) {
    SetStatus("Error writing parameter-file!");
    ShowStatusBuffer();
  }
  return result;
}

int ReadParaWords(const char* path, u16 words[SET_WORDS]) {
  u32 numbers[SET_WORDS];
  const int result = FileToArray(path, numbers, VAL_UNSIGNED_INTEGER, SET_WORDS, 1,
                                 VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_ASCII);
  if (result != 0) return result < 0 ? result : kFileReadError;
  for (int i = 0; i < SET_WORDS; ++i) words[i] = static_cast<u16>(numbers[i] & 0xFFFF);
  return 0;
}

void ReadParaFromFile() {
  if (FileSelectPopup(proj_dir, "REZOraru.cfg", "*.cfg", "Q-ROX-MX-Series-Parameter-File",
                      VAL_LOAD_BUTTON, 0, 1, 1, 1, file_name) <= 0)
    return;
  ReadParaFromPath(file_name);
}

int ReadParaFromPath(const char* path) {
  u16 words[SET_WORDS];
  const int result = ReadParaWords(path, words);
  if (result != 0) {
    // Unreadable file, non-numeric text or fewer than 30 numbers: the set stays as it is.
    SetStatus("Error reading parameter-file!");
    ShowStatusBuffer();
    return result;
  }
  CopyWordsToVars(words);
  SetStatus("Parameter-file loaded!");  // GET shows it (no earlier error stays standing)
  return 0;
}
