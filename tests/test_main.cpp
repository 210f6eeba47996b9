// The test program: widget tests need a QApplication; without a screen they draw offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "shell/globals.h"
#include "support/test_files.h"

namespace {

// Every test starts from the program's load-time state and with no pop-up answers queued,
// whatever ran before it: the suite passes in any order.
class FreshStateForEveryTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& /*test*/) override {
    ResetApplicationState();
    ClearPopupAnswers();
    ClearFixedDateTime();
  }
  void OnTestEnd(const ::testing::TestInfo& /*test*/) override { RemoveTempDirs(); }
};

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The user's data directory (the journal's default place) of this run and the programs
  // it starts.
  char data[] = "/tmp/qrox-tests-data-XXXXXX";
  if (mkdtemp(data)) setenv("XDG_DATA_HOME", data, 1);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateForEveryTest);
  QApplication app(argc, argv);
  InitCVIRTE(argc, argv);
  int result = RUN_ALL_TESTS();
  CloseCVIRTE();
  std::filesystem::remove_all(data);
  return result;
}
