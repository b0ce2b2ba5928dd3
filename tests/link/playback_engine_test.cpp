#include "link/playback_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "document/document.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"

namespace velmora {
namespace {

struct Goal {
  uint32_t at;
  int id;
  int16_t position;
  uint16_t time;
};

// A clock for running a worker body on the test thread: time moves by the sleeps, and at every
// sleep the goals queued since the last one are taken out of the table, as the link would.
class DrainingClock : public Clock {
 public:
  explicit DrainingClock(ServoTable& servos, uint32_t start = 0) : servos_(servos), now_(start) {}
  uint32_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override {
    Drain();
    sleeps.push_back({now_, ms});
    now_ += ms;
    if (onSleep) onSleep(now_);
  }
  void Drain() {
    for (int id = 1; id <= kServoCount; ++id) {
      const ServoEntry e = servos_.TakeGoal(id);
      if (e.requests & kSendGoal) goals.push_back({now_, id, e.goalPosition, e.goalTime});
    }
  }
  std::vector<Goal> For(int id) const {
    std::vector<Goal> out;
    for (const Goal& g : goals) {
      if (g.id == id) out.push_back(g);
    }
    return out;
  }

  struct Sleep {
    uint32_t at, ms;
  };
  std::vector<Goal> goals;
  std::vector<Sleep> sleeps;
  std::function<void(uint32_t)> onSleep;

