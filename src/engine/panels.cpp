// Panels: loading from the resource file, the panel table, showing and placing panels,
// callbacks and their dispatch.
#include <qcustomplot.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QUiLoader>
#include <QVariant>
#include <cstdio>

#include "engine/engine_indicator.h"
#include "engine/engine_internal.h"
#include "engine/engine_plot.h"
#include "engine/engine_qt.h"
#include "engine/engine_spinbox.h"

namespace {

using engine::ControlState;
using engine::PanelState;

std::map<int, std::unique_ptr<PanelState>> g_panels;
int g_nextHandle = 1;
int g_dispatchDepth = 0;

class PanelLoader : public QUiLoader {
 public:
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
    QWidget* w = nullptr;
    if (className == QLatin1String("QCustomPlot"))
      w = new engine::LivePlot(parent);
    else if (className == QLatin1String("QSpinBox"))
      w = new engine::SteppingSpinBox(parent);
    else if (className == QLatin1String("QDoubleSpinBox"))
      w = new engine::SteppingDoubleSpinBox(parent);
    else
      return QUiLoader::createWidget(className, parent, name);
    w->setObjectName(name);
    return w;
  }
};

// Parsed resource files, so that five panels of one file cost one parse. A panel taken
// from a cached tree is gone from it; asking for it again parses the file anew.
struct CachedFile {
  QString path;
  qint64 modified = 0;
  QPointer<QWidget> root;
};
CachedFile g_cache;

QWidget* FindPanelWidget(QWidget* root, int resourceId) {
  const auto children = root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* w : children) {
    QVariant id = w->property("panelId");
    if (id.isValid() && id.toInt() == resourceId) return w;
  }
  return nullptr;
}

QWidget* LoadRoot(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  PanelLoader loader;
  QWidget* root = loader.load(&file, nullptr);
  if (!root && !loader.errorString().isEmpty())
    std::fprintf(stderr, "resource file %s: %s\n", qPrintable(path),
                 qPrintable(loader.errorString()));
  if (root) engine::ReplaceIndicators(root);
  return root;
}

QWidget* TakePanelWidget(const QString& path, int resourceId) {
  QFileInfo info(path);
  if (!info.exists()) return nullptr;
  qint64 modified = info.lastModified().toMSecsSinceEpoch();
  bool cached =
      g_cache.root && g_cache.path == info.absoluteFilePath() && g_cache.modified == modified;
  if (cached) {
    if (QWidget* w = FindPanelWidget(g_cache.root, resourceId)) return w;
  }
  QWidget* root = LoadRoot(path);
  if (!root) return nullptr;
  delete g_cache.root.data();
  g_cache.root = root;
  g_cache.path = info.absoluteFilePath();
  g_cache.modified = modified;
  return FindPanelWidget(root, resourceId);
}

void SetupRing(QComboBox* box) {
  QStringList values = box->property("itemValues").toString().split(',', Qt::SkipEmptyParts);
  for (int i = 0; i < box->count(); ++i) {
    bool ok = false;
    int v = i < values.size() ? values[i].trimmed().toInt(&ok) : i;
    box->setItemData(i, ok || i >= values.size() ? v : i);
  }
}

// Group boxes and coloured fields lie beneath the controls whatever their order in the
// file, so that they never take a click meant for a control.
void LowerDecorations(QWidget* panel) {
  const auto children = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* w : children) {
    bool plainFrame = qstrcmp(w->metaObject()->className(), "QFrame") == 0;
    if (plainFrame || qobject_cast<QGroupBox*>(w)) w->lower();
  }
}

void CollectControls(PanelState& panel) {
  const auto widgets = panel.widget->findChildren<QWidget*>();
  for (QWidget* w : widgets) {
    QVariant id = w->property("ctrlId");
    if (!id.isValid() || panel.controls.count(id.toInt())) continue;
    auto c = std::make_unique<ControlState>();
    c->id = id.toInt();
    c->widget = w;
    if (auto* box = qobject_cast<QComboBox*>(w)) SetupRing(box);
    engine::SetupTable(w);
    if (auto* plot = qobject_cast<QCustomPlot*>(w)) {
      c->graph = std::make_unique<engine::GraphState>();
      engine::InitGraph(*c->graph, plot);
    }
    panel.controls[c->id] = std::move(c);
  }
  for (QWidget* w : widgets) {
    QVariant id = w->property("labelFor");
    auto* label = qobject_cast<QLabel*>(w);
    if (!id.isValid() || !label) continue;
    auto it = panel.controls.find(id.toInt());
    if (it != panel.controls.end()) it->second->label = label;
  }
  for (auto& [id, c] : panel.controls) {
    engine::WireControl(panel.handle, *c);
    engine::NameForAssistiveTools(*c);
  }
  LowerDecorations(panel.widget);
}

