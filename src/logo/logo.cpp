// Information area of the main panel: the coloured field across the top with the maker's
// logo, the maker's contact lines, the program name and the program version. The texts are
// text messages created at run time; nothing refers to them after creation.
#include "logo/logo.h"

#include "engine/engine.h"
#include "shell/colors.h"
#include "shell/globals.h"

namespace {

constexpr char kLogoFile[] = "zx.bmp";
constexpr char kAppFont[] = "NIApp";  // the engine's application font

// The contact lines share the width left of the logo (left 15 to 300).
constexpr char kCompanyLine[] = "Q-ROX Sensortechnik GmbH";
constexpr char kPhoneLine[] = "Tel. +49 (0)761 555 20 30";
constexpr char kWebLine[] = "www.q-rox-sensors.example";

}  // namespace

void ShowInfoText(int /*unused*/, int background, int color, const char* text, int left, int top,
                  int pointSize) {
  const int ctrl = NewCtrl(pHandle, CTRL_TEXT_MSG, "", top, left);
  if (ctrl <= 0) return;  // no main panel: there is nothing to write into
  SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_FONT, kAppFont);
  SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_BGCOLOR, background);
  SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_COLOR, color);
  SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_POINT_SIZE, pointSize);
  SetCtrlVal(pHandle, ctrl, text ? text : "");
}

void ShowLogo(int mode) {
  if (mode != 2) return;

  SetCtrlAttribute(pHandle, MAIN_INFO_FIELD, ATTR_FRAME_COLOR, COLOR_INFO_BLUE);

  // The bitmap is one of the program's own files, beside the program or in its data
  // directory. A missing file leaves the picture empty; that is no error worth a message.
  SetCtrlAttribute(pHandle, MAIN_LOGO, ATTR_TOP, 10);
  SetCtrlAttribute(pHandle, MAIN_LOGO, ATTR_LEFT, 300);
  char path[PATH_LEN] = "";
  FindProgramFile(kLogoFile, path);
  DisplayImageFile(pHandle, MAIN_LOGO, path);

  ShowInfoText(0, COLOR_INFO_BLUE, COLOR_WHITE, kCompanyLine, 15, 10, 11);
  ShowInfoText(0, COLOR_INFO_BLUE, COLOR_WHITE, kPhoneLine, 15, 25, 11);
  ShowInfoText(0, COLOR_INFO_BLUE, COLOR_WHITE, kWebLine, 15, 40, 11);
  ShowInfoText(0, COLOR_INFO_BLUE, COLOR_WHITE, szSoftName, 300, 35, 18);
  ShowInfoText(0, COLOR_INFO_BLUE, COLOR_WHITE, szSoftVersion, 450, 40, 11);
}
