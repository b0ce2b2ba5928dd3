#include "shell/command_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/string_table.h"
#include "document/editing_commands.h"
#include "document/motion_file.h"
#include "document/pose_csv.h"
#include "shell/commands.h"
#include "shell/shell_fixture.h"
#include "shell/title.h"

namespace velmora {
namespace {

using testing::Eventually;
using testing::ReadBytes;
using testing::WriteBytes;

class CommandDispatchTest : public testing::ShellTest {};

TEST_F(CommandDispatchTest, RobotCommandsWarnWithoutAConnectionAndChangeNothing) {
  LoadPoses(3);
  const auto before = state.document.motion.Poses();
  for (int command : {kCmdPlay, kCmdStep, kCmdRecord, kCmdCapturePose}) {
    view.messages.questions.clear();
    EXPECT_TRUE(Run(command, CommandSource::kToolbar));
    ASSERT_EQ(view.messages.questions.size(), 1u) << command;
    EXPECT_EQ(view.messages.questions[0].text, "ロボットと通信していません。");
    EXPECT_EQ(view.messages.questions[0].icon, MessageIcon::kWarning);
    EXPECT_EQ(view.messages.questions[0].buttons, MessageButtons::kOk);
  }
  EXPECT_FALSE(state.busy.playing.load());
  EXPECT_FALSE(state.busy.recording.load());
  EXPECT_TRUE(view.dialogs.empty());  // the recording dialog did not open
  EXPECT_EQ(state.document.motion.Poses(), before);
  EXPECT_FALSE(state.document.motion.IsModified());
  // Play and Step hand the keyboard focus to the log first, connected or not.
  EXPECT_EQ(view.commLogFocus, 2);
}

TEST_F(CommandDispatchTest, StepPlaysThePoseAfterTheCurrentOneAndNothingOnTheLast) {
  state.servos.connected = true;
  LoadPoses(3, 2);
  EXPECT_TRUE(Run(kCmdStep));
  EXPECT_FALSE(state.busy.playing.load());
  EXPECT_TRUE(view.messages.questions.empty());

  state.pane.SelectPose(1);
  EXPECT_TRUE(Run(kCmdStep));
  ASSERT_TRUE(Eventually([&] { return !state.busy.playing.load(); }));
  app.Playback().Join();
  EXPECT_EQ(state.document.motion.CurrentIndex(), 2u);
  EXPECT_EQ(state.servos.Entry(1).goalPosition, 20);  // the last Pose's ID1 was queued
}

TEST_F(CommandDispatchTest, WhileBusyTheEditingCommandsDoNothingFromAnySource) {
  LoadPoses(3, 1);
  Edit();
  Edit();
  ASSERT_TRUE(UndoEdit(state.pane));  // something to undo and something to redo
  state.document.clipboard.Append(Pose{});
  state.pane.Selection().Set({0, 1}, 1);
  state.pane.OnListFocusChanged(true);
  const auto poses = state.document.motion.Poses();
  const std::size_t clipboard = state.document.clipboard.Size();

  // A playback is running: the flags are set and the commands switched off, as the engine does.
  state.busy.playing = true;
  app.SetBusyCommands(true);
  for (CommandSource source : {CommandSource::kMenu, CommandSource::kToolbar,
                               CommandSource::kAccelerator, CommandSource::kContextMenu}) {
    for (int command : {kCmdUndo, kCmdRedo, kCmdInsertPose, kCmdCut, kCmdCopy, kCmdPaste,
                        kCmdDelete, kCmdBatchConversion}) {
      EXPECT_TRUE(Run(command, source));
    }
  }
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_EQ(state.document.clipboard.Size(), clipboard);
  EXPECT_TRUE(view.dialogs.empty());
  EXPECT_TRUE(view.messages.questions.empty());

  // Exit and Communication still work.
  EXPECT_TRUE(Run(kCmdExit, CommandSource::kAccelerator));
  EXPECT_EQ(view.closeRequests, 1);
  EXPECT_TRUE(Run(kCmdCommunication, CommandSource::kToolbar));
  EXPECT_TRUE(state.linkControls.IsToggleChecked(kCommunicationToggle));
  // Stop asks both workers to end.
  EXPECT_TRUE(Run(kCmdStop, CommandSource::kToolbar));
  EXPECT_TRUE(state.busy.playbackStop.load());
  EXPECT_TRUE(state.busy.recordStop.load());

  state.busy.playing = false;
  app.SetBusyCommands(false);
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdUndo));
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdRedo));
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdStop));
  EXPECT_TRUE(Run(kCmdRedo, CommandSource::kAccelerator));
  EXPECT_NE(state.document.motion.Poses(), poses);
}

