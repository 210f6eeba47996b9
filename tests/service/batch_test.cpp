// Batch mode: the program run from the command line against a simulated sensor on a
// pseudo-terminal. The files it writes are compared byte for byte with those the buttons
// write, the frames with those the buttons send, and the exit codes are checked for
// success, differences, a silent sensor and unreadable files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "service/service.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"
#include "support/parafile_support.h"
#include "support/test_files.h"

using namespace identtest;
using testing::HasSubstr;

namespace {

struct Outcome {
  int exit = -1;
  std::string out, err;
};

class BatchTest : public AppTest {
 protected:
  // Runs the program with `args` on the sensor `host` (port 1), output captured.
  Outcome Qrox(const std::string& args, const sim::SimHost* host = nullptr, int sizeLimit = -1) {
    const std::string port = host ? " --port " + host->SlavePath() : "";
    const std::string limit =  // a limit of the size of its files: writes fail with EFBIG
        sizeLimit < 0 ? "" : "trap '' XFSZ; prlimit --fsize=" + std::to_string(sizeLimit) + " ";
    const std::string command = limit + "timeout 60 " + QROX_BINARY_DIR + "/qrox" + port + " " +
                                args + " >" + PathIn("out.txt") + " 2>" + PathIn("err.txt");
    Outcome r;
    const int status = std::system(command.c_str());
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(PathIn("out.txt"));
    r.err = ReadFile(PathIn("err.txt"));
    return r;
  }

  // Runs the program on a sensor with `faults` that is unplugged once it has received
  // `unplugAt` frames (0: never).
  Outcome QroxWithFaults(const std::string& args, const sim::Faults& faults, size_t unplugAt) {
    auto host = Sensor(sim::DefaultModel(), faults);
    std::thread unplug([&] {
      if (unplugAt > 0 && host->WaitForFrames(unplugAt, 30.0)) host->Unplug();
    });
    Outcome r = Qrox(args, host.get());
    unplug.join();
    return r;
  }

  // A directory of its own for the files of each test (StartApp makes a new one).
  void SetUp() override { MakeDir(); }

  void MakeDir() { dir = TempDir(); }

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

  EXPECT_NE(Qrox("--read-ram x.cfg", sensor.get()).err.find(" is in use by another program."),
            std::string::npos);  // the port that this test's program holds
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
  // EEPROM over it cannot be written whole (a file-size limit): the file stays RAM's.
  EXPECT_EQ(Qrox("--read-eeprom " + PathIn("kept.cfg"), host.get(), 210).exit, 2);

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
  r = Qrox("--read-ram /nonexistent-dir/kept.cfg --log /dev/full", host.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("cannot write trace file /dev/full"), std::string::npos) << r.err;
  // A NUL byte, "nan" or "inf" among the numbers: refused, nothing sent after the start-up.
  for (const std::string& damage : {std::string(1, '\0'), std::string("nan"), std::string("inf")}) {
    WriteFile(PathIn("bad.cfg"), FileOf({1, 2, 3}) + damage + FileOf(std::vector<unsigned>(27, 9)));
    EXPECT_EQ(Qrox("--send-ram " + PathIn("bad.cfg"), host.get()).exit, 2) << damage;
    for (const auto& f : host->Received()) EXPECT_NE(f.command(), CMD_SEND_RAM) << damage;
  }

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

namespace {

// A linearisation file of `count` values, one a line.
void WriteLinFile(const std::string& path, int count) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < count; ++i) out << (i * 7) % 40000 << "\r\n";
}

std::vector<sim::Frame> XFlashFrames(const sim::SimHost& host) {
  std::vector<sim::Frame> out;
  for (const auto& f : host.Received())
    if (f.command() >= 101 && f.command() <= 103) out.push_back(f);
  return out;
}

// Everything of a recorder file after its date and time lines.
std::string AfterDateAndTime(const std::string& text) {
  size_t at = text.find("\r\n");
  at = at == std::string::npos ? at : text.find("\r\n", at + 2);
  return at == std::string::npos ? std::string() : text.substr(at + 2);
}

const std::array<uint16_t, 16> kFixedResult = {412, 1630, 1021, 5312, 1, 700, 9,   2,
                                               412, 1630, 0,    0,    0, 0,   200, 0};

}  // namespace

TEST_F(BatchTest, WriteXflashSendsWhatTheWriteControlSendsAndReadsItBack) {
  StartApp(sim::DefaultModel());
  WriteLinFile(PathIn("XF-LINEAR.DAT"), 2048);
  sensor->ClearReceived();
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, PathIn("XF-LINEAR.DAT"));
  QueueConfirmAnswer(1);
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  EXPECT_EQ(PendingPopupAnswers(), 0);
  const auto gui = XFlashFrames(*sensor);

  auto other = Sensor(sim::DefaultModel());
  Outcome r = Qrox("--write-xflash " + PathIn("XF-LINEAR.DAT"), other.get());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(r.out.find("X-FLASH Data successfully written!"), std::string::npos) << r.out;
  const auto batch = XFlashFrames(*other);
  ASSERT_EQ(batch.size(), 1u + 256u + 256u);  // clear, every chunk written, every chunk read
  ASSERT_EQ(batch.size(), gui.size());
  for (size_t i = 0; i < batch.size(); ++i) EXPECT_EQ(batch[i].bytes, gui[i].bytes) << i;
  const auto flash = other->XFlash();
  EXPECT_EQ(flash[2 * 256 + 0], 32767);            // file value 0
  EXPECT_EQ(flash[2 * 256 + 5], 35 + 32767);       // file value 35
  EXPECT_EQ(flash[9 * 256 + 255], 14329 + 32767);  // value 2047 * 7 % 40000

  // A sensor whose read-back returns one word altered.
  sim::Faults faults;
  faults.corruptXFlashWord = 300;
  other->SetFaults(faults);
  r = Qrox("--write-xflash " + PathIn("XF-LINEAR.DAT"), other.get());
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("X-FLASH verify: 1 of 2048 words differ!"), std::string::npos) << r.err;

  // A sensor that does not acknowledge the fourth chunk (start-up 5 requests, the clear).
  faults = {};
  faults.dropReplyNumber = static_cast<int>(other->Received().size()) + 5 + 1 + 3;
  other->SetFaults(faults);
  r = Qrox("--write-xflash " + PathIn("XF-LINEAR.DAT"), other.get());
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("X-FLASH write: 1 of 256 chunks failed, 0 words differ!"), std::string::npos)
      << r.err;

  std::ofstream(PathIn("short.dat")) << "1\r\n2\r\n";
  auto third = Sensor(sim::DefaultModel());
  r = Qrox("--write-xflash " + PathIn("short.dat"), third.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("Lin.-file: less than 2048 values"), std::string::npos) << r.err;
  EXPECT_TRUE(XFlashFrames(*third).empty());
}

