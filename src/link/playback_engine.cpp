#include "link/playback_engine.h"

#include <cmath>

#include "base/clock.h"
#include "base/numeric.h"
#include "document/motion.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/measured_path.h"
#include "link/planned_path.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"

namespace velmora {

namespace {

constexpr double kAngleWrap = 6.2831852;
constexpr uint32_t kPausePerPoseMs = 10;
// The plan a playback is measured against is walked step by step up to this size (hours of
// playing); only beyond it are long moves sampled.
constexpr std::size_t kMeasuredPlanMaxPoints = 4000000;

}  // namespace

StepTiming ComputeStepTiming(uint32_t transitionTime) {
  StepTiming t;
  // Showing a Pose normalises its time to at least 10 ms, so N is at least 1 in practice. A time
  // below 10 that gets here anyway is played as one step of that length instead of dividing by 0.
  t.n = transitionTime / 10;
  if (t.n == 0) t.n = 1;
  t.ds = 1.0 / t.n;
  t.periodMs = static_cast<uint32_t>(SaturatingTrunc(transitionTime * t.ds));
  t.stepTime = static_cast<uint16_t>(t.periodMs / 10);
  return t;
}

ArcPath ComputeArcPath(double x0, double y0, double x1, double y1, double arcRadius,
                       int32_t arcDirection) {
  ArcPath a;
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  double r = arcRadius;
  const double halfChord = std::hypot(dx, dy) / 2;
  if (std::fabs(r) < halfChord) r = r < 0 ? -halfChord : halfChord;
  const Point2 c = ArcCentre(x0, y0, x1, y1, arcRadius);
  a.cx = c.x;
  a.cy = c.y;
  a.radius = std::fabs(r);
  a.a0 = std::atan2(y0 - c.y, x0 - c.x);
  const double a1 = std::atan2(y1 - c.y, x1 - c.x);
  a.sweep = a.a0 - a1;
  if (a.sweep < 0) a.sweep += kAngleWrap;
  if (arcDirection != 0) a.sweep -= kAngleWrap;
  return a;
}

void WaitUntil(Clock& clock, uint32_t deadline, const StopFlag& stop) {
  clock.WaitUntilMs(deadline, stop);
}

InterpolatedMove::InterpolatedMove(const ArmGeometry& g, const Pose& previous, const Pose& pose,
                                   bool arc, uint32_t transitionTime)
    : g_(g),
      timing_(ComputeStepTiming(transitionTime)),
      working_(previous),
      x0_(previous.x),
      y0_(previous.y),
      dx_(pose.x - previous.x),
      dy_(pose.y - previous.y),
      arc_(arc) {
  // How much the wrist's offset from its rotation-0 value changes over the move.
  InverseKinematics(g_, previous.x, previous.y, 0, 0, 0, working_);
  off0_ = working_.motorValues[3] - previous.motorValues[3];
  InverseKinematics(g_, pose.x, pose.y, 0, 0, 0, working_);
  dId4_ = (pose.motorValues[3] - working_.motorValues[3]) + off0_;
  if (arc_) {
    path_ =
        ComputeArcPath(previous.x, previous.y, pose.x, pose.y, pose.arcRadius, pose.arcDirection);
  }
}

InterpolatedMove::Step InterpolatedMove::At(double s) {
  Step step;
  if (arc_) {
    const double angle = path_.a0 - s * path_.sweep;
    step.x = path_.cx + path_.radius * std::cos(angle);
    step.y = path_.cy + path_.radius * std::sin(angle);
  } else {
    step.x = x0_ + s * dx_;
    step.y = y0_ + s * dy_;
  }
  InverseKinematics(g_, step.x, step.y, 0, 0, 0, working_, &step.ik);
  working_.motorValues[3] =
      static_cast<int16_t>(working_.motorValues[3] + SaturatingTrunc(dId4_ * s) - off0_);
  step.id1 = working_.motorValues[0];
  step.id2 = working_.motorValues[1];
  step.id4 = working_.motorValues[3];
  return step;
}

void WaitUntil(Clock& clock, uint32_t deadline, const std::atomic<bool>& stop) {
  while (static_cast<int32_t>(deadline - clock.NowMs()) > 0) {
    if (stop.load()) return;
    clock.SleepMs(1);
  }
}

PlaybackEngine::PlaybackEngine(Motion& motion, const Geometry& geometry, ServoTable& servos,
                               BusyState& busy, WorkerHooks& hooks, Clock& clock)
    : motion_(motion),
      geometry_(geometry),
      servos_(servos),
      busy_(busy),
      hooks_(hooks),
      clock_(clock) {}

PlaybackEngine::~PlaybackEngine() {
  busy_.playbackStop.store(true);
  Join();
}

bool PlaybackEngine::StartPlayback() { return Start(0, -1); }

bool PlaybackEngine::StartStep(int index) { return Start(index, index); }

bool PlaybackEngine::Start(int startIndex, int stopIndex) {
  if (busy_.playing.load()) return false;
  // The previous playback has cleared `playing`: its thread is at its very end, at most comparing
  // what it measured with its plan.
  Join();
  busy_.startIndex.store(startIndex);
  busy_.stopIndex.store(stopIndex);
  busy_.playing.store(true);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void PlaybackEngine::Join() {
  if (thread_.joinable()) thread_.join();
}

void PlaybackEngine::Queue(int id, int16_t position, uint16_t time) {
  servos_.QueueGoal(id, position, time);
}

void PlaybackEngine::Run() {
  const int startIndex = busy_.startIndex.load();
  const int stopIndex = busy_.stopIndex.load();
  const PlaybackSpeed speed = speed_.load();
  std::size_t index = startIndex < 0 ? 0 : static_cast<std::size_t>(startIndex);
  busy_.playbackStop.store(false);
  hooks_.SetBusyCommands(true);
  hooks_.EnablePaneFields(false);

  // The move to the first Pose starts where the robot is now.
  Pose previous;
  const int axes = servos_.axisCount.load();
  for (int id = 1; id <= axes && id <= kMotorCount; ++id) {
    previous.motorValues[static_cast<std::size_t>(id - 1)] = servos_.PresentPosition(id);
  }
  ForwardKinematics(geometry_.Get(), previous, &previous.x, &previous.y, nullptr, nullptr, nullptr);
  // The UI thread may point the engine elsewhere once `playing` is cleared, before this ends.
  MeasuredPath* const measured = measured_;
  const Pose start = previous;
  const std::size_t first = index;
  if (measured != nullptr) measured->Begin(clock_.NowMs());

  while (!busy_.playbackStop.load() && index < motion_.Size()) {
    hooks_.HighlightRow(index);
    hooks_.SelectPoseAtSpeed(index, speed);
    const std::optional<Pose> played = motion_.PoseAt(index);
    if (!played) break;
    const Pose& pose = *played;
    const uint32_t time = ScaleTransitionTime(pose.transitionTime, speed);
    if (pose.interpolation == kNone) {
      MoveNone(pose, time, index);
    } else {
      MoveInterpolated(previous, pose, pose.interpolation != kLinear, time, index);
    }
    if (stopIndex >= 0 && static_cast<std::size_t>(stopIndex) == index) break;
    if (!servos_.connected.load()) busy_.playbackStop.store(true);
    clock_.SleepMs(kPausePerPoseMs);
    ++index;
    previous = pose;
  }

  std::vector<Pose> played;
  if (measured != nullptr) {
    const std::size_t last = index < motion_.Size() ? index : (index == 0 ? 0 : index - 1);
    Sample(last);
    // Only what was played is planned, and only from a copy taken while the Motion cannot change.
    motion_.Read([&](const std::vector<Pose>& poses, std::size_t) {
      if (first <= last && last < poses.size()) {
        played.assign(poses.begin() + static_cast<std::ptrdiff_t>(first),
                      poses.begin() + static_cast<std::ptrdiff_t>(last) + 1);
      }
    });
  }
  hooks_.EnablePaneFields(true);
  hooks_.SetBusyCommands(false);
  busy_.playing.store(false);

  // The robot has stopped and the commands are back; the comparison with the plan follows.
  if (measured != nullptr) {
    FinishMeasuring(*measured, start, first, std::move(played), axes, speed);
  }
}

void PlaybackEngine::FinishMeasuring(MeasuredPath& measured, const Pose& start, std::size_t first,
                                     std::vector<Pose> played, int axes, PlaybackSpeed speed) {
  PlanOptions options;
  options.axes = axes;
  options.speed = speed;
  options.maxPoints = kMeasuredPlanMaxPoints;
  PlannedPath plan = PlanPath(geometry_.Get(), played, start, options);
  // The copy starts at the first Pose played; the plan speaks of the Motion's rows.
  plan.first = first;
  for (PathPoint& p : plan.points) p.pose += static_cast<uint32_t>(first);
  if (measured.Finish(std::move(plan))) hooks_.PlaybackMeasured();
}

void PlaybackEngine::Sample(std::size_t index) {
  if (measured_ == nullptr || !servos_.connected.load()) return;
  std::array<int16_t, kMotorCount> motors{};
  const int axes = servos_.axisCount.load();
  for (int id = 1; id <= axes && id <= kMotorCount; ++id) {
    motors[static_cast<std::size_t>(id - 1)] = servos_.PresentPosition(id);
  }
  measured_->Add(index, clock_.NowMs(), motors, geometry_.Get());
}

void PlaybackEngine::MoveNone(const Pose& pose, uint32_t time, std::size_t index) {
  const uint16_t goalTime = static_cast<uint16_t>(time / 10);
  for (int k = 0; k < kMotorCount; ++k) {
    if (pose.excluded[static_cast<std::size_t>(k)] == 0) {
      Queue(k + 1, pose.motorValues[static_cast<std::size_t>(k)], goalTime);
    }
  }
  const uint32_t deadline = clock_.NowMs() + time;
  if (measured_ == nullptr) {
    WaitUntil(clock_, deadline, busy_.playbackStop);
    return;
  }
  // The wait is cut into link cycles, so the robot's position is sampled as often as it is read.
  while (static_cast<int32_t>(deadline - clock_.NowMs()) > 0 && !busy_.playbackStop.load()) {
    Sample(index);
    const uint32_t now = clock_.NowMs();
    const uint32_t next = static_cast<int32_t>(deadline - now) > 10 ? now + 10 : deadline;
    WaitUntil(clock_, next, busy_.playbackStop);
  }
}

void PlaybackEngine::MoveInterpolated(const Pose& previous, const Pose& pose, bool arc,
                                      uint32_t time, std::size_t index) {
  // The height and the hand are not interpolated: they get the whole move at once.
  for (int k : {2, 4}) {
    if (pose.excluded[static_cast<std::size_t>(k)] == 0) {
      Queue(k + 1, pose.motorValues[static_cast<std::size_t>(k)], static_cast<uint16_t>(time / 10));
    }
  }
  const ArmGeometry g = geometry_.Get();
  InterpolatedMove move(g, previous, pose, arc, time);
  const StepTiming& timing = move.Timing();
  move.ForEachStep([&](double s, bool) {
    const uint32_t deadline = clock_.NowMs() + timing.periodMs;
    const InterpolatedMove::Step step = move.At(s);
    Queue(1, step.id1, timing.stepTime);
    Queue(2, step.id2, timing.stepTime);
    Queue(4, step.id4, timing.stepTime);
    Sample(index);
    WaitUntil(clock_, deadline, busy_.playbackStop);
    return !busy_.playbackStop.load();
  });
}

}  // namespace velmora
