// The panel resource file as the program loads it: every numbered control of the program
// with a kind that holds its value, the start values the parameter set is read from, the
// ranges the program writes, the list items, and the layout (no overlapping controls,
// texts that fit, pages that fit their place, help boxes that open where they are seen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QWidget>
#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "gui/gui.h"
#include "service/service.h"
#include "service/statistics.h"
#include "shell/globals.h"
#include "shell/shell.h"

namespace {

enum class Kind {
  Command,          // QPushButton
  Toggle,           // checkable QPushButton
  Radio,            // QRadioButton, not auto-exclusive
  Switch,           // QCheckBox
  Numeric,          // QSpinBox
  Indicator,        // read-only QSpinBox
  Float,            // QDoubleSpinBox
  FloatIndicator,   // read-only QDoubleSpinBox
  Ring,             // QComboBox
  Slider,           // QSlider
  StringIndicator,  // read-only QLineEdit
  TextBox,          // read-only QPlainTextEdit
  Field,            // QFrame
  Picture,          // QLabel with picture = true
  Graph,            // QCustomPlot
  StripChart,       // QCustomPlot with stripChart = true
  Table,            // QTableWidget
};

struct Expected {
  int* panel;
  int id;
  Kind kind;
};

// Every numbered control of the program (shell/globals.h) and the kind it needs.
const std::vector<Expected>& AllControls() {
  static const std::vector<Expected> all = {
      {&pHandle, MAIN_STOP, Kind::Command},
      {&pHandle, MAIN_RUN, Kind::Command},
      {&pHandle, MAIN_VIDEO, Kind::Command},
      {&pHandle, MAIN_SEND, Kind::Command},
      {&pHandle, MAIN_GET, Kind::Command},
      {&pHandle, MAIN_RAM, Kind::Radio},
      {&pHandle, MAIN_EEPROM, Kind::Radio},
      {&pHandle, MAIN_FILE, Kind::Radio},
      {&pHandle, MAIN_TOGGLE_PARA1, Kind::Toggle},
      {&pHandle, MAIN_TOGGLE_PARA2, Kind::Toggle},
      {&pHandle, MAIN_TOGGLE_CALIB, Kind::Toggle},
      {&pHandle, MAIN_EBEG, Kind::Numeric},
      {&pHandle, MAIN_EEND, Kind::Numeric},
      {&pHandle, MAIN_RECORDER, Kind::Toggle},
      {&pHandle, MAIN_ANA_VALUE, Kind::Indicator},
      {&pHandle, MAIN_ANA_MAX, Kind::Indicator},
      {&pHandle, MAIN_ANA_MIN, Kind::Indicator},
      {&pHandle, MAIN_RESET, Kind::Command},
      {&pHandle, MAIN_COMPORT, Kind::Ring},
      {&pHandle, MAIN_MM_VALUE, Kind::FloatIndicator},
      {&pHandle, MAIN_PIX_VALUE, Kind::Indicator},
      {&pHandle, MAIN_TOL_UP_MM, Kind::FloatIndicator},
      {&pHandle, MAIN_TOL_LOW_MM, Kind::FloatIndicator},
      {&pHandle, MAIN_LEDGE, Kind::Indicator},
      {&pHandle, MAIN_REDGE, Kind::Indicator},
      {&pHandle, MAIN_INFO_FIELD, Kind::Field},
      {&pHandle, MAIN_STATUS, Kind::StringIndicator},
      {&pHandle, MAIN_VIDEO_GRAPH, Kind::Graph},
      {&pHandle, MAIN_BAR_GRAPH, Kind::Graph},
      {&pHandle, MAIN_LOGO, Kind::Picture},
      {&pHandle, MAIN_ZOOM, Kind::Switch},
      {&pHandle, MAIN_ROLL_GRAPH, Kind::StripChart},
      {&pHandle, MAIN_HELP1, Kind::TextBox},
      {&pHandle, MAIN_HELP2, Kind::TextBox},
      {&pHandle, MAIN_COMPARE, Kind::Command},
      {&pHandle, MAIN_VERIFY, Kind::Switch},
      {&pHandle, MAIN_REPORT, Kind::Command},
      {&pPara1, PARA1_EVALMODE, Kind::Ring},
      {&pPara1, PARA1_OPTION5, Kind::Switch},
      {&pPara1, PARA1_TOLERANCE, Kind::Numeric},
      {&pPara1, PARA1_TRIGMODE, Kind::Ring},
      {&pPara1, PARA1_HWMODE, Kind::Ring},
      {&pPara1, PARA1_POLARITY, Kind::Ring},
      {&pPara1, PARA1_AVERAGE, Kind::Ring},
      {&pPara1, PARA1_ANAMODE, Kind::Ring},
      {&pPara1, PARA1_TOLERANCE_UP, Kind::Numeric},
      {&pPara1, PARA1_HOLD, Kind::Ring},
      {&pPara2, PARA2_POWER, Kind::Slider},
      {&pPara2, PARA2_THRESHOLD, Kind::Slider},
      {&pPara2, PARA2_POWERMODE, Kind::Ring},
      {&pPara2, PARA2_SETPOINT, Kind::Numeric},
      {&pPara2, PARA2_TEACH, Kind::Command},
      {&pCalib, CALIB_OPMODE, Kind::Switch},
      {&pCalib, CALIB_SLOPE, Kind::Float},
      {&pCalib, CALIB_OFFSET, Kind::Numeric},
      {&pCalib, CALIB_INFO, Kind::TextBox},
      {&pCalib, CALIB_XFLASH_WRITE, Kind::Command},
      {&pCalib, CALIB_XFLASH_READ, Kind::Command},
      {&pPopup, REC_STATUS, Kind::TextBox},
      {&pPopup, REC_SAMPLES, Kind::Numeric},
      {&pPopup, REC_START, Kind::Command},
      {&pPopup, REC_STOP, Kind::Command},
      {&pPopup, REC_FILE, Kind::Command},
      {&pPopup, REC_DATE, Kind::StringIndicator},
      {&pPopup, REC_TIME, Kind::StringIndicator},
      {&pPopup, REC_COUNT, Kind::Indicator},
      {&pPopup, REC_SECONDS, Kind::Indicator},
      {&pPopup, REC_MINUTES, Kind::Indicator},
      {&pPopup, REC_HOURS, Kind::Indicator},
      {&pPopup, REC_DAYS, Kind::Indicator},
      {&pPopup, REC_MVALUE, Kind::Indicator},
      {&pPopup, REC_LEDGE, Kind::Indicator},
      {&pPopup, REC_PATH, Kind::TextBox},
      {&pPopup, REC_INCREMENT, Kind::Numeric},
      {&pPopup, REC_MM, Kind::FloatIndicator},
      {&pPopup, REC_REDGE, Kind::Indicator},
      {&pCompare, COMPARE_TABLE, Kind::Table},
      {&pCompare, COMPARE_RESULT, Kind::TextBox},
      {&pCompare, COMPARE_CLOSE, Kind::Command},
      {&pCompare, COMPARE_PATH, Kind::StringIndicator},
      {&pHandle, MAIN_STATISTICS, Kind::Command},
      {&pHandle, MAIN_KEEP_REFERENCE, Kind::Command},
      {&pStats, STATS_SOURCE, Kind::TextBox},
      {&pStats, STATS_FRAMES, Kind::Ring},
      {&pStats, STATS_RESET, Kind::Command},
      {&pStats, STATS_OPEN, Kind::Command},
      {&pStats, STATS_TABLE, Kind::Table},
      {&pStats, STATS_HISTOGRAM, Kind::Graph},
      {&pStats, STATS_CP, Kind::StringIndicator},
      {&pStats, STATS_CPK, Kind::StringIndicator},
      {&pStats, STATS_SETPOINT, Kind::Indicator},
      {&pStats, STATS_LSL, Kind::Indicator},
      {&pStats, STATS_USL, Kind::Indicator},
      {&pStats, STATS_CLOSE, Kind::Command},
      {&pStats, STATS_HELP, Kind::TextBox},
      {&pHandle, MAIN_HISTORY, Kind::Command},
      {&pHistory, HISTORY_ENTRIES, Kind::Table},
      {&pHistory, HISTORY_RESULT, Kind::TextBox},
      {&pHistory, HISTORY_CLOSE, Kind::Command},
      {&pHistory, HISTORY_ALL, Kind::Switch},
      {&pHistory, HISTORY_ENTRY, Kind::Numeric},
      {&pHistory, HISTORY_WORDS, Kind::Table},
      {&pHistory, HISTORY_RESTORE, Kind::Command},
  };
  return all;
}

// Where InitGUI puts the three pages on the main panel.
constexpr int kPageLeft = 8;
constexpr int kPageTop = 105;

// A widget of a panel as the layout checks see it.
struct Item {
  QWidget* widget = nullptr;
  int ctrl = 0;  // ctrlId, or the labelFor of a label
  bool isLabel = false;
  bool isCaption = false;  // a text without number (scale marks, headings)
  std::string Name() const {
    std::string kind = isCaption ? "caption" : isLabel ? "label of " : "control ";
    return kind + (isCaption ? "" : std::to_string(ctrl)) + " (" +
           widget->objectName().toStdString() + ")";
  }
};

bool IsChildPanel(const QWidget* w) {
  return w->property("panelId").isValid();
}

std::vector<Item> PanelItems(int panel) {
  std::vector<Item> items;
  QWidget* p = PanelWidget(panel);
  if (!p) return items;
  for (QWidget* w : p->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (IsChildPanel(w) || qobject_cast<QGroupBox*>(w)) continue;
    Item it;
    it.widget = w;
    if (w->property("ctrlId").isValid()) {
      it.ctrl = w->property("ctrlId").toInt();
    } else if (w->property("labelFor").isValid()) {
      it.ctrl = w->property("labelFor").toInt();
      it.isLabel = true;
    } else if (qobject_cast<QLabel*>(w)) {
      it.isCaption = true;
    } else {
      continue;
    }
    items.push_back(it);
  }
  return items;
}

std::vector<QGroupBox*> GroupFrames(int panel) {
  const QList<QGroupBox*> list =
      PanelWidget(panel)->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
  return std::vector<QGroupBox*>(list.begin(), list.end());
}

std::string RectText(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
         "x" + std::to_string(r.height());
}

class ResourceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string uir = std::string(QROX_RESOURCE_DIR) + "/" + UIR_FILE;
    ASSERT_EQ(ServiceLoadPanels(uir.c_str()), 0) << "cannot load the panels of " << uir;
  }

  void TearDown() override {
    for (int h : {pPara1, pPara2, pCalib, pPopup, pCompare, pHistory, pStats, pHandle})
      if (h > 0) DiscardPanel(h);
    pHandle = pPopup = pPara1 = pPara2 = pCalib = pCompare = pHistory = pStats = 0;
  }

  static int IntVal(int panel, int ctrl) {
    int v = INT_MIN;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, &v), 0) << "control " << ctrl;
    return v;
  }

  static double DoubleVal(int panel, int ctrl) {
    double v = -1e300;
    EXPECT_EQ(GetCtrlVal(panel, ctrl, &v), 0) << "control " << ctrl;
    return v;
  }

  static std::string TextVal(int panel, int ctrl) {
    char text[512] = "?";
    EXPECT_EQ(GetCtrlVal(panel, ctrl, text, sizeof text), 0) << "control " << ctrl;
    return text;
  }

  static int Attr(int panel, int ctrl, int attribute) {
    int v = INT_MIN;
    EXPECT_EQ(GetCtrlAttribute(panel, ctrl, attribute, &v), 0) << "control " << ctrl;
    return v;
  }

  static std::string ItemLabel(int panel, int ctrl, int index) {
    char text[128] = "";
    EXPECT_EQ(GetLabelFromIndex(panel, ctrl, index, text, sizeof text), 0);
    return text;
  }

  // The text a numeric control shows fits its edit field.
  static void ExpectShownTextFits(int panel, int ctrl) {
    QWidget* w = CtrlWidget(panel, ctrl);
    ASSERT_NE(w, nullptr);
    auto* edit = w->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr) << "control " << ctrl;
    const int need = edit->fontMetrics().horizontalAdvance(edit->text()) + 4;
    EXPECT_LE(need, edit->width())
        << "control " << ctrl << " cannot show \"" << edit->text().toStdString() << "\"";
  }
};

