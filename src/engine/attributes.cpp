// Control attributes, bounding rectangles, run-time controls and pictures.
#include <qcustomplot.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>

#include "engine/engine_controls.h"
#include "engine/engine_internal.h"

namespace engine {

QColor ToQColor(int rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int FromQColor(const QColor& c) {
  return (c.red() << 16) | (c.green() << 8) | c.blue();
}

}  // namespace engine

namespace {

using engine::ControlState;
using engine::Kind;

bool FillsBackground(Kind kind) {
  return kind == Kind::Label || kind == Kind::Decoration || kind == Kind::Picture;
}

// Text on a coloured background stays readable: without a text colour of its own it is
// black on light backgrounds and white on dark ones.
QColor ReadableOn(int rgb) {
  QColor bg = engine::ToQColor(rgb);
  double luminance = 0.299 * bg.red() + 0.587 * bg.green() + 0.114 * bg.blue();
  return luminance < 128 ? Qt::white : Qt::black;
}

void ApplyLook(ControlState& c) {
  QWidget* w = c.widget;
  Kind kind = engine::KindOf(w);
  QPalette pal = QApplication::palette(w);
  if (c.frameColor >= 0) pal.setColor(QPalette::Window, engine::ToQColor(c.frameColor));
  if (c.textBgColor >= 0) {
    QColor bg = engine::ToQColor(c.textBgColor);
    for (auto role : {QPalette::Base, QPalette::Button}) pal.setColor(role, bg);
    if (FillsBackground(kind)) pal.setColor(QPalette::Window, bg);
  }
  QColor text;
  if (c.textColor >= 0)
    text = engine::ToQColor(c.textColor);
  else if (c.textBgColor >= 0)
    text = ReadableOn(c.textBgColor);
  if (text.isValid()) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      pal.setColor(role, text);
  }
  w->setPalette(pal);
  bool fill = FillsBackground(kind) && (c.frameColor >= 0 || c.textBgColor >= 0);
  if (fill) w->setAutoFillBackground(true);
}

// Sets a colour attribute; writing the colour it already has costs nothing.
int SetColor(ControlState& c, int ControlState::*field, int value) {
  int rgb = value & 0xFFFFFF;
  if (c.*field == rgb) return 0;
  c.*field = rgb;
  ApplyLook(c);
  return 0;
}

int GetColor(const ControlState& c, int attribute, int* value) {
  const QPalette& pal = c.widget->palette();
  Kind kind = engine::KindOf(c.widget);
  switch (attribute) {
    case ATTR_TEXT_COLOR:
      *value = c.textColor >= 0
                   ? c.textColor
                   : engine::FromQColor(
                         pal.color(FillsBackground(kind) ? QPalette::WindowText : QPalette::Text));
      return 0;
    case ATTR_TEXT_BGCOLOR:
      *value = c.textBgColor >= 0 ? c.textBgColor
                                  : engine::FromQColor(pal.color(
                                        FillsBackground(kind) ? QPalette::Window : QPalette::Base));
      return 0;
    default:
      *value = c.frameColor >= 0 ? c.frameColor : engine::FromQColor(pal.color(QPalette::Window));
      return 0;
  }
}

QString FontFamily(const char* name) {
  QString family = QString::fromUtf8(name ? name : "");
  // The engine's meta fonts ("NIApp", "NIDialog", ...) mean the application font.
  if (family.isEmpty() || family.startsWith(QLatin1String("NI")))
    return QApplication::font().family();
  return family;
}

void Refit(ControlState& c) {
  if (c.autoSize) c.widget->adjustSize();
}

void SetFontAttr(ControlState& c, int attribute, int value) {
  QFont f = c.widget->font();
  if (attribute == ATTR_TEXT_BOLD)
    f.setBold(value != 0);
  else if (value > 0)
    f.setPixelSize(value);  // the engine's text sizes are character heights in panel pixels
  c.widget->setFont(f);
  Refit(c);
}

void SetLabelBold(ControlState& c, bool bold) {
  QWidget* target = c.label ? static_cast<QWidget*>(c.label.data()) : c.widget.data();
  QFont f = target->font();
  f.setBold(bold);
  target->setFont(f);
}

bool LabelBold(const ControlState& c) {
  return c.label ? c.label->font().bold() : c.widget->font().bold();
}

void MoveControl(ControlState& c, int attribute, int value) {
  QWidget* w = c.widget;
  QPoint to = w->pos();
  (attribute == ATTR_LEFT ? to.rx() : to.ry()) = value;
  QPoint delta = to - w->pos();
  w->move(to);
  if (c.label) c.label->move(c.label->pos() + delta);  // the label travels with its control
}

void ResizeControl(ControlState& c, int attribute, int value) {
  QSize size = c.widget->size();
  (attribute == ATTR_WIDTH ? size.rwidth() : size.rheight()) = std::max(0, value);
  c.widget->resize(size);
  c.autoSize = false;
}

int SetIntAttribute(ControlState& c, int attribute, int value) {
  QWidget* w = c.widget;
  switch (attribute) {
    case ATTR_DIMMED:
      w->setEnabled(value == 0);
      if (c.label) c.label->setEnabled(value == 0);
      return 0;
    case ATTR_VISIBLE:
      w->setVisible(value != 0);
      if (c.label) c.label->setVisible(value != 0);
      return 0;
    case ATTR_LEFT:
    case ATTR_TOP:
      MoveControl(c, attribute, value);
      return 0;
    case ATTR_WIDTH:
    case ATTR_HEIGHT:
      ResizeControl(c, attribute, value);
      return 0;
    case ATTR_ZPLANE_POSITION:
      // Only the front position: above the other controls and the child panels.
      if (value != 0) return UIEInvalidAttribute;
      w->raise();
      if (c.label) c.label->raise();
      return 0;
    case ATTR_TEXT_COLOR:
      return SetColor(c, &ControlState::textColor, value);
    case ATTR_TEXT_BGCOLOR:
      return SetColor(c, &ControlState::textBgColor, value);
    case ATTR_FRAME_COLOR:
      return SetColor(c, &ControlState::frameColor, value);
    case ATTR_TEXT_BOLD:
    case ATTR_TEXT_POINT_SIZE:
      SetFontAttr(c, attribute, value);
      return 0;
    case ATTR_LABEL_BOLD:
      SetLabelBold(c, value != 0);
      return 0;
    default:
      if (c.graph && engine::IsGraphAttribute(attribute))
        return engine::SetGraphAttribute(*c.graph, attribute, value);
      return UIEInvalidAttribute;
  }
}

int GetIntAttribute(const ControlState& c, int attribute, int* value) {
  const QWidget* w = c.widget;
  switch (attribute) {
    case ATTR_DIMMED:
      *value = w->testAttribute(Qt::WA_Disabled) ? 1 : 0;
      return 0;
    case ATTR_VISIBLE:
      *value = w->isHidden() ? 0 : 1;
      return 0;
    case ATTR_LEFT:
      *value = w->x();
      return 0;
    case ATTR_TOP:
      *value = w->y();
      return 0;
    case ATTR_WIDTH:
      *value = w->width();
      return 0;
    case ATTR_HEIGHT:
      *value = w->height();
      return 0;
    case ATTR_TEXT_COLOR:
    case ATTR_TEXT_BGCOLOR:
    case ATTR_FRAME_COLOR:
      return GetColor(c, attribute, value);
    case ATTR_TEXT_BOLD:
      *value = w->font().bold() ? 1 : 0;
      return 0;
    case ATTR_TEXT_POINT_SIZE:
      *value = w->font().pixelSize() > 0 ? w->font().pixelSize() : w->font().pointSize();
      return 0;
    case ATTR_LABEL_BOLD:
      *value = LabelBold(c) ? 1 : 0;
      return 0;
    default:
      if (c.graph && engine::IsGraphAttribute(attribute))
        return engine::GetGraphAttribute(*c.graph, attribute, value);
      return UIEInvalidAttribute;
  }
}

int SetLabelText(ControlState& c, const QString& text) {
  if (c.label) {
    c.label->setText(text);
    engine::NameForAssistiveTools(c);
    return 0;
  }
  if (auto* b = qobject_cast<QAbstractButton*>(c.widget.data())) {
    b->setText(text);
    engine::NameForAssistiveTools(c);
    return 0;
  }
  if (engine::KindOf(c.widget) == Kind::Label) {
    engine::SetTextOf(c, text);  // a text message is its own label
    return 0;
  }
  return UIEInvalidAttribute;
}

int GetLabelText(const ControlState& c, QString* text) {
  if (c.label) {
    *text = c.label->text();
    return 0;
  }
  Kind kind = engine::KindOf(c.widget);
  if (kind == Kind::Button || kind == Kind::Binary || kind == Kind::Label) {
    *text = engine::TextOf(c.widget);
    return 0;
  }
  return UIEInvalidAttribute;
}

// Makes a control's tooltip from its source just before the tooltip is shown.
class TooltipOnDemand : public QObject {
 public:
  TooltipOnDemand(QWidget* widget, int panel, int control)
      : QObject(widget), panel_(panel), control_(control) {
    widget->installEventFilter(this);
  }

  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    ControlState* c = engine::FindControl(panel_, control_);
    if (c && c->tooltipSource) c->widget->setToolTip(QString::fromStdString(c->tooltipSource()));
    return false;  // the widget shows it as ever
  }

