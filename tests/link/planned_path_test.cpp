// The planned path against what the playback really sends to the virtual robot, the motion check,
// the playback speed and the measured path.
#include "link/planned_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <vector>

#include "base/clock.h"
#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/comm_log.h"
#include "link/link_controls.h"
#include "link/local_time.h"
#include "link/measured_path.h"
#include "link/motion_check.h"
#include "link/playback_engine.h"
#include "link/servo_link.h"
#include "link/servo_packets.h"
#include "link/virtual_robot.h"
#include "link/worker_hooks.h"
#include "support/stepping_clock.h"

namespace velmora {
namespace {

using Packet = std::vector<uint8_t>;

class FixedTime final : public LocalTimeSource {
 public:
  LocalTime Now() override { return {2026, 12, 8, 9, 0, 0}; }
};

// The pane as the playback sees it: the real one, so the Poses are shown and queued as in the
// program.
class PaneHooks final : public WorkerHooks {
 public:
  explicit PaneHooks(PoseEditPane& pane) : pane_(pane) {}
  void SetBusyCommands(bool busy) override {
    if (!busy && onIdle) onIdle();
  }
  void EnablePaneFields(bool) override {}
  void HighlightRow(std::size_t) override {}
  void SelectPose(std::size_t index) override { pane_.SelectPose(index); }
  void SelectPoseAtSpeed(std::size_t index, PlaybackSpeed speed) override {
    if (onPose) onPose(index);
    pane_.SelectPose(index, speed);
  }
  void InsertCopyAfterCurrent(const Pose&) override {}
  void ClearMotorToggle() override {}
  void RecordStep() override {}
  void PlaybackMeasured() override {
    if (onMeasured) onMeasured();
  }

  // What a test looks at when a Pose starts, when the commands come back and when the measured
  // path has been compared.
  std::function<void(std::size_t)> onPose;
  std::function<void()> onIdle;
  std::function<void()> onMeasured;

 private:
  PoseEditPane& pane_;
};

// A whole program's worth of link: the virtual robot, the ServoLink on a fake clock, the pane and
// a playback engine, connected with the motors on and the arm resting at the first Pose.
struct Rig {
  explicit Rig(const std::vector<Pose>& poses, int slowServo = 0) {
    table.LoadAllRegisterDefaults();
    if (slowServo != 0) robot.SetServoSlowdown(slowServo, 3);
    doc.motion.Replace(poses, 0);
    motion.Replace({poses.front()}, 0);
    controls.SetAxisChoice(5);
    controls.SetToggle(kMotorToggle, true);
    controls.SetToggle(kCommunicationToggle, true);
    link.RunOnce();
    for (int i = 0; i < 300; ++i) link.RunOnce();  // the arm reaches the first Pose
    robot.RecordPackets(true);
  }

  // Plays the whole Motion; returns the packets written meanwhile.
  std::vector<Packet> Play(PlaybackSpeed speed, bool measure) {
    PlaybackEngine engine(doc.motion, geo, table, busy, hooks, stepping);
    if (speed != PlaybackSpeed::kNormal) engine.SetSpeed(speed);
    if (measure) engine.SetMeasuredPath(&measured);
    startPose = Pose{};
    for (int id = 1; id <= 5; ++id) startPose.motorValues[id - 1] = table.PresentPosition(id);
    ForwardKinematics(geo.Get(), startPose, &startPose.x, &startPose.y, nullptr, nullptr, nullptr);
    busy.startIndex = 0;
    busy.stopIndex = -1;
    busy.playing = true;
    engine.Run();
    for (int i = 0; i < 5; ++i) link.RunOnce();
    std::vector<Packet> out = robot.Packets();
    robot.ClearPackets();
    return out;
  }

