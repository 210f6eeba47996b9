// The run-time engine: panels, controls, graphs, event loop, serial ports,
// files, pop-ups and time, offered as free functions with the results the
// application relies on. This is the only part of the program that names Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// ---------------------------------------------------------------- events
constexpr int EVENT_NONE = 0;
constexpr int EVENT_COMMIT = 1;
constexpr int EVENT_VAL_CHANGED = 2;
constexpr int EVENT_LEFT_CLICK = 3;
constexpr int EVENT_RIGHT_CLICK = 5;
constexpr int EVENT_KEYPRESS = 7;
constexpr int EVENT_CLOSE = 11;

// ---------------------------------------------------------------- attributes
constexpr int ATTR_DIMMED = 500;
constexpr int ATTR_VISIBLE = 530;
constexpr int ATTR_LEFT = 531;
constexpr int ATTR_TOP = 532;
constexpr int ATTR_WIDTH = 533;
constexpr int ATTR_HEIGHT = 534;
constexpr int ATTR_ZPLANE_POSITION = 545;  // 0: in front of everything on its panel, pages too
constexpr int ATTR_LABEL_TEXT = 641;       // string attribute: the control's label
constexpr int ATTR_LABEL_BOLD = 660;       // tolerance-field label emphasis
constexpr int ATTR_TEXT_COLOR = 680;
constexpr int ATTR_TEXT_FONT = 681;  // string attribute: font family
constexpr int ATTR_TEXT_POINT_SIZE = 682;
constexpr int ATTR_TEXT_BOLD = 687;
constexpr int ATTR_TEXT_BGCOLOR = 690;
constexpr int ATTR_FRAME_COLOR = 700;  // colour of a decoration / field
constexpr int ATTR_SCROLL_MODE = 1088;
constexpr int ATTR_NUM_TRACES = 1170;
constexpr int ATTR_POINTS_PER_SCREEN = 1171;
constexpr int ATTR_TRACE_COLOR = 1230;
constexpr int ATTR_TOOLTIP_TEXT = 1910;  // string attribute: the text shown on hovering

// Plot attributes (SetPlotAttribute)
constexpr int ATTR_LINE_STYLE = 1219;            // VAL_SOLID, VAL_DASH, VAL_DOT
constexpr int ATTR_PLOT_ZPLANE_POSITION = 2270;  // 0: in front of the graph's other plots
constexpr int VAL_SOLID = 0;
constexpr int VAL_DASH = 1;
constexpr int VAL_DOT = 2;

// EVENT_KEYPRESS: eventData1 is the key (letters as upper-case ASCII), eventData2 the
// modifier keys held.
constexpr int VAL_MENUKEY_MODIFIER = 0x04000000;  // Ctrl
constexpr int VAL_FWD_DELETE_VKEY = 0x01000007;   // Del

// Axis and scaling
constexpr int VAL_XAXIS = 0;
constexpr int VAL_LEFT_YAXIS = 1;
constexpr int VAL_MANUAL = 0;
constexpr int VAL_AUTOSCALE = 1;

// Data types of plot, strip-chart and file arrays
constexpr int VAL_CHAR = 0;
constexpr int VAL_INTEGER = 1;        // signed 32-bit
constexpr int VAL_SHORT_INTEGER = 2;  // signed 16-bit
constexpr int VAL_FLOAT = 3;
constexpr int VAL_DOUBLE = 4;
constexpr int VAL_UNSIGNED_SHORT_INTEGER = 6;
constexpr int VAL_UNSIGNED_INTEGER = 7;

// File operations
constexpr int VAL_ASCII = 0;
constexpr int VAL_BINARY = 1;
constexpr int VAL_TRUNCATE = 0;
constexpr int VAL_APPEND = 1;
constexpr int VAL_GROUPS_TOGETHER = 0;
constexpr int VAL_DATA_MULTIPLEXED = 1;
constexpr int VAL_GROUPS_AS_COLUMNS = 0;
constexpr int VAL_GROUPS_AS_ROWS = 1;
constexpr int VAL_CONST_WIDTH = 0;
constexpr int VAL_SEP_BY_TAB = 1;

// Pop-ups
constexpr int VAL_OK_BUTTON = 0;
constexpr int VAL_LOAD_BUTTON = 2;
constexpr int VAL_NO_FILE_SELECTED = 0;
constexpr int VAL_EXISTING_FILE_SELECTED = 1;
constexpr int VAL_NEW_FILE_SELECTED = 2;

// Control styles for NewCtrl
constexpr int CTRL_TEXT_MSG = 160;

