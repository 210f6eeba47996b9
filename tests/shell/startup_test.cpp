// Start-up, the echo check and the port change against the simulated sensor.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "com232/com232.h"
#include "engine/engine.h"
#include "operations/operations.h"
#include "service/service.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "support/app_fixture.h"
#include "support/test_files.h"

namespace {

std::vector<std::pair<int, int>> CommandsAndArguments(const std::vector<sim::Frame>& frames) {
  std::vector<std::pair<int, int>> out;
  for (const auto& f : frames) out.emplace_back(f.command(), f.argument());
  return out;
}

std::string TextOf(int panel, int control) {
  char text[512] = "";
  GetCtrlVal(panel, control, text, sizeof text);
  return text;
}

int Attr(int panel, int control, int attribute) {
  int value = -1;
  GetCtrlAttribute(panel, control, attribute, &value);
  return value;
}

}  // namespace

class StartUpTest : public AppTest {};
using testing::StartsWith;

TEST_F(StartUpTest, IdentifiesTheSensorWithTheDesignedFrameSequence) {
  StartApp(sim::DefaultModel());
  const auto frames = sensor->Received();
  const std::vector<std::pair<int, int>> expected = {{5, 0}, {10, 0}, {2, 0}, {2, 1}, {7, 0}};
  EXPECT_EQ(CommandsAndArguments(frames), expected);

  // The echo frame carries half 0 of the default layout as read from the panels.
  ASSERT_FALSE(frames.empty());
  const sim::Frame& echo = frames[0];
  EXPECT_EQ(echo.word(0), 0x0055);
  const u16 panelDefaults[15] = {500, 1, 1, 1, 1, 1024, 512, 100, 1, 0, 0, 0, 0, 1, 40};
  for (int k = 0; k < 15; ++k) EXPECT_EQ(echo.data(k), panelDefaults[k]) << "data word " << k;

  // The firmware text ends the start-up in the status line.
  EXPECT_EQ(Status(), sim::DefaultModel().firmware);
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(stop_flag, 1);

  // Prepared panels: help boxes hidden with their place-holder texts, recorder off.
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 0);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1), "HELPTEXT1");
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP2), "HELPTEXT2");
  int recorder = -1;
  GetCtrlVal(pHandle, MAIN_RECORDER, &recorder);
  EXPECT_EQ(recorder, 0);
  EXPECT_EQ(std::string(rec_fname), dir + "/RECORD.DAT");
  EXPECT_EQ(TextOf(pPopup, REC_PATH), dir + "/RECORD.DAT");
  int left = 0, top = 0;
  GetPanelAttribute(pPara2, ATTR_LEFT, &left);
  GetPanelAttribute(pPara2, ATTR_TOP, &top);
  EXPECT_EQ(left, 8);
  EXPECT_EQ(top, 105);
}

TEST_F(StartUpTest, SilentSensorTimesOutAfterTheTimeOutAndThePanelsStayUsable) {
  const double t0 = Timer();
  StartAppSilent();
  const double elapsed = Timer() - t0;
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  EXPECT_GE(elapsed, 1.5);
  EXPECT_LT(elapsed, 3.0);
  // Only the echo frame went out; no identification was attempted.
  ASSERT_EQ(sensor->Received().size(), 1u);
  EXPECT_EQ(sensor->Received()[0].command(), CMD_ECHO);
  // The panels answer: a right click on the port list shows its help box.
  CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 1);
}

TEST_F(StartUpTest, PortThatCannotBeOpenedShowsTheErrorText) {
  SetPortDevice(1, "/nonexistent/ttyQROX", "missing");
  LoadPanelsOnly();
  ServiceStartUp();
  EXPECT_EQ(Status(), "Cannot open port");
  InitRS232(77);  // no device behind this number
  EXPECT_EQ(Status(), "Invalid port number");
}

TEST_F(StartUpTest, ReplyWithoutSyncWordFailsTheEchoCheck) {
  sim::Faults faults;
  faults.wrongSync = true;
  StartApp(sim::DefaultModel(), Unpaced(), faults);
  EXPECT_EQ(Status(), "read error - not sync byte 0xAA!");
  EXPECT_EQ(sensor->Received().size(), 1u);
}

