// The linearisation table and the X-FLASH transfer against the simulated sensor: every
// frame on the wire byte for byte, the sensor's flash contents, a dropped acknowledgement,
// the read-back with a corrupted word, and linearisation files that must send nothing.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "service/service.h"
#include "shell/shell.h"
#include "shell/status.h"
#include "support/app_fixture.h"
#include "support/frame_bytes.h"
#include "support/popup_expect.h"
#include "support/rec_support.h"

namespace {

constexpr int kGrey = 0xA0A0A0;
constexpr int kGreen = 0x00FF00;
constexpr int kRed = 0xFF0000;

class XFlashTest : public AppTest {
 protected:
  // A linearisation file of `n` values: value i is Value(i).
  static int Value(int i) {
    // Covers the edges: 0, 32768, 65535, -1, -32768, and a spread of others.
    switch (i) {
      case 0:
        return 0;
      case 1:
        return 32768;
      case 2:
        return 65535;
      case 3:
        return -1;
      case 4:
        return -32768;
      default:
        return (i * 37) % 60000 - 3000;
    }
  }
  static uint16_t TableWord(int v) { return static_cast<uint16_t>((v + 32767) & 0xFFFF); }
  std::string LinFile(int n, const std::string& name = "XF-LINEAR.DAT") {
    std::string text;
    for (int i = 0; i < n; i++) text += std::to_string(Value(i)) + "\r\n";
    const std::string path = PathIn(name);
    WriteFile(path, text);
    return path;
  }
  static void RevealWriteControl() {
    SetCtrlVal(pPopup, REC_INCREMENT, static_cast<unsigned short>(7531));
    CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  }
  static int WriteControlVisible() {
    int v = -1;
    GetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, &v);
    return v;
  }
  // Requests the sensor has received since it was started (none forgotten yet).
  int StartupRequests() const { return static_cast<int>(sensor->Received().size()); }
  static std::vector<PlotInfo> Bars() { return GetGraphPlots(pHandle, MAIN_BAR_GRAPH); }
  static std::array<uint16_t, 15> ChunkData(uint16_t page, uint16_t offset) {
    std::array<uint16_t, 15> d{};
    d[0] = page;
    for (int k = 0; k < 8; k++) d[1 + k] = TableWord(Value((page - 2) * 256 + offset + k));
    for (int k = 9; k < 15; k++) d[k] = 0x00AA;
    return d;
  }
  // The whole write run for a sensor with `pages` pages (2 .. 1 + pages), checked frame by
  // frame and against the sensor's flash.
  void FullWrite(const sim::SensorModel& model, int pages) {
    StartApp(model);
    const int words = pages * 256;
    const std::string path = LinFile(words);
    RevealWriteControl();
    ASSERT_EQ(WriteControlVisible(), 1);
    sensor->ClearReceived();
    QueueFileSelectAnswer(1, path);
    QueueConfirmAnswer(0);  // no read-back
    TakeShownPopups();
    CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
    EXPECT_EQ(PendingPopupAnswers(), 0);
    // The linearisation file is asked for first, the read-back after the write.
    const auto shown = TakeShownPopups();
    ASSERT_EQ(shown.size(), 2u);
    popuptest::ExpectFileDialog(shown[0], {"XF-LINEAR.DAT", "*.dat",
                                           "Q-ROX-MX-Series-Linearisation-File", VAL_LOAD_BUTTON});
    popuptest::ExpectConfirm(shown[1], "X-FLASH", "Verify X-FLASH contents?");
    EXPECT_STREQ(file_name, path.c_str());

    const auto frames = sensor->Received();
    ASSERT_EQ(frames.size(), 1u + pages * 32);
    std::array<uint16_t, 15> filler;
    filler.fill(0x00AA);
    const auto clear = FrameBytes(CMD_XFLASH_CLEAR, 0, filler);
    EXPECT_EQ(frames[0].bytes, clear);
    // The clear frame literally: 00 55 00 65 00 00, then 00 AA fifteen times.
    EXPECT_EQ(frames[0].bytes[3], 0x65);
    EXPECT_EQ(frames[0].bytes[35], 0xAA);
    size_t i = 1;
    for (uint16_t page = 2; page < 2 + pages; page++)
      for (uint16_t offset = 0; offset < 256; offset += 8, i++)
        ASSERT_EQ(frames[i].bytes, FrameBytes(CMD_XFLASH_WRITE, offset, ChunkData(page, offset)))
            << "page " << page << " offset " << offset;

    // The sensor's flash holds the table in pages 2 on; the other pages stay erased.
    const auto flash = sensor->XFlash();
    ASSERT_EQ(flash.size(), 2560u);
    for (int k = 0; k < 2560; k++) {
      const bool table = k >= 512 && k < 512 + words;
      const uint16_t want = table ? TableWord(Value(k - 512)) : 0xFFFF;
      ASSERT_EQ(flash[k], want) << "flash word " << k;
    }
    for (int k = 0; k < words; k++) ASSERT_EQ(linArray[k], TableWord(Value(k)));
    EXPECT_EQ(sensor->ClearCount(), 1);

    const auto bars = Bars();
    ASSERT_FALSE(bars.empty());
    if (model.hwtype == 400) {
      // The MX400 run ends on the acknowledgement of page 5 and its green bar.
      EXPECT_EQ(Status(), "X-FLASH-write OK: PAGE5 ...");
      EXPECT_EQ(bars.size(), static_cast<size_t>(pages * 32));
      EXPECT_EQ(bars.back().fillColor, kGreen);
      EXPECT_EQ(bars.back().x2, (pages - 1) * 256 + 248);
    } else {
      EXPECT_EQ(Status(), "X-FLASH Data successfully written!");
      EXPECT_TRUE(bars.back().rectangle);
      EXPECT_EQ(bars.back().fillColor, kGrey);
      EXPECT_EQ(bars.back().x2, static_cast<double>(ccdsubpixel));
      EXPECT_EQ(bars.size(), 1u + pages * 32);  // a green bar per chunk, then the grey one
      EXPECT_EQ(bars[bars.size() - 2].fillColor, kGreen);
      EXPECT_EQ(bars[bars.size() - 2].x2, (pages - 1) * 256 + 248);
    }
    int index = -1;
    GetCtrlVal(pHandle, MAIN_ANA_MAX, &index);
    EXPECT_EQ(index, (pages - 1) * 256 + 248);
    int mode = -1;
    double min = 0, max = 0;
    GetAxisScalingMode(pHandle, MAIN_BAR_GRAPH, VAL_XAXIS, &mode, &min, &max);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(min, 1.0);
    EXPECT_EQ(max, static_cast<double>(ccdsubpixel));
    EXPECT_EQ(parameter[1], CMD_XFLASH_WRITE);
    EXPECT_EQ(WriteControlVisible(), 0);
  }
};

