// The PoseList of the pose pane, driven through the real widget.

#include <QAction>
#include <QClipboard>
#include <QFocusEvent>
#include <QHeaderView>
#include <QSignalSpy>
#include <thread>

#include "ui/pose_pane_fixture.h"

namespace velmora::testing {
namespace {

using PosePaneListTest = PosePaneUiTest;

std::vector<std::size_t> Rows(std::initializer_list<std::size_t> rows) { return rows; }

TEST_F(PosePaneListTest, ColumnsAndRowTexts) {
  std::vector<Pose> poses = Poses(3);
  poses[1].interpolation = kLinear;
  poses[2].interpolation = kArc;
  poses[2].arcRadius = 30;
  poses[2].arcDirection = kCounterClockwise;
  Load(poses);

  const PoseListModel* model = List()->Model();
  const std::vector<std::pair<QString, int>> columns = {
      {"No.", 30}, {"補間", 42}, {"時間", 52}, {"パラメータ", 100}};
  ASSERT_EQ(model->columnCount(), 4);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), columns[c].first);
    // The time and the parameters may be wider: the longest time is shown whole, and the
    // parameters take the rest of the row.
    if (c < 2) {
      EXPECT_EQ(List()->horizontalHeader()->sectionSize(c), columns[c].second);
    } else {
      EXPECT_GE(List()->horizontalHeader()->sectionSize(c), columns[c].second);
    }
  }
  EXPECT_EQ(model->Texts(0)[0], "1");
  EXPECT_EQ(model->Texts(0)[1], "なし");
  EXPECT_EQ(model->Texts(0)[3], "+0,+300,+100,+0,+0");
  EXPECT_EQ(model->Texts(1)[1], "直線");
  EXPECT_TRUE(model->Texts(1)[3].starts_with("x="));
  EXPECT_EQ(model->Texts(2)[1], "円弧");
  EXPECT_TRUE(model->Texts(2)[3].ends_with(",半径=30.0,反時計回り")) << model->Texts(2)[3];
  // The tip of a cell is its whole text.
  const QModelIndex cell = model->index(2, 3);
  EXPECT_EQ(cell.data(Qt::ToolTipRole).toString().toStdString(), model->Texts(2)[3]);
  EXPECT_EQ(cell.data(Qt::DisplayRole), cell.data(Qt::ToolTipRole));

  EXPECT_EQ(List()->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(List()->showGrid());
}

TEST_F(PosePaneListTest, ClickingARowMakesItCurrentAndShowsIt) {
  Load(Poses(4));
  ClearGoals();
  ClickRow(2);
  EXPECT_EQ(CurrentIndex(), 2u);
  EXPECT_EQ(Text(kMotorValueFieldIds[0]), "+20");
  EXPECT_EQ(Text(kTransitionTimeFieldId), "120");
  // The shown Pose goes to the robot with its own time.
  EXPECT_TRUE(GoalQueued(1));
  EXPECT_EQ(state.servos.Entry(1).goalPosition, 20);
  EXPECT_EQ(state.servos.Entry(1).goalTime, 12);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({2}));
}

TEST_F(PosePaneListTest, ShiftAndCtrlExtendTheSelectionAndTheFocusedRowIsCurrent) {
  Load(Poses(6));
  ClickRow(1);
  ClickRow(4, Qt::ShiftModifier);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({1, 2, 3, 4}));
  EXPECT_EQ(CurrentIndex(), 4u);
  EXPECT_EQ(Text(kMotorValueFieldIds[0]), "+40");

  QTest::keyClick(List(), Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({1, 2, 3}));
  EXPECT_EQ(CurrentIndex(), 3u);

  ClickRow(5, Qt::ControlModifier);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({1, 2, 3, 5}));
  EXPECT_EQ(state.pane.Selection().Focused(), 5);
  EXPECT_EQ(CurrentIndex(), 5u);
}

TEST_F(PosePaneListTest, KeysMoveTheFocusedRowAndTabLeavesTheList) {
  Load(Poses(5));
  FocusList();
  QTest::keyClick(List(), Qt::Key_Down);
  EXPECT_EQ(CurrentIndex(), 1u);
  QTest::keyClick(List(), Qt::Key_End);
  EXPECT_EQ(CurrentIndex(), 4u);
  QTest::keyClick(List(), Qt::Key_Right);  // scrolls sideways, the row stays
  QTest::keyClick(List(), Qt::Key_Left);
  EXPECT_EQ(CurrentIndex(), 4u);
  QTest::keyClick(List(), Qt::Key_Home);
  EXPECT_EQ(CurrentIndex(), 0u);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({0}));
  QTest::keyClick(List(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Combo(kInterpolationListId));
}