// Serial events
constexpr int LWRS_RXFLAG = 0x0002;
constexpr int LWRS_TXEMPTY = 0x0004;
constexpr int LWRS_RECEIVE = 0x8000;

// Engine error codes
constexpr int UIEBadPanelHandle = -1;
constexpr int UIEResourceFile = -2;  // resource file missing, unreadable or the panel absent
constexpr int UIEBadControl = -3;
constexpr int UIEValueTypeMismatch = -4;
constexpr int UIEFile = -5;
constexpr int UIEOutOfMemory = -12;
constexpr int UIETooManyOrNotEnoughValues = -10;
constexpr int UIEInvalidAttribute = -14;  // attribute not supported by the control or panel

// Serial error codes of OpenComConfig and the other serial calls
constexpr int kComUnknownSystemError = -1;
constexpr int kComInvalidPortNumber = -2;
constexpr int kComPortNotOpen = -3;
constexpr int kComUnknownIOError = -4;
constexpr int kComNoSerialPort = -6;
constexpr int kComCannotOpenPort = -7;
constexpr int kComInvalidParameter = -13;
constexpr int kComTimeout = -99;

// File error codes of ArrayToFile / FileToArray
constexpr int kFileOpenError = -1;
constexpr int kFileReadError = -2;  // non-numeric text or too few values
constexpr int kFileWriteError = -3;

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
using PanelCallbackPtr = int (*)(int panel, int event, void* callbackData, int eventData1,
                                 int eventData2);
using ComCallbackPtr = void (*)(int portNumber, int eventMask, void* callbackData);
// Declares a control callback `name` with the arguments every control callback takes.
#define CTRL_CALLBACK(name) \
  int name(int panel, int control, int event, void* callbackData, int eventData1, int eventData2)

// ---------------------------------------------------------------- start and loop
// The next InitCVIRTE creates no window on screen (the offscreen platform): for runs
// from the command line.
void RunWithoutWindow();
// Creates the application object; argc/argv as given to main. Returns 1 on success.
int InitCVIRTE(int argc, char** argv);
int RunUserInterface();
int QuitUserInterface(int returnCode);
// Delivers the pending events (user interface, timers, serial) and returns; never sleeps.
int ProcessSystemEvents();
// Delivers the pending events; when none are pending it sleeps until one arrives (serial
// bytes, user input, a timer, a posted call) or the engine clock passes `deadline`
// (seconds of Timer()), delivers it and returns. A passed deadline only delivers what is
// pending. Loops that wait call it again until their own condition or deadline is met.
int ProcessEventsUntil(double deadline);
// Discards every panel, closes every port and the trace; call before the end of main.
void CloseCVIRTE();

// ---------------------------------------------------------------- panels
// Loads panel `resourceId` from the resource file; parent 0 = top level. Negative on failure.
int LoadPanel(int parentPanel, const char* resourceFile, int resourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);
int SetActivePanel(int panel);
int SetActiveCtrl(int panel, int control);
int SetPanelAttribute(int panel, int attribute, int value);
int GetPanelAttribute(int panel, int attribute, int* value);
int InstallPanelCallback(int panel, PanelCallbackPtr callback, void* callbackData);
int InstallCtrlCallback(int panel, int control, CtrlCallbackPtr callback, void* callbackData);

// ---------------------------------------------------------------- controls
// Values are converted to and from the control's own type (numeric controls keep a
// double; text controls keep text). Ring/list controls hold the value of the selected item.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned int value);
int SetCtrlVal(int panel, int control, unsigned short value);
int SetCtrlVal(int panel, int control, short value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, float value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, unsigned int* value);
int GetCtrlVal(int panel, int control, unsigned short* value);
int GetCtrlVal(int panel, int control, short* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, float* value);
// Text: copies at most `size` - 1 characters and a terminating zero.
int GetCtrlVal(int panel, int control, char* value, int size);
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);
int GetCtrlAttribute(int panel, int control, int attribute, char* value, int size);
// The control's tooltip is made by `source` each time it is shown or read: for a text that
// changes far more often than anyone looks at it. A text set with ATTR_TOOLTIP_TEXT
// replaces the source.
int SetCtrlTooltipSource(int panel, int control, std::function<std::string()> source);
int GetCtrlBoundingRect(int panel, int control, int* top, int* left, int* height, int* width);
// Text boxes: ResetTextBox replaces the whole text; ReplaceTextBoxLine replaces line `line`
// (0-based), appending empty lines as needed.
int ResetTextBox(int panel, int control, const char* text);
int ReplaceTextBoxLine(int panel, int control, int line, const char* text);
int GetTextBoxLine(int panel, int control, int line, char* text, int size);
// List/ring controls: replaces the label and value of item `index`; `index` equal to the
// number of items appends one.
int ReplaceListItem(int panel, int control, int index, const char* label, int value);
// Inserts an item before `index` (-1 = at the end); ClearListCtrl removes all items.
int InsertListItem(int panel, int control, int index, const char* label, int value);
int ClearListCtrl(int panel, int control);
int GetLabelFromIndex(int panel, int control, int index, char* label, int size);
int GetNumListItems(int panel, int control, int* count);
// Creates a control at run time; returns its control id (> 0) or a negative error.
int NewCtrl(int panel, int style, const char* label, int top, int left);
int DisplayImageFile(int panel, int control, const char* path);

