#include "document/undo_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <utility>
#include <vector>

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

namespace velmora {
namespace {

// A Motion large enough for many chunks, with fields that make every Pose distinct.
std::vector<Pose> Numbered(std::size_t count, uint32_t base) {
  std::vector<Pose> poses(count);
  for (std::size_t i = 0; i < count; ++i) {
    poses[i].transitionTime = base + static_cast<uint32_t>(i);
    poses[i].x = static_cast<double>(i) * 0.5;
  }
  return poses;
}

// Every Pose field, bit for bit (a -0 is not a 0 here).
bool SameBits(const std::vector<Pose>& a, const std::vector<Pose>& b) {
  auto bits = [](double v) { return std::bit_cast<uint64_t>(v); };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const Pose& p, const Pose& q) {
    return p == q && bits(p.x) == bits(q.x) && bits(p.y) == bits(q.y) &&
           bits(p.rotation) == bits(q.rotation);
  });
}

// Random edits of every kind the Motion offers, each recorded (or, now and then, left unrecorded
// before an undo), with undos and redos between them: every restore gives back exactly the state
// a whole copy would have kept, and the same current index.
TEST(UndoSharing, RestoresExactlyWhatWholeCopiesWouldAcrossEveryKindOfEdit) {
  Document doc;
  std::mt19937 rng(16);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  doc.motion.Replace(Numbered(3000, 0), 7);
  ResetHistory(doc);
  // The states a whole-copy history would hold, and the cursor on them.
  std::vector<std::pair<std::vector<Pose>, std::size_t>> states{{doc.motion.Poses(), 0}};
  doc.motion.SetCurrentIndex(0);
  std::size_t cursor = 0;
  for (int round = 0; round < 400; ++round) {
    const std::size_t n = doc.motion.Size();
    switch (pick(9)) {
      case 0: {  // one field of one Pose, sometimes to -0 (equal to 0, but not the same bits)
        Pose p = *doc.motion.PoseAt(pick(n));
        p.y = round % 3 == 0 ? -0.0 : static_cast<double>(round);
        doc.motion.SetPose(pick(2) == 0 ? pick(n) : n - 1, p);
        break;
      }
      case 1:
        doc.motion.SetCurrentIndex(doc.motion.InsertAfter(pick(n + 1), Timed(90000 + round)));
        break;
      case 2: {
        doc.motion.SetCurrentIndex(pick(n));
        Pose p = doc.motion.Current();
        p.rotation = round;
        doc.motion.SetCurrent(p);
        break;
      }
      case 3:  // a block deleted, or pasted, through the whole list
        doc.motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
          const std::size_t at = pick(poses.size());
          if (pick(2) == 0 && poses.size() > 600) {
            poses.erase(poses.begin() + static_cast<long>(at),
                        poses.begin() + static_cast<long>(std::min(poses.size() - 1, at + 300)));
          } else {
            const std::vector<Pose> block = Numbered(pick(700) + 1, 50000);
            poses.insert(poses.begin() + static_cast<long>(at), block.begin(), block.end());
          }
          current = std::min(current, poses.size() - 1);
        });
        break;
      case 4:
        doc.motion.Replace(Numbered(pick(900) + 1, 70000), static_cast<long>(pick(5)));
        break;
      case 5:
      case 6:
        if (cursor > 0) {
          if (pick(4) == 0) doc.motion.SetPose(pick(n), Timed(1));  // thrown away by the undo
          ASSERT_TRUE(Undo(doc));
          --cursor;
          ASSERT_TRUE(SameBits(doc.motion.Poses(), states[cursor].first)) << round;
          ASSERT_EQ(doc.motion.CurrentIndex(), states[cursor].second) << round;
        }
        continue;
      default:
        if (cursor + 1 < states.size()) {
          ASSERT_TRUE(Redo(doc));
          ++cursor;
          ASSERT_TRUE(SameBits(doc.motion.Poses(), states[cursor].first)) << round;
          ASSERT_EQ(doc.motion.CurrentIndex(), states[cursor].second) << round;
        }
        continue;
    }
    RecordStep(doc);
    states.resize(cursor + 1);
    states.emplace_back(doc.motion.Poses(), doc.motion.CurrentIndex());
    ++cursor;
    ASSERT_EQ(doc.history.Count(), states.size());
  }
  while (Undo(doc)) --cursor;
  EXPECT_EQ(cursor, 0u);
  EXPECT_TRUE(SameBits(doc.motion.Poses(), states[0].first));
}

}  // namespace
}  // namespace velmora