TEST_F(StartUpTest, GarbageAndTruncatedRepliesNeverReachTheParameterSet) {
  // A D303 sensor whose RAM differs from the panel defaults in every word: any reply that
  // got decoded would show in the descriptor, in pp or in the parameter set.
  sim::SensorModel model = sim::D303Model();
  for (int k = 0; k < 15; ++k) model.ram[0][k] = static_cast<u16>(0x4100 + k);
  sim::Faults faults;
  faults.garbageBefore = 3;
  StartApp(model, Unpaced(), faults);
  // The first 36 bytes are garbage plus a cut reply: not a frame, so not decoded. pp still
  // holds the packet the echo frame carried, and the sensor was never identified.
  EXPECT_NE(Status(), "Echo Check - Line Ok!");
  ASSERT_EQ(sensor->Received().size(), 1u);
  const sim::Frame echo = sensor->Received()[0];
  for (int k = 0; k < 15; ++k) EXPECT_EQ(pp[k], echo.data(k)) << "pp word " << k;
  EXPECT_EQ(softversion, 0);
  EXPECT_EQ(hwtype, 37);

  // A line that delivers only part of each frame: the GET wait times out and the half of
  // the parameter set keeps its words; pp keeps the packet that went out.
  faults = {};
  faults.truncateTo = 20;
  sensor->SetFaults(faults);
  sensor->ClearReceived();
  u16 before[64];
  std::copy(parameter, parameter + 64, before);
  PushGET(RAM, 0);
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  ASSERT_EQ(sensor->Received().size(), 1u);
  const sim::Frame request = sensor->Received()[0];
  EXPECT_EQ(request.command(), CMD_GET_RAM);
  for (int k = 0; k < 15; ++k) EXPECT_EQ(pp[k], request.data(k)) << "pp word " << k;
  for (int i = 3; i < 64; ++i) EXPECT_EQ(parameter[i], before[i]) << "parameter word " << i;
}

// A sensor that does not answer the hardware request: the later reads run, but the
// failure is what the status line (and the trace) shows at the end of the start-up.
TEST_F(StartUpTest, FailedIdentificationStaysVisibleAfterStartUp) {
  const std::string trace = TempDir() + "/trace.log";
  SetTraceFile(trace);
  sim::Faults faults;
  faults.dropReplyNumber = 1;  // the hardware request, right after the echo
  StartApp(sim::DefaultModel(), Unpaced(), faults);
  SetTraceFile("");
  EXPECT_EQ(CommandsAndArguments(sensor->Received()),
            (std::vector<std::pair<int, int>>{{5, 0}, {10, 0}, {2, 0}, {2, 1}, {7, 0}}));
  EXPECT_EQ(Status(), "Error reading HARDWARE-info!");
  std::ifstream in(trace);
  std::string line, lastStatus;
  while (std::getline(in, line))
    if (line.find(" STATUS ") != std::string::npos) lastStatus = line;
  EXPECT_NE(lastStatus.find("STATUS Error reading HARDWARE-info!"), std::string::npos)
      << lastStatus;
}

// A reply 1.6 s late (just past the time-out) is not the answer to the next request, and
// a half that was not read stays visible at the end of the start-up.
TEST_F(StartUpTest, ALateOrMissingReplyNeverFillsAnotherHalf) {
  const struct {
    const char* what;
    int late, dropped;  // request numbers: 1 identification, 2 and 3 the halves
    bool read[2];
    const char* status;
  } cases[] = {{"late identification", 1, -1, {true, true}, "Error reading HARDWARE-info!"},
               {"late half 0", 2, -1, {false, true}, "Timeout-RS-232..."},
               {"no half 1", -1, 3, {true, false}, "Timeout-RS-232..."}};
  sim::SensorModel model = sim::DefaultModel();
  model.ram[0][5] = 1024;  // a window the pixels of a sensor not identified hold
  model.ram[0][6] = 512;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Faults faults;
    faults.onlyReplyNumber = c.late;
    faults.replyDelay = c.late >= 0 ? 1.6 : 0.0;
    faults.dropReplyNumber = c.dropped;
    StartApp(model, Paced(), faults);
    EXPECT_EQ(Status(), c.status);
    for (u16 half : {0, 1}) {
      CopyVarsToPP(half);
      // Not read: the start values as the echo frame carried them (half 0), and a note.
      for (int k = 0; k < 15 && (c.read[half] || half == 0); ++k)
        EXPECT_EQ(pp[k], c.read[half] ? model.ram[half][k] : sensor->Received()[0].data(k)) << k;
      if (!c.read[half]) {
        EXPECT_THAT(TextOf(pHandle, MAIN_HELP2),
                    StartsWith("Parameter half " + std::to_string(half)));
      }
    }
    TearDown();
  }
}

