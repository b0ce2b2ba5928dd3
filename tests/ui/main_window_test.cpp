#include "shell/ui/main_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include "base/string_table.h"
#include "document/editing_commands.h"
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
using testing::WriteBytes;

class StartUpTest : public MainWindowTest {
 protected:
  void SetUp() override {
    WriteBytes(dir / "def.ini",
               "AXIS_TYPE:[5]\r\nCROW_POSITION:[2]\r\nVPEN_EVERYTIME_DRAW:[1]\r\n");
    Start();
  }
};

TEST_F(StartUpTest, WindowComesUpWithTheLoadedSettingsAndNothingToUndo) {
  EXPECT_EQ(window->objectName(), "Quorvane");
  EXPECT_EQ(Title(), "Velmora [ 新しいモーション ]" + LoadText(40011));
  EXPECT_EQ(window->pos(), QPoint(30, 20));
  EXPECT_FALSE(window->windowIcon().isNull());
  EXPECT_EQ(window->minimumSize(), window->maximumSize());  // fixed size

  // The first Pose was made with the claw position of def.ini: hand width (2 + 1) x 10.
  EXPECT_EQ(state.document.motion.Current().handWidth, 30);
  auto* hand = qobject_cast<QLineEdit*>(window->Pane()->Control(kHandWidthFieldId));
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(hand->text(), "+30.000000");
  EXPECT_EQ(window->Pane()->List()->model()->rowCount(), 1);

  EXPECT_FALSE(Action(kCmdUndo)->isEnabled());
  EXPECT_FALSE(Action(kCmdRedo)->isEnabled());
  EXPECT_FALSE(Button(kCmdUndo)->isEnabled());
  for (int command : {kCmdNew, kCmdOpen, kCmdSave, kCmdSaveAs, kCmdPlay, kCmdStop, kCmdExit}) {
    EXPECT_TRUE(Action(command)->isEnabled()) << command;
  }

  EXPECT_TRUE(window->ToolBar()->Axis5()->isChecked());
  EXPECT_FALSE(window->ToolBar()->Axis3()->isChecked());
  EXPECT_TRUE(window->ToolBar()->AlwaysDraw()->isChecked());
  EXPECT_FALSE(Action(kCmdVirtualRobot)->isChecked());
  EXPECT_TRUE(window->Simulator()->Rendering());
}