// Every numbered control exists on its panel with a kind that holds the value the program
// reads and writes, and the file holds no numbered control the program does not know.
TEST_F(ResourceFileTest, EveryNumberedControlExistsWithAFittingKind) {
  std::map<int, std::set<int>> known;
  for (const Expected& e : AllControls()) {
    const int panel = *e.panel;
    const int id = e.id;
    known[panel].insert(id);
    SCOPED_TRACE("panel " + std::to_string(panel) + " control " + std::to_string(id));
    QWidget* w = CtrlWidget(panel, id);
    ASSERT_NE(w, nullptr) << "missing control";
    int top = -1, left = -1, height = -1, width = -1;
    EXPECT_EQ(GetCtrlBoundingRect(panel, id, &top, &left, &height, &width), 0);
    EXPECT_GT(height, 0);
    EXPECT_GT(width, 0);
    const std::string cls = w->metaObject()->className();

    switch (e.kind) {
      case Kind::Command: {
        auto* b = qobject_cast<QPushButton*>(w);
        ASSERT_NE(b, nullptr) << cls;
        EXPECT_FALSE(b->isCheckable());
        EXPECT_FALSE(b->text().isEmpty());
        break;
      }
      case Kind::Toggle:
      case Kind::Radio:
      case Kind::Switch: {
        if (e.kind == Kind::Toggle) {
          auto* b = qobject_cast<QPushButton*>(w);
          ASSERT_NE(b, nullptr) << cls;
          EXPECT_TRUE(b->isCheckable());
        } else if (e.kind == Kind::Radio) {
          auto* r = qobject_cast<QRadioButton*>(w);
          ASSERT_NE(r, nullptr) << cls;
          EXPECT_FALSE(r->autoExclusive());
        } else {
          auto* c = qobject_cast<QCheckBox*>(w);
          ASSERT_NE(c, nullptr) << cls;
          EXPECT_FALSE(c->isTristate());
        }
        const int before = IntVal(panel, id);
        EXPECT_TRUE(before == 0 || before == 1);
        EXPECT_EQ(SetCtrlVal(panel, id, 1), 0);
        EXPECT_EQ(IntVal(panel, id), 1);
        EXPECT_EQ(SetCtrlVal(panel, id, 0), 0);
        EXPECT_EQ(IntVal(panel, id), 0);
        SetCtrlVal(panel, id, before);
        break;
      }
      case Kind::Numeric: {
        auto* s = qobject_cast<QSpinBox*>(w);
        ASSERT_NE(s, nullptr) << cls;
        EXPECT_FALSE(s->isReadOnly());
        IntVal(panel, id);
        break;
      }
      case Kind::Float: {
        auto* s = qobject_cast<QDoubleSpinBox*>(w);
        ASSERT_NE(s, nullptr) << cls;
        EXPECT_FALSE(s->isReadOnly());
        DoubleVal(panel, id);
        break;
      }
      case Kind::Indicator:
      case Kind::FloatIndicator: {
        // A display of its own: no field to edit, its text in a read-only line edit.
        EXPECT_EQ(qobject_cast<QAbstractSpinBox*>(w), nullptr) << cls;
        auto* text = w->findChild<QLineEdit*>();
        ASSERT_NE(text, nullptr) << cls;
        EXPECT_TRUE(text->isReadOnly());
        e.kind == Kind::Indicator ? IntVal(panel, id) : DoubleVal(panel, id);
        break;
      }
      case Kind::Ring: {
        auto* c = qobject_cast<QComboBox*>(w);
        ASSERT_NE(c, nullptr) << cls;
        EXPECT_FALSE(c->isEditable());
        int count = -1;
        EXPECT_EQ(GetNumListItems(panel, id, &count), 0);
        if (id == MAIN_COMPORT && panel == pHandle) {
          EXPECT_EQ(count, 0) << "the program fills the port list from its port table";
        } else {
          EXPECT_GT(count, 1);
          IntVal(panel, id);
        }
        break;
      }
      case Kind::Slider: {
        auto* s = qobject_cast<QSlider*>(w);
        ASSERT_NE(s, nullptr) << cls;
        EXPECT_EQ(s->orientation(), Qt::Horizontal);
        IntVal(panel, id);
        break;
      }
      case Kind::StringIndicator: {
        auto* l = qobject_cast<QLineEdit*>(w);
        ASSERT_NE(l, nullptr) << cls;
        EXPECT_TRUE(l->isReadOnly());
        EXPECT_EQ(SetCtrlVal(panel, id, "text 1"), 0);
        EXPECT_EQ(TextVal(panel, id), "text 1");
        break;
      }
      case Kind::TextBox: {
        auto* t = qobject_cast<QPlainTextEdit*>(w);
        ASSERT_NE(t, nullptr) << cls;
        EXPECT_TRUE(t->isReadOnly());
        TextVal(panel, id);
        break;
      }
      case Kind::Table: {
        // Titled columns, rows made by the program, cells with text and colour.
        ASSERT_EQ(cls, "QTableWidget");
        const int last = static_cast<QTableWidget*>(w)->columnCount();
        EXPECT_GE(last, 4);
        int rows = -1;
        EXPECT_EQ(GetNumTableRows(panel, id, &rows), 0);
        EXPECT_EQ(rows, 0);
        EXPECT_EQ(InsertTableRows(panel, id, -1, 2), 0);
        EXPECT_EQ(SetTableCellVal(panel, id, 2, last, "cell"), 0);
        char text[16] = "";
        EXPECT_EQ(GetTableCellVal(panel, id, 2, last, text, sizeof text), 0);
        EXPECT_STREQ(text, "cell");
        EXPECT_EQ(SetTableCellVal(panel, id, 3, 1, "x"), UIEInvalidAttribute);
        EXPECT_EQ(DeleteTableRows(panel, id, 1, -1), 0);
        break;
      }
      case Kind::Field:
        EXPECT_EQ(cls, "QFrame");
        EXPECT_EQ(SetCtrlAttribute(panel, id, ATTR_FRAME_COLOR, 0x0080FF), 0);
        EXPECT_EQ(Attr(panel, id, ATTR_FRAME_COLOR), 0x0080FF);
        break;
      case Kind::Picture:
        ASSERT_NE(qobject_cast<QLabel*>(w), nullptr) << cls;
        EXPECT_TRUE(w->property("picture").toBool());
        break;
      case Kind::Graph:
      case Kind::StripChart: {
        EXPECT_EQ(cls, "QCustomPlot");
        EXPECT_EQ(w->property("stripChart").toBool(), e.kind == Kind::StripChart);
        int mode = -1;
        double lo = 0, hi = 0;
        EXPECT_EQ(GetAxisScalingMode(panel, id, VAL_XAXIS, &mode, &lo, &hi), 0);
        if (e.kind == Kind::StripChart) {
          EXPECT_EQ(Attr(panel, id, ATTR_NUM_TRACES), 6);
          EXPECT_EQ(Attr(panel, id, ATTR_POINTS_PER_SCREEN), 101);
        }
        break;
      }
    }
  }

  // Nothing numbered beyond the program's controls; every label belongs to a control.
  for (int panel : {pHandle, pPopup, pPara1, pPara2, pCalib, pCompare, pHistory, pStats}) {
    for (const Item& it : PanelItems(panel)) {
      if (it.isCaption) continue;
      EXPECT_TRUE(known[panel].count(it.ctrl))
          << "panel " << panel << ": " << it.Name() << " is unknown to the program";
    }
  }
}