TEST_F(StartUpTest, ExtraBytesAfterAReplyAreDiscarded) {
  sim::Faults faults;
  faults.extraAfter = 7;
  StartApp(sim::D303Model(), Unpaced(), faults);
  EXPECT_EQ(softversion, 305);
  EXPECT_EQ(sensor->Received().size(), 5u);
  // 72 text bytes plus the extra ones: read, not shown, no error.
  EXPECT_EQ(Status(), "Parameter-frame received! - Line Ok!");
}

TEST_F(StartUpTest, PortChangeClosesTheOldPortAndIdentifiesTheNewSensor) {
  StartApp(sim::DefaultModel());
  sim::SimHost second(sim::D303Model(), Unpaced());
  SetPortDevice(2, second.SlavePath(), "second sensor");
  SetCtrlVal(pHandle, MAIN_COMPORT, 2);
  stop_flag = 0;  // as if RUN were active: the change must end it
  sensor->ClearReceived();
  CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_COMMIT);
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(com, 2);
  EXPECT_TRUE(sensor->Received().empty());
  EXPECT_EQ(CommandsAndArguments(second.Received()),
            (std::vector<std::pair<int, int>>{{5, 0}, {10, 0}, {2, 0}, {2, 1}, {7, 0}}));
  EXPECT_EQ(softversion, 305);
  SetPortDevice(2, "", "");  // the second sensor goes away with this test
}

TEST_F(StartUpTest, UnpluggedLineEndsInATimeOutWithoutHanging) {
  StartApp(sim::DefaultModel());
  sensor->Unplug();
  const double t0 = Timer();
  EXPECT_EQ(CheckComLine(com), 0);
  EXPECT_LT(Timer() - t0, 3.0);
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  EXPECT_EQ(WaitRxFull(), 0);
}

// Whether process `pid` holds a pseudo-terminal master open (the built-in simulated
// sensor's line).
bool HoldsPtyMaster(pid_t pid) {
  const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
  std::error_code ec;
  for (const auto& fd : std::filesystem::directory_iterator(fds, ec)) {
    const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (target.find("ptmx") != std::string::npos) return true;
  }
  return false;
}

// Runs the program with `port` until its trace shows the end of the start-up; returns
// whether it held a pseudo-terminal master then, and the trace.
std::pair<bool, std::string> StartProgram(const std::string& port) {
  const std::string trace = TempDir() + "/trace.log";
  const std::string binary = std::string(QROX_BINARY_DIR) + "/qrox";
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (int fd = 3; fd < 1024; ++fd) close(fd);  // none of the test's own lines
    execl(binary.c_str(), binary.c_str(), "--port", port.c_str(), "--log", trace.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string text;
  const double end = Timer() + 20.0;
  while (Timer() < end && text.find("Waiting for firmware info") == std::string::npos) {
    SleepMs(50);
    std::ifstream in(trace);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  SleepMs(300);
  const bool pty = HoldsPtyMaster(pid);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return {pty, text};
}

// The built-in simulated sensor runs only when it is chosen: with --port sim it answers
// the start-up, with a real device it is offered but not started.
TEST(ProgramBinary, SimulatedSensorStartsOnlyWhenChosen) {
  sim::SimHost::Options unpaced;
  unpaced.pacing = false;
  sim::SimHost sensor(sim::DefaultModel(), unpaced);
  const auto [ptyWithDevice, traceWithDevice] = StartProgram(sensor.SlavePath());
  EXPECT_NE(traceWithDevice.find("Echo Check - Line Ok!"), std::string::npos);
  EXPECT_FALSE(ptyWithDevice);
  EXPECT_GE(sensor.Received().size(), 4u);

  const auto [ptyWithSim, traceWithSim] = StartProgram("sim");
  EXPECT_NE(traceWithSim.find("Echo Check - Line Ok!"), std::string::npos);
  EXPECT_TRUE(ptyWithSim);
}

TEST(ProgramBinary, MissingResourceFileExitsWithMinusOne) {
  const std::filesystem::path tmp = TempDir();
  std::filesystem::copy_file(std::string(QROX_BINARY_DIR) + "/qrox", tmp / "qrox",
                             std::filesystem::copy_options::overwrite_existing);
  const std::string cmd = "QT_QPA_PLATFORM=offscreen " + (tmp / "qrox").string() + " 2>/dev/null";
  const int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 255);

  const std::string version = std::string(QROX_BINARY_DIR) + "/qrox --version > /dev/null";
  EXPECT_EQ(std::system(version.c_str()), 0);
}
