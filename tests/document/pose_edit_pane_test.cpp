#include "document/pose_edit_pane.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/c_format.h"
#include "document/editing_commands.h"
#include "document/pose_pane_controls.h"
#include "pose_pane_fixture.h"
#include "shell/commands.h"
#include "shell/pose_list_context_menu.h"

namespace velmora::testing {
namespace {

using PoseEditPaneTest = PaneTest;

TEST_F(PoseEditPaneTest, InitialisesRangesAndListsFromTheSettingsInForce) {
  geo.SetMotorLimits({1000, 1100, 1200, 1300, 300});
  pane.Initialise();
  EXPECT_EQ(view.controls[kMotorTrackbarIds[0]].low, -1000);
  EXPECT_EQ(view.controls[kMotorTrackbarIds[0]].high, 1000);
  EXPECT_EQ(view.controls[kMotorTrackbarIds[4]].high, 300);
  EXPECT_EQ(view.controls[kInterpolationListId].items,
            (std::vector<std::string>{"なし", "直線", "円弧"}));
  EXPECT_EQ(view.controls[kArcDirectionListId].items,
            (std::vector<std::string>{"時計回り", "反時計回り"}));
}

TEST_F(PoseEditPaneTest, FillListsEveryPoseAndShowsTheCurrentOne) {
  Pose arc = TimedPose(geo, 2000, 100);
  arc.interpolation = kArc;
  arc.arcRadius = -25;
  arc.excluded[3] = 1;
  ClearGoals();
  Load({TimedPose(geo, 1000), arc, TimedPose(geo, 3000)}, 1);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{1}));
  EXPECT_EQ(list.focused, 1);
  EXPECT_EQ(list.visible, 1);
  EXPECT_EQ(doc.motion.CurrentIndex(), 1u);

  EXPECT_EQ(view.Text(kTransitionTimeFieldId), "2000");
  EXPECT_EQ(view.Text(kXFieldId), FormatFixed(arc.x, 6, true));
  EXPECT_EQ(view.Text(kArcRadiusFieldId), "-25.000000");
  EXPECT_EQ(view.Text(kMotorValueFieldIds[0]), "+100");
  EXPECT_EQ(view.Position(kMotorTrackbarIds[1]), 300);
  EXPECT_EQ(view.Check(kMotorCheckIds[0]), CheckState::kChecked);
  EXPECT_EQ(view.Check(kMotorCheckIds[3]), CheckState::kUnchecked);
  EXPECT_EQ(view.Selection(kInterpolationListId), kArc);
  EXPECT_EQ(view.Selection(kArcDirectionListId), 0);
  // Showing queues the Pose with its own time, leaving the excluded motor alone.
  EXPECT_EQ(servos.Entry(1).goalTime, 200);
  EXPECT_EQ(servos.Entry(1).goalPosition, 100);
  EXPECT_FALSE(GoalQueued(4));
  EXPECT_TRUE(geo.GetArcGuide().on);
}

TEST_F(PoseEditPaneTest, ShowingAPoseNormalisesItsTimeAndRadiusWithoutAnUndoStep) {
  Pose odd = TimedPose(geo, 0);
  odd.arcRadius = 1.23456789;
  Load({odd, TimedPose(geo, 1234), TimedPose(geo, 700000), TimedPose(geo, 4294967291u)});
  EXPECT_EQ(doc.motion.Current().transitionTime, 10u);
  EXPECT_DOUBLE_EQ(doc.motion.Current().arcRadius, 1.234568);
  EXPECT_EQ(view.Text(kTransitionTimeFieldId), "10");
  // Rows not shown yet keep what the file said.
  EXPECT_EQ(list.rows[3][2], "-5msec");
  for (std::size_t i = 1; i < 4; ++i) ASSERT_TRUE(pane.SelectPose(i));
  pane.SyncViews();
  EXPECT_EQ(Times(), (std::vector<uint32_t>{10, 1230, 655350, 655350}));
  EXPECT_EQ(list.rows[3][2], "655350msec");
  EXPECT_EQ(servos.Entry(1).goalTime, 65535);  // the longest time fits the servo's 16 bits
  EXPECT_EQ(Steps(), 1u);
  EXPECT_FALSE(doc.motion.IsModified());
  EXPECT_FALSE(pane.SelectPose(4));
}

