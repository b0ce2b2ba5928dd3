#include "document/undo_history.h"

#include <gtest/gtest.h>

#include "document/document.h"
#include "geometry/coordinate_system.h"

namespace velmora {
namespace {

struct CountingSink : ChangeSink {
  void Notify(uint32_t changes) override { all |= changes; ++calls; }
  uint32_t all = 0;
  int calls = 0;
};

Pose Timed(uint32_t t) {
  Pose p;
  p.transitionTime = t;
  return p;
}

std::vector<uint32_t> Times(const Motion& m) {
  std::vector<uint32_t> t;
  for (const Pose& p : m.Poses()) t.push_back(p.transitionTime);
  return t;
}

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.sink = &sink;
    NewMotion(doc, geo, true);
  }
  // An edit as the editing commands do it: change, then record one step.
  void AppendEdit(uint32_t t) {
    doc.motion.SetCurrentIndex(doc.motion.InsertAfter(doc.motion.LastIndex(), Timed(t)));
    RecordStep(doc);
  }
  Geometry geo;
  Document doc;
  CountingSink sink;
};

TEST_F(UndoTest, NothingToUndoOrRedoAfterStartOrNew) {
  EXPECT_FALSE(doc.history.CanUndo());
  EXPECT_FALSE(doc.history.CanRedo());
  EXPECT_FALSE(Undo(doc));
  EXPECT_FALSE(Redo(doc));
  EXPECT_FALSE(doc.motion.IsModified());
  AppendEdit(5);
  NewMotion(doc, geo, true);
  EXPECT_FALSE(doc.history.CanUndo());
  EXPECT_EQ(doc.history.Count(), 1u);
  EXPECT_FALSE(doc.motion.IsModified());
}

TEST_F(UndoTest, NewEditAfterUndoDropsTheRedoBranch) {
  AppendEdit(10);
  AppendEdit(20);
  EXPECT_TRUE(doc.history.CanUndo());
  ASSERT_TRUE(Undo(doc));
  EXPECT_TRUE(doc.history.CanRedo());
  EXPECT_EQ(Times(doc.motion), (std::vector<uint32_t>{1000, 10}));
  AppendEdit(30);
  EXPECT_FALSE(doc.history.CanRedo());
  EXPECT_EQ(Times(doc.motion), (std::vector<uint32_t>{1000, 10, 30}));
  ASSERT_TRUE(Undo(doc));
  ASSERT_TRUE(Redo(doc));
  EXPECT_EQ(Times(doc.motion), (std::vector<uint32_t>{1000, 10, 30}));  // 20 is gone for good
}

TEST_F(UndoTest, UndoRestoresTheCurrentPoseAndRedoReturnsExactly) {
  doc.motion.Replace({Timed(1), Timed(2), Timed(3)}, 1);
  RecordStep(doc);
  doc.motion.Modify([](std::vector<Pose>& poses, std::size_t& current) {
    poses.erase(poses.begin() + 1);
    current = 1;  // the Pose after the deleted one
  });
  RecordStep(doc);
  ASSERT_TRUE(Undo(doc));
  EXPECT_EQ(Times(doc.motion), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(doc.motion.CurrentIndex(), 1u);
  ASSERT_TRUE(Redo(doc));
  EXPECT_EQ(Times(doc.motion), (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(doc.motion.CurrentIndex(), 1u);
}

TEST_F(UndoTest, ModifiedFlagFollowsRecordingNotUndo) {
  sink.all = 0;
  AppendEdit(10);
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_TRUE(sink.all & kChangeTitle);  // clear -> set: the title gains " *"
  sink.all = 0;
  AppendEdit(11);
  EXPECT_FALSE(sink.all & kChangeTitle);  // already set: nothing more
  ASSERT_TRUE(Undo(doc));
  ASSERT_TRUE(Undo(doc));
  EXPECT_TRUE(doc.motion.IsModified());  // back at the opened state, still marked
  ResetHistory(doc);
  EXPECT_FALSE(doc.motion.IsModified());
}

TEST_F(UndoTest, ReleaseAndSnapshotSize) {
  AppendEdit(10);
  ReleaseHistory(doc);
  EXPECT_EQ(doc.history.Count(), 0u);
  EXPECT_FALSE(doc.history.CanUndo());
  EXPECT_FALSE(Undo(doc));
  EXPECT_GE(UndoHistory::SnapshotBytes(100), 100 * sizeof(Pose));
}

}  // namespace
}  // namespace velmora
