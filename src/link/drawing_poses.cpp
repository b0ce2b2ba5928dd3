#include "link/drawing_poses.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "geometry/kinematics.h"
#include "link/drawing_order.h"
#include "link/planned_path.h"
#include "link/recording_simplifier.h"

namespace velmora {

namespace {

// A sample of a stroke is no further than this from the next (mm), so that every Linear or Arc
// candidate is checked along its whole length.
constexpr double kSampleStepMm = 1.0;
constexpr uint32_t kMinTravelMs = 30;
constexpr uint32_t kMaxMoveMs = 655350;
// Rounds of lengthening the moves a servo could not follow at their first time.
constexpr int kSpeedRounds = 4;

uint32_t ClampMs(double ms) {
  if (!std::isfinite(ms) || ms < 0) return 0;
  return static_cast<uint32_t>(std::min<double>(kMaxMoveMs, std::round(ms)));
}

Pose MakePose(const ArmGeometry& g, const DrawingOptions& o, int elbow, DrawingPoint p, double z,
              int32_t interpolation, uint32_t ms) {
  Pose pose;
  pose.interpolation = interpolation;
  pose.x = p.x;
  pose.y = p.y;
  pose.z = z;
  pose.rotation = o.reach.rotation;
  pose.handWidth = o.reach.handWidth;
  pose.transitionTime = ms;
  pose.motorValues[1] = static_cast<int16_t>(elbow > 0 ? 1 : -1);
  UpdateMotorValues(g, pose);
  return pose;
}

TravelModel Travel(const ArmGeometry& g, const DrawingOptions& o, int elbow) {
  TravelModel m;
  m.joints = [&g, &o, elbow](DrawingPoint p) {
    Pose pose;
    pose.motorValues[1] = static_cast<int16_t>(elbow > 0 ? 1 : -1);
    InverseKinematics(g, p.x, p.y, o.reach.penUpZ, o.reach.rotation, o.reach.handWidth, pose);
    return JointPoint{static_cast<double>(pose.motorValues[0]),
                      static_cast<double>(pose.motorValues[1])};
  };
  // Motor units are tenths of a degree; travel at half the highest speed.
  const double unitsPerSecond = std::max(1.0, o.maxServoSpeed * 10 * 0.5);
  m.secondsPerJointUnit = 1.0 / unitsPerSecond;
  m.liftSeconds = 2 * o.liftMs / 1000;
  return m;
}

uint32_t TravelMs(const TravelModel& m, const Pose& from, DrawingPoint to) {
  const JointPoint a{static_cast<double>(from.motorValues[0]),
                     static_cast<double>(from.motorValues[1])};
  const JointPoint b = m.joints(to);
  const double s = std::max(std::fabs(a.a - b.a), std::fabs(a.b - b.b)) * m.secondsPerJointUnit;
  return std::max(kMinTravelMs, ClampMs(s * 1000));
}

// The joints turned evenly from `a` to `b`, as a None move turns them, sampled a degree or so
// apart (the motor values are tenths of a degree).
std::vector<DrawingPoint> JointPath(const ArmGeometry& g, const Pose& a, const Pose& b) {
  constexpr int kMaxSamples = 64;
  const int most = std::max(std::abs(a.motorValues[0] - b.motorValues[0]),
                            std::abs(a.motorValues[1] - b.motorValues[1]));
  const int samples = std::clamp(most / 10, 1, kMaxSamples);
  std::vector<DrawingPoint> path;
  path.reserve(static_cast<std::size_t>(samples) + 1);
  Pose m = b;
  for (int k = 0; k <= samples; ++k) {
    const double f = static_cast<double>(k) / samples;
    for (std::size_t i : {0u, 1u}) {
      m.motorValues[i] = static_cast<int16_t>(
          std::lround(a.motorValues[i] + (b.motorValues[i] - a.motorValues[i]) * f));
    }
    double x = 0, y = 0;
    ForwardKinematics(g, m, &x, &y, nullptr, nullptr, nullptr);
    path.push_back({x, y});
  }
  return path;
}

// The pen-down run of one stroke: its samples as Poses, timed by the drawing speed.
std::vector<Pose> StrokeRun(const ArmGeometry& g, const DrawingOptions& o, int elbow,
                            const Stroke& stroke) {
  std::vector<DrawingPoint> points;
  FlattenStroke(stroke, std::max(0.005, o.toleranceMm / 4), kSampleStepMm, points);
  std::vector<Pose> run;
  run.reserve(points.size());
  double length = 0;
  double shownMs = 0;
  const double speed = std::max(0.1, o.speedMmPerS);
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (k > 0) {
      const double step = std::hypot(points[k].x - points[k - 1].x, points[k].y - points[k - 1].y);
      if (step < 1e-6) continue;
      length += step;
    }
    const double ms = std::round(length / speed * 1000);
    run.push_back(MakePose(g, o, elbow, points[k], o.reach.penDownZ, kLinear,
                           ClampMs(ms - shownMs)));
    shownMs = ms;
  }
  return run;
}

// The run cut into pieces that each turn by at most half a turn, of equal turn: an Arc Pose never
// sweeps more than a semicircle, whose centre the radius's sign alone cannot place exactly, and a
// circle becomes three arcs rather than one that nearly closes and a straight stub. Corners do not
// count as turning. Pieces share their end samples.
std::vector<std::pair<std::size_t, std::size_t>> TurnPieces(const std::vector<Pose>& run) {
  std::vector<std::pair<std::size_t, std::size_t>> pieces;
  if (run.size() < 2) return pieces;
  std::vector<double> turned(run.size(), 0);
  for (std::size_t k = 2; k < run.size(); ++k) {
    const double h0 = std::atan2(run[k - 1].y - run[k - 2].y, run[k - 1].x - run[k - 2].x);
    const double h1 = std::atan2(run[k].y - run[k - 1].y, run[k].x - run[k - 1].x);
    double d = h1 - h0;
    while (d > kPi) d -= 2 * kPi;
    while (d < -kPi) d += 2 * kPi;
    turned[k - 1] = turned[k - 2] + (std::fabs(d) < kPi / 4 ? std::fabs(d) : 0);
  }
  turned.back() = turned[run.size() - 2];
  const double total = turned.back();
  const std::size_t count = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(total / (kPi * 0.98))));
  std::size_t first = 0;
  for (std::size_t piece = 1; piece < count; ++piece) {
    const double at = total * static_cast<double>(piece) / static_cast<double>(count);
    std::size_t k = first + 1;
    while (k + 1 < run.size() && turned[k] < at) ++k;
    if (k + 1 >= run.size()) break;
    pieces.emplace_back(first, k);
    first = k;
  }
  pieces.emplace_back(first, run.size() - 1);
  return pieces;
}

