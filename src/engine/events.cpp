// User actions on controls and panels, turned into the event codes of the callbacks.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QSpinBox>

#include "engine/engine_internal.h"
#include "engine/engine_spinbox.h"

namespace {

const char kPanelProp[] = "qroxPanel";
const char kCtrlProp[] = "qroxCtrl";
const char kWindowProp[] = "qroxWindow";

// A press or key that an inner widget of a control ignores travels on to its parent,
// which belongs to the same control: deliver it only once.
struct LastDelivered {
  const QEvent* event = nullptr;
  quint64 timestamp = 0;
  QEvent::Type type = QEvent::None;
  QPointer<QObject> receiver;
  bool propagated(const QInputEvent* e, QObject* watched) const {
    auto* w = qobject_cast<QWidget*>(watched);
    auto* inner = qobject_cast<QWidget*>(receiver.data());
    return e == event && e->timestamp() == timestamp && e->type() == type && w && inner &&
           w != inner && w->isAncestorOf(inner);
  }
  void remember(const QInputEvent* e, QObject* watched) {
    event = e;
    timestamp = e->timestamp();
    type = e->type();
    receiver = watched;
  }
};

class EventRouter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        return OnMouse(watched, static_cast<QMouseEvent*>(event));
      case QEvent::KeyPress:
        return OnKey(watched, static_cast<QKeyEvent*>(event));
      case QEvent::ContextMenu:
        return watched->property(kCtrlProp).isValid();
      case QEvent::Close:
        return OnClose(watched, event);
      default:
        return false;
    }
  }

 private:
  static bool ControlOf(QObject* o, int* panel, int* control) {
    QVariant c = o->property(kCtrlProp);
    if (!c.isValid()) return false;
    *panel = o->property(kPanelProp).toInt();
    *control = c.toInt();
    return true;
  }

  bool OnMouse(QObject* watched, QMouseEvent* e) {
    int panel = 0, control = 0;
    if (!ControlOf(watched, &panel, &control)) return false;
    bool right = e->button() == Qt::RightButton;
    if (e->button() != Qt::LeftButton && !right) return false;
    if (last_.propagated(e, watched)) return right;
    QPoint at = e->position().toPoint();
    if (auto* w = qobject_cast<QWidget*>(watched)) {
      engine::PanelState* p = engine::FindPanel(panel);
      if (p && p->widget && p->widget->isAncestorOf(w)) at = w->mapTo(p->widget, at);
    }
    engine::DispatchCtrlEvent(panel, control, right ? EVENT_RIGHT_CLICK : EVENT_LEFT_CLICK, at.y(),
                              at.x());
    last_.remember(e, watched);  // after the callback, which may process other events
    return right;                // a right click is the help request, never a context menu
  }

  bool OnKey(QObject* watched, QKeyEvent* e) {
    int panel = 0, control = 0;
    if (!ControlOf(watched, &panel, &control)) return false;
    if (last_.propagated(e, watched)) return false;
    engine::DispatchCtrlEvent(panel, control, EVENT_KEYPRESS, e->key(),
                              static_cast<int>(e->modifiers()));
    last_.remember(e, watched);
    return false;
  }

  static bool OnClose(QObject* watched, QEvent* e) {
    QVariant handle = watched->property(kWindowProp);
    if (!handle.isValid()) return false;
    // Closing a panel is the program's decision: the window stays, the callback is told.
    e->ignore();
    engine::DispatchPanelEvent(handle.toInt(), EVENT_CLOSE, 0, 0);
    return true;
  }

  LastDelivered last_;
};

EventRouter* Router() {
  static EventRouter* router = new EventRouter(QCoreApplication::instance());
  return router;
}

void Watch(QWidget* w, int panel, int control) {
  w->setProperty(kPanelProp, panel);
  w->setProperty(kCtrlProp, control);
  w->setContextMenuPolicy(Qt::PreventContextMenu);
  w->installEventFilter(Router());
}

void Send(int panel, int control, int event) {
  engine::DispatchCtrlEvent(panel, control, event, 0, 0);
}

void MarkPending(int panel, int control, bool pending) {
  if (engine::ControlState* c = engine::FindControl(panel, control)) c->pendingCommit = pending;
}

