#include "document/motion_conversion.h"

#include <gtest/gtest.h>

#include "base/numeric.h"
#include "document/document.h"
#include "geometry/base_rotations.h"
#include "geometry/kinematics.h"
#include "support/poses.h"

namespace velmora {
namespace {

using testing::FromMotors;

class ConvertMotionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ArmGeometry g = geo.Get();
    before = {FromMotors(g, 900, 0, 0, 0, 0), FromMotors(g, 300, 600, 200, -100, -50),
              FromMotors(g, -400, -700, 0, 50, 100)};
    doc.motion.Replace(before, 1);
    ResetHistory(doc);
  }
  Geometry geo;
  Document doc;
  std::vector<Pose> before;
  int refreshes = 0;
  ConvertedRowsRefresh refresh = [this](const std::vector<std::size_t>&) { ++refreshes; };
};

TEST_F(ConvertMotionTest, KeepMotorValuesMovesTheCoordinatesWithTheBase) {
  geo.SetCoordinateSystem(10, 0, 0);
  ASSERT_TRUE(ConvertMotion(doc, geo, kKeepMotorValues, refresh));
  const std::vector<Pose> after = doc.motion.Poses();
  ASSERT_EQ(after.size(), 3u);
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].motorValues, before[i].motorValues);
    EXPECT_NEAR(after[i].x, before[i].x + 10, 1e-4);
    EXPECT_NEAR(after[i].y, before[i].y, 1e-4);
    EXPECT_EQ(after[i].z, before[i].z);
    EXPECT_EQ(after[i].transitionTime, 1000u);
  }
  EXPECT_EQ(doc.motion.CurrentIndex(), 1u);
  EXPECT_EQ(refreshes, 1);
}

TEST_F(ConvertMotionTest, KeepCoordinatesRecomputesMotorsAndStretchesUnreachablePoses) {
  geo.SetCoordinateSystem(0, 0, kBaseRotations[1]);
  ASSERT_TRUE(ConvertMotion(doc, geo, kKeepCoordinates, refresh));
  const std::vector<Pose> after = doc.motion.Poses();
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].x, before[i].x);
    EXPECT_EQ(after[i].y, before[i].y);
    EXPECT_EQ(after[i].rotation, before[i].rotation);
  }
  // The first Pose, at (-62, 160), is 230 mm from the turned shoulder at (0, -62): stretched.
  EXPECT_EQ(after[0].motorValues[1], 0);
  EXPECT_NE(after[0].motorValues[0], before[0].motorValues[0]);
  // The others are recomputed in the turned system and keep their elbow side.
  const ArmGeometry g = geo.Get();
  Pose expected = before[1];
  UpdateMotorValues(g, expected);
  EXPECT_EQ(after[1].motorValues, expected.motorValues);
  EXPECT_NE(after[1].motorValues, before[1].motorValues);
  EXPECT_LT(after[2].motorValues[1], 0);  // ArmSign 0 would have chosen a positive ID2
}

TEST_F(ConvertMotionTest, RecordsNoUndoStepAndLeavesTheModifiedFlag) {
  geo.SetCoordinateSystem(5, 5, 0);
  ConvertMotion(doc, geo, kKeepMotorValues, nullptr);
  EXPECT_FALSE(doc.motion.IsModified());
  EXPECT_FALSE(doc.history.CanUndo());
  EXPECT_EQ(doc.history.Count(), 1u);

  MarkModified(doc);
  geo.SetCoordinateSystem(0, 0, 0);
  ConvertMotion(doc, geo, kKeepCoordinates, nullptr);
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_EQ(doc.history.Count(), 1u);
}

TEST_F(ConvertMotionTest, UnknownMethodChangesNothing) {
  geo.SetCoordinateSystem(10, 0, 0);
  EXPECT_FALSE(ConvertMotion(doc, geo, kAdoptMotionSystem, refresh));
  EXPECT_FALSE(ConvertMotion(doc, geo, kConversionCancelled, refresh));
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_EQ(refreshes, 0);
}

TEST_F(ConvertMotionTest, ArcGuideFollowsTheConvertedCurrentPose) {
  doc.motion.Modify([](std::vector<Pose>& poses, std::size_t&) {
    poses[1].interpolation = kArc;
    poses[1].arcRadius = 100;
  });
  geo.SetCoordinateSystem(0, 20, 0);
  ConvertMotion(doc, geo, kKeepMotorValues, nullptr);
  const ArcGuide guide = geo.GetArcGuide();
  const Pose cur = doc.motion.Current();
  EXPECT_TRUE(guide.on);
  EXPECT_EQ(guide.endX, RoundToFloat(cur.x));
  EXPECT_EQ(guide.endY, RoundToFloat(cur.y));
}

}  // namespace
}  // namespace velmora