// A SEND that the sensor did not acknowledge (silent, late or unplugged) is no success.
TEST_F(BatchTest, AnUnacknowledgedSendExitsTwoAndNamesTheHalf) {
  WriteLinFile(PathIn("set.cfg"), 30);
  const struct {
    int silentAfter, late;  // request numbers: 5 and 6 read the set before, 7 and 8 are the halves
    size_t unplugAt;
    const char* text;
  } cases[] = {{7, -1, 0, "halves 0 and 1"}, {-1, 7, 0, "half 0"}, {8, -1, 9, "half 1"}};
  for (const auto& c : cases) {
    sim::Faults faults;
    faults.silentAfter = c.silentAfter;
    faults.onlyReplyNumber = c.late;
    faults.replyDelay = c.late >= 0 ? 1.6 : 0.0;
    const Outcome r = QroxWithFaults("--send-ram " + PathIn("set.cfg"), faults, c.unplugAt);
    EXPECT_EQ(r.exit, 2) << c.text;
    EXPECT_THAT(r.err, HasSubstr(std::string("SEND not acknowledged: ") + c.text + " unanswered!"));
  }
}

// A sensor gone deaf or unplugged after the 20th chunk of a command-line X-FLASH write.
TEST_F(BatchTest, XflashWriteOnADeadLineStopsAndExitsTwo) {
  WriteLinFile(PathIn("XF-LINEAR.DAT"), 2048);
  for (const size_t unplugAt : {0, 5 + 1 + 21}) {
    sim::Faults faults;
    faults.silentAfter = 5 + 1 + 20;  // start-up, clear, 20 chunks
    const Outcome r = QroxWithFaults("--write-xflash " + PathIn("XF-LINEAR.DAT"), faults, unplugAt);
    EXPECT_EQ(r.exit, 2) << unplugAt;
    EXPECT_THAT(r.err, HasSubstr("X-FLASH write stopped: no answer after chunk 20 of 256!"));
  }
}

TEST_F(BatchTest, RecordWritesTheFileTheRecorderWrites) {
  StartApp(sim::D303Model());
  sensor->FixMeasurement(kFixedResult);
  std::snprintf(rec_fname, PATH_LEN, "%s", PathIn("gui.dat").c_str());
  SetCtrlVal(pPopup, REC_SAMPLES, 3);
  SetCtrlVal(pPopup, REC_INCREMENT, 0);
  CallCtrlCallback(pPopup, REC_START, EVENT_COMMIT);
  ASSERT_EQ(stop_flag, 2);

  auto other = Sensor(sim::D303Model());
  other->FixMeasurement(kFixedResult);
  Outcome r = Qrox("--record " + PathIn("batch.dat") + " --samples 3 --increment 0", other.get());
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(r.out.find("DATA-RECORDER COMPLETED SUCCESSFULLY (3 record lines)"), std::string::npos)
      << r.out;
  const std::string gui = ReadFile(PathIn("gui.dat"));
  const std::string batch = ReadFile(PathIn("batch.dat"));
  EXPECT_EQ(AfterDateAndTime(batch), AfterDateAndTime(gui));
  EXPECT_NE(AfterDateAndTime(batch).find("412\t1630\t1021\t2\t70848\r\n"), std::string::npos)
      << batch;
  // The date and time lines have the recorder's form.
  EXPECT_EQ(batch.substr(0, 6), "Date:\t");
  EXPECT_EQ(batch.find("\r\nTime:\t"), 16u);

  EXPECT_EQ(Qrox("--record " + PathIn("cut.dat") + " --samples 9", other.get(), 210).exit, 2);
  EXPECT_TRUE(ReadFile(PathIn("cut.dat")).ends_with("\r\n"));  // a file-size limit: whole lines
  // An existing file is kept; a sensor that stops answering ends the run.
  r = Qrox("--record " + PathIn("batch.dat") + " --samples 3 --increment 0", other.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(ReadFile(PathIn("batch.dat")), batch);
  sim::Faults faults;
  faults.silentAfter = static_cast<int>(other->Received().size()) + 5;  // the start-up only
  other->SetFaults(faults);
  r = Qrox("--record " + PathIn("late.dat") + " --samples 3", other.get());
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!"), std::string::npos)
      << r.err;
  // Only the header: the run ended before the first result.
  const std::string late = ReadFile(PathIn("late.dat"));
  const std::string header = "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n";
  ASSERT_GE(late.size(), header.size());
  EXPECT_EQ(late.substr(late.size() - header.size()), header);
}
