#include "link/measured_path.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/kinematics.h"
#include "base/c_format.h"
#include "base/string_table.h"

namespace velmora {

namespace {

double SegmentDistance(double px, double py, const PathPoint& a, const PathPoint& b) {
  const double ax = a.x;
  const double ay = a.y;
  const double dx = b.x - ax;
  const double dy = b.y - ay;
  const double len2 = dx * dx + dy * dy;
  double f = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
  f = std::clamp(f, 0.0, 1.0);
  return std::hypot(px - (ax + f * dx), py - (ay + f * dy));
}

}  // namespace

std::optional<Deviation> LargestDeviation(const PlannedPath& planned,
                                          const std::vector<MeasuredSample>& samples) {
  if (samples.empty() || planned.points.empty()) return std::nullopt;
  Deviation worst;
  const std::size_t poses = planned.PoseCount();
  for (const MeasuredSample& m : samples) {
    std::size_t n = m.pose >= planned.first ? m.pose - planned.first : 0;
    n = std::min(n, poses - 1);
    const std::size_t from = planned.poseStart[n > 0 ? n - 1 : 0];
    const std::size_t to = n + 1 < poses ? planned.poseStart[n + 1] : planned.points.size();
    double best = std::numeric_limits<double>::infinity();
    if (to - from == 1) {
      best = std::hypot(m.x - planned.points[from].x, m.y - planned.points[from].y);
    }
    for (std::size_t i = from; i + 1 < to; ++i) {
      best = std::min(best, SegmentDistance(m.x, m.y, planned.points[i], planned.points[i + 1]));
    }
    if (std::isfinite(best) && best > worst.mm) {
      worst.mm = best;
      worst.pose = m.pose;
    }
  }
  return worst;
}

std::string DeviationText(const Deviation& deviation) {
  return LoadText(41211) + " " + FormatFixed(deviation.mm, 2) + "mm（" + LoadText(41207) + " " +
         FormatInt(static_cast<int64_t>(deviation.pose) + 1) + "）";
}

void MeasuredPath::Begin(PlannedPath planned, uint32_t startMs) {
  auto shared = std::make_shared<const PlannedPath>(std::move(planned));
  std::lock_guard lock(mutex_);
  planned_ = std::move(shared);
  samples_.clear();
  startMs_ = startMs;
  result_.reset();
  reportPending_ = false;
  ++revision_;
}

void MeasuredPath::Add(std::size_t pose, uint32_t nowMs,
                       const std::array<int16_t, kMotorCount>& motors, const ArmGeometry& g) {
  Pose p;
  p.motorValues = motors;
  double x = 0;
  double y = 0;
  ForwardKinematics(g, p, &x, &y, nullptr, nullptr, nullptr);
  std::lock_guard lock(mutex_);
  if (planned_ == nullptr) return;
  samples_.push_back({nowMs - startMs_, static_cast<uint32_t>(pose), static_cast<float>(x),
                      static_cast<float>(y)});
  ++revision_;
}

void MeasuredPath::Finish() {
  std::lock_guard lock(mutex_);
  if (planned_ == nullptr) return;
  result_ = LargestDeviation(*planned_, samples_);
  reportPending_ = result_.has_value();
  ++revision_;
}

void MeasuredPath::Clear() {
  std::lock_guard lock(mutex_);
  planned_.reset();
  samples_.clear();
  result_.reset();
  reportPending_ = false;
  ++revision_;
}

uint64_t MeasuredPath::Revision() const {
  std::lock_guard lock(mutex_);
  return revision_;
}

MeasuredView MeasuredPath::View() const {
  std::lock_guard lock(mutex_);
  return {planned_, samples_, result_};
}

std::optional<Deviation> MeasuredPath::TakeFinished() {
  std::lock_guard lock(mutex_);
  if (!reportPending_) return std::nullopt;
  reportPending_ = false;
  return result_;
}

}  // namespace velmora