// The controls start with the values the parameter set starts with, so the panel read at
// start (GetPanelValues) gives the start values of every layout.
TEST_F(ResourceFileTest, StartValuesAreTheParameterStartValues) {
  EXPECT_EQ(IntVal(pPara2, PARA2_POWER), 500);
  EXPECT_EQ(IntVal(pPara2, PARA2_POWERMODE), 1);
  EXPECT_EQ(IntVal(pPara1, PARA1_POLARITY), 1);
  EXPECT_EQ(IntVal(pPara1, PARA1_EVALMODE), 1);
  EXPECT_EQ(IntVal(pHandle, MAIN_EBEG), 1);
  EXPECT_EQ(IntVal(pHandle, MAIN_EEND), 1024);
  EXPECT_EQ(IntVal(pPara2, PARA2_SETPOINT), 512);
  EXPECT_EQ(IntVal(pPara1, PARA1_TOLERANCE), 100);
  EXPECT_EQ(IntVal(pPara1, PARA1_TOLERANCE_UP), 100);
  EXPECT_EQ(IntVal(pPara1, PARA1_AVERAGE), 1);
  EXPECT_EQ(IntVal(pPara1, PARA1_TRIGMODE), 0);
  EXPECT_EQ(IntVal(pPara1, PARA1_ANAMODE), 0);
  EXPECT_EQ(IntVal(pPara1, PARA1_OPTION5), 0);
  EXPECT_EQ(IntVal(pCalib, CALIB_OPMODE), 0);
  EXPECT_EQ(IntVal(pPara1, PARA1_HWMODE), 1);
  EXPECT_EQ(IntVal(pPara2, PARA2_THRESHOLD), 40);
  EXPECT_EQ(DoubleVal(pCalib, CALIB_SLOPE), 1.0);
  EXPECT_EQ(IntVal(pCalib, CALIB_OFFSET), 30000);

  // Source RAM, page 1 shown, recorder closed, full-range graph.
  EXPECT_EQ(IntVal(pHandle, MAIN_RAM), 1);
  EXPECT_EQ(IntVal(pHandle, MAIN_EEPROM), 0);
  EXPECT_EQ(IntVal(pHandle, MAIN_FILE), 0);
  EXPECT_EQ(IntVal(pHandle, MAIN_TOGGLE_PARA1), 1);
  EXPECT_EQ(IntVal(pHandle, MAIN_TOGGLE_PARA2), 0);
  EXPECT_EQ(IntVal(pHandle, MAIN_TOGGLE_CALIB), 0);
  EXPECT_EQ(IntVal(pHandle, MAIN_RECORDER), 0);
  EXPECT_EQ(IntVal(pHandle, MAIN_ZOOM), 0);
  EXPECT_EQ(IntVal(pPopup, REC_SAMPLES), 10);
  EXPECT_EQ(IntVal(pPopup, REC_INCREMENT), 1);

  // The service control is hidden until the service code is entered; the read command
  // is there from the start. The rolling graph waits under the video graph for RUN.
  EXPECT_EQ(Attr(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pCalib, CALIB_XFLASH_READ, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE), 1);
  EXPECT_EQ(Attr(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 0);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 0);
  EXPECT_EQ(TextVal(pHandle, MAIN_HELP1), "HELPTEXT1");
  EXPECT_EQ(TextVal(pHandle, MAIN_HELP2), "HELPTEXT2");
  // Idle recorder: the run displays are dimmed until a run starts.
  for (int c : {REC_DATE, REC_TIME, REC_COUNT, REC_SECONDS, REC_MINUTES, REC_HOURS, REC_DAYS})
    EXPECT_EQ(Attr(pPopup, c, ATTR_DIMMED), 1) << "recorder control " << c;
  EXPECT_EQ(Attr(pPopup, REC_START, ATTR_DIMMED), 0);

  // The panel read of each layout gives that layout's start words.
  std::memset(parameter, 0, sizeof parameter);
  ADCMAX = 255;
  GetPanelValues();
  const u16 defaults[15] = {500, 1, 1, 1, 1, 1024, 512, 100, 1, 0, 0, 0, 0, 1, 40};
  for (int s = 0; s < 15; ++s) EXPECT_EQ(parameter[3 + s], defaults[s]) << "word " << 3 + s;
  EXPECT_EQ(parameter[60], 16384);  // slope 1.0 x 16384, low word
  EXPECT_EQ(parameter[61], 0);
  EXPECT_EQ(parameter[62], 30000);  // offset, low word
  EXPECT_EQ(parameter[63], 0);
  EXPECT_EQ(thdArray[0], 255 * 40 / 100);

  GetPanelValuesD303();
  const u16 d303[15] = {500, 1, 1, 1, 1, 1024, 512, 100, 100, 1, 0, 0, 0, 1, 40};
  for (int s = 0; s < 15; ++s) EXPECT_EQ(parameter[18 + s], d303[s]) << "word " << 18 + s;
  EXPECT_EQ(parameter[60], 1024);  // slope 1.0 x 1024

  // MX400: as its start words, except the hold time, which the panel starts at 0 (off).
  GetPanelValuesMX400();
  const u16 mx400[14] = {500, 1, 1, 1, 1, 1024, 512, 100, 100, 1, 0, 0, 0, 40};
  for (int s = 0; s < 14; ++s) EXPECT_EQ(parameter[33 + s], mx400[s]) << "word " << 33 + s;
}

