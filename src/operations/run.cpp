// RUN and STOP: the continuous transfer of measurement frames. Every reply frame that
// arrives triggers the next request, so the exchange runs as fast as the sensor answers.
#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "shell/status.h"

namespace {

// The next request of the chain: command 8 with half 0 of the parameter set.
void SendNextRequest(double* t0) {
  FlushInQ(com);
  FlushOutQ(com);
  CopyVarsToPP(0);
  FillTxBuf(CMD_MEAS_FRAME, 0, pp);
  rx_flag = 0;
  *t0 = Timer();
  WriteFrame();
}

}  // namespace

void DimLoopCommands(int dimmed, bool teach) {
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, dimmed);
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, dimmed);
  if (teach) SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, dimmed);
}

void PushRUN() {
  SetCtrlAttribute(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE, 1);
  DimLoopCommands(1, false);
  SelectRAM();

  stop_flag = 0;
  graph_flag = 0;
  rx_flag = 0;
  double t0 = Timer();
  PushGETRAW();

  for (;;) {
    // The frame is distributed before the next request is built (the request carries the
    // set-point it reported) and drawn while that request is on the line, so drawing
    // never holds up the exchange. Any reply, decoded or not, lets the next request go.
    const bool frame = graph_flag == 1;
    if (frame) {
      CopyPPtoRAWVars();
      graph_flag = 0;
      FlushInQ(com);
      FlushOutQ(com);
    }
    if (rx_flag == 1) SendNextRequest(&t0);
    if (frame) PlotLiveBarAndRollGraphs();
    if (Timer() - t0 > TIMEOUT) {
      ShowStatus("Timeout RS232-Line!");
      stop_flag = 1;
      break;
    }
    WaitReply(t0, UNTIL_REPLY_OR_STOP);
    if (stop_flag != 0) break;
  }

  rx_flag = 0;
  graph_flag = 0;
  FlushInQ(com);
  FlushOutQ(com);
  DimLoopCommands(0, false);
}

void PushSTOP() {
  stop_flag = 1;
  DimLoopCommands(0, true);
}

int CC_BTNRun(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
              int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    PushRUN();
  } else if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, MAIN_HELP1, 10, -10,
               "RUN-BUTTON:\nStart the continuosly serial RS232-data-\ntransfer between PC and "
               "Q-ROX sensor...\nA frame of 16 meas.-values is transferred!");
  }
  return 0;
}

int CC_BTNStop(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
               int /*eventData2*/) {
  switch (event) {
    case EVENT_COMMIT:
      PushSTOP();
      SleepMs(0);
      break;
    case EVENT_LEFT_CLICK:
    case EVENT_KEYPRESS:
      // The stop request takes effect at the press, before the commit.
      stop_flag = 1;
      break;
    case EVENT_RIGHT_CLICK:
      HelpBeside(panel, control, MAIN_HELP1, 10, -10,
                 "STOP-BUTTON:\nStops the serial RS232-data-transfer\nbetween PC and Q-ROX "
                 "sensor.");
      break;
    default:
      break;
  }
  return 0;
}