TEST_F(MainWindowTest, FourAreasSitAtTheirPlaces) {
  const QWidget* client = window->centralWidget();
  EXPECT_EQ(client->size(), QSize(1000, 650));
  const int toolbar = window->ToolBar()->height();
  const int paneWidth = window->PaneArea()->width();
  EXPECT_EQ(window->ToolBar()->geometry(), QRect(0, 0, 1000, toolbar));
  EXPECT_EQ(window->PaneArea()->pos(), QPoint(0, toolbar - 1));
  EXPECT_LE(window->PaneArea()->geometry().bottom(), 649);
  EXPECT_EQ(window->CommLog()->geometry(), QRect(paneWidth, 488, 1000 - paneWidth, 162));
  EXPECT_EQ(window->ViewArea()->geometry(),
            QRect(paneWidth, toolbar - 2, 1000 - paneWidth, 488 - (toolbar - 2)));
  EXPECT_TRUE(window->CommLog()->isReadOnly());
  EXPECT_EQ(window->CommLog()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window->CommLog()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // The toolbar's own controls, clear of the last button.
  MainToolBar* bar = window->ToolBar();
  EXPECT_LT(Button(kCmdCommunication)->geometry().right(), 510);
  EXPECT_EQ(bar->RobotSelector()->geometry().topLeft(), QPoint(510, 2));
  EXPECT_EQ(bar->Axis3()->geometry(), QRect(640, 5, 50, 15));
  EXPECT_EQ(bar->Axis5()->geometry(), QRect(690, 5, 50, 15));
  EXPECT_EQ(bar->ErasePen()->geometry(), QRect(740, 2, 80, 20));
  EXPECT_EQ(bar->ErasePen()->text(), "ペンの消去");
  EXPECT_EQ(bar->AlwaysDraw()->geometry(), QRect(830, 2, 68, 20));
  EXPECT_EQ(bar->AlwaysDraw()->text(), "常時描画");
  // Ours after it, inside the window: the path preview and the playback speed.
  EXPECT_EQ(bar->PathPreview()->text(), "経路");
  EXPECT_GT(bar->PathPreview()->geometry().left(), bar->AlwaysDraw()->geometry().right());
  EXPECT_GT(bar->Speed()->geometry().left(), bar->PathPreview()->geometry().right());
  EXPECT_LE(bar->Speed()->geometry().right(), 1000);
}

TEST_F(MainWindowTest, MenusAndToolbarCarryTheCommandTable) {
  // Menu texts, in order, with "-" for a separator; each key shown after a tab.
  std::vector<std::string> menus;
  std::vector<std::string> shown;
  for (QAction* popup : window->menuBar()->actions()) {
    std::string line = popup->text().toStdString() + ":";
    for (QAction* item : popup->menu()->actions()) {
      line += ' ';
      line +=
          item->isSeparator() ? std::string("-") : item->text().section('\t', 0, 0).toStdString();
      if (item->text().contains('\t')) shown.push_back(item->text().section('\t', 1).toStdString());
    }
    menus.push_back(line);
  }
  EXPECT_EQ(menus, (std::vector<std::string>{
                       "ファイル(&F): 新規作成 開く... 上書き保存 名前をつけて保存... - 図形の読み込み… "
                       "文字の描画… CSVの読み込み… - SVGで書き出し… CSVで書き出し… - 終了",
                       "編集(&E): 元に戻す やり直し - ポーズの挿入 ポーズのキャプチャ - 切り取り "
                       "コピー 貼り付け 削除 - ポーズの一括変換 レコーディングの簡略化…",
                       "モーション(&P): モーションの実行 モーションのコマ送り モーションの停止 "
                       "モーションのレコーディング - モーションの検査",
                       "通信(&C): 通信 モータON - 仮想ロボット",
                       "設定(&D): シミュレータの設定... モータの設定... 座標系の設定... ペンの消去 "
                       "- 経路の表示",
                       "表示(&V): タイムライン",
                       "ヘルプ(&H): バージョン情報...",
                   }));
  EXPECT_TRUE(Action(kCmdCommunication)->isCheckable());
  EXPECT_TRUE(Action(kCmdMotorOn)->isCheckable());

  // Toolbar: commands by number, 0 for a separator; the tips from the string table.
  std::vector<int> order;
  for (QAction* a : window->ToolBar()->actions()) {
    if (a->isSeparator()) {
      order.push_back(0);
    } else if (window->ToolBar()->widgetForAction(a) != nullptr && !a->icon().isNull()) {
      order.push_back(a->objectName().toInt());
    }
  }
  EXPECT_EQ(order, (std::vector<int>{40002, 40005, 40003, 0,     40006, 40007, 0,     40008, 40009,
                                     40010, 40018, 0,     40013, 0,     40017, 40011, 0,     40027,
                                     40021, 40019, 40000, 0,     40020, 40016, 40014}));
  EXPECT_EQ(Action(kCmdStep)->toolTip(), "モーションのコマ送り");
  EXPECT_EQ(Action(kCmdCommunication)->toolTip(), "通信の開始");
  EXPECT_EQ(Button(kCmdNew)->size(), QSize(23, 22));
  EXPECT_TRUE(window->ToolBar()->Axis3()->toolTip().contains("3軸(ペンタイプ)"));

  // The accelerators.
  std::vector<std::string> keys;
  for (int command : {kCmdUndo, kCmdRedo, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kCmdExit}) {
    keys.push_back(window->Actions()->Shortcut(command)->key().toString().toStdString());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Ctrl+Z", "Ctrl+Y", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Del",
                                            "Ctrl+Q"}));
  // Every key, the desktop's usual file keys too, is shown in its menu item, in menu order.
  EXPECT_EQ(shown,
            (std::vector<std::string>{"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "Ctrl+Q",
                                      "Ctrl+Z", "Ctrl+Y", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Del"}));
}

TEST_F(MainWindowTest, FileKeysRunNewOpenSaveAndSaveAsUnlessBusy) {
  QWidget* focus = window->Pane();
  files.savePaths = {std::nullopt, std::nullopt};
  files.openPaths = {std::nullopt};
  Key(focus, Qt::Key_S, Qt::ControlModifier);  // no file name yet: the save dialog
  Key(focus, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  Key(focus, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(files.saveRequests.size(), 2u);
  EXPECT_EQ(files.openRequests.size(), 1u);
  Action(kCmdInsertPose)->trigger();
  ASSERT_EQ(state.document.motion.Size(), 2u);
  answers = {MessageAnswer::kNo};
  Key(focus, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(asked, std::vector<std::string>{"現在のモーションをファイルに保存しますか?"});
  EXPECT_EQ(state.document.motion.Size(), 1u);

  app.SetBusyCommands(true);
  window->FlushChanges();
  Key(focus, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(files.saveRequests.size(), 2u);
  app.SetBusyCommands(false);
}

TEST_F(MainWindowTest, TogglesMirrorBetweenToolbarMenuAndLinkControls) {
  app.Link().Stop();  // held until the toggle has been looked at
  Click(kCmdCommunication);
  EXPECT_TRUE(state.linkControls.IsToggleChecked(kCommunicationToggle));
  EXPECT_TRUE(Action(kCmdCommunication)->isChecked());
  EXPECT_TRUE(Button(kCmdCommunication)->isChecked());
  // No robot is listed: the link clears the toggle again, and the button follows.
  app.Link().Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Button(kCmdCommunication)->isChecked(); }, 10000));

  Action(kCmdMotorOn)->trigger();  // from the menu
  EXPECT_TRUE(Button(kCmdMotorOn)->isChecked());
  state.linkControls.SetToggle(kMotorToggle, false);  // the link switched it off
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Action(kCmdMotorOn)->isChecked(); }, 10000));
  EXPECT_FALSE(Button(kCmdMotorOn)->isChecked());

  state.linkControls.EnableToggle(kMotorToggle, false);
  window->FlushChanges();
  EXPECT_FALSE(Button(kCmdMotorOn)->isEnabled());
}

