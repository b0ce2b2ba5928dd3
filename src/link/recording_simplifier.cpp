#include "link/recording_simplifier.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "geometry/kinematics.h"
#include "link/planned_path.h"
#include "link/playback_engine.h"

namespace velmora {

// How the keyframes are chosen: greedily. From each kept Pose the fit reaches as far along the
// recording as one Linear or one Arc move can while it stays within the tolerances, and the next
// Pose is put there. When every part of a run that fits also fits (nearly so for dense samples),
// going as far as possible each time gives the fewest Poses, the same count a dynamic program
// would find. The dynamic program would have to try every pair of samples, each against every
// sample between them: far too slow for a recording of ten thousand samples while the dialog
// previews every change of the tolerance. The reach is found by doubling the step and then halving
// it, so a run of L samples costs O(L log L) cheap geometric checks, and each chosen move is then
// confirmed by planning it as the playback plays it.

namespace {

constexpr uint64_t kMaxTransitionMs = 655350;
constexpr double kTwoPi = 6.2831852;
// An arc needs a chord this long (mm), or its circle cannot be told from the samples' noise.
constexpr double kMinArcChordMm = 2.0;
// Circles larger than this (mm) are straight lines for the fit.
constexpr double kMaxArcRadiusMm = 10000.0;
// How far (mm) the planned path may move away from a sample, beyond the nearest point found so
// far, before the search for that sample stops.
constexpr double kSearchSlackMm = 5.0;
// How far back (mm) along the planned path the search for a sample starts from where the sample
// before it was found.
constexpr double kSearchBackMm = 3.0;

struct Sample {
  double x = 0, y = 0, z = 0, rotation = 0, hand = 0;
  // Where a Pose that ends on this sample puts the tool: the sample with its neighbours, which
  // takes out most of the reading noise (a single reading may be off by a count on each joint).
  double kx = 0, ky = 0;
  uint64_t t = 0;  // ms since the first sample
  bool penDown = false;
};

struct Fit {
  int32_t interpolation = kLinear;
  double radius = 0;
  int32_t direction = kClockwise;
};

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax;
  const double dy = by - ay;
  const double len2 = dx * dx + dy * dy;
  double f = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0;
  f = std::clamp(f, 0.0, 1.0);
  return std::hypot(px - (ax + f * dx), py - (ay + f * dy));
}

// The distance from (px, py) to the arc of `a` (the angle falls from a0 by the sweep).
double ArcDistance(double px, double py, const ArcPath& a, double x0, double y0, double x1,
                   double y1) {
  const double angle = std::atan2(py - a.cy, px - a.cx);
  double along = a.sweep >= 0 ? a.a0 - angle : angle - a.a0;
  along = std::fmod(along, kTwoPi);
  if (along < 0) along += kTwoPi;
  if (along <= std::fabs(a.sweep)) return std::fabs(std::hypot(px - a.cx, py - a.cy) - a.radius);
  return std::min(std::hypot(px - x0, py - y0), std::hypot(px - x1, py - y1));
}

// The largest distance from the samples to the polyline `points`, each sample searched from
// where the one before it was found, forward: samples and path run the same way. A distance found
// is a true distance to the path, so the result never understates the deviation. Stops early once
// it passes `stopAbove`.
double OrderedDeviation(const std::vector<PathPoint>& points, std::size_t from, std::size_t to,
                        const Sample* samples, std::size_t count, double stopAbove) {
  if (count == 0) return 0;
  if (from >= to) return std::numeric_limits<double>::infinity();
  double worst = 0;
  std::size_t at = from;
  for (std::size_t k = 0; k < count; ++k) {
    const Sample& s = samples[k];
    double best = std::numeric_limits<double>::infinity();
    if (to - from == 1) {
      best = std::hypot(s.x - points[from].x, s.y - points[from].y);
    }
    // A hand does not move evenly, and a reading may lie a little behind the one before it:
    // the search starts some way back along the path.
    std::size_t start = at;
    while (start > from && std::hypot(points[start - 1].x - points[at].x,
                                      points[start - 1].y - points[at].y) < kSearchBackMm) {
      --start;
    }
    if (start > from) --start;
    for (std::size_t q = start; q + 1 < to; ++q) {
      const double d =
          SegmentDistance(s.x, s.y, points[q].x, points[q].y, points[q + 1].x, points[q + 1].y);
      if (d < best) {
        best = d;
        at = q;
      } else if (d > best + kSearchSlackMm) {
        break;
      }
    }
    worst = std::max(worst, best);
    if (worst > stopAbove) return worst;
  }
  return worst;
}

class Simplifier {
 public:
  Simplifier(const ArmGeometry& g, const std::vector<Pose>& run, const SimplifyOptions& o)
      : g_(g), run_(run), o_(o) {
    samples_.reserve(run.size());
    uint64_t t = 0;
    for (std::size_t k = 0; k < run.size(); ++k) {
      const Pose& p = run[k];
      if (k > 0) t += p.transitionTime;
      Sample s;
      s.x = p.x;
      s.y = p.y;
      s.z = p.z;
      s.rotation = p.rotation;
      s.hand = p.handWidth;
      s.t = t;
      s.penDown = p.z < o.penThreshold;
      samples_.push_back(s);
    }
    for (std::size_t k = 0; k < samples_.size(); ++k) {
      Sample& s = samples_[k];
      s.kx = s.x;
      s.ky = s.y;
      if (k == 0 || k + 1 == samples_.size() || o.exactSamples) continue;
      const Sample& a = samples_[k - 1];
      const Sample& b = samples_[k + 1];
      if (a.penDown != s.penDown || b.penDown != s.penDown) continue;
      // A corner stays where it was drawn: only a sample close to the line through its
      // neighbours is taken as noise around that line. It moves two thirds of the way towards
      // that line, as far as the average of the three readings across the line would put it,
      // and keeps its place along the line, however unevenly the hand moved.
      const double dx = b.x - a.x;
      const double dy = b.y - a.y;
      const double len2 = dx * dx + dy * dy;
      if (!(len2 > 0)) continue;
      const double f = ((s.x - a.x) * dx + (s.y - a.y) * dy) / len2;
      if (f <= 0 || f >= 1) continue;
      const double px = a.x + f * dx;
      const double py = a.y + f * dy;
      if (std::hypot(px - s.x, py - s.y) > o.toleranceMm) continue;
      s.kx = s.x + (px - s.x) * 2 / 3;
      s.ky = s.y + (py - s.y) * 2 / 3;
    }
    // For each sample, the next one at which the pen has gone up or down (the count: none).
    penChange_.assign(samples_.size(), samples_.size());
    for (std::size_t k = samples_.size(); k-- > 1;) {
      penChange_[k - 1] = samples_[k].penDown != samples_[k - 1].penDown ? k : penChange_[k];
    }
  }

