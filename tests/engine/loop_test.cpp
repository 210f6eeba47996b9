// The event loop, waiting and time.
#include <gtest/gtest.h>

#include <QTimer>

#include "engine/engine.h"
#include "engine/engine_fixture.h"

namespace {

TEST(EngineLoop, RunUserInterfaceEndsWithQuitUserInterface) {
  QTimer::singleShot(20, [] { QuitUserInterface(3); });
  double t0 = Timer();
  int code = RunUserInterface();
  // A quit left over from an earlier test (a panel closed outside the loop) ends the first
  // run at once; the timer's quit ends the second.
  if (code != 3) code = RunUserInterface();
  EXPECT_EQ(code, 3);
  EXPECT_LT(Timer() - t0, 2.0);
  // Quit asked for before the loop runs (a callback during start-up): the loop ends at once.
  QuitUserInterface(0);
  t0 = Timer();
  EXPECT_EQ(RunUserInterface(), 0);
  EXPECT_LT(Timer() - t0, 0.5);
}

TEST(EngineLoop, ProcessSystemEventsRunsTimersAndDelayDoesNot) {
  int fired = 0;
  QTimer::singleShot(0, [&] { ++fired; });
  Delay(0.05);
  EXPECT_EQ(fired, 0);  // a plain sleep delivers nothing
  ProcessSystemEvents();
  EXPECT_EQ(fired, 1);
}

TEST(EngineLoop, TimerIsMonotonicSecondsAndDelayWaits) {
  double t0 = Timer();
  Delay(0.1);
  double waited = Timer() - t0;
  EXPECT_GE(waited, 0.099);
  EXPECT_LT(waited, 0.5);
  t0 = Timer();
  SleepMs(0);
  SleepMs(5);
  EXPECT_GE(Timer() - t0, 0.004);
  EXPECT_EQ(InitCVIRTE(0, nullptr), 1);  // the application object exists already
}

}  // namespace
