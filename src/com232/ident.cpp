// Device identification: the hardware-identification reply (command 10) fills the sensor
// descriptor and adapts panels, video axis and pixel range to the model; the firmware text
// (command 7) is shown in the status line.
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/status.h"

namespace {

// One model of the 1024-pixel family (ccdtype 1): hwtype = base is the edge class,
// base + 10000 the peak class.
struct ModelRow {
  u16 base;
  const char* label1;
  const char* label2;
  const char* line1;
  const char* line2;
  const char* line3;
};

const ModelRow kModels1024[] = {
    {37, "Q-ROX-MX-K1", "Q-ROX-MX-K2", "1024-pixel;  7.8µm pixel-pitch",
     "4096-subpixel;  resolution=1µm", "working-range = 37 +/- 2.0mm"},
    {55, "Q-ROX-MX-K3", "Q-ROX-MX-K4", "1024-pixel;  7.8µm pixel-pitch",
     "4096-subpixel;  resolution=3µm", "working-range = 55mm +/- 5.0mm"},
    {80, "Q-ROX-MX-K5", "Q-ROX-MX-K6", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=5µm", "working-range = 80mm +/- 10mm"},
    {110, "Q-ROX-MX-K7", "Q-ROX-MX-K8", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=10µm", "working-range = 110mm  +/- 20mm"},
    {135, "Q-ROX-MX-K9", "Q-ROX-MX-K10", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=16µm", "working-range = 110mm ... 175mm"},
    {160, "Q-ROX-MX-K11", "Q-ROX-MX-K12", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=25µm", "working-range = 125mm ... 215mm"},
    {200, "Q-ROX-MX-K13", "Q-ROX-MX-K14", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=25µm", "working-range = 160mm ... 255mm"},
    {275, "Q-ROX-MX-K15", "Q-ROX-MX-K16", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=55µm", "working-range = 200mm ... 425mm"},
    {450, "Q-ROX-MX-K17", "Q-ROX-MX-K18", "1024-pixel; 7.8µm pixel-pitch",
     "4096-subpixel; resolution=150µm", "working-range = 285mm ...715mm"},
};

const char* const kK19[4] = {"Q-ROX-MX-K19", "512-pixel;  12.5µm pixel-pitch",
                             "1024-subpixel;  resolution=+/-0.4mm",
                             "working-range = 50mm ... 450mm"};
const char* const kK20[4] = {"Q-ROX-MX-K20", "256-pixel;  63.5µm pixel-pitch",
                             "1024-subpixel; resolution=0.5mm", "working-range = 35mm ... 460mm"};
const char kNoInfo[] = "No information avialable!";
const char kBlankLine[] = "                         ";  // 25 spaces

const char kDirect5V[] = "DIRECT 5V/SET";

// Step of the video x axis per sub-pixel count.
struct StepRow {
  u16 virtpixel;
  double step;
};
const StepRow kSteps[] = {{256, 1},  {512, 2},  {768, 3},   {1024, 4},  {1180, 5},  {1280, 5},
                          {1536, 6}, {2048, 8}, {2360, 10}, {2560, 10}, {4096, 16}, {8192, 32}};

// Label and three lines into the sensor-information box (calibration page).
void WriteInfoBox(const char* label, const char* line1, const char* line2, const char* line3) {
  ReplaceTextBoxLine(pCalib, CALIB_INFO, 0, label);
  ReplaceTextBoxLine(pCalib, CALIB_INFO, 1, line1);
  ReplaceTextBoxLine(pCalib, CALIB_INFO, 2, line2);
  ReplaceTextBoxLine(pCalib, CALIB_INFO, 3, line3);
}

void SetADCMAXFromSensor() {
  ADCMAX = (adcmax == 1024) ? 1024 : 256;
}

void RelabelAnalogueDirect() {
  ReplaceListItem(pPara1, PARA1_ANAMODE, 1, kDirect5V, 1);
}

// The tolerance field as tolerance-low of the two-tolerance firmware.
void ToleranceLowLabel() {
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_TEXT, "TOLERANCE-LOW");
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_BOLD, 1);
}

void SetupCCD1() {
  for (const ModelRow& row : kModels1024) {
    if (hwtype == row.base) {
      WriteInfoBox(row.label1, row.line1, row.line2, row.line3);
      HWTYPE = 1;
      break;
    }
    if (hwtype == row.base + 10000) {
      WriteInfoBox(row.label2, row.line1, row.line2, row.line3);
      HWTYPE = 2;
      break;
    }
  }
  // An unlisted hwtype keeps the class of an earlier identification, and with it the
  // set-up below.
  if (HWTYPE == 1 || HWTYPE == 2) {
    if (HWTYPE == 2) {
      ReplaceListItem(pPara1, PARA1_EVALMODE, 0, "LEFT-PEAK", 0);
      ReplaceListItem(pPara1, PARA1_EVALMODE, 1, "RIGHT-PEAK", 1);
      ReplaceListItem(pPara1, PARA1_EVALMODE, 2, "PEAK-TO-PEAK", 2);
    } else {
      ReplaceListItem(pPara1, PARA1_EVALMODE, 0, "LEFT-EDGE", 0);
      ReplaceListItem(pPara1, PARA1_EVALMODE, 1, "RIGHT-EDGE", 1);
      ReplaceListItem(pPara1, PARA1_EVALMODE, 2, "WIDTH", 2);
    }
    if (softversion >= 302) RelabelAnalogueDirect();
    if (softversion > 302) {
      SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_VISIBLE, 0);
      SetCtrlAttribute(pPara1, PARA1_HOLD, ATTR_VISIBLE, 0);
      SetCtrlAttribute(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE, 1);
      SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE, 1);
      ToleranceLowLabel();
    }
    if (softversion < 302) {
      SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_TEXT, "TOLERANCE");
      SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE, 1);
      SetCtrlAttribute(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE, 0);
      SetCtrlAttribute(pPara1, PARA1_HOLD, ATTR_VISIBLE, 0);
      SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_VISIBLE, 1);
      SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_DIMMED, 1);
      SetCtrlAttribute(pPara1, PARA1_HWMODE, ATTR_DIMMED, 0);
    }
    pixB = 1;
    pixE = ccdvirtpixel;
  }
  SetADCMAXFromSensor();
  SetCtrlAttribute(pHandle, MAIN_SEND, ATTR_DIMMED, 0);
}

