#include "document/pose_row_text.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(PoseRowText, ColumnsFollowTheInterpolation) {
  Pose p;
  p.motorValues = {-672, 1344, 0, 5, -318};
  p.x = 12.34;
  p.y = -0.05;
  p.z = 35;
  p.rotation = 90;
  p.handWidth = 29.99;
  p.arcRadius = -25.25;
  p.transitionTime = 1230;
  EXPECT_EQ(RowTexts(p, 7), (PoseRowTexts{"7", "なし", "1230msec", "-672,+1344,+0,+5,-318"}));

  p.interpolation = kLinear;
  EXPECT_EQ(RowTexts(p, 1)[1], "直線");
  EXPECT_EQ(ParameterText(p), "x=12.3,y=-0.1,z=35.0,回転軸=90.0°,ハンド軸幅=30.0");

  p.interpolation = kArc;
  p.arcDirection = kCounterClockwise;
  EXPECT_EQ(RowTexts(p, 1)[1], "円弧");
  EXPECT_EQ(ParameterText(p),
            "x=12.3,y=-0.1,z=35.0,回転軸=90.0°,ハンド軸幅=30.0,半径=-25.2,反時計回り");
  p.arcDirection = 0;
  EXPECT_TRUE(ParameterText(p).ends_with(",時計回り"));

  // Values only a file can hold: listed as none, and a direction other than 1 as clockwise.
  p.interpolation = 7;
  EXPECT_EQ(RowTexts(p, 1)[1], "なし");
  EXPECT_EQ(ArcDirectionText(3), "時計回り");
}

}  // namespace
}  // namespace velmora
