// Recorder panel and recording run: the recorder toggle of the main panel, the choice of
// the recorder file, the expected duration of a run (with the service code that reveals
// the X-FLASH write control) and the recording run itself.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "popup/popup.h"
#include "shell/colors.h"
#include "shell/status.h"

namespace {

// Service code: typed in as time increment it reveals the X-FLASH write control.
constexpr unsigned short SERVICE_CODE = 7531;

// Minimum spacing of two measurement requests, in seconds.
constexpr double REQUEST_PACING = 1.0;

// Display controls of a run: enabled while it runs, dimmed afterwards.
const int kRunDisplays[] = {REC_DATE,  REC_TIME,    REC_COUNT,  REC_DAYS,
                            REC_HOURS, REC_MINUTES, REC_SECONDS};

void DimRunDisplays(int dimmed) {
  for (int control : kRunDisplays) SetCtrlAttribute(pPopup, control, ATTR_DIMMED, dimmed);
}

// RUN, VIDEO, TEACH and the recorder's start command: dimmed while a run is active.
void DimSerialCommands(int dimmed) {
  DimLoopCommands(dimmed, true);
  SetCtrlAttribute(pPopup, REC_START, ATTR_DIMMED, dimmed);
}

void SetRecStatus(const char* text) {
  ResetTextBox(pPopup, REC_STATUS, text);
}

// Reads the number of samples (control 4) and the time increment (control 21).
void ReadSettings(unsigned short* samples, unsigned short* increment) {
  GetCtrlVal(pPopup, REC_SAMPLES, samples);
  GetCtrlVal(pPopup, REC_INCREMENT, increment);
}

}  // namespace

// Recorder toggle button (main-panel control 17): shows or hides the recorder panel.
int CC_TOGGBTN_Recorder(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_COMMIT) {
    int on = 0;
    GetCtrlVal(panel, control, &on);
    if (on == 0)
      HidePanel(pPopup);
    else
      DisplayPanel(pPopup);
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, MAIN_HELP1, 10, -10,
               "RECORDER-BUTTON:\nOpen a new Popup-Window for\nthe Q-ROX data recorder.");
  }
  return 0;
}

// File command of the recorder panel: chooses the recorder file. An existing file is
// deleted only after the user's consent; when the user declines, the previous path stays
// in rec_fname, so the path box and the file a run writes always agree.
int CC_CMDBTNrecfile(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  char path[PATH_LEN] = "";
  int result = FileSelectPopup(proj_dir, "RECORD.DAT", "*.dat",
                               "Q-ROX-Series Recorder-File:", VAL_OK_BUTTON, 0, 1, 1, 1, path);
  if (result == VAL_EXISTING_FILE_SELECTED) {
    if (ConfirmPopup("ATTENTION!", "Output-File already exist! - Overwrite ?") == 1) {
      std::snprintf(rec_fname, PATH_LEN, "%s", path);
      DeleteFile(rec_fname);
      ResetTextBox(pPopup, REC_PATH, rec_fname);
    }
  } else if (result == VAL_NEW_FILE_SELECTED) {
    std::snprintf(rec_fname, PATH_LEN, "%s", path);
    ResetTextBox(pPopup, REC_PATH, rec_fname);
  }
  return 0;
}

// Number of samples (control 4): expected duration below 30000 samples.
int CC_NUMsample(int, int, int event, void*, int, int) {
  if (event != EVENT_VAL_CHANGED) return 0;
  unsigned short samples = 0, increment = 0;
  ReadSettings(&samples, &increment);
  if (samples < 30000) CalcRecTime(static_cast<int>(samples) * static_cast<int>(increment));
  return 0;
}

// Time increment (control 21): expected duration below one hour; the service code
// reveals and enables the X-FLASH write control of the calibration page.
int CC_NUMinctime(int, int, int event, void*, int, int) {
  if (event != EVENT_VAL_CHANGED) return 0;
  unsigned short samples = 0, increment = 0;
  ReadSettings(&samples, &increment);
  if (increment < 3600) CalcRecTime(static_cast<int>(samples) * static_cast<int>(increment));
  if (increment == SERVICE_CODE) {
    SetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_DIMMED, 0);
  }
  return 0;
}

