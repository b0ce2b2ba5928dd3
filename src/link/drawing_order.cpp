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
      if (!closed && Distance(last.start, s.start) <= kJoinDistanceMm) {
        Stroke joined = ReversedStroke(last);
        Append(joined, s);
        last = std::move(joined);
        continue;
      }
    }
    out.push_back(s);
  }
  return out;
}

std::vector<Stroke> JoinMeetingStrokes(std::vector<Stroke> strokes) {
  std::vector<Stroke> out;
  out.reserve(strokes.size());
  for (Stroke& s : strokes) {
    if (!out.empty() && StrokesMeet(out.back().End(), s.start)) {
      Append(out.back(), s);
    } else {
      out.push_back(std::move(s));
    }
  }
  return out;
}

double TravelTotal(const std::vector<Stroke>& strokes, DrawingPoint start,
                   const TravelModel& model) {
  double total = 0;
  JointPoint at = model.joints(start);
  for (std::size_t k = 0; k < strokes.size(); ++k) {
    const Stroke& s = strokes[k];
    if (k == 0 || !StrokesMeet(strokes[k - 1].End(), s.start)) {
      total += model.Cost(at, model.joints(s.start));
    }
    at = model.joints(s.End());
  }
  return total;
}

std::vector<Stroke> OrderStrokes(const std::vector<Stroke>& strokes, DrawingPoint start,
                                 const TravelModel& model) {
  const std::size_t n = strokes.size();
  if (n < 2) return strokes;
  // Each stroke's ends in joint space, worked out once.
  struct End {
    DrawingPoint at;
    JointPoint joints;
  };
  std::vector<End> head(n), tail(n);
  for (std::size_t k = 0; k < n; ++k) {
    head[k] = {strokes[k].start, model.joints(strokes[k].start)};
    tail[k] = {strokes[k].End(), model.joints(strokes[k].End())};
  }
  // The arm's starting point never counts as meeting a stroke: the pen is lowered there anyway.
  const End origin{{std::numeric_limits<double>::quiet_NaN(), 0}, model.joints(start)};
  auto cost = [&model](const End& from, const End& to) {
    return StrokesMeet(from.at, to.at) ? 0.0 : model.Cost(from.joints, to.joints);
  };
  struct Item {
    std::size_t stroke;
    bool flip;
  };
  auto first = [&](const Item& it) -> const End& {
    return it.flip ? tail[it.stroke] : head[it.stroke];
  };
  auto last = [&](const Item& it) -> const End& {
    return it.flip ? head[it.stroke] : tail[it.stroke];
  };
  // Nearest neighbour, trying each stroke either way round.
  std::vector<Item> order;
  order.reserve(n);
  std::vector<bool> used(n, false);
  End at = origin;
  for (std::size_t step = 0; step < n; ++step) {
    double best = std::numeric_limits<double>::infinity();
    Item pick{0, false};
    for (std::size_t k = 0; k < n; ++k) {
      if (used[k]) continue;
      const double a = cost(at, head[k]);
      if (a < best) {
        best = a;
        pick = {k, false};
      }
      const double b = cost(at, tail[k]);
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
  // the one out of j; the travels inside the run stay as they were.
  if (n <= kTwoOptLimit) {
    for (int pass = 0; pass < kMaxPasses; ++pass) {
      bool improved = false;
      for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
          const End& before = i == 0 ? origin : last(order[i - 1]);
          const bool tailEnd = j + 1 < n;
          const double old = cost(before, first(order[i])) +
                             (tailEnd ? cost(last(order[j]), first(order[j + 1])) : 0);
          const double now = cost(before, last(order[j])) +
                             (tailEnd ? cost(first(order[i]), first(order[j + 1])) : 0);
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
