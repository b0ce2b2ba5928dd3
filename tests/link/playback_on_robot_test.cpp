// Playback and recording against the real ServoLink and the virtual robot.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/link_fixture.h"
#include "link/playback_engine.h"
#include "link/recorder.h"
#include "link/worker_hooks.h"
#include "support/stepping_clock.h"

namespace velmora {
namespace {

using testing::LinkFixture;

// The pane and the command table as the workers see them.
class Hooks : public WorkerHooks {
 public:
  Hooks(Motion& motion, ServoTable& table, LinkControls& controls, VirtualRobot& robot)
      : motion_(motion), table_(table), controls_(controls), robot_(robot) {}
  void SetBusyCommands(bool) override {}
  void EnablePaneFields(bool) override {}
  void HighlightRow(std::size_t index) override {
    highlighted.push_back(index);
    std::array<int16_t, 5> now{};
    for (int id = 1; id <= 5; ++id)
      now[static_cast<std::size_t>(id - 1)] = robot_.PresentPosition(id);
    robotAtHighlight.push_back(now);
  }
  void SelectPose(std::size_t index) override {
    motion_.SetCurrentIndex(index);
    Pose p = motion_.Current();
    p.transitionTime = NormaliseTransitionTime(p.transitionTime);
    motion_.SetCurrent(p);
    SendPoseToServos(table_, p, p.transitionTime / 10);
  }
  void InsertCopyAfterCurrent(const Pose& pose) override {
    motion_.SetCurrentIndex(motion_.InsertAfter(motion_.CurrentIndex(), pose));
    SendPoseToServos(table_, pose, pose.transitionTime / 10);
  }
  void ClearMotorToggle() override { controls_.SetToggle(kMotorToggle, false); }
  void RecordStep() override { ++steps; }

  std::vector<std::size_t> highlighted;
  std::vector<std::array<int16_t, 5>> robotAtHighlight;
  int steps = 0;

 private:
  Motion& motion_;
  ServoTable& table_;
  LinkControls& controls_;
  VirtualRobot& robot_;
};

class PlaybackOnRobot : public LinkFixture {
 protected:
  PlaybackOnRobot() : stepping(clock, link), hooks(motion, table, controls, robot) {}
  Pose At(double x, double y, double z, int32_t interpolation, uint32_t time) {
    Pose p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.handWidth = 20;
    p.interpolation = interpolation;
    p.transitionTime = time;
    UpdateMotorValues(geo.Get(), p);
    return p;
  }
  Geometry geo;
  BusyState busy;
  testing::SteppingClock stepping;
  Hooks hooks;
};

TEST_F(PlaybackOnRobot, ServosReachEachPoseInTurn) {
  const std::vector<Pose> poses = {At(40, 60, 0, kNone, 500), At(80, -20, 10, kLinear, 400),
                                   At(20, 40, 5, kArc, 600), At(60, 0, 0, kNone, 300)};
  motion.Replace(poses, 0);
  Connect(5, true);
  for (int i = 0; i < 250; ++i) link.RunOnce();  // the 2-second move to the current Pose
  busy.playing = true;
  PlaybackEngine engine(motion, geo, table, busy, hooks, stepping);
  engine.Run();
  for (int i = 0; i < 10; ++i) link.RunOnce();

  ASSERT_EQ(hooks.highlighted, (std::vector<std::size_t>{0, 1, 2, 3}));
  // When a Pose comes up, the robot stands at the one before it.
  for (std::size_t i = 1; i < poses.size(); ++i) {
    for (int k = 0; k < 5; ++k) {
      EXPECT_NEAR(hooks.robotAtHighlight[i][static_cast<std::size_t>(k)],
                  poses[i - 1].motorValues[static_cast<std::size_t>(k)], 2)
          << "pose " << i - 1 << " motor " << k + 1;
    }
  }
  for (int id = 1; id <= 5; ++id) {
    EXPECT_EQ(robot.PresentPosition(id),
              poses.back().motorValues[static_cast<std::size_t>(id - 1)]);
  }
}

TEST_F(PlaybackOnRobot, UnpluggingStopsAfterTheCurrentPose) {
  motion.Replace(
      {At(40, 60, 0, kNone, 500), At(80, -20, 0, kLinear, 500), At(20, 40, 0, kNone, 500)}, 0);
  Connect(5, true);
  const uint32_t start = clock.NowMs();
  stepping.onCycle = [&](uint32_t now) {
    if (now - start > 200) robot.SetPlugged(false);
  };
  busy.playing = true;
  PlaybackEngine engine(motion, geo, table, busy, hooks, stepping);
  engine.Run();
  EXPECT_EQ(hooks.highlighted, (std::vector<std::size_t>{0}));
  EXPECT_FALSE(busy.playing.load());
  EXPECT_FALSE(table.connected.load());
  EXPECT_EQ(log.Text().rfind("Disconnect.\r\n", 0), 0u);
}

TEST_F(PlaybackOnRobot, RecordingTakesWhereTheArmIsMovedByHand) {
  Connect(5, true);
  link.RunOnce();
  Guarded<Settings> settings;
  settings.Update([](Settings& s) { s.recInterval = 100; });
  // The user turns ID1 and ID2 by hand, a step every 100 ms, once the torque is off.
  const uint32_t start = clock.NowMs();
  std::vector<std::pair<int16_t, int16_t>> moved;
  stepping.onCycle = [&](uint32_t now) {
    const uint32_t t = now - start;
    if (t % 100 == 50 && !robot.TorqueOn(1)) {
      const auto a = static_cast<int16_t>(100 + t);
      const auto b = static_cast<int16_t>(-50 - t / 2);
      robot.MoveByHand(1, a);
      robot.MoveByHand(2, b);
      moved.emplace_back(a, b);
    }
    if (t >= 620) busy.recordStop = true;
  };
  motion.Replace({Pose{}}, 0);
  busy.recording = true;
  Recorder recorder(geo, table, settings, busy, hooks, stepping);
  recorder.Run();

  EXPECT_FALSE(controls.IsToggleChecked(kMotorToggle));
  EXPECT_FALSE(robot.TorqueOn(1));
  EXPECT_EQ(hooks.steps, 1);
  const std::vector<Pose> recorded = motion.Poses();
  ASSERT_GE(recorded.size(), 6u);
  // Each sample after the first holds the position the arm was turned to before it.
  int matched = 0;
  for (std::size_t i = 2; i < recorded.size(); ++i) {
    const auto& m = recorded[i].motorValues;
    for (const auto& [a, b] : moved) {
      if (m[0] == a && m[1] == b) ++matched;
    }
    EXPECT_EQ(recorded[i].transitionTime, 100u);
  }
  EXPECT_GE(matched, 5);
}

}  // namespace
}  // namespace velmora
