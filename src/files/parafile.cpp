// The parameter file: the 30 data words of the two parameter frames as decimal text,
// one number per line in a six-character field, CR LF line ends.
#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "gui/gui.h"
#include "shell/status.h"

namespace {
constexpr int FILE_WORDS = 30;
constexpr int FIELD_WIDTH = 6;
}  // namespace

void SendParaToFile() {
  GetPanelValuesLive();

  u32 words[FILE_WORDS];
  CopyVarsToPP(0);
  for (int i = 0; i < 15; ++i) words[i] = pp[i];
  CopyVarsToPP(1);
  for (int i = 0; i < 15; ++i) words[15 + i] = pp[i];

  const int result =
      ArrayToFile(file_name, words, VAL_UNSIGNED_INTEGER, FILE_WORDS, 1, VAL_GROUPS_TOGETHER,
                  VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, FIELD_WIDTH, VAL_ASCII, VAL_TRUNCATE);
  if (result < 0) {
    SetStatus("Error writing parameter-file!");
    ShowStatusBuffer();
  }
}

void ReadParaFromFile() {
  if (FileSelectPopup(proj_dir, "REZOraru.cfg", "*.cfg", "Q-ROX-MX-Series-Parameter-File",
                      VAL_LOAD_BUTTON, 0, 1, 1, 1, file_name) <= 0)
    return;

  u32 words[FILE_WORDS];
  const int result = FileToArray(file_name, words, VAL_UNSIGNED_INTEGER, FILE_WORDS, 1,
                                 VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_ASCII);
  if (result != 0) {
    // Unreadable file, non-numeric text or fewer than 30 numbers: the set stays as it is.
    SetStatus("Error reading parameter-file!");
    ShowStatusBuffer();
    return;
  }

  for (int i = 0; i < 15; ++i) pp[i] = static_cast<u16>(words[i] & 0xFFFF);
  CopyPPtoVars(0);
  for (int i = 0; i < 15; ++i) pp[i] = static_cast<u16>(words[15 + i] & 0xFFFF);
  CopyPPtoVars(1);
}