DrawingPlan Arrange(const ArmGeometry& g, const Drawing& drawing, const FlatDrawing& flat,
                    const Placement& placement, const DrawingOptions& o, const Pose& from) {
  DrawingPlan plan;
  plan.reach = CheckReach(g, o.reach, flat, placement, true);
  const DrawingTransform t = PlacementTransform(flat.bounds, placement);
  std::vector<Stroke> placed;
  placed.reserve(drawing.strokes.size());
  for (const Stroke& s : drawing.strokes) placed.push_back(TransformStroke(s, t));
  placed = MergeStrokes(placed);
  if (!o.keepFileOrder) {
    placed = OrderStrokes(placed, {from.x, from.y}, Travel(g, o, plan.reach.elbow));
  }
  plan.strokes = JoinMeetingStrokes(std::move(placed));
  plan.summary.strokes = plan.strokes.size();
  plan.summary.lifts = plan.strokes.size();
  Pose at = from;
  for (const Stroke& s : plan.strokes) {
    const Pose next = MakePose(g, o, plan.reach.elbow, s.start, o.reach.penUpZ, kNone, 0);
    plan.travel.push_back(JointPath(g, at, next));
    at = MakePose(g, o, plan.reach.elbow, s.End(), o.reach.penUpZ, kNone, 0);
  }
  return plan;
}

}  // namespace

