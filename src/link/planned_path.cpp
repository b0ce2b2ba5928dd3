#include "link/planned_path.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "document/pose_edit_pane.h"
#include "geometry/kinematics.h"
#include "link/playback_engine.h"

namespace velmora {

namespace {

constexpr uint32_t kPausePerPoseMs = 10;
constexpr uint32_t kMaxNoneSamples = 64;
// The rotary servos, whose motor values are tenths of a degree (0-based motor numbers).
constexpr std::array<int, 3> kRotaryMotors{0, 1, 3};

class Walker {
 public:
  Walker(const ArmGeometry& g, const PlanOptions& o, PlannedPath& out) : g_(g), o_(o), out_(out) {}

  void Queue(uint32_t t, int id, int16_t position, uint16_t time) {
    if (!o_.keepGoals) return;
    // A later goal for the same servo at the same moment replaces the earlier one in the table
    // before the link can send it.
    for (auto it = out_.goals.rbegin(); it != out_.goals.rend() && it->t == t; ++it) {
      if (it->id == id) {
        out_.goals.erase(std::next(it).base());
        break;
      }
    }
    out_.goals.push_back({t, id, position, time});
  }

  void QueueShown(uint32_t t, const Pose& pose, uint32_t time) {
    const auto goalTime = static_cast<uint16_t>(std::min<uint32_t>(time / 10, 65535));
    for (int k = 0; k < kMotorCount; ++k) {
      if (pose.excluded[static_cast<std::size_t>(k)] == 0) {
        Queue(t, k + 1, pose.motorValues[static_cast<std::size_t>(k)], goalTime);
      }
    }
  }

  void AddPoint(uint32_t t, uint32_t pose, const std::array<int16_t, kMotorCount>& motors,
                const double* x, const double* y) {
    PathPoint p;
    p.t = t;
    p.pose = pose;
    p.motors = motors;
    p.z = static_cast<float>(ToolHeight(motors[2]));
    if (x != nullptr && y != nullptr) {
      p.x = static_cast<float>(*x);
      p.y = static_cast<float>(*y);
    } else {
      Pose m;
      m.motorValues = motors;
      double fx = 0;
      double fy = 0;
      ForwardKinematics(g_, m, &fx, &fy, nullptr, nullptr, nullptr);
      p.x = static_cast<float>(fx);
      p.y = static_cast<float>(fy);
    }
    out_.points.push_back(p);
  }

  // The turn of the rotary servos from `from` to `to` in `ms`, in degrees per second.
  void Speed(PoseCheck& check, const std::array<int16_t, kMotorCount>& from,
             const std::array<int16_t, kMotorCount>& to, uint32_t ms) const {
    if (ms == 0) return;
    for (int k : kRotaryMotors) {
      if (k + 1 > o_.axes) continue;
      const auto i = static_cast<std::size_t>(k);
      const double speed = std::abs(int{to[i]} - int{from[i]}) * 100.0 / ms;
      if (speed > check.maxSpeed) {
        check.maxSpeed = speed;
        check.fastestMotor = static_cast<uint8_t>(k + 1);
      }
    }
  }

  uint8_t LimitMask() const { return o_.axes >= 4 ? 0x0B : 0x03; }

