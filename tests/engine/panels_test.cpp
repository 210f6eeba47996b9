// Loading panels from the resource file and placing them.
#include <gtest/gtest.h>

#include <QWidget>
#include <fstream>

#include "engine/engine.h"
#include "engine/engine_fixture.h"
#include "engine/engine_qt.h"

using namespace enginetest;

namespace {

TEST(EnginePanels, HandlesInLoadOrderChildrenAndFailures) {
  int main = LoadPanel(0, TestUir().c_str(), 2);
  ASSERT_GT(main, 0);
  int page = LoadPanel(main, TestUir().c_str(), 3);
  ASSERT_EQ(page, main + 1);
  EXPECT_EQ(PanelWidget(page)->parentWidget(), PanelWidget(main));
  EXPECT_TRUE(PanelWidget(main)->isWindow());
  EXPECT_EQ(PanelWidget(main)->windowTitle(), "Engine test panel");
  EXPECT_EQ(PanelWidget(main)->size(), QSize(640, 480));
  // The same panel twice: two independent copies.
  int again = LoadPanel(0, TestUir().c_str(), 2);
  ASSERT_EQ(again, page + 1);
  SetCtrlVal(main, kSpin, 5);
  SetCtrlVal(again, kSpin, 6);
  int v = 0;
  GetCtrlVal(main, kSpin, &v);
  EXPECT_EQ(v, 5);

  // Hidden until displayed; child panels placed in their parent.
  EXPECT_FALSE(PanelWidget(main)->isVisible());
  ASSERT_EQ(DisplayPanel(main), 0);
  ASSERT_EQ(DisplayPanel(page), 0);
  EXPECT_TRUE(PanelWidget(page)->isVisible());
  ASSERT_EQ(SetPanelAttribute(page, ATTR_LEFT, 8), 0);
  ASSERT_EQ(SetPanelAttribute(page, ATTR_TOP, 105), 0);
  EXPECT_EQ(PanelWidget(page)->pos(), QPoint(8, 105));
  int left = 0, visible = 0;
  GetPanelAttribute(page, ATTR_LEFT, &left);
  EXPECT_EQ(left, 8);
  ASSERT_EQ(HidePanel(page), 0);
  GetPanelAttribute(page, ATTR_VISIBLE, &visible);
  EXPECT_EQ(visible, 0);
  EXPECT_EQ(SetPanelAttribute(page, 4711, 0), UIEInvalidAttribute);

  // A help box brought to the front lies above the child pages too.
  DisplayPanel(page);
  ASSERT_EQ(SetCtrlAttribute(main, kTextBox, ATTR_ZPLANE_POSITION, 0), 0);
  const QObjectList& children = PanelWidget(main)->children();
  int boxAt = children.indexOf(CtrlWidget(main, kTextBox));
  int pageAt = children.indexOf(PanelWidget(page));
  EXPECT_GT(boxAt, pageAt);
  HidePanel(page);

  // Failures are negative handles.
  EXPECT_LT(LoadPanel(0, "/nonexistent/file.uir", 2), 0);
  EXPECT_LT(LoadPanel(0, TestUir().c_str(), 42), 0);
  EXPECT_EQ(LoadPanel(999, TestUir().c_str(), 3), UIEBadPanelHandle);
  std::string broken = TempDir() + "/broken.uir";
  std::ofstream(broken) << "<?xml version=\"1.0\"?><ui version=\"4.0\"><widget class=";
  EXPECT_LT(LoadPanel(0, broken.c_str(), 2), 0);

  // Discarding the parent takes the child along.
  ASSERT_EQ(DiscardPanel(main), 0);
  EXPECT_EQ(PanelWidget(page), nullptr);
  EXPECT_EQ(DisplayPanel(page), UIEBadPanelHandle);
  EXPECT_EQ(DiscardPanel(main), UIEBadPanelHandle);
  DiscardPanel(again);
}

#ifdef QROX_RESOURCE_DIR
TEST(EnginePanels, TheProgramsResourceFileHasAllFivePanels) {
  std::string uir = std::string(QROX_RESOURCE_DIR) + "/V-AVA-VEVedadV306.uir";
  if (!std::ifstream(uir)) GTEST_SKIP() << "resource file not present";
  int main = LoadPanel(0, uir.c_str(), 2);
  ASSERT_GT(main, 0);
  int handles[] = {LoadPanel(0, uir.c_str(), 5), LoadPanel(main, uir.c_str(), 3),
                   LoadPanel(main, uir.c_str(), 4), LoadPanel(main, uir.c_str(), 1)};
  for (int h : handles) EXPECT_GT(h, 0);
  // Status line and the three graphs of the main panel.
  char text[8];
  EXPECT_EQ(GetCtrlVal(main, 33, text, sizeof text), 0);
  for (int graph : {34, 35, 38}) EXPECT_EQ(DeleteGraphPlot(main, graph, -1, 0), 0) << graph;
  DiscardPanel(handles[0]);
  DiscardPanel(main);
}
#endif

}  // namespace
