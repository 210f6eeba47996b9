// Checks of the pop-ups a step of the program opened, with the texts it opened them with.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "shell/globals.h"

namespace popuptest {

struct FileDialog {
  std::string defaultFileSpec, fileTypeList, title;
  int buttonLabel;
};

// A file dialog in the program directory, any directory allowed, the extension
// restricted to the list, cancel and new folders allowed.
inline void ExpectFileDialog(const PopupShown& p, const FileDialog& want) {
  SCOPED_TRACE(want.title);
  EXPECT_EQ(p.kind, POPUP_FILE_SELECT);
  EXPECT_EQ(p.title, want.title);
  EXPECT_EQ(p.defaultDirectory, std::string(proj_dir));
  EXPECT_EQ(p.defaultFileSpec, want.defaultFileSpec);
  EXPECT_EQ(p.fileTypeList, want.fileTypeList);
  EXPECT_EQ(p.buttonLabel, want.buttonLabel);
  EXPECT_EQ(p.restrictDirectory, 0);
  EXPECT_EQ(p.restrictExtension, 1);
  EXPECT_EQ(p.allowCancel, 1);
  EXPECT_EQ(p.allowMakeDirectory, 1);
}

inline void ExpectConfirm(const PopupShown& p, const std::string& title,
                          const std::string& message) {
  EXPECT_EQ(p.kind, POPUP_CONFIRM);
  EXPECT_EQ(p.title, title);
  EXPECT_EQ(p.message, message);
}

}  // namespace popuptest