TEST_F(PoseEditPaneTest, TransitionTimeFieldRule) {
  const struct {
    const char* typed;
    uint32_t stored;
  } cases[] = {{"1234", 1230}, {"5", 10}, {"700000", 655350}, {"-5", 655350}, {" 20x", 20}};
  for (const auto& c : cases) {
    Type(kTransitionTimeFieldId, c.typed);
    EXPECT_EQ(doc.motion.Current().transitionTime, c.stored) << c.typed;
    EXPECT_EQ(view.Text(kTransitionTimeFieldId), c.typed);  // not rewritten while typing
  }
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(list.rows[0][2], "20msec");
  pane.OnFocusLost(kTransitionTimeFieldId);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_EQ(view.Text(kTransitionTimeFieldId), "20");
}

TEST_F(PoseEditPaneTest, MotorValueFieldIsLimitedAndMovesTheCoordinates) {
  ClearGoals();
  Type(kMotorValueFieldIds[0], "2000");
  Pose expected = doc.motion.Current();
  EXPECT_EQ(expected.motorValues[0], 1400);
  UpdateCoordinates(geo.Get(), expected);
  EXPECT_EQ(doc.motion.Current(), expected);
  EXPECT_EQ(view.Text(kMotorValueFieldIds[0]), "+1400");
  EXPECT_EQ(view.Position(kMotorTrackbarIds[0]), 1400);
  EXPECT_EQ(view.Text(kYFieldId), FormatFixed(expected.y, 6, true));
  EXPECT_EQ(servos.Entry(1).goalPosition, 1400);
  EXPECT_EQ(servos.Entry(1).goalTime, 50);

  Type(kMotorValueFieldIds[1], "-12");  // within the limit: the field keeps the user's text
  EXPECT_EQ(view.Text(kMotorValueFieldIds[1]), "-12");
  EXPECT_EQ(Steps(), 1u);
  pane.OnFocusLost(kMotorValueFieldIds[1]);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_EQ(view.Text(kMotorValueFieldIds[1]), "-12");
  EXPECT_EQ(servos.Entry(2).goalTime, 100);  // the shown Pose goes with its own time last
}

TEST_F(PoseEditPaneTest, TypingIntoACoordinateFieldIsOneUndoStepWhenLeft) {
  for (const char* t : {"1", "12", "120"}) Type(kXFieldId, t);
  Type(kYFieldId, "inf");  // no finite number: the value stays
  EXPECT_EQ(Steps(), 1u);
  EXPECT_TRUE(pane.EditPending());
  Pose expected = DefaultPose(geo.Get());
  expected.x = 120;
  InverseKinematics(geo.Get(), 120, 0, 0, 0, expected.handWidth, expected);
  EXPECT_EQ(doc.motion.Current().motorValues, expected.motorValues);
  EXPECT_EQ(view.Text(kMotorValueFieldIds[0]), FormatInt(expected.motorValues[0], true));
  EXPECT_EQ(servos.Entry(1).goalTime, 50);

  pane.OnFocusLost(kXFieldId);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_FALSE(pane.EditPending());
  EXPECT_EQ(view.Text(kXFieldId), "+120.000000");
  EXPECT_EQ(view.Text(kYFieldId), "+0.000000");
  ASSERT_TRUE(UndoEdit(pane));
  EXPECT_EQ(view.Text(kXFieldId), "+0.000000");
}

// A pane edit changes one Pose: its undo step copies the chunk around it and shares the rest of
// a large Motion without comparing it, and undoing it copies no more than that chunk back.
TEST_F(PoseEditPaneTest, AnEditsUndoStepSharesTheChunksItLeftAlone) {
  constexpr std::size_t kPoses = 20 * UndoHistory::kChunkPoses;
  std::vector<Pose> poses(kPoses);
  for (std::size_t i = 0; i < kPoses; ++i) poses[i].transitionTime = 10 * (i + 1);
  Load(poses);
  Pick({kPoses / 2});
  const std::vector<uint32_t> before = Times();

  Type(kTransitionTimeFieldId, "1230");
  pane.OnFocusLost(kTransitionTimeFieldId);
  UndoHistory::StepCost cost = doc.history.LastCost();
  EXPECT_EQ(cost.comparedPoses, 0u);
  EXPECT_LE(cost.copiedPoses, UndoHistory::kChunkPoses);
  view.SetCheck(kMotorCheckIds[1], CheckState::kUnchecked);
  pane.OnClick(kMotorCheckIds[1]);
  cost = doc.history.LastCost();
  EXPECT_EQ(cost.comparedPoses, 0u);
  EXPECT_LE(cost.copiedPoses, UndoHistory::kChunkPoses);

  for (int undo = 0; undo < 2; ++undo) {
    ASSERT_TRUE(UndoEdit(pane));
    EXPECT_LE(doc.history.LastCost().copiedPoses, UndoHistory::kChunkPoses) << undo;
  }
  EXPECT_EQ(Times(), before);
  EXPECT_EQ(doc.motion.Current().excluded[1], 0);
}