// The list items carry the values the parameter words hold, and the texts the model
// set-up writes at run time fit.
TEST_F(ResourceFileTest, RingItemsCarryTheParameterValues) {
  struct Ring {
    int* panel;
    int id;
    std::vector<int> values;
  };
  const std::vector<Ring> rings = {
      {&pPara1, PARA1_EVALMODE, {0, 1, 2, 3, 4}},
      {&pPara1, PARA1_TRIGMODE, {0, 1, 2}},
      {&pPara1, PARA1_HWMODE, {0, 1, 2, 3}},
      {&pPara1, PARA1_POLARITY, {0, 1}},
      {&pPara1, PARA1_AVERAGE, {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024}},
      {&pPara1, PARA1_ANAMODE, {0, 1, 2, 3, 4, 5, 6, 7}},
      {&pPara1, PARA1_HOLD, {0, 10, 20, 50, 100, 200, 500, 1000}},
      {&pPara2, PARA2_POWERMODE, {0, 1}},
  };
  for (const Ring& r : rings) {
    const int panel = *r.panel;
    int count = -1;
    GetNumListItems(panel, r.id, &count);
    EXPECT_EQ(count, static_cast<int>(r.values.size())) << "ring " << r.id;
    std::set<std::string> labels;
    for (size_t i = 0; i < r.values.size(); ++i) {
      EXPECT_EQ(SetCtrlVal(panel, r.id, r.values[i]), 0);
      EXPECT_EQ(IntVal(panel, r.id), r.values[i]) << "ring " << r.id;
      auto* box = qobject_cast<QComboBox*>(CtrlWidget(panel, r.id));
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->currentIndex(), static_cast<int>(i)) << "ring " << r.id;
      labels.insert(ItemLabel(panel, r.id, static_cast<int>(i)));
    }
    EXPECT_EQ(labels.size(), r.values.size()) << "ring " << r.id << " repeats an item text";
  }

  EXPECT_EQ(ItemLabel(pPara1, PARA1_EVALMODE, 0), "LEFT-EDGE");
  EXPECT_EQ(ItemLabel(pPara1, PARA1_EVALMODE, 1), "RIGHT-EDGE");
  EXPECT_EQ(ItemLabel(pPara1, PARA1_EVALMODE, 2), "WIDTH");
  EXPECT_EQ(ItemLabel(pPara1, PARA1_ANAMODE, 1), "DIRECT 5V");

  // What the model set-up writes in: peak-class items, the analogue item of newer
  // firmware, the tolerance-low label in bold. Each must fit its control.
  ReplaceListItem(pPara1, PARA1_EVALMODE, 0, "LEFT-PEAK", 0);
  ReplaceListItem(pPara1, PARA1_EVALMODE, 1, "RIGHT-PEAK", 1);
  ReplaceListItem(pPara1, PARA1_EVALMODE, 2, "PEAK-TO-PEAK", 2);
  ReplaceListItem(pPara1, PARA1_ANAMODE, 1, "DIRECT 5V/SET", 1);
  EXPECT_EQ(SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_TEXT, "TOLERANCE-LOW"), 0);
  EXPECT_EQ(SetCtrlAttribute(pPara1, PARA1_TOLERANCE, ATTR_LABEL_BOLD, 1), 0);
  SetCtrlVal(pPara1, PARA1_ANAMODE, 1);
  EXPECT_EQ(IntVal(pPara1, PARA1_ANAMODE), 1);
  for (int id : {PARA1_EVALMODE, PARA1_ANAMODE}) {
    auto* box = qobject_cast<QComboBox*>(CtrlWidget(pPara1, id));
    ASSERT_NE(box, nullptr);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    EXPECT_LE(box->sizeHint().width(), box->width()) << "ring " << id;
  }
  for (const Item& it : PanelItems(pPara1)) {
    if (!it.isLabel || it.ctrl != PARA1_TOLERANCE) continue;
    auto* label = qobject_cast<QLabel*>(it.widget);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "TOLERANCE-LOW");
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
  }
}

