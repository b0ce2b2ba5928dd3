// The Hershey font reader and the text layout.
#include "link/hershey_font.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace velmora {
namespace {

// Two glyphs: the space (empty) and '!' with two strokes, its record wrapped over two lines.
constexpr const char* kTiny =
    "12345  1JZ\n"
    "12345  9MWRFRT RRYQ\n"
    "ZR[SZRY\n";

TEST(HersheyFont, ReadsRecordsWrappedOverLinesAndRefusesBrokenOnes) {
  HersheyFont font;
  ASSERT_TRUE(ParseHersheyFont(kTiny, font));
  ASSERT_EQ(font.glyphs.size(), 2u);
  EXPECT_EQ(font.glyphs[0].right - font.glyphs[0].left, 16);  // 'J'..'Z'
  const HersheyGlyph* bang = font.Find(U'!');
  ASSERT_NE(bang, nullptr);
  EXPECT_EQ(bang->left, -5);
  EXPECT_EQ(bang->right, 5);
  ASSERT_EQ(bang->strokes.size(), 2u);
  EXPECT_EQ(bang->strokes[0].size(), 2u);  // R F -> R T: the bar
  EXPECT_EQ(bang->strokes[0][0].y, -12);
  EXPECT_EQ(bang->strokes[1].size(), 5u);  // the dot
  EXPECT_EQ(font.Find(U'"'), nullptr);

  std::size_t line = 0;
  EXPECT_FALSE(ParseHersheyFont("12345  9MWRFRT\n", font, &line));  // too few pairs
  EXPECT_EQ(line, 1u);
  EXPECT_TRUE(font.glyphs.empty());
  EXPECT_FALSE(ParseHersheyFont(std::string(kTiny) + "12345 x1JZ\n", font, &line));
  EXPECT_EQ(line, 4u);
  EXPECT_FALSE(ParseHersheyFont("12345  0\n", font, &line));
  EXPECT_FALSE(ParseHersheyFont("", font, &line));
  EXPECT_FALSE(ParseHersheyFont(std::string("12345  2JZ\x01Z\n"), font, &line));
}

TEST(HersheyFont, TextIsScaledAlignedAndNamesWhatTheFontLacks) {
  HersheyFont font;
  ASSERT_TRUE(ParseHersheyFont(kTiny, font));
  TextOptions o;
  o.heightMm = 21;  // one font unit a millimetre
  o.lineSpacing = 2;
  const TextLayout left = LayoutText(font, "!!\n!", o);
  ASSERT_EQ(left.drawing.strokes.size(), 6u);
  EXPECT_TRUE(left.missing.empty());
  // The second '!' starts one advance (10) to the right; the next line 42 mm down.
  EXPECT_DOUBLE_EQ(left.drawing.strokes[0].start.x, 5);
  EXPECT_DOUBLE_EQ(left.drawing.strokes[2].start.x, 15);
  EXPECT_DOUBLE_EQ(left.drawing.strokes[0].start.y, -12);
  EXPECT_DOUBLE_EQ(left.drawing.strokes[4].start.y, 42 - 12);

  o.align = TextAlign::kCentre;
  const TextLayout centred = LayoutText(font, "!", o);
  EXPECT_DOUBLE_EQ(centred.drawing.strokes[0].start.x, 0);

  // Missing characters leave a space's gap and are named once each; bad UTF-8 as U+FFFD.
  const TextLayout gaps = LayoutText(font, "!あ!あ\xff", o);
  EXPECT_EQ(gaps.missing, std::u32string(U"あ\uFFFD"));
  EXPECT_EQ(ToUtf8(gaps.missing), "あ\xEF\xBF\xBD");
}

TEST(HersheyFont, DebiansFontDataHasTheLatinLettersDigitsAndPunctuation) {
  std::ifstream in("/usr/share/hershey-fonts/futural.jhf", std::ios::binary);
  if (!in) GTEST_SKIP() << "hershey-fonts-data is not installed";
  std::stringstream data;
  data << in.rdbuf();
  HersheyFont font;
  ASSERT_TRUE(ParseHersheyFont(data.str(), font));
  for (char32_t c = U' '; c <= U'~'; ++c) EXPECT_NE(font.Find(c), nullptr) << static_cast<int>(c);
  TextOptions o;
  o.heightMm = 10;
  const TextLayout h = LayoutText(font, "H", o);
  const DrawingBounds b = BoundsOf(h.drawing.strokes);
  EXPECT_NEAR(b.Height(), 10, 1e-9);  // capitals are the height asked for

  // Kana come from the Japanese font, whose glyphs follow the syllabary.
  std::ifstream jin("/usr/share/hershey-fonts/japanese.jhf", std::ios::binary);
  std::stringstream jdata;
  jdata << jin.rdbuf();
  HersheyFont kana;
  ASSERT_TRUE(ParseHersheyFont(jdata.str(), kana));
  ASSERT_TRUE(UseJapaneseCodes(kana));
  EXPECT_EQ(kana.Find(U'あ'), &kana.glyphs[33]);
  EXPECT_EQ(kana.Find(U'ん'), &kana.glyphs[83]);
  EXPECT_EQ(kana.Find(U'ア'), &kana.glyphs[113]);
  EXPECT_EQ(kana.Find(U'ポ'), &kana.glyphs[192]);
  EXPECT_EQ(kana.Find(U'A'), nullptr);
  const TextLayout mixed = LayoutText(font, "Hあ漢", o, &kana);
  EXPECT_EQ(mixed.missing, std::u32string(U"漢"));
  EXPECT_GT(mixed.drawing.strokes.size(), h.drawing.strokes.size());
}

}  // namespace
}  // namespace velmora