void SetupCCD4() {
  if (hwtype == 400) {
    HWTYPE = 1;
    WriteInfoBox(kK19[0], kK19[1], kK19[2], kK19[3]);
  }
  RelabelAnalogueDirect();
  SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pPara1, PARA1_HWMODE, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pCalib, CALIB_OPMODE, ATTR_DIMMED, 1);
  SetCtrlAttribute(pPara1, PARA1_HOLD, ATTR_VISIBLE, 1);
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE, 1);
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_VISIBLE, 1);
  ToleranceLowLabel();
  SetADCMAXFromSensor();
  SetCtrlAttribute(pHandle, MAIN_SEND, ATTR_DIMMED, 0);
}

void SetupCCD101() {
  if (hwtype == 500) {
    WriteInfoBox(kK20[0], kK20[1], kK20[2], kK20[3]);
    pixB = 1;
    pixE = ccdvirtpixel;
    SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pPara1, PARA1_HWMODE, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pPara1, PARA1_HOLD, ATTR_VISIBLE, 1);
    RelabelAnalogueDirect();
    SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_TEXT, "TOLERANCE-LOW");
    SetCtrlAttribute(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pCalib, CALIB_OPMODE, ATTR_VISIBLE, 0);
  }
  SetADCMAXFromSensor();
  SetCtrlAttribute(pHandle, MAIN_SEND, ATTR_DIMMED, 0);
}

