#include "simulator/timeline.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "base/c_format.h"
#include "geometry/kinematics.h"

namespace velmora {

namespace {

// The pause the playback makes after each Pose before the next move starts.
constexpr uint32_t kPausePerPoseMs = 10;
// The rotary servos, whose turning speed the check limits.
constexpr std::array<int, 3> kRotaryIds{1, 2, 4};
// Beyond the end of the Motion a little room is left so that the last handle can be grabbed.
constexpr double kEndRoom = 1.02;

double MaxOriginMs(const TimelineView& view, uint32_t duration) {
  return std::max(0.0, duration * kEndRoom - view.VisibleMs());
}

double MaxMsPerPixel(const TimelineView& view, uint32_t duration) {
  return std::max(duration * kEndRoom, 100.0) / std::max(view.plotWidth, 1);
}

void Clamp(TimelineView& view, uint32_t duration) {
  view.msPerPixel = std::clamp(view.msPerPixel, kTimelineMinMsPerPixel,
                               std::max(kTimelineMinMsPerPixel, MaxMsPerPixel(view, duration)));
  view.originMs = std::clamp(view.originMs, 0.0, MaxOriginMs(view, duration));
}

// The last point of the n-th Pose's move.
std::size_t LastPointOf(const PlannedPath& path, std::size_t n) {
  const std::size_t next =
      n + 1 < path.poseStart.size() ? path.poseStart[n + 1] : path.points.size();
  return next > 0 ? next - 1 : 0;
}

void AddSpan(std::vector<FlaggedSpan>& spans, std::size_t from, std::size_t to, std::size_t pose,
             const std::string& text) {
  if (!spans.empty() && spans.back().pose == pose && spans.back().to >= from) {
    spans.back().to = std::max(spans.back().to, to);
    return;
  }
  spans.push_back({from, to, pose, text});
}

// The parts of each rotary lane that the check found too fast in the n-th Pose's move: the steps
// whose turn, over the time the playback gives them, is above the limit. A move the check flagged
// is always marked somewhere, on the servo the check names, even when it is flagged only on its
// average (a None move, whose samples round each step's turn).
void FlagTooFast(const PlannedPath& path, std::size_t n, double maxSpeed, const std::string& text,
                 TimelineModel& model) {
  const std::size_t first = path.poseStart[n];
  const std::size_t last = LastPointOf(path, n);
  bool any = false;
  for (TimelineLane& lane : model.lanes) {
    if (std::find(kRotaryIds.begin(), kRotaryIds.end(), lane.id) == kRotaryIds.end()) continue;
    const auto m = static_cast<std::size_t>(lane.id - 1);
    for (std::size_t k = std::max<std::size_t>(first, 1); k <= last; ++k) {
      uint32_t dt = path.points[k].t - path.points[k - 1].t;
      if (k == first && n > 0 && dt > kPausePerPoseMs) dt -= kPausePerPoseMs;
      if (dt == 0) continue;
      const double speed =
          std::abs(int{path.points[k].motors[m]} - int{path.points[k - 1].motors[m]}) * 100.0 / dt;
      if (speed > maxSpeed) {
        AddSpan(lane.flagged, k - 1, k, n, text);
        any = true;
      }
    }
  }
  if (any) return;
  const int id = path.checks[n].fastestMotor;
  for (TimelineLane& lane : model.lanes) {
    if (lane.id == id) AddSpan(lane.flagged, first > 0 ? first - 1 : 0, last, n, text);
  }
}

// The extremes of each block of `size` points, from those of the blocks of `size / 8` (or from
// the values themselves when `finer` is empty).
void SummariseBlocks(const std::vector<float>& values, std::size_t size,
                     const std::vector<uint32_t>& finerLow, const std::vector<uint32_t>& finerHigh,
                     std::vector<uint32_t>& low, std::vector<uint32_t>& high) {
  const std::size_t n = values.size();
  const std::size_t blocks = (n + size - 1) / size;
  low.resize(blocks);
  high.resize(blocks);
  const std::size_t step = finerLow.empty() ? 1 : size / 8;
  for (std::size_t b = 0; b < blocks; ++b) {
    uint32_t least = static_cast<uint32_t>(b * size);
    uint32_t most = least;
    for (std::size_t from = b * size; from < std::min(n, (b + 1) * size); from += step) {
      const uint32_t lo = finerLow.empty() ? static_cast<uint32_t>(from) : finerLow[from / step];
      const uint32_t hi = finerHigh.empty() ? static_cast<uint32_t>(from) : finerHigh[from / step];
      if (values[lo] < values[least]) least = lo;
      if (values[hi] > values[most]) most = hi;
    }
    low[b] = least;
    high[b] = most;
  }
}

void SummariseLane(TimelineLane& lane) {
  SummariseBlocks(lane.values, 8, {}, {}, lane.low8, lane.high8);
  SummariseBlocks(lane.values, 64, lane.low8, lane.high8, lane.low64, lane.high64);
}

}  // namespace

TimelineModel BuildTimeline(const CheckedMotion& checked, const ArmGeometry& g, int axes,
                            double maxServoSpeed, double vpenTh) {
  const PlannedPath& path = checked.path;
  TimelineModel model;
  model.axes = axes == 3 ? 3 : 5;
  model.revision = checked.revision;
  model.duration = path.duration;
  model.times.reserve(path.points.size());
  for (const PathPoint& p : path.points) model.times.push_back(p.t);

  const std::size_t poses = path.PoseCount();
  model.moveStart.resize(poses);
  model.keyTimes.resize(poses);
  for (std::size_t n = 0; n < poses; ++n) {
    model.moveStart[n] = n == 0 ? 0 : model.keyTimes[n - 1] + kPausePerPoseMs;
    const std::size_t last = LastPointOf(path, n);
    model.keyTimes[n] = path.points.empty() ? model.moveStart[n]
                                            : std::max(model.moveStart[n], path.points[last].t);
  }

  for (int id = 1; id <= model.axes; ++id) {
    TimelineLane lane;
    lane.id = id;
    const auto m = static_cast<std::size_t>(id - 1);
    lane.values.reserve(path.points.size());
    float most = std::abs(static_cast<float>(g.motorLimits[m]));
    for (const PathPoint& p : path.points) {
      lane.values.push_back(p.motors[m]);
      most = std::max(most, std::abs(static_cast<float>(p.motors[m])));
    }
    lane.hasLimits = true;
    lane.limitHigh = std::abs(static_cast<float>(g.motorLimits[m]));
    lane.limitLow = -lane.limitHigh;
    most = std::max(most, 1.0f) * 1.12f;
    lane.low = -most;
    lane.high = most;
    SummariseLane(lane);
    model.lanes.push_back(std::move(lane));
  }

  TimelineLane z;
  z.id = kToolHeightLane;
  z.penThreshold = static_cast<float>(vpenTh);
  z.values.reserve(path.points.size());
  float lowZ = z.penThreshold;
  float highZ = z.penThreshold;
  for (std::size_t k = 0; k < path.points.size(); ++k) {
    const float v = path.points[k].z;
    z.values.push_back(v);
    lowZ = std::min(lowZ, v);
    highZ = std::max(highZ, v);
    if (!(v < z.penThreshold)) continue;
    // A run includes the point before it, so that the line reaches where the pen went down.
    if (!z.penDown.empty() && z.penDown.back().to + 1 >= k) {
      z.penDown.back().to = k;
    } else {
      z.penDown.push_back({k > 0 ? k - 1 : 0, k});
    }
  }
  const float pad = std::max(1.0f, (highZ - lowZ) * 0.2f);
  z.low = lowZ - pad;
  z.high = highZ + pad;
  SummariseLane(z);
  model.lanes.push_back(std::move(z));

  std::vector<std::string> lineOf(poses);
  for (const CheckLine& line : CheckLines(checked)) {
    if (line.pose && *line.pose < poses) lineOf[*line.pose] = line.text;
  }
  for (std::size_t n = 0; n < poses && n < checked.issues.size(); ++n) {
    if ((checked.issues[n] & kIssueTooFast) == 0 || path.points.empty()) continue;
    FlagTooFast(path, n, maxServoSpeed, lineOf[n], model);
  }
  return model;
}

// ---- Time and pixels ----

void FitAll(TimelineView& view, uint32_t duration) {
  view.msPerPixel = MaxMsPerPixel(view, duration);
  view.originMs = 0;
  Clamp(view, duration);
}

void ZoomAt(TimelineView& view, double x, double factor, uint32_t duration) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const double at = view.Ms(x);
  view.msPerPixel /= factor;
  Clamp(view, duration);
  view.originMs = at - (x - view.plotLeft) * view.msPerPixel;
  Clamp(view, duration);
}

