#include "link/drawing_order.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

namespace velmora {

namespace {

// 2-opt looks at every pair of travels: bound the passes so that a drawing of thousands of strokes
// is still ordered well within a second.
constexpr int kMaxPasses = 8;
constexpr std::size_t kTwoOptLimit = 2000;
constexpr double kPointKey = 1000.0;  // points are compared on a 1 µm grid

double Distance(DrawingPoint a, DrawingPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

std::vector<std::tuple<long long, long long>> Key(const Stroke& s) {
  std::vector<std::tuple<long long, long long>> k;
  auto add = [&k](DrawingPoint p) {
    k.emplace_back(std::llround(p.x * kPointKey), std::llround(p.y * kPointKey));
  };
  add(s.start);
  for (const DrawingSegment& seg : s.segments) {
    if (seg.kind == DrawingSegment::kCubic) {
      add(seg.c1);
      add(seg.c2);
    }
    add(seg.end);
  }
  return k;
}

void Append(Stroke& to, const Stroke& from) {
  to.segments.insert(to.segments.end(), from.segments.begin(), from.segments.end());
}

}  // namespace

Stroke ReversedStroke(const Stroke& stroke) {
  Stroke r;
  r.start = stroke.End();
  r.segments.reserve(stroke.segments.size());
  for (std::size_t k = stroke.segments.size(); k-- > 0;) {
    const DrawingSegment& seg = stroke.segments[k];
    DrawingSegment s = seg;
    s.end = k > 0 ? stroke.segments[k - 1].end : stroke.start;
    if (seg.kind == DrawingSegment::kCubic) {
      s.c1 = seg.c2;
      s.c2 = seg.c1;
    }
    r.segments.push_back(s);
  }
  return r;
}

std::vector<Stroke> MergeStrokes(const std::vector<Stroke>& strokes) {
  // Duplicates, either way round.
  std::vector<Stroke> unique;
  std::map<std::vector<std::tuple<long long, long long>>, bool> seen;
  for (const Stroke& s : strokes) {
    if (s.segments.empty()) continue;
    auto key = Key(s);
    if (seen.count(key) != 0) continue;
    auto reversed = key;
    std::reverse(reversed.begin(), reversed.end());
    if (seen.count(reversed) != 0) continue;
    seen.emplace(std::move(key), true);
    unique.push_back(s);
  }
  // Joins: a stroke takes on the next one that starts (or, turned round, ends) where it ends. The
  // file's neighbours are tried first, which is where a path cut into pieces has them.
  std::vector<Stroke> out;
  for (const Stroke& s : unique) {
    if (!out.empty()) {
      Stroke& last = out.back();
      const bool closed = Distance(last.start, last.End()) <= kJoinDistanceMm;
      if (!closed && Distance(last.End(), s.start) <= kJoinDistanceMm) {
        Append(last, s);
        continue;
      }
      if (!closed && Distance(last.End(), s.End()) <= kJoinDistanceMm) {
        Append(last, ReversedStroke(s));
        continue;
      }
      if (!closed && Distance(last.start, s.End()) <= kJoinDistanceMm) {
        Stroke joined = s;
        Append(joined, last);
        last = std::move(joined);
        continue;
      }
    }
    out.push_back(s);
  }
  return out;
}

double TravelTotal(const std::vector<Stroke>& strokes, DrawingPoint start,
                   const TravelModel& model) {
  double total = 0;
  JointPoint at = model.joints(start);
  for (const Stroke& s : strokes) {
    total += model.Cost(at, model.joints(s.start));
    at = model.joints(s.End());
  }
  return total;
}

std::vector<Stroke> OrderStrokes(const std::vector<Stroke>& strokes, DrawingPoint start,
                                 const TravelModel& model) {
  const std::size_t n = strokes.size();
  if (n < 2) return strokes;
  // Each stroke's ends in joint space, worked out once.
  std::vector<JointPoint> head(n), tail(n);
  for (std::size_t k = 0; k < n; ++k) {
    head[k] = model.joints(strokes[k].start);
    tail[k] = model.joints(strokes[k].End());
  }
  const JointPoint origin = model.joints(start);
  struct Item {
    std::size_t stroke;
    bool flip;
  };
  auto first = [&](const Item& it) { return it.flip ? tail[it.stroke] : head[it.stroke]; };
  auto last = [&](const Item& it) { return it.flip ? head[it.stroke] : tail[it.stroke]; };
  // Nearest neighbour, trying each stroke either way round.
  std::vector<Item> order;
  order.reserve(n);
  std::vector<bool> used(n, false);
  JointPoint at = origin;
  for (std::size_t step = 0; step < n; ++step) {
    double best = std::numeric_limits<double>::infinity();
    Item pick{0, false};
    for (std::size_t k = 0; k < n; ++k) {
      if (used[k]) continue;
      const double a = model.Cost(at, head[k]);
      if (a < best) {
        best = a;
        pick = {k, false};
      }
      const double b = model.Cost(at, tail[k]);
      if (b < best) {
        best = b;
        pick = {k, true};
      }
    }
    used[pick.stroke] = true;
    order.push_back(pick);
    at = last(pick);
  }
  // 2-opt: turning the run i..j round (its order and each stroke) replaces the travel into i and
  // the one out of j; the lift time is the same either way.
  if (n <= kTwoOptLimit) {
    for (int pass = 0; pass < kMaxPasses; ++pass) {
      bool improved = false;
      for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
          const JointPoint before = i == 0 ? origin : last(order[i - 1]);
          const bool tailEnd = j + 1 < n;
          const double old = model.Cost(before, first(order[i])) +
                             (tailEnd ? model.Cost(last(order[j]), first(order[j + 1])) : 0);
          const double now = model.Cost(before, last(order[j])) +
                             (tailEnd ? model.Cost(first(order[i]), first(order[j + 1])) : 0);
          if (now + 1e-9 < old) {
            std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                         order.begin() + static_cast<std::ptrdiff_t>(j) + 1);
            for (std::size_t k = i; k <= j; ++k) order[k].flip = !order[k].flip;
            improved = true;
          }
        }
      }
      if (!improved) break;
    }
  }
  std::vector<Stroke> out;
  out.reserve(n);
  for (const Item& it : order) {
    out.push_back(it.flip ? ReversedStroke(strokes[it.stroke]) : strokes[it.stroke]);
  }
  return out;
}

}  // namespace velmora