TEST_F(XFlashTest, FullWriteDefaultSensorEightPages) {
  FullWrite(sim::DefaultModel(), 8);
}

TEST_F(XFlashTest, FullWriteMX400FourPages) {
  FullWrite(sim::MX400Model(), 4);
}

TEST_F(XFlashTest, DroppedAcknowledgementIsReportedNotSuccess) {
  StartApp(sim::DefaultModel());
  const std::string path = LinFile(2048);
  // Request numbers count from the start of the sensor: the clear comes next, then the
  // chunks; drop the acknowledgement of chunk 10 (page 2, offset 80).
  sim::Faults faults;
  faults.dropReplyNumber = StartupRequests() + 1 + 10;
  sensor->SetFaults(faults);
  sensor->ClearReceived();
  QueueFileSelectAnswer(1, path);
  QueueConfirmAnswer(1);  // read back as well
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  // Every chunk was attempted, and read back.
  EXPECT_EQ(rectest::FramesWithCommand(sensor->Received(), CMD_XFLASH_WRITE).size(), 256u);
  EXPECT_EQ(rectest::FramesWithCommand(sensor->Received(), CMD_XFLASH_READ).size(), 256u);
  // The chunk itself reached the flash; only its acknowledgement was lost.
  EXPECT_EQ(Status(), "X-FLASH write: 1 of 256 chunks failed, 0 words differ!");
  EXPECT_EQ(Bars().back().fillColor, kRed);
  EXPECT_EQ(WriteControlVisible(), 0);
}

