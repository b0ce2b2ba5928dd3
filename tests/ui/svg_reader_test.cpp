// SVG files made for the tests, read through Qt's SVG module into strokes in mm, against geometry
// worked out by hand; and hostile files refused with their reason.
#include "link/ui/svg_reader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "link/drawing_strokes.h"

namespace velmora {
namespace {

constexpr double kTolerance = 0.05;  // mm

SvgReadResult Read(const char* name) {
  return ReadSvgFile(std::string(VELMORA_TEST_DATA_DIR) + "/svg/" + name);
}

void ExpectPoint(DrawingPoint p, double x, double y) {
  EXPECT_NEAR(p.x, x, kTolerance);
  EXPECT_NEAR(p.y, y, kTolerance);
}

// Start and end of each stroke.
void ExpectLines(const SvgReadResult& r, const std::vector<std::vector<double>>& lines) {
  ASSERT_TRUE(r.ok()) << static_cast<int>(r.error);
  ASSERT_EQ(r.drawing.strokes.size(), lines.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    SCOPED_TRACE(k);
    ExpectPoint(r.drawing.strokes[k].start, lines[k][0], lines[k][1]);
    ExpectPoint(r.drawing.strokes[k].End(), lines[k][2], lines[k][3]);
  }
}

TEST(SvgReader, UnitsAndViewBoxAspectRules) {
  ExpectLines(Read("units.svg"), {{0, 0, 50, 20}});
  ExpectLines(Read("units_px.svg"), {{0, 0, 25.4, 12.7}});
  // 25.4 mm square, 10 x 5 units met in the middle: 2.54 mm a unit, 6.35 mm down.
  ExpectLines(Read("units_pt.svg"), {{0, 6.35, 25.4, 19.05}});
  ExpectLines(Read("ratio_slice.svg"), {{0, 0, 100, 100}});
  ExpectLines(Read("ratio_none.svg"), {{0, 0, 100, 100}});
}

TEST(SvgReader, NestedTransformsUseAndInvisibleElements) {
  ExpectLines(Read("transforms.svg"), {{10, 10, 10, 0}, {50, 50, 60, 60}, {20, 70, 30, 80}});
  // Each use once (a shape filled and stroked is not drawn twice); the definition itself, the
  // hidden lines, the hidden group, and shapes neither stroked nor filled or wholly transparent
  // draw nothing.
  ExpectLines(Read("use_and_hidden.svg"), {{20, 5, 30, 5}, {40, 5, 50, 5}});
}

TEST(SvgReader, EveryPathCommandAbsoluteAndRelative) {
  const SvgReadResult r = Read("path_commands.svg");
  ExpectLines(r, {{10, 10, 10, 10},
                  {100, 10, 140, 50},
                  {100, 100, 140, 140},
                  {10, 100, 90, 100},
                  {10, 150, 10, 150},
                  {40, 150, 45, 150}});
  const auto& s = r.drawing.strokes;
  // M L l H h V v Z: the corners in turn.
  const std::vector<DrawingPoint> corners = {{20, 10}, {20, 20}, {40, 20}, {50, 20},
                                             {50, 40}, {50, 45}, {10, 10}};
  ASSERT_EQ(s[0].segments.size(), corners.size());
  for (std::size_t k = 0; k < corners.size(); ++k) {
    ExpectPoint(s[0].segments[k].end, corners[k].x, corners[k].y);
  }
  // s and S reflect the last control point: (120, 40) after (120, 20) at (120, 30).
  ASSERT_EQ(s[1].segments.size(), 2u);
  ExpectPoint(s[1].segments[0].end, 120, 30);
  ExpectPoint(s[1].segments[1].c1, 120, 40);
  ExpectPoint(s[2].segments[1].c1, 120, 130);
  // Q, T, q, t: quadratics as cubics; T reflects (20, 80) about (30, 100) to (40, 120).
  ASSERT_EQ(s[3].segments.size(), 4u);
  ExpectPoint(s[3].segments[0].c1, 10 + 2.0 / 3 * 10, 100 - 2.0 / 3 * 20);
  ExpectPoint(s[3].segments[1].c1, 30 + 2.0 / 3 * 10, 100 + 2.0 / 3 * 20);
  ExpectPoint(s[3].segments[1].end, 50, 100);
  ExpectPoint(s[3].segments[3].end, 90, 100);
}

TEST(SvgReader, ArcsWithEachFlagCombination) {
  const SvgReadResult r = Read("arcs.svg");
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.drawing.strokes.size(), 4u);
  // The viewBox starts at y = -100: the chords lie at y = 100 mm. Bulges by hand (y down):
  // large 0 sweep 0: +2.68; 0 1: -2.68; 1 0: +37.32; 1 1: -37.32. Every point on its circle.
  const double bulge[] = {2.68, -2.68, 37.32, -37.32};
  const double x0[] = {0, 50, 100, 150};
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    std::vector<DrawingPoint> points;
    FlattenStroke(r.drawing.strokes[k], 0.001, 0.5, points);
    double extreme = 0;
    const double cy = 100 + (bulge[k] > 0 ? bulge[k] - 20 : bulge[k] + 20);
    for (DrawingPoint p : points) {
      if (std::fabs(p.y - 100) > std::fabs(extreme)) extreme = p.y - 100;
      EXPECT_NEAR(std::hypot(p.x - (x0[k] + 10), p.y - cy), 20, kTolerance);
    }
    EXPECT_NEAR(extreme, bulge[k], kTolerance);
    ExpectPoint(r.drawing.strokes[k].End(), x0[k] + 20, 100);
  }
}

