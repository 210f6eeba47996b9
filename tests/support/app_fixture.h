// Runs the real program (resource file, panels, callbacks, start-up) against a simulated
// sensor on a pseudo-terminal, offscreen.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim.h"

class AppTest : public ::testing::Test {
 protected:
  static sim::SimHost::Options Unpaced();
  static sim::SimHost::Options Paced();

  // Starts a simulated sensor (with `faults` already in force), maps port 1 to it, makes a
  // fresh temporary directory the program directory, loads the panels, installs the
  // callbacks and runs the start-up sequence, from the program's load-time state: every
  // test starts as if it were the first of the process.
  void StartApp(const sim::SensorModel& model, sim::SimHost::Options options = Unpaced(),
                const sim::Faults& faults = {});
  // The start of most tests: StartApp unpaced with `faults`, after which the sensor forgets
  // the start-up's frames: what it received is the test's own.
  void Start(const sim::SensorModel& model = sim::DefaultModel(), const sim::Faults& faults = {});
  // Start-up with a sensor that never answers.
  void StartAppSilent();
  // Loads the panels and installs the callbacks only (no start-up).
  void LoadPanelsOnly();
  void TearDown() override;

  // Text of the status line.
  static std::string Status();
  // Presses STOP (commit of the STOP button) as soon as `condition` holds (DoWhen).
  void StopWhen(std::function<bool()> condition);
  // From now on every status-line text is traced; TracedStatus() returns them in order.
  void TraceStatus();
  std::vector<std::string> TracedStatus() const;
  // The number the sensor gives the program's next request: waits (processing events, 2 s
  // at most) until the sensor has received every frame the program wrote, as a loop ended
  // by STOP leaves its last request on the line.
  size_t NextRequestNumber();
  // Path of a file in the program directory.
  std::string PathIn(const std::string& name) const;

  std::unique_ptr<sim::SimHost> sensor;
  std::string dir;

 private:
  long requestsBeforeStart_ = 0;  // requests the program had written before the sensor was made
};
