#include "simulator/line_raster.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace velmora {
namespace {

// A 20 x 10 buffer filled with one premultiplied colour.
struct Canvas {
  explicit Canvas(uint32_t fill = 0xFFFFFFFFu) : pixels(20 * 10, fill) {
    buffer = {pixels.data(), 20, 10, 20};
  }
  uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * 20 + x)]; }
  int Count(uint32_t colour) const {
    int n = 0;
    for (uint32_t p : pixels) n += p == colour ? 1 : 0;
    return n;
  }
  std::vector<uint32_t> pixels;
  PixelBuffer buffer;
};

SceneVertex V(float x, float y, uint32_t colour) { return SceneVertex{x, y, 0, 1, colour, 0, 0}; }

TEST(DrawLineSegment, LightsOnePixelPerStepUpToButNotIncludingTheEnd) {
  Canvas c;
  DrawLineSegment(c.buffer, V(2, 3, 0xFF000000u), V(7.4f, 3.2f, 0xFF000000u), true);
  for (int x = 2; x < 7; ++x) EXPECT_EQ(c.At(x, 3), 0xFF000000u) << x;
  EXPECT_EQ(c.At(7, 3), 0xFFFFFFFFu);
  EXPECT_EQ(c.Count(0xFF000000u), 5);

  // Steep lines step along y; pixel centres are on whole numbers, so 4.6 rounds to 5.
  Canvas v;
  DrawLineSegment(v.buffer, V(4.6f, 8, 0xFF0000FFu), V(4.6f, 1, 0xFF0000FFu), true);
  for (int y = 8; y > 1; --y) EXPECT_EQ(v.At(5, y), 0xFF0000FFu) << y;
  EXPECT_EQ(v.Count(0xFF0000FFu), 7);
}

TEST(DrawLineSegment, ColourRunsFromOneEndToTheOtherAndBlendsOverTheBackground) {
  Canvas c(0xFF000000u);
  DrawLineSegment(c.buffer, V(0, 0, 0xFFFF0000u), V(10, 0, 0xFF0000FFu), true);
  EXPECT_EQ(c.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(c.At(5, 0), 0xFF7F007Fu);  // t = 0.5: red and blue 127.5, truncated
  EXPECT_EQ(c.At(9, 0) & 0xFFu, 229u);

  // Half-transparent black over white is mid grey; fully transparent leaves the pixel alone.
  Canvas w;
  DrawLineSegment(w.buffer, V(0, 5, 0x80000000u), V(10, 5, 0x80000000u), true);
  EXPECT_EQ(w.At(3, 5), 0xFF7F7F7Fu);
  DrawLineSegment(w.buffer, V(0, 6, 0x00000000u), V(10, 6, 0x00000000u), true);
  EXPECT_EQ(w.At(3, 6), 0xFFFFFFFFu);

  // Without blending the colour replaces the pixel, premultiplied.
  DrawLineSegment(w.buffer, V(0, 7, 0x80FF0000u), V(10, 7, 0x80FF0000u), false);
  EXPECT_EQ(w.At(3, 7), 0x80800000u);
}

TEST(DrawLineSegment, ClipsToTheBufferAndSkipsWhatCannotBeDrawn) {
  Canvas c;
  DrawLineSegment(c.buffer, V(-500, 4, 0xFF000000u), V(900, 4, 0xFF000000u), true);
  EXPECT_EQ(c.Count(0xFF000000u), 20);
  DrawLineSegment(c.buffer, V(5, -3e30f, 0xFF000000u), V(5, 3e30f, 0xFF000000u), true);
  EXPECT_EQ(c.Count(0xFF000000u), 29);
  const float inf = std::numeric_limits<float>::infinity();
  DrawLineSegment(c.buffer, V(1, 1, 0xFF000000u), V(inf, 1, 0xFF000000u), true);
  DrawLineSegment(c.buffer, V(1, 1, 0xFF000000u), V(1.2f, 1.1f, 0xFF000000u), true);  // no length
  DrawLineSegment(c.buffer, V(3, 30, 0xFF000000u), V(15, 30, 0xFF000000u), true);     // below
  EXPECT_EQ(c.Count(0xFF000000u), 29);
}

TEST(DrawLineItem, StripJointsAreBlendedOnceAndListsDrawEachPair) {
  Canvas c;
  DrawItem strip;
  strip.kind = PrimitiveKind::kLineStrip;
  strip.vertices = {V(1, 2, 0x80000000u), V(6, 2, 0x80000000u), V(6, 8, 0x80000000u)};
  strip.primitiveCount = 2;
  DrawLineItem(c.buffer, strip);
  EXPECT_EQ(c.At(6, 2), 0xFF7F7F7Fu);  // the joint: one blend, not two
  EXPECT_EQ(c.At(6, 7), 0xFF7F7F7Fu);
  EXPECT_EQ(c.At(6, 8), 0xFFFFFFFFu);
  EXPECT_EQ(c.Count(0xFF7F7F7Fu), 11);

  Canvas l;
  DrawItem list;
  list.kind = PrimitiveKind::kLineList;
  list.vertices = {V(0, 0, 0xFF000000u), V(3, 0, 0xFF000000u), V(0, 5, 0xFF000000u),
                   V(0, 9, 0xFF000000u)};
  list.primitiveCount = 2;
  DrawLineItem(l.buffer, list);
  EXPECT_EQ(l.Count(0xFF000000u), 3 + 4);
}

}  // namespace
}  // namespace velmora
