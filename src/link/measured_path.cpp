#include "link/measured_path.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/kinematics.h"
#include "base/c_format.h"
#include "base/string_table.h"

namespace velmora {

namespace {

// Segments are looked at in blocks of this many, each with its bounding box: a block whose box is
// farther from a sample than the nearest segment found so far is passed over whole.
constexpr std::size_t kBlock = 16;
// Points of a move that lie this close to a straight line through its neighbours are left out of
// the walk: far below what the deviation shows (0.01 mm), and a slow Linear move's thousands of
// tiny steps become the one segment they are, so that no tool is ever many segments away from the
// one the walk stands on.
constexpr double kStraightMm = 0.001;

struct Corner {
  double x = 0, y = 0;
};

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

// Appends the corners of points[from, to): the first, the last, and each point where the path
// leaves the straight line it followed. A run ends where a point falls outside the cone of
// directions that keeps every point since its start within kStraightMm of the line, or where the
// path turns back towards its start.
void AppendCorners(const std::vector<PathPoint>& points, std::size_t from, std::size_t to,
                   std::vector<Corner>& out) {
  if (from >= to) return;
  std::size_t start = from;
  std::size_t last = from;
  out.push_back({points[from].x, points[from].y});
  bool narrowed = false;
  double loX = 0, loY = 0, hiX = 0, hiY = 0;  // the cone's clockwise and counter-clockwise edges
  double farthest = 0;
  for (std::size_t k = from + 1; k < to; ++k) {
    const double dx = points[k].x - points[start].x;
    const double dy = points[k].y - points[start].y;
    const double r = std::hypot(dx, dy);
    if (!(r > kStraightMm)) {
      if (!(r + kStraightMm >= farthest)) {  // back at the start (or not a number)
        out.push_back({points[last].x, points[last].y});
        start = last;
        narrowed = false;
        farthest = 0;
      }
      last = k;
      continue;
    }
    const bool outside = narrowed && (Cross(loX, loY, dx, dy) < 0 || Cross(dx, dy, hiX, hiY) < 0);
    if (outside || r + kStraightMm < farthest) {
      out.push_back({points[last].x, points[last].y});
      start = last;
      narrowed = false;
      farthest = 0;
      --k;  // looked at again, from the new start
      continue;
    }
    const double sin = kStraightMm / r;
    const double cos = std::sqrt(1 - sin * sin);
    const double ux = dx / r;
    const double uy = dy / r;
    const double lx = ux * cos + uy * sin;  // turned clockwise
    const double ly = uy * cos - ux * sin;
    const double hx = ux * cos - uy * sin;  // turned counter-clockwise
    const double hy = uy * cos + ux * sin;
    if (!narrowed || Cross(loX, loY, lx, ly) > 0) {
      loX = lx;
      loY = ly;
    }
    if (!narrowed || Cross(hx, hy, hiX, hiY) > 0) {
      hiX = hx;
      hiY = hy;
    }
    narrowed = true;
    farthest = std::max(farthest, r);
    last = k;
  }
  if (last != start) out.push_back({points[last].x, points[last].y});
}

// The squared distance from (px, py) to the segment from a to b.
double SegmentDistance2(double px, double py, const Corner& a, const Corner& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double f = len2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / len2 : 0;
  f = std::clamp(f, 0.0, 1.0);
  const double ex = px - (a.x + f * dx);
  const double ey = py - (a.y + f * dy);
  return ex * ex + ey * ey;
}

}  // namespace

std::optional<Deviation> LargestDeviation(const PlannedPath& planned,
                                          const std::vector<MeasuredSample>& samples) {
  if (samples.empty() || planned.points.empty() || planned.PoseCount() == 0) return std::nullopt;
  const std::size_t poses = planned.PoseCount();
  // Each move's corners, and where each move's begin among them.
  std::vector<Corner> points;
  std::vector<std::size_t> poseStart(poses);
  for (std::size_t k = 0; k < poses; ++k) {
    poseStart[k] = points.size();
    const std::size_t to = k + 1 < poses ? planned.poseStart[k + 1] : planned.points.size();
    AppendCorners(planned.points, planned.poseStart[k], to, points);
  }
  // The bounding box of each block of segments (segment i runs from corner i to corner i + 1).
  struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  };
  const std::size_t segments = points.size() > 1 ? points.size() - 1 : 1;
  std::vector<Box> boxes((segments + kBlock - 1) / kBlock);
  for (std::size_t b = 0; b < boxes.size(); ++b) {
    const std::size_t end = std::min(points.size() - 1, (b + 1) * kBlock);
    Box box{points[b * kBlock].x, points[b * kBlock].y, points[b * kBlock].x, points[b * kBlock].y};
    for (std::size_t i = b * kBlock + 1; i <= end; ++i) {
      box = {std::min(box.x0, points[i].x), std::min(box.y0, points[i].y),
             std::max(box.x1, points[i].x), std::max(box.y1, points[i].y)};
    }
    boxes[b] = box;
  }

  Deviation worst;
  double worst2 = 0;
  std::size_t cursor = 0;  // the segment nearest the last sample
  for (const MeasuredSample& m : samples) {
    std::size_t n = m.pose >= planned.first ? m.pose - planned.first : 0;
    n = std::min(n, poses - 1);
    const std::size_t from = poseStart[n > 0 ? n - 1 : 0];
    const std::size_t to = n + 1 < poses ? poseStart[n + 1] : points.size();
    if (to <= from) continue;
    // A single point is a segment of no length.
    const std::size_t lastSegment = to - from >= 2 ? to - 2 : from;
    const std::size_t end = to - from >= 2 ? 1 : 0;
    auto distance2 = [&](std::size_t i) {
      return SegmentDistance2(m.x, m.y, points[i], points[i + end]);
    };
    if (cursor < from || cursor > lastSegment) cursor = from;
    // The tool moves along the plan: walked forward from the segment nearest the sample before,
    // the nearest segment is usually found at once, and its distance lets almost every block be
    // passed over by its box.
    double best = distance2(cursor);
    while (cursor < lastSegment) {
      const double d = distance2(cursor + 1);
      if (d > best) break;
      best = d;
      ++cursor;
    }
    for (std::size_t b = from / kBlock; b <= lastSegment / kBlock; ++b) {
      const Box& box = boxes[b];
      const double dx = std::max({box.x0 - m.x, 0.0, m.x - box.x1});
      const double dy = std::max({box.y0 - m.y, 0.0, m.y - box.y1});
      if (!(dx * dx + dy * dy < best)) continue;
      const std::size_t last = std::min(lastSegment, b * kBlock + kBlock - 1);
      for (std::size_t i = std::max(from, b * kBlock); i <= last; ++i) {
        const double d = distance2(i);
        if (d < best) {
          best = d;
          cursor = i;
        }
      }
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
