#include "shell/application.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/string_table.h"
#include "geometry/kinematics.h"
#include "shell/commands.h"
#include "shell/settings_file.h"
#include "shell/shell_fixture.h"
#include "shell/title.h"

namespace velmora {
namespace {

using testing::Eventually;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(ApplicationStartUp, SettingsComeBeforeTheFirstPoseAndNothingCanBeUndone) {
  TempDir dir;
  WriteBytes(dir / "def.ini",
             "AXIS_TYPE:[5]\r\nCROW_POSITION:[3]\r\nVPEN_EVERYTIME_DRAW:[1]\r\n"
             "MEMMAP:[2]-[28]-[77]\r\n");
  ProgramState state;
  FakeClock clock;
  Application app(state, {dir.path(), nullptr, &clock, nullptr});
  EXPECT_TRUE(app.LoadStartupState());

  const Pose first = state.document.motion.Current();
  EXPECT_EQ(state.document.motion.Size(), 1u);
  EXPECT_EQ(first.handWidth, 40);  // (claw position 3 + 1) x 10
  EXPECT_EQ(first, DefaultPose(state.geometry.Get()));
  EXPECT_EQ(state.servos.RegisterImage(3)[28], 77);  // def.ini overrides the register defaults
  EXPECT_EQ(state.servos.RegisterImage(1)[28], 88);
  EXPECT_EQ(state.settings.Get().vpenEverytimeDraw, 1);
  EXPECT_EQ(state.linkControls.AxisChoice(), 5);

  EXPECT_FALSE(app.Availability().IsEnabled(kCmdUndo));
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdRedo));
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdStop));
  EXPECT_FALSE(state.document.motion.IsModified());
  EXPECT_EQ(CurrentTitle(app), "Velmora [ 新しいモーション ]" + LoadText(40011));
  EXPECT_FALSE(app.VirtualRobotListed());  // listed only when the user asks
}

TEST(ApplicationStartUp, WithoutDefIniEverySettingKeepsItsStartValue) {
  TempDir dir;
  ProgramState state;
  Application app(state, {dir.path(), nullptr, nullptr, nullptr});
  EXPECT_FALSE(app.LoadStartupState());
  EXPECT_EQ(state.settings.Get(), Settings{});
  EXPECT_EQ(state.linkControls.AxisChoice(), 3);
  EXPECT_EQ(state.document.motion.Current().handWidth, 20);
}

TEST(ApplicationStartUp, OwnSettingsLiveInVelmoraIniBesideDefIni) {
  TempDir dir;
  WriteBytes(dir / "velmora.ini", "PATH_PREVIEW:[1]\r\nVIRTUAL_SLOW_SERVO:[2]\r\n");
  ProgramState state;
  Application app(state, {dir.path(), nullptr, nullptr, nullptr});
  app.LoadStartupState();
  EXPECT_EQ(app.SettingsDirectory(), dir.path());
  EXPECT_TRUE(app.PathPreview());
  EXPECT_EQ(state.programSettings.Get().virtualSlowServo, 2);
  app.SetPathPreview(false);
  app.StopThreads();
  ASSERT_TRUE(app.FinishRun());
  EXPECT_EQ(ReadBytes(dir / "velmora.ini").rfind("PATH_PREVIEW:[0]\r\n", 0), 0u);
  EXPECT_EQ(ReadBytes(dir / "def.ini").find("PATH_PREVIEW"), std::string::npos);
}

class ApplicationTest : public testing::ShellTest {
 protected:
  // Lists the virtual robot and connects to it through the link controls, as the user does.
  void ConnectToVirtualRobot(bool motors) {
    app.StartLink();
    app.SetVirtualRobotListed(true);
    ASSERT_TRUE(Eventually([&] { return state.linkControls.Devices().size() == 1; }));
    ASSERT_TRUE(state.linkControls.SelectDevice(0));
    state.linkControls.SetToggle(kMotorToggle, motors);
    state.linkControls.SetToggle(kCommunicationToggle, true);
    ASSERT_TRUE(Eventually([&] { return state.servos.connected.load(); }));
  }
};

TEST_F(ApplicationTest, ShutdownWithoutAConnectionIsDoneAtOnce) {
  app.StartLink();
  app.BeginShutdown();
  EXPECT_TRUE(app.Disconnected());
  EXPECT_FALSE(state.linkControls.IsToggleChecked(kCommunicationToggle));
}

TEST_F(ApplicationTest, ShutdownWithAConnectionEndsOnlyAfterTheLinkLetGo) {
  ConnectToVirtualRobot(/*motors=*/true);
  ASSERT_TRUE(Eventually([&] { return app.Robot().TorqueOn(1); }));
  EXPECT_FALSE(state.linkControls.ListEnabled());  // robot list and axis choice locked

  app.BeginShutdown();
  ASSERT_TRUE(Eventually([&] { return app.Disconnected(); }));
  EXPECT_FALSE(app.Robot().TorqueOn(1));  // the arm was let go before the bridge closed
  EXPECT_FALSE(app.Robot().IsOpen());
  EXPECT_FALSE(state.linkControls.IsToggleChecked(kMotorToggle));
  EXPECT_TRUE(state.linkControls.ListEnabled());
  EXPECT_EQ(state.commLog.Text().rfind("Disconnect.", 0), 0u);
  EXPECT_NE(sink.all.load() & kChangeConnection, 0u);
}

