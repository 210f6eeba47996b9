// For tests only: the Qt widgets behind panel and control handles, so that tests can
// drive them with real mouse and key events.
#pragma once

class QWidget;

QWidget* CtrlWidget(int panel, int control);
QWidget* PanelWidget(int panel);
