// Definitions of the application state. Load-time values only; InitVars sets the
// start values of a run.
#include "shell/globals.h"

#include <cstring>
#include <initializer_list>

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

int pHandle, pPopup, pPara1, pPara2, pCalib;

void ResetApplicationState() {
  stop_flag = rx_flag = graph_flag = target = com = nBytesW = nBytesR = 0;
  std::memset(parameter, 0, sizeof parameter);
  std::memset(pp, 0, sizeof pp);
  hwtype = pcbtype = softversion = 0;
  ccdtype = ccdmaxpixel = ccdresolution = ccdvirtpixel = ccdsubpixel = ccdpixB = ccdpixE = 0;
  adcmax = HWTYPE = ADCMAX = pixB = pixE = 0;
  Ledge = Redge = Mvalue = tol = edcnt = mvstart = mvend = dynpow = anaMax = anaMin = in0 =
      videoMax = raw15 = 0;
  umValue = 0;
  std::memset(xArray, 0, sizeof xArray);
  std::memset(thdArray, 0, sizeof thdArray);
  std::memset(adcbuf, 0, sizeof adcbuf);
  std::memset(linArray, 0, sizeof linArray);
  std::memset(arrayNORM, 0, sizeof arrayNORM);
  for (char* text : {szStatus, szVersion, szSoftVersion, szSoftName})
    std::memset(text, 0, STATUS_LEN);
  for (char* path : {proj_dir, file_name, dir_fname, rec_fname}) std::memset(path, 0, PATH_LEN);
  std::memset(szWriteBuf, 0, sizeof szWriteBuf);
  std::memset(szReadBuf, 0, sizeof szReadBuf);
  pHandle = pPopup = pPara1 = pPara2 = pCalib = 0;
}