TEST_F(ApplicationTest, TakingTheVirtualRobotOffTheListEndsItsConnection) {
  ConnectToVirtualRobot(/*motors=*/false);
  app.SetVirtualRobotListed(false);
  ASSERT_TRUE(Eventually([&] { return app.Disconnected(); }));
  EXPECT_TRUE(Eventually([&] { return state.linkControls.Devices().empty(); }));
  EXPECT_FALSE(state.linkControls.IsToggleChecked(kCommunicationToggle));
}

TEST_F(ApplicationTest, FinishRunReleasesTheDocumentAndSavesTheToolbarChoices) {
  LoadPoses(3);
  state.document.clipboard.Append(Pose{});
  state.linkControls.SetAxisChoice(5);
  state.settings.Update([](Settings& s) { s.vpenEverytimeDraw = 1; });
  app.StopThreads();
  EXPECT_TRUE(app.FinishRun());
  EXPECT_TRUE(state.document.motion.Empty());
  EXPECT_TRUE(state.document.clipboard.Empty());
  EXPECT_EQ(state.document.history.Count(), 0u);
  const std::string ini = ReadBytes(dir / "def.ini");
  EXPECT_EQ(ini.rfind("AXIS_TYPE:[5]\r\n", 0), 0u);
  EXPECT_NE(ini.find("VPEN_EVERYTIME_DRAW:[1]\r\n"), std::string::npos);
}

TEST_F(ApplicationTest, UndoAvailabilityFollowsAStepRecordedOnAnotherThread) {
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdUndo));
  sink.all = 0;
  std::thread worker([&] { app.RecordStep(); });
  worker.join();
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdUndo));
  EXPECT_TRUE(state.document.motion.IsModified());
  EXPECT_EQ(sink.all.load() & (kChangeUndo | kChangeTitle), kChangeUndo | kChangeTitle);

  // While busy the history does not switch Undo on; the end of the busy state does.
  app.SetBusyCommands(true);
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdUndo));
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdStop));
  EXPECT_NE(sink.all.load() & kChangeBusy, 0u);
  app.SetBusyCommands(false);
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdUndo));
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdStop));
}

TEST_F(ApplicationTest, PlaybackShowsEachPoseAndGivesTheCommandsBack) {
  state.servos.connected = true;
  LoadPoses(3);
  ASSERT_TRUE(app.StartPlayback());
  EXPECT_FALSE(app.StartPlayback());  // a second start while one runs is ignored
  ASSERT_TRUE(Eventually([&] { return !state.busy.playing.load(); }));
  app.Playback().Join();
  state.pane.SyncViews();
  EXPECT_EQ(state.document.motion.CurrentIndex(), 2u);
  EXPECT_EQ(list.focused, 2);
  EXPECT_EQ(list.selected, std::vector<std::size_t>{2});
  EXPECT_EQ(list.visible, 2);
  EXPECT_TRUE(state.pane.FieldsEnabled());
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdPlay));
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdStop));
  EXPECT_FALSE(state.document.motion.IsModified());  // playing is not editing
}

TEST_F(ApplicationTest, PlaybackOnTheVirtualRobotLogsHowFarItStrayedFromThePlan) {
  LoadPoses(3);
  ConnectToVirtualRobot(/*motors=*/true);
  app.SetPlaybackSpeed(PlaybackSpeed::kQuadruple);
  ASSERT_TRUE(app.StartPlayback());
  ASSERT_TRUE(Eventually([&] { return !state.busy.playing.load(); }));
  app.Playback().Join();
  EXPECT_EQ(state.commLog.Text().rfind("計画との最大ずれ ", 0), 0u);
  const MeasuredView measured = state.measured.View();
  ASSERT_FALSE(measured.Empty());
  EXPECT_TRUE(measured.result.has_value());
  EXPECT_EQ(measured.planned->PoseCount(), 3u);
}

TEST_F(ApplicationTest, RecordingOnTheVirtualRobotInsertsPosesAsOneStep) {
  LoadPoses(2, 0);
  state.settings.Update([](Settings& s) {
    s.recInterval = 100;
    s.recAutoPowOff = 1;
  });
  ConnectToVirtualRobot(/*motors=*/true);
  ASSERT_TRUE(app.StartRecording());
  ASSERT_TRUE(Eventually([&] { return state.document.motion.Size() >= 5; }));
  state.busy.recordStop = true;
  ASSERT_TRUE(Eventually([&] { return !state.busy.recording.load(); }));
  app.Recording().Join();

  EXPECT_FALSE(state.linkControls.IsToggleChecked(kMotorToggle));  // switched off for the hand
  const std::size_t size = state.document.motion.Size();
  EXPECT_EQ(state.document.motion.CurrentIndex(), size - 2);              // the last recorded Pose
  EXPECT_EQ(state.document.motion.PoseAt(size - 1)->motorValues[0], 10);  // Pose 2 kept last
  EXPECT_EQ(state.document.motion.PoseAt(1)->transitionTime, 100u);
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdUndo));
  ASSERT_TRUE(Run(kCmdUndo));
  EXPECT_EQ(state.document.motion.Size(), 2u);
}

}  // namespace
}  // namespace velmora