TEST_F(PoseEditPaneTest, CommitPendingEditRecordsTheTypedChangeOnce) {
  pane.CommitPendingEdit();
  EXPECT_EQ(Steps(), 1u);
  Type(kArcRadiusFieldId, "12.5");
  Type(kArcRadiusFieldId, "nan");
  EXPECT_DOUBLE_EQ(doc.motion.Current().arcRadius, 12.5);
  pane.CommitPendingEdit();
  pane.CommitPendingEdit();
  EXPECT_EQ(Steps(), 2u);
  EXPECT_TRUE(doc.motion.IsModified());
}

TEST_F(PoseEditPaneTest, UncheckedMotorIsRecordedAndLeftOutOfWhatIsSent) {
  view.SetCheck(kMotorCheckIds[2], CheckState::kUnchecked);
  pane.OnClick(kMotorCheckIds[2]);
  EXPECT_EQ(doc.motion.Current().excluded, (std::array<int32_t, 5>{0, 0, 1, 0, 0}));
  EXPECT_EQ(Steps(), 2u);
  ClearGoals();
  pane.SelectPose(0);
  EXPECT_TRUE(GoalQueued(1));
  EXPECT_TRUE(GoalQueued(2));
  EXPECT_FALSE(GoalQueued(3));
  EXPECT_TRUE(GoalQueued(5));
}

TEST_F(PoseEditPaneTest, TrackbarFollowsEveryMoveAndRecordsAtTheEnd) {
  for (int pos : {100, 200, 300}) {
    view.SetPosition(kMotorTrackbarIds[0], pos);
    pane.OnScroll(kMotorTrackbarIds[0], false);
  }
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(doc.motion.Current().motorValues[0], 300);
  EXPECT_EQ(view.Text(kMotorValueFieldIds[0]), "+300");
  pane.OnScroll(kMotorTrackbarIds[0], true);
  EXPECT_EQ(Steps(), 2u);
  Pose expected = doc.motion.Current();
  UpdateCoordinates(geo.Get(), expected);
  EXPECT_EQ(doc.motion.Current(), expected);
}

TEST_F(PoseEditPaneTest, DropDownListsRecordOnANewChoiceOnly) {
  Load({TimedPose(geo, 1000), TimedPose(geo, 1000, 200)}, 1);
  view.SetSelection(kInterpolationListId, kArc);
  pane.OnSelChange(kInterpolationListId);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_TRUE(geo.GetArcGuide().on);
  EXPECT_TRUE(list.rows[1][3].ends_with(",時計回り")) << list.rows[1][3];
  EXPECT_EQ(list.rows[1][1], "円弧");

  view.SetSelection(kArcDirectionListId, 1);
  pane.OnFocusLost(kArcDirectionListId);  // another notification: stored, not recorded
  EXPECT_EQ(doc.motion.Current().arcDirection, kCounterClockwise);
  EXPECT_EQ(Steps(), 2u);
  EXPECT_TRUE(list.rows[1][3].ends_with(",反時計回り"));

  // A list without a selection leaves the interpolation alone.
  view.SetSelection(kInterpolationListId, -1);
  pane.OnSelChange(kInterpolationListId);
  EXPECT_EQ(doc.motion.Current().interpolation, kArc);
}

// A view that reports every write back, as widgets that announce programmatic changes do.
class EchoingView : public MapView {
 public:
  void SetText(int id, const std::string& text) override {
    MapView::SetText(id, text);
    if (pane) pane->OnChange(id);
  }
  void SetSelection(int id, int index) override {
    MapView::SetSelection(id, index);
    if (pane) pane->OnSelChange(id);
  }
  void SetCheck(int id, CheckState state) override {
    MapView::SetCheck(id, state);
    if (pane) pane->OnClick(id);
  }
  void SetPosition(int id, int position) override {
    MapView::SetPosition(id, position);
    if (pane) pane->OnScroll(id, true);
  }
  PoseEditPane* pane = nullptr;
};