TEST(SvgReader, BasicShapesAndAnIllustrationProgramsFile) {
  const SvgReadResult r = Read("shapes.svg");
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.drawing.strokes.size(), 5u);
  auto bounds = [&r](std::size_t k) { return BoundsOf({r.drawing.strokes[k]}); };
  const DrawingBounds rect = bounds(0);  // rounded corners: starts after the first corner
  EXPECT_NEAR(rect.minX, 10, kTolerance);
  EXPECT_NEAR(rect.maxY, 30, kTolerance);
  ExpectPoint(r.drawing.strokes[0].start, 10, 15);
  const DrawingBounds circle = bounds(1);  // a filled circle draws its outline
  EXPECT_NEAR(circle.minX, 80, kTolerance);
  EXPECT_NEAR(circle.maxY, 50, kTolerance);
  const DrawingBounds ellipse = bounds(2);
  EXPECT_NEAR(ellipse.Width(), 60, kTolerance);
  EXPECT_NEAR(ellipse.Height(), 20, kTolerance);
  ExpectPoint(r.drawing.strokes[3].End(), 30, 150);      // a polyline stays open
  ExpectPoint(r.drawing.strokes[4].End(), 100, 150);     // a polygon closes

  // Page in mm, a layer moved by (-20, -30), namespaced extras, text that draws nothing.
  ExpectLines(Read("illustration_program.svg"), {{30, 30, 30, 30}, {110, 40, 110, 40}});
}

TEST(SvgReader, HostileFilesAreRefusedWithTheirReason) {
  const QByteArray head =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"100mm\" "
      "viewBox=\"0 0 100 100\">";
  EXPECT_EQ(ReadSvgFile("/nonexistent/drawing.svg").error, SvgError::kMissing);
  EXPECT_EQ(ReadSvgData("not xml at all").error, SvgError::kMalformed);
  EXPECT_EQ(ReadSvgData("<html><body/></html>").error, SvgError::kMalformed);
  EXPECT_EQ(ReadSvgData(head + "<path d=\"M 10 10 L 20 x 30\" stroke=\"black\"/></svg>").error,
            SvgError::kMalformed);
  EXPECT_EQ(ReadSvgData(head + "<path d=\"M 0 0 L nan 5\" stroke=\"black\"/></svg>").error,
            SvgError::kBadNumbers);
  EXPECT_EQ(ReadSvgData(head + "<path d=\"M 0 0 L 1e300 5\" stroke=\"black\"/></svg>").error,
            SvgError::kBadNumbers);
  EXPECT_EQ(ReadSvgData(head + "</svg>").error, SvgError::kEmpty);
  // An entity flood.
  QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaa\">";
  for (int k = 1; k < 10; ++k) {
    laughs += "<!ENTITY " + QByteArray(1, static_cast<char>('a' + k)) + " \"";
    for (int n = 0; n < 10; ++n) laughs += "&" + QByteArray(1, static_cast<char>('a' + k - 1)) + ";";
    laughs += "\">";
  }
  laughs += "]>" + head + "<desc>&j;</desc></svg>";
  EXPECT_EQ(ReadSvgData(laughs).error, SvgError::kEntities);
  // Deep nesting.
  QByteArray deep = head;
  for (int k = 0; k < 5000; ++k) deep += "<g>";
  deep += "<line x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\" stroke=\"black\"/>";
  for (int k = 0; k < 5000; ++k) deep += "</g>";
  deep += "</svg>";
  EXPECT_EQ(ReadSvgData(deep).error, SvgError::kTooDeep);
  // A million tiny segments.
  QByteArray many = head + "<path stroke=\"black\" fill=\"none\" d=\"M0 0";
  many.reserve(many.size() + 1000000 * 8);
  for (int k = 0; k < 1000000; ++k) many += k % 2 ? " l.01 0" : " l0 .01";
  many += "\"/></svg>";
  EXPECT_EQ(ReadSvgData(many).error, SvgError::kTooManyParts);
  // Over the size cap, refused before anything is parsed.
  QByteArray big = head + "<!--";
  big.append(static_cast<qsizetype>(kSvgMaxBytes), ' ');
  big += "--></svg>";
  EXPECT_EQ(ReadSvgData(big).error, SvgError::kTooLarge);
  for (SvgError e : {SvgError::kMissing, SvgError::kTooLarge, SvgError::kEmpty}) {
    EXPECT_FALSE(SvgErrorText(e).empty());
  }
}

}  // namespace
}  // namespace velmora