// Splits a number of seconds into days, hours, minutes and seconds (controls 14 to 11).
void CalcRecTime(int seconds) {
  int s = seconds;
  int days = s / 86400;
  SetCtrlVal(pPopup, REC_DAYS, days);
  s -= 86400 * days;
  int hours = s / 3600;
  SetCtrlVal(pPopup, REC_HOURS, hours);
  s -= 3600 * hours;
  int minutes = s / 60;
  SetCtrlVal(pPopup, REC_MINUTES, minutes);
  s -= 60 * minutes;
  SetCtrlVal(pPopup, REC_SECONDS, s);
}

namespace {

// One recording run: its settings and the stamps of its last request and record line.
struct RecordingRun {
  double increment = 0;     // seconds from one record line to the next
  int samples = 0;          // record lines asked for
  double start = 0;         // run start
  double timeoutStamp = 0;  // just before the last request was written
  double pacingStamp = 0;   // after the last request was written and events processed
  double recordStamp = 0;   // last record line (the run start before the first)
  int count = 0;            // record lines written
};

// An existing recorder file is overwritten only with the user's consent. False when the
// user declines; *fileError when the old file cannot be removed (a second header would
// land in its middle).
bool ConfirmNewFile(bool* fileError) {
  long size = 0;
  if (GetFileInfo(rec_fname, &size) != 1) return true;
  if (ConfirmPopup("ATTENTION !", "File already exist - overwrite ?") != 1) return false;
  if (DeleteFile(rec_fname) < 0) *fileError = true;
  return true;
}

// The panels of a running recording: loop commands dimmed, a green status box, the run
// displays enabled with the date and time of the start.
void ShowRunStarted() {
  DimSerialCommands(1);
  SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BGCOLOR, COLOR_DARK_GREEN);
  SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_COLOR, COLOR_WHITE);
  SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BOLD, 1);
  DimRunDisplays(0);
  SetCtrlVal(pPopup, REC_DATE, DateStr());
  SetCtrlVal(pPopup, REC_TIME, TimeStr());
}

// The first measurement request goes out with pp as it is. The flags are cleared before:
// its reply may already be decoded in the event processing right after the write.
void SendFirstRequest() {
  FlushInQ(com);
  FlushOutQ(com);
  parameter[1] = CMD_MEAS_FRAME;
  parameter[2] = 0;
  rx_flag = 0;
  graph_flag = 0;
  FillTxBuf(CMD_MEAS_FRAME, 0, pp);
  WriteFrame();
  ProcessSystemEvents();
}

RecordingRun StartRun() {
  RecordingRun run;
  unsigned short samples = 0, increment = 0;
  ReadSettings(&samples, &increment);
  run.increment = increment;
  run.samples = samples;
  run.start = Timer();
  run.timeoutStamp = run.pacingStamp = run.recordStamp = run.start;
  stop_flag = 0;
  return run;
}

// A measurement result: shown, and recorded when a time increment has passed since the
// last record line (never more lines than samples asked for). False when the line could
// not be written.
bool TakeResult(RecordingRun& run, double sinceRecord) {
  CopyPPtoRAWVars();
  PlotLiveBarGraph();
  SetCtrlVal(pPopup, REC_LEDGE, Ledge);
  SetCtrlVal(pPopup, REC_REDGE, Redge);
  SetCtrlVal(pPopup, REC_MVALUE, Mvalue);
  SetCtrlVal(pPopup, REC_MM, static_cast<double>(umValue) / 1000.0);
  if (sinceRecord >= run.increment && run.count < run.samples) {
    if (WriteRecordLine() < 0) return false;
    run.count++;
    SetCtrlVal(pPopup, REC_COUNT, run.count);
    SetRecStatus("APPEND TO DATA-FILE...");
    run.recordStamp = Timer();
  }
  graph_flag = 0;
  FlushInQ(com);
  FlushOutQ(com);
  return true;
}

