// The information area of the main panel: field colour, logo bitmap from the program's
// directory or its data directory, and the five white-on-blue texts with their places and sizes.
#include "logo/logo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <climits>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "shell/globals.h"
#include "support/app_fixture.h"

namespace {

struct Created {
  int id = 0;
  QWidget* widget = nullptr;
};

class LogoTest : public AppTest {
 protected:
  void SetUp() override {
    LoadPanelsOnly();
    std::strcpy(proj_dir, dir.c_str());
    std::strcpy(szSoftName, "Q-ROX-MX-Raror");
    std::strcpy(szSoftVersion, "Version 3.06");
    before_ = Children();
  }

  static std::vector<QWidget*> Children() {
    const QList<QWidget*> list =
        PanelWidget(pHandle)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::vector<QWidget*>(list.begin(), list.end());
  }

  // The controls created since SetUp, in the order of creation, with their numbers.
  std::vector<Created> NewControls() const {
    std::vector<Created> out;
    const std::set<QWidget*> old(before_.begin(), before_.end());
    for (QWidget* w : Children()) {
      if (old.count(w)) continue;
      Created c;
      c.widget = w;
      for (int id = 1; id < 5000 && !c.id; ++id)
        if (CtrlWidget(pHandle, id) == w) c.id = id;
      out.push_back(c);
    }
    return out;
  }

  static int Attr(int ctrl, int attribute) {
    int v = INT_MIN;
    EXPECT_EQ(GetCtrlAttribute(pHandle, ctrl, attribute, &v), 0) << "attribute " << attribute;
    return v;
  }

  static std::string Text(int ctrl) {
    char text[256] = "";
    EXPECT_EQ(GetCtrlVal(pHandle, ctrl, text, sizeof text), 0);
    return text;
  }

  static bool DialogOpen() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QDialog*>(w) && w->isVisible()) return true;
    return false;
  }

  struct Line {
    int left, top, size;
  };
  static constexpr Line kLines[5] = {
      {15, 10, 11}, {15, 25, 11}, {15, 40, 11}, {300, 35, 18}, {450, 40, 11}};

  // The five texts: places, sizes, colours, font, values. Returns their texts.
  std::vector<std::string> ExpectFiveInfoTexts() const {
    std::vector<std::string> texts;
    const std::vector<Created> created = NewControls();
    EXPECT_EQ(created.size(), 5u);
    for (size_t i = 0; i < created.size() && i < 5; ++i) {
      const Created& c = created[i];
      SCOPED_TRACE("text " + std::to_string(i + 1));
      EXPECT_GT(c.id, 0) << "the text is not a control of the main panel";
      if (c.id <= 0) continue;
      EXPECT_NE(qobject_cast<QLabel*>(c.widget), nullptr);
      int top = -1, left = -1, height = -1, width = -1;
      EXPECT_EQ(GetCtrlBoundingRect(pHandle, c.id, &top, &left, &height, &width), 0);
      EXPECT_EQ(left, kLines[i].left);
      EXPECT_EQ(top, kLines[i].top);
      EXPECT_EQ(Attr(c.id, ATTR_TEXT_POINT_SIZE), kLines[i].size);
      EXPECT_EQ(Attr(c.id, ATTR_TEXT_COLOR), 0xFFFFFF);
      EXPECT_EQ(Attr(c.id, ATTR_TEXT_BGCOLOR), 0x0080FF);
      char font[64] = "";
      EXPECT_EQ(GetCtrlAttribute(pHandle, c.id, ATTR_TEXT_FONT, font, sizeof font), 0);
      EXPECT_STREQ(font, "NIApp");
      EXPECT_TRUE(c.widget->isVisibleTo(PanelWidget(pHandle)));
      texts.push_back(Text(c.id));
    }
    return texts;
  }

  std::vector<QWidget*> before_;
};

TEST_F(LogoTest, BuildsTheInformationAreaWithTheLogoFromTheProgramDirectory) {
  const std::string bmp = std::string(QROX_RESOURCE_DIR) + "/zx.bmp";
  std::filesystem::copy_file(bmp, PathIn("zx.bmp"));
  // The picture starts elsewhere, so that its placement is seen.
  SetCtrlAttribute(pHandle, MAIN_LOGO, ATTR_TOP, 50);
  SetCtrlAttribute(pHandle, MAIN_LOGO, ATTR_LEFT, 600);

  ShowLogo(2);

  EXPECT_EQ(Attr(MAIN_INFO_FIELD, ATTR_FRAME_COLOR), 0x0080FF);
  int top = -1, left = -1, height = -1, width = -1;
  ASSERT_EQ(GetCtrlBoundingRect(pHandle, MAIN_LOGO, &top, &left, &height, &width), 0);
  EXPECT_EQ(top, 10);
  EXPECT_EQ(left, 300);
  auto* picture = qobject_cast<QLabel*>(CtrlWidget(pHandle, MAIN_LOGO));
  ASSERT_NE(picture, nullptr);
  const QPixmap shown = picture->pixmap();
  ASSERT_FALSE(shown.isNull()) << "the logo was not loaded";
  QImage expected(QString::fromStdString(bmp));
  ASSERT_FALSE(expected.isNull());
  EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_RGB32),
            expected.convertToFormat(QImage::Format_RGB32));

  const std::vector<std::string> texts = ExpectFiveInfoTexts();
  ASSERT_EQ(texts.size(), 5u);
  for (int i = 0; i < 3; ++i) EXPECT_GE(texts[i].size(), 10u) << "contact line " << i + 1;
  EXPECT_EQ(std::set<std::string>(texts.begin(), texts.begin() + 3).size(), 3u);
  EXPECT_NE(texts[1].find("Tel"), std::string::npos);
  EXPECT_EQ(texts[2].rfind("www.", 0), 0u);
  EXPECT_EQ(texts[3], "Q-ROX-MX-Raror");
  EXPECT_EQ(texts[4], "Version 3.06");

  // The contact lines stay left of the logo.
  for (const Created& c : NewControls()) {
    if (c.widget->x() != 15) continue;
    EXPECT_LE(c.widget->geometry().right(), 300)
        << c.widget->property("text").toString().toStdString();
  }
  EXPECT_FALSE(DialogOpen());
}

