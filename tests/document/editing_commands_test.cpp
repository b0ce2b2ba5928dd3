#include "document/editing_commands.h"

#include <gtest/gtest.h>

#include "pose_pane_fixture.h"

namespace velmora::testing {
namespace {

class EditingCommandsTest : public PaneTest {
 protected:
  // Five Poses told apart by their times 100..500, with `current` current.
  void LoadFive(long current = 0) {
    std::vector<Pose> poses;
    for (uint32_t t = 100; t <= 500; t += 100) poses.push_back(TimedPose(geo, t));
    Load(poses, current);
  }
  uint32_t CurrentTime() const { return doc.motion.Current().transitionTime; }
};

TEST_F(EditingCommandsTest, InsertCopiesTheCurrentPoseAfterIt) {
  LoadFive(4);
  Pose last = doc.motion.Current();
  last.interpolation = kLinear;
  last.excluded[1] = 1;
  doc.motion.SetCurrent(last);
  InsertPose(pane);
  EXPECT_EQ(doc.motion.Size(), 6u);
  EXPECT_EQ(doc.motion.CurrentIndex(), 5u);
  EXPECT_EQ(doc.motion.Current(), last);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{5}));
  EXPECT_EQ(list.visible, 5);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_TRUE(doc.motion.IsModified());

  pane.SelectPose(1);
  InsertPose(pane);  // in the middle: the rows are renumbered
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 200, 200, 300, 400, 500, 500}));
  EXPECT_EQ(doc.motion.CurrentIndex(), 2u);
  EXPECT_EQ(Numbers().back(), "7");
  EXPECT_EQ(list.rows[6][2], "500msec");
}

TEST_F(EditingCommandsTest, CopyAndPasteNonAdjacentRows) {
  LoadFive(0);
  Pick({1, 3, 4});
  EXPECT_EQ(FirstSelectedRow(pane), 1u);
  EXPECT_EQ(FirstSelectedPose(pane)->transitionTime, 200u);
  CopyPoses(pane);
  EXPECT_EQ(Steps(), 1u);  // copying changes nothing
  EXPECT_EQ(doc.clipboard.Size(), 3u);

  Pick({0});
  PastePoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 200, 400, 500, 200, 300, 400, 500}));
  EXPECT_EQ(CurrentTime(), 100u);
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(list.focused, 0);
  EXPECT_EQ(Steps(), 2u);

  PastePoses(pane);  // the clipboard is kept
  EXPECT_EQ(doc.motion.Size(), 11u);
  EXPECT_EQ(Steps(), 3u);
}

TEST_F(EditingCommandsTest, PasteKeepsTheCurrentPoseAndFindsItsAnchor) {
  LoadFive(3);
  Pick({4});
  CopyPoses(pane);
  // The focus is on row 1 while the current Pose lies after it.
  pane.Selection().Set({1}, 1);
  PastePoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 200, 500, 300, 400, 500}));
  EXPECT_EQ(CurrentTime(), 500u);
  EXPECT_EQ(doc.motion.CurrentIndex(), 5u);
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{2, 5}));

  // No focused row pastes after the first Pose; a focus beyond the end after the last.
  pane.Selection().Set({}, -1);
  PastePoses(pane);
  EXPECT_EQ(Times()[1], 500u);
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{1, 6}));
  pane.Selection().Set({}, 40);
  PastePoses(pane);
  EXPECT_EQ(Times().back(), 500u);
  EXPECT_EQ(doc.motion.Size(), 8u);
}

TEST_F(EditingCommandsTest, NothingToCopyOrPasteChangesNothing) {
  LoadFive(0);
  PastePoses(pane);
  EXPECT_EQ(doc.motion.Size(), 5u);
  Pick({2});
  CopyPoses(pane);
  pane.Selection().Set({}, 2);
  CopyPoses(pane);  // nothing selected: the clipboard ends up empty
  EXPECT_TRUE(doc.clipboard.Empty());
  EXPECT_FALSE(FirstSelectedPose(pane));
  DeletePoses(pane);
  CutPoses(pane);
  PastePoses(pane);
  EXPECT_EQ(doc.motion.Size(), 5u);
  EXPECT_EQ(Steps(), 1u);
  EXPECT_FALSE(doc.motion.IsModified());
}

