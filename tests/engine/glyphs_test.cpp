// Numbers drawn from glyphs taken once per font look exactly as the laid-out text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include "engine/engine_glyphs.h"

namespace {

QImage Blank() {
  QImage image(160, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  return image;
}

QImage LaidOut(const QFont& font, const QString& text, qreal* width) {
  QImage image = Blank();
  QPainter painter(&image);
  painter.setPen(Qt::black);
  QTextLayout layout(text, font);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  layout.draw(&painter, QPointF(3, 2));
  *width = line.naturalTextWidth();
  return image;
}

QImage FromGlyphs(const engine::NumberGlyphs& glyphs, const QString& text, qreal* width) {
  QImage image = Blank();
  QPainter painter(&image);
  painter.setPen(Qt::black);
  QGlyphRun run;
  if (glyphs.Run(text, &run, width)) painter.drawGlyphRun(QPointF(3, 2 + glyphs.ascent()), run);
  return image;
}

TEST(EngineGlyphs, NumbersFromGlyphsLookExactlyAsTheLaidOutText) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  QFont larger = QApplication::font();
  larger.setPointSize(14);
  for (const QFont& font : {QApplication::font(), bold, larger}) {
    SCOPED_TRACE(font.toString().toStdString());
    const auto glyphs = engine::NumberGlyphs::For(font);
    // The fonts of this machine set digits side by side; a font that would not gets null
    // and its numbers are laid out.
    ASSERT_TRUE(glyphs);
    EXPECT_EQ(engine::NumberGlyphs::For(font), glyphs) << "taken once per font";
    for (const char* number :
         {"0123456789", "-12.345", "+4096", "65535", "0.100", "-999.500", "1.1", "7-7", "44.44"}) {
      qreal laidWidth = 0.0, glyphWidth = -1.0;
      const QImage expected = LaidOut(font, number, &laidWidth);
      const QImage drawn = FromGlyphs(*glyphs, number, &glyphWidth);
      EXPECT_EQ(drawn, expected) << number;
      EXPECT_EQ(glyphWidth, laidWidth) << number;
    }
    QGlyphRun run;
    qreal width = 0.0;
    EXPECT_FALSE(glyphs->Run("12 mm", &run, &width));
    EXPECT_FALSE(glyphs->Run("OFF", &run, &width));
    EXPECT_FALSE(glyphs->Run("1,5", &run, &width));
  }
}

}  // namespace
