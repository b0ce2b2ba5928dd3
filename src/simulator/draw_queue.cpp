#include "simulator/draw_queue.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "simulator/single_precision.h"

namespace velmora {

void DrawQueue::QueueItem(DrawItem item) {
  const auto at = std::find_if(items_.begin(), items_.end(),
                               [&](const DrawItem& queued) { return queued.layer < item.layer; });
  items_.insert(at, std::move(item));
}

std::vector<DrawItem> DrawQueue::TakeAll() {
  std::vector<DrawItem> out;
  out.swap(items_);
  return out;
}

float EffectiveScaling(double scaling) {
  const float s = ToSingle(scaling);
  return std::isfinite(s) ? s : 1.0f;
}

Matrix4 ViewTransform(double scaling, int width, int height) {
  const float s = EffectiveScaling(scaling);
  Matrix4 scale = Matrix4::Identity();
  scale.m[0][0] = s;
  scale.m[1][1] = s;
  scale.m[2][2] = s;
  return Multiply(scale, Matrix4::Translation(static_cast<float>(width) * 0.5f,
                                              static_cast<float>(height) * 0.5f, 0.0f));
}

Matrix4 ViewInverse(double scaling, int width, int height) {
  Matrix4 inverse;
  Inverse(ViewTransform(scaling, width, height), &inverse);
  return inverse;
}

void MapToView(DrawItem& item, const Matrix4& view) {
  if (item.screenSpace != 0) return;
  for (SceneVertex& v : item.vertices) {
    const Vec3f p = TransformCoord({v.x, v.y, v.z}, view);
    v.x = p.x;
    v.y = p.y;
    v.z = p.z;
  }
}

}  // namespace velmora
