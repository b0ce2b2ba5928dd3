#include "link/playback_engine.h"

#include <cmath>

#include "base/clock.h"
#include "base/numeric.h"
#include "document/motion.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"

namespace velmora {

namespace {

constexpr double kAngleWrap = 6.2831852;
constexpr uint32_t kPausePerPoseMs = 10;

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
  Join();  // the previous playback has cleared `playing`: its thread is at its very end
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

  while (!busy_.playbackStop.load() && index < motion_.Size()) {
    hooks_.HighlightRow(index);
    hooks_.SelectPose(index);
    const std::optional<Pose> played = motion_.PoseAt(index);
    if (!played) break;
    const Pose& pose = *played;
    if (pose.interpolation == kNone) {
      MoveNone(pose);
    } else {
      MoveInterpolated(previous, pose, pose.interpolation != kLinear);
    }
    if (stopIndex >= 0 && static_cast<std::size_t>(stopIndex) == index) break;
    if (!servos_.connected.load()) busy_.playbackStop.store(true);
    clock_.SleepMs(kPausePerPoseMs);
    ++index;
    previous = pose;
  }

  hooks_.EnablePaneFields(true);
  hooks_.SetBusyCommands(false);
  busy_.playing.store(false);
}

void PlaybackEngine::MoveNone(const Pose& pose) {
  const uint16_t time = static_cast<uint16_t>(pose.transitionTime / 10);
  for (int k = 0; k < kMotorCount; ++k) {
    if (pose.excluded[static_cast<std::size_t>(k)] == 0) {
      Queue(k + 1, pose.motorValues[static_cast<std::size_t>(k)], time);
    }
  }
  WaitUntil(clock_, clock_.NowMs() + pose.transitionTime, busy_.playbackStop);
}

void PlaybackEngine::MoveInterpolated(const Pose& previous, const Pose& pose, bool arc) {
  const ArmGeometry g = geometry_.Get();
  const uint32_t T = pose.transitionTime;
  const StepTiming timing = ComputeStepTiming(T);
  Pose working = previous;
  const double dx = pose.x - previous.x;
  const double dy = pose.y - previous.y;

  // The height and the hand are not interpolated: they get the whole move at once.
  for (int k : {2, 4}) {
    if (pose.excluded[static_cast<std::size_t>(k)] == 0) {
      Queue(k + 1, pose.motorValues[static_cast<std::size_t>(k)], static_cast<uint16_t>(T / 10));
    }
  }

  // How much the wrist's offset from its rotation-0 value changes over the move.
  InverseKinematics(g, previous.x, previous.y, 0, 0, 0, working);
  const int off0 = working.motorValues[3] - previous.motorValues[3];
  InverseKinematics(g, pose.x, pose.y, 0, 0, 0, working);
  const int dId4 = (pose.motorValues[3] - working.motorValues[3]) + off0;

  ArcPath path;
  if (arc) {
    path =
        ComputeArcPath(previous.x, previous.y, pose.x, pose.y, pose.arcRadius, pose.arcDirection);
  }

  const double limit = 1 + timing.ds;
  double s = 0;
  if (!(limit > 0)) return;
  do {
    bool last = false;
    const uint32_t deadline = clock_.NowMs() + timing.periodMs;
    if (s > 1) {
      s = 1;
      last = true;
    }
    double px;
    double py;
    if (arc) {
      const double angle = path.a0 - s * path.sweep;
      px = path.cx + path.radius * std::cos(angle);
      py = path.cy + path.radius * std::sin(angle);
    } else {
      px = previous.x + s * dx;
      py = previous.y + s * dy;
    }
    InverseKinematics(g, px, py, 0, 0, 0, working);
    working.motorValues[3] =
        static_cast<int16_t>(working.motorValues[3] + SaturatingTrunc(dId4 * s) - off0);
    Queue(1, working.motorValues[0], timing.stepTime);
    Queue(2, working.motorValues[1], timing.stepTime);
    Queue(4, working.motorValues[3], timing.stepTime);
    WaitUntil(clock_, deadline, busy_.playbackStop);
    if (busy_.playbackStop.load() || last) break;
    s += timing.ds;
  } while (s < limit);
}

}  // namespace velmora
