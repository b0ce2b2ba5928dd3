#include "simulator/virtual_pen.h"

#include <algorithm>
#include <cstring>

#include "base/numeric.h"
#include "simulator/single_precision.h"
#include "simulator/sprites.h"

namespace velmora {

uint32_t PenBufferSize(uint32_t vpenPoints) { return std::clamp(vpenPoints, 2u, kMaxPenPoints); }

void EnsurePenTrace(PenTrace& trace, uint32_t vpenPoints, std::atomic<bool>& penTraceReset) {
  const uint32_t size = PenBufferSize(vpenPoints);
  if (trace.pointCount() == size) return;
  trace.points.assign(size, SceneVertex{0, 0, 0, 0, 0, 0, 0});
  penTraceReset.store(true);
}

void AddPenPoint(PenTrace& trace, const Pose& pose, const Settings& settings,
                 const Matrix4& viewTransform, std::atomic<bool>& penTraceReset, DrawQueue& queue) {
  if (settings.vpenEnable == 0) return;
  const uint32_t n = trace.pointCount();
  if (n < 2) return;  // EnsurePenTrace runs first every frame; never draw a strip without a segment

  const Vec3f plane{ToSingle(pose.x), ToSingle(-pose.y), 0.0f};
  const Vec3f pixel = TransformCoord(plane, viewTransform);

  std::vector<SceneVertex>& pts = trace.points;
  std::memmove(pts.data(), pts.data() + 1, (n - 1) * sizeof(SceneVertex));
  SceneVertex& newest = pts[n - 1];
  newest = SceneVertex{pixel.x, pixel.y, 0.0f, 1.0f, 0xFF000000u, ToSingle(pose.z), 0.0f};
  const float threshold = ToSingle(settings.vpenTh);
  if (settings.vpenEverytimeDraw != 0) newest.u = threshold;

  // Taken once: an erase asked for while this frame runs is kept for the next one, never lost.
  const bool reset = penTraceReset.exchange(false);
  const float newestX = newest.x;
  const float newestY = newest.y;
  for (uint32_t i = 0; i < n; ++i) {
    SceneVertex& p = pts[i];
    uint32_t alpha = 255;
    if (p.u > threshold) {
      alpha = 0;  // recorded with the pen up
    } else if (settings.vpenIsFade != 0) {
      alpha = static_cast<uint32_t>(SaturatingTrunc(static_cast<double>(i) / n * 255));
    }
    p.colour = alpha << 24;
    p.rhw = 1.0f;
    if (reset) {
      p.x = newestX;
      p.y = newestY;
    }
  }

  DrawItem item;
  item.vertices = pts;
  item.primitiveCount = static_cast<int>(n - 1);
  item.kind = PrimitiveKind::kLineStrip;
  item.layer = kLayerPenTrace;
  item.texture = kNoTexture;
  item.alphaBlend = 1;
  item.screenSpace = 1;
  queue.QueueItem(std::move(item));
}

double PenDownHeight(const Settings& settings) { return settings.vpenTh - settings.vpenOvw; }

double PenUpHeight(const Settings& settings) {
  return settings.vpenTh + (35 - settings.vpenTh) * 0.25;
}

}  // namespace velmora
