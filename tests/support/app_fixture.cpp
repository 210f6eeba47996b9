#include "support/app_fixture.h"

#include <fstream>

#include "com232/com232.h"
#include "engine/engine.h"
#include "service/service.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "support/events.h"
#include "support/test_files.h"

sim::SimHost::Options AppTest::Unpaced() {
  sim::SimHost::Options o;
  o.pacing = false;
  o.turnaround = 0.0;
  return o;
}

sim::SimHost::Options AppTest::Paced() {
  return sim::SimHost::Options{};
}

void AppTest::LoadPanelsOnly() {
  ResetApplicationState();
  dir = TempDir();
  SetProjectDir(dir);
  SetProgramDir(dir);
  const std::string uir = std::string(QROX_RESOURCE_DIR) + "/" + UIR_FILE;
  ASSERT_EQ(ServiceLoadPanels(uir.c_str()), 0) << "cannot load " << uir;
  ServiceInstallCallbacks();
}

void AppTest::StartApp(const sim::SensorModel& model, sim::SimHost::Options options,
                       const sim::Faults& faults) {
  sensor = std::make_unique<sim::SimHost>(model, options);
  requestsBeforeStart_ = GetLinkHealth().exchanges;
  sensor->SetFaults(faults);
  // A sensor with a link path is known by it, as an adapter by its by-id name.
  const std::string device = options.linkPath.empty() ? sensor->SlavePath() : sensor->LinkPath();
  SetPortDevice(1, device, "Simulated sensor");
  LoadPanelsOnly();
  ServiceStartUp();
}

void AppTest::Start(const sim::SensorModel& model, const sim::Faults& faults) {
  StartApp(model, Unpaced(), faults);
  sensor->ClearReceived();
  requestsBeforeStart_ = GetLinkHealth().exchanges;
}

void AppTest::StartAppSilent() {
  sim::Faults faults;
  faults.silent = true;
  StartApp(sim::DefaultModel(), Unpaced(), faults);
}

void AppTest::TearDown() {
  if (pHandle > 0) ServiceShutDown();
  SetTraceFile("");
  ResetApplicationState();
  EXPECT_EQ(PendingPopupAnswers(), 0) << "answers queued for pop-ups that never opened";
  ClearPopupAnswers();
  ClearFixedDateTime();
  sensor.reset();
  SetProjectDir("");
  SetProgramDir("");
}

std::string AppTest::Status() {
  char text[512] = "";
  GetCtrlVal(pHandle, MAIN_STATUS, text, sizeof text);
  return text;
}

void AppTest::StopWhen(std::function<bool()> condition) {
  DoWhen(std::move(condition), [] { CallCtrlCallback(pHandle, MAIN_STOP, EVENT_COMMIT); });
}

size_t AppTest::NextRequestNumber() {
  const auto written = static_cast<size_t>(GetLinkHealth().exchanges - requestsBeforeStart_);
  WaitUntil([&] { return sensor->Received().size() >= written; }, 2.0);
  return sensor->Received().size();
}

std::string AppTest::PathIn(const std::string& name) const {
  return dir + "/" + name;
}

void AppTest::TraceStatus() {
  SetTraceFile(PathIn("trace.log"));
}

std::vector<std::string> AppTest::TracedStatus() const {
  std::vector<std::string> texts;
  std::ifstream in(PathIn("trace.log"));
  const std::string marker = " STATUS ";
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find(marker);
    if (at != std::string::npos) texts.push_back(line.substr(at + marker.size()));
  }
  return texts;
}