  FakeClock clock{5000};
  VirtualRobot robot{clock, "0001"};
  ServoTable table;
  LinkControls controls;
  CommLog log;
  Motion motion;  // what the link reads at connect
  FixedTime localTime;
  ServoLink link{{robot, clock, table, controls, log, motion, localTime, nullptr}};
  testing::SteppingClock stepping{clock, link};
  Geometry geo;
  Document doc;
  PoseEditPane pane{doc, geo, table};
  PaneHooks hooks{pane};
  BusyState busy;
  MeasuredPath measured;
  Pose startPose;
};

Pose At(const Geometry& geo, double x, double y, double z, double rotation, int32_t interpolation,
        uint32_t time) {
  Pose p;
  p.x = x;
  p.y = y;
  p.z = z;
  p.rotation = rotation;
  p.handWidth = 20;
  p.interpolation = interpolation;
  p.transitionTime = time;
  UpdateMotorValues(geo.Get(), p);
  return p;
}

Pose ArcTo(const Geometry& geo, double x, double y, double radius, int32_t direction,
           double rotation, uint32_t time) {
  Pose p = At(geo, x, y, 0, rotation, kArc, time);
  p.arcRadius = radius;
  p.arcDirection = direction;
  return p;
}

// The goals of the SendPose packets, per servo, in the order they reached the robot.
std::map<int, std::vector<std::pair<int16_t, uint16_t>>> GoalsOf(const std::vector<Packet>& sent) {
  std::map<int, std::vector<std::pair<int16_t, uint16_t>>> out;
  for (const Packet& p : sent) {
    if (p.size() < 8 || p[2] != 0 || p[4] != kRegGoalPosition) continue;
    const std::size_t length = p[5];
    for (std::size_t b = 0; b < p[6]; ++b) {
      const std::size_t at = 7 + b * length;
      const auto position = static_cast<int16_t>(p[at + 1] | (p[at + 2] << 8));
      const auto time = static_cast<uint16_t>(p[at + 3] | (p[at + 4] << 8));
      out[p[at]].emplace_back(position, time);
    }
  }
  return out;
}

std::map<int, std::vector<std::pair<int16_t, uint16_t>>> GoalsOf(const PlannedPath& path) {
  std::map<int, std::vector<std::pair<int16_t, uint16_t>>> out;
  for (const PlannedGoal& g : path.goals) out[g.id].emplace_back(g.position, g.time);
  return out;
}

// Linear, Arc both ways with a radius too short for its chord, None, and a wrist that turns.
std::vector<Pose> MixedMotion(const Geometry& geo) {
  return {At(geo, 40, 60, 0, 0, kNone, 500),
          At(geo, 80, -20, 10, 30, kLinear, 400),
          ArcTo(geo, 20, 40, 5, kClockwise, -20, 600),
          ArcTo(geo, 60, 80, -30, kCounterClockwise, 45, 500),
          At(geo, 60, 0, 5, 10, kNone, 300),
          At(geo, 30, -40, -20, -35, kLinear, 700)};
}

TEST(PlannedPath, EqualsTheGoalsPlaybackSendsToTheRobot) {
  Geometry geo;
  Rig rig(MixedMotion(geo));
  const std::vector<Packet> sent = rig.Play(PlaybackSpeed::kNormal, false);
  PlanOptions options;
  options.keepGoals = true;
  const PlannedPath plan = PlanPath(geo.Get(), rig.doc.motion.Poses(), rig.startPose, options);

  const auto received = GoalsOf(sent);
  const auto planned = GoalsOf(plan);
  ASSERT_EQ(received.size(), 5u);
  for (int id = 1; id <= 5; ++id) {
    EXPECT_EQ(received.at(id), planned.at(id)) << "servo " << id;
  }
  // The wrist did turn, and the robot ends where the plan ends.
  EXPECT_NE(planned.at(4).front().first, planned.at(4).back().first);
  for (int id = 1; id <= 5; ++id) {
    EXPECT_EQ(rig.robot.PresentPosition(id), plan.points.back().motors[id - 1]) << id;
  }
  // Every Pose has its share of the path, in order and in time.
  ASSERT_EQ(plan.PoseCount(), 6u);
  for (std::size_t i = 1; i < plan.points.size(); ++i) {
    EXPECT_LE(plan.points[i - 1].t, plan.points[i].t);
    EXPECT_LE(plan.points[i - 1].pose, plan.points[i].pose);
  }
}

TEST(PlaybackSpeed, NormalSpeedSendsTheSameBytesAndDoubleHalvesEveryTime) {
  Geometry geo;
  const std::vector<Pose> poses = MixedMotion(geo);
  Rig plain(poses);
  Rig normal(poses);
  // As today, and at x1 chosen on purpose with the measured path on: not one byte differs.
  EXPECT_EQ(plain.Play(PlaybackSpeed::kNormal, false), normal.Play(PlaybackSpeed::kNormal, true));

  Rig twice(poses);
  const auto received = GoalsOf(twice.Play(PlaybackSpeed::kDouble, false));
  PlanOptions options;
  options.keepGoals = true;
  options.speed = PlaybackSpeed::kDouble;
  EXPECT_EQ(received,
            GoalsOf(PlanPath(geo.Get(), twice.doc.motion.Poses(), twice.startPose, options)));
  // Servo 3 gets one goal per Pose, with the whole move's time: half of what the Pose holds.
  const auto& height = received.at(3);
  ASSERT_GE(height.size(), poses.size());
  std::vector<uint16_t> times;
  for (const auto& [position, time] : height) {
    if (times.empty() || times.back() != time) times.push_back(time);
  }
  EXPECT_EQ(times, (std::vector<uint16_t>{25, 20, 30, 25, 15, 35}));
  // The Motion itself keeps its times.
  for (std::size_t i = 0; i < poses.size(); ++i) {
    EXPECT_EQ(twice.doc.motion.PoseAt(i)->transitionTime, poses[i].transitionTime);
  }
}

TEST(PlaybackSpeed, ScaledTimesStayLegal) {
  EXPECT_EQ(ScaleTransitionTime(1000, PlaybackSpeed::kNormal), 1000u);
  EXPECT_EQ(ScaleTransitionTime(1000, PlaybackSpeed::kDouble), 500u);
  EXPECT_EQ(ScaleTransitionTime(1000, PlaybackSpeed::kQuarter), 4000u);
  EXPECT_EQ(ScaleTransitionTime(30, PlaybackSpeed::kQuadruple), 10u);  // 7.5 ms: never below 10
  EXPECT_EQ(ScaleTransitionTime(10, PlaybackSpeed::kHalf), 20u);
  EXPECT_EQ(ScaleTransitionTime(655350, PlaybackSpeed::kQuarter), 655350u);  // the longest time
  EXPECT_EQ(ScaleTransitionTime(200000, PlaybackSpeed::kHalf), 400000u);
}

TEST(MotionCheck, FlagsReachLimitsAndSpeedButNothingOnASafeMotion) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const std::vector<Pose> safe = {
      At(geo, 40, 60, 0, 0, kNone, 1000), At(geo, 80, 20, -25, 0, kLinear, 2000),
      ArcTo(geo, 40, -40, 40, kCounterClockwise, 0, 2000), At(geo, 0, 0, 0, 0, kNone, 3000)};
  const CheckedMotion fine = CheckMotion(g, safe, 5, 300);
  EXPECT_EQ(fine.issues, (std::vector<uint8_t>(4, 0)));