class EchoingList : public FakePoseListView {
 public:
  void SetSelection(const std::vector<std::size_t>& s, long f) override {
    FakePoseListView::SetSelection(s, f);
    if (pane) pane->OnListSelectionChanged({0}, 0);
  }
  PoseEditPane* pane = nullptr;
};

TEST_F(PoseEditPaneTest, ThePanesOwnWritesNeverFeedBackIntoTheMotion) {
  EchoingView echo;
  EchoingList echoList;
  echo.pane = &pane;
  echoList.pane = &pane;
  pane.AttachViews(echo, echoList);
  pane.Initialise();
  Load({TimedPose(geo, 1000), TimedPose(geo, 2000, 50)}, 1);
  const std::vector<Pose> before = doc.motion.Poses();
  echo.controls[kMotorValueFieldIds[0]].text = "9999";
  pane.OnFocusLost(kMotorValueFieldIds[0]);  // rewrites the field and every coordinate
  pane.RefreshAfterReplace();
  pane.SyncViews();
  EXPECT_EQ(doc.motion.CurrentIndex(), 1u);
  EXPECT_EQ(Steps(), 2u);  // the focus loss only
  std::vector<Pose> after = doc.motion.Poses();
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[1].motorValues[0], 1400);
  EXPECT_EQ(after[1].transitionTime, 2000u);
  pane.DetachViews();
}

TEST_F(PoseEditPaneTest, DisabledFieldsTakeNoInputWhileTheListStillSelects) {
  Load({TimedPose(geo, 1000), TimedPose(geo, 2000), TimedPose(geo, 3000)});
  pane.EnablePaneFields(false);
  EXPECT_TRUE(view.IsEnabled(kXFieldId));  // views follow at the sync
  pane.SyncViews();
  for (int id :
       {kXFieldId, kTransitionTimeFieldId, kArcRadiusFieldId, kInterpolationListId,
        kArcDirectionListId, kMotorCheckIds[4], kMotorTrackbarIds[4], kMotorValueFieldIds[4]}) {
    EXPECT_FALSE(view.IsEnabled(id)) << id;
  }
  EXPECT_TRUE(view.IsEnabled(kPoseListId));
  Type(kTransitionTimeFieldId, "50");
  view.SetPosition(kMotorTrackbarIds[0], 700);
  pane.OnScroll(kMotorTrackbarIds[0], true);
  EXPECT_EQ(Times(), (std::vector<uint32_t>{1000, 2000, 3000}));
  EXPECT_EQ(doc.motion.Current().motorValues[0], 0);

  // Shift-click from row 0 to row 2: every row selected, the focused one current.
  Pick({0, 1, 2});
  EXPECT_EQ(doc.motion.CurrentIndex(), 2u);
  EXPECT_EQ(view.Text(kTransitionTimeFieldId), "3000");
  EXPECT_EQ(pane.Selection().Selected(), (std::vector<std::size_t>{0, 1, 2}));
  pane.EnablePaneFields(true);
  pane.SyncViews();
  EXPECT_TRUE(view.IsEnabled(kXFieldId));
}

TEST_F(PoseEditPaneTest, MoveCurrentToKeepsHeightRotationAndHand) {
  Type(kZFieldId, "10");
  pane.OnFocusLost(kZFieldId);
  const std::size_t steps = Steps();
  ASSERT_TRUE(pane.MoveCurrentTo(50, 60));
  Pose p = doc.motion.Current();
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);
  EXPECT_EQ(p.z, 10);
  EXPECT_EQ(p.motorValues[2], 424);
  Pose expected = p;
  InverseKinematics(geo.Get(), 50, 60, 10, p.rotation, p.handWidth, expected);
  EXPECT_EQ(p.motorValues, expected.motorValues);
  EXPECT_EQ(view.Text(kXFieldId), "+50.000000");
  EXPECT_EQ(servos.Entry(1).goalTime, 50);
  EXPECT_EQ(Steps(), steps);  // the drag records its step when it ends

  ASSERT_TRUE(pane.MoveCurrentTo(50, 60, -19));  // the pen lowered
  EXPECT_EQ(doc.motion.Current().z, -19);
  EXPECT_FALSE(pane.MoveCurrentTo(std::numeric_limits<double>::quiet_NaN(), 0));
  EXPECT_EQ(doc.motion.Current().x, 50);
}

