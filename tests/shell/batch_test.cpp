// Batch mode: the program run from the command line against a simulated sensor on a
// pseudo-terminal. The files it writes are compared byte for byte with those the buttons
// write, the frames with those the buttons send, and the exit codes are checked for
// success, differences, a silent sensor and unreadable files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"

using namespace identtest;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Outcome {
  int exit = -1;
  std::string out, err;
};

class BatchTest : public AppTest {
 protected:
  // Runs the program with `args` on the sensor `host` (port 1), output captured.
  Outcome Qrox(const std::string& args, const sim::SimHost* host = nullptr) {
    const std::string port = host ? " --port " + host->SlavePath() : "";
    const std::string command = std::string(QROX_BINARY_DIR) + "/qrox" + port + " " + args + " >" +
                                PathIn("out.txt") + " 2>" + PathIn("err.txt");
    Outcome r;
    const int status = std::system(command.c_str());
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(PathIn("out.txt"));
    r.err = ReadFile(PathIn("err.txt"));
    return r;
  }

  // A directory of its own for the files of each test (StartApp makes a new one).
  void SetUp() override { MakeDir(); }

  void MakeDir() {
    char tmpl[] = "/tmp/qrox-batch-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }

  static std::unique_ptr<sim::SimHost> Sensor(const sim::SensorModel& model,
                                              const sim::Faults& faults = {}) {
    auto host = std::make_unique<sim::SimHost>(model, Unpaced());
    host->SetFaults(faults);
    return host;
  }

  static void Press(int control) { CallCtrlCallback(pHandle, control, EVENT_COMMIT); }
  static void Radio(int control) {
    SetCtrlVal(pHandle, control, 1);
    CallCtrlCallback(pHandle, control, EVENT_VAL_CHANGED);
  }

  // GET from RAM or EEPROM, then SEND to a parameter file, with the buttons.
  void SaveWithTheButtons(int source, const std::string& path) {
    Radio(source);
    Press(MAIN_GET);
    Radio(MAIN_FILE);
    QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, path);
    Press(MAIN_SEND);
    EXPECT_EQ(PendingPopupAnswers(), 0);
  }
};

const char kAltered[] = "   321\r\n";  // a first line (power) that differs from the sensor's

}  // namespace

TEST_F(BatchTest, ReadWritesTheFileTheButtonsWriteInEveryLayout) {
  for (const auto& model : {sim::DefaultModel(), sim::D303Model(), sim::MX400Model()}) {
    SCOPED_TRACE("hwtype " + std::to_string(model.hwtype));
    ResetDescriptor();
    StartApp(model);
    SaveWithTheButtons(MAIN_RAM, PathIn("gui-ram.cfg"));
    SaveWithTheButtons(MAIN_EEPROM, PathIn("gui-eeprom.cfg"));

    auto other = Sensor(model);
    Outcome r = Qrox("--read-ram " + PathIn("batch-ram.cfg"), other.get());
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("RAM: 30 words written to"), std::string::npos) << r.out;
    r = Qrox("--read-eeprom " + PathIn("batch-eeprom.cfg"), other.get());
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(ReadFile(PathIn("batch-ram.cfg")), ReadFile(PathIn("gui-ram.cfg")));
    EXPECT_EQ(ReadFile(PathIn("batch-eeprom.cfg")), ReadFile(PathIn("gui-eeprom.cfg")));
    EXPECT_EQ(ReadFile(PathIn("batch-ram.cfg")).size(), 30u * 8u);
    EXPECT_NE(ReadFile(PathIn("batch-ram.cfg")), ReadFile(PathIn("batch-eeprom.cfg")));
    TearDown();
  }
}

TEST_F(BatchTest, SendSendsTheFramesTheButtonsSendAndVerifies) {
  ResetDescriptor();
  StartApp(sim::D303Model());
  SaveWithTheButtons(MAIN_RAM, PathIn("kept.cfg"));
  std::string file = ReadFile(PathIn("kept.cfg"));
  file.replace(0, 8, kAltered);
  std::ofstream(PathIn("kept.cfg"), std::ios::binary) << file;

  // The buttons: GET from the file, SEND to EEPROM.
  Radio(MAIN_FILE);
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, PathIn("kept.cfg"));
  Press(MAIN_GET);
  Radio(MAIN_EEPROM);
  sensor->ClearReceived();
  Press(MAIN_SEND);
  ASSERT_TRUE(sensor->WaitForFrames(2, 2.0));
  const auto gui = sensor->Received();

  auto other = Sensor(sim::D303Model());
  other->ClearReceived();
  Outcome r = Qrox("--send-eeprom " + PathIn("kept.cfg") + " --verify", other.get());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(r.out.find("SEND verified! - EEPROM holds all 30 words."), std::string::npos) << r.out;
  std::vector<sim::Frame> sends;
  for (const auto& f : other->Received())
    if (f.command() == 3) sends.push_back(f);
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].bytes, gui[0].bytes);
  EXPECT_EQ(sends[1].bytes, gui[1].bytes);
  EXPECT_EQ(other->Model().eeprom[0][0], 321);
  // The last frames are the read-back from EEPROM.
  const auto all = other->Received();
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2].command(), 4);
  EXPECT_EQ(all.back().command(), 4);

  // Without --verify only the two SEND frames follow the start-up.
  auto third = Sensor(sim::D303Model());
  r = Qrox("--send-ram " + PathIn("kept.cfg"), third.get());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(third->Received().back().command(), 1);
  EXPECT_EQ(third->Model().ram[0][0], 321);
}

