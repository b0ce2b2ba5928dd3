#include "simulator/path_comparison.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "geometry/matrix.h"
#include "simulator/sprites.h"

namespace velmora {

namespace {

// On top of everything else, the pen trace included.
constexpr int kComparisonLayer = kLayerPenTrace - 1;

SceneVertex Vertex(float x, float y, uint32_t colour) {
  SceneVertex v;
  v.x = x;
  v.y = y;
  v.colour = colour;
  return v;
}

void QueueLines(std::vector<SceneVertex> vertices, DrawQueue& queue) {
  if (vertices.size() < 2) return;
  DrawItem item;
  item.kind = PrimitiveKind::kLineList;
  item.primitiveCount = static_cast<int>(vertices.size() / 2);
  item.vertices = std::move(vertices);
  item.layer = kComparisonLayer;
  item.texture = kNoTexture;
  item.screenSpace = 1;
  queue.QueueItem(std::move(item));
}

}  // namespace

void PathComparison::Show(PathPair paths) {
  auto shared = std::make_shared<const PathPair>(std::move(paths));
  std::lock_guard lock(mutex_);
  paths_ = std::move(shared);
}

void PathComparison::Clear() {
  std::lock_guard lock(mutex_);
  paths_.reset();
}

std::shared_ptr<const PathPair> PathComparison::Get() const {
  std::lock_guard lock(mutex_);
  return paths_;
}

void QueuePathComparison(const PathComparison& comparison, double scaling, int width, int height,
                         DrawQueue& queue) {
  const std::shared_ptr<const PathPair> paths = comparison.Get();
  if (paths == nullptr) return;
  const Matrix4 view = ViewTransform(scaling, width, height);
  // User y runs up the screen; the drawing plane's y runs down.
  auto toView = [&view](const PathPair::Point& p) {
    return TransformCoord({p.x, -p.y, 0.0f}, view);
  };
  auto polyline = [&](const std::vector<PathPair::Point>& points, uint32_t colour, bool thick) {
    std::vector<SceneVertex> v;
    for (std::size_t k = 1; k < points.size(); ++k) {
      const Vec3f a = toView(points[k - 1]);
      const Vec3f b = toView(points[k]);
      if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
          !std::isfinite(b.y)) {
        continue;
      }
      v.push_back(Vertex(a.x, a.y, colour));
      v.push_back(Vertex(b.x, b.y, colour));
      if (thick) {
        v.push_back(Vertex(a.x, a.y + 1, colour));
        v.push_back(Vertex(b.x, b.y + 1, colour));
      }
    }
    QueueLines(std::move(v), queue);
  };
  for (const auto& line : paths->strokes) polyline(line, kDrawingStrokeColour, true);
  for (const auto& line : paths->outside) polyline(line, kDrawingOutsideColour, true);
  // Travel: dots of two pixels every six, running on along each line across its samples.
  constexpr float kDotEvery = 6, kDot = 2;
  constexpr int kMostDots = 2000;  // a segment's, however far it is zoomed
  std::vector<SceneVertex> dotted;
  for (const auto& line : paths->travel) {
    float walked = 0;
    for (std::size_t k = 1; k < line.size(); ++k) {
      const Vec3f a = toView(line[k - 1]);
      const Vec3f b = toView(line[k]);
      if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
          !std::isfinite(b.y)) {
        continue;
      }
      const float length = std::hypot(b.x - a.x, b.y - a.y);
      if (!(length > 0)) continue;
      auto dash = [&](float from, float to) {
        const float f0 = std::min(1.0f, from / length);
        const float f1 = std::min(1.0f, to / length);
        dotted.push_back(Vertex(a.x + f0 * (b.x - a.x), a.y + f0 * (b.y - a.y),
                                kDrawingTravelColour));
        dotted.push_back(Vertex(a.x + f1 * (b.x - a.x), a.y + f1 * (b.y - a.y),
                                kDrawingTravelColour));
      };
      const float phase = std::fmod(walked, kDotEvery);
      if (phase > 0 && phase < kDot) dash(0, kDot - phase);  // the end of a dot begun before
      float at = phase > 0 ? kDotEvery - phase : 0;
      for (int d = 0; at <= length && d < kMostDots; ++d, at += kDotEvery) dash(at, at + kDot);
      walked += length;
    }
  }
  QueueLines(std::move(dotted), queue);
  polyline(paths->recorded, kRecordedPathColour, false);
  polyline(paths->replacement, kSimplifiedPathColour, true);
  std::vector<SceneVertex> dots;
  for (const PathPair::Point& p : paths->keyframes) {
    const Vec3f c = toView(p);
    if (!std::isfinite(c.x) || !std::isfinite(c.y)) continue;
    const float x = std::round(c.x);
    const float y = std::round(c.y);
    for (float row = -2; row <= 2; ++row) {
      dots.push_back(Vertex(x - 2, y + row, kKeyframeColour));
      dots.push_back(Vertex(x + 3, y + row, kKeyframeColour));
    }
  }
  QueueLines(std::move(dots), queue);
}

}  // namespace velmora