  SimplifiedRecording Run() {
    SimplifiedRecording out;
    if (run_.empty()) return out;
    out.poses.push_back(run_.front());
    out.source.push_back(0);
    start_ = run_.front();
    const std::size_t n = run_.size();
    std::size_t i = 0;
    while (i + 1 < n) {
      const std::size_t limit = Limit(i);
      std::size_t j = i + 1;
      Fit fit;
      if (limit > i + 1) {
        Fit linear;
        const std::size_t jl =
            Reach(i, limit, [&](std::size_t k) { return FitLinear(i, k, linear); });
        Fit arc;
        std::size_t ja = i + 1;
        if (o_.allowArcs) ja = Reach(i, limit, [&](std::size_t k) { return FitArc(i, k, arc); });
        FitArc(i, ja, arc);
        // An arc has to earn its place: it must reach clearly farther than the straight move
        // (a few samples more only round off a corner, which the next move then has to undo),
        // and bulge more than the tolerance from its chord (less only follows the noise).
        const bool useArc = ja > jl + 2 && (ja - i) * 2 >= (jl - i) * 3 &&
                            arc.interpolation == kArc && Sagitta(ja, arc) > o_.toleranceMm;
        j = useArc ? ja : jl;
        FitLinear(i, jl, linear);
        fit = useArc ? arc : linear;
        if (j > i + 1) j = Confirm(i, j, fit, out.maxDeviationMm);
      }
      if (j == i + 1) fit = Fit{};  // one recorded step: a straight move to it
      out.poses.push_back(Candidate(i, j, fit));
      out.source.push_back(j);
      start_ = out.poses.back();
      i = j;
    }
    return out;
  }

 private:
  // The farthest sample a move from `i` may end on: the end of the run, or the last sample
  // before the pen goes up or down (that move is then a recorded step of its own).
  std::size_t Limit(std::size_t i) const {
    const std::size_t k = penChange_[i];
    if (k == samples_.size()) return k - 1;
    return k == i + 1 ? k : k - 1;
  }

  // The farthest `j` in (i + 1, limit] for which `fits(j)` holds: the step doubles while it fits
  // and is then halved back.
  template <typename F>
  std::size_t Reach(std::size_t i, std::size_t limit, F&& fits) const {
    std::size_t good = i + 1;
    std::size_t bad = limit + 1;
    std::size_t step = 1;
    while (good < limit) {
      const std::size_t probe = std::min(limit, good + step);
      if (!fits(probe)) {
        bad = probe;
        break;
      }
      good = probe;
      step *= 2;
    }
    while (bad - good > 1) {
      const std::size_t mid = good + (bad - good) / 2;
      if (fits(mid)) {
        good = mid;
      } else {
        bad = mid;
      }
    }
    return good;
  }

