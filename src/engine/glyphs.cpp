// Numbers drawn from glyphs taken once per font.
#include <QTextLayout>
#include <map>
#include <set>

#include "engine/engine_glyphs.h"

namespace engine {

namespace {

int IndexOf(QChar c) {
  for (int i = 0; i < NumberGlyphs::kCount; ++i)
    if (c == QLatin1Char(NumberGlyphs::kCharacters[i])) return i;
  return -1;
}

// The glyphs and pen positions the text layout gives `text` in `font`.
bool LaidOut(const QFont& font, const QString& text, QList<quint32>* glyphs,
             QList<QPointF>* positions, qreal* ascent) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  if (runs.size() != 1) return false;
  *glyphs = runs[0].glyphIndexes();
  *positions = runs[0].positions();
  *ascent = line.ascent();
  return true;
}

}  // namespace

NumberGlyphs::NumberGlyphs(const QFont& font) : raw_(QRawFont::fromFont(font)) {}

std::shared_ptr<const NumberGlyphs> NumberGlyphs::For(const QFont& font) {
  // Shared while someone draws with them: the fonts go before the application does.
  static std::map<QString, std::weak_ptr<const NumberGlyphs>> taken;
  static std::set<QString> unusable;
  const QString key = font.key();
  if (unusable.count(key)) return nullptr;
  if (auto glyphs = taken[key].lock()) return glyphs;
  std::shared_ptr<NumberGlyphs> glyphs(new NumberGlyphs(font));
  if (!glyphs->SetAsLaidOut(font)) {
    unusable.insert(key);
    return nullptr;
  }
  taken[key] = glyphs;
  return glyphs;
}

// Takes each character's glyph and advance from the layout, and checks that every pair
// is laid out as the two glyphs side by side.
bool NumberGlyphs::SetAsLaidOut(const QFont& font) {
  QList<quint32> glyphs;
  QList<QPointF> positions;
  qreal ascent = 0.0;
  for (int i = 0; i < kCount; ++i) {
    const QString one(QLatin1Char(kCharacters[i]));
    if (!LaidOut(font, one, &glyphs, &positions, &ascent) || glyphs.size() != 1) return false;
    glyph_[i] = glyphs[0];
    advance_[i] = raw_.advancesForGlyphIndexes(glyphs).value(0).x();
    if (i == 0) ascent_ = ascent;
    if (ascent != ascent_ || positions[0] != QPointF(0, ascent_)) return false;
  }
  for (int a = 0; a < kCount; ++a) {
    for (int b = 0; b < kCount; ++b) {
      const QString pair = QString(QLatin1Char(kCharacters[a])) + QLatin1Char(kCharacters[b]);
      if (!LaidOut(font, pair, &glyphs, &positions, &ascent)) return false;
      if (glyphs != QList<quint32>{glyph_[a], glyph_[b]} ||
          positions != QList<QPointF>{{0, ascent_}, {advance_[a], ascent_}})
        return false;
    }
  }
  return true;
}

bool NumberGlyphs::Run(const QString& text, QGlyphRun* run, qreal* width) const {
  QList<quint32> glyphs;
  QList<QPointF> positions;
  glyphs.reserve(text.size());
  positions.reserve(text.size());
  qreal x = 0.0;
  for (const QChar c : text) {
    const int i = IndexOf(c);
    if (i < 0) return false;
    glyphs.append(glyph_[i]);
    positions.append(QPointF(x, 0.0));
    x += advance_[i];
  }
  run->setRawFont(raw_);
  run->setGlyphIndexes(glyphs);
  run->setPositions(positions);
  *width = x;
  return true;
}

}  // namespace engine