 private:
  ServoTable& servos_;
  uint32_t now_;
};

// The pane and command table as far as the engine sees them.
class FakeHooks : public WorkerHooks {
 public:
  FakeHooks(Motion& motion, ServoTable& servos) : motion_(motion), servos_(servos) {}
  void SetBusyCommands(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  void EnablePaneFields(bool enable) override { calls.push_back(enable ? "enable" : "disable"); }
  void HighlightRow(std::size_t index) override { highlighted.push_back(index); }
  void SelectPose(std::size_t index) override {
    motion_.SetCurrentIndex(index);
    Pose p = motion_.Current();
    p.transitionTime -= p.transitionTime % 10;
    if (p.transitionTime < 10) p.transitionTime = 10;
    if (p.transitionTime > 655350) p.transitionTime = 655350;
    motion_.SetCurrent(p);
    for (int k = 0; k < kMotorCount; ++k) {
      if (p.excluded[static_cast<std::size_t>(k)] == 0) {
        servos_.QueueGoal(k + 1, p.motorValues[static_cast<std::size_t>(k)],
                          static_cast<uint16_t>(p.transitionTime / 10));
      }
    }
  }
  void InsertCopyAfterCurrent(const Pose&) override {}
  void ClearMotorToggle() override {}
  void RecordStep() override {}

  std::vector<std::string> calls;
  std::vector<std::size_t> highlighted;

 private:
  Motion& motion_;
  ServoTable& servos_;
};

Pose At(const ArmGeometry& g, double x, double y, int32_t interpolation, uint32_t time) {
  Pose p;
  p.x = x;
  p.y = y;
  p.handWidth = 20;
  p.interpolation = interpolation;
  p.transitionTime = time;
  UpdateMotorValues(g, p);
  return p;
}

class PlaybackTest : public ::testing::Test {
 protected:
  PlaybackTest() : clock(servos), hooks(doc.motion, servos) {
    servos.connected = true;
    servos.axisCount = 5;
  }
  // Puts the robot where `p` is.
  void RobotAt(const Pose& p) {
    for (int id = 1; id <= 5; ++id) servos.SetPresentPosition(id, p.motorValues[id - 1]);
  }
  void Play(int start, int stop) {
    busy.startIndex = start;
    busy.stopIndex = stop;
    busy.playing = true;
    PlaybackEngine engine(doc.motion, geo, servos, busy, hooks, clock);
    engine.Run();
  }
  Geometry geo;
  Document doc;
  ServoTable servos;
  BusyState busy;
  DrainingClock clock;
  FakeHooks hooks;
};

TEST(StepTiming, PeriodsAndStepTimes) {
  const StepTiming t1000 = ComputeStepTiming(1000);
  EXPECT_EQ(t1000.n, 100u);
  EXPECT_DOUBLE_EQ(t1000.ds, 0.01);
  EXPECT_EQ(t1000.periodMs, 10u);
  EXPECT_EQ(t1000.stepTime, 1);
  const StepTiming t2490 = ComputeStepTiming(2490);
  EXPECT_EQ(t2490.n, 249u);
  EXPECT_EQ(t2490.periodMs, 9u);  // 2490 * (1.0 / 249) is just below 10
  EXPECT_EQ(t2490.stepTime, 0);
  // A time below 10 never divides by zero: one step of that length.
  const StepTiming t5 = ComputeStepTiming(5);
  EXPECT_EQ(t5.n, 1u);
  EXPECT_EQ(t5.periodMs, 5u);
  const StepTiming t0 = ComputeStepTiming(0);
  EXPECT_EQ(t0.periodMs, 0u);
}

TEST(ArcPath, SweepDirectionAndShortRadius) {
  // From (1, 0) to (0, 1) about the origin: a0 = 0, a1 = pi/2.
  const ArcPath cw = ComputeArcPath(1, 0, 0, 1, 1, kClockwise);
  EXPECT_NEAR(cw.cx, 0, 1e-7);
  EXPECT_NEAR(cw.cy, 0, 1e-7);
  EXPECT_NEAR(cw.a0, 0, 1e-7);
  EXPECT_NEAR(cw.sweep, -M_PI / 2 + 6.2831852, 1e-7);  // the long way round
  const ArcPath ccw = ComputeArcPath(1, 0, 0, 1, 1, kCounterClockwise);
  EXPECT_NEAR(ccw.sweep, -M_PI / 2, 1e-7);
  // A radius shorter than the half chord: a half circle on the chord.
  const ArcPath half = ComputeArcPath(0, 0, 10, 0, 1, kClockwise);
  EXPECT_NEAR(half.radius, 5, 1e-9);
  EXPECT_NEAR(half.cx, 5, 1e-9);
  EXPECT_NEAR(half.cy, 0, 1e-6);
  EXPECT_NEAR(std::fabs(half.sweep), M_PI, 1e-6);
}

TEST_F(PlaybackTest, LinearMoveInEvenSteps) {
  const ArmGeometry g = geo.Get();
  // Along x = 60 (x = 100 would lie beyond the arm's reach of 160 mm from the shoulder).
  const Pose from = At(g, 60, 0, kNone, 1000);
  Pose to = At(g, 60, 50, kLinear, 1000);
  doc.motion.Replace({from, to}, 0);
  RobotAt(from);
  Play(1, 1);

  const auto id1 = clock.For(1);
  const auto id2 = clock.For(2);
  ASSERT_EQ(id1.size(), id2.size());
  EXPECT_GE(id1.size(), 101u);
  EXPECT_LE(id1.size(), 102u);
  for (const Goal& goal : id1) EXPECT_EQ(goal.time, 1);
  // y rises by about 0.5 mm per step.
  double lastY = -1;
  for (std::size_t i = 0; i < id1.size(); ++i) {
    Pose p;
    p.motorValues[0] = id1[i].position;
    p.motorValues[1] = id2[i].position;
    double x, y;
    ForwardKinematics(g, p, &x, &y, nullptr, nullptr, nullptr);
    EXPECT_NEAR(x, 60, 0.5);
    if (i > 0 && i <= 100) {
      EXPECT_NEAR(y - lastY, 0.5, 0.45) << i;
    }
    lastY = y;
  }
  EXPECT_NEAR(lastY, 50, 0.5);
  // Height and hand: one goal each with the whole move's time.
  ASSERT_EQ(clock.For(3).size(), 1u);
  EXPECT_EQ(clock.For(3)[0].time, 100);
  ASSERT_EQ(clock.For(5).size(), 1u);
  EXPECT_EQ(clock.For(5)[0].time, 100);
  // Steps come every 10 ms.
  EXPECT_EQ(id1[1].at - id1[0].at, 10u);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"busy", "disable", "enable", "idle"}));
  EXPECT_FALSE(busy.playing.load());
}

