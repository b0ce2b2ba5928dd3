#include "link/drawing_strokes.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

constexpr double kLargestCoordinate = 1e7;
// A curve is cut at most this many times deep (2^16 pieces): enough for any curve a file can
// hold within the size cap, and a bound for a hostile one.
constexpr int kMaxDepth = 16;

double ChordDistance(DrawingPoint p, DrawingPoint a, DrawingPoint b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double len = std::hypot(dx, dy);
  if (!(len > 1e-12)) return std::hypot(p.x - a.x, p.y - a.y);
  return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / len;
}

DrawingPoint Mid(DrawingPoint a, DrawingPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

void FlattenCubic(DrawingPoint p0, DrawingPoint p1, DrawingPoint p2, DrawingPoint p3,
                  double flatness, double maxStep, int depth, std::vector<DrawingPoint>& out) {
  const bool flat = std::max(ChordDistance(p1, p0, p3), ChordDistance(p2, p0, p3)) <= flatness &&
                    std::hypot(p3.x - p0.x, p3.y - p0.y) <= maxStep;
  if (flat || depth >= kMaxDepth) {
    out.push_back(p3);
    return;
  }
  // de Casteljau at the middle.
  const DrawingPoint a = Mid(p0, p1), b = Mid(p1, p2), c = Mid(p2, p3);
  const DrawingPoint ab = Mid(a, b), bc = Mid(b, c);
  const DrawingPoint m = Mid(ab, bc);
  FlattenCubic(p0, a, ab, m, flatness, maxStep, depth + 1, out);
  FlattenCubic(m, bc, c, p3, flatness, maxStep, depth + 1, out);
}

void Extend(DrawingBounds& b, DrawingPoint p) {
  if (b.empty) {
    b = {p.x, p.y, p.x, p.y, false};
    return;
  }
  b.minX = std::min(b.minX, p.x);
  b.minY = std::min(b.minY, p.y);
  b.maxX = std::max(b.maxX, p.x);
  b.maxY = std::max(b.maxY, p.y);
}

}  // namespace

DrawingBounds BoundsOf(const std::vector<Stroke>& strokes) {
  DrawingBounds b;
  std::vector<DrawingPoint> points;
  for (const Stroke& s : strokes) {
    Extend(b, s.start);
    for (const DrawingSegment& seg : s.segments) {
      Extend(b, seg.end);
    }
  }
  // Curves: their flattened points (a bulge lies beyond both ends).
  for (const Stroke& s : strokes) {
    bool curved = false;
    for (const DrawingSegment& seg : s.segments) curved |= seg.kind == DrawingSegment::kCubic;
    if (!curved) continue;
    points.clear();
    FlattenStroke(s, 0.01, 1e9, points);
    for (DrawingPoint p : points) Extend(b, p);
  }
  return b;
}

std::size_t SegmentCount(const std::vector<Stroke>& strokes) {
  std::size_t n = 0;
  for (const Stroke& s : strokes) n += s.segments.size();
  return n;
}

void FlattenStroke(const Stroke& stroke, double flatness, double maxStep,
                   std::vector<DrawingPoint>& out) {
  out.push_back(stroke.start);
  DrawingPoint at = stroke.start;
  for (const DrawingSegment& seg : stroke.segments) {
    if (seg.kind == DrawingSegment::kCubic) {
      FlattenCubic(at, seg.c1, seg.c2, seg.end, flatness, maxStep, 0, out);
    } else {
      // A long line is cut too, so that every point along it is checked against the reach.
      const double len = std::hypot(seg.end.x - at.x, seg.end.y - at.y);
      const int pieces = len > maxStep ? static_cast<int>(std::min(65536.0, std::ceil(len / maxStep))) : 1;
      for (int k = 1; k < pieces; ++k) {
        const double f = static_cast<double>(k) / pieces;
        out.push_back({at.x + f * (seg.end.x - at.x), at.y + f * (seg.end.y - at.y)});
      }
      out.push_back(seg.end);
    }
    at = seg.end;
  }
}

Stroke TransformStroke(const Stroke& stroke, const DrawingTransform& t) {
  Stroke out;
  out.start = t.Apply(stroke.start);
  out.segments.reserve(stroke.segments.size());
  for (const DrawingSegment& seg : stroke.segments) {
    DrawingSegment s = seg;
    s.end = t.Apply(seg.end);
    if (seg.kind == DrawingSegment::kCubic) {
      s.c1 = t.Apply(seg.c1);
      s.c2 = t.Apply(seg.c2);
    }
    out.segments.push_back(s);
  }
  return out;
}

bool StrokeIsSane(const Stroke& stroke) {
  auto ok = [](DrawingPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) <= kLargestCoordinate &&
           std::fabs(p.y) <= kLargestCoordinate;
  };
  if (!ok(stroke.start)) return false;
  for (const DrawingSegment& s : stroke.segments) {
    if (!ok(s.end)) return false;
    if (s.kind == DrawingSegment::kCubic && (!ok(s.c1) || !ok(s.c2))) return false;
  }
  return true;
}

}  // namespace velmora
