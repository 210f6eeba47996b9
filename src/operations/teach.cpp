// Teach and reset: the set-point field, the TEACH button (the sensor takes its present
// pixel position as the new set-point) and the RESET button (the sensor clears the stored
// maximum and minimum of its analogue output).
#include "com232/com232.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "operations/operations.h"
#include "shell/status.h"

// Set-point field (parameter page 2, control 5): keeps the set-point inside the pixel
// range 1 .. ccdvirtpixel; a value above ccdvirtpixel becomes ccdvirtpixel - 1.
int CC_NEDITTeach(int panel, int control, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  unsigned short value = 0;
  GetCtrlVal(panel, control, &value);
  int v = value;
  if (v > ccdvirtpixel) v = ccdvirtpixel - 1;
  if (v < 1) v = 1;
  SetCtrlVal(panel, control, static_cast<unsigned short>(v));
  return 0;
}

// TEACH button (parameter page 2, control 6): sends the teach command with the layout
// half read fresh from the panels and, once the sensor answers, reads the parameter set
// back from its RAM. While a transfer loop runs, the set-point cursor of the bar graph
// follows the new set-point.
int CC_ButtonTeach(int, int, int event, void*, int, int) {
  if (event == EVENT_RIGHT_CLICK) {
    int pageLeft = 0, pageTop = 0;
    GetPanelAttribute(pPara2, ATTR_LEFT, &pageLeft);
    GetPanelAttribute(pPara2, ATTR_TOP, &pageTop);
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pPara2, PARA2_TEACH, &top, &left, &height, &width);
    ToggleHelpText(MAIN_HELP1, pageLeft + 80 + left, pageTop + top - 10,
                   "TEACH-BUTTON:\nStart teach procedure at Q-ROX-sensor.\nThe actual "
                   "pixel-position == teach value");
    return 0;
  }
  if (event != EVENT_COMMIT) return 0;

  parameter[1] = CMD_TEACH;
  FlushInQ(com);
  FlushOutQ(com);
  GetPanelValuesLive();
  CopyVarsToPP(0);
  FillTxBuf(CMD_TEACH, 0, pp);
  WriteFrame();
  ShowStatus("New setpoint value teached!");

  rx_flag = 0;
  if (WaitReply(Timer(), UNTIL_SYNCED_REPLY) == WAIT_REPLY) {
    PushGET(static_cast<u16>(RAM), 0);
    Delay(0.1);
    PushGET(static_cast<u16>(RAM), 1);
  } else {
    ShowStatus("Timeout RS232-Line!");
    stop_flag = 1;
  }

  // stop_flag is 0 only while a transfer loop (RUN, VIDEO or a recording) runs.
  if (stop_flag != 0) return 0;
  SetGraphCursor(pHandle, MAIN_BAR_GRAPH, 1, parameter[9], 0.75);
  return 0;
}

// RESET button (main panel, control 22): clears the analogue output's stored maximum
// and minimum in the sensor. The packet goes out with its current contents.
int CC_ButtonReset(int panel, int control, int event, void*, int, int) {
  if (event == EVENT_RIGHT_CLICK) {
    HelpBeside(panel, control, MAIN_HELP1, 10, -10,
               "RESET-BUTTON:\nReset the actual maxima und minima\nvalues at the "
               "Q-ROX-hardware.\nNo software/hardware reset is done !");
    return 0;
  }
  if (event != EVENT_COMMIT) return 0;

  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  parameter[1] = CMD_RESET_MAXMIN;
  FillTxBuf(CMD_RESET_MAXMIN, 0, pp);
  WriteFrame();
  ShowStatus("Reset Max/Min values...");

  if (WaitReply(Timer(), UNTIL_SYNCED_REPLY) == WAIT_REPLY)
    SetStatus("Reset of analog-output Max/Min OK!");
  else
    SetStatus("Timeout-RS-232...");
  ShowStatusBuffer();
  return 0;
}