TEST_F(CommandDispatchTest, AnUnavailableCommandDoesNothingThroughTheMenusButTheContextMenuGuards) {
  LoadPoses(2);
  Edit();
  ASSERT_TRUE(UndoEdit(state.pane));
  const auto poses = state.document.motion.Poses();
  // The history decides Undo and Redo.
  ASSERT_TRUE(app.Availability().IsEnabled(kCmdRedo));
  ASSERT_FALSE(app.Availability().IsEnabled(kCmdUndo));  // only one step was recorded
  EXPECT_TRUE(Run(kCmdUndo, CommandSource::kAccelerator));
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_TRUE(Run(kCmdRedo, CommandSource::kContextMenu));
  EXPECT_NE(state.document.motion.Poses(), poses);
}

TEST_F(CommandDispatchTest, PoseCommandsActOnlyWhileTheListHasTheFocus) {
  LoadPoses(3, 0);
  state.pane.Selection().Set({1, 2}, 1);
  state.pane.OnListFocusChanged(false);  // typing in a field: Ctrl+C, Ctrl+X, Delete
  for (int command : {kCmdCopy, kCmdCut, kCmdDelete, kCmdPaste}) {
    EXPECT_TRUE(Run(command, CommandSource::kAccelerator));
  }
  EXPECT_TRUE(state.document.clipboard.Empty());
  EXPECT_EQ(state.document.motion.Size(), 3u);

  state.pane.OnListFocusChanged(true);
  EXPECT_TRUE(Run(kCmdCopy, CommandSource::kAccelerator));
  EXPECT_EQ(state.document.clipboard.Size(), 2u);
  EXPECT_TRUE(Run(kCmdDelete, CommandSource::kAccelerator));
  EXPECT_EQ(state.document.motion.Size(), 1u);
  EXPECT_TRUE(state.document.motion.IsModified());
}

TEST_F(CommandDispatchTest, CommunicationAndMotorTogglesFlipAndChosenTwiceComeBack) {
  for (int command : {kCmdCommunication, kCmdMotorOn}) {
    const bool first = state.linkControls.IsToggleChecked(command);
    EXPECT_TRUE(Run(command, CommandSource::kToolbar));
    EXPECT_NE(state.linkControls.IsToggleChecked(command), first);
    EXPECT_TRUE(Run(command, CommandSource::kMenu));
    EXPECT_EQ(state.linkControls.IsToggleChecked(command), first);
  }
  // A toggle the link has disabled counts as off, so choosing it checks it.
  state.linkControls.EnableToggle(kMotorToggle, false);
  state.linkControls.SetToggle(kMotorToggle, true);
  EXPECT_FALSE(state.linkControls.IsToggleChecked(kMotorToggle));
}

TEST_F(CommandDispatchTest, BatchConversionNeedsASelectedRow) {
  LoadPoses(2);
  state.pane.Selection().Set({}, -1);
  EXPECT_TRUE(Run(kCmdBatchConversion, CommandSource::kContextMenu));
  ASSERT_EQ(QuestionTexts(),
            std::vector<std::string>{"設定を変更するモーションを選択してください。"});
  EXPECT_EQ(view.messages.questions[0].icon, MessageIcon::kWarning);
  EXPECT_TRUE(view.dialogs.empty());

  state.pane.Selection().Set({1}, 1);
  EXPECT_TRUE(Run(kCmdBatchConversion, CommandSource::kToolbar));
  EXPECT_EQ(view.dialogs, std::vector<int>{kBatchConversionDialogId});
}

