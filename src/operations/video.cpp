// VIDEO: each pass fetches a measurement frame and the whole 256-word video profile in
// four 64-word blocks, then draws the bar graph and the video curve.
#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"

namespace {

// One pass after its measurement frame: the four blocks with the receive callback off
// (it would take the first 36 bytes of a block), stopping at the first that fails.
int FetchProfile() {
  ReceiveCallbackOff();
  FlushInQ(com);
  FlushOutQ(com);
  int r = ReadData64(0, 0);
  if (r == 1) r = ReadData64(64, 0);
  if (r == 1) r = ReadData64(128, 0);
  if (r == 1) r = ReadData64(192, 0);
  ReceiveCallbackOn();
  return r;
}

}  // namespace

void PushVIDEO() {
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE, 1);
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 1);
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, 1);
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, 1);
  stop_flag = 0;

  do {
    if (PushGETRAW() == 1) {
      CopyPPtoRAWVars();
      if (FetchProfile() == 1) {
        SetAxisScalingMode(pHandle, MAIN_VIDEO_GRAPH, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
        PlotLiveBarGraph();
        PlotVIDEOCurve(adcbuf, thdArray, xArray);
      }
    } else {
      stop_flag = 1;
    }
    ProcessSystemEvents();
  } while (stop_flag == 0);

  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 0);
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, 0);
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, 0);
  ReceiveCallbackOn();
  FlushOutQ(com);
  FlushInQ(com);
}

int CC_BTNVideo(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    SelectRAM();
    PushVIDEO();
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, MAIN_HELP1, 10, -10,
               "VIDEO-BUTTON:\nTransfer video-signal (pixel information)\n= intensity "
               "profile at CCD-line, via\nserial communication interface to PC.");
  }
  return 0;
}
