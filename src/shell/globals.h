// Application state: every global of the program with its meaning. The start values
// are set by InitVars (shell.cpp); the definitions live in globals.cpp.
#pragma once

#include <cstdint>

using u16 = std::uint16_t;
using u32 = std::uint32_t;

// ------------------------------------------------------------ constants
extern const int RAM;         // 1
extern const int EEPROM;      // 2
extern const int DATFILE;     // 3
extern const double TIMEOUT;  // 1.5 s: every reply wait and the port time-out
extern const int eventMask;   // 0x8006
extern const int YOFFSET;     // 30000
constexpr char UIR_FILE[] = "V-AVA-VEVedadV306.uir";

// ------------------------------------------------------------ flags and selection
extern int stop_flag;   // 1 = stop / nothing running
extern int rx_flag;     // a reply frame has been decoded into pp
extern int graph_flag;  // the last reply frame was a measurement frame
extern int target;      // RAM, EEPROM or DATFILE
extern int com;         // serial port number in use
extern int nBytesW, nBytesR;

// ------------------------------------------------------------ parameter set and packet
extern u16 parameter[64];
extern u16 pp[16];

// ------------------------------------------------------------ sensor descriptor
extern u16 hwtype, pcbtype, softversion;
extern u16 ccdtype, ccdmaxpixel, ccdresolution, ccdvirtpixel, ccdsubpixel, ccdpixB, ccdpixE;
extern u16 adcmax;
extern u16 HWTYPE;  // 0 not identified, 1 edge class, 2 peak class
extern u16 ADCMAX;  // full scale of the video graph
extern u16 pixB, pixE;

// ------------------------------------------------------------ measurement variables
extern u16 Ledge, Redge, Mvalue, tol, edcnt, mvstart, mvend, dynpow, anaMax, anaMin, in0, videoMax,
    raw15;
extern u32 umValue;

// ------------------------------------------------------------ arrays
extern double xArray[256];
extern u16 thdArray[256];
extern u16 adcbuf[256];
extern u16 linArray[2048];
extern double arrayNORM[600];

// ------------------------------------------------------------ texts and paths
constexpr int STATUS_LEN = 72;
constexpr int PATH_LEN = 260;
extern char szStatus[STATUS_LEN];
extern char szWriteBuf[4096];
extern char szReadBuf[4096];
extern char szVersion[STATUS_LEN];
extern char szSoftVersion[STATUS_LEN];
extern char szSoftName[STATUS_LEN];
extern char proj_dir[PATH_LEN];
extern char file_name[PATH_LEN];
extern char dir_fname[PATH_LEN];
extern char rec_fname[PATH_LEN];

// ------------------------------------------------------------ panel handles
extern int pHandle, pPopup, pPara1, pPara2, pCalib;

// Puts every global above back to its load-time value (zero, empty texts, no panel
// handles), as the program holds them before InitVars. For a second start within one
// process; the panels must have been discarded before.
void ResetApplicationState();

// ------------------------------------------------------------ panel resources
enum PanelResource {
  PANEL_CALIB = 1,
  PANEL_MAIN = 2,
  PANEL_PARA1 = 3,
  PANEL_PARA2 = 4,
  PANEL_RECORDER = 5
};

// Main panel controls
enum MainControl {
  MAIN_STOP = 3,
  MAIN_RUN = 4,
  MAIN_VIDEO = 5,
  MAIN_SEND = 6,
  MAIN_GET = 7,
  MAIN_RAM = 8,
  MAIN_EEPROM = 9,
  MAIN_FILE = 10,
  MAIN_TOGGLE_PARA1 = 11,
  MAIN_TOGGLE_PARA2 = 12,
  MAIN_TOGGLE_CALIB = 13,
  MAIN_EBEG = 14,
  MAIN_EEND = 15,
  MAIN_RECORDER = 17,
  MAIN_ANA_VALUE = 19,
  MAIN_ANA_MAX = 20,
  MAIN_ANA_MIN = 21,
  MAIN_RESET = 22,
  MAIN_COMPORT = 23,
  MAIN_MM_VALUE = 26,
  MAIN_PIX_VALUE = 27,
  MAIN_TOL_UP_MM = 28,
  MAIN_TOL_LOW_MM = 29,
  MAIN_LEDGE = 30,
  MAIN_REDGE = 31,
  MAIN_INFO_FIELD = 32,
  MAIN_STATUS = 33,
  MAIN_VIDEO_GRAPH = 34,
  MAIN_BAR_GRAPH = 35,
  MAIN_LOGO = 36,
  MAIN_ZOOM = 37,
  MAIN_ROLL_GRAPH = 38,
  MAIN_HELP1 = 40,
  MAIN_HELP2 = 41
};

// Parameter page 1
enum Para1Control {
  PARA1_EVALMODE = 4,
  PARA1_OPTION5 = 5,
  PARA1_TOLERANCE = 6,
  PARA1_TRIGMODE = 7,
  PARA1_HWMODE = 8,
  PARA1_POLARITY = 9,
  PARA1_AVERAGE = 10,
  PARA1_ANAMODE = 11,
  PARA1_TOLERANCE_UP = 12,
  PARA1_HOLD = 20
};

// Parameter page 2
enum Para2Control {
  PARA2_POWER = 2,
  PARA2_THRESHOLD = 3,
  PARA2_POWERMODE = 4,
  PARA2_SETPOINT = 5,
  PARA2_TEACH = 6
};

// Calibration page
enum CalibControl {
  CALIB_OPMODE = 3,
  CALIB_SLOPE = 4,
  CALIB_OFFSET = 5,
  CALIB_INFO = 9,
  CALIB_XFLASH_WRITE = 11,
  CALIB_XFLASH_READ = 12
};

// Recorder panel
enum RecorderControl {
  REC_STATUS = 2,
  REC_SAMPLES = 4,
  REC_START = 5,
  REC_STOP = 6,
  REC_FILE = 7,
  REC_DATE = 8,
  REC_TIME = 9,
  REC_COUNT = 10,
  REC_SECONDS = 11,
  REC_MINUTES = 12,
  REC_HOURS = 13,
  REC_DAYS = 14,
  REC_MVALUE = 15,
  REC_LEDGE = 16,
  REC_PATH = 20,
  REC_INCREMENT = 21,
  REC_MM = 22,
  REC_REDGE = 23
};