// Tables: rows and columns numbered from 1. Cell attributes: ATTR_TEXT_BGCOLOR,
// ATTR_TEXT_COLOR, ATTR_TEXT_BOLD. InsertTableRows with index -1 appends; DeleteTableRows
// with count -1 deletes every row from index on.
int InsertTableRows(int panel, int control, int index, int count);
int DeleteTableRows(int panel, int control, int index, int count);
int GetNumTableRows(int panel, int control, int* rows);
int SetTableCellVal(int panel, int control, int row, int column, const char* text);
int GetTableCellVal(int panel, int control, int row, int column, char* text, int size);
int SetTableCellAttribute(int panel, int control, int row, int column, int attribute, int value);
int GetTableCellAttribute(int panel, int control, int row, int column, int attribute, int* value);

// ---------------------------------------------------------------- graphs
// Plot handles are positive; DeleteGraphPlot with plot -1 deletes all plots.
int PlotRectangle(int panel, int control, double x1, double y1, double x2, double y2, int lineColor,
                  int fillColor);
int PlotXY(int panel, int control, const void* xArray, const void* yArray, int numPoints,
           int xDataType, int yDataType, int plotStyle, int pointStyle, int lineStyle,
           int pointFrequency, int color);
// Appends `numPoints` values to a strip chart; with T traces they are taken T at a time.
int PlotStripChart(int panel, int control, const void* array, int numPoints, int startIndex,
                   int skipCount, int dataType);
int DeleteGraphPlot(int panel, int control, int plot, int refresh);
int SetGraphCursor(int panel, int control, int cursor, double x, double y);
int GetGraphCursor(int panel, int control, int cursor, double* x, double* y);
int SetTraceAttribute(int panel, int control, int trace, int attribute, int value);
int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max);
int GetAxisScalingMode(int panel, int control, int axis, int* mode, double* min, double* max);

// What a graph holds, for tests and diagnostics.
struct PlotInfo {
  int handle = 0;
  bool rectangle = false;                 // else an XY plot
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // rectangle corners
  int lineColor = 0, fillColor = 0;       // rectangle colours; XY: both the plot colour
  std::vector<double> x, y;               // XY points; bar chart: centres and heights
  bool bars = false;                      // a bar chart (PlotBarChart)
};
std::vector<PlotInfo> GetGraphPlots(int panel, int control);
// Strip chart: the points of trace `trace` (1-based) as currently on screen, oldest first.
std::vector<double> GetStripChartTrace(int panel, int control, int trace);
int GetTraceAttribute(int panel, int control, int trace, int attribute, int* value);
// Bars centred on x[i], y[i] high and `width` wide (a histogram): one plot.
int PlotBarChart(int panel, int control, const double* x, const double* y, int count, double width,
                 int lineColor, int fillColor);
// ATTR_LINE_STYLE of a plot, or its place among the graph's plots (ATTR_PLOT_ZPLANE_POSITION:
// 0 in front; a number beyond the last plot puts it behind all others).
int SetPlotAttribute(int panel, int control, int plot, int attribute, int value);
// Saves the graph as shown, by the ending of `path`: ".png", ".pdf" or ".svg" (any case).
// 0, UIEFile when the file cannot be written, UIEInvalidAttribute for another ending.
int SaveGraph(int panel, int control, const char* path);