TEST_F(XFlashTest, DroppedAcknowledgementWithoutReadBack) {
  StartApp(sim::MX400Model());
  const std::string path = LinFile(1024);
  sim::Faults faults;
  faults.dropReplyNumber = StartupRequests() + 1 + 127;  // the very last chunk
  sensor->SetFaults(faults);
  QueueFileSelectAnswer(1, path);
  QueueConfirmAnswer(0);
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  EXPECT_EQ(Status(), "X-FLASH write: 1 of 128 chunks failed!");
  EXPECT_EQ(Bars().back().fillColor, kRed);
}

TEST_F(XFlashTest, ReadBackFindsOneCorruptedWord) {
  StartApp(sim::DefaultModel());
  sim::Faults faults;
  faults.corruptXFlashWord = 300;  // page 3, offset 40, word 4
  sensor->SetFaults(faults);
  const std::string path = LinFile(2048);
  QueueFileSelectAnswer(1, path);
  QueueConfirmAnswer(1);
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  EXPECT_EQ(Status(), "X-FLASH verify: 1 of 2048 words differ!");
  EXPECT_NE(Status(), "X-FLASH Data successfully written!");
  EXPECT_EQ(Bars().back().fillColor, kRed);

  // The read command on its own: the read frames byte for byte, the same finding.
  sensor->ClearReceived();
  CallCtrlCallback(pCalib, CALIB_XFLASH_READ, EVENT_COMMIT);
  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 256u);
  size_t i = 0;
  for (uint16_t page = 2; page <= 9; page++)
    for (uint16_t offset = 0; offset < 256; offset += 8, i++)
      ASSERT_EQ(frames[i].bytes, FrameBytes(CMD_XFLASH_READ, offset, ChunkData(page, offset)))
          << "page " << page << " offset " << offset;
  EXPECT_EQ(Status(), "X-FLASH verify: 1 of 2048 words differ!");
  int index = -1;
  GetCtrlVal(pHandle, MAIN_ANA_MAX, &index);
  EXPECT_EQ(index, 2040);

  // Without the fault the read-back matches.
  sensor->SetFaults(sim::Faults{});
  CallCtrlCallback(pCalib, CALIB_XFLASH_READ, EVENT_COMMIT);
  EXPECT_EQ(Status(), "X-FLASH verify OK: 2048 words match!");
  EXPECT_EQ(Bars().back().fillColor, kGrey);

  // A table that differs from the flash in two words.
  linArray[0] ^= 1;
  linArray[2047] ^= 0x8000;
  CallCtrlCallback(pCalib, CALIB_XFLASH_READ, EVENT_COMMIT);
  EXPECT_EQ(Status(), "X-FLASH verify: 2 of 2048 words differ!");
}

TEST_F(XFlashTest, VerifiedWriteReportsSuccess) {
  StartApp(sim::K20Model());  // hwtype 500: eight pages like every sensor but the MX400
  const std::string path = LinFile(2048);
  QueueFileSelectAnswer(1, path);
  QueueConfirmAnswer(1);
  sensor->ClearReceived();
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  EXPECT_EQ(Status(), "X-FLASH Data successfully written!");
  EXPECT_EQ(rectest::FramesWithCommand(sensor->Received(), CMD_XFLASH_READ).size(), 256u);
  EXPECT_EQ(Bars().back().fillColor, kGrey);
}