void ScrollBy(TimelineView& view, double pixels, uint32_t duration) {
  if (!std::isfinite(pixels)) return;
  view.originMs += pixels * view.msPerPixel;
  Clamp(view, duration);
}

void ScrollToShow(TimelineView& view, double fromMs, double toMs, uint32_t duration) {
  if (toMs < fromMs) std::swap(fromMs, toMs);
  if (fromMs >= view.originMs && toMs <= view.originMs + view.VisibleMs()) return;
  const double wanted = (toMs - fromMs) / (0.8 * std::max(view.plotWidth, 1));
  if (wanted > view.msPerPixel) view.msPerPixel = wanted;
  Clamp(view, duration);
  view.originMs = (fromMs + toMs) / 2 - view.VisibleMs() / 2;
  Clamp(view, duration);
}

RulerTicks RulerFor(const TimelineView& view, int minLabelPixels) {
  static constexpr double kSteps[] = {10,     20,     50,      100,     200,    500,   1000,
                                      2000,   5000,   10000,   20000,   30000,  60000, 120000,
                                      300000, 600000, 1200000, 1800000, 3600000};
  RulerTicks ticks;
  ticks.step = kSteps[std::size(kSteps) - 1];
  for (double s : kSteps) {
    if (s / view.msPerPixel >= minLabelPixels) {
      ticks.step = s;
      break;
    }
  }
  ticks.first = std::ceil(std::max(0.0, view.originMs) / ticks.step) * ticks.step;
  return ticks;
}

