// Recorder panel and recording run: the recorder toggle of the main panel, the choice of
// the recorder file, the expected duration of a run (with the service code that reveals
// the X-FLASH write control) and the recording run itself.
#include <cstring>

#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
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
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, dimmed);
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, dimmed);
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, dimmed);
  SetCtrlAttribute(pPopup, REC_START, ATTR_DIMMED, dimmed);
}

void SetRecStatus(const char* text) {
  ResetTextBox(pPopup, REC_STATUS, text);
}

// Draws the bar graph of the connected sensor's layout.
void PlotBarGraphOfLayout() {
  if (hwtype == 400)
    PlotVIDEOBarGraphMX400();
  else if (softversion < 303)
    PlotVIDEOBarGraph();
  else
    PlotVIDEOBarGraphD303();
}

// Builds the measurement request from pp and writes it.
void SendMeasurementRequest() {
  FillTxBuf(CMD_MEAS_FRAME, 0, pp);
  WriteFrame();
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
      std::strncpy(rec_fname, path, PATH_LEN - 1);
      rec_fname[PATH_LEN - 1] = '\0';
      DeleteFile(rec_fname);
      ResetTextBox(pPopup, REC_PATH, rec_fname);
    }
  } else if (result == VAL_NEW_FILE_SELECTED) {
    std::strncpy(rec_fname, path, PATH_LEN - 1);
    rec_fname[PATH_LEN - 1] = '\0';
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

// Start command of the recorder panel: one recording run, returning when it has ended.
// Requests go out at most once per second and only after the previous reply; a record
// line is written with the first result at least one time increment after the previous
// line. The run ends when the number of samples is written, on STOP, when the sensor
// does not answer within TIMEOUT, or when the recorder file cannot be written.
int CC_CBTNStartRecord(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;

  bool fileError = false;
  long size = 0;
  if (GetFileInfo(rec_fname, &size) == 1) {
    if (ConfirmPopup("ATTENTION !", "File already exist - overwrite ?") != 1) return 0;
    // A file that cannot be removed would get a second header in its middle.
    if (DeleteFile(rec_fname) < 0) fileError = true;
  }

  DimSerialCommands(1);
  SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BGCOLOR, COLOR_DARK_GREEN);
  SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_COLOR, COLOR_WHITE);
  SetCtrlAttribute(pPopup, REC_STATUS, ATTR_TEXT_BOLD, 1);
  DimRunDisplays(0);
  SetCtrlVal(pPopup, REC_DATE, DateStr());
  SetCtrlVal(pPopup, REC_TIME, TimeStr());

  if (!fileError && writeFileHeader() < 0) fileError = true;

  if (fileError) {
    stop_flag = REC_FILE_ERROR;
  } else {
    FlushInQ(com);
    FlushOutQ(com);
    parameter[1] = CMD_MEAS_FRAME;
    parameter[2] = 0;
    // The flags are cleared before the first request goes out: its reply may already be
    // decoded during the event processing right after the write and must not be lost.
    rx_flag = 0;
    graph_flag = 0;
    SendMeasurementRequest();
    ProcessSystemEvents();

    unsigned short samples = 0, incr = 0;
    ReadSettings(&samples, &incr);
    const double increment = incr;
    const int numSamples = samples;

    const double t0 = Timer();
    double timeoutStamp = t0;
    double pacingStamp = t0;
    double recordStamp = t0;
    int count = 0;
    stop_flag = 0;

    do {
      const double sinceRecord = Timer() - recordStamp;
      const double sinceRequest = Timer() - pacingStamp;

      if (graph_flag == 1) {
        CopyPPtoRAWVars();
        PlotBarGraphOfLayout();
        SetCtrlVal(pPopup, REC_LEDGE, Ledge);
        SetCtrlVal(pPopup, REC_REDGE, Redge);
        SetCtrlVal(pPopup, REC_MVALUE, Mvalue);
        SetCtrlVal(pPopup, REC_MM, static_cast<double>(umValue) / 1000.0);
        // Never more record lines than samples asked for (none for 0 samples).
        if (sinceRecord >= increment && count < numSamples) {
          if (WriteRecordLine() < 0) {
            stop_flag = REC_FILE_ERROR;
            break;
          }
          count++;
          SetCtrlVal(pPopup, REC_COUNT, count);
          SetRecStatus("APPEND TO DATA-FILE...");
          recordStamp = Timer();
        }
        graph_flag = 0;
        FlushInQ(com);
        FlushOutQ(com);
      }

      if (rx_flag == 1 && sinceRequest >= REQUEST_PACING) {
        SetRecStatus("DATA-RECORDER: RS-232-BUSY ...");
        FlushInQ(com);
        FlushOutQ(com);
        CopyVarsToPP(0);
        FillTxBuf(CMD_MEAS_FRAME, 0, pp);
        rx_flag = 0;
        timeoutStamp = Timer();
        WriteFrame();
        ProcessSystemEvents();
        pacingStamp = Timer();
      }

      if (Timer() - timeoutStamp > TIMEOUT) {
        ShowStatus("Timeout RS232-Line!");
        stop_flag = REC_TIMEOUT;
        break;
      }

      CalcRecTime(static_cast<int>(Timer() - t0));
      if (count >= numSamples) stop_flag = REC_COMPLETED;
      ProcessSystemEvents();
    } while (stop_flag == 0);
  }

  rx_flag = 0;
  graph_flag = 0;
  FlushInQ(com);
  FlushOutQ(com);
  DimSerialCommands(0);

  switch (stop_flag) {
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
  DimRunDisplays(1);
  return 0;
}

// Stop command of the recorder panel: the run ends at the end of its current pass.
int CC_CBTNStopRecord(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  stop_flag = REC_STOPPED;
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, 0);
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 0);
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, 0);
  SetCtrlAttribute(pPopup, REC_START, ATTR_DIMMED, 0);
  return 0;
}
