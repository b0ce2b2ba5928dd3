#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>

#include "document/motion_file.h"
#include "document/pose_pane_controls.h"
#include "document/ui/pose_list_table.h"
#include "document/ui/pose_pane_widget.h"
#include "shell/title.h"
#include "simulator/ui/render_thread.h"
#include "simulator/ui/simulator_view.h"
#include "ui/main_window_fixture.h"

namespace velmora {
namespace {

using testing::MainWindowTest;
using testing::ReadBytes;

QLineEdit* Field(MainWindow& window, int id) {
  return qobject_cast<QLineEdit*>(window.Pane()->Control(id));
}

// Types into a pane field and leaves it for another, as the user does; the window is then
// brought up to date (its refresh otherwise follows a few milliseconds later).
void TypeInto(MainWindow& window, int id, const QString& text, int nextId) {
  QLineEdit* field = Field(window, id);
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, text);
  Field(window, nextId)->setFocus();
  QApplication::processEvents();
  window.FlushChanges();
}

TEST_F(MainWindowTest, ClosingWithoutChangesOrRobotEndsAtOnce) {
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(asked.empty());
}

TEST_F(MainWindowTest, YesThenCancellingTheSaveDialogKeepsTheProgramRunning) {
  TypeInto(*window, kXFieldId, "12.5", kYFieldId);
  ASSERT_TRUE(state.document.motion.IsModified());
  const auto poses = state.document.motion.Poses();

  answers = {MessageAnswer::kYes};
  files.savePaths = {std::nullopt};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->ShuttingDown());
  EXPECT_EQ(asked, std::vector<std::string>{"現在のモーションをファイルに保存しますか?"});
  EXPECT_EQ(files.saveRequests.size(), 1u);
  EXPECT_EQ(state.document.motion.Poses(), poses);

  // No closes it without saving.
  answers = {MessageAnswer::kNo};
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ClosingWhileConnectedWaitsForTheLinkToLetGo) {
  ConnectToVirtualRobot();
  Click(kCmdMotorOn);
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.Robot().TorqueOn(1); }, 10000));

  // The close waits for the disconnection. On a busy machine the link may have let go of the
  // robot before the window looks, and then the window closes at once.
  if (window->close()) {
    EXPECT_FALSE(state.servos.connected.load());
  } else {
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->ShuttingDown());
    EXPECT_FALSE(Button(kCmdCommunication)->isChecked());
    Click(kCmdCommunication);  // nothing starts again meanwhile
    EXPECT_FALSE(state.linkControls.IsToggleChecked(kCommunicationToggle));
    EXPECT_FALSE(Button(kCmdCommunication)->isChecked());  // and nothing shows as started
    EXPECT_FALSE(Action(kCmdCommunication)->isChecked());
  }

  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 10000));
  EXPECT_FALSE(state.servos.connected.load());
  EXPECT_FALSE(app.Robot().TorqueOn(1));
  EXPECT_FALSE(app.Robot().IsOpen());
}

TEST_F(MainWindowTest, OpenAfterSavingThenCancellingShowsTheSavedNameUntilTheNextEdit) {
  TypeInto(*window, kXFieldId, "20", kYFieldId);
  ASSERT_NE(Title().find(" *"), std::string::npos);
  const std::string path = (dir / "first.KMO").string();
  answers = {MessageAnswer::kYes};
  files.savePaths = {path};
  files.openPaths = {std::nullopt};
  Click(kCmdOpen);
  EXPECT_EQ(files.openRequests.size(), 1u);
  EXPECT_EQ(Title(), BuildTitle(path, false));
  EXPECT_NEAR(state.document.motion.Current().x, 20, 1e-9);
  EXPECT_NE(ReadBytes(path).find("POS:20.000000,"), std::string::npos);

  TypeInto(*window, kYFieldId, "5", kXFieldId);
  EXPECT_EQ(Title(), BuildTitle(path, false) + " *");
}

