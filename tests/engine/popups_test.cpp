// Pop-ups answered from the queue, and without a screen and no answer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine.h"

namespace {

TEST(EnginePopups, QueuedAnswersAreTakenInOrder) {
  ASSERT_EQ(PendingPopupAnswers(), 0);
  QueueConfirmAnswer(1);
  QueueConfirmAnswer(0);
  QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, "/tmp/RECORD.DAT");
  QueueFileSelectAnswer(VAL_NO_FILE_SELECTED, "");
  EXPECT_EQ(PendingPopupAnswers(), 4);
  EXPECT_EQ(ConfirmPopup("Recorder", "Delete the file?"), 1);
  EXPECT_EQ(ConfirmPopup("Recorder", "Delete the file?"), 0);
  char path[260] = "old";
  EXPECT_EQ(FileSelectPopup("/tmp", "RECORD.DAT", "*.DAT", "Recorder file", VAL_OK_BUTTON, 0, 1, 1,
                            1, path),
            VAL_NEW_FILE_SELECTED);
  EXPECT_STREQ(path, "/tmp/RECORD.DAT");
  EXPECT_EQ(FileSelectPopup("/tmp", "RECORD.DAT", "*.DAT", "Recorder file", VAL_OK_BUTTON, 0, 1, 1,
                            1, path),
            VAL_NO_FILE_SELECTED);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(PendingPopupAnswers(), 0);
}

TEST(EnginePopups, EveryPopupIsRecordedWithItsTexts) {
  TakeShownPopups();
  QueueConfirmAnswer(1);
  QueueFileSelectAnswer(VAL_NO_FILE_SELECTED, "");
  ConfirmPopup("Title", "Question?");
  char path[260];
  FileSelectPopup("/dir", "NAME.DAT", "*.dat", "Choose", VAL_LOAD_BUTTON, 1, 0, 1, 0, path);
  const auto shown = TakeShownPopups();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].kind, POPUP_CONFIRM);
  EXPECT_EQ(shown[0].title, "Title");
  EXPECT_EQ(shown[0].message, "Question?");
  EXPECT_EQ(shown[1].kind, POPUP_FILE_SELECT);
  EXPECT_EQ(shown[1].title, "Choose");
  EXPECT_EQ(shown[1].defaultDirectory, "/dir");
  EXPECT_EQ(shown[1].defaultFileSpec, "NAME.DAT");
  EXPECT_EQ(shown[1].fileTypeList, "*.dat");
  EXPECT_EQ(shown[1].buttonLabel, VAL_LOAD_BUTTON);
  EXPECT_EQ(shown[1].restrictDirectory, 1);
  EXPECT_EQ(shown[1].restrictExtension, 0);
  EXPECT_EQ(shown[1].allowCancel, 1);
  EXPECT_EQ(shown[1].allowMakeDirectory, 0);
  EXPECT_TRUE(TakeShownPopups().empty());  // taken once
  // Only the most recent ones are kept.
  for (int i = 0; i < 100; ++i) {
    QueueConfirmAnswer(0);
    ConfirmPopup(std::to_string(i).c_str(), "q");
  }
  const auto kept = TakeShownPopups();
  ASSERT_EQ(kept.size(), 64u);
  EXPECT_EQ(kept.back().title, "99");
}

TEST(EnginePopups, TooLongPathIsNotCut) {
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, "/" + std::string(300, 'a'));
  char path[260];
  EXPECT_EQ(FileSelectPopup("", "", "*.cfg", "t", VAL_LOAD_BUTTON, 0, 1, 1, 1, path),
            VAL_NO_FILE_SELECTED);
  EXPECT_STREQ(path, "");
}

TEST(EnginePopups, NoScreenAndNoAnswerMeansCancel) {
  if (std::strcmp(std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "",
                  "offscreen") != 0)
    GTEST_SKIP() << "needs the offscreen platform";
  EXPECT_EQ(ConfirmPopup("t", "q"), 0);
  char path[260] = "x";
  EXPECT_EQ(FileSelectPopup("/tmp", "a.cfg", "*.cfg", "t", VAL_LOAD_BUTTON, 0, 1, 1, 1, path),
            VAL_NO_FILE_SELECTED);
  EXPECT_STREQ(path, "");
}

}  // namespace
