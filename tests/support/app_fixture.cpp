#include "support/app_fixture.h"

#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "shell/globals.h"
#include "shell/shell.h"

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
  char tmpl[] = "/tmp/qrox-test-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  dir = tmpl;
  SetProjectDir(dir);
  SetProgramDir(dir);
  const std::string uir = std::string(QROX_RESOURCE_DIR) + "/" + UIR_FILE;
  ASSERT_EQ(LoadAllPanels(uir.c_str()), 0) << "cannot load " << uir;
  InstallCallbacks();
}

void AppTest::StartApp(const sim::SensorModel& model, sim::SimHost::Options options,
                       const sim::Faults& faults) {
  sensor = std::make_unique<sim::SimHost>(model, options);
  sensor->SetFaults(faults);
  SetPortDevice(1, sensor->SlavePath(), "Simulated sensor");
  LoadPanelsOnly();
  StartUp();
}

void AppTest::StartAppSilent() {
  sim::Faults faults;
  faults.silent = true;
  StartApp(sim::DefaultModel(), Unpaced(), faults);
}

void AppTest::TearDown() {
  if (pHandle > 0) ShutDown();
  pHandle = pPopup = pPara1 = pPara2 = pCalib = pCompare = 0;
  sensor.reset();
  SetProjectDir("");
  SetProgramDir("");
  if (!dir.empty()) std::filesystem::remove_all(dir);
}

std::string AppTest::Status() {
  char text[512] = "";
  GetCtrlVal(pHandle, MAIN_STATUS, text, sizeof text);
  return text;
}

void AppTest::StopWhen(std::function<bool()> condition) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, condition]() {
    if (!condition()) return;
    timer->stop();
    timer->deleteLater();
    CallCtrlCallback(pHandle, MAIN_STOP, EVENT_COMMIT);
  });
  timer->start();
}

std::string AppTest::PathIn(const std::string& name) const {
  return dir + "/" + name;
}
