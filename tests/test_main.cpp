// The test program: widget tests need a QApplication; without a screen they draw offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "engine/engine.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  InitCVIRTE(argc, argv);
  int result = RUN_ALL_TESTS();
  CloseCVIRTE();
  return result;
}