// A value typed or stepped by the user: value changed now, commit when the edit ends (a
// step ends it at once).
void ValueEdited(int panel, int control) {
  MarkPending(panel, control, true);
  Send(panel, control, EVENT_VAL_CHANGED);
}

void NumberEdited(int panel, int control, double value) {
  engine::ControlState* c = engine::FindControl(panel, control);
  if (!c || c->lastValue == value) return;
  c->lastValue = value;
  ValueEdited(panel, control);
}

void EditingFinished(int panel, int control) {
  engine::ControlState* c = engine::FindControl(panel, control);
  if (!c || !c->pendingCommit) return;
  c->pendingCommit = false;
  Send(panel, control, EVENT_COMMIT);
}

void WireButton(QAbstractButton* b, int panel, int control) {
  if (b->isCheckable()) {
    QObject::connect(b, &QAbstractButton::clicked, Router(), [panel, control] {
      // Switched by the user: from now on the switch holds 0 or 1.
      if (engine::ControlState* c = engine::FindControl(panel, control)) c->hasExact = false;
      Send(panel, control, EVENT_VAL_CHANGED);
      Send(panel, control, EVENT_COMMIT);
    });
  } else {
    QObject::connect(b, &QAbstractButton::clicked, Router(),
                     [panel, control] { Send(panel, control, EVENT_COMMIT); });
  }
}

template <class Box, class Value>
void WireSpinBox(Box* box, int panel, int control) {
  if (engine::ControlState* c = engine::FindControl(panel, control)) c->lastValue = box->value();
  QObject::connect(box, &Box::valueChanged, Router(),
                   [panel, control](Value v) { NumberEdited(panel, control, v); });
  QObject::connect(box, &Box::editingFinished, Router(),
                   [panel, control] { EditingFinished(panel, control); });
  // A step (arrow, Up/Down or Page key, wheel) ends the edit at once.
  if (auto* stepping = dynamic_cast<engine::SteppingBox<Box>*>(box))
    stepping->stepped = [panel, control] { EditingFinished(panel, control); };
}

void WireSlider(QAbstractSlider* s, int panel, int control) {
  QObject::connect(s, &QAbstractSlider::valueChanged, Router(), [s, panel, control](int) {
    Send(panel, control, EVENT_VAL_CHANGED);
    if (!s->isSliderDown()) Send(panel, control, EVENT_COMMIT);
  });
  QObject::connect(s, &QAbstractSlider::sliderReleased, Router(),
                   [panel, control] { Send(panel, control, EVENT_COMMIT); });
}

void WireSignals(QWidget* w, int panel, int control) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    WireButton(b, panel, control);
  } else if (auto* s = qobject_cast<QSpinBox*>(w)) {
    WireSpinBox<QSpinBox, int>(s, panel, control);
  } else if (auto* d = qobject_cast<QDoubleSpinBox*>(w)) {
    WireSpinBox<QDoubleSpinBox, double>(d, panel, control);
  } else if (auto* box = qobject_cast<QComboBox*>(w)) {
    QObject::connect(box, &QComboBox::activated, Router(), [panel, control](int) {
      Send(panel, control, EVENT_VAL_CHANGED);
      Send(panel, control, EVENT_COMMIT);
    });
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    WireSlider(slider, panel, control);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    QObject::connect(edit, &QLineEdit::textEdited, Router(),
                     [panel, control](const QString&) { ValueEdited(panel, control); });
    QObject::connect(edit, &QLineEdit::editingFinished, Router(),
                     [panel, control] { EditingFinished(panel, control); });
  }
}

}  // namespace

namespace engine {

void WireControl(int panel, ControlState& control) {
  QWidget* w = control.widget;
  if (!w) return;
  Watch(w, panel, control.id);
  for (QWidget* child : w->findChildren<QWidget*>()) Watch(child, panel, control.id);
  WireSignals(w, panel, control.id);
}

void WirePanelWindow(int panel, QWidget* widget) {
  widget->setProperty(kWindowProp, panel);
  widget->installEventFilter(Router());
}

}  // namespace engine
