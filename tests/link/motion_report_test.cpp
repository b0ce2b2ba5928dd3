#include "link/motion_report.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(MotionReport, CountsLiftsAndTheTravelBetweenStrokesOnly) {
  CheckedMotion checked;
  // Down to the paper, a stroke, a lift in place, 300 ms of travel, a lowering in place, a
  // stroke, a lift and a move away to the end.
  struct At {
    uint32_t t;
    float x, z;
  };
  const At points[] = {{0, 0, 0},    {100, 0, -30},  {200, 5, -30},  {250, 5, 0},  {400, 15, 0},
                       {550, 20, 0}, {700, 20, -30}, {800, 25, -30}, {900, 25, 0}, {2000, 90, 0}};
  for (const At& at : points) {
    PathPoint p;
    p.t = at.t;
    p.x = at.x;
    p.z = at.z;
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