void PlaceTopLevel(QWidget* w) {
  QRect geometry = w->geometry();
  w->setParent(nullptr);
  w->setWindowFlags(Qt::Window);
  w->setFixedSize(geometry.size());
  w->move(geometry.topLeft());
}

void PlaceChild(QWidget* w, QWidget* parent) {
  QRect geometry = w->geometry();
  w->setParent(parent);
  w->setGeometry(geometry);
  w->setAutoFillBackground(true);
}

}  // namespace

namespace engine {

PanelState* FindPanel(int handle) {
  auto it = g_panels.find(handle);
  if (it == g_panels.end() || !it->second->widget) return nullptr;
  return it->second.get();
}

std::vector<const PanelState*> ChildPanels(int panel) {
  std::vector<const PanelState*> children;
  for (auto& [h, p] : g_panels)
    if (p->parent == panel && p->widget) children.push_back(p.get());
  return children;
}

ControlState* FindControl(int panel, int control) {
  PanelState* p = FindPanel(panel);
  if (!p) return nullptr;
  auto it = p->controls.find(control);
  if (it == p->controls.end() || !it->second->widget) return nullptr;
  return it->second.get();
}

int LookupControl(int panel, int control, ControlState** out) {
  *out = nullptr;
  if (!FindPanel(panel)) return UIEBadPanelHandle;
  *out = FindControl(panel, control);
  return *out ? 0 : UIEBadControl;
}

namespace {
struct DepthGuard {
  DepthGuard() { ++g_dispatchDepth; }
  ~DepthGuard() { --g_dispatchDepth; }
};
}  // namespace

int DispatchCtrlEvent(int panel, int control, int event, int data1, int data2) {
  ControlState* c = FindControl(panel, control);
  if (!c || !c->callback) return 0;
  CtrlCallbackPtr callback = c->callback;
  void* data = c->callbackData;
  DepthGuard guard;
  return callback(panel, control, event, data, data1, data2);
}

int DispatchPanelEvent(int panel, int event, int data1, int data2) {
  PanelState* p = FindPanel(panel);
  if (!p || !p->callback) return 0;
  PanelCallbackPtr callback = p->callback;
  void* data = p->callbackData;
  DepthGuard guard;
  return callback(panel, event, data, data1, data2);
}

int DispatchDepth() {
  return g_dispatchDepth;
}

}  // namespace engine

int LoadPanel(int parentPanel, const char* resourceFile, int resourceId) {
  if (!QCoreApplication::instance() || !resourceFile) return UIEResourceFile;
  QWidget* parent = nullptr;
  if (parentPanel != 0) {
    PanelState* p = engine::FindPanel(parentPanel);
    if (!p) return UIEBadPanelHandle;
    parent = p->widget;
  }
  QWidget* w = TakePanelWidget(QString::fromLocal8Bit(resourceFile), resourceId);
  if (!w) return UIEResourceFile;
  w->hide();
  if (parent)
    PlaceChild(w, parent);
  else
    PlaceTopLevel(w);
  w->hide();

  auto panel = std::make_unique<PanelState>();
  panel->handle = g_nextHandle++;
  panel->parent = parentPanel;
  panel->resourceId = resourceId;
  panel->widget = w;
  CollectControls(*panel);
  if (!parent) engine::WirePanelWindow(panel->handle, w);
  int handle = panel->handle;
  g_panels[handle] = std::move(panel);
  engine::OrderFocus(handle);
  return handle;
}

int DisplayPanel(int panel) {
  PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  p->widget->show();
  // A window comes to the front; the offscreen platform has no stacking to change.
  if (!p->widget->isWindow() || QGuiApplication::platformName() != QLatin1String("offscreen"))
    p->widget->raise();
  return 0;
}

