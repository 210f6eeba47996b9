// The real line against the simulated sensor: unplugged while idle, during RUN and during
// VIDEO, plugged in again as the same or as another model; a port without permission;
// an adapter that holds replies back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "engine/engine.h"
#include "operations/operations.h"
#include "service/service.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/events.h"
#include "support/line_support.h"
#include "support/test_files.h"

using namespace linetest;

namespace {

constexpr char kDisconnected[] = "Sensor disconnected - waiting for it to return ...";

std::string TextOf(int panel, int control) {
  char text[1024] = "";
  GetCtrlVal(panel, control, text, sizeof text);
  return text;
}

std::string Tooltip(int panel, int control) {
  char text[1024] = "";
  GetCtrlAttribute(panel, control, ATTR_TOOLTIP_TEXT, text, sizeof text);
  return text;
}

int Visible(int control) {
  int v = -1;
  GetCtrlAttribute(pHandle, control, ATTR_VISIBLE, &v);
  return v;
}

std::vector<int> Commands(const std::vector<sim::Frame>& frames) {
  std::vector<int> out;
  for (const auto& f : frames) out.push_back(f.command());
  return out;
}

class LinkTest : public AppTest {
 protected:
  void SetUp() override {
    tmp = TempDir();
    SetComWatchInterval(0.02);
  }
  void TearDown() override {
    AppTest::TearDown();
    SetComWatchInterval(0.25);
    SetSysfsRoot("");
  }
  // The sensor is reached through a symlink that survives unplugging.
  void StartLinked(const sim::SensorModel& model) {
    sim::SimHost::Options o = Unpaced();
    o.linkPath = tmp + "/ttyQROX";
    StartApp(model, o);
    ASSERT_EQ(GetPortDevice(1), tmp + "/ttyQROX");
  }
  bool StatusBecomes(const std::string& text, double seconds = 3.0) {
    return WaitUntil([&] { return Status() == text; }, seconds, Loop::AtRest);
  }
  // Plugs the sensor in again and waits for the reconnection to finish.
  void ReplugAndWait(const std::string& status) {
    sensor->ClearReceived();
    sensor->Replug();
    EXPECT_TRUE(StatusBecomes(status)) << Status();
  }
  // The reconnection's frames: echo, identification, both RAM halves, firmware text.
  void ExpectStartUpFramesOnly() {
    const auto frames = sensor->Received();
    EXPECT_EQ(Commands(frames), (std::vector<int>{CMD_ECHO, CMD_HARDWARE_INFO, CMD_GET_RAM,
                                                  CMD_GET_RAM, CMD_FIRMWARE_INFO}));
    for (const auto& f : frames) {
      EXPECT_NE(f.command(), CMD_SEND_RAM);
      EXPECT_NE(f.command(), CMD_SEND_EEPROM);
    }
  }
  // Presses `button` and unplugs the sensor after `frames` more frames; returns the
  // seconds from the unplugging to the end of the loop.
  double UnplugDuring(int button, size_t frames, int panel = pHandle) {
    const size_t before = sensor->Received().size();
    double unpluggedAt = -1e9;
    DoWhen([&] { return sensor->Received().size() >= before + frames; },
           [&] {
             unpluggedAt = Timer();
             sensor->Unplug();
           });
    CallCtrlCallback(panel, button, EVENT_COMMIT);
    return Timer() - unpluggedAt;
  }
  std::string tmp;
};

TEST_F(LinkTest, UnpluggedWhileIdleTheSameSensorIsReconnected) {
  StartLinked(sim::DefaultModel());
  ASSERT_EQ(Status(), sim::DefaultModel().firmware);
  sensor->Unplug();
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  EXPECT_EQ(stop_flag, 1);
  // Still away: nothing is sent, the text stays.
  Pump(0.2, Loop::AtRest);
  EXPECT_EQ(Status(), kDisconnected);
  CallCtrlCallback(pHandle, MAIN_GET, EVENT_COMMIT);
  EXPECT_EQ(Status(), kDisconnected);

  ReplugAndWait("Sensor reconnected - Line Ok!");
  ExpectStartUpFramesOnly();
  EXPECT_EQ(hwtype, 37);
  EXPECT_EQ(Visible(MAIN_HELP2), 1);
  EXPECT_NE(TextOf(pHandle, MAIN_HELP2).find("Sensor reconnected: HW-type 37"), std::string::npos)
      << TextOf(pHandle, MAIN_HELP2);
  EXPECT_EQ(Tooltip(pHandle, MAIN_STATUS).rfind(TextOf(pHandle, MAIN_HELP2) + "\n\nLine: ", 0), 0u);
  // Reconnected means usable: GET works again.
  sensor->ClearReceived();
  CallCtrlCallback(pHandle, MAIN_GET, EVENT_COMMIT);
  EXPECT_EQ(Commands(sensor->Received()), (std::vector<int>{CMD_GET_RAM, CMD_GET_RAM}));
}

TEST_F(LinkTest, AnotherModelPluggedInIsReported) {
  StartLinked(sim::DefaultModel());
  sensor->Unplug();
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  sim::SensorModel other = sim::D303Model();
  other.firmware = "Q-ROX-MX D303 firmware 3.05";
  sensor->SetModel(other);

  ReplugAndWait("Other sensor connected! HW-type 37 -> 55");
  ExpectStartUpFramesOnly();
  EXPECT_EQ(hwtype, 55);
  EXPECT_EQ(softversion, 305);
  const std::string note = TextOf(pHandle, MAIN_HELP2);
  EXPECT_NE(note.find("Before: HW-type 37, CCD-type 1, firmware 302 \"" +
                      sim::DefaultModel().firmware + "\""),
            std::string::npos)
      << note;
  EXPECT_NE(note.find("Now: HW-type 55, CCD-type 1, firmware 305 \"Q-ROX-MX D303 firmware 3.05\""),
            std::string::npos)
      << note;

  // Only the firmware text differs: that is another sensor as well.
  sensor->Unplug();
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  other.firmware = "Q-ROX-MX D303 firmware 3.06";
  sensor->SetModel(other);
  ReplugAndWait("Other sensor connected! HW-type 55 -> 55");
}

// Unplugged during the start-up, before the firmware text was read: the text that was
// never read is no difference when the same sensor comes back.
TEST_F(LinkTest, UnpluggedBeforeTheFirmwareTextTheSameSensorIsReconnected) {
  DoWhen([&] { return sensor && sensor->Received().size() >= 3; }, [&] { sensor->Unplug(); });
  StartLinked(sim::DefaultModel());
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  ReplugAndWait("Sensor reconnected - Line Ok!");
}

TEST_F(LinkTest, UnpluggedDuringRunTheLoopStopsAtOnce) {
  StartLinked(sim::DefaultModel());
  EXPECT_LT(UnplugDuring(MAIN_RUN, 10), 0.5);  // not the 1.5 s time-out
  EXPECT_EQ(Status(), kDisconnected);
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(identtest::Attr(pHandle, MAIN_RUN, ATTR_DIMMED), 0);
  EXPECT_EQ(identtest::Attr(pHandle, MAIN_VIDEO, ATTR_DIMMED), 0);

  ReplugAndWait("Sensor reconnected - Line Ok!");
  ExpectStartUpFramesOnly();  // RUN is not resumed
}

TEST_F(LinkTest, UnpluggedDuringVideoTheLoopStopsAtOnce) {
  StartLinked(sim::DefaultModel());
  EXPECT_LT(UnplugDuring(MAIN_VIDEO, 7), 0.5);  // not the 1.5 s time-out of the block
  // Once nothing runs any more the status line says why.
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  EXPECT_EQ(identtest::Attr(pHandle, MAIN_VIDEO, ATTR_DIMMED), 0);
  EXPECT_EQ(identtest::Attr(pPara2, PARA2_TEACH, ATTR_DIMMED), 0);

  ReplugAndWait("Sensor reconnected - Line Ok!");
  ExpectStartUpFramesOnly();
}

TEST_F(LinkTest, UnpluggedDuringARecordingItIsInterrupted) {
  StartLinked(sim::DefaultModel());
  SetCtrlVal(pPopup, REC_SAMPLES, static_cast<unsigned short>(100));
  SetCtrlVal(pPopup, REC_INCREMENT, static_cast<unsigned short>(0));
  EXPECT_LT(UnplugDuring(REC_START, 2, pPopup), 0.5);  // not the 1.5 s time-out
  EXPECT_EQ(TextOf(pPopup, REC_STATUS), "DATA-RECORDER INTERRUPTED!");
  EXPECT_EQ(Status(), kDisconnected);
  EXPECT_EQ(identtest::Attr(pPopup, REC_START, ATTR_DIMMED), 0);

  ReplugAndWait("Sensor reconnected - Line Ok!");
  ExpectStartUpFramesOnly();  // the recording is not resumed
}

TEST_F(LinkTest, UnpluggedDuringAnXFlashWriteTheRunEndsAtOnce) {
  StartLinked(sim::DefaultModel());
  std::string table;
  for (int i = 0; i < 2048; i++) table += std::to_string(i % 100) + "\r\n";
  WriteFile(PathIn("XF-LINEAR.DAT"), table);
  SetCtrlVal(pPopup, REC_INCREMENT, static_cast<unsigned short>(7531));  // service code
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  QueueFileSelectAnswer(1, PathIn("XF-LINEAR.DAT"));
  const size_t before = sensor->Received().size();
  const long requestsBefore = GetLinkHealth().exchanges;
  TraceStatus();
  // 256 chunks would wait 1.5 s each on a dead line.
  EXPECT_LT(UnplugDuring(CALIB_XFLASH_WRITE, 20, pCalib), 0.5);
  EXPECT_EQ(TakeShownPopups().size(), 1u);  // the file dialog; no read-back on a lost line
  const size_t received = sensor->Received().size() - before;
  EXPECT_LT(received, 30u);
  // Nothing is sent on the lost line: the chunks left fail without a request each, and
  // the report counts them.
  EXPECT_LE(GetLinkHealth().exchanges - requestsBefore, static_cast<long>(received) + 1);
  const auto texts = TracedStatus();
  const auto acknowledged = std::count(texts.begin(), texts.end(), "X-FLASH-write OK: PAGE2 ...");
  EXPECT_GT(acknowledged, 0);
  const std::string expected =
      "X-FLASH write: " + std::to_string(256 - acknowledged) + " of 256 chunks failed!";
  EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  ReplugAndWait("Sensor reconnected - Line Ok!");
  ExpectStartUpFramesOnly();  // the write is not resumed
}

TEST_F(LinkTest, APortChosenInsteadEndsTheWatch) {
  StartLinked(sim::DefaultModel());
  sim::SimHost second(sim::MX400Model(), Unpaced());
  SetPortDevice(2, second.SlavePath(), "second sensor");
  sensor->Unplug();
  ASSERT_TRUE(StatusBecomes(kDisconnected));
  SetCtrlVal(pHandle, MAIN_COMPORT, 2);
  CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_COMMIT);
  EXPECT_EQ(hwtype, 400);
  sensor->ClearReceived();
  sensor->Replug();
  Pump(0.3, Loop::AtRest);
  EXPECT_TRUE(sensor->Received().empty());  // port 1 is not taken back
  EXPECT_EQ(com, 2);
  SetPortDevice(2, "", "");
}