// ---------------------------------------------------------------- pop-ups
int ConfirmPopup(const char* title, const char* message);
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName);
// Tests queue the answers of the next pop-ups instead of a person clicking a dialog.
void QueueConfirmAnswer(int answer);
void QueueFileSelectAnswer(int result, const std::string& path);
int PendingPopupAnswers();
// What a pop-up was opened with, whoever answered it (a person or the queue).
enum PopupKind { POPUP_CONFIRM, POPUP_FILE_SELECT };
struct PopupShown {
  PopupKind kind = POPUP_CONFIRM;
  std::string title;
  std::string message;           // the question of a confirm pop-up
  std::string defaultDirectory;  // file selection only from here on
  std::string defaultFileSpec;
  std::string fileTypeList;
  int buttonLabel = 0;  // VAL_OK_BUTTON, VAL_LOAD_BUTTON, ...
  int restrictDirectory = 0, restrictExtension = 0, allowCancel = 0, allowMakeDirectory = 0;
};
// The pop-ups opened since the last call, oldest first (at most the last 64).
std::vector<PopupShown> TakeShownPopups();
// Forgets queued answers and shown pop-ups: a fresh start for the next test.
void ClearPopupAnswers();

// ---------------------------------------------------------------- serial ports
// Port numbers map to devices through the port table: the serial devices found on the
// machine (1, 2, ... in the order first seen; a device that goes and comes back keeps its
// number for the whole run), plus "Simulated sensor". A device may be set for a number
// explicitly (command line, tests); a /dev/serial/by-id path or any other symlink is
// opened as the device it points to.
struct PortEntry {
  int number = 0;
  std::string device;        // path of the device, e.g. /dev/ttyUSB0 or a pty slave
  std::string description;   // what the system calls it (USB product), or a given name
  std::string byId;          // the stable /dev/serial/by-id path of the device, if any
  std::string serialNumber;  // the USB serial number, if any
};
std::vector<PortEntry> GetPortTable();
void SetPortDevice(int portNumber, const std::string& device, const std::string& description);
std::string GetPortDevice(int portNumber);

// What the system reports about one serial device. Tests replace the system's list with
// their own set and point the by-id directory at a directory of their own.
struct SystemPort {
  std::string device;  // /dev/ttyUSB0
  std::string description;
  std::string manufacturer;
  std::string serialNumber;
};
using PortSource = std::function<std::vector<SystemPort>()>;
// nullptr: the system's serial devices. A new source starts the numbering afresh.
void SetPortSource(PortSource source);
void SetSerialByIdDir(const std::string& directory);  // "" = /dev/serial/by-id

// Why the last OpenComConfig on a port failed, as the system saw it.
struct ComOpenFailure {
  int error = 0;       // errno of the open: EACCES no permission, EBUSY in use, 0 = no failure
  std::string device;  // the device tried (symlinks resolved)
  std::string group;   // the group that owns the device
};
ComOpenFailure GetComOpenFailure(int portNumber);

// Latency of the open port's adapter. On open the driver is asked for low-latency mode;
// a USB adapter's latency timer is read from sysfs.
struct ComLatency {
  bool lowLatency = false;       // the driver accepted the low-latency request
  int latencyTimerMs = -1;       // the adapter's latency timer, -1 when it has none
  std::string latencyTimerFile;  // where the timer is set
};
ComLatency GetComLatency(int portNumber);
// Tests: the sysfs root ("" = /sys) and the low-latency request (returns 0 or an errno;
// nullptr = the driver's TIOCSSERIAL).
void SetSysfsRoot(const std::string& root);
void SetLowLatencyRequest(std::function<int(int fd)> request);

// The device of an open port went away (COM_LINK_LOST: the port is closed now), the
// program is at rest while it is away (COM_LINK_AWAY, once), or the same device is present
// again (COM_LINK_RETURNED, while the port is still closed). Lost ports are watched with a
// timer only while one is away; AWAY and RETURNED come only at rest: outside control
// callbacks and outside ProcessSystemEvents. CloseCom or a successful OpenComConfig ends the
// watch of a port.
constexpr int COM_LINK_LOST = 1;
constexpr int COM_LINK_AWAY = 2;
constexpr int COM_LINK_RETURNED = 3;
using ComLinkCallbackPtr = void (*)(int portNumber, int event);
void InstallComLinkCallback(ComLinkCallbackPtr callback);
void SetComWatchInterval(double seconds);  // 0.25 s unless set
bool ComPortLost(int portNumber);          // lost and not reopened since