TEST_F(MainWindowTest, NewSaveAndReopenThroughTheWindow) {
  // Three Poses with different x.
  for (const char* x : {"10", "30", "50"}) {
    if (std::string(x) != "10") Click(kCmdInsertPose);
    TypeInto(*window, kXFieldId, x, kYFieldId);
  }
  ASSERT_EQ(state.document.motion.Size(), 3u);
  const std::string path = (dir / "three.KMO").string();
  files.savePaths = {path};
  Click(kCmdSave);
  EXPECT_EQ(Title(), BuildTitle(path, false));

  Click(kCmdNew);  // saved: no question
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(window->Pane()->List()->model()->rowCount(), 1);
  EXPECT_EQ(Title(), BuildTitle("", false));

  files.openPaths = {path};
  Click(kCmdOpen);
  EXPECT_EQ(Title(), BuildTitle(path, false));
  ASSERT_EQ(window->Pane()->List()->model()->rowCount(), 3);
  EXPECT_EQ(state.document.motion.CurrentIndex(), 0u);
  EXPECT_EQ(Field(*window, kXFieldId)->text(), "+10.000000");
  EXPECT_NEAR(state.document.motion.PoseAt(2)->x, 50, 1e-9);
  EXPECT_FALSE(Action(kCmdUndo)->isEnabled());
}

TEST_F(MainWindowTest, AMarkerDragWithPenDownAndUpIsOneUndoStep) {
  SimulatorView* view = window->Simulator();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return view->Renderer() != nullptr && view->Renderer()->FramesPresented() >= 2; },
      10000));
  const std::size_t steps = state.document.history.Count();
  // The default Pose has its tool on the origin, the middle of the view.
  const QPoint centre(view->width() / 2, view->height() / 2);
  QTest::mousePress(view, Qt::LeftButton, {}, centre);
  ASSERT_TRUE(view->DragController().DraggingTip());
  QTest::mouseMove(view, centre + QPoint(30, -30));
  QTest::mousePress(view, Qt::RightButton, {}, centre + QPoint(30, -30));
  const double down = state.document.motion.Current().z;
  QTest::mouseMove(view, centre + QPoint(60, -30));
  QTest::mouseRelease(view, Qt::RightButton, {}, centre + QPoint(60, -30));
  const double up = state.document.motion.Current().z;
  // Beyond the view's edge the Pose stops at the edge.
  QTest::mouseMove(view, QPoint(view->width() + 400, -300));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() + 400, -300));

  EXPECT_LT(down, up);
  EXPECT_EQ(state.document.history.Count(), steps + 1);
  window->FlushChanges();
  EXPECT_NE(Title().find(" *"), std::string::npos);
  EXPECT_TRUE(Action(kCmdUndo)->isEnabled());
  const Pose moved = state.document.motion.Current();
  EXPECT_GT(moved.x, 0);
  EXPECT_GT(moved.y, 0);
  Action(kCmdUndo)->trigger();
  EXPECT_EQ(state.document.motion.Current().x, 0);
}

TEST_F(MainWindowTest, VirtualRobotPlaysStepsAndRecords) {
  for (const char* x : {"0", "40"}) {
    if (std::string(x) != "0") Click(kCmdInsertPose);
    TypeInto(*window, kXFieldId, x, kYFieldId);
  }
  state.pane.SelectPose(0);
  window->FlushChanges();
  ConnectToVirtualRobot();
  // The bridge code's connect sequence reached the emulated chip: its TX pin is now open-drain.
  EXPECT_EQ(app.Robot().PinConfig().pins[10], 0x01);

  Click(kCmdPlay);
  EXPECT_TRUE(window->CommLog()->hasFocus());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Action(kCmdPlay)->isEnabled(); }, 10000));
  EXPECT_TRUE(Action(kCmdStop)->isEnabled());
  EXPECT_FALSE(Field(*window, kXFieldId)->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Action(kCmdPlay)->isEnabled(); }, 20000));
  EXPECT_EQ(state.document.motion.CurrentIndex(), 1u);
  EXPECT_TRUE(Field(*window, kXFieldId)->isEnabled());

  state.pane.SelectPose(0);
  Click(kCmdStep);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !state.busy.playing.load(); }, 20000));
  window->FlushChanges();  // the commands come back with the next refresh
  EXPECT_EQ(state.document.motion.CurrentIndex(), 1u);

  dialogResult = 1;  // the recording dialog's 開始
  answers = {MessageAnswer::kYes};
  Click(kCmdRecord);
  EXPECT_EQ(dialogs, std::vector<int>{kRecordingDialogId});
  ASSERT_TRUE(QTest::qWaitFor([&] { return state.document.motion.Size() >= 4; }, 20000));
  Click(kCmdStop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !state.busy.recording.load(); }, 10000));
  window->FlushChanges();
  const std::size_t recorded = state.document.motion.Size();
  EXPECT_GE(recorded, 4u);
  ASSERT_TRUE(Action(kCmdUndo)->isEnabled());
  Action(kCmdUndo)->trigger();
  EXPECT_EQ(state.document.motion.Size(), 2u);
}

}  // namespace
}  // namespace velmora