// The controls hold every value the program writes into them, and show it readably.
TEST_F(ResourceFileTest, NumericControlsHoldTheValuesTheProgramWrites) {
  // Shown, so that the edit fields have their real sizes.
  for (int panel : {pHandle, pPara1, pPara2, pCalib, pPopup}) DisplayPanel(panel);
  QApplication::processEvents();
  struct IntCase {
    int* panel;
    int id;
    int value;
  };
  const std::vector<IntCase> ints = {
      {&pHandle, MAIN_EBEG, 0},
      {&pHandle, MAIN_EBEG, 65535},
      {&pHandle, MAIN_EEND, 65535},
      {&pPara1, PARA1_TOLERANCE, 65535},
      {&pPara1, PARA1_TOLERANCE_UP, 65535},
      {&pPara2, PARA2_SETPOINT, 65535},
      {&pPara2, PARA2_POWER, 0},
      {&pPara2, PARA2_POWER, 1000},
      {&pPara2, PARA2_THRESHOLD, 10},  // the threshold the sensor keeps: 10 to 950
      {&pPara2, PARA2_THRESHOLD, 950},
      {&pCalib, CALIB_OFFSET, INT_MIN},
      {&pCalib, CALIB_OFFSET, INT_MAX},
      {&pHandle, MAIN_ANA_VALUE, -65535},
      {&pHandle, MAIN_ANA_VALUE, 65535},
      {&pHandle, MAIN_ANA_MAX, 65535},
      {&pHandle, MAIN_ANA_MIN, 65535},
      {&pHandle, MAIN_PIX_VALUE, 65535},
      {&pHandle, MAIN_LEDGE, 65535},
      {&pHandle, MAIN_REDGE, 65535},
      {&pPopup, REC_SAMPLES, 65535},
      {&pPopup, REC_INCREMENT, 65535},
      {&pPopup, REC_COUNT, 65535},
      {&pPopup, REC_DAYS, 22754},  // 29999 samples x 65535 s
      {&pPopup, REC_HOURS, 23},
      {&pPopup, REC_MINUTES, 59},
      {&pPopup, REC_SECONDS, 59},
      {&pPopup, REC_MVALUE, 65535},
      {&pPopup, REC_LEDGE, 65535},
      {&pPopup, REC_REDGE, 65535},
  };
  for (const IntCase& c : ints) {
    EXPECT_EQ(SetCtrlVal(*c.panel, c.id, c.value), 0);
    EXPECT_EQ(IntVal(*c.panel, c.id), c.value) << "control " << c.id;
    if (!qobject_cast<QSlider*>(CtrlWidget(*c.panel, c.id))) ExpectShownTextFits(*c.panel, c.id);
  }

  struct DoubleCase {
    int* panel;
    int id;
    double value;
  };
  const std::vector<DoubleCase> doubles = {
      {&pHandle, MAIN_MM_VALUE, 123.456},     {&pHandle, MAIN_MM_VALUE, 4294967.295},
      {&pHandle, MAIN_TOL_UP_MM, 2.095},      {&pHandle, MAIN_TOL_LOW_MM, 0.02},
      {&pHandle, MAIN_TOL_LOW_MM, 65535.999}, {&pPopup, REC_MM, 4294967.295},
  };
  for (const DoubleCase& c : doubles) {
    EXPECT_EQ(SetCtrlVal(*c.panel, c.id, c.value), 0);
    EXPECT_NEAR(DoubleVal(*c.panel, c.id), c.value, 5e-4) << "control " << c.id;
    ExpectShownTextFits(*c.panel, c.id);
  }
  // The measured value shows three decimals.
  EXPECT_EQ(SetCtrlVal(pHandle, MAIN_MM_VALUE, 1.23456), 0);
  EXPECT_EQ(CtrlWidget(pHandle, MAIN_MM_VALUE)->findChild<QLineEdit*>()->text(), "1.235");

  // The slope: five decimals, up to the largest value of a 32-bit word x 1024.
  for (float f : {1.5f, 0.00001f, 1.23456f, 262143.0f, 4194304.0f}) {
    EXPECT_EQ(SetCtrlVal(pCalib, CALIB_SLOPE, f), 0);
    float back = -1.0f;
    EXPECT_EQ(GetCtrlVal(pCalib, CALIB_SLOPE, &back), 0);
    EXPECT_FLOAT_EQ(back, f);
    ExpectShownTextFits(pCalib, CALIB_SLOPE);
  }

  // Texts: a full status text, the recorder's date and time.
  const std::string status(STATUS_LEN - 1, 'W');
  EXPECT_EQ(SetCtrlVal(pHandle, MAIN_STATUS, status.c_str()), 0);
  EXPECT_EQ(TextVal(pHandle, MAIN_STATUS), status);
  auto* line = qobject_cast<QLineEdit*>(CtrlWidget(pHandle, MAIN_STATUS));
  ASSERT_NE(line, nullptr);
  EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width() - 4)
      << "the status line cannot show a full status text";
  for (auto [ctrl, text] : {std::pair{REC_DATE, "12-31-2024"}, std::pair{REC_TIME, "23:59:59"}}) {
    SetCtrlVal(pPopup, ctrl, text);
    auto* edit = qobject_cast<QLineEdit*>(CtrlWidget(pPopup, ctrl));
    ASSERT_NE(edit, nullptr);
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), edit->width() - 4);
  }
  // The sensor-information box shows its four lines without scrolling.
  ResetTextBox(pCalib, CALIB_INFO,
               "Q-ROX-MX-K18\n1024-pixel; 7.8\xC2\xB5m pixel-pitch\n"
               "4096-subpixel; resolution=150\xC2\xB5m\nworking-range = 285mm ...715mm");
  auto* info = qobject_cast<QPlainTextEdit*>(CtrlWidget(pCalib, CALIB_INFO));
  ASSERT_NE(info, nullptr);
  const QFontMetrics fm = info->fontMetrics();
  EXPECT_LE(4 * fm.lineSpacing() + 8, info->height());
  EXPECT_LE(fm.horizontalAdvance("4096-subpixel;  resolution=+/-0.4mm") + 12, info->width());
}