TEST_F(MainWindowTest, RobotListAndAxisChoiceFollowTheLinkAndLockWhileConnected) {
  window->ToolBar()->Axis5()->click();
  EXPECT_EQ(state.linkControls.AxisChoice(), 5);
  window->ToolBar()->Axis3()->click();
  EXPECT_EQ(state.linkControls.AxisChoice(), 3);

  ConnectToVirtualRobot();
  EXPECT_TRUE(Action(kCmdVirtualRobot)->isChecked());
  EXPECT_EQ(window->ToolBar()->RobotSelector()->currentText(), "VIRTUAL");
  EXPECT_FALSE(window->ToolBar()->RobotSelector()->isEnabled());
  EXPECT_FALSE(window->ToolBar()->Axis5()->isEnabled());
  EXPECT_TRUE(Button(kCmdCommunication)->isChecked());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window->CommLog()->toPlainText().contains("Connect to VIRTUAL(3axis)."); },
      10000));

  Click(kCmdCommunication);  // chosen again: disconnects
  ASSERT_TRUE(QTest::qWaitFor([&] { return !state.servos.connected.load(); }, 10000));
  window->FlushChanges();
  EXPECT_TRUE(window->ToolBar()->RobotSelector()->isEnabled());
  EXPECT_TRUE(window->ToolBar()->Axis5()->isEnabled());
  EXPECT_TRUE(window->CommLog()->toPlainText().startsWith("Disconnect."));

  Action(kCmdVirtualRobot)->trigger();  // off the list again
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window->ToolBar()->RobotSelector()->count() == 0; }, 10000));
  EXPECT_FALSE(Action(kCmdVirtualRobot)->isChecked());
}