int HidePanel(int panel) {
  PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  p->widget->hide();
  return 0;
}

int DiscardPanel(int panel) {
  auto it = g_panels.find(panel);
  if (it == g_panels.end()) return UIEBadPanelHandle;
  // Child panels go with their parent.
  std::vector<int> children;
  for (auto& [h, p] : g_panels)
    if (p->parent == panel) children.push_back(h);
  for (int h : children) DiscardPanel(h);
  it = g_panels.find(panel);
  QPointer<QWidget> w = it->second->widget;
  g_panels.erase(it);
  if (!w) return 0;
  w->hide();
  // Inside a callback the widget may be the one whose event is being handled.
  if (engine::DispatchDepth() > 0)
    w->deleteLater();
  else
    delete w.data();
  return 0;
}

int SetActivePanel(int panel) {
  PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  QWidget* window = p->widget->window();
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
  window->activateWindow();
  return 0;
}

int SetActiveCtrl(int panel, int control) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  c->widget->setFocus(Qt::OtherFocusReason);
  return 0;
}

int SetPanelAttribute(int panel, int attribute, int value) {
  PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  QWidget* w = p->widget;
  switch (attribute) {
    case ATTR_LEFT:
    case ATTR_TOP:
      w->move(attribute == ATTR_LEFT ? value : w->x(), attribute == ATTR_TOP ? value : w->y());
      engine::OrderFocus(panel);  // a page moved on its parent panel
      return 0;
    case ATTR_VISIBLE:
      w->setVisible(value != 0);
      return 0;
    case ATTR_DIMMED:
      w->setEnabled(value == 0);
      return 0;
    case ATTR_WIDTH:
    case ATTR_HEIGHT: {
      QSize size = w->size();
      (attribute == ATTR_WIDTH ? size.rwidth() : size.rheight()) = value;
      if (w->isWindow())
        w->setFixedSize(size);
      else
        w->resize(size);
      return 0;
    }
    default:
      return UIEInvalidAttribute;
  }
}

int GetPanelAttribute(int panel, int attribute, int* value) {
  PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  if (!value) return UIEValueTypeMismatch;
  QWidget* w = p->widget;
  switch (attribute) {
    case ATTR_LEFT:
      *value = w->x();
      return 0;
    case ATTR_TOP:
      *value = w->y();
      return 0;
    case ATTR_VISIBLE:
      *value = w->isHidden() ? 0 : 1;
      return 0;
    case ATTR_DIMMED:
      *value = w->isEnabled() ? 0 : 1;
      return 0;
    case ATTR_WIDTH:
      *value = w->width();
      return 0;
    case ATTR_HEIGHT:
      *value = w->height();
      return 0;
    default:
      return UIEInvalidAttribute;
  }
}

int InstallPanelCallback(int panel, PanelCallbackPtr callback, void* callbackData) {
  PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  p->callback = callback;
  p->callbackData = callbackData;
  return 0;
}

int InstallCtrlCallback(int panel, int control, CtrlCallbackPtr callback, void* callbackData) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  c->callback = callback;
  c->callbackData = callbackData;
  return 0;
}

int CallCtrlCallback(int panel, int control, int event, int eventData1, int eventData2) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  return engine::DispatchCtrlEvent(panel, control, event, eventData1, eventData2);
}

int CallPanelCallback(int panel, int event) {
  if (!engine::FindPanel(panel)) return UIEBadPanelHandle;
  return engine::DispatchPanelEvent(panel, event, 0, 0);
}

void CloseCVIRTE() {
  std::vector<int> handles;
  for (auto& [h, p] : g_panels)
    if (p->parent == 0) handles.push_back(h);
  for (int h : handles) DiscardPanel(h);
  while (!g_panels.empty()) DiscardPanel(g_panels.begin()->first);
  delete g_cache.root.data();
  g_cache = CachedFile{};
  engine::CloseAllPorts();
  SetTraceFile("");
}

QWidget* PanelWidget(int panel) {
  PanelState* p = engine::FindPanel(panel);
  return p ? p->widget.data() : nullptr;
}

QWidget* CtrlWidget(int panel, int control) {
  ControlState* c = engine::FindControl(panel, control);
  return c ? c->widget.data() : nullptr;
}