TEST_F(BatchTest, DifferencesGiveExitCodeOne) {
  auto host = Sensor(sim::DefaultModel());
  Outcome r = Qrox("--read-ram " + PathIn("kept.cfg"), host.get());
  ASSERT_EQ(r.exit, 0) << r.err;

  r = Qrox("--compare " + PathIn("kept.cfg"), host.get());
  EXPECT_EQ(r.exit, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("FILE agrees with RAM in all 30 words."), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1    POWER                             500      450      500  <-- differs"),
            std::string::npos)
      << r.out;
  r = Qrox("--compare " + PathIn("kept.cfg") + " --against eeprom", host.get());
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.out.find("FILE differs from EEPROM in 3 of 30 words."), std::string::npos) << r.out;

  std::string file = ReadFile(PathIn("kept.cfg"));
  file.replace(0, 8, kAltered);
  std::ofstream(PathIn("kept.cfg"), std::ios::binary) << file;
  r = Qrox("--compare " + PathIn("kept.cfg"), host.get());
  EXPECT_EQ(r.exit, 1);

  // A sensor that keeps the sent tolerance altered.
  sim::Faults faults;
  faults.alterStoredWord = 7;
  host->SetFaults(faults);
  r = Qrox("--send-ram " + PathIn("kept.cfg") + " --verify", host.get());
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("SEND verify failed: word 8 differs!"), std::string::npos) << r.err;
}

TEST_F(BatchTest, ASilentSensorGivesExitCodeTwo) {
  sim::Faults silent;
  silent.silent = true;
  auto host = Sensor(sim::DefaultModel(), silent);
  std::ofstream(PathIn("kept.cfg")) << "";
  for (const std::string action : {"--read-ram ", "--send-eeprom ", "--compare "}) {
    Outcome r = Qrox(action + PathIn("kept.cfg"), host.get());
    EXPECT_EQ(r.exit, 2) << action;
    EXPECT_NE(r.err.find("qrox: no sensor on port 1"), std::string::npos) << r.err;
  }
  // The sensor goes silent after the start-up: the read itself times out.
  auto quiet = Sensor(sim::DefaultModel());
  sim::Faults later;
  later.silentAfter = 5;  // echo, hardware, two GET halves, firmware
  quiet->SetFaults(later);
  Outcome r = Qrox("--read-ram " + PathIn("late.cfg"), quiet.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("Timeout-RS-232..."), std::string::npos) << r.err;
  EXPECT_FALSE(std::ifstream(PathIn("late.cfg")).good());
}

TEST_F(BatchTest, UnreadableFilesAndWrongOptionsGiveExitCodeTwo) {
  auto host = Sensor(sim::DefaultModel());
  Outcome r = Qrox("--send-ram " + PathIn("missing.cfg"), host.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("cannot read the parameter-file"), std::string::npos) << r.err;
  std::ofstream(PathIn("broken.cfg")) << "1\r\n2\r\nthree\r\n";
  r = Qrox("--compare " + PathIn("broken.cfg"), host.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("COMPARE: parameter-file not readable!"), std::string::npos) << r.err;
  r = Qrox("--read-ram /nonexistent-dir/kept.cfg", host.get());
  EXPECT_EQ(r.exit, 2);

  for (const std::string args :
       {"--read-ram a.cfg --compare b.cfg", "--verify", "--compare a.cfg --verify",
        "--record r.dat --samples x", "--samples 3", "--bogus", "--read-ram", "stray"}) {
    r = Qrox(args);
    EXPECT_EQ(r.exit, 2) << args;
    EXPECT_NE(r.err.find("Usage: qrox"), std::string::npos) << args;
  }
  r = Qrox("--help");
  EXPECT_EQ(r.exit, 0);
  for (const char* option :
       {"--port", "--log", "--read-ram", "--read-eeprom", "--send-ram", "--send-eeprom", "--verify",
        "--compare", "--against", "--write-xflash", "--record", "--samples", "--increment",
        "Examples:", "Exit codes:"})
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
}