TEST_F(XFlashTest, UnusableFilesSendNothing) {
  StartApp(sim::DefaultModel());
  for (int k = 0; k < 2048; k++) linArray[k] = static_cast<u16>(k);
  auto expectNothingSent = [this](const char* what) {
    EXPECT_TRUE(sensor->Received().empty()) << what;
    EXPECT_EQ(WriteControlVisible(), 0) << what;
    for (int k = 0; k < 2048; k++) ASSERT_EQ(linArray[k], k) << what;
    EXPECT_EQ(PendingPopupAnswers(), 0) << what;
  };
  auto run = [](const std::string& path) {
    RevealWriteControl();
    QueueFileSelectAnswer(1, path);
    CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  };
  sensor->ClearReceived();

  // Cancelled dialog: no frame, no message of its own.
  RevealWriteControl();
  ShowStatus("before");
  QueueFileSelectAnswer(0, "");
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  EXPECT_EQ(Status(), "before");
  expectNothingSent("cancelled");

  // Too few values.
  run(LinFile(2047, "SHORT.DAT"));
  EXPECT_EQ(Status(), "Lin.-file: less than 2048 values or non-numeric text!");
  expectNothingSent("short");

  // Non-numeric text.
  std::string text;
  for (int i = 0; i < 2048; i++) text += (i == 700 ? "12x" : std::to_string(i)) + "\r\n";
  WriteFile(PathIn("TEXT.DAT"), text);
  run(PathIn("TEXT.DAT"));
  EXPECT_EQ(Status(), "Lin.-file: less than 2048 values or non-numeric text!");
  expectNothingSent("text");

  // Out of range, either side, and a fraction.
  struct Bad {
    const char* value;
    int at;
  } bads[] = {{"65536", 5}, {"-32769", 2047}, {"1.5", 0}, {"100000000000", 9}};
  for (const Bad& b : bads) {
    text.clear();
    for (int i = 0; i < 2048; i++) text += (i == b.at ? std::string(b.value) : "7") + "\r\n";
    WriteFile(PathIn("RANGE.DAT"), text);
    run(PathIn("RANGE.DAT"));
    char want[80];
    std::snprintf(want, sizeof want, "Lin.-file: value no. %d invalid (-32768..65535)!", b.at + 1);
    EXPECT_EQ(Status(), want) << b.value;
    expectNothingSent(b.value);
  }

  // A missing file.
  run(PathIn("MISSING.DAT"));
  EXPECT_EQ(Status(), "Error reading linearisation-file!");
  expectNothingSent("missing");

  // The limits themselves are valid, and extra values are ignored.
  text.clear();
  for (int i = 0; i < 2050; i++) text += (i % 2 ? "-32768" : "65535") + std::string("\r\n");
  WriteFile(PathIn("LIMITS.DAT"), text);
  QueueFileSelectAnswer(1, PathIn("LIMITS.DAT"));
  EXPECT_EQ(ReadLinDataFromFile(), 0);
  EXPECT_EQ(linArray[0], 32766);
  EXPECT_EQ(linArray[1], 65535);
  EXPECT_EQ(linArray[2047], 65535);
  // Cancel returns 1, a missing file a negative code.
  QueueFileSelectAnswer(0, "");
  EXPECT_EQ(ReadLinDataFromFile(), 1);
  QueueFileSelectAnswer(1, PathIn("MISSING.DAT"));
  EXPECT_LT(ReadLinDataFromFile(), 0);
}

TEST_F(XFlashTest, ClearWithoutAnswerTimesOut) {
  StartApp(sim::DefaultModel());
  sim::Faults faults;
  faults.silent = true;
  sensor->SetFaults(faults);
  sensor->ClearReceived();
  const double t0 = Timer();
  EXPECT_EQ(ClearXFLASH(), 0);
  EXPECT_GE(Timer() - t0, 1.5);
  EXPECT_EQ(Status(), "Timeout-RS-232...");
  EXPECT_EQ(parameter[1], CMD_XFLASH_CLEAR);
  EXPECT_EQ(parameter[2], 0);
  sensor->SetFaults(sim::Faults{});
  EXPECT_EQ(ClearXFLASH(), 1);
  EXPECT_EQ(Status(), "X-FLASH-cleared!");
}