 private:
  int panel_;
  int control_;
};

}  // namespace

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  return SetIntAttribute(*c, attribute, value);
}

int SetCtrlTooltipSource(int panel, int control, std::function<std::string()> source) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!c->tooltipWatch) c->tooltipWatch = new TooltipOnDemand(c->widget, panel, control);
  c->tooltipSource = std::move(source);
  return 0;
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  switch (attribute) {
    case ATTR_LABEL_TEXT:
      return SetLabelText(*c, QString::fromUtf8(value ? value : ""));
    case ATTR_TOOLTIP_TEXT:
      c->tooltipSource = nullptr;
      c->widget->setToolTip(QString::fromUtf8(value ? value : ""));
      return 0;
    case ATTR_TEXT_FONT: {
      QFont f = c->widget->font();
      f.setFamily(FontFamily(value));
      c->widget->setFont(f);
      c->fontName = value ? value : "";
      Refit(*c);
      return 0;
    }
    default:
      return UIEInvalidAttribute;
  }
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!value) return UIEValueTypeMismatch;
  if (attribute == ATTR_LABEL_TEXT || attribute == ATTR_TEXT_FONT || attribute == ATTR_TOOLTIP_TEXT)
    return UIEValueTypeMismatch;
  return GetIntAttribute(*c, attribute, value);
}