std::string RulerLabel(double ms, double step) {
  const int decimals = step >= 1000 ? 0 : (step >= 100 ? 1 : 2);
  return FormatFixed(ms / 1000.0, decimals) + "s";
}

// ---- Layout and hits ----

TimelineLayout LayOutTimeline(int width, int height, std::size_t laneCount) {
  TimelineLayout l;
  l.labelWidth = kTimelineLabelWidth;
  l.ruler = {0, 0, width, kTimelineRulerHeight};
  l.handles = {0, kTimelineRulerHeight, width, kTimelineRulerHeight + kTimelineHandleHeight};
  const int top = l.handles.bottom;
  const int room = std::max(0, height - top);
  for (std::size_t i = 0; i < laneCount; ++i) {
    const int a = top + static_cast<int>(room * i / laneCount);
    const int b = top + static_cast<int>(room * (i + 1) / laneCount);
    l.lanes.push_back({0, a, width, b});
  }
  return l;
}

void FitViewToLayout(TimelineView& view, const TimelineLayout& layout) {
  view.plotLeft = layout.labelWidth;
  view.plotWidth = std::max(1, layout.ruler.right - layout.labelWidth - 6);
}

TimelineHit HitTimeline(const TimelineModel& model, const TimelineView& view,
                        const TimelineLayout& layout, double playheadMs, int x, int y) {
  TimelineHit hit;
  if (x < view.plotLeft - kTimelineHandleHalfWidth) return hit;
  if (layout.ruler.Contains(x, y)) {
    hit.kind = TimelineHit::kPlayhead;
    return hit;
  }
  if (layout.handles.Contains(x, y)) {
    const auto& keys = model.keyTimes;
    const double at = view.Ms(x);
    auto it =
        std::lower_bound(keys.begin(), keys.end(), at, [](uint32_t k, double t) { return k < t; });
    double best = kTimelineHandleHalfWidth + 0.5;
    // Of handles drawn on the same spot, the later Pose is on top and is the one taken.
    for (auto c : {it, it == keys.begin() ? it : std::prev(it)}) {
      if (c == keys.end()) continue;
      auto last = std::upper_bound(c, keys.end(), *c) - 1;
      const double d = std::abs(view.X(*last) - x);
      if (d < best) {
        best = d;
        hit.kind = TimelineHit::kHandle;
        hit.pose = static_cast<std::size_t>(last - keys.begin());
      }
    }
    return hit;
  }
  for (std::size_t i = 0; i < layout.lanes.size(); ++i) {
    if (!layout.lanes[i].Contains(x, y)) continue;
    if (std::abs(view.X(playheadMs) - x) <= 3) {
      hit.kind = TimelineHit::kPlayhead;
    } else {
      hit.kind = TimelineHit::kLane;
      hit.lane = static_cast<int>(i);
    }
    return hit;
  }
  return hit;
}