// Every control, label and caption lies on its panel, inside or outside each group frame
// (never across its border or its title), and no two overlap, except the video and
// rolling graph (one place, one shown at a time), the help boxes (drawn over the others)
// and the logo and the buttons of the additions on the coloured field.
TEST_F(ResourceFileTest, NoTwoControlsOverlap) {
  auto allowed = [](int panel, const Item& a, const Item& b) {
    if (a.isLabel || b.isLabel || a.isCaption || b.isCaption) return false;
    std::set<int> pair = {a.ctrl, b.ctrl};
    if (panel == pStats) return pair.count(STATS_HELP) > 0;
    if (panel != pHandle) return false;
    if (pair == std::set<int>{MAIN_VIDEO_GRAPH, MAIN_ROLL_GRAPH}) return true;
    if (pair == std::set<int>{MAIN_INFO_FIELD, MAIN_LOGO}) return true;
    if (pair == std::set<int>{MAIN_INFO_FIELD, MAIN_REPORT}) return true;
    if (pair == std::set<int>{MAIN_INFO_FIELD, MAIN_HISTORY}) return true;
    return pair.count(MAIN_HELP1) || pair.count(MAIN_HELP2);
  };
  int checked = 0;
  for (int panel : {pHandle, pPopup, pPara1, pPara2, pCalib, pCompare, pHistory, pStats}) {
    QWidget* p = PanelWidget(panel);
    ASSERT_NE(p, nullptr);
    const QRect bounds(0, 0, p->width(), p->height());
    const std::vector<Item> items = PanelItems(panel);
    const std::vector<QGroupBox*> frames = GroupFrames(panel);
    for (size_t i = 0; i < items.size(); ++i) {
      const QRect ri = items[i].widget->geometry();
      EXPECT_TRUE(bounds.contains(ri)) << "panel " << panel << ": " << items[i].Name() << " at "
                                       << RectText(ri) << " leaves the panel";
      for (QGroupBox* g : frames) {
        const QRect rg = g->geometry();
        if (!rg.intersects(ri)) continue;
        const int titleBottom = rg.top() + g->fontMetrics().height();
        EXPECT_TRUE(rg.adjusted(2, 0, -2, -2).contains(ri) && ri.top() >= titleBottom)
            << "panel " << panel << ": " << items[i].Name() << " at " << RectText(ri)
            << " crosses the frame or title of " << g->title().toStdString();
      }
      for (size_t j = i + 1; j < items.size(); ++j) {
        const QRect rj = items[j].widget->geometry();
        ++checked;
        if (!ri.intersects(rj) || allowed(panel, items[i], items[j])) continue;
        ADD_FAILURE() << "panel " << panel << ": " << items[i].Name() << " at " << RectText(ri)
                      << " overlaps " << items[j].Name() << " at " << RectText(rj);
      }
    }
  }
  EXPECT_GT(checked, 1000);  // the whole resource file was looked at
}