TEST_F(CommandDispatchTest, RecordingAsksAfterItsDialogAndStartsOnlyOnYes) {
  state.servos.connected = true;
  state.settings.Update([](Settings& s) { s.recInterval = 250; });
  view.dialogResults[kRecordingDialogId] = 0;
  EXPECT_TRUE(Run(kCmdRecord));
  EXPECT_EQ(view.dialogs, std::vector<int>{kRecordingDialogId});
  EXPECT_TRUE(view.messages.questions.empty());  // closed with 閉じる: no question

  view.dialogResults[kRecordingDialogId] = 1;
  view.messages.answers = {MessageAnswer::kNo};
  EXPECT_TRUE(Run(kCmdRecord));
  ASSERT_EQ(view.messages.questions.size(), 1u);
  EXPECT_EQ(view.messages.questions[0].text,
            "モーションのレコーディングを開始します。\n\n【現在の設定】\n\tInterval=250msec.\n\n"
            "よろしいですか?");
  EXPECT_EQ(view.messages.questions[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(view.messages.questions[0].icon, MessageIcon::kQuestion);
  EXPECT_FALSE(state.busy.recording.load());
  EXPECT_EQ(state.document.motion.Size(), 1u);

  view.messages.answers = {MessageAnswer::kYes};
  EXPECT_TRUE(Run(kCmdRecord));
  EXPECT_TRUE(Eventually([&] { return state.document.motion.Size() >= 3; }));
  EXPECT_TRUE(Run(kCmdStop));
  ASSERT_TRUE(Eventually([&] { return !state.busy.recording.load(); }));
  // The recording is one step: one undo goes back to the single Pose.
  state.pane.SyncViews();
  ASSERT_TRUE(Run(kCmdUndo));
  EXPECT_EQ(state.document.motion.Size(), 1u);
}

TEST_F(CommandDispatchTest, DialogCommandsOpenTheirDialogs) {
  for (int command : {kCmdMotorSettings, kCmdCoordinateSystem, kCmdSimulatorSettings, kCmdAbout}) {
    EXPECT_TRUE(Run(command));
  }
  EXPECT_EQ(view.dialogs, (std::vector<int>{kMotorSettingsDialogId, kCoordinateSystemDialogId,
                                            kSimulatorSettingsDialogId, kAboutDialogId}));
  EXPECT_FALSE(Run(40099));  // not a command: passed on
  EXPECT_FALSE(Run(1));

  EXPECT_FALSE(state.simulator.penTraceReset.load());
  EXPECT_TRUE(Run(kCmdErasePen, CommandSource::kToolbar));
  EXPECT_TRUE(state.simulator.penTraceReset.load());

  EXPECT_FALSE(app.VirtualRobotListed());
  EXPECT_TRUE(Run(kCmdVirtualRobot));
  EXPECT_TRUE(app.VirtualRobotListed());
  EXPECT_TRUE(Run(kCmdVirtualRobot));
  EXPECT_FALSE(app.VirtualRobotListed());
}

TEST_F(CommandDispatchTest, SaveAndSaveAsUseTheFileDialogOnlyWhenNeeded) {
  LoadPoses(2);
  Edit();
  const std::string path = (dir / "walk.KMO").string();
  view.files.savePaths = {std::nullopt};
  EXPECT_TRUE(Run(kCmdSave));  // no file name yet: the dialog, cancelled
  ASSERT_EQ(view.files.saveRequests.size(), 1u);
  const FileDialogRequest& r = view.files.saveRequests[0];
  EXPECT_EQ(r.title, "モーションの保存");
  EXPECT_EQ(r.filterDescription, "KMO");
  EXPECT_EQ(r.filterPattern, "*.KMO");
  EXPECT_EQ(r.defaultExtension, "KMO");
  EXPECT_EQ(r.initialDirectory, dir.path().string());
  EXPECT_TRUE(view.title.empty());
  EXPECT_TRUE(state.document.motion.IsModified());

  view.files.savePaths = {path};
  EXPECT_TRUE(Run(kCmdSave));
  EXPECT_EQ(view.title, BuildTitle(path, false));
  EXPECT_EQ(state.document.fileName, path);
  EXPECT_FALSE(state.document.motion.IsModified());
  EXPECT_NE(ReadBytes(path).find("*No.2"), std::string::npos);

  Edit();
  EXPECT_TRUE(Run(kCmdSave));  // the file exists: written at once
  EXPECT_EQ(view.files.saveRequests.size(), 2u);
  EXPECT_FALSE(state.document.motion.IsModified());

  view.files.savePaths = {std::nullopt};
  EXPECT_TRUE(Run(kCmdSaveAs));  // always the dialog, starting from the present name
  ASSERT_EQ(view.files.saveRequests.size(), 3u);
  EXPECT_EQ(view.files.saveRequests[2].initialName, path);

  // A save that cannot be written changes nothing and says why.
  Edit();
  view.title.clear();
  const std::string title = CurrentTitle(app);
  const std::string unwritable = (dir / "missing" / "x.KMO").string();
  view.files.savePaths = {unwritable};
  EXPECT_TRUE(Run(kCmdSaveAs));
  EXPECT_TRUE(view.title.empty());
  EXPECT_TRUE(state.document.motion.IsModified());
  EXPECT_EQ(state.document.fileName, path);
  EXPECT_EQ(CurrentTitle(app), title);
  ASSERT_EQ(QuestionTexts(), std::vector<std::string>{"モーションを保存できませんでした。\n" +
                                                      unwritable + "\nNo such file or directory"});
  EXPECT_EQ(view.messages.questions[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(view.messages.questions[0].buttons, MessageButtons::kOk);
  // The next dialog starts where the last good save was.
  view.files.savePaths = {std::nullopt};
  EXPECT_TRUE(Run(kCmdSaveAs));
  EXPECT_EQ(view.files.saveRequests.back().initialName, path);

  // So does a read-only file, also for the superuser.
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  view.messages.questions.clear();
  EXPECT_TRUE(Run(kCmdSave));
  EXPECT_TRUE(state.document.motion.IsModified());
  ASSERT_EQ(QuestionTexts().size(), 1u);
  EXPECT_NE(QuestionTexts()[0].find("Permission denied"), std::string::npos);
}

TEST_F(CommandDispatchTest, AnOpenThatFailsSaysWhyAndChangesNothing) {
  LoadPoses(2);
  state.document.fileName = (dir / "present.KMO").string();
  const auto poses = state.document.motion.Poses();
  WriteBytes(dir / "notes.txt", "shopping list\n");
  WriteBytes(dir / "huge.KMO", "TYPE:0\r\n");
  std::filesystem::resize_file(dir / "huge.KMO", kMaxMotionFileBytes + 1);
  const std::vector<std::pair<std::string, std::string>> cases{
      {(dir / "gone.KMO").string(), "No such file or directory"},
      {(dir / "notes.txt").string(), "モーションファイルではありません。"},
      {(dir / "huge.KMO").string(), "File too large"},
  };
  for (const auto& [path, reason] : cases) {
    view.messages.questions.clear();
    view.files.openPaths = {path};
    EXPECT_TRUE(Run(kCmdOpen));
    EXPECT_EQ(QuestionTexts(), std::vector<std::string>{"モーションを読み込めませんでした。\n" +
                                                        path + "\n" + reason});
    EXPECT_EQ(state.document.motion.Poses(), poses);
    EXPECT_EQ(state.document.fileName, (dir / "present.KMO").string());
  }
}

TEST_F(CommandDispatchTest, NewAsksToSaveAndCancelKeepsTheMotion) {
  LoadPoses(3);
  EXPECT_TRUE(Run(kCmdNew));  // unmodified: no question
  EXPECT_TRUE(view.messages.questions.empty());
  EXPECT_EQ(state.document.motion.Size(), 1u);
  EXPECT_EQ(view.title, BuildTitle("", false));

  LoadPoses(3);
  state.document.fileName = "old.KMO";
  Edit();
  view.messages.answers = {MessageAnswer::kCancel};
  EXPECT_TRUE(Run(kCmdNew));
  ASSERT_EQ(QuestionTexts(), std::vector<std::string>{kSaveQuestion});
  EXPECT_EQ(view.messages.questions[0].buttons, MessageButtons::kYesNoCancel);
  EXPECT_EQ(view.messages.questions[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(state.document.motion.Size(), 3u);

  // Yes goes through the save dialog even with a file name; cancelling it keeps everything.
  view.messages.answers = {MessageAnswer::kYes};
  EXPECT_TRUE(Run(kCmdNew));
  EXPECT_EQ(view.files.saveRequests.size(), 1u);
  EXPECT_EQ(state.document.motion.Size(), 3u);
  EXPECT_TRUE(state.document.motion.IsModified());

  view.messages.answers = {MessageAnswer::kNo};
  EXPECT_TRUE(Run(kCmdNew));
  EXPECT_EQ(state.document.motion.Size(), 1u);
  EXPECT_TRUE(state.document.fileName.empty());
  EXPECT_FALSE(state.document.history.CanUndo());
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdUndo));
  EXPECT_EQ(list.rows.size(), 1u);
}

TEST_F(CommandDispatchTest, OpenAfterSavingThenCancellingKeepsTheMotionUnderItsSavedName) {
  LoadPoses(3);
  Edit();
  const auto poses = state.document.motion.Poses();
  const std::string saved = (dir / "saved.KMO").string();
  view.messages.answers = {MessageAnswer::kYes};
  view.files.savePaths = {saved};
  view.files.openPaths = {std::nullopt};
  EXPECT_TRUE(Run(kCmdOpen));
  EXPECT_EQ(view.files.openRequests.size(), 1u);
  EXPECT_EQ(view.files.openRequests[0].title, "モーションの読み込み");
  EXPECT_EQ(view.files.openRequests[0].initialName, saved);
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_EQ(view.title, BuildTitle(saved, false));
  EXPECT_EQ(view.title.find(" *"), std::string::npos);

  sink.all = 0;
  Edit();
  EXPECT_NE(sink.all.load() & kChangeTitle, 0u);  // the window retitles itself
  EXPECT_EQ(CurrentTitle(app), BuildTitle(saved, false) + " *");
  Edit();
  EXPECT_EQ(CurrentTitle(app), BuildTitle(saved, false) + " *");  // one star only
}

TEST_F(CommandDispatchTest, OpenInstallsTheFileWithItsFirstPoseCurrent) {
  const std::string path = (dir / "four.KMO").string();
  std::vector<Pose> poses;
  for (int i = 0; i < 4; ++i) poses.push_back(testing::TimedPose(state.geometry, 500, int16_t(i)));
  WriteBytes(path, FormatMotionFile(poses, state.geometry.Coords()));
  state.pane.SelectPose(0);
  view.files.openPaths = {path};
  EXPECT_TRUE(Run(kCmdOpen));
  EXPECT_EQ(state.document.motion.Size(), 4u);
  EXPECT_EQ(state.document.motion.CurrentIndex(), 0u);
  EXPECT_EQ(state.document.fileName, path);
  EXPECT_EQ(list.rows.size(), 4u);
  EXPECT_EQ(list.focused, 0);
  EXPECT_EQ(view.title, BuildTitle(path, false));
  EXPECT_TRUE(view.dialogs.empty());  // same coordinate system: no load dialog
}

TEST_F(CommandDispatchTest, AFileNamedOnTheCommandLineOpensWithoutTheDialog) {
  std::vector<Pose> poses;
  for (int i = 0; i < 3; ++i) poses.push_back(testing::TimedPose(state.geometry, 500, int16_t(i)));
  WriteBytes(dir / "three.KMO", FormatMotionFile(poses, state.geometry.Coords()));
  // A missing file opens nothing and changes nothing.
  EXPECT_FALSE(OpenMotionAt(app, view, (dir / "missing.KMO").string()));
  EXPECT_EQ(state.document.motion.Size(), 1u);
  EXPECT_TRUE(state.document.fileName.empty());

  // A relative name is kept as an absolute one, so that Save writes the same file later.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const bool opened = OpenMotionAt(app, view, "three.KMO");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(opened);
  EXPECT_EQ(state.document.motion.Size(), 3u);
  EXPECT_EQ(state.document.fileName, (dir / "three.KMO").string());
  EXPECT_EQ(view.title, BuildTitle(state.document.fileName, false));
  EXPECT_TRUE(view.files.openRequests.empty());
}

TEST_F(CommandDispatchTest, OpenOfAnotherCoordinateSystemAsksTheLoadDialog) {
  const std::string path = (dir / "moved.KMO").string();
  CoordinateSystem other = state.geometry.Coords();
  other.centreOffsetX += 10;
  WriteBytes(path, FormatMotionFile({testing::TimedPose(state.geometry, 500, 7)}, other));
  state.settings.Update([](Settings& s) { s.loadDialogEnable = 1; });
  LoadPoses(2);

  view.dialogResults[kLoadDialogId] = 0;  // キャンセル
  view.files.openPaths = {path};
  EXPECT_TRUE(Run(kCmdOpen));
  EXPECT_EQ(view.dialogs, std::vector<int>{kLoadDialogId});
  EXPECT_TRUE(view.messages.questions.empty());  // the user's own choice: nothing to report
  EXPECT_EQ(state.document.motion.Size(), 2u);
  EXPECT_TRUE(state.document.fileName.empty());
  EXPECT_TRUE(view.title.empty());

  view.dialogResults[kLoadDialogId] = 1;
  view.files.openPaths = {path};
  EXPECT_TRUE(Run(kCmdOpen));
  EXPECT_EQ(state.document.motion.Size(), 1u);
  EXPECT_EQ(state.document.fileName, path);
}

TEST_F(CommandDispatchTest, CloseAsksToSaveAndOnlyASavedOrDroppedMotionMayClose) {
  EXPECT_TRUE(ConfirmClose(app, view));  // nothing to save: no question
  EXPECT_TRUE(view.messages.questions.empty());

  LoadPoses(2);
  Edit();
  const auto poses = state.document.motion.Poses();
  view.messages.answers = {MessageAnswer::kCancel};
  EXPECT_FALSE(ConfirmClose(app, view));
  view.messages.answers = {MessageAnswer::kYes};
  view.files.savePaths = {std::nullopt};
  EXPECT_FALSE(ConfirmClose(app, view));  // Yes, then the save dialog cancelled
  EXPECT_EQ(state.document.motion.Poses(), poses);
  EXPECT_TRUE(state.document.motion.IsModified());

  view.messages.answers = {MessageAnswer::kNo};
  EXPECT_TRUE(ConfirmClose(app, view));

  const std::string path = (dir / "end.KMO").string();
  view.messages.answers = {MessageAnswer::kYes};
  view.files.savePaths = {path};
  EXPECT_TRUE(ConfirmClose(app, view));
  EXPECT_FALSE(ReadBytes(path).empty());
  EXPECT_EQ(view.messages.questions.size(), 4u);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

class PoseTableCommandTest : public testing::ShellTest {};

TEST_F(PoseTableCommandTest, CsvExportAndImportReplaceThePosesAsOneUndoStep) {
  LoadPoses(3);
  const std::vector<Pose> original = state.document.motion.Poses();
  const std::string csv = (dir.path() / "poses.csv").string();
  view.files.savePaths = {csv};
  ASSERT_TRUE(Run(kCmdExportCsv));
  ASSERT_EQ(view.files.saveRequests.size(), 1u);
  EXPECT_EQ(view.files.saveRequests[0].filterPattern, "*.csv");
  // The table of a different Motion comes back in.
  Edit();
  Edit();
  const std::vector<Pose> edited = state.document.motion.Poses();
  view.files.openPaths = {csv};
  ASSERT_TRUE(Run(kCmdImportCsv));
  EXPECT_EQ(state.document.motion.Poses(), original);
  EXPECT_TRUE(state.document.motion.IsModified());
  ASSERT_TRUE(Run(kCmdUndo));
  EXPECT_EQ(state.document.motion.Poses(), edited);

  // A bad cell: the message names the file and the place, the Motion stays as it was.
  {
    std::ofstream bad(dir.path() / "bad.csv");
    bad << kPoseCsvHeader << "\n0,0,0,0,0,0,1,2,3,4,5,6,0,100,0,0,0,0,0\n0,0,0,0,0,0,1,2,3,4,5,6,7\n";
  }
  view.files.openPaths = {(dir.path() / "bad.csv").string()};
  ASSERT_TRUE(Run(kCmdImportCsv));
  EXPECT_EQ(state.document.motion.Poses(), edited);
  const std::vector<std::string> questions = QuestionTexts();
  ASSERT_FALSE(questions.empty());
  EXPECT_NE(questions.back().find("bad.csv"), std::string::npos);
  EXPECT_NE(questions.back().find("行 3、列 14"), std::string::npos) << questions.back();
}

TEST_F(PoseTableCommandTest, SvgExportWritesThePlannedPathInMillimetres) {
  LoadPoses(3);
  const std::string svg = (dir.path() / "path.svg").string();
  view.files.savePaths = {svg};
  ASSERT_TRUE(Run(kCmdExportSvg));
  const std::optional<std::string> bytes = ReadWholeFile(svg);
  ASSERT_TRUE(bytes);
  EXPECT_NE(bytes->find("mm\" viewBox=\""), std::string::npos);
  EXPECT_NE(bytes->find("<g id=\"pen-down\""), std::string::npos);
  // The exports change nothing, so a playback leaves them available; the import waits.
  const std::vector<int>& busy = CommandAvailability::BusyCommands();
  EXPECT_EQ(std::count(busy.begin(), busy.end(), kCmdExportSvg), 0);
  EXPECT_EQ(std::count(busy.begin(), busy.end(), kCmdImportCsv), 1);
}

}  // namespace
}  // namespace velmora