// The next request, with half 0 of the parameter set.
void SendPacedRequest(RecordingRun& run) {
  SetRecStatus("DATA-RECORDER: RS-232-BUSY ...");
  FlushInQ(com);
  FlushOutQ(com);
  CopyVarsToPP(0);
  FillTxBuf(CMD_MEAS_FRAME, 0, pp);
  rx_flag = 0;
  run.timeoutStamp = Timer();
  WriteFrame();
  ProcessSystemEvents();
  run.pacingStamp = Timer();
}

// Processes events until the next step of the run is due: with a request on the line its
// reply (or STOP, or the time-out); with the reply in, the paced next request, the next
// second of the elapsed-time display or a STOP.
void SleepUntilNextStep(const RecordingRun& run) {
  if (rx_flag == 0) {
    WaitReply(run.timeoutStamp, UNTIL_REPLY_OR_STOP);
    return;
  }
  const double nextSecond = run.start + std::floor(Timer() - run.start) + 1.0;
  ProcessEventsUntil(
      std::min({run.pacingStamp + REQUEST_PACING, nextSecond, run.timeoutStamp + TIMEOUT}));
}

// The run's loop; every reply lets the next request go out at least REQUEST_PACING after
// the last one. Ends with stop_flag REC_COMPLETED, REC_TIMEOUT, REC_FILE_ERROR or (from a
// STOP) REC_STOPPED.
void Record(RecordingRun& run) {
  do {
    const double sinceRecord = Timer() - run.recordStamp;
    const double sinceRequest = Timer() - run.pacingStamp;
    if (graph_flag == 1 && !TakeResult(run, sinceRecord)) {
      stop_flag = REC_FILE_ERROR;
      return;
    }
    if (rx_flag == 1 && sinceRequest >= REQUEST_PACING) SendPacedRequest(run);
    if (Timer() - run.timeoutStamp > TIMEOUT) {
      ShowStatus("Timeout RS232-Line!");
      stop_flag = REC_TIMEOUT;
      return;
    }
    CalcRecTime(static_cast<int>(Timer() - run.start));
    if (run.count >= run.samples) stop_flag = REC_COMPLETED;
    if (stop_flag == 0) SleepUntilNextStep(run);
  } while (stop_flag == 0);
}

void EndRun() {
  rx_flag = 0;
  graph_flag = 0;
  FlushInQ(com);
  FlushOutQ(com);
  DimSerialCommands(0);
}

// The status box after the run, by the way it ended.
void ReportRun(int how) {
  switch (how) {
    case REC_COMPLETED:
      SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BGCOLOR, COLOR_LIGHT_GREY);
      SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_COLOR, COLOR_BLACK);
      SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BOLD, 0);
      SetRecStatus("DATA-RECORDER COMPLETED SUCCESSFULLY");
      break;
    case REC_TIMEOUT:
      SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BGCOLOR, COLOR_RED);
      SetRecStatus("DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!");
      break;
    case REC_FILE_ERROR:
      SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BGCOLOR, COLOR_RED);
      SetRecStatus("DATA-RECORDER INTERRUPTED - FILE WRITE ERROR!");
      break;
    case REC_STOPPED:
      SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BGCOLOR, COLOR_RED);
      SetRecStatus("DATA-RECORDER INTERRUPTED!");
      break;
    default:
      break;
  }
}

}  // namespace

// Start command of the recorder panel: one recording run, returning when it has ended.
// Requests go out at most once per second and only after the previous reply; a record
// line is written with the first result at least one time increment after the previous
// line. The run ends when the number of samples is written, on STOP, when the sensor
// does not answer within TIMEOUT, or when the recorder file cannot be written.
int CC_CBTNStartRecord(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  bool fileError = false;
  if (!ConfirmNewFile(&fileError)) return 0;
  ShowRunStarted();
  if (!fileError && writeFileHeader() < 0) fileError = true;
  if (fileError) {
    stop_flag = REC_FILE_ERROR;
  } else {
    SendFirstRequest();
    RecordingRun run = StartRun();
    Record(run);
  }
  EndRun();
  ReportRun(stop_flag);
  DimRunDisplays(1);
  return 0;
}

// Stop command of the recorder panel: the run ends at the end of its current pass.
int CC_CBTNStopRecord(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  stop_flag = REC_STOPPED;
  DimSerialCommands(0);
  return 0;
}