// Whether the overlay line of ID4 (the wrist) is written in the newest frame.
bool WristLineShown(const QImage& frame) {
  const QImage f = frame.convertToFormat(QImage::Format_ARGB32);
  int dark = 0;
  for (int y = 66; y < 80; ++y) {
    for (int x = 2; x < 40; ++x) dark += qGray(f.pixel(x, y)) < 64 ? 1 : 0;
  }
  return dark > 10;
}

TEST_F(MainWindowTest, AxisChoiceReachesTheSimulatorOnTheNextFrame) {
  SimulatorView* view = window->Simulator();
  const auto nextFrames = [&] {
    const uint64_t seen = view->Renderer()->FramesPresented();
    return QTest::qWaitFor([&] { return view->Renderer()->FramesPresented() >= seen + 2; }, 10000);
  };
  ASSERT_TRUE(nextFrames());
  EXPECT_FALSE(WristLineShown(view->LatestFrame()));
  window->ToolBar()->Axis5()->click();
  ASSERT_TRUE(nextFrames());
  EXPECT_TRUE(WristLineShown(view->LatestFrame()));
  window->ToolBar()->Axis3()->click();
  ASSERT_TRUE(nextFrames());
  EXPECT_FALSE(WristLineShown(view->LatestFrame()));
}