DrawingPlan PreviewDrawing(const ArmGeometry& g, const Drawing& drawing, const FlatDrawing& flat,
                           const Placement& placement, const DrawingOptions& options,
                           const Pose& from) {
  return Arrange(g, drawing, flat, placement, options, from);
}

DrawingPlan PlanDrawing(const ArmGeometry& g, const Drawing& drawing, const FlatDrawing& flat,
                        const Placement& placement, const DrawingOptions& o, const Pose& from) {
  DrawingPlan plan = Arrange(g, drawing, flat, placement, o, from);
  if (plan.reach.strokesOutside != 0 || plan.strokes.empty()) return plan;
  const int elbow = plan.reach.elbow;
  const TravelModel travel = Travel(g, o, elbow);
  const uint32_t liftMs = std::max<uint32_t>(10, ClampMs(o.liftMs));
  SimplifyOptions simplify;
  simplify.toleranceMm = o.toleranceMm;
  simplify.allowArcs = true;
  simplify.penThreshold = o.reach.penDownZ + 1;
  simplify.axes = o.reach.axes;
  simplify.exactSamples = true;

  std::vector<Pose>& poses = plan.poses;
  Pose at = from;
  auto add = [&](Pose p) {
    poses.push_back(p);
    at = p;
  };
  // A pen that is down where the drawing starts goes up first.
  if (from.z < o.reach.penUpZ - 0.01) {
    add(MakePose(g, o, elbow, {from.x, from.y}, o.reach.penUpZ, kNone, liftMs));
  }
  std::vector<std::size_t> travels;  // the None moves that carry the lifted pen to a stroke
  for (const Stroke& stroke : plan.strokes) {
    const uint32_t ms = TravelMs(travel, at, stroke.start);
    travels.push_back(poses.size());
    add(MakePose(g, o, elbow, stroke.start, o.reach.penUpZ, kNone, ms));
    add(MakePose(g, o, elbow, stroke.start, o.reach.penDownZ, kNone, liftMs));
    const std::vector<Pose> run = StrokeRun(g, o, elbow, stroke);
    for (const auto& [first, last] : TurnPieces(run)) {
      const std::vector<Pose> piece(run.begin() + static_cast<std::ptrdiff_t>(first),
                                    run.begin() + static_cast<std::ptrdiff_t>(last) + 1);
      const SimplifiedRecording fitted = SimplifyRecording(g, piece, simplify);
      for (std::size_t k = 1; k < fitted.poses.size(); ++k) add(fitted.poses[k]);
      plan.summary.maxDeviationMm = std::max(plan.summary.maxDeviationMm, fitted.maxDeviationMm);
    }
    add(MakePose(g, o, elbow, {at.x, at.y}, o.reach.penUpZ, kNone, liftMs));
  }
  // A move the servos cannot follow at its time (a turn faster than they can) gets more time.
  PlanOptions check;
  check.axes = o.reach.axes;
  for (int round = 0; round < kSpeedRounds; ++round) {
    const PlannedPath path = PlanPath(g, poses, from, check);
    bool changed = false;
    for (std::size_t k = 0; k < poses.size() && k < path.checks.size(); ++k) {
      const double speed = path.checks[k].maxSpeed;
      if (speed <= o.maxServoSpeed * 0.95) continue;
      const double factor = speed / (o.maxServoSpeed * 0.9);
      poses[k].transitionTime = ClampMs(poses[k].transitionTime * factor + 10);
      changed = true;
    }
    if (!changed) break;
  }
  double totalMs = 0;
  for (const Pose& p : poses) totalMs += p.transitionTime;
  double travelMs = 0;
  for (const std::size_t k : travels) travelMs += poses[k].transitionTime;
  plan.summary.poses = poses.size();
  plan.summary.travelSeconds = travelMs / 1000;
  plan.summary.totalSeconds = totalMs / 1000;
  return plan;
}

}  // namespace velmora
