// The recorder panel and the recording run against the simulated sensor: whole files
// compared byte for byte, pacing, record increments, the endings and their status box,
// unwritable files, and the panel's small callbacks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "com232/com232.h"
#include "engine/engine.h"
#include "popup/popup.h"
#include "shell/shell.h"
#include "support/app_fixture.h"
#include "support/events.h"
#include "support/popup_expect.h"
#include "support/rec_support.h"

namespace {

using rectest::FramesWithCommand;
using rectest::ReplyWord;

constexpr int kRed = 0xFF0000;
constexpr int kGreen = 0x008000;
constexpr int kGrey = 0xE0E0E0;

class RecorderTest : public AppTest {
 protected:
  void SetUp() override { SetFixedDateTime(2005, 3, 14, 9, 26, 53); }
  static void Settings(unsigned short samples, unsigned short increment) {
    SetCtrlVal(pPopup, REC_SAMPLES, samples);
    SetCtrlVal(pPopup, REC_INCREMENT, increment);
  }
  // Runs a recording; returns its duration in seconds.
  static double Record() {
    const double t0 = Timer();
    CallCtrlCallback(pPopup, REC_START, EVENT_COMMIT);
    return Timer() - t0;
  }
  static std::string BoxText() {
    char text[256] = "";
    GetCtrlVal(pPopup, REC_STATUS, text, sizeof text);
    return text;
  }
  static int BoxAttr(int attribute) {
    int v = -1;
    GetCtrlAttribute(pPopup, REC_STATUS, attribute, &v);
    return v;
  }
  static int Dimmed(int panel, int control) {
    int v = -1;
    GetCtrlAttribute(panel, control, ATTR_DIMMED, &v);
    return v;
  }
  static int Count() {
    int v = -1;
    GetCtrlVal(pPopup, REC_COUNT, &v);
    return v;
  }
  // The header of a default-layout run as the file format lays it out.
  static std::string Header(const char* increment, const char* samples, const char* offset,
                            const char* slope) {
    return std::string("Date:\t03-14-2005\r\nTime:\t09:26:53\r\nTime-Increment[s]:\t") + increment +
           "\r\nNumber of Samples:\t" + samples + "\r\nOffset-Value [\xB5m]:\t" + offset +
           "\r\nSlope-Value [\xB5m/pixel]:\t" + slope +
           "\r\nE-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n";
  }
  // A record line built from the 16 data words of a measurement reply.
  static std::string LineOf(const sim::Reply& r) {
    auto w = [&r](int k) { return ReplyWord(r, 2 + k); };
    const int um =
        static_cast<int>(static_cast<uint32_t>(w(3)) | static_cast<uint32_t>(w(4)) << 16);
    char text[128];
    std::snprintf(text, sizeof text, "%u\t%u\t%u\t%u\t%d\r\n", w(0), w(1), w(2), w(7), um);
    return text;
  }
  std::vector<sim::Reply> MeasurementReplies() const {
    std::vector<sim::Reply> out;
    for (const auto& r : sensor->Sent())
      if (r.command == CMD_MEAS_FRAME && r.bytes.size() == 36) out.push_back(r);
    return out;
  }
  void ExpectIdleControls() {
    EXPECT_EQ(Dimmed(pHandle, MAIN_RUN), 0);
    EXPECT_EQ(Dimmed(pHandle, MAIN_VIDEO), 0);
    EXPECT_EQ(Dimmed(pPara2, PARA2_TEACH), 0);
    EXPECT_EQ(Dimmed(pPopup, REC_START), 0);
    for (int c : {REC_DATE, REC_TIME, REC_COUNT, REC_DAYS, REC_HOURS, REC_MINUTES, REC_SECONDS})
      EXPECT_EQ(Dimmed(pPopup, c), 1) << "control " << c;
  }
};

TEST_F(RecorderTest, WholeFileOfThreeSamplesMatchesTheRepliesByteForByte) {
  sim::SensorModel model = sim::DefaultModel();
  const int offset = -250;  // travels as the signed 32-bit words 62-63
  model.ram[1][13] = static_cast<uint16_t>(offset & 0xFFFF);
  model.ram[1][14] = static_cast<uint16_t>((offset >> 16) & 0xFFFF);
  Start(model);
  Settings(3, 0);

  const double seconds = Record();

  // Requests are paced at 1.0 s: three samples take two pauses.
  EXPECT_GE(seconds, 2.0);
  EXPECT_LT(seconds, 3.5);
  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 3u);
  for (const auto& f : frames) {
    EXPECT_EQ(f.word(0), 0x0055);
    EXPECT_EQ(f.command(), CMD_MEAS_FRAME);
    EXPECT_EQ(f.argument(), 0);
  }
  // The follow-up requests carry half 0 of the live (default) layout.
  CopyVarsToPP(0);
  for (size_t i = 1; i < frames.size(); i++)
    for (int k = 0; k < 15; k++)
      EXPECT_EQ(frames[i].data(k), pp[k]) << "frame " << i << " word " << k;
  EXPECT_GE(frames[1].time - frames[0].time, 0.99);
  EXPECT_GE(frames[2].time - frames[1].time, 0.99);