TEST_F(PosePaneListTest, TheFocusFlagFollowsTheKeyboardFocusButNotAPopup) {
  Load(Poses(3));
  ClickRow(1);
  EXPECT_TRUE(state.pane.PoseListHasFocus());
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(List(), &popup);
  EXPECT_TRUE(state.pane.PoseListHasFocus());

  // Cut, copy and paste in a field act on its text alone, even with a Ctrl+C shortcut around.
  QAction copyPoses;
  copyPoses.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  pane->addAction(&copyPoses);
  QSignalSpy triggered(&copyPoses, &QAction::triggered);
  Type(kArcRadiusFieldId, "12.5");
  EXPECT_FALSE(state.pane.PoseListHasFocus());
  Edit(kArcRadiusFieldId)->selectAll();
  QTest::keyClick(Edit(kArcRadiusFieldId), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(triggered.count(), 0);
  EXPECT_EQ(QApplication::clipboard()->text(), "12.5");
  QTest::keyClick(Edit(kArcRadiusFieldId), Qt::Key_Delete);
  EXPECT_EQ(Text(kArcRadiusFieldId), "");
  EXPECT_EQ(state.document.motion.Size(), 3u);
  EXPECT_TRUE(state.document.clipboard.Entries().empty());

  // In the list the same key is the command's.
  FocusList();
  EXPECT_TRUE(state.pane.PoseListHasFocus());
  QTest::keyClick(List(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(triggered.count(), 1);

  pane.reset();
  EXPECT_FALSE(state.pane.PoseListHasFocus());
}

TEST_F(PosePaneListTest, ARightClickSelectsTheRowAndAsksForTheContextMenu) {
  Load(Poses(4));
  QSignalSpy asked(pane.get(), &PosePaneWidget::contextMenuRequested);
  ClickRow(3, Qt::NoModifier, Qt::RightButton);
  const QPoint inside = List()->visualRect(List()->Model()->index(3, 1)).center();
  QContextMenuEvent menu(QContextMenuEvent::Mouse, inside, List()->viewport()->mapToGlobal(inside));
  QApplication::sendEvent(List()->viewport(), &menu);
  ASSERT_EQ(asked.count(), 1);
  EXPECT_EQ(asked.at(0).at(0).toPoint(), List()->viewport()->mapToGlobal(inside));
  EXPECT_EQ(CurrentIndex(), 3u);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({3}));
}

TEST_F(PosePaneListTest, WorkerHighlightsReachTheListAndAreNotReportedBack) {
  Load(Poses(5));
  ClickRow(1);
  std::thread player([this] {
    state.pane.HighlightRow(3);
    state.pane.SelectPose(3);
  });
  player.join();
  // Nothing is drawn on the worker's thread; the widgets change when the notice is delivered.
  EXPECT_EQ(Text(kMotorValueFieldIds[0]), "+10");
  Deliver();
  EXPECT_EQ(Text(kMotorValueFieldIds[0]), "+30");
  const QModelIndexList shown = List()->selectionModel()->selectedRows();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].row(), 3);
  EXPECT_EQ(List()->currentIndex().row(), 3);

  // The user picking the row the list had before is still news to the pane.
  ClickRow(1);
  EXPECT_EQ(CurrentIndex(), 1u);
  EXPECT_EQ(state.pane.Selection().Selected(), Rows({1}));
}

TEST_F(PosePaneListTest, AHundredThousandPosesAreFormattedOnlyWhereShown) {
  std::vector<Pose> poses(100000, Poses(1)[0]);
  Load(poses, 0);
  QApplication::processEvents();
  EXPECT_EQ(List()->Model()->rowCount(), 100000);
  EXPECT_LT(List()->Model()->FormattedRows(), 200u);

  FocusList();
  QTest::keyClick(List(), Qt::Key_End);
  QApplication::processEvents();
  EXPECT_EQ(CurrentIndex(), 99999u);
  EXPECT_TRUE(
      List()->viewport()->rect().intersects(List()->visualRect(List()->Model()->index(99999, 0))));
  EXPECT_EQ(List()->Model()->Texts(99999)[0], "100000");
  EXPECT_LT(List()->Model()->FormattedRows(), 400u);

  // Selecting every row keeps the selection one range.
  QTest::keyClick(List(), Qt::Key_Home, Qt::ShiftModifier);
  EXPECT_EQ(state.pane.Selection().Selected().size(), 100000u);
  state.pane.ShowSelection();
  Deliver();
  EXPECT_EQ(List()->selectionModel()->selection().size(), 1);
}

}  // namespace
}  // namespace velmora::testing