void SetupUnlisted() {
  WriteInfoBox(kNoInfo, kBlankLine, kBlankLine, kBlankLine);
  RelabelAnalogueDirect();
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_TEXT, "TOLERANCE");
  SetCtrlAttribute(pPara1, PARA1_TOLERANCE_UP, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_VISIBLE, 1);
  SetCtrlAttribute(pPara1, PARA1_OPTION5, ATTR_DIMMED, 1);
  SetCtrlAttribute(pPara1, PARA1_HOLD, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pPara1, PARA1_HWMODE, ATTR_VISIBLE, 0);
  pixB = 1;
  pixE = 1024;
  ADCMAX = 1024;
  SetCtrlAttribute(pHandle, MAIN_SEND, ATTR_DIMMED, 1);
}

}  // namespace

double VideoStep(u16 virtpixel) {
  for (const StepRow& row : kSteps)
    if (row.virtpixel == virtpixel) return row.step;
  return 0;
}

int GetHARDWAREInfo() {
  parameter[1] = CMD_HARDWARE_INFO;
  parameter[2] = 0;
  FillTxBuf(parameter[1], parameter[2], pp);
  FlushOutQ(com);
  FlushInQ(com);
  rx_flag = 0;
  WriteFrame();
  if (!WaitRxFull()) return 0;  // "Timeout-RS-232..." is in szStatus

  // A reply that is not the identification leaves the descriptor of the last accepted
  // reply (and the panel set-up that belongs to it) in force.
  if (GetWord(szReadBuf, 2) != CMD_HARDWARE_INFO) return 0;

  ccdtype = GetWord(szReadBuf, 4);
  ccdmaxpixel = GetWord(szReadBuf, 6);
  ccdresolution = GetWord(szReadBuf, 8);
  pcbtype = GetWord(szReadBuf, 10);
  ccdvirtpixel = GetWord(szReadBuf, 12);
  ccdsubpixel = GetWord(szReadBuf, 14);
  ccdpixB = GetWord(szReadBuf, 16);
  ccdpixE = GetWord(szReadBuf, 18);
  softversion = GetWord(szReadBuf, 20);
  hwtype = GetWord(szReadBuf, 22);
  adcmax = GetWord(szReadBuf, 24);

  SetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);

  double step = VideoStep(ccdvirtpixel);
  if (step == 0) {
    step = 4;
    ccdvirtpixel = 1024;
  }
  for (int i = 0; i < 256; ++i) xArray[i] = i * step;

  switch (ccdtype) {
    case 1:
      SetupCCD1();
      break;
    case 4:
      SetupCCD4();
      break;
    case 101:
      SetupCCD101();
      break;
    default:
      SetupUnlisted();
      break;
  }
  return 1;
}

int GetVERSIONInfo() {
  ReceiveCallbackOff();
  FlushInQ(com);
  FlushOutQ(com);

  parameter[1] = CMD_FIRMWARE_INFO;
  parameter[2] = 0;
  FillTxBuf(parameter[1], parameter[2], pp);
  WriteFrame();
  ShowStatus("Waiting for firmware info ...");

  if (WaitBytes(Timer(), 72) != WAIT_REPLY) SetStatus("Timeout - reading firmware info!");
  const int n = GetInQLen(com);

  szVersion[0] = '\0';
  int toRead = n;
  if (toRead > static_cast<int>(sizeof szReadBuf)) toRead = sizeof szReadBuf;
  if (toRead < 0) toRead = 0;
  nBytesR = toRead > 0 ? ComRd(com, szReadBuf, toRead) : 0;

  // Only a reply of exactly 72 bytes is a firmware text; with more bytes waiting the line
  // is not trusted and the status line keeps its last text.
  if (nBytesR == 72) {
    if (pcbtype == 0) {
      // 36 big-endian words, one character in the low byte of each.
      int k = 0;
      for (int w = 0; w < 36; ++w) {
        const char c = szReadBuf[2 * w + 1];
        if (c == '\0') break;
        szVersion[k++] = c;
      }
      szVersion[k] = '\0';
      SetStatus(szVersion);
    } else {
      // 72 characters of text; a text that fills all 72 bytes is cut to fit szStatus.
      char text[73];
      std::memcpy(text, szReadBuf, 72);
      text[72] = '\0';
      SetStatus(text);
    }
  }

  ReceiveCallbackOn();
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  ShowStatusBuffer();
  return n;
}