int OpenComConfig(int portNumber, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize);
int CloseCom(int portNumber);
int SetComTime(int portNumber, double timeoutSeconds);
int SetCTSMode(int portNumber, int mode);
// Writes `count` bytes; returns the count written or a negative error.
int ComWrt(int portNumber, const char* buffer, int count);
// Reads `count` bytes, waiting up to the port's time-out; returns the count read.
int ComRd(int portNumber, char* buffer, int count);
int FlushInQ(int portNumber);
int FlushOutQ(int portNumber);
int GetInQLen(int portNumber);
// The port wakes a waiting loop only once `count` bytes (0..255; 0 and 1: any byte) wait, so
// a reply arriving at the line's pace costs one wake-up. InstallComCallback sets it to the
// notify count, or to 0 when it switches the callback off.
int SetComWakeCount(int portNumber, int count);
// callback == nullptr or eventMask == 0 switches the callback off.
int InstallComCallback(int portNumber, int eventMask, int notifyCount, int eventCharacter,
                       ComCallbackPtr callback, void* callbackData);

// ---------------------------------------------------------------- files and text
// CVI-style array file operations. fieldWidth > 0 writes each ASCII number right-aligned
// in a field of that width (constant-width layout); separator VAL_SEP_BY_TAB writes
// groups as tab-separated columns. Every ASCII line ends in CR LF. 0 or a negative error.
// Whole or not at all: VAL_TRUNCATE replaces the file only when all of it was written,
// and a failed VAL_APPEND is cut back to the size before it.
int ArrayToFile(const char* fileName, const void* array, int dataType, int numberOfElements,
                int numberOfGroups, int arrayDataOrder, int fileLayout, int columnSeparator,
                int fieldWidth, int fileType, int fileAction);
// Reads `numberOfElements` numbers (ASCII: separated by blanks, tabs, commas or line ends).
// Too few numbers, a token that is no decimal number ("nan", "inf", "0x1F") or a NUL byte
// in the file gives kFileReadError and leaves `array` unchanged.
int FileToArray(const char* fileName, void* array, int dataType, int numberOfElements,
                int numberOfGroups, int arrayDataOrder, int fileLayout, int fileType);
int GetFileInfo(const char* fileName, long* fileSize);
// Cuts the file back to `size` bytes: 0 or kFileWriteError.
int TruncateFile(const char* fileName, long size);
int DeleteFile(const char* fileName);
int MakePathname(const char* directory, const char* fileName, char* pathName);
// The base directory for default file names: the program's directory while it runs from a
// private copy the user may write to; for an installed program (or an unwritable
// directory) the user's documents directory, else the working directory.
int GetProjectDir(char* directory);
void SetProjectDir(const std::string& directory);  // start-up and tests ("" = the default)
// The program's own files (resource file, logo): beside the program first, then in its
// installed data directory. 1 = found beside the program, 2 = in the data directory,
// 0 = nowhere (pathName then names the place beside the program).
int FindProgramFile(const char* fileName, char* pathName);
void SetProgramDir(const std::string& directory);  // tests ("" = the running program's)
// "MM-DD-YYYY" and "HH:MM:SS" of the engine clock (the system clock unless tests fix it).
const char* DateStr();
const char* TimeStr();
void SetFixedDateTime(int year, int month, int day, int hour, int minute, int second);
void ClearFixedDateTime();

// ---------------------------------------------------------------- time
double Timer();  // seconds from an arbitrary start, monotonic
void Delay(double seconds);
void SleepMs(int ms);  // yields the processor; 0 = yield once

// ---------------------------------------------------------------- command line
// One long option ("--name"), with an optional one-letter alias; valueName == nullptr: a
// switch without value. A repeatable option may be given more than once.
struct CommandLineOption {
  const char* name;
  const char* valueName = nullptr;
  const char* shortName = nullptr;
  bool repeatable = false;
};
// Parses argv (argv[0] is the program). Fills `values` with every option given (name ->
// value, "" for a switch; the values of a repeated option one a line) and returns 0; on an
// unknown option, a missing value, an option not repeatable given twice or a stray argument
// returns -1 with the reason in `error`.
int ParseCommandLine(int argc, char** argv, const std::vector<CommandLineOption>& options,
                     std::map<std::string, std::string>* values, std::string* error);

// ---------------------------------------------------------------- diagnostics
// A protocol trace: every frame sent and received (hex) and every status-line text,
// each line with a timestamp. Empty path = no trace.
void SetTraceFile(const std::string& path);
void TraceText(const char* kind, const std::string& text);

// ---------------------------------------------------------------- driving callbacks
// Calls the callback installed on a control or panel as a user action would, on the
// calling thread (tests, scripted checks).
int CallCtrlCallback(int panel, int control, int event, int eventData1 = 0, int eventData2 = 0);
int CallPanelCallback(int panel, int event);
