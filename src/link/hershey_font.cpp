#include "link/hershey_font.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "base/atomic_file.h"

namespace velmora {

namespace {

// Capital letters of the Hershey fonts run from -12 to 9 (y down): 21 units.
constexpr double kCapitalUnits = 21.0;
// A glyph has at most this many vertices (the count field has three digits).
constexpr int kMaxVertices = 999;

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) {
      out.push_back(U'\uFFFD');
      break;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((d & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!ok) {
      out.push_back(U'\uFFFD');
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace

const HersheyGlyph* HersheyFont::Find(char32_t c) const {
  if (!codes.empty()) {
    const std::size_t k = codes.find(c);
    return c != 0 && k != std::u32string::npos && k < glyphs.size() ? &glyphs[k] : nullptr;
  }
  if (c < first) return nullptr;
  const std::size_t k = c - first;
  return k < glyphs.size() ? &glyphs[k] : nullptr;
}

bool ParseHersheyFont(std::string_view data, HersheyFont& font, std::size_t* badLine) {
  font = HersheyFont{};
  // The lines, without their ends.
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < data.size()) {
    std::size_t end = data.find('\n', at);
    if (end == std::string_view::npos) end = data.size();
    std::string_view line = data.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    at = end + 1;
  }
  auto fail = [&](std::size_t line) {
    if (badLine != nullptr) *badLine = line + 1;
    font = HersheyFont{};
    return false;
  };
  std::size_t k = 0;
  while (k < lines.size()) {
    if (lines[k].empty()) {
      ++k;
      continue;
    }
    const std::size_t first = k;
    std::string_view head = lines[k];
    if (head.size() < 10) return fail(first);
    int count = 0;
    const std::string_view countText = head.substr(5, 3);
    bool digit = false;
    for (char c : countText) {
      if (c == ' ' && !digit) continue;
      if (c < '0' || c > '9') return fail(first);
      digit = true;
      count = count * 10 + (c - '0');
    }
    if (!digit || count < 1 || count > kMaxVertices) return fail(first);
    // The pairs: the rest of this line and as many following lines as the count needs.
    std::string pairs(head.substr(8));
    ++k;
    const std::size_t need = static_cast<std::size_t>(count) * 2;
    while (pairs.size() < need && k < lines.size()) pairs += lines[k++];
    if (pairs.size() < need) return fail(first);
    pairs.resize(need);
    HersheyGlyph glyph;
    auto value = [](char c) { return static_cast<int>(c) - 'R'; };
    for (char c : pairs) {
      if (c < ' ' || c > '~') return fail(first);
    }
    glyph.left = value(pairs[0]);
    glyph.right = value(pairs[1]);
    std::vector<HersheyGlyph::Point> stroke;
    for (std::size_t p = 2; p + 1 < need; p += 2) {
      if (pairs[p] == ' ' && pairs[p + 1] == 'R') {
        if (stroke.size() > 1) glyph.strokes.push_back(std::move(stroke));
        stroke.clear();
        continue;
      }
      stroke.push_back({static_cast<int8_t>(value(pairs[p])), static_cast<int8_t>(value(pairs[p + 1]))});
    }
    if (stroke.size() > 1) glyph.strokes.push_back(std::move(stroke));
    font.glyphs.push_back(std::move(glyph));
  }
  if (font.glyphs.empty()) return fail(0);
  return true;
}

bool UseJapaneseCodes(HersheyFont& font) {
  // The data's own order; a 0 marks a mark of its own (small dots) or a repeat.
  static const std::u32string kCodes =
      std::u32string(U"。、一日円年大国人東中本京出時上者十") + U'\0' +
      U"二三四五六七八九" + std::u32string(6, U'\0') +
      U"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもや" + U'\0' +
      U"ゆ" + U'\0' + U"よらりるれろわゐ" + U'\0' + U"ゑをん" + std::u32string(4, U'\0') +
      U"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ" +
      U"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤ" + U'\0' +
      U"ユ" + U'\0' + U"ヨラリルレロワヰ" + U'\0' + U"ヱヲン" + std::u32string(4, U'\0') +
      U"ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ";
  if (font.glyphs.size() != kCodes.size()) return false;
  font.codes = kCodes;
  return true;
}

std::string ToUtf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

TextLayout LayoutText(const HersheyFont& font, std::string_view utf8, const TextOptions& o,
                      const HersheyFont* fallback) {
  TextLayout out;
  const double scale = o.heightMm / kCapitalUnits;
  const HersheyGlyph* space = font.Find(U' ');
  const int spaceWidth = space != nullptr ? space->right - space->left : 16;
  std::u32string text = DecodeUtf8(utf8);
  // Lines, each laid out from x = 0 and then moved by its alignment.
  double baseline = 0;
  std::size_t lineStart = 0;
  while (lineStart <= text.size()) {
    std::size_t lineEnd = text.find(U'\n', lineStart);
    if (lineEnd == std::u32string::npos) lineEnd = text.size();
    std::vector<Stroke> line;
    int pen = 0;
    for (std::size_t i = lineStart; i < lineEnd; ++i) {
      const char32_t c = text[i];
      if (c == U'\r') continue;
      const HersheyGlyph* glyph = font.Find(c);
      // The Japanese glyphs are 32 units tall around 0: three quarters of that, centred on the
      // capitals (-12 to 9).
      double size = 1.0;
      double lift = 0.0;
      if (glyph == nullptr && fallback != nullptr && c != U' ') {
        glyph = fallback->Find(c);
        size = 0.75;
        lift = -1.5;
      }
      if (glyph == nullptr) {
        if (out.missing.find(c) == std::u32string::npos) out.missing.push_back(c);
        pen += spaceWidth;
        continue;
      }
      for (const auto& points : glyph->strokes) {
        Stroke s;
        auto at = [&](HersheyGlyph::Point p) {
          return DrawingPoint{(pen + (p.x - glyph->left) * size) * scale,
                              baseline + (p.y * size + lift) * scale};
        };
        s.start = at(points.front());
        for (std::size_t k = 1; k < points.size(); ++k) {
          DrawingSegment seg;
          seg.end = at(points[k]);
          s.segments.push_back(seg);
        }
        line.push_back(std::move(s));
      }
      pen += static_cast<int>(std::lround((glyph->right - glyph->left) * size));
    }
    const double width = pen * scale;
    const double shift = o.align == TextAlign::kCentre ? -width / 2
                         : o.align == TextAlign::kRight ? -width
                                                        : 0.0;
    for (Stroke& s : line) {
      s.start.x += shift;
      for (DrawingSegment& seg : s.segments) seg.end.x += shift;
      out.drawing.strokes.push_back(std::move(s));
    }
    baseline += o.heightMm * o.lineSpacing;
    lineStart = lineEnd + 1;
  }
  return out;
}

namespace {

constexpr const char* kFontDir = "/usr/share/hershey-fonts/";
// The fonts offered, each a file of the Hershey data with its Latin letters from the space on.
constexpr const char* kFontFiles[] = {"futural", "futuram", "rowmans", "rowmand",
                                      "rowmant", "timesr",  "timesrb", "timesi",
                                      "scripts", "scriptc", "cursive", "gothiceng"};
// The largest font file of the data is about 40 kB.
constexpr std::uintmax_t kMaxFontBytes = 1u << 20;

bool ReadFont(const char* name, HersheyFont& font) {
  const std::optional<std::string> data =
      ReadWholeFile(std::string(kFontDir) + name + ".jhf", kMaxFontBytes);
  return data && ParseHersheyFont(*data, font);
}

}  // namespace

std::vector<FontChoice> AvailableFonts() {
  std::vector<FontChoice> fonts;
  for (const char* name : kFontFiles) {
    FontChoice choice;
    choice.name = name;
    if (ReadFont(name, choice.font)) fonts.push_back(std::move(choice));
  }
  return fonts;
}

HersheyFont JapaneseFont() {
  HersheyFont font;
  if (!ReadFont("japanese", font) || !UseJapaneseCodes(font)) return HersheyFont{};
  return font;
}

}  // namespace velmora