  const auto replies = MeasurementReplies();
  ASSERT_EQ(replies.size(), 3u);
  std::string expected = Header("0", "3", "-250", "1.0");
  for (const auto& r : replies) expected += LineOf(r);
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")), expected);

  EXPECT_EQ(stop_flag, 2);
  EXPECT_EQ(BoxText(), "DATA-RECORDER COMPLETED SUCCESSFULLY");
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BGCOLOR), kGrey);
  EXPECT_EQ(BoxAttr(ATTR_TEXT_COLOR), 0x000000);
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BOLD), 0);
  EXPECT_EQ(Count(), 3);
  // The last result is on show.
  const auto& last = replies.back();
  int ledge = -1, redge = -1, mvalue = -1;
  GetCtrlVal(pPopup, REC_LEDGE, &ledge);
  GetCtrlVal(pPopup, REC_REDGE, &redge);
  GetCtrlVal(pPopup, REC_MVALUE, &mvalue);
  EXPECT_EQ(ledge, ReplyWord(last, 2));
  EXPECT_EQ(redge, ReplyWord(last, 3));
  EXPECT_EQ(mvalue, ReplyWord(last, 4));
  double mm = 0;
  GetCtrlVal(pPopup, REC_MM, &mm);
  EXPECT_DOUBLE_EQ(mm,
                   (ReplyWord(last, 5) | static_cast<uint32_t>(ReplyWord(last, 6)) << 16) / 1000.0);
  char date[32] = "", time[32] = "";
  GetCtrlVal(pPopup, REC_DATE, date, sizeof date);
  GetCtrlVal(pPopup, REC_TIME, time, sizeof time);
  EXPECT_STREQ(date, "03-14-2005");
  EXPECT_STREQ(time, "09:26:53");
  ExpectIdleControls();
}

TEST_F(RecorderTest, WholeFileOnAPacedLine) {
  // The line's real timing: 19200 baud, so every reply takes about 19 ms.
  StartApp(sim::D303Model(), Paced());
  SetFixedDateTime(2005, 3, 14, 9, 26, 53);
  Settings(2, 0);
  sensor->ClearReceived();
  Record();
  const auto replies = MeasurementReplies();
  ASSERT_EQ(replies.size(), 2u);
  // D303 layout: slope 1024 = 1.0.
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")),
            Header("0", "2", "30000", "1.0") + LineOf(replies[0]) + LineOf(replies[1]));
  EXPECT_EQ(BoxText(), "DATA-RECORDER COMPLETED SUCCESSFULLY");
}

