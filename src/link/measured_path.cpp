#include "link/measured_path.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/kinematics.h"
#include "base/c_format.h"
#include "base/string_table.h"

namespace velmora {

namespace {

// How many segments past a bump the walk looks for a nearer one (a path that bends away from the
// tool for a moment and back, or a tool that moved on by more than one segment since the sample
// before).
constexpr std::size_t kLookAhead = 8;

// The squared distance from (px, py) to the segment from a to b.
double SegmentDistance2(double px, double py, const PathPoint& a, const PathPoint& b) {
  const double ax = a.x;
  const double ay = a.y;
  const double dx = b.x - ax;
  const double dy = b.y - ay;
  const double len2 = dx * dx + dy * dy;
  double f = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
  f = std::clamp(f, 0.0, 1.0);
  const double ex = px - (ax + f * dx);
  const double ey = py - (ay + f * dy);
  return ex * ex + ey * ey;
}

}  // namespace

std::optional<Deviation> LargestDeviation(const PlannedPath& planned,
                                          const std::vector<MeasuredSample>& samples) {
  if (samples.empty() || planned.points.empty() || planned.PoseCount() == 0) return std::nullopt;
  const std::vector<PathPoint>& points = planned.points;
  const std::size_t poses = planned.PoseCount();
  Deviation worst;
  double worst2 = 0;
  std::size_t cursor = 0;  // the segment (from this point to the next) nearest the last sample
  std::size_t lastPose = 0;
  for (const MeasuredSample& m : samples) {
    std::size_t n = m.pose >= planned.first ? m.pose - planned.first : 0;
    n = std::min(n, poses - 1);
    const std::size_t from = planned.poseStart[n > 0 ? n - 1 : 0];
    const std::size_t to = n + 1 < poses ? planned.poseStart[n + 1] : points.size();
    if (to <= from) continue;
    // Segment i runs from point i to point i + 1; a single point is a segment of no length.
    const std::size_t lastSegment = to - from >= 2 ? to - 2 : from;
    const std::size_t end = to - from >= 2 ? 1 : 0;
    auto distance2 = [&](std::size_t i) {
      return SegmentDistance2(m.x, m.y, points[i], points[i + end]);
    };
    // A sample of an earlier Pose than the one before (it cannot happen in one playback) starts
    // the walk over.
    if (m.pose < lastPose || cursor < from || cursor > lastSegment) cursor = from;
    lastPose = m.pose;
    double best = distance2(cursor);
    for (;;) {
      while (cursor < lastSegment) {
        const double d = distance2(cursor + 1);
        if (d > best) break;
        best = d;
        ++cursor;
      }
      std::size_t jump = cursor;
      const std::size_t horizon = std::min(lastSegment, cursor + kLookAhead);
      for (std::size_t i = cursor + 2; i <= horizon; ++i) {
        const double d = distance2(i);
        if (d < best) {
          best = d;
          jump = i;
        }
      }
      if (jump == cursor) break;
      cursor = jump;
    }
    if (std::isfinite(best) && best > worst2) {
      worst2 = best;
      worst.pose = m.pose;
    }
  }
  worst.mm = std::sqrt(worst2);
  return worst;
}

std::string DeviationText(const Deviation& deviation) {
  return LoadText(41211) + " " + FormatFixed(deviation.mm, 2) + "mm（" + LoadText(41207) + " " +
         FormatInt(static_cast<int64_t>(deviation.pose) + 1) + "）";
}

void MeasuredPath::Begin(uint32_t startMs) {
  std::lock_guard lock(mutex_);
  planned_.reset();
  samples_.clear();
  startMs_ = startMs;
  result_.reset();
  active_ = true;
  reportPending_ = false;
  ++revision_;
  ++generation_;
}

void MeasuredPath::Add(std::size_t pose, uint32_t nowMs,
                       const std::array<int16_t, kMotorCount>& motors, const ArmGeometry& g) {
  Pose p;
  p.motorValues = motors;
  double x = 0;
  double y = 0;
  ForwardKinematics(g, p, &x, &y, nullptr, nullptr, nullptr);
  std::lock_guard lock(mutex_);
  if (!active_) return;
  samples_.push_back({nowMs - startMs_, static_cast<uint32_t>(pose), static_cast<float>(x),
                      static_cast<float>(y)});
  ++revision_;
}

bool MeasuredPath::Finish(PlannedPath planned) {
  std::vector<MeasuredSample> samples;
  uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    if (!active_) return false;
    samples = samples_;
    generation = generation_;
  }
  // Compared without the lock: the render thread goes on drawing the samples meanwhile.
  std::optional<Deviation> result = LargestDeviation(planned, samples);
  auto shared = std::make_shared<const PlannedPath>(std::move(planned));
  std::lock_guard lock(mutex_);
  if (!active_ || generation != generation_) return false;
  planned_ = std::move(shared);
  result_ = result;
  reportPending_ = result_.has_value();
  ++revision_;
  return true;
}

void MeasuredPath::Clear() {
  std::lock_guard lock(mutex_);
  planned_.reset();
  samples_.clear();
  result_.reset();
  active_ = false;
  reportPending_ = false;
  ++revision_;
  ++generation_;
}

uint64_t MeasuredPath::Revision() const {
  std::lock_guard lock(mutex_);
  return revision_;
}

MeasuredView MeasuredPath::View() const {
  std::lock_guard lock(mutex_);
  return {active_, planned_, samples_, result_};
}

std::optional<Deviation> MeasuredPath::TakeFinished() {
  std::lock_guard lock(mutex_);
  if (!reportPending_) return std::nullopt;
  reportPending_ = false;
  return result_;
}

}  // namespace velmora