// Texts fit their controls: labels, captions, button and switch texts, list items.
TEST_F(ResourceFileTest, TextsFitTheirControls) {
  for (int panel : {pHandle, pPopup, pPara1, pPara2, pCalib, pCompare, pHistory, pStats}) {
    for (const Item& it : PanelItems(panel)) {
      QWidget* w = it.widget;
      const std::string where = "panel " + std::to_string(panel) + ": " + it.Name();
      if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->property("picture").toBool()) continue;
        const QRect need = label->fontMetrics().boundingRect(QRect(0, 0, 10000, 10000),
                                                             Qt::AlignLeft, label->text());
        EXPECT_LE(need.width(), w->width()) << where;
        EXPECT_LE(label->fontMetrics().height(), w->height()) << where;
      } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 12, w->width())
            << where;
        EXPECT_LE(button->fontMetrics().height() + 6, w->height()) << where;
      } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        EXPECT_LE(w->sizeHint().width(), w->width()) << where;
        EXPECT_LE(w->sizeHint().height(), w->height() + 2) << where;
      } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        if (box->count() == 0) continue;
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        EXPECT_LE(box->sizeHint().width(), w->width()) << where;
      }
    }
  }
}

// The three pages have one size and fit the place InitGUI gives them, below the
// information field and beside the graphs, covering no control of the main panel.
TEST_F(ResourceFileTest, PagesFitTheirPlaceOnTheMainPanel) {
  QWidget* main = PanelWidget(pHandle);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->width(), 1010);
  EXPECT_EQ(main->height(), 720);
  EXPECT_EQ(main->windowTitle().toStdString(), "Q-ROX-MX-Raror  Version 3.06");
  EXPECT_NE(PanelWidget(pPopup)->windowTitle().indexOf("Recorder"), -1);

  const QSize size = PanelWidget(pPara1)->size();
  EXPECT_EQ(PanelWidget(pPara2)->size(), size);
  EXPECT_EQ(PanelWidget(pCalib)->size(), size);
  const QRect area(kPageLeft, kPageTop, size.width(), size.height());
  EXPECT_TRUE(QRect(0, 0, main->width(), main->height()).contains(area));
  EXPECT_GE(size.width(), 400);
  EXPECT_GE(size.height(), 300);

  for (const Item& it : PanelItems(pHandle)) {
    if (!it.isLabel && (it.ctrl == MAIN_HELP1 || it.ctrl == MAIN_HELP2)) continue;
    EXPECT_FALSE(area.intersects(it.widget->geometry()))
        << it.Name() << " at " << RectText(it.widget->geometry()) << " lies under the pages";
  }
  for (QGroupBox* g : GroupFrames(pHandle))
    EXPECT_FALSE(area.intersects(g->geometry())) << g->title().toStdString();
  // The page area starts below the coloured information field.
  EXPECT_GE(area.top(), CtrlWidget(pHandle, MAIN_INFO_FIELD)->geometry().bottom());
}