  bool TimeFits(std::size_t i, std::size_t j) const {
    return samples_[j].t - samples_[i].t <= kMaxTransitionMs;
  }

  // Height, rotation and hand width move evenly over the move's time.
  bool OtherAxesFit(std::size_t i, std::size_t j) const {
    const Sample& a = samples_[i];
    const Sample& b = samples_[j];
    const double span = static_cast<double>(b.t - a.t);
    for (std::size_t m = i + 1; m < j; ++m) {
      const Sample& s = samples_[m];
      const double f = span > 0 ? static_cast<double>(s.t - a.t) / span : 1.0;
      if (std::fabs(s.z - (a.z + f * (b.z - a.z))) > o_.zToleranceMm) return false;
      if (o_.axes >= 4 && std::fabs(s.rotation - (a.rotation + f * (b.rotation - a.rotation))) >
                              o_.rotationToleranceDeg) {
        return false;
      }
      if (o_.axes >= 5 &&
          std::fabs(s.hand - (a.hand + f * (b.hand - a.hand))) > o_.handToleranceMm) {
        return false;
      }
    }
    return true;
  }

  bool FitLinear(std::size_t i, std::size_t j, Fit& fit) const {
    if (!TimeFits(i, j) || !OtherAxesFit(i, j)) return false;
    const double ax = start_.x;
    const double ay = start_.y;
    const Sample& b = samples_[j];
    for (std::size_t m = i + 1; m <= j; ++m) {
      if (SegmentDistance(samples_[m].x, samples_[m].y, ax, ay, b.kx, b.ky) > o_.toleranceMm) {
        return false;
      }
    }
    fit = Fit{};
    return true;
  }

  // The circle through the first, the middle and the last sample, with the radius sign and the
  // direction the playback needs to go round it the way the samples went.
  bool FitArc(std::size_t i, std::size_t j, Fit& fit) const {
    if (j < i + 2 || !TimeFits(i, j)) return false;
    const Point2 a{start_.x, start_.y};
    const Point2 b{samples_[j].kx, samples_[j].ky};
    const Point2 m{samples_[i + (j - i) / 2].kx, samples_[i + (j - i) / 2].ky};
    // A chord this short is a straight move for the fit, so that the search for the farthest
    // arc goes on past the first few samples.
    if (std::hypot(b.x - a.x, b.y - a.y) < kMinArcChordMm) return FitLinear(i, j, fit);
    const double d = 2 * (a.x * (m.y - b.y) + m.x * (b.y - a.y) + b.x * (a.y - m.y));
    if (std::fabs(d) < 1e-12) return false;
    const double a2 = a.x * a.x + a.y * a.y;
    const double m2 = m.x * m.x + m.y * m.y;
    const double b2 = b.x * b.x + b.y * b.y;
    const double cx = (a2 * (m.y - b.y) + m2 * (b.y - a.y) + b2 * (a.y - m.y)) / d;
    const double cy = (a2 * (b.x - m.x) + m2 * (a.x - b.x) + b2 * (m.x - a.x)) / d;
    const double r = std::hypot(a.x - cx, a.y - cy);
    if (!std::isfinite(r) || r > kMaxArcRadiusMm) return false;
    // The radius as the pose field keeps it (six decimals).
    const double shown = std::round(r * 1e6) / 1e6;
    // The sign picks the centre's side of the chord; take the side the circle's centre is on.
    const Point2 left = ArcCentre(a.x, a.y, b.x, b.y, shown);
    const Point2 right = ArcCentre(a.x, a.y, b.x, b.y, -shown);
    const double radius =
        std::hypot(left.x - cx, left.y - cy) <= std::hypot(right.x - cx, right.y - cy) ? shown
                                                                                       : -shown;
    double bestWorst = std::numeric_limits<double>::infinity();
    for (int32_t direction : {kClockwise, kCounterClockwise}) {
      const ArcPath path = ComputeArcPath(a.x, a.y, b.x, b.y, radius, direction);
      double worst = 0;
      for (std::size_t k = i + 1; k <= j && worst <= o_.toleranceMm; ++k) {
        worst =
            std::max(worst, ArcDistance(samples_[k].x, samples_[k].y, path, a.x, a.y, b.x, b.y));
      }
      if (worst < bestWorst) {
        bestWorst = worst;
        fit = Fit{kArc, radius, direction};
      }
    }
    return bestWorst <= o_.toleranceMm && OtherAxesFit(i, j);
  }