TEST_F(LinkTest, NoPermissionKeepsTheDesignedTextAndSaysWhatToDo) {
  LoadPanelsOnly();
  sensor = std::make_unique<sim::SimHost>(sim::DefaultModel(), Unpaced());
  const std::string slave = sensor->SlavePath();
  ASSERT_EQ(chown(slave.c_str(), 0, 20), 0);  // group dialout
  ASSERT_EQ(chmod(slave.c_str(), 0), 0);
  SetPortDevice(1, slave, "Simulated sensor");
  {
    WithoutFileOverride noOverride;
    ASSERT_TRUE(noOverride.ok() || geteuid() != 0);
    ServiceStartUp();
  }
  EXPECT_EQ(Status(), "Cannot open port");
  EXPECT_TRUE(sensor->Received().empty());
  EXPECT_EQ(Visible(MAIN_HELP2), 1);
  const std::string note = TextOf(pHandle, MAIN_HELP2);
  EXPECT_NE(note.find("No permission to open " + slave), std::string::npos) << note;
  EXPECT_NE(note.find("sudo usermod -aG dialout $USER"), std::string::npos) << note;
  EXPECT_NE(note.find("log out and in again"), std::string::npos) << note;
  EXPECT_EQ(Tooltip(pHandle, MAIN_STATUS).rfind(note + "\n\nLine: ", 0), 0u);

  // With permission the same port opens and identifies the sensor.
  chmod(slave.c_str(), 0660);
  CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_COMMIT);
  EXPECT_EQ(Status(), sim::DefaultModel().firmware);
}