// Each help box opens at the offset the program gives it beside the control that was
// right-clicked. The box must lie on the main panel, and must not lie under the pages:
// child panels are drawn above every control of the main panel. The boxes themselves are
// the last controls of the main panel, so that they are drawn above its other controls.
TEST_F(ResourceFileTest, HelpBoxesOpenWhereTheyAreSeen) {
  QWidget* main = PanelWidget(pHandle);
  ASSERT_NE(main, nullptr);
  QWidget* box1 = CtrlWidget(pHandle, MAIN_HELP1);
  QWidget* box2 = CtrlWidget(pHandle, MAIN_HELP2);
  ASSERT_NE(box1, nullptr);
  ASSERT_NE(box2, nullptr);
  EXPECT_EQ(box1->geometry(), QRect(10, 110, box1->width(), box1->height()));
  EXPECT_EQ(box1->size(), box2->size());
  EXPECT_GE(box1->width(), 300);
  EXPECT_GE(box1->height(), 140);
  const QColor base = box1->palette().color(QPalette::Base);
  EXPECT_TRUE(base.red() > 240 && base.green() > 240 && base.blue() < 235)
      << "help boxes are pale yellow, not " << base.name().toStdString();

  std::vector<int> order;
  for (QWidget* w : main->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->property("ctrlId").isValid()) order.push_back(w->property("ctrlId").toInt());
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(std::set<int>(order.end() - 2, order.end()), (std::set<int>{MAIN_HELP1, MAIN_HELP2}));

  const QSize page = PanelWidget(pPara1)->size();
  const QRect pageArea(kPageLeft, kPageTop, page.width(), page.height());
  const QRect panelRect(0, 0, main->width(), main->height());

  enum Rule { RightOf, LeftOfByWidth, PageRightOf, PageTeach, RollGraph };
  struct Help {
    int* panel;
    int id;
    Rule rule;
    int dx, dy;  // RightOf: L + W + dx, T + dy; PageRightOf: PL + L + W + dx, PT + T + dy
  };
  const std::vector<Help> helps = {
      {&pHandle, MAIN_STOP, RightOf, 10, -10},
      {&pHandle, MAIN_RUN, RightOf, 10, -10},
      {&pHandle, MAIN_VIDEO, RightOf, 10, -10},
      {&pHandle, MAIN_GET, RightOf, 20, -20},
      {&pHandle, MAIN_SEND, RightOf, 20, -20},
      {&pHandle, MAIN_COMPARE, RightOf, 20, -20},
      {&pHandle, MAIN_VERIFY, RightOf, 20, -20},
      {&pHandle, MAIN_REPORT, RightOf, -330, 36},
      {&pHandle, MAIN_HISTORY, RightOf, -330, 36},
      {&pHandle, MAIN_RESET, RightOf, 10, -10},
      {&pHandle, MAIN_RECORDER, RightOf, 10, -10},
      {&pHandle, MAIN_COMPORT, RightOf, 20, -80},
      {&pHandle, MAIN_EBEG, RightOf, 10, -20},
      {&pHandle, MAIN_EEND, LeftOfByWidth, -100, -20},
      {&pHandle, MAIN_ROLL_GRAPH, RollGraph, 80, 40},
      {&pHandle, MAIN_STATISTICS, RightOf, -92 - 120, -160},
      {&pHandle, MAIN_KEEP_REFERENCE, RightOf, -80 - 200, -160},
      {&pPara1, PARA1_EVALMODE, PageRightOf, 20, -10},
      {&pPara1, PARA1_HWMODE, PageRightOf, 20, -10},
      {&pPara1, PARA1_TRIGMODE, PageRightOf, 20, -10},
      {&pPara1, PARA1_POLARITY, PageRightOf, 20, -10},
      {&pPara1, PARA1_AVERAGE, PageRightOf, 20, -10},
      {&pPara1, PARA1_ANAMODE, PageRightOf, 20, -10},
      {&pPara1, PARA1_TOLERANCE_UP, PageRightOf, 20, -10},
      {&pPara1, PARA1_TOLERANCE, PageRightOf, 20, -10},
      {&pPara1, PARA1_HOLD, PageRightOf, 25, -10},
      {&pPara2, PARA2_POWER, PageRightOf, 135, -10},
      {&pPara2, PARA2_THRESHOLD, PageRightOf, 30, -10},
      {&pPara2, PARA2_POWERMODE, PageRightOf, 25, -10},
      {&pPara2, PARA2_TEACH, PageTeach, 80, -10},
      {&pCalib, CALIB_OPMODE, PageRightOf, 120, -10},
  };
  for (const Help& h : helps) {
    int top = 0, left = 0, height = 0, width = 0;
    ASSERT_EQ(GetCtrlBoundingRect(*h.panel, h.id, &top, &left, &height, &width), 0);
    QPoint at;
    switch (h.rule) {
      case RightOf:
        at = {left + width + h.dx, top + h.dy};
        break;
      case LeftOfByWidth:
        at = {left - width + h.dx, top + h.dy};
        break;
      case PageRightOf:
        at = {kPageLeft + left + width + h.dx, kPageTop + top + h.dy};
        break;
      case PageTeach:
        at = {kPageLeft + h.dx + left, kPageTop + top + h.dy};
        break;
      case RollGraph:
        at = {left + h.dx, top + h.dy};
        break;
    }
    const QRect box(at, box1->size());
    EXPECT_TRUE(panelRect.contains(box)) << "help of control " << h.id << " (panel " << *h.panel
                                         << ") at " << RectText(box) << " leaves the main panel";
    EXPECT_FALSE(pageArea.intersects(box)) << "help of control " << h.id << " (panel " << *h.panel
                                           << ") at " << RectText(box) << " lies under the pages";
  }
}

// The logo bitmap beside the resource file is a plain 24-bit Windows bitmap in the
// field's blue and white that fits above the program name (top 35) at 300/10.
TEST(LogoBitmap, IsAPlain24BitBitmapThatFitsTheInformationArea) {
  QFile file(QString(QROX_RESOURCE_DIR) + "/zx.bmp");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 54);
  auto le32 = [&](int at) {
    return static_cast<quint32>(static_cast<unsigned char>(bytes[at])) |
           static_cast<quint32>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<quint32>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<quint32>(static_cast<unsigned char>(bytes[at + 3])) << 24;
  };
  auto le16 = [&](int at) {
    return static_cast<quint16>(static_cast<unsigned char>(bytes[at]) |
                                static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  EXPECT_EQ(bytes.left(2), QByteArray("BM"));
  EXPECT_EQ(le32(2), static_cast<quint32>(bytes.size()));
  EXPECT_EQ(le32(14), 40u);  // BITMAPINFOHEADER
  const int width = static_cast<int>(le32(18));
  const int height = static_cast<int>(le32(22));
  EXPECT_EQ(le16(26), 1);   // planes
  EXPECT_EQ(le16(28), 24);  // bits per pixel
  EXPECT_EQ(le32(30), 0u);  // no compression
  const int row = (width * 3 + 3) / 4 * 4;
  EXPECT_EQ(static_cast<int>(le32(10)) + row * height, bytes.size());

  QImage image;
  ASSERT_TRUE(image.loadFromData(bytes, "BMP"));
  EXPECT_EQ(image.width(), width);
  EXPECT_EQ(image.height(), height);
  // Between the picture's top (10) and the name line (35); left of the version (450).
  EXPECT_LE(height, 25);
  EXPECT_LE(width, 150 + 150);
  int blue = 0, white = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (p == qRgb(0x00, 0x80, 0xFF)) ++blue;
      if (p == qRgb(0xFF, 0xFF, 0xFF)) ++white;
    }
  EXPECT_GT(blue, width * height / 5);
  EXPECT_GT(white, width * height / 10);

  // The picture control of the main panel holds it unscaled.
  const std::string uir = std::string(QROX_RESOURCE_DIR) + "/" + UIR_FILE;
  const int panel = LoadPanel(0, uir.c_str(), PANEL_MAIN);
  ASSERT_GT(panel, 0);
  QWidget* picture = CtrlWidget(panel, MAIN_LOGO);
  ASSERT_NE(picture, nullptr);
  EXPECT_GE(picture->width(), width);
  EXPECT_GE(picture->height(), height);
  EXPECT_EQ(picture->pos(), QPoint(300, 10));
  DiscardPanel(panel);
}

}  // namespace