TEST_F(RecorderTest, ControlsAreDimmedAndTheBoxIsGreenWhileRunning) {
  Start();
  Settings(2, 0);
  bool seen = false;
  int run = -1, video = -1, teach = -1, start = -1, bg = -1, color = -1, bold = -1, count = -1;
  DoWhen([] { return stop_flag == 0; },
         [&] {
           seen = true;
           run = Dimmed(pHandle, MAIN_RUN);
           video = Dimmed(pHandle, MAIN_VIDEO);
           teach = Dimmed(pPara2, PARA2_TEACH);
           start = Dimmed(pPopup, REC_START);
           count = Dimmed(pPopup, REC_COUNT);
           bg = BoxAttr(ATTR_TEXT_BGCOLOR);
           color = BoxAttr(ATTR_TEXT_COLOR);
           bold = BoxAttr(ATTR_TEXT_BOLD);
         });
  Record();
  ASSERT_TRUE(seen);
  EXPECT_EQ(run, 1);
  EXPECT_EQ(video, 1);
  EXPECT_EQ(teach, 1);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bg, kGreen);
  EXPECT_EQ(color, 0xFFFFFF);
  EXPECT_EQ(bold, 1);
  EXPECT_EQ(BoxText(), "DATA-RECORDER COMPLETED SUCCESSFULLY");
}

TEST_F(RecorderTest, ZeroSamplesWritesTheHeaderOnly) {
  Start();
  Settings(0, 0);
  const double seconds = Record();
  EXPECT_LT(seconds, 0.9);
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")), Header("0", "0", "30000", "1.0"));
  EXPECT_EQ(BoxText(), "DATA-RECORDER COMPLETED SUCCESSFULLY");
  EXPECT_EQ(stop_flag, 2);
  EXPECT_EQ(Count(), 0);
  // The first request goes out with the start of the run.
  EXPECT_TRUE(sensor->WaitForFrames(1, 1.0));
  EXPECT_EQ(sensor->Received().size(), 1u);
  ExpectIdleControls();
}

TEST_F(RecorderTest, IncrementTwoSpacesTheRecordLines) {
  Start();
  const std::array<uint16_t, 16> fixed = {412, 1630, 1021, 5312, 0, 2048, 100, 2,
                                          412, 1630, 500,  0,    0, 0,    200, 7};
  sensor->FixMeasurement(fixed);
  Settings(2, 2);
  const double seconds = Record();
  // The first line comes with the first result at least 2 s after the start, the second
  // at least 2 s after the first; results arrive about once a second.
  EXPECT_GE(seconds, 4.0);
  EXPECT_LT(seconds, 6.0);
  const auto frames = FramesWithCommand(sensor->Received(), CMD_MEAS_FRAME);
  EXPECT_GE(frames.size(), 5u);
  EXPECT_LE(frames.size(), 6u);
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")), Header("2", "2", "30000", "1.0") +
                                                "412\t1630\t1021\t2\t5312\r\n" +
                                                "412\t1630\t1021\t2\t5312\r\n");
  EXPECT_EQ(Count(), 2);
}

TEST_F(RecorderTest, SilentSensorEndsWithTheTimeoutReport) {
  Start();
  sim::Faults faults;
  faults.silent = true;
  sensor->SetFaults(faults);
  Settings(3, 0);
  const double seconds = Record();
  EXPECT_GE(seconds, 1.5);
  EXPECT_LT(seconds, 2.5);
  EXPECT_EQ(stop_flag, 3);
  EXPECT_EQ(Status(), "Timeout RS232-Line!");
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!");
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BGCOLOR), kRed);
  EXPECT_EQ(BoxAttr(ATTR_TEXT_COLOR), 0xFFFFFF);
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BOLD), 1);
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")), Header("0", "3", "30000", "1.0"));
  ExpectIdleControls();
}

TEST_F(RecorderTest, SensorFallingSilentKeepsTheLinesWritten) {
  Start();
  Settings(5, 0);
  // The sensor falls silent once two lines are written.
  DoWhen([] { return Count() >= 2; },
         [&] {
           sim::Faults f;
           f.silent = true;
           sensor->SetFaults(f);
         });
  Record();
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!");
  const auto replies = MeasurementReplies();
  ASSERT_EQ(Count(), static_cast<int>(replies.size()));
  std::string expected = Header("0", "5", "30000", "1.0");
  for (const auto& r : replies) expected += LineOf(r);
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")), expected);
}

