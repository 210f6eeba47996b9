// Temporary placeholders so the program links while the modules are being written.
// Each line goes when its function is implemented; this file is deleted at the end.
#include "com232/com232.h"
#include "display/display.h"
#include "files/files.h"
#include "gui/gui.h"
#include "logo/logo.h"
#include "operations/operations.h"
#include "popup/popup.h"

int PushGETRAW() { return 0; }
int ReadData64(u16, u16) { return 0; }
void PlotLiveFrame(bool) {}
void PlotRAWGraph() {}
void PlotRAWGraphD303() {}
void PlotRAWGraphMX400() {}
void PlotVIDEOBarGraph() {}
void PlotVIDEOBarGraphD303() {}
void PlotVIDEOBarGraphMX400() {}
void PlotVIDEOCurve(const u16*, const u16*, const double*) {}
void PushRUN() {}
void PushSTOP() {}
void PushVIDEO() {}
void ToggleHelpText(int, int, int, const char*) {}
int CC_BTNRun(int, int, int, void*, int, int) { return 0; }
int CC_BTNStop(int, int, int, void*, int, int) { return 0; }
int CC_BTNVideo(int, int, int, void*, int, int) { return 0; }
int CC_HelpText1(int, int, int, void*, int, int) { return 0; }
int CC_HelpText2(int, int, int, void*, int, int) { return 0; }
int CC_NEDITEdgeLeft(int, int, int, void*, int, int) { return 0; }
int CC_NEDITEdgeRight(int, int, int, void*, int, int) { return 0; }
int CC_DROPevalmode(int, int, int, void*, int, int) { return 0; }
int CC_DROPhardware(int, int, int, void*, int, int) { return 0; }
int CC_DROPtrigmode(int, int, int, void*, int, int) { return 0; }
int CC_DROPpolarity(int, int, int, void*, int, int) { return 0; }
int CC_DROPaverage(int, int, int, void*, int, int) { return 0; }
int CC_DROPanaMode(int, int, int, void*, int, int) { return 0; }
int CC_NEDITToleranceUP(int, int, int, void*, int, int) { return 0; }
int CC_NEDITTolerance(int, int, int, void*, int, int) { return 0; }
int CC_DROPhold(int, int, int, void*, int, int) { return 0; }
int CC_SLIDEpower(int, int, int, void*, int, int) { return 0; }
int CC_SLIDEVideoThreshold(int, int, int, void*, int, int) { return 0; }
int CC_DROPpowermode(int, int, int, void*, int, int) { return 0; }
int CC_BINSWopmode(int, int, int, void*, int, int) { return 0; }
int CC_TOGGBTN_Para1(int, int, int, void*, int, int) { return 0; }
int CC_TOGGBTN_Para2(int, int, int, void*, int, int) { return 0; }
int CC_TOGGBTN_Calib(int, int, int, void*, int, int) { return 0; }
int CC_GRAPHRaw(int, int, int, void*, int, int) { return 0; }
int CC_GRAPHData(int, int, int, void*, int, int) { return 0; }