// An acknowledgement that reports another page than the one written is not this chunk's:
// the chunk counts as failed and the run ends without "successfully written".
TEST_F(XFlashTest, AcknowledgementOfAnotherPageIsAFailedChunk) {
  StartApp(sim::DefaultModel());
  const std::string path = LinFile(2048);
  sim::Faults faults;
  faults.xflashWrongPageAt = 296;  // page 3, offset 40: acknowledged as page 4
  sensor->SetFaults(faults);
  sensor->ClearReceived();
  QueueFileSelectAnswer(1, path);
  QueueConfirmAnswer(0);
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  EXPECT_EQ(rectest::FramesWithCommand(sensor->Received(), CMD_XFLASH_WRITE).size(), 256u);
  EXPECT_EQ(Status(), "X-FLASH write: 1 of 256 chunks failed!");
  EXPECT_EQ(Bars().back().fillColor, kRed);

  // One chunk on its own: the wrong acknowledgement is reported for it, and WriteXFLASH
  // says so; the right one is accepted.
  EXPECT_EQ(WriteXFLASH(40, 3), 0);
  EXPECT_EQ(Status(), "X-FLASH-write: wrong chunk acknowledged!");
  EXPECT_EQ(WriteXFLASH(48, 3), 1);
  EXPECT_EQ(Status(), "X-FLASH-write OK: PAGE3 ...");
}

// READ X-FLASH right after a start: no table is loaded, so the linearisation file is asked
// for first (or nothing is read); the pass stops at STOP.
TEST_F(XFlashTest, ReadWithoutLoadedTableAsksForTheFileAndStops) {
  StartApp(sim::DefaultModel());
  const std::string path = LinFile(2048);
  QueueFileSelectAnswer(1, path);
  QueueConfirmAnswer(0);
  CallCtrlCallback(pCalib, CALIB_XFLASH_WRITE, EVENT_COMMIT);
  ASSERT_EQ(Status(), "X-FLASH Data successfully written!");

  // The program starts again on the same sensor.
  ServiceShutDown();
  std::filesystem::remove_all(dir);
  LoadPanelsOnly();
  ServiceStartUp();
  ASSERT_EQ(linArray[0], 0);
  const std::string again = LinFile(2048);  // in the new program directory

  sensor->ClearReceived();
  QueueFileSelectAnswer(0, "");  // cancelled
  CallCtrlCallback(pCalib, CALIB_XFLASH_READ, EVENT_COMMIT);
  EXPECT_EQ(PendingPopupAnswers(), 0);
  EXPECT_EQ(Status(), "X-FLASH read: no linearisation table loaded!");
  EXPECT_TRUE(sensor->Received().empty());

  QueueFileSelectAnswer(1, again);
  CallCtrlCallback(pCalib, CALIB_XFLASH_READ, EVENT_COMMIT);
  EXPECT_EQ(PendingPopupAnswers(), 0);
  EXPECT_EQ(Status(), "X-FLASH verify OK: 2048 words match!");
  EXPECT_EQ(rectest::FramesWithCommand(sensor->Received(), CMD_XFLASH_READ).size(), 256u);

  // The table is loaded now: no dialog. STOP ends the pass after the chunk on the line.
  sensor->ClearReceived();
  StopWhen([&] { return sensor->Received().size() >= 20; });
  CallCtrlCallback(pCalib, CALIB_XFLASH_READ, EVENT_COMMIT);
  const size_t read = sensor->Received().size();
  EXPECT_GE(read, 20u);
  EXPECT_LT(read, 256u);
  EXPECT_EQ(Status(), "X-FLASH verify stopped after " + std::to_string(read) + " of 256 chunks!");
  EXPECT_EQ(Bars().back().fillColor, kRed);
  EXPECT_EQ(stop_flag, 1);
}

}  // namespace