TEST_F(RecorderTest, StopDuringARunKeepsTheLinesWritten) {
  Start();
  Settings(20, 0);
  // The main panel's STOP.
  StopWhen([] { return Count() >= 2; });
  Record();
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED!");
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BGCOLOR), kRed);
  const int written = Count();
  EXPECT_EQ(written, 2);
  const auto replies = MeasurementReplies();
  ASSERT_GE(replies.size(), 2u);
  std::string expected = Header("0", "20", "30000", "1.0");
  for (int i = 0; i < written; i++) expected += LineOf(replies[i]);
  EXPECT_EQ(ReadFile(PathIn("RECORD.DAT")), expected);
  ExpectIdleControls();

  // The recorder's own STOP, on a new file: it undims the commands at once.
  std::filesystem::remove(PathIn("RECORD.DAT"));
  SetCtrlVal(pPopup, REC_COUNT, 0);  // the count shown is that of the last line written
  int runDimmedAfterStop = -1;
  DoWhen([] { return Count() >= 1 && stop_flag == 0; },
         [&] {
           CallCtrlCallback(pPopup, REC_STOP, EVENT_COMMIT);
           runDimmedAfterStop = Dimmed(pHandle, MAIN_RUN);
         });
  Record();
  EXPECT_EQ(runDimmedAfterStop, 0);
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED!");
  EXPECT_EQ(Count(), 1);
  ExpectIdleControls();
}

TEST_F(RecorderTest, FileChoiceOffersTheRecorderFileAndAsksBeforeOverwriting) {
  Start();
  const std::string old = PathIn("OLD.DAT");
  WriteFile(old, "old contents\r\n");
  TakeShownPopups();
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, old);
  QueueConfirmAnswer(1);
  CallCtrlCallback(pPopup, REC_FILE, EVENT_COMMIT);
  auto shown = TakeShownPopups();
  ASSERT_EQ(shown.size(), 2u);
  popuptest::ExpectFileDialog(
      shown[0], {"RECORD.DAT", "*.dat", "Q-ROX-Series Recorder-File:", VAL_OK_BUTTON});
  popuptest::ExpectConfirm(shown[1], "ATTENTION!", "Output-File already exist! - Overwrite ?");
  EXPECT_STREQ(rec_fname, old.c_str());

  // A new name: no question.
  QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, PathIn("NEW.DAT"));
  CallCtrlCallback(pPopup, REC_FILE, EVENT_COMMIT);
  shown = TakeShownPopups();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind, POPUP_FILE_SELECT);
}

TEST_F(RecorderTest, ExistingFileIsOverwrittenOnlyWithConsent) {
  Start();
  Settings(0, 0);
  const std::string path = PathIn("RECORD.DAT");
  WriteFile(path, "old contents\r\n");

  // No: nothing at all happens.
  sensor->ClearReceived();
  ResetTextBox(pPopup, REC_STATUS, "before");
  QueueConfirmAnswer(0);
  TakeShownPopups();
  Record();
  EXPECT_EQ(PendingPopupAnswers(), 0);
  const auto shown = TakeShownPopups();
  ASSERT_EQ(shown.size(), 1u);
  popuptest::ExpectConfirm(shown[0], "ATTENTION !", "File already exist - overwrite ?");
  EXPECT_EQ(ReadFile(path), "old contents\r\n");
  EXPECT_EQ(BoxText(), "before");
  EXPECT_TRUE(sensor->Received().empty());

  // Yes: a new file with exactly one header.
  QueueConfirmAnswer(1);
  Record();
  EXPECT_EQ(ReadFile(path), Header("0", "0", "30000", "1.0"));
  QueueConfirmAnswer(1);
  Record();
  EXPECT_EQ(ReadFile(path), Header("0", "0", "30000", "1.0"));
}

TEST_F(RecorderTest, UnwritableFileEndsTheRunWithAFileError) {
  Start();
  Settings(3, 0);
  const std::string plain = PathIn("plain.txt");
  WriteFile(plain, "data");
  std::snprintf(rec_fname, sizeof rec_fname, "%s/RECORD.DAT", plain.c_str());
  sensor->ClearReceived();
  const double seconds = Record();
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED - FILE WRITE ERROR!");
  EXPECT_NE(BoxText(), "DATA-RECORDER COMPLETED SUCCESSFULLY");
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BGCOLOR), kRed);
  EXPECT_EQ(Count(), 0);
  // Nothing is requested from the sensor when not even the header can be written.
  EXPECT_TRUE(sensor->Received().empty());
  ExpectIdleControls();
}

