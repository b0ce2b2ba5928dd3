#include "link/path_svg.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

PathPoint At(float x, float y, float z) {
  PathPoint p;
  p.x = x;
  p.y = y;
  p.z = z;
  return p;
}

std::string Group(const std::string& svg, const std::string& id) {
  const std::size_t start = svg.find("<g id=\"" + id + "\"");
  if (start == std::string::npos) return std::string();
  return svg.substr(start, svg.find("</g>", start) - start);
}

TEST(PathSvg, StrokesTravelAndMeasuredPathGoToTheirLayersInMillimetres) {
  PlannedPath path;
  // Travel at z 0, down, a stroke along x at z -30, up again.
  path.points = {At(10, 20, 0),   At(10, 20, -30), At(30, 20, -30),
                 At(50, 20, -30), At(50, 20, 0),   At(60, 40, 0)};
  const std::string svg = FormatPathSvg(path, -19.0, {{0, 0, 10.5f, 20}, {5, 1, 49.5f, 20.25f}});
  EXPECT_NE(svg.find("width=\"60.000mm\" height=\"30.000mm\" viewBox=\"5.000 -45.000 60.000 "
                     "30.000\""),
            std::string::npos)
      << svg;
  // The y axis is turned over: the arm's y = 20 is drawn at -20.
  EXPECT_NE(Group(svg, "pen-down").find("d=\"M10.000 -20.000 L30.000 -20.000 L50.000 -20.000\""),
            std::string::npos)
      << svg;
  const std::string up = Group(svg, "pen-up");
  EXPECT_NE(up.find("M10.000 -20.000 L10.000 -20.000"), std::string::npos) << up;
  // The point where the pen only rises is left out: the tool stands still there.
  EXPECT_NE(up.find("M50.000 -20.000 L60.000 -40.000"), std::string::npos) << up;
  EXPECT_NE(Group(svg, "measured").find("M10.500 -20.000 L49.500 -20.250"), std::string::npos);
  // Without a playback there is no measured layer.
  EXPECT_EQ(FormatPathSvg(path, -19.0).find("measured"), std::string::npos);
}

}  // namespace
}  // namespace velmora
