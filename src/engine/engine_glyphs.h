// The glyphs of the characters numbers are written with, taken from a font once, so that
// an indicator draws a new number without laying out and shaping its text anew. Only for
// a font that sets those characters side by side as they are (no kerning, no joining):
// every pair is checked against the text layout when the glyphs are taken. Private to
// src/engine.
#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>
#include <memory>

namespace engine {

class NumberGlyphs {
 public:
  static constexpr char kCharacters[] = "0123456789.-+";
  static constexpr int kCount = sizeof kCharacters - 1;

  // The glyphs of `font`, taken when nobody holds them yet; null when the font changes
  // the characters' places or shapes in a text.
  static std::shared_ptr<const NumberGlyphs> For(const QFont& font);

  // `text` as one run of glyphs from the left end of its baseline, and its width; false
  // when a character lies outside the set.
  bool Run(const QString& text, QGlyphRun* run, qreal* width) const;
  qreal ascent() const { return ascent_; }

 private:
  explicit NumberGlyphs(const QFont& font);
  bool SetAsLaidOut(const QFont& font);

  QRawFont raw_;
  quint32 glyph_[kCount] = {};
  qreal advance_[kCount] = {};
  qreal ascent_ = 0.0;
};

}  // namespace engine