TEST_F(RecorderTest, FileThatCannotBeReplacedIsNotAppendedTo) {
  Start();
  Settings(2, 0);
  // An existing file the user agrees to overwrite, but which cannot be removed: a second
  // header must not land in its middle.
  std::snprintf(rec_fname, sizeof rec_fname, "/proc/version");
  const std::string before = ReadFile("/proc/version");
  sensor->ClearReceived();
  QueueConfirmAnswer(1);
  Record();
  EXPECT_EQ(PendingPopupAnswers(), 0);
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED - FILE WRITE ERROR!");
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BGCOLOR), kRed);
  EXPECT_EQ(ReadFile("/proc/version"), before);
  EXPECT_TRUE(sensor->Received().empty());
  ExpectIdleControls();
}

TEST_F(RecorderTest, FileThatBreaksDuringARunKeepsTheLinesWritten) {
  Start();
  Settings(5, 0);
  const std::string path = PathIn("RECORD.DAT");
  const std::string kept = PathIn("KEPT.DAT");
  // After the first line the file is moved away and a directory takes its place, so the
  // next append fails.
  DoWhen([] { return Count() >= 1; },
         [&] {
           std::filesystem::rename(path, kept);
           std::filesystem::create_directory(path);
         });
  Record();
  EXPECT_EQ(BoxText(), "DATA-RECORDER INTERRUPTED - FILE WRITE ERROR!");
  EXPECT_EQ(BoxAttr(ATTR_TEXT_BGCOLOR), kRed);
  EXPECT_EQ(Count(), 1);
  const auto replies = MeasurementReplies();
  ASSERT_GE(replies.size(), 2u);
  EXPECT_EQ(ReadFile(kept), Header("0", "5", "30000", "1.0") + LineOf(replies[0]));
  ExpectIdleControls();
}

TEST_F(RecorderTest, DurationDisplayAndServiceCode) {
  LoadPanelsOnly();
  CalcRecTime(93784);  // 1 day, 2 hours, 3 minutes, 4 seconds
  int d = -1, h = -1, m = -1, s = -1;
  auto read = [&] {
    GetCtrlVal(pPopup, REC_DAYS, &d);
    GetCtrlVal(pPopup, REC_HOURS, &h);
    GetCtrlVal(pPopup, REC_MINUTES, &m);
    GetCtrlVal(pPopup, REC_SECONDS, &s);
  };
  read();
  EXPECT_EQ(d, 1);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(m, 3);
  EXPECT_EQ(s, 4);

  // 100 samples every 37 s.
  Settings(100, 37);
  CallCtrlCallback(pPopup, REC_SAMPLES, EVENT_VAL_CHANGED);
  read();
  EXPECT_EQ(d * 86400 + h * 3600 + m * 60 + s, 3700);
  // 30000 samples or more leave the display alone; the increment's callback still works.
  Settings(30000, 2);
  CallCtrlCallback(pPopup, REC_SAMPLES, EVENT_VAL_CHANGED);
  read();
  EXPECT_EQ(d * 86400 + h * 3600 + m * 60 + s, 3700);
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  read();
  EXPECT_EQ(d * 86400 + h * 3600 + m * 60 + s, 60000);
  // An increment of an hour or more leaves it alone too.
  Settings(2, 3600);
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  read();
  EXPECT_EQ(d * 86400 + h * 3600 + m * 60 + s, 60000);
  // Other events do nothing.
  Settings(1, 1);
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_COMMIT);
  read();
  EXPECT_EQ(d * 86400 + h * 3600 + m * 60 + s, 60000);

  // The service code reveals and enables the X-FLASH write control; other values leave
  // it as it is.
  int visible = -1, dimmed = -1;
  SetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_DIMMED, 1);
  Settings(1, 7530);
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  GetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 0);
  Settings(1, 7531);
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  GetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, &visible);
  GetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_DIMMED, &dimmed);
  EXPECT_EQ(visible, 1);
  EXPECT_EQ(dimmed, 0);
  Settings(1, 5);
  CallCtrlCallback(pPopup, REC_INCREMENT, EVENT_VAL_CHANGED);
  GetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 1);
}

