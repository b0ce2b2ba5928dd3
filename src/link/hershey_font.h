#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/drawing_strokes.h"

namespace velmora {

// One glyph of a Hershey font: its left and right edges and its strokes, in font units (y down).
struct HersheyGlyph {
  struct Point {
    int8_t x = 0, y = 0;
  };
  int left = 0, right = 0;
  std::vector<std::vector<Point>> strokes;
};

// A font in the .jhf text form: one glyph a record ("12345" number, vertex count, the margins and
// the vertices as pairs of letters around 'R', " R" lifting the pen), a record possibly wrapped
// over several lines. The glyphs of the Latin fonts are the characters from the space on, in
// order.
struct HersheyFont {
  std::vector<HersheyGlyph> glyphs;
  char32_t first = U' ';
  // The character of each glyph, for a font whose glyphs are not in character order (0: none).
  std::u32string codes;

  const HersheyGlyph* Find(char32_t c) const;
};

// Gives the glyphs of the data's Japanese font (japanese.jhf: a few kanji and numerals, then
// hiragana and katakana in the order of the syllabary, voiced ones after) their characters.
// False when the font does not have that font's 193 glyphs.
bool UseJapaneseCodes(HersheyFont& font);

// False (with the 1-based line of the first bad record) when the data is not such a font.
bool ParseHersheyFont(std::string_view data, HersheyFont& font, std::size_t* badLine = nullptr);

enum class TextAlign { kLeft, kCentre, kRight };

struct TextOptions {
  double heightMm = 10;      // capital letters
  double lineSpacing = 1.5;  // times the height, baseline to baseline
  TextAlign align = TextAlign::kLeft;
};

// `fallback`, when given, draws what `font` lacks (kana from the Japanese font), centred on the
// capitals' height.
struct TextLayout {
  Drawing drawing;
  std::u32string missing;  // characters the font lacks, each once, in order of appearance
};

// Lays out UTF-8 text (lines split at line feeds) in the font. A character the font lacks leaves
// a gap of a space and is named in `missing`; invalid UTF-8 counts as U+FFFD.
TextLayout LayoutText(const HersheyFont& font, std::string_view utf8, const TextOptions& options,
                      const HersheyFont* fallback = nullptr);

// U+XXXX characters as UTF-8 text ("é", "あ").
std::string ToUtf8(const std::u32string& text);

// A font the text command offers.
struct FontChoice {
  std::string name;
  HersheyFont font;
};

// The Latin fonts of the Hershey data that the machine has (none when the package is missing),
// read from /usr/share/hershey-fonts.
std::vector<FontChoice> AvailableFonts();
// The data's Japanese font with its characters (kana and a few kanji); no glyphs when missing.
HersheyFont JapaneseFont();

}  // namespace velmora