TEST_F(EditingCommandsTest, DeleteHandsTheCurrentPoseOn) {
  LoadFive(2);
  // The current Pose and the one after it go: the first survivor after them is current.
  pane.Selection().Set({2, 3}, 2);
  DeletePoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 200, 500}));
  EXPECT_EQ(CurrentTime(), 500u);
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{2}));

  // The last Pose is current and goes: the nearest survivor before it is current.
  pane.Selection().Set({1, 2}, 2);
  DeletePoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100}));
  EXPECT_EQ(CurrentTime(), 100u);
  EXPECT_EQ(Steps(), 3u);
  EXPECT_EQ(doc.motion.Current().deleteMark, 0);
}

TEST_F(EditingCommandsTest, DeleteKeepsAnUnselectedCurrentPose) {
  LoadFive(3);
  pane.Selection().Set({0, 1, 4}, 4);
  DeletePoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{300, 400}));
  EXPECT_EQ(CurrentTime(), 400u);
  EXPECT_EQ(view.Text(kTransitionTimeFieldId), "400");
}

TEST_F(EditingCommandsTest, DeletingEveryRowLeavesOneDefaultPoseAsOneUndoStep) {
  LoadFive(2);
  Pick({0, 1, 2, 3, 4});
  DeletePoses(pane);
  ASSERT_EQ(doc.motion.Size(), 1u);
  EXPECT_EQ(doc.motion.Current(), DefaultPose(geo.Get()));
  EXPECT_EQ(list.rows.size(), 1u);
  EXPECT_EQ(Steps(), 2u);
  ASSERT_TRUE(UndoEdit(pane));
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 200, 300, 400, 500}));
  EXPECT_EQ(list.rows.size(), 5u);
  ASSERT_TRUE(RedoEdit(pane));
  EXPECT_EQ(doc.motion.Size(), 1u);
}

TEST_F(EditingCommandsTest, UndoAfterDeletingTheCurrentPoseMakesItCurrentAgain) {
  LoadFive(0);
  Pick({2});
  RecordStep(doc);  // an edit made with the third Pose current
  DeletePoses(pane);
  EXPECT_EQ(CurrentTime(), 400u);
  ASSERT_TRUE(UndoEdit(pane));
  EXPECT_EQ(CurrentTime(), 300u);
  EXPECT_EQ(list.focused, 2);
  EXPECT_EQ(view.Text(kTransitionTimeFieldId), "300");
  ASSERT_TRUE(UndoEdit(pane));  // back to the file as opened: the first Pose current
  EXPECT_EQ(CurrentTime(), 100u);
  EXPECT_FALSE(UndoEdit(pane));
}

TEST_F(EditingCommandsTest, CutIsCopyThenDelete) {
  LoadFive(0);
  Pick({1, 2});
  CutPoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 400, 500}));
  EXPECT_EQ(doc.clipboard.Size(), 2u);
  Pick({2});
  PastePoses(pane);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{100, 400, 500, 200, 300}));
  EXPECT_EQ(Steps(), 3u);
}

TEST_F(EditingCommandsTest, CaptureTakesThePresentPositionOfTheConnectedAxes) {
  Pose p = TimedPose(geo, 700);
  p.motorValues = {10, 20, 30, 40, 50};
  Load({p});
  for (int id = 1; id <= 5; ++id) servos.SetPresentPosition(id, static_cast<int16_t>(100 * id));
  servos.axisCount = 3;
  CapturePose(pane);
  Pose expected = p;
  expected.motorValues = {100, 200, 300, 40, 50};
  UpdateCoordinates(geo.Get(), expected);
  EXPECT_EQ(doc.motion.Current(), expected);
  EXPECT_EQ(doc.motion.Size(), 1u);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_EQ(view.Text(kMotorValueFieldIds[2]), "+300");
  EXPECT_EQ(list.rows[0][3], "+100,+200,+300,+40,+50");

  servos.axisCount = 5;
  CapturePose(pane);
  EXPECT_EQ(doc.motion.Current().motorValues, (std::array<int16_t, 5>{100, 200, 300, 400, 500}));
}

}  // namespace
}  // namespace velmora::testing