TEST_F(MainWindowTest, WhileBusyTheEditingCommandsDoNothingFromAnywhere) {
  app.Link().Stop();  // no link to clear the communication toggle behind the test's back
  // Two edits and one undo: both Undo and Redo have something to do.
  state.document.clipboard.Append(state.document.motion.Current());
  InsertPose(state.pane);
  InsertPose(state.pane);
  ASSERT_TRUE(UndoEdit(state.pane));
  window->FlushChanges();
  ASSERT_TRUE(Action(kCmdUndo)->isEnabled());
  ASSERT_TRUE(Action(kCmdRedo)->isEnabled());
  PoseListTable* list = window->Pane()->List();
  list->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return state.pane.PoseListHasFocus(); }));
  list->selectAll();
  const auto poses = state.document.motion.Poses();

  state.busy.playing = true;  // as the play command does before the engine starts
  app.SetBusyCommands(true);  // as the engine does
  window->FlushChanges();
  for (int command : {kCmdUndo, kCmdRedo, kCmdInsertPose, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete,
                      kCmdBatchConversion, kCmdNew, kCmdOpen, kCmdPlay}) {
    EXPECT_FALSE(Action(command)->isEnabled()) << command;
    Action(command)->trigger();  // disabled: Qt ignores it
  }
  EXPECT_TRUE(Action(kCmdStop)->isEnabled());
  EXPECT_FALSE(Action(kCmdSaveAs)->isEnabled());
  EXPECT_FALSE(Action(kCmdCoordinateSystem)->isEnabled());
  for (int command : {kCmdUndo, kCmdCut, kCmdDelete, kCmdInsertPose}) Click(command);
  for (Qt::Key key : {Qt::Key_Z, Qt::Key_Y, Qt::Key_X, Qt::Key_C, Qt::Key_V}) {
    Key(list, key, Qt::ControlModifier);
  }
  Key(list, Qt::Key_Delete);

  // The context menu opens with Undo and Redo following the history and the rest enabled; its
  // commands meet the guards.
  for (int command : {kCmdUndo, kCmdRedo, kCmdInsertPose, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete,
                      kCmdBatchConversion}) {
    emit window->Pane()->contextMenuRequested(list->mapToGlobal(QPoint(10, 30)));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* item = menu->findChild<QAction*>(QString::number(command));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled()) << command;
    item->trigger();
    menu->close();
    QApplication::processEvents();
  }
  window->activateWindow();  // the accelerators act in the active window
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_EQ(state.document.clipboard.Size(), 1u);
  EXPECT_TRUE(dialogs.empty());
  EXPECT_TRUE(asked.empty());

  // Communication and Exit still work.
  Click(kCmdCommunication);
  EXPECT_TRUE(state.linkControls.IsToggleChecked(kCommunicationToggle));
  EXPECT_TRUE(Action(kCmdCommunication)->isChecked());
  answers = {MessageAnswer::kCancel};
  Key(list, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(asked, std::vector<std::string>{"現在のモーションをファイルに保存しますか?"});
  EXPECT_TRUE(window->isVisible());

  state.busy.playing = false;
  app.SetBusyCommands(false);
  window->FlushChanges();
  EXPECT_TRUE(Action(kCmdUndo)->isEnabled());
  EXPECT_FALSE(Action(kCmdStop)->isEnabled());
  Key(list, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(state.document.motion.Size(), 3u);  // Redo works again
}

TEST_F(MainWindowTest, CtrlCInAFieldCopiesTheTextAndLeavesThePosesAlone) {
  auto* x = qobject_cast<QLineEdit*>(window->Pane()->Control(kXFieldId));
  ASSERT_NE(x, nullptr);
  x->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return x->hasFocus(); }));
  x->selectAll();
  QApplication::clipboard()->setText(QStringLiteral("before"));
  Key(x, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), x->text());
  EXPECT_TRUE(state.document.clipboard.Empty());
  Key(x, Qt::Key_Delete);  // deletes the selected text, not the Pose
  EXPECT_EQ(state.document.motion.Size(), 1u);

  // In the list, Ctrl+C copies the selected Poses.
  window->Pane()->List()->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return state.pane.PoseListHasFocus(); }));
  Key(window->Pane()->List(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(state.document.clipboard.Size(), 1u);
}

TEST_F(MainWindowTest, CtrlZAndCtrlYInAFieldUndoAndRedoTheMotion) {
  InsertPose(state.pane);
  ASSERT_EQ(state.document.motion.Size(), 2u);
  window->FlushChanges();
  auto* x = qobject_cast<QLineEdit*>(window->Pane()->Control(kXFieldId));
  ASSERT_NE(x, nullptr);
  x->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return x->hasFocus(); }));
  Key(x, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(state.document.motion.Size(), 1u);
  window->FlushChanges();
  Key(x, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(state.document.motion.Size(), 2u);
}

TEST_F(MainWindowTest, PlayAndStepWithoutARobotWarnAndMoveTheFocusToTheLog) {
  Click(kCmdPlay);
  Click(kCmdStep);
  Action(kCmdRecord)->trigger();
  Action(kCmdCapturePose)->trigger();
  EXPECT_EQ(asked, std::vector<std::string>(4, "ロボットと通信していません。"));
  EXPECT_TRUE(window->CommLog()->hasFocus());
  EXPECT_FALSE(state.busy.playing.load());
  EXPECT_TRUE(dialogs.empty());
}

TEST_F(MainWindowTest, ErasePenAndAlwaysDrawReachTheSimulator) {
  window->ToolBar()->ErasePen()->click();
  EXPECT_TRUE(state.simulator.penTraceReset.load());
  window->ToolBar()->AlwaysDraw()->click();
  EXPECT_EQ(state.settings.Get().vpenEverytimeDraw, 1);
  window->ToolBar()->AlwaysDraw()->click();
  EXPECT_EQ(state.settings.Get().vpenEverytimeDraw, 0);
}

}  // namespace
}  // namespace velmora