TEST_F(RecorderTest, ToggleFileChoiceAndClose) {
  LoadPanelsOnly();
  std::snprintf(rec_fname, sizeof rec_fname, "%s", PathIn("RECORD.DAT").c_str());
  ResetTextBox(pPopup, REC_PATH, rec_fname);
  auto pathBox = [] {
    char text[512] = "";
    GetCtrlVal(pPopup, REC_PATH, text, sizeof text);
    return std::string(text);
  };
  int visible = -1;

  SetCtrlVal(pHandle, MAIN_RECORDER, 1);
  CallCtrlCallback(pHandle, MAIN_RECORDER, EVENT_COMMIT);
  GetPanelAttribute(pPopup, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 1);
  SetCtrlVal(pHandle, MAIN_RECORDER, 0);
  CallCtrlCallback(pHandle, MAIN_RECORDER, EVENT_COMMIT);
  GetPanelAttribute(pPopup, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 0);

  // Cancel: nothing changes.
  QueueFileSelectAnswer(0, "");
  CallCtrlCallback(pPopup, REC_FILE, EVENT_COMMIT);
  EXPECT_EQ(std::string(rec_fname), PathIn("RECORD.DAT"));
  EXPECT_EQ(pathBox(), PathIn("RECORD.DAT"));

  // A new name.
  QueueFileSelectAnswer(2, PathIn("RUN1.DAT"));
  CallCtrlCallback(pPopup, REC_FILE, EVENT_COMMIT);
  EXPECT_EQ(std::string(rec_fname), PathIn("RUN1.DAT"));
  EXPECT_EQ(pathBox(), PathIn("RUN1.DAT"));

  // An existing file, overwrite declined: the previous path stays, file untouched.
  WriteFile(PathIn("OLD.DAT"), "old");
  QueueFileSelectAnswer(1, PathIn("OLD.DAT"));
  QueueConfirmAnswer(0);
  CallCtrlCallback(pPopup, REC_FILE, EVENT_COMMIT);
  EXPECT_EQ(std::string(rec_fname), PathIn("RUN1.DAT"));
  EXPECT_EQ(pathBox(), PathIn("RUN1.DAT"));
  EXPECT_EQ(ReadFile(PathIn("OLD.DAT")), "old");

  // Overwrite accepted: the file is deleted and becomes the recorder file.
  QueueFileSelectAnswer(1, PathIn("OLD.DAT"));
  QueueConfirmAnswer(1);
  CallCtrlCallback(pPopup, REC_FILE, EVENT_COMMIT);
  EXPECT_EQ(std::string(rec_fname), PathIn("OLD.DAT"));
  EXPECT_EQ(pathBox(), PathIn("OLD.DAT"));
  EXPECT_FALSE(std::filesystem::exists(PathIn("OLD.DAT")));
  EXPECT_EQ(PendingPopupAnswers(), 0);

  // The help text of the toggle.
  CallCtrlCallback(pHandle, MAIN_RECORDER, EVENT_RIGHT_CLICK);
  char help[256] = "";
  GetCtrlVal(pHandle, MAIN_HELP1, help, sizeof help);
  EXPECT_STREQ(help, "RECORDER-BUTTON:\nOpen a new Popup-Window for\nthe Q-ROX data recorder.");
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 1);
  int top = 0, left = 0, height = 0, width = 0, boxLeft = -1, boxTop = -1;
  GetCtrlBoundingRect(pHandle, MAIN_RECORDER, &top, &left, &height, &width);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_LEFT, &boxLeft);
  GetCtrlAttribute(pHandle, MAIN_HELP1, ATTR_TOP, &boxTop);
  EXPECT_EQ(boxLeft, left + width + 10);
  EXPECT_EQ(boxTop, top - 10);
}

}  // namespace
