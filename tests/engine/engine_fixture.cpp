#include "engine/engine_fixture.h"

#include <QScreen>
#include <fstream>

#include "support/test_files.h"

namespace enginetest {

namespace {

const char kUi[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>resources</class>
 <widget class="QWidget" name="resources">
  <property name="geometry"><rect><x>0</x><y>0</y><width>900</width><height>700</height></rect></property>
  <widget class="QWidget" name="testPanel">
   <property name="geometry"><rect><x>30</x><y>40</y><width>640</width><height>480</height></rect></property>
   <property name="windowTitle"><string>Engine test panel</string></property>
   <property name="panelId" stdset="0"><number>2</number></property>
   <widget class="QPushButton" name="stop">
    <property name="geometry"><rect><x>10</x><y>10</y><width>80</width><height>26</height></rect></property>
    <property name="text"><string>STOP</string></property>
    <property name="ctrlId" stdset="0"><number>3</number></property>
   </widget>
   <widget class="QPushButton" name="toggle">
    <property name="geometry"><rect><x>100</x><y>10</y><width>80</width><height>26</height></rect></property>
    <property name="text"><string>PAGE</string></property>
    <property name="checkable"><bool>true</bool></property>
    <property name="ctrlId" stdset="0"><number>4</number></property>
   </widget>
   <widget class="QRadioButton" name="radio">
    <property name="geometry"><rect><x>190</x><y>10</y><width>80</width><height>26</height></rect></property>
    <property name="text"><string>RAM</string></property>
    <property name="autoExclusive"><bool>false</bool></property>
    <property name="ctrlId" stdset="0"><number>5</number></property>
   </widget>
   <widget class="QCheckBox" name="check">
    <property name="geometry"><rect><x>280</x><y>10</y><width>80</width><height>26</height></rect></property>
    <property name="text"><string>ON</string></property>
    <property name="ctrlId" stdset="0"><number>6</number></property>
   </widget>
   <widget class="QLabel" name="spinLabel">
    <property name="geometry"><rect><x>10</x><y>44</y><width>80</width><height>16</height></rect></property>
    <property name="text"><string>Count</string></property>
    <property name="labelFor" stdset="0"><number>7</number></property>
   </widget>
   <widget class="QSpinBox" name="spin">
    <property name="geometry"><rect><x>10</x><y>60</y><width>80</width><height>24</height></rect></property>
    <property name="minimum"><number>0</number></property>
    <property name="maximum"><number>65535</number></property>
    <property name="value"><number>10</number></property>
    <property name="ctrlId" stdset="0"><number>7</number></property>
   </widget>
   <widget class="QDoubleSpinBox" name="dbl">
    <property name="geometry"><rect><x>100</x><y>60</y><width>90</width><height>24</height></rect></property>
    <property name="minimum"><double>-1000.0</double></property>
    <property name="maximum"><double>1000.0</double></property>
    <property name="decimals"><number>2</number></property>
    <property name="ctrlId" stdset="0"><number>8</number></property>
   </widget>
   <widget class="QComboBox" name="ring">
    <property name="geometry"><rect><x>200</x><y>60</y><width>90</width><height>24</height></rect></property>
    <property name="itemValues" stdset="0"><string>0,1,4</string></property>
    <property name="ctrlId" stdset="0"><number>9</number></property>
    <item><property name="text"><string>zero</string></property></item>
    <item><property name="text"><string>one</string></property></item>
    <item><property name="text"><string>four</string></property></item>
   </widget>
   <widget class="QSlider" name="slider">
    <property name="geometry"><rect><x>300</x><y>60</y><width>120</width><height>24</height></rect></property>
    <property name="orientation"><enum>Qt::Horizontal</enum></property>
    <property name="maximum"><number>100</number></property>
    <property name="ctrlId" stdset="0"><number>10</number></property>
   </widget>
   <widget class="QLineEdit" name="line">
    <property name="geometry"><rect><x>10</x><y>90</y><width>200</width><height>24</height></rect></property>
    <property name="ctrlId" stdset="0"><number>11</number></property>
   </widget>
   <widget class="QPlainTextEdit" name="textbox">
    <property name="geometry"><rect><x>220</x><y>90</y><width>200</width><height>60</height></rect></property>
    <property name="readOnly"><bool>true</bool></property>
    <property name="ctrlId" stdset="0"><number>12</number></property>
   </widget>
   <widget class="QLabel" name="message">
    <property name="geometry"><rect><x>10</x><y>120</y><width>200</width><height>20</height></rect></property>
    <property name="text"><string>status</string></property>
    <property name="ctrlId" stdset="0"><number>13</number></property>
   </widget>
   <widget class="QFrame" name="field">
    <property name="geometry"><rect><x>430</x><y>10</y><width>100</width><height>50</height></rect></property>
    <property name="ctrlId" stdset="0"><number>14</number></property>
   </widget>
   <widget class="QCustomPlot" name="graph">
    <property name="geometry"><rect><x>10</x><y>160</y><width>300</width><height>150</height></rect></property>
    <property name="ctrlId" stdset="0"><number>15</number></property>
    <property name="xMin" stdset="0"><double>1.0</double></property>
    <property name="xMax" stdset="0"><double>4096.0</double></property>
    <property name="yMin" stdset="0"><double>0.0</double></property>
    <property name="yMax" stdset="0"><double>1.0</double></property>
    <property name="cursors" stdset="0"><number>3</number></property>
   </widget>
   <widget class="QCustomPlot" name="strip">
    <property name="geometry"><rect><x>320</x><y>160</y><width>300</width><height>150</height></rect></property>
    <property name="ctrlId" stdset="0"><number>16</number></property>
    <property name="stripChart" stdset="0"><bool>true</bool></property>
    <property name="traces" stdset="0"><number>2</number></property>
    <property name="pointsPerScreen" stdset="0"><number>5</number></property>
   </widget>
   <widget class="QLabel" name="logo">
    <property name="geometry"><rect><x>540</x><y>10</y><width>90</width><height>60</height></rect></property>
    <property name="picture" stdset="0"><bool>true</bool></property>
    <property name="ctrlId" stdset="0"><number>17</number></property>
   </widget>
   <widget class="QSpinBox" name="shortField">
    <property name="geometry"><rect><x>10</x><y>320</y><width>80</width><height>24</height></rect></property>
    <property name="minimum"><number>-32768</number></property>
    <property name="maximum"><number>32767</number></property>
    <property name="ctrlId" stdset="0"><number>18</number></property>
   </widget>
   <widget class="QSpinBox" name="pixels">
    <property name="geometry"><rect><x>100</x><y>320</y><width>100</width><height>26</height></rect></property>
    <property name="minimum"><number>0</number></property>
    <property name="maximum"><number>65535</number></property>
    <property name="alignment"><set>Qt::AlignRight|Qt::AlignVCenter</set></property>
    <property name="readOnly"><bool>true</bool></property>
    <property name="buttonSymbols"><enum>QAbstractSpinBox::NoButtons</enum></property>
    <property name="focusPolicy"><enum>Qt::NoFocus</enum></property>
    <property name="ctrlId" stdset="0"><number>19</number></property>
   </widget>
   <widget class="QDoubleSpinBox" name="millimetres">
    <property name="geometry"><rect><x>210</x><y>320</y><width>120</width><height>26</height></rect></property>
    <property name="minimum"><double>-1000.0</double></property>
    <property name="maximum"><double>100000.0</double></property>
    <property name="decimals"><number>3</number></property>
    <property name="alignment"><set>Qt::AlignLeft|Qt::AlignVCenter</set></property>
    <property name="readOnly"><bool>true</bool></property>
    <property name="buttonSymbols"><enum>QAbstractSpinBox::NoButtons</enum></property>
    <property name="ctrlId" stdset="0"><number>20</number></property>
   </widget>
   <widget class="QGroupBox" name="commands">
    <property name="geometry"><rect><x>0</x><y>0</y><width>380</width><height>40</height></rect></property>
    <property name="title"><string>Commands</string></property>
   </widget>
  </widget>
  <widget class="QWidget" name="page">
   <property name="geometry"><rect><x>0</x><y>0</y><width>200</width><height>100</height></rect></property>
   <property name="windowTitle"><string>Page</string></property>
   <property name="panelId" stdset="0"><number>3</number></property>
   <widget class="QPushButton" name="teach">
    <property name="geometry"><rect><x>5</x><y>5</y><width>60</width><height>24</height></rect></property>
    <property name="text"><string>TEACH</string></property>
    <property name="ctrlId" stdset="0"><number>1</number></property>
   </widget>
  </widget>
 </widget>
 <customwidgets>
  <customwidget>
   <class>QCustomPlot</class>
   <extends>QWidget</extends>
   <header>qcustomplot.h</header>
   <container>1</container>
  </customwidget>
 </customwidgets>
 <resources/>
 <connections/>
</ui>
)";

}  // namespace

std::string TestUir() {
  const std::string path = TempDir() + "/test.uir";
  std::ofstream(path) << kUi;
  return path;
}

void PanelTest::SetUp() {
  panel = LoadPanel(0, TestUir().c_str(), 2);
  ASSERT_GT(panel, 0);
}

void PanelTest::TearDown() {
  if (panel > 0) DiscardPanel(panel);
}

QImage OnScreen(QWidget* w) {
  const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
  return w->screen()
      ->grabWindow(w->window()->winId(), at.x(), at.y(), w->width(), w->height())
      .toImage()
      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace enginetest
