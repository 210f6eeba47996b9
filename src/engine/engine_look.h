// Everything a widget's own painting depends on, so that a picture of the widget can tell
// whether it still fits. Private to src/engine.
#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>

namespace engine {

struct WidgetLook {
  QSize size;
  qreal pixelRatio = 0.0;
  qint64 palette = 0;
  QFont font;
  bool enabled = false;
  bool active = false;
  bool operator==(const WidgetLook&) const = default;
};

inline WidgetLook LookOf(const QWidget* w) {
  return {w->size(), w->devicePixelRatioF(), w->palette().cacheKey(),
          w->font(), w->isEnabled(),         w->isActiveWindow()};
}

}  // namespace engine