int GetCtrlAttribute(int panel, int control, int attribute, char* value, int size) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  if (!value || size <= 0) return UIEValueTypeMismatch;
  if (attribute == ATTR_LABEL_TEXT) {
    QString text;
    if (int r = GetLabelText(*c, &text)) return r;
    engine::CopyOut(text.toStdString(), value, size);
    return 0;
  }
  if (attribute == ATTR_TOOLTIP_TEXT) {
    engine::CopyOut(c->tooltipSource ? c->tooltipSource() : c->widget->toolTip().toStdString(),
                    value, size);
    return 0;
  }
  if (attribute == ATTR_TEXT_FONT) {
    std::string name = c->fontName.empty() ? c->widget->font().family().toStdString() : c->fontName;
    engine::CopyOut(name, value, size);
    return 0;
  }
  int dummy = 0;
  return GetIntAttribute(*c, attribute, &dummy) == 0 ? UIEValueTypeMismatch : UIEInvalidAttribute;
}

int GetCtrlBoundingRect(int panel, int control, int* top, int* left, int* height, int* width) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  QWidget* panelWidget = engine::FindPanel(panel)->widget;
  QWidget* w = c->widget;
  QPoint at = w->parentWidget() == panelWidget ? w->pos() : w->mapTo(panelWidget, QPoint(0, 0));
  if (top) *top = at.y();
  if (left) *left = at.x();
  if (height) *height = w->height();
  if (width) *width = w->width();
  return 0;
}

int NewCtrl(int panel, int style, const char* label, int top, int left) {
  engine::PanelState* p = engine::FindPanel(panel);
  if (!p) return UIEBadPanelHandle;
  if (style != CTRL_TEXT_MSG) return UIEValueTypeMismatch;
  while (p->controls.count(p->nextNewCtrlId)) ++p->nextNewCtrlId;
  auto c = std::make_unique<ControlState>();
  c->id = p->nextNewCtrlId++;
  auto* text = new QLabel(QString::fromUtf8(label ? label : ""), p->widget);
  text->move(left, top);
  text->adjustSize();
  text->show();
  c->widget = text;
  c->autoSize = true;
  engine::WireControl(panel, *c);
  int id = c->id;
  p->controls[id] = std::move(c);
  return id;
}

int DisplayImageFile(int panel, int control, const char* path) {
  ControlState* c = nullptr;
  if (int r = engine::LookupControl(panel, control, &c)) return r;
  auto* picture = qobject_cast<QLabel*>(c->widget.data());
  if (!picture) return UIEValueTypeMismatch;
  QString file = QString::fromLocal8Bit(path ? path : "");
  if (QFileInfo(file).isRelative() && !QFileInfo::exists(file)) {
    char dir[512] = {};
    GetProjectDir(dir);
    QString inProject = QString::fromLocal8Bit(dir) + '/' + file;
    if (QFileInfo::exists(inProject)) file = inProject;
  }
  QPixmap image;
  if (file.isEmpty() || !image.load(file)) return UIEFile;
  QSize room = picture->size();
  if (image.width() > room.width() || image.height() > room.height())
    image = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  picture->setPixmap(image);
  return 0;
}
