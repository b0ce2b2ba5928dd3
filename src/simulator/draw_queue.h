#pragma once

#include <cstdint>
#include <vector>

#include "geometry/matrix.h"

namespace velmora {

// One vertex as the drawing layer takes it: a pre-transformed position, a colour and texture
// coordinates. While an item waits in the queue, x and y are drawing-plane millimetres (or view
// pixels for a screen-space item); after `MapToView` they are view pixels.
struct SceneVertex {
  float x = 0;
  float y = 0;
  float z = 0;
  float rhw = 1.0f;
  uint32_t colour = 0;  // ARGB, alpha in the top byte
  float u = 0;          // texture coordinates; the pen trace keeps the tool height in u
  float v = 0;

  friend bool operator==(const SceneVertex&, const SceneVertex&) = default;
};
static_assert(sizeof(SceneVertex) == 28, "the trace buffer is moved as 28-byte records");

// kCachedLayer has no vertices: the picture of the frame's cached layer goes there.
enum class PrimitiveKind : int {
  kLineList = 2,
  kLineStrip = 3,
  kTriangleFan = 6,
  kCachedLayer = 100
};

inline constexpr int kNoTexture = -1;

// One primitive of a frame.
struct DrawItem {
  std::vector<SceneVertex> vertices;
  int primitiveCount = 0;    // triangles or line segments
  int alphaBlend = 1;        // every item of the program blends
  int screenSpace = 0;       // 1: x, y are already view pixels (the pen trace)
  int layer = 0;             // drawing order: lower layers are drawn later, on top
  int texture = kNoTexture;  // TextureTable entry
  PrimitiveKind kind = PrimitiveKind::kTriangleFan;

  int VertexCount() const { return static_cast<int>(vertices.size()); }

  friend bool operator==(const DrawItem&, const DrawItem&) = default;
};

// The items of one frame in drawing order: descending layer, and items of equal layer in the order
// they were queued. Built and drained by the render thread alone within one frame.
class DrawQueue {
 public:
  // Inserts the item before the first queued item whose layer is lower than its own, or appends.
  void QueueItem(DrawItem item);

  const std::vector<DrawItem>& Items() const { return items_; }
  bool Empty() const { return items_.empty(); }
  // Hands the items over in drawing order and leaves the queue empty.
  std::vector<DrawItem> TakeAll();
  void Clear() { items_.clear(); }

 private:
  std::vector<DrawItem> items_;
};

// The magnification actually used: a value that is not finite falls back to 1, so that a broken
// setting cannot turn every position into NaN.
float EffectiveScaling(double scaling);

// Drawing-plane millimetres to view pixels: scale by `scaling`, then move by (w * 0.5, h * 0.5).
// A point (x, y) lands on (x * s + w / 2, y * s + h / 2) with exact halves.
Matrix4 ViewTransform(double scaling, int width, int height);
// View pixels back to drawing-plane millimetres.
Matrix4 ViewInverse(double scaling, int width, int height);

// Maps the vertices of an item that is not in screen space through `view`.
void MapToView(DrawItem& item, const Matrix4& view);

}  // namespace velmora
