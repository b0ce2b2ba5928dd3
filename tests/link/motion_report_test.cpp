#include "link/motion_report.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(MotionReport, CountsLiftsAndTheTravelBetweenStrokesOnly) {
  CheckedMotion checked;
  // Up to the paper, a stroke, a lift with 300 ms of travel, a stroke, a lift to the end.
  const std::pair<uint32_t, float> points[] = {{0, 0},     {100, -30}, {200, -30},
                                               {250, 0},   {400, 0},   {550, -30},
                                               {700, -30}, {800, 0},   {2000, 0}};
  for (const auto& [t, z] : points) {
    PathPoint p;
    p.t = t;
    p.z = z;
    checked.path.points.push_back(p);
  }
  checked.path.duration = 2000;
  checked.issues = {0, kIssueTooFast | kIssueMotorLimit, 0};
  checked.reasons = {"", "a", ""};
  const MotionReport r = ReportMotion(checked, -19.0);
  EXPECT_EQ(r.poses, 3u);
  EXPECT_EQ(r.flagged, 1u);
  EXPECT_EQ(r.tooFast, 1u);
  EXPECT_EQ(r.motorLimit, 1u);
  EXPECT_EQ(r.outOfReach, 0u);
  EXPECT_EQ(r.penLifts, 2u);
  EXPECT_EQ(r.penUpTravelMs, 300u);
  EXPECT_EQ(r.durationMs, 2000u);
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(*r.lines[0].pose, 1u);
}

}  // namespace
}  // namespace velmora
