// Shared state of the engine's parts: the panel table, the controls of each panel and
// the event dispatch. Private to src/engine.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_graph.h"

class QLabel;

namespace engine {

// One control of a panel: its widget, its label and what the program set on it.
struct ControlState {
  int id = 0;
  QPointer<QWidget> widget;
  QPointer<QLabel> label;  // the separate label (labelFor), if any
  CtrlCallbackPtr callback = nullptr;
  void* callbackData = nullptr;
  bool autoSize = false;  // text messages created at run time follow their text

  // Look set through attributes (-1 = not set: the widget's own palette).
  int textColor = -1;
  int textBgColor = -1;
  int frameColor = -1;

  // Numeric controls: the user changed the value since the last commit; the value last
  // seen (a spin box repeats its value on Enter without a change).
  bool pendingCommit = false;
  double lastValue = 0.0;
  // Floating numerics keep the exact value written, as long as the box shows it; binary
  // switches keep the word written until the user switches them.
  bool hasExact = false;
  double exactValue = 0.0;
  double exactShown = 0.0;                     // what the box showed right after the write
  std::string fontName;                        // as set through ATTR_TEXT_FONT
  std::function<std::string()> tooltipSource;  // makes the tooltip when it is needed
  QPointer<QObject> tooltipWatch;              // asks the source before a tooltip shows

  std::unique_ptr<GraphState> graph;  // QCustomPlot controls
};

struct PanelState {
  int handle = 0;
  int parent = 0;
  int resourceId = 0;
  QPointer<QWidget> widget;
  PanelCallbackPtr callback = nullptr;
  void* callbackData = nullptr;
  std::map<int, std::unique_ptr<ControlState>> controls;
  int nextNewCtrlId = 1000;
};

PanelState* FindPanel(int handle);
// The panels whose parent is `panel`, in load order.
std::vector<const PanelState*> ChildPanels(int panel);
ControlState* FindControl(int panel, int control);
// Looks the control up and reports why it cannot be used: 0 or a negative UI error.
int LookupControl(int panel, int control, ControlState** out);

// Delivers an event to a control or panel callback. Safe to call from Qt signal handlers:
// the callback may run nested event processing; nothing is held across the call.
int DispatchCtrlEvent(int panel, int control, int event, int data1, int data2);
int DispatchPanelEvent(int panel, int event, int data1, int data2);
// Depth of callbacks currently running (widgets are deleted late while > 0).
int DispatchDepth();

// Connects the control's signals and the event filter to the dispatch (events.cpp).
void WireControl(int panel, ControlState& control);
void WirePanelWindow(int panel, QWidget* widget);

// Column widths of a table control from its "columnWidths" property (tables.cpp).
void SetupTable(QWidget* widget);

// Accessible name (from the label) and, for graphs, description of a control; keyboard
// focus of the window that holds `panel` in the order of its layout (access.cpp).
void NameForAssistiveTools(ControlState& control);
void OrderFocus(int panel);

// Closes every serial port (serial.cpp).
void CloseAllPorts();
// The device a path means: symlinks (by-id names) resolved; the path itself if it does
// not exist (ports.cpp).
std::string ResolveDevice(const std::string& path);
// Linux serial details (serial_linux.cpp): asks the driver of the open descriptor for low
// latency and reads the adapter's latency timer; finds out why `device` cannot be opened.
ComLatency RequestLowLatency(int fd, const std::string& device);
ComOpenFailure ProbeOpenFailure(const std::string& device, bool permissionError);
// Not inside a control callback nor inside ProcessSystemEvents (loop.cpp).
bool AtRest();

// Colour helpers: 0xRRGGBB <-> QColor.
QColor ToQColor(int rgb);
int FromQColor(const QColor& c);

// Writes a line to the protocol trace if one is open (loop.cpp).
bool TraceOn();
void TraceBytes(const char* kind, const char* data, int count);

// Copies text into a caller buffer of `size` bytes (size - 1 characters and a zero).
void CopyOut(const std::string& text, char* out, int size);

}  // namespace engine
