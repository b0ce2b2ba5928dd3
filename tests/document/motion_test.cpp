#include "document/motion.h"

#include <gtest/gtest.h>

#include "document/document.h"
#include "geometry/kinematics.h"

namespace velmora {
namespace {

Pose Tagged(uint32_t time) {
  Pose p;
  p.transitionTime = time;
  return p;
}

TEST(DefaultPose, DependsOnTheClawPosition) {
  Geometry geo;
  Document doc;
  for (int claw = 0; claw <= 3; ++claw) {
    geo.SetClawPosition(claw);
    NewMotion(doc, geo, true);
    ASSERT_EQ(doc.motion.Size(), 1u);
    const Pose p = doc.motion.Current();
    EXPECT_EQ(p.transitionTime, 1000u);
    EXPECT_EQ(p.interpolation, kNone);
    EXPECT_EQ(p.arcDirection, kClockwise);
    EXPECT_DOUBLE_EQ(p.handWidth, (claw + 1) * 10.0);
    EXPECT_DOUBLE_EQ(p.x, 0);
    // Motor values come from the kinematics of (0, 0, 0): the fresh-pose elbow of ArmSign 0.
    EXPECT_EQ(p.motorValues, (std::array<int16_t, 5>{-672, 1344, 0, -672, 0}));
    EXPECT_EQ(p.excluded, (std::array<int32_t, 5>{0, 0, 0, 0, 0}));
  }
}

TEST(Motion, NewMotionResetsTheModifiedFlagOnlyWhenAsked) {
  Geometry geo;
  Document doc;
  EXPECT_TRUE(doc.motion.MarkModified());   // clear -> set
  EXPECT_FALSE(doc.motion.MarkModified());  // stays set
  NewMotion(doc, geo, false);
  EXPECT_TRUE(doc.motion.IsModified());
  NewMotion(doc, geo, true);
  EXPECT_FALSE(doc.motion.IsModified());
}

TEST(Motion, RowsFollowListOrderAfterAnInsertInTheMiddle) {
  Motion m;
  ASSERT_TRUE(m.Replace({Tagged(10), Tagged(20), Tagged(30)}, 1));
  const std::size_t row = m.InsertAfter(0, Tagged(15));
  EXPECT_EQ(row, 1u);
  ASSERT_EQ(m.Size(), 4u);
  EXPECT_EQ(m.PoseAt(0)->transitionTime, 10u);
  EXPECT_EQ(m.PoseAt(1)->transitionTime, 15u);
  EXPECT_EQ(m.PoseAt(2)->transitionTime, 20u);
  EXPECT_EQ(m.PoseAt(3)->transitionTime, 30u);
  EXPECT_FALSE(m.PoseAt(4).has_value());
  // Inserting after the end appends.
  EXPECT_EQ(m.InsertAfter(99, Tagged(40)), 4u);
  EXPECT_EQ(m.LastIndex(), 4u);
}

TEST(Motion, ReplaceChoosesTheCurrentPose) {
  Motion m;
  EXPECT_TRUE(m.Replace({Tagged(1), Tagged(2), Tagged(3)}, 2));
  EXPECT_EQ(m.CurrentIndex(), 2u);
  EXPECT_EQ(m.Current().transitionTime, 3u);
  m.Replace({Tagged(1), Tagged(2)}, -1);
  EXPECT_EQ(m.CurrentIndex(), 0u);
  m.Replace({Tagged(1), Tagged(2)}, 2);
  EXPECT_EQ(m.CurrentIndex(), 0u);
  // An empty list would break the at-least-one-Pose rule and is refused.
  EXPECT_FALSE(m.Replace({}, 0));
  EXPECT_EQ(m.Size(), 2u);
}

TEST(Motion, IndexOfAndCurrentEditing) {
  Motion m;
  m.Replace({Tagged(1), Tagged(2), Tagged(3)}, 0);
  long found = -2;
  long missing = -2;
  const Pose outsider;
  m.Read([&](const std::vector<Pose>& poses, std::size_t) {
    found = Motion::IndexOf(poses, &poses[2]);
    missing = Motion::IndexOf(poses, &outsider);
  });
  EXPECT_EQ(found, 2);
  EXPECT_EQ(missing, -1);
  EXPECT_FALSE(m.SetCurrentIndex(3));
  EXPECT_TRUE(m.SetCurrentIndex(1));
  Pose p = m.Current();
  p.x = 42;
  m.SetCurrent(p);
  EXPECT_DOUBLE_EQ(m.PoseAt(1)->x, 42);
}

TEST(Motion, FreeEmptiesTheList) {
  Geometry geo;
  Document doc;
  NewMotion(doc, geo, true);
  FreeMotion(doc);
  EXPECT_TRUE(doc.motion.Empty());
  EXPECT_EQ(doc.motion.Size(), 0u);
}

}  // namespace
}  // namespace velmora
