// Indicators in the places of the read-only numeric fields of the resource file.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>

#include "engine/engine_indicator.h"

namespace engine {

namespace {

bool IsIndicator(const QAbstractSpinBox* box) {
  return box->isReadOnly() && box->buttonSymbols() == QAbstractSpinBox::NoButtons;
}

template <class Box>
Indicator::Format FormatOf(const Box* box, int decimals) {
  QLocale locale = box->locale();
  if (!box->isGroupSeparatorShown())
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return {static_cast<double>(box->minimum()),
          static_cast<double>(box->maximum()),
          decimals,
          box->prefix(),
          box->suffix(),
          box->specialValueText(),
          locale};
}

// What the resource file set on the field that a plain line edit would not have.
void TakeLook(QWidget* to, const QAbstractSpinBox* from) {
  to->setObjectName(from->objectName());
  to->setGeometry(from->geometry());
  if (from->testAttribute(Qt::WA_SetFont)) to->setFont(from->font());
  if (from->testAttribute(Qt::WA_SetPalette)) to->setPalette(from->palette());
  to->setEnabled(!from->testAttribute(Qt::WA_ForceDisabled));
  if (from->testAttribute(Qt::WA_WState_ExplicitShowHide) && from->isHidden()) to->hide();
  to->setFocusPolicy(from->focusPolicy());
  to->setToolTip(from->toolTip());
  for (const QByteArray& name : from->dynamicPropertyNames())
    to->setProperty(name, from->property(name));
}

void Replace(QAbstractSpinBox* box, const Indicator::Format& format, double value) {
  auto* indicator = new Indicator(format, value, box->parentWidget());
  TakeLook(indicator, box);
  indicator->setAlignment(box->alignment());
  indicator->stackUnder(box);
  delete box;
}

// What assistive tools read of an indicator: a text whose value is the text shown.
class AccessibleIndicator : public QAccessibleWidget {
 public:
  explicit AccessibleIndicator(Indicator* indicator)
      : QAccessibleWidget(indicator, QAccessible::StaticText) {}
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return static_cast<const Indicator*>(widget())->text();
    return QAccessibleWidget::text(kind);
  }
  // The text area is a part of the indicator, not a field of its own.
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
};

QAccessibleInterface* AccessibleIndicatorFor(const QString& className, QObject* object) {
  auto* indicator = qobject_cast<Indicator*>(object);
  if (!indicator || className != QLatin1String(Indicator::staticMetaObject.className()))
    return nullptr;
  return new AccessibleIndicator(indicator);
}

}  // namespace

Indicator::Indicator(const Format& format, double value, QWidget* parent)
    : QWidget(parent), format_(format), value_(value), text_(new QLineEdit(this)) {
  // Opaque, as its text area is: the corners the frame leaves out take the ground colour.
  setAutoFillBackground(true);
  text_->setFrame(false);
  text_->setReadOnly(true);
  text_->setFocusPolicy(Qt::NoFocus);
  text_->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks and help belong to the indicator
  text_->setAutoFillBackground(true);
  text_->setText(TextOf(value));
  PlaceText();
}

QString Indicator::text() const {
  return text_->text();
}

void Indicator::setAlignment(Qt::Alignment alignment) {
  text_->setAlignment(alignment);
}

double Indicator::Show(double value) {
  // A float field holds the value rounded to its decimals.
  if (!integer()) value = QString::number(value, 'f', format_.decimals).toDouble();
  if (value == value_) return value_;
  value_ = value;
  text_->setText(TextOf(value));
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent changed(this, text_->text());
    QAccessible::updateAccessibility(&changed);
  }
  return value_;
}

// The frame of a read-only line edit.
QStyleOptionFrame Indicator::Frame() const {
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
  frame.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
  return frame;
}

// The text area lies where a line edit's text goes, inside its frame.
void Indicator::PlaceText() {
  const QStyleOptionFrame frame = Frame();
  text_->setGeometry(style()->subElementRect(QStyle::SE_LineEditContents, &frame, this));
}

void Indicator::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QStyleOptionFrame frame = Frame();
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
}

void Indicator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceText();
}

void Indicator::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::StyleChange) PlaceText();
}

QString Indicator::TextOf(double value) const {
  const Format& f = format_;
  if (value == f.minimum && !f.special.isEmpty()) return f.special;
  const QString number = integer() ? f.locale.toString(static_cast<qlonglong>(value))
                                   : f.locale.toString(value, 'f', f.decimals);
  return f.prefix + number + f.suffix;
}

void ReplaceIndicators(QWidget* root) {
  [[maybe_unused]] static const bool readable = [] {
    QAccessible::installFactory(AccessibleIndicatorFor);
    return true;
  }();
  for (QSpinBox* box : root->findChildren<QSpinBox*>())
    if (IsIndicator(box)) Replace(box, FormatOf(box, -1), box->value());
  for (QDoubleSpinBox* box : root->findChildren<QDoubleSpinBox*>())
    if (IsIndicator(box)) Replace(box, FormatOf(box, box->decimals()), box->value());
}

}  // namespace engine
