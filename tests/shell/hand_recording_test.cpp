// Teaching by hand on the virtual robot: the marker gestures move the arm while its motors are
// off, the Recorder samples it, the simplify command turns the recording into a few keyframes and
// the result plays back along the recorded path.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "document/editing_commands.h"
#include "geometry/kinematics.h"
#include "link/recording_simplifier.h"
#include "link/simplify_dialog.h"
#include "shell/shell_fixture.h"
#include "simulator/draw_queue.h"
#include "simulator/marker_drag.h"
#include "simulator/virtual_pen.h"

namespace velmora {
namespace {

using testing::Eventually;

constexpr int kW = 666;
constexpr int kH = 462;

class HandRecordingTest : public testing::ShellTest {
 protected:
  void ConnectWithMotorsOff() {
    app.StartLink();
    app.SetVirtualRobotListed(true);
    ASSERT_TRUE(Eventually([&] { return state.linkControls.Devices().size() == 1; }));
    ASSERT_TRUE(state.linkControls.SelectDevice(0));
    state.linkControls.SetAxisChoice(3);  // the pen type: a drawing arm
    state.linkControls.SetToggle(kMotorToggle, false);
    state.linkControls.SetToggle(kCommunicationToggle, true);
    ASSERT_TRUE(Eventually([&] { return state.servos.connected.load(); }));
    state.settings.Update([](Settings& s) { s.enableMarkerLim = 0; });
    drag.SetHandHooks({[this] { return app.HandGuideActive(); },
                       [this](double x, double y) { app.GuideToolTo(x, y); },
                       [this](double z) { app.GuideToolHeight(z); }});
  }

  // The render thread's part of a frame: the marker on the arm's tool, the view at scale 1.
  void Frame() {
    Pose p;
    for (int id = 1; id <= 5; ++id) p.motorValues[id - 1] = app.Robot().PresentPosition(id);
    UpdateCoordinates(state.geometry.Get(), p);
    state.simulator.marker.Place({static_cast<float>(p.x), static_cast<float>(-p.y), 0},
                                 state.geometry.Get().baseDrawInverse);
    state.simulator.marker.SetViewInverse(ViewInverse(1.0, kW, kH));
  }

  Pose Tool() {
    Pose p;
    for (int id = 1; id <= 5; ++id) p.motorValues[id - 1] = app.Robot().PresentPosition(id);
    UpdateCoordinates(state.geometry.Get(), p);
    return p;
  }

  void DragTo(double x, double y) { drag.OnMove(333 + x, 231 - y, kW, kH); }