TEST_F(PlaybackTest, FirstPoseStartsFromThePresentPosition) {
  const ArmGeometry g = geo.Get();
  const Pose robot = At(g, 40, -60, kNone, 1000);
  doc.motion.Replace({At(g, 40, 60, kLinear, 500)}, 0);
  RobotAt(robot);
  Play(0, -1);
  const auto id1 = clock.For(1);
  const auto id2 = clock.For(2);
  ASSERT_FALSE(id1.empty());
  EXPECT_NEAR(id1.front().position, robot.motorValues[0], 1);
  EXPECT_NEAR(id2.front().position, robot.motorValues[1], 1);
  EXPECT_EQ(id1.back().position, doc.motion.PoseAt(0)->motorValues[0]);
}

TEST_F(PlaybackTest, WristFollowsTheMoveAndExcludedFlagsAreIgnoredForTheArm) {
  const ArmGeometry g = geo.Get();
  Pose from = At(g, 60, -40, kNone, 1000);
  Pose to = At(g, 60, 40, kLinear, 300);
  to.rotation = 45;
  UpdateMotorValues(g, to);
  to.excluded = {1, 1, 1, 1, 1};
  doc.motion.Replace({from, to}, 0);
  RobotAt(from);
  Play(1, 1);
  // Servos 1, 2 and 4 are interpolated whatever the flags say; 3 and 5 are left alone.
  EXPECT_FALSE(clock.For(1).empty());
  EXPECT_FALSE(clock.For(4).empty());
  EXPECT_TRUE(clock.For(3).empty());
  EXPECT_TRUE(clock.For(5).empty());
  const auto id4 = clock.For(4);
  EXPECT_NEAR(id4.front().position, from.motorValues[3], 1);
  EXPECT_EQ(id4.back().position, to.motorValues[3]);
}

TEST_F(PlaybackTest, ArcMoveStaysOnItsCircle) {
  const ArmGeometry g = geo.Get();
  const Pose from = At(g, 30, -30, kNone, 1000);
  Pose to = At(g, 30, 30, kArc, 600);
  to.arcRadius = 1;  // too short: a half circle on the chord
  to.arcDirection = kCounterClockwise;
  doc.motion.Replace({from, to}, 0);
  RobotAt(from);
  Play(1, 1);
  const auto id1 = clock.For(1);
  const auto id2 = clock.For(2);
  ASSERT_GT(id1.size(), 50u);
  double maxX = -1e9;
  for (std::size_t i = 0; i < id1.size(); ++i) {
    Pose p;
    p.motorValues[0] = id1[i].position;
    p.motorValues[1] = id2[i].position;
    double x, y;
    ForwardKinematics(g, p, &x, &y, nullptr, nullptr, nullptr);
    EXPECT_NEAR(std::hypot(x - 30, y), 30, 0.6) << i;
    maxX = std::max(maxX, x);
  }
  EXPECT_NEAR(maxX, 60, 0.6);  // counterclockwise from below: out through x = 60
}

TEST_F(PlaybackTest, SingleStepOnTheSecondToLastPlaysTheLast) {
  const ArmGeometry g = geo.Get();
  doc.motion.Replace({At(g, 50, 0, kNone, 100), At(g, 60, 0, kNone, 100), At(g, 70, 0, kNone, 100)},
                     1);
  Play(2, 2);
  EXPECT_EQ(hooks.highlighted, (std::vector<std::size_t>{2}));
  EXPECT_EQ(doc.motion.CurrentIndex(), 2u);
  // None: every servo once with the Pose's time.
  ASSERT_EQ(clock.For(1).size(), 1u);
  EXPECT_EQ(clock.For(1)[0].position, doc.motion.PoseAt(2)->motorValues[0]);
  EXPECT_EQ(clock.For(1)[0].time, 10);
}