  // Towards a point beyond the reach (a file may hold one): the middle of the line is out of reach.
  Pose far = At(geo, 150, 0, 0, 0, kLinear, 2000);
  far.x = 150;
  far.y = 0;
  const std::vector<Pose> reach = {At(geo, 50, 0, 0, 0, kNone, 1000), far};
  const CheckedMotion outOfReach = CheckMotion(g, reach, 5, 300);
  EXPECT_EQ(outOfReach.issues[0], 0);
  EXPECT_NE(outOfReach.issues[1] & kIssueOutOfReach, 0);
  EXPECT_NE(outOfReach.reasons[1].find("到達できない"), std::string::npos);

  // The same move in 100 ms turns the servos far too fast.
  std::vector<Pose> rushed = safe;
  rushed[1].transitionTime = 100;
  const CheckedMotion fast = CheckMotion(g, rushed, 5, 300);
  EXPECT_EQ(fast.issues[1], kIssueTooFast);
  EXPECT_EQ(fast.issues[2], 0);
  EXPECT_NE(fast.reasons[1].find("°/s"), std::string::npos);
  // A higher maximum in velmora.ini lets it pass.
  EXPECT_EQ(CheckMotion(g, rushed, 5, 100000).issues[1], 0);

  // With the shoulder limited to +-45 degrees, the sweep to the side hits the limit.
  geo.SetMotorLimits({450, 1400, 1500, 1500, 350});
  const CheckedMotion limited = CheckMotion(geo.Get(), safe, 5, 300);
  ASSERT_NE(limited.issues[2] & kIssueMotorLimit, 0);
  EXPECT_NE(limited.reasons[2].find("ID1"), std::string::npos);
}

TEST(MotionCheck, AMotionOfEndlessMovesIsSampledNotWalkedStepByStep) {
  Geometry geo;
  std::vector<Pose> poses;
  for (int i = 0; i < 2000; ++i) {
    poses.push_back(At(geo, i % 2 == 0 ? 40 : 80, i % 2 == 0 ? 60 : -20, 0, 0, kLinear, 655350));
  }
  const CheckedMotion checked = CheckMotion(geo.Get(), poses, 5, 300);
  EXPECT_LE(checked.path.points.size(), kCheckedPathMaxPoints + 2 * poses.size());
  EXPECT_EQ(checked.issues, std::vector<uint8_t>(poses.size(), 0));
  // The samples still run the whole way: the last point is the last Pose.
  const PathPoint& end = checked.path.points.back();
  EXPECT_NEAR(end.x, 80, 0.5);
  EXPECT_NEAR(end.y, -20, 0.5);
  EXPECT_EQ(end.t, checked.path.duration);
}

TEST(MeasuredPath, ASlowServoStraysFromThePlanAndANormalRunDoesNot) {
  Geometry geo;
  const std::vector<Pose> poses = {
      At(geo, 40, 60, 0, 0, kNone, 500), At(geo, 80, -20, 0, 0, kLinear, 1000),
      ArcTo(geo, 20, 40, 40, kClockwise, 0, 1000), At(geo, 60, 0, 0, 0, kNone, 800)};
  Rig normal(poses);
  normal.Play(PlaybackSpeed::kNormal, true);
  const MeasuredView good = normal.measured.View();
  ASSERT_TRUE(good.result.has_value());
  EXPECT_GT(good.samples.size(), 200u);
  EXPECT_LT(good.result->mm, 1.0);

  Rig slowed(poses, /*slowServo=*/2);
  slowed.Play(PlaybackSpeed::kNormal, true);
  const std::optional<Deviation> bad = slowed.measured.TakeFinished();
  ASSERT_TRUE(bad.has_value());
  EXPECT_GT(bad->mm, 1.0);
  EXPECT_GE(bad->pose, 1u);
  EXPECT_FALSE(slowed.measured.TakeFinished().has_value());  // reported once
  EXPECT_EQ(DeviationText({2.345, 3}), "計画との最大ずれ 2.35mm（ポーズ 4）");
}

// The plan is worked out and compared after the robot stopped: nothing of it delays the first goal,
// and `playing` is cleared before the comparison, which still reports its result.
TEST(MeasuredPath, ALongMoveIsComparedAfterPlayingIsCleared) {
  Geometry geo;
  const std::vector<Pose> poses = {At(geo, 40, -50, 0, 0, kNone, 500),
                                   At(geo, 40, 50, 0, 0, kLinear, 60000)};
  Rig rig(poses);
  std::vector<bool> plannedAtPose;
  std::optional<bool> comparedWhileBusy;
  std::vector<bool> playingAtReport;
  rig.hooks.onPose = [&](std::size_t) {
    plannedAtPose.push_back(rig.measured.View().planned != nullptr);
  };
  rig.hooks.onIdle = [&] { comparedWhileBusy = rig.measured.View().result.has_value(); };
  rig.hooks.onMeasured = [&] { playingAtReport.push_back(rig.busy.playing.load()); };
  rig.Play(PlaybackSpeed::kNormal, true);

  EXPECT_EQ(plannedAtPose, std::vector<bool>(2, false));
  EXPECT_EQ(comparedWhileBusy, false);
  EXPECT_EQ(playingAtReport, std::vector<bool>{false});
  const MeasuredView view = rig.measured.View();
  ASSERT_NE(view.planned, nullptr);
  EXPECT_EQ(view.planned->PoseCount(), 2u);
  EXPECT_GT(view.samples.size(), 6000u);
  const std::optional<Deviation> d = rig.measured.TakeFinished();
  ASSERT_TRUE(d.has_value());
  EXPECT_LT(d->mm, 1.0);
}

}  // namespace
}  // namespace velmora