  MarkerDragController drag{state, [this](double, double) { ++poseMoves; },
                            [this] { ++poseSteps; }};
  int poseMoves = 0;
  int poseSteps = 0;
};

TEST_F(HandRecordingTest, GesturesMoveTheArmOnlyWhileTheVirtualMotorsAreOff) {
  LoadPoses(1);
  const Pose before = state.document.motion.Current();
  ConnectWithMotorsOff();
  ASSERT_TRUE(app.HandGuideActive());
  Frame();
  const Pose start = Tool();
  ASSERT_TRUE(drag.OnLeftPress(333 + start.x, 231 - start.y));
  DragTo(40, 20);
  EXPECT_NEAR(Tool().x, 40, 0.3);
  EXPECT_NEAR(Tool().y, 20, 0.3);
  drag.OnRightPress();
  EXPECT_NEAR(Tool().z, PenDownHeight(state.settings.Get()), 0.05);
  drag.OnRightRelease();
  EXPECT_NEAR(Tool().z, PenUpHeight(state.settings.Get()), 0.05);
  // The elbow stays on its side when the tool crosses in front of the shoulder.
  const bool elbowSide = Tool().motorValues[1] >= 0;
  DragTo(-20, -10);
  DragTo(40, -30);
  EXPECT_EQ(Tool().motorValues[1] >= 0, elbowSide);
  drag.OnLeftRelease();
  EXPECT_EQ(poseMoves, 0);
  EXPECT_EQ(poseSteps, 0);
  EXPECT_EQ(state.document.motion.Current(), before);
  EXPECT_FALSE(state.document.history.CanUndo());

  // With the motors on the same gestures edit the current Pose again.
  state.linkControls.SetToggle(kMotorToggle, true);
  ASSERT_TRUE(Eventually([&] { return app.Robot().TorqueOn(1); }));
  EXPECT_FALSE(app.HandGuideActive());
  Frame();
  const Pose held = Tool();
  ASSERT_TRUE(drag.OnLeftPress(333 + held.x, 231 - held.y));
  DragTo(20, 0);
  drag.OnLeftRelease();
  EXPECT_EQ(poseMoves, 1);
  EXPECT_EQ(poseSteps, 1);
}

TEST_F(HandRecordingTest, RecordingDrawnByHandSimplifiesAndPlaysBackAlongTheSamePath) {
  LoadPoses(1);
  state.settings.Update([](Settings& s) {
    s.recInterval = 100;
    s.recAutoPowOff = 0;
  });
  ConnectWithMotorsOff();
  Frame();
  const Pose start = Tool();
  ASSERT_TRUE(drag.OnLeftPress(333 + start.x, 231 - start.y));
  DragTo(60, -30);
  // The link has read where the hand put the arm before the recording starts.
  ASSERT_TRUE(Eventually([&] {
    return std::abs(state.servos.PresentPosition(1) - app.Robot().PresentPosition(1)) <= 1 &&
           std::abs(state.servos.PresentPosition(2) - app.Robot().PresentPosition(2)) <= 1;
  }));
  ASSERT_TRUE(app.StartRecording());
  // Three sides of a rectangle, the last two with the pen down; two samples at every point.
  std::vector<std::pair<double, double>> path;
  for (int i = 0; i <= 20; ++i) path.push_back({60, -30 + 3.0 * i});
  for (int i = 1; i <= 20; ++i) path.push_back({60 - 2.0 * i, 30});
  for (int i = 1; i <= 20; ++i) path.push_back({20, 30 - 3.0 * i});
  for (std::size_t k = 0; k < path.size(); ++k) {
    if (k == 21) drag.OnRightPress();
    DragTo(path[k].first, path[k].second);
    const std::size_t size = state.document.motion.Size();
    ASSERT_TRUE(Eventually([&] { return state.document.motion.Size() >= size + 2; }));
  }
  drag.OnRightRelease();
  drag.OnLeftRelease();
  state.busy.recordStop = true;
  ASSERT_TRUE(Eventually([&] { return !state.busy.recording.load(); }));
  app.Recording().Join();
  state.pane.SyncViews();
  EXPECT_EQ(poseMoves, 0);

  const std::vector<Pose> recording = state.document.motion.Poses();
  ASSERT_GT(recording.size(), 120u);
  // The simplify command on every row, with the dialog's OK.
  view.onDialog = [&](int id) {
    EXPECT_EQ(id, kSimplifyDialogId);
    testing::MapView dialogView;
    const std::vector<Pose> all = state.document.motion.Poses();
    const RowSpan span = SimplifyRows({}, all.size());
    SimplifyOptions options;
    options.penThreshold = state.settings.Get().vpenTh;
    options.axes = 3;
    SimplifyDialog dialog(dialogView, state.geometry.Get(), all, options);
    dialog.OnInit();
    dialog.OnClick(kSimplifyOkButton);
    EXPECT_LE(dialog.MaxDeviationMm(), 0.5);
    ReplaceRows(state.pane, span, dialog.Simplified().poses);
    return dialog.Result();
  };
  ASSERT_TRUE(Run(kCmdSimplifyRecording));
  const std::vector<Pose> simplified = state.document.motion.Poses();
  EXPECT_LT(simplified.size(), 15u);
  uint64_t recordedTime = 0;
  uint64_t simplifiedTime = 0;
  for (std::size_t k = 1; k < recording.size(); ++k) recordedTime += recording[k].transitionTime;
  for (std::size_t k = 1; k < simplified.size(); ++k)
    simplifiedTime += simplified[k].transitionTime;
  EXPECT_EQ(simplifiedTime, recordedTime);

  // Played on the virtual robot, the arm keeps to the recorded path.
  state.linkControls.SetToggle(kMotorToggle, true);
  ASSERT_TRUE(Eventually([&] { return app.Robot().TorqueOn(1); }));
  ASSERT_TRUE(app.StartPlayback());
  ASSERT_TRUE(Eventually([&] { return !state.busy.playing.load(); }));
  app.Playback().Join();
  const MeasuredView measured = state.measured.View();
  ASSERT_GT(measured.samples.size(), 50u);
  double worst = 0;
  for (const MeasuredSample& m : measured.samples) {
    if (m.pose <= 1) continue;  // the arm still travels to the recording's start
    double best = 1e9;
    for (std::size_t k = 1; k < recording.size(); ++k) {
      const double ax = recording[k - 1].x;
      const double ay = recording[k - 1].y;
      const double dx = recording[k].x - ax;
      const double dy = recording[k].y - ay;
      const double len2 = dx * dx + dy * dy;
      const double f =
          len2 > 0 ? std::clamp(((m.x - ax) * dx + (m.y - ay) * dy) / len2, 0.0, 1.0) : 0;
      best = std::min(best, std::hypot(m.x - ax - f * dx, m.y - ay - f * dy));
    }
    worst = std::max(worst, best);
  }
  EXPECT_LT(worst, 1.5);

  // Undo gives the recording back exactly.
  ASSERT_TRUE(Run(kCmdUndo));
  EXPECT_EQ(state.document.motion.Poses(), recording);
}

TEST_F(HandRecordingTest, SimplifyIsRefusedWhileBusyAndCancelChangesNothing) {
  LoadPoses(4);
  const std::vector<Pose> before = state.document.motion.Poses();
  app.SetBusyCommands(true);
  state.busy.playing = true;
  EXPECT_TRUE(Run(kCmdSimplifyRecording, CommandSource::kContextMenu));
  EXPECT_TRUE(view.dialogs.empty());
  state.busy.playing = false;
  app.SetBusyCommands(false);
  ASSERT_TRUE(Run(kCmdSimplifyRecording, CommandSource::kContextMenu));
  EXPECT_EQ(view.dialogs, std::vector<int>{kSimplifyDialogId});
  EXPECT_EQ(state.document.motion.Poses(), before);
  EXPECT_FALSE(state.document.history.CanUndo());
}

TEST_F(HandRecordingTest, DrawingCommandsAreRefusedWhileBusy) {
  LoadPoses(2);
  app.SetBusyCommands(true);
  state.busy.playing = true;
  EXPECT_FALSE(app.Availability().IsEnabled(kCmdImportDrawing));
  EXPECT_TRUE(Run(kCmdImportDrawing, CommandSource::kContextMenu));
  EXPECT_TRUE(Run(kCmdDrawText, CommandSource::kContextMenu));
  EXPECT_TRUE(view.dialogs.empty());
  state.busy.playing = false;
  app.SetBusyCommands(false);
  EXPECT_TRUE(app.Availability().IsEnabled(kCmdDrawText));
  ASSERT_TRUE(Run(kCmdImportDrawing));
  ASSERT_TRUE(Run(kCmdDrawText));
  EXPECT_EQ(view.dialogs, (std::vector<int>{kDrawingDialogId, kDrawTextDialogId}));
}

}  // namespace
}  // namespace velmora
