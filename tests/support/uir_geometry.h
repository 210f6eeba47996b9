// The geometry of a control as the resource file defines it, read straight from the XML:
// an expectation that does not go through the engine.
#pragma once

#include <QFile>
#include <QXmlStreamReader>
#include <string>

#include "shell/globals.h"

namespace uirtest {

struct Rect {
  int x = -1, y = -1, width = -1, height = -1;
};

// Geometry of control `ctrlId` on the panel with resource number `panelId` (x = -1 when
// the file has no such control).
inline Rect DesignedRect(int panelId, int ctrlId) {
  QFile file(QString::fromStdString(std::string(QROX_RESOURCE_DIR) + "/" + UIR_FILE));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QXmlStreamReader xml(&file);
  int depth = 0;         // widget nesting: 1 root, 2 panel, 3 control
  int panel = -1;        // panelId of the panel being read
  Rect rect;             // geometry of the widget being read (panel or control)
  std::string property;  // name of the property being read
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const auto name = xml.name();
      if (name == QLatin1String("widget")) {
        ++depth;
        rect = {};
      } else if (name == QLatin1String("property")) {
        property = xml.attributes().value("name").toString().toStdString();
      } else if (property == "geometry" && name != QLatin1String("rect")) {
        const int v = xml.readElementText().toInt();
        if (name == QLatin1String("x")) rect.x = v;
        if (name == QLatin1String("y")) rect.y = v;
        if (name == QLatin1String("width")) rect.width = v;
        if (name == QLatin1String("height")) rect.height = v;
      } else if (name == QLatin1String("number")) {
        const int v = xml.readElementText().toInt();
        if (depth == 2 && property == "panelId") panel = v;
        if (depth == 3 && property == "ctrlId" && panel == panelId && v == ctrlId) return rect;
      }
    } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
      --depth;
    }
  }
  return {};
}

}  // namespace uirtest