  const ArmGeometry& g_;
  const PlanOptions& o_;
  PlannedPath& out_;
};

int16_t Between(int16_t from, int16_t to, double f) {
  return static_cast<int16_t>(from + static_cast<int>(std::trunc((to - from) * f)));
}

}  // namespace

Pose PreviewStart(const std::vector<Pose>& poses) {
  if (poses.empty()) return Pose{};
  Pose start = poses.front();
  NormaliseShownPose(start);
  return start;
}

PlannedPath PlanPath(const ArmGeometry& g, const std::vector<Pose>& poses, const Pose& start,
                     const PlanOptions& options) {
  PlannedPath out;
  out.first = options.first;
  if (options.first >= poses.size()) return out;
  const std::size_t last = std::min(options.last, poses.size() - 1);
  if (last < options.first) return out;
  const std::size_t count = last - options.first + 1;
  out.poseStart.reserve(count);
  out.checks.reserve(count);
  std::size_t expected = 0;
  for (std::size_t i = options.first; i <= last; ++i) {
    const uint32_t t = ScaleTransitionTime(poses[i].transitionTime, options.speed);
    expected += poses[i].interpolation == kNone ? std::min<uint32_t>(t / 10, kMaxNoneSamples) + 1
                                                : t / 10 + 2;
  }
  // Over the limit, long moves are sampled instead of walked step by step.
  std::size_t stepsPerMove = SIZE_MAX;
  if (options.maxPoints != 0 && expected > options.maxPoints) {
    stepsPerMove = std::max(kMinStepsPerMove, options.maxPoints / count);
  }
  out.points.reserve(std::min(expected, count * std::min<std::size_t>(stepsPerMove + 2, 65539)));

  Walker w(g, options, out);
  Pose previous = start;
  std::array<int16_t, kMotorCount> state = start.motorValues;  // where the servos head for
  uint32_t t = 0;

  for (std::size_t index = options.first; index <= last; ++index) {
    Pose pose = poses[index];
    NormaliseShownPose(pose);
    const uint32_t T = ScaleTransitionTime(pose.transitionTime, options.speed);
    const auto poseNumber = static_cast<uint32_t>(index);
    PoseCheck check;
    out.poseStart.push_back(static_cast<uint32_t>(out.points.size()));
    w.QueueShown(t, pose, T);

    if (pose.interpolation == kNone) {
      w.QueueShown(t, pose, T);
      std::array<int16_t, kMotorCount> target = state;
      for (int k = 0; k < kMotorCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (pose.excluded[i] == 0) target[i] = pose.motorValues[i];
      }
      w.Speed(check, state, target, T);
      const auto most = static_cast<uint32_t>(std::min<std::size_t>(kMaxNoneSamples, stepsPerMove));
      const uint32_t samples = std::clamp<uint32_t>(T / 10, 1, most);
      for (uint32_t j = 0; j <= samples; ++j) {
        const double f = static_cast<double>(j) / samples;
        std::array<int16_t, kMotorCount> m;
        for (std::size_t i = 0; i < m.size(); ++i) m[i] = Between(state[i], target[i], f);
        w.AddPoint(t + static_cast<uint32_t>(T * f), poseNumber, m, nullptr, nullptr);
      }
      state = target;
      t += T;
    } else {
      const uint16_t whole = static_cast<uint16_t>(T / 10);
      std::array<int16_t, kMotorCount> target = state;
      for (int k : {2, 4}) {
        const auto i = static_cast<std::size_t>(k);
        if (pose.excluded[i] == 0) {
          w.Queue(t, k + 1, pose.motorValues[i], whole);
          target[i] = pose.motorValues[i];
        }
      }
      InterpolatedMove move(g, previous, pose, pose.interpolation != kLinear, T);
      const StepTiming& timing = move.Timing();
      uint32_t stepAt = t;
      std::array<int16_t, kMotorCount> sent = state;
      const uint8_t mask = w.LimitMask();
      const std::size_t stride =
          stepsPerMove == SIZE_MAX ? 1 : (timing.n + stepsPerMove) / stepsPerMove;
      std::size_t stepIndex = 0;
      uint32_t skipped = 0;  // steps since the last sample
      move.ForEachStep([&](double s, bool final) {
        if (stepIndex++ % stride != 0 && !final) {
          ++skipped;
          stepAt += timing.periodMs;
          return true;
        }
        const InterpolatedMove::Step step = move.At(s);
        w.Queue(stepAt, 1, step.id1, timing.stepTime);
        w.Queue(stepAt, 2, step.id2, timing.stepTime);
        w.Queue(stepAt, 4, step.id4, timing.stepTime);
        std::array<int16_t, kMotorCount> m = sent;
        m[0] = step.id1;
        m[1] = step.id2;
        m[3] = step.id4;
        m[2] = Between(state[2], target[2], s);
        m[4] = Between(state[4], target[4], s);
        w.Speed(check, sent, m, timing.periodMs * (skipped + 1));
        skipped = 0;
        check.stretched = check.stretched || step.ik.stretched;
        check.limited = static_cast<uint8_t>(check.limited | (step.ik.limited & mask));
        // Where the kinematics honoured the point, the tool goes there; elsewhere it goes where
        // the motor values put it.
        const bool exact = !step.ik.stretched && (step.ik.limited & mask) == 0;
        w.AddPoint(stepAt + timing.periodMs, poseNumber, m, exact ? &step.x : nullptr,
                   exact ? &step.y : nullptr);
        sent = m;
        stepAt += timing.periodMs;
        return true;
      });
      sent[2] = target[2];
      sent[4] = target[4];
      state = sent;
      t = stepAt;
    }
    out.checks.push_back(check);
    previous = pose;
    if (index != last) t += kPausePerPoseMs;
  }
  out.duration = t;
  return out;
}

}  // namespace velmora