TEST_F(LinkTest, AnAdapterThatHoldsRepliesBackIsReportedOnce) {
  sensor = std::make_unique<sim::SimHost>(sim::DefaultModel(), Unpaced());
  const std::string tty = std::filesystem::path(sensor->SlavePath()).filename().string();
  const std::string timer = tmp + "/sys/bus/usb-serial/devices/" + tty + "/latency_timer";
  WriteFile(timer, "16\n");
  SetSysfsRoot(tmp + "/sys");
  SetPortDevice(1, sensor->SlavePath(), "Simulated sensor");
  LoadPanelsOnly();
  ServiceStartUp();
  EXPECT_EQ(Status(), sim::DefaultModel().firmware);  // the start-up as designed
  EXPECT_EQ(Visible(MAIN_HELP2), 1);
  const std::string note = TextOf(pHandle, MAIN_HELP2);
  EXPECT_NE(note.find("holds replies up to 16 ms"), std::string::npos) << note;
  EXPECT_NE(note.find("echo 1 | sudo tee " + timer), std::string::npos) << note;

  // Once: opening the port again says nothing more.
  SetCtrlAttribute(pHandle, MAIN_HELP2, ATTR_VISIBLE, 0);
  CallCtrlCallback(pHandle, MAIN_COMPORT, EVENT_COMMIT);
  EXPECT_EQ(Visible(MAIN_HELP2), 0);
}

}  // namespace