TEST_F(LogoTest, AnInstalledProgramTakesTheLogoFromItsDataDirectory) {
  const std::string bin = dir + "/bin";
  const std::string data = dir + "/share/qrox";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(data);
  std::filesystem::copy_file(std::string(QROX_RESOURCE_DIR) + "/zx.bmp", data + "/zx.bmp");
  SetProgramDir(bin);

  ShowLogo(2);

  auto* picture = qobject_cast<QLabel*>(CtrlWidget(pHandle, MAIN_LOGO));
  ASSERT_NE(picture, nullptr);
  EXPECT_FALSE(picture->pixmap().isNull()) << "the logo was not found in " << data;
}

TEST_F(LogoTest, WithoutTheBitmapTheTextsStillAppearAndNoMessageIsShown) {
  ASSERT_FALSE(std::filesystem::exists(PathIn("zx.bmp")));
  const std::string status = Status();

  ShowLogo(2);

  auto* picture = qobject_cast<QLabel*>(CtrlWidget(pHandle, MAIN_LOGO));
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->pixmap().isNull());
  EXPECT_EQ(Attr(MAIN_INFO_FIELD, ATTR_FRAME_COLOR), 0x0080FF);
  const std::vector<std::string> texts = ExpectFiveInfoTexts();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[3], "Q-ROX-MX-Raror");
  EXPECT_EQ(texts[4], "Version 3.06");
  EXPECT_FALSE(DialogOpen());
  EXPECT_EQ(PendingPopupAnswers(), 0);
  EXPECT_EQ(Status(), status);
}

TEST_F(LogoTest, OtherModesLeaveThePanelAsItIs) {
  std::filesystem::copy_file(std::string(QROX_RESOURCE_DIR) + "/zx.bmp", PathIn("zx.bmp"));
  SetCtrlAttribute(pHandle, MAIN_LOGO, ATTR_LEFT, 600);
  SetCtrlAttribute(pHandle, MAIN_INFO_FIELD, ATTR_FRAME_COLOR, 0x102030);

  for (int mode : {-1, 0, 1, 3, 100}) ShowLogo(mode);

  EXPECT_TRUE(NewControls().empty());
  EXPECT_EQ(Attr(MAIN_INFO_FIELD, ATTR_FRAME_COLOR), 0x102030);
  EXPECT_EQ(Attr(MAIN_LOGO, ATTR_LEFT), 600);
  auto* picture = qobject_cast<QLabel*>(CtrlWidget(pHandle, MAIN_LOGO));
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->pixmap().isNull());
}

TEST_F(LogoTest, ShowInfoTextCreatesOneTextWithItsLook) {
  ShowInfoText(7, 0x123456, 0xABCDEF, "Service text", 77, 66, 14);
  ShowInfoText(0, 0x0080FF, 0xFFFFFF, nullptr, 5, 6, 9);  // no text: an empty one

  const std::vector<Created> created = NewControls();
  ASSERT_EQ(created.size(), 2u);
  ASSERT_GT(created[0].id, 0);
  int top = -1, left = -1, height = -1, width = -1;
  GetCtrlBoundingRect(pHandle, created[0].id, &top, &left, &height, &width);
  EXPECT_EQ(left, 77);
  EXPECT_EQ(top, 66);
  EXPECT_EQ(Text(created[0].id), "Service text");
  EXPECT_EQ(Attr(created[0].id, ATTR_TEXT_BGCOLOR), 0x123456);
  EXPECT_EQ(Attr(created[0].id, ATTR_TEXT_COLOR), 0xABCDEF);
  EXPECT_EQ(Attr(created[0].id, ATTR_TEXT_POINT_SIZE), 14);
  ASSERT_GT(created[1].id, 0);
  EXPECT_EQ(Text(created[1].id), "");
  EXPECT_EQ(Attr(created[1].id, ATTR_TEXT_POINT_SIZE), 9);
}

}  // namespace