const FlaggedSpan* FlagAt(const TimelineModel& model, const TimelineView& view, int lane, int x) {
  if (lane < 0 || static_cast<std::size_t>(lane) >= model.lanes.size()) return nullptr;
  const double slack = 2 * view.msPerPixel;
  const double at = view.Ms(x);
  for (const FlaggedSpan& span : model.lanes[static_cast<std::size_t>(lane)].flagged) {
    if (span.to >= model.times.size()) continue;
    if (at >= model.times[span.from] - slack && at <= model.times[span.to] + slack) return &span;
  }
  return nullptr;
}

// ---- Drawing ----

float LaneY(const TimelineLane& lane, const TimelineBox& box, float value) {
  const float span = lane.high - lane.low;
  const float f = span > 0 ? (value - lane.low) / span : 0.5f;
  const float inner = static_cast<float>(box.bottom - box.top - 4);
  return static_cast<float>(box.bottom - 2) - std::clamp(f, 0.0f, 1.0f) * inner;
}

void LaneCurve(const TimelineModel& model, const TimelineLane& lane, std::size_t from,
               std::size_t to, const TimelineView& view, const TimelineBox& box,
               std::vector<TimelinePoint>& out) {
  out.clear();
  const auto& times = model.times;
  if (times.empty() || lane.values.size() != times.size()) return;
  to = std::min(to, times.size() - 1);
  if (from > to) return;
  // Only the visible times, with one point beyond each edge so that the line reaches it.
  const double left = view.originMs;
  const double right = view.originMs + view.VisibleMs();
  auto begin = times.begin() + static_cast<std::ptrdiff_t>(from);
  auto end = times.begin() + static_cast<std::ptrdiff_t>(to) + 1;
  auto lo = std::lower_bound(begin, end, left, [](uint32_t t, double v) { return t < v; });
  if (lo != begin) --lo;
  auto hi = std::upper_bound(lo, end, right, [](double v, uint32_t t) { return v < t; });
  if (hi != end) ++hi;
  const auto a = static_cast<std::size_t>(lo - times.begin());
  const auto b = static_cast<std::size_t>(hi - times.begin());

  // Per pixel column: the first point, the lowest and highest, and the last.
  const float span = lane.high - lane.low;
  const float scale = span > 0 ? 1.0f / span : 0.0f;
  const float middle = span > 0 ? 0.0f : 0.5f;
  const float base = static_cast<float>(box.bottom - 2);
  const float inner = static_cast<float>(box.bottom - box.top - 4);
  const double perMs = 1.0 / view.msPerPixel;
  const auto xOf = [&](std::size_t k) {
    return static_cast<float>(view.plotLeft + (times[k] - view.originMs) * perMs);
  };
  const auto columnOf = [&](std::size_t k) { return static_cast<long>(std::floor(xOf(k))); };
  const auto point = [&](std::size_t k) {
    const float f = std::clamp((lane.values[k] - lane.low) * scale + middle, 0.0f, 1.0f);
    return TimelinePoint{xOf(k), base - f * inner};
  };
  const bool summarised =
      lane.low8.size() * 8 >= times.size() && lane.low64.size() * 64 >= times.size();
  const auto& values = lane.values;
  for (std::size_t k = a; k < b;) {
    // The column's points run from k to the first point of the next column.
    const long c = columnOf(k);
    // Galloping first: a column usually holds a few dozen points of a plan of many thousands.
    std::size_t searchLo = k + 1, searchHi = b;
    for (std::size_t step = 1; searchLo + step < searchHi; step *= 2) {
      if (columnOf(searchLo + step) > c) {
        searchHi = searchLo + step;
        break;
      }
      searchLo += step + 1;
    }
    while (searchLo < searchHi) {
      const std::size_t mid = searchLo + (searchHi - searchLo) / 2;
      if (columnOf(mid) > c) {
        searchHi = mid;
      } else {
        searchLo = mid + 1;
      }
    }
    const std::size_t next = searchLo;
    // Its smallest and largest value (the first of equals), a block at a time where whole blocks
    // lie inside it.
    std::size_t least = k, most = k;
    const auto take = [&](uint32_t l, uint32_t h) {
      if (values[l] < values[least]) least = l;
      if (values[h] > values[most]) most = h;
    };
    for (std::size_t i = k + 1; i < next;) {
      if (summarised && i % 64 == 0 && i + 64 <= next) {
        take(lane.low64[i / 64], lane.high64[i / 64]);
        i += 64;
      } else if (summarised && i % 8 == 0 && i + 8 <= next) {
        take(lane.low8[i / 8], lane.high8[i / 8]);
        i += 8;
      } else {
        take(static_cast<uint32_t>(i), static_cast<uint32_t>(i));
        ++i;
      }
    }
    out.push_back(point(k));
    if (next - k > 1) {
      // y grows downwards: the smallest value is the lowest point, drawn in the order they come.
      const TimelinePoint lowest = point(least);
      const TimelinePoint highest = point(most);
      const bool lowFirst = least <= most;
      out.push_back(lowFirst ? lowest : highest);
      out.push_back(lowFirst ? highest : lowest);
      out.push_back(point(next - 1));
    }
    k = next;
  }
}

