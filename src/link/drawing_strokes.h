#pragma once

#include <cstddef>
#include <vector>

namespace velmora {

// A point of a drawing, in mm.
struct DrawingPoint {
  double x = 0, y = 0;
  friend bool operator==(const DrawingPoint&, const DrawingPoint&) = default;
};

// One piece of a stroke, from where the piece before it ended: a straight line, or a cubic Bézier
// curve with its two control points. Arcs and quadratic curves of a file arrive as cubics (an arc
// of up to 90 degrees is a cubic within a few millionths of its radius).
struct DrawingSegment {
  enum Kind { kLine, kCubic };
  Kind kind = kLine;
  DrawingPoint c1, c2;  // kCubic only
  DrawingPoint end;
};

// What the pen draws without lifting.
struct Stroke {
  DrawingPoint start;
  std::vector<DrawingSegment> segments;

  DrawingPoint End() const { return segments.empty() ? start : segments.back().end; }
};

// A drawing as read: strokes in mm, x to the right and y down, as files and fonts lay them out.
struct Drawing {
  std::vector<Stroke> strokes;
};

struct DrawingBounds {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;
  double Width() const { return maxX - minX; }
  double Height() const { return maxY - minY; }
};

// The box around every point the pen passes (curves by their flattened points).
DrawingBounds BoundsOf(const std::vector<Stroke>& strokes);

std::size_t SegmentCount(const std::vector<Stroke>& strokes);

// The points of a stroke as a polyline: a cubic is cut until every piece lies within `flatness`
// mm of its chord and is no longer than `maxStep` mm; a line gives its end alone. The first point
// is the start.
void FlattenStroke(const Stroke& stroke, double flatness, double maxStep,
                   std::vector<DrawingPoint>& out);

// x' = a x + c y + e, y' = b x + d y + f.
struct DrawingTransform {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  DrawingPoint Apply(DrawingPoint p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
};

// Cubics map exactly under an affine transform: their control points are mapped.
Stroke TransformStroke(const Stroke& stroke, const DrawingTransform& t);

// Every coordinate is finite and within +-1e7 mm.
bool StrokeIsSane(const Stroke& stroke);

}  // namespace velmora