  // How far the middle of the arc lies from its chord.
  double Sagitta(std::size_t j, const Fit& fit) const {
    const ArcPath path = ComputeArcPath(start_.x, start_.y, samples_[j].kx, samples_[j].ky,
                                        fit.radius, fit.direction);
    const double angle = path.a0 - path.sweep / 2;
    return SegmentDistance(path.cx + path.radius * std::cos(angle),
                           path.cy + path.radius * std::sin(angle), start_.x, start_.y,
                           samples_[j].kx, samples_[j].ky);
  }

  Pose Candidate(std::size_t i, std::size_t j, const Fit& fit) const {
    Pose p = run_[j];
    if (p.x != samples_[j].kx || p.y != samples_[j].ky) {
      p.x = samples_[j].kx;
      p.y = samples_[j].ky;
      UpdateMotorValues(g_, p);  // on the recorded elbow side: the kinematics reads ID2 first
    }
    p.interpolation = fit.interpolation;
    p.arcRadius = fit.interpolation == kArc ? fit.radius : 0;
    p.arcDirection = fit.interpolation == kArc ? fit.direction : kClockwise;
    p.transitionTime = static_cast<uint32_t>(samples_[j].t - samples_[i].t);
    p.deleteMark = 0;
    return p;
  }

  // The move from `i` to `j`, planned as the playback plays it, measured at every sample it
  // replaces.
  double Verify(std::size_t i, std::size_t j, const Fit& fit) const {
    PlanOptions plan;
    plan.axes = o_.axes;
    const PlannedPath path = PlanPath(g_, {Candidate(i, j, fit)}, start_, plan);
    return OrderedDeviation(path.points, 0, path.points.size(), &samples_[i + 1], j - i,
                            o_.toleranceMm);
  }

  // The farthest end up to `j` whose planned move keeps within the tolerance. Where the geometric
  // fit and the plan disagree (the arm cannot reach a point, a motor is limited), the move is
  // shortened by halving.
  std::size_t Confirm(std::size_t i, std::size_t j, Fit& fit, double& worst) const {
    double deviation = Verify(i, j, fit);
    if (deviation <= o_.toleranceMm) {
      worst = std::max(worst, deviation);
      return j;
    }
    const int32_t kind = fit.interpolation;
    std::size_t good = i + 1;
    std::size_t bad = j;
    double goodDeviation = 0;
    Fit goodFit = fit;
    while (bad - good > 1) {
      const std::size_t mid = good + (bad - good) / 2;
      Fit f;
      const bool fits = kind == kArc ? FitArc(i, mid, f) : FitLinear(i, mid, f);
      const double d = fits ? Verify(i, mid, f) : std::numeric_limits<double>::infinity();
      if (d <= o_.toleranceMm) {
        good = mid;
        goodDeviation = d;
        goodFit = f;
      } else {
        bad = mid;
      }
    }
    fit = goodFit;
    if (good > i + 1) worst = std::max(worst, goodDeviation);
    return good;
  }

  const ArmGeometry& g_;
  const std::vector<Pose>& run_;
  const SimplifyOptions& o_;
  std::vector<Sample> samples_;
  std::vector<std::size_t> penChange_;
  Pose start_;  // the last Pose of the result: where the next move starts
};

}  // namespace

SimplifiedRecording SimplifyRecording(const ArmGeometry& g, const std::vector<Pose>& run,
                                      const SimplifyOptions& options) {
  return Simplifier(g, run, options).Run();
}

PlannedPath PlanSimplified(const ArmGeometry& g, const SimplifiedRecording& simplified, int axes) {
  if (simplified.poses.empty()) return {};
  PlanOptions plan;
  plan.axes = axes;
  return PlanPath(g, simplified.poses, simplified.poses.front(), plan);
}

double RecordingDeviation(const PlannedPath& path, const std::vector<Pose>& run,
                          const SimplifiedRecording& simplified) {
  if (run.empty() || simplified.poses.size() < 2 ||
      simplified.source.size() != simplified.poses.size() ||
      path.poseStart.size() != simplified.poses.size()) {
    return 0;
  }
  std::vector<Sample> samples(run.size());
  for (std::size_t k = 0; k < run.size(); ++k) {
    samples[k].x = run[k].x;
    samples[k].y = run[k].y;
  }
  double worst = 0;
  for (std::size_t n = 1; n < simplified.poses.size(); ++n) {
    const std::size_t a = simplified.source[n - 1];
    const std::size_t b = std::min(simplified.source[n], run.size() - 1);
    if (b <= a) continue;
    // The move of Pose n starts where Pose n - 1 ended.
    const std::size_t from = path.poseStart[n] > 0 ? path.poseStart[n] - 1 : 0;
    const std::size_t to =
        n + 1 < path.poseStart.size() ? path.poseStart[n + 1] : path.points.size();
    worst = std::max(worst, OrderedDeviation(path.points, from, to, &samples[a + 1], b - a,
                                             std::numeric_limits<double>::infinity()));
  }
  return worst;
}

}  // namespace velmora