TEST_F(PoseEditPaneTest, WorkerThreadsChangeTheCoreAndLeaveTheViewsToTheUiThread) {
  Load({TimedPose(geo, 1000), TimedPose(geo, 2000), TimedPose(geo, 0)});
  sink.all = 0;
  ClearGoals();
  const int rebuilds = list.rebuilds;
  std::thread worker([&] {
    pane.EnablePaneFields(false);
    pane.HighlightRow(2);
    pane.SelectPose(2);
    pane.EnsureCurrentVisible();
    Pose recorded = TimedPose(geo, 300, 77);
    InsertCopyAfterCurrent(pane, recorded);
  });
  worker.join();
  // The core moved on at once...
  EXPECT_EQ(doc.motion.Size(), 4u);
  EXPECT_EQ(doc.motion.CurrentIndex(), 3u);
  EXPECT_EQ(doc.motion.PoseAt(2)->transitionTime, 10u);  // shown, so normalised
  EXPECT_EQ(servos.Entry(1).goalPosition, 77);
  EXPECT_EQ(servos.Entry(1).goalTime, 30);
  EXPECT_FALSE(pane.FieldsEnabled());
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(sink.all.load() & kPoseViewChanges, kPoseViewChanges);
  // ...while no widget was touched.
  EXPECT_EQ(list.rebuilds, rebuilds);
  EXPECT_EQ(list.rows.size(), 3u);
  EXPECT_TRUE(view.IsEnabled(kXFieldId));

  pane.SyncViews();
  EXPECT_EQ(list.rows.size(), 4u);
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{3}));
  EXPECT_EQ(list.visible, 3);
  EXPECT_EQ(view.Text(kMotorValueFieldIds[0]), "+77");
  EXPECT_FALSE(view.IsEnabled(kXFieldId));
}

TEST_F(PoseEditPaneTest, PlaybackBesideTheUiThreadEndsWithViewsShowingTheCore) {
  Load({TimedPose(geo, 1000), TimedPose(geo, 2000), TimedPose(geo, 3000)});
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (std::size_t i = 0; i < 300; ++i) {
      pane.HighlightRow(i % 3);
      pane.SelectPose(i % 3);
      pane.EnsureCurrentVisible();
    }
    done = true;
  });
  // The UI thread keeps draining and the user keeps clicking rows meanwhile.
  for (std::size_t i = 0; !done.load(); ++i) {
    pane.SyncViews();
    Pick({i % 3});
  }
  worker.join();
  pane.SyncViews();
  const std::size_t current = doc.motion.CurrentIndex();
  EXPECT_EQ(view.Text(kTransitionTimeFieldId), FormatInt(doc.motion.Current().transitionTime));
  EXPECT_EQ(list.focused, pane.Selection().Focused());
  EXPECT_EQ(list.rows.size(), 3u);
  EXPECT_LT(current, 3u);
  EXPECT_EQ(Steps(), 1u);
}

TEST_F(PoseEditPaneTest, HighlightRowSelectsOnlyThatRow) {
  Load({TimedPose(geo, 1000), TimedPose(geo, 2000), TimedPose(geo, 3000)});
  Pick({0, 1});
  pane.HighlightRow(2);
  pane.SyncViews();
  EXPECT_EQ(list.selected, (std::vector<std::size_t>{2}));
  EXPECT_EQ(list.focused, 2);
}

TEST(PoseListContextMenu, UndoAndRedoFollowTheHistory) {
  Geometry geo;
  Document doc;
  NewMotion(doc, geo, true);
  auto enabled = [&](int command) {
    for (const ContextMenuItemState& s : ContextMenuStates(doc.history)) {
      if (s.command == command) return s.enabled;
    }
    ADD_FAILURE() << command;
    return false;
  };
  EXPECT_FALSE(enabled(kCmdUndo));
  EXPECT_FALSE(enabled(kCmdRedo));
  EXPECT_TRUE(enabled(kCmdPaste));
  RecordStep(doc);
  EXPECT_TRUE(enabled(kCmdUndo));
  Undo(doc);
  EXPECT_FALSE(enabled(kCmdUndo));
  EXPECT_TRUE(enabled(kCmdRedo));
  EXPECT_EQ(ContextMenuStates(doc.history).size(), ContextMenu().items.size());
}

}  // namespace
}  // namespace velmora::testing
