// Definitions of the application state. Load-time values only; InitVars sets the
// start values of a run.
#include "shell/globals.h"

const int RAM = 1;
const int EEPROM = 2;
const int DATFILE = 3;
const double TIMEOUT = 1.5;
const int eventMask = 0x8006;
const int YOFFSET = 30000;

int stop_flag = 0;
int rx_flag = 0;
int graph_flag = 0;
int target = 0;
int com = 0;
int nBytesW = 0;
int nBytesR = 0;

u16 parameter[64];
u16 pp[16];

u16 hwtype, pcbtype, softversion;
u16 ccdtype, ccdmaxpixel, ccdresolution, ccdvirtpixel, ccdsubpixel, ccdpixB, ccdpixE;
u16 adcmax;
u16 HWTYPE;
u16 ADCMAX;
u16 pixB, pixE;

u16 Ledge, Redge, Mvalue, tol, edcnt, mvstart, mvend, dynpow, anaMax, anaMin, in0, videoMax, raw15;
u32 umValue;

double xArray[256];
u16 thdArray[256];
u16 adcbuf[256];
u16 linArray[2048];
double arrayNORM[600];

char szStatus[STATUS_LEN];
char szWriteBuf[4096];
char szReadBuf[4096];
char szVersion[STATUS_LEN];
char szSoftVersion[STATUS_LEN];
char szSoftName[STATUS_LEN];
char proj_dir[PATH_LEN];
char file_name[PATH_LEN];
char dir_fname[PATH_LEN];
char rec_fname[PATH_LEN];

int pHandle, pPopup, pPara1, pPara2, pCalib, pCompare;