TEST_F(PlaybackTest, PlayWalksEveryPoseAndNormalisesTimes) {
  const ArmGeometry g = geo.Get();
  Pose odd = At(g, 60, 0, kLinear, 0);  // TIME:0 from a file
  doc.motion.Replace({At(g, 50, 0, kNone, 100), odd, At(g, 70, 0, kNone, 100)}, 0);
  Play(0, -1);
  EXPECT_EQ(hooks.highlighted, (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(doc.motion.PoseAt(1)->transitionTime, 10u);
}

TEST_F(PlaybackTest, StopEndsALongWaitAtOnce) {
  const ArmGeometry g = geo.Get();
  doc.motion.Replace({At(g, 50, 0, kNone, 5000), At(g, 60, 0, kNone, 5000)}, 0);
  uint32_t stoppedAt = 0;
  clock.onSleep = [&](uint32_t now) {
    if (now == 1000) {
      busy.playbackStop = true;
      stoppedAt = now;
    }
  };
  Play(0, -1);
  // The wait ends within a sleep or two of the stop; then comes the pause between Poses.
  ASSERT_FALSE(clock.sleeps.empty());
  const auto pause = clock.sleeps.back();
  EXPECT_EQ(pause.ms, 10u);
  EXPECT_LE(pause.at - stoppedAt, 2u);
  EXPECT_EQ(hooks.highlighted, (std::vector<std::size_t>{0}));
}

TEST_F(PlaybackTest, LostConnectionStopsAfterTheCurrentPose) {
  const ArmGeometry g = geo.Get();
  doc.motion.Replace({At(g, 50, 0, kNone, 100), At(g, 60, 0, kNone, 100)}, 0);
  clock.onSleep = [&](uint32_t now) {
    if (now == 50) servos.connected = false;
  };
  Play(0, -1);
  EXPECT_EQ(hooks.highlighted, (std::vector<std::size_t>{0}));
  EXPECT_FALSE(busy.playing.load());
}

TEST_F(PlaybackTest, NoPoseAtTheStartStillRestoresTheUi) {
  Play(5, 5);
  EXPECT_TRUE(hooks.highlighted.empty());
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"busy", "disable", "enable", "idle"}));
}

TEST(WaitUntil, SurvivesTheMillisecondCounterWrapping) {
  FakeClock clock(0xFFFFFFF0u);
  std::atomic<bool> stop{false};
  const uint32_t deadline = clock.NowMs() + 100;  // wraps past zero
  WaitUntil(clock, deadline, stop);
  EXPECT_EQ(clock.NowMs(), deadline);
  // A deadline already passed returns at once.
  WaitUntil(clock, deadline - 5, stop);
  EXPECT_EQ(clock.NowMs(), deadline);
}

TEST(PlaybackThreads, StartIsRefusedWhilePlayingAndCopiesDoNotRace) {
  Geometry geo;
  Document doc;
  ServoTable servos;
  servos.connected = true;
  BusyState busy;
  FakeClock clock;
  FakeHooks hooks(doc.motion, servos);
  const ArmGeometry g = geo.Get();
  std::vector<Pose> poses;
  for (int i = 0; i < 20; ++i) poses.push_back(At(g, 40 + i, 10, i % 2 ? kLinear : kNone, 50));
  doc.motion.Replace(poses, 0);
  PlaybackEngine engine(doc.motion, geo, servos, busy, hooks, clock);
  ASSERT_TRUE(engine.StartPlayback());
  EXPECT_FALSE(engine.StartStep(3));  // already playing
  // The render thread's per-frame copy of the current Pose, under the Motion lock.
  double sum = 0;
  while (busy.playing.load()) {
    sum += doc.motion.Current().x;
    std::this_thread::yield();
  }
  engine.Join();
  EXPECT_EQ(hooks.highlighted.size(), 20u);
  EXPECT_GT(sum, 0);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// The steady clock sleeps until the deadline itself: a stop set from another thread wakes a long
// wait, and a wait with a stop already set does not sleep at all.
TEST(SteadyClockWait, AStopWakesALongWaitAndASetStopDoesNotSleep) {
  SteadyClock clock;
  StopFlag stop;
  const uint32_t start = clock.NowMs();
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
  });
  clock.WaitUntilMs(start + 60000, stop);
  stopper.join();
  EXPECT_LT(clock.NowMs() - start, 30000u);
  EXPECT_TRUE(stop.load());
  clock.WaitUntilMs(clock.NowMs() + 60000, stop);

  // Without a stop the wait ends once the clock has reached the deadline.
  StopFlag never;
  const uint32_t deadline = clock.NowMs() + 5;
  clock.WaitUntilMs(deadline, never);
  EXPECT_GE(static_cast<int32_t>(clock.NowMs() - deadline), 0);
}

}  // namespace
}  // namespace velmora