// ---- Playhead ----

ScrubState ScrubAt(const PlannedPath& path, double ms) {
  ScrubState s;
  const auto& points = path.points;
  if (points.empty()) return s;
  if (!std::isfinite(ms)) ms = 0;
  auto it = std::upper_bound(points.begin(), points.end(), ms,
                             [](double v, const PathPoint& p) { return v < p.t; });
  if (it == points.begin() || it == points.end()) {
    const PathPoint& p = it == points.end() ? points.back() : points.front();
    s.pose = p.pose;
    s.motors = p.motors;
    s.z = p.z;
    return s;
  }
  const PathPoint& b = *it;
  const PathPoint& a = *std::prev(it);
  const double span = static_cast<double>(b.t) - a.t;
  const double f = span > 0 ? std::clamp((ms - a.t) / span, 0.0, 1.0) : 1.0;
  s.pose = f > 0 ? b.pose : a.pose;
  for (std::size_t m = 0; m < s.motors.size(); ++m) {
    s.motors[m] = static_cast<int16_t>(std::lround(a.motors[m] + (b.motors[m] - a.motors[m]) * f));
  }
  s.z = static_cast<float>(ToolHeight(s.motors[2]));
  return s;
}

double PlaybackPlayhead(const TimelineModel& model, std::size_t pose, uint32_t elapsedMs,
                        uint32_t playedMoveMs) {
  if (pose >= model.keyTimes.size()) return model.duration;
  const double start = model.moveStart[pose];
  const double end = model.keyTimes[pose];
  const double f =
      playedMoveMs == 0 ? 1.0 : std::min(1.0, static_cast<double>(elapsedMs) / playedMoveMs);
  return start + f * (end - start);
}

}  // namespace velmora
