// RUN and STOP: the continuous transfer of measurement frames. Every reply frame that
// arrives triggers the next request, so the exchange runs as fast as the sensor answers.
#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "shell/status.h"

namespace {

// Help-text box 1 beside a main-panel button: 10 pixels right of it, 10 pixels above.
void ButtonHelp(int panel, int control, const char* text) {
  HelpBeside(panel, control, MAIN_HELP1, 10, -10, text);
}

void UndimRunVideoTeach() {
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, 0);
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 0);
  SetCtrlAttribute(pPara2, PARA2_TEACH, ATTR_DIMMED, 0);
}

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

void PushRUN() {
  SetCtrlAttribute(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE, 1);
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 1);
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, 1);
  SelectRAM();

  stop_flag = 0;
  graph_flag = 0;
  rx_flag = 0;
  double t0 = Timer();
  PushGETRAW();

  for (;;) {
    // The frame is distributed before the next request is built (the request carries the
    // set-point it reported) and drawn while that request is on the line, so drawing
    // never holds up the exchange.
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
    ProcessSystemEvents();
    if (stop_flag != 0) break;
  }

  rx_flag = 0;
  graph_flag = 0;
  FlushInQ(com);
  FlushOutQ(com);
  SetCtrlAttribute(pHandle, MAIN_RUN, ATTR_DIMMED, 0);
  SetCtrlAttribute(pHandle, MAIN_VIDEO, ATTR_DIMMED, 0);
}

void PushSTOP() {
  stop_flag = 1;
  UndimRunVideoTeach();
}

int CC_BTNRun(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
              int /*eventData2*/) {
  if (event == EVENT_COMMIT) {
    PushRUN();
  } else if (event == EVENT_RIGHT_CLICK) {
    ButtonHelp(panel, control,
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
      ButtonHelp(panel, control,
                 "STOP-BUTTON:\nStops the serial RS232-data-transfer\nbetween PC and Q-ROX "
                 "sensor.");
      break;
    default:
      break;
  }
  return 0;
}
