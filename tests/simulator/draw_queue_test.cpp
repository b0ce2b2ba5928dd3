#include "simulator/draw_queue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace velmora {
namespace {

DrawItem Item(int layer, int tag) {
  DrawItem item;
  item.layer = layer;
  item.primitiveCount = tag;  // marks the item for the test
  return item;
}

TEST(DrawQueue, KeepsLayersDescendingAndEqualLayersInQueueOrder) {
  DrawQueue q;
  for (auto [layer, tag] : std::vector<std::pair<int, int>>{
           {0, 1}, {-11, 2}, {-2, 3}, {0, 4}, {-11, 5}, {-9, 6}, {5, 7}, {-2, 8}}) {
    q.QueueItem(Item(layer, tag));
  }
  std::vector<int> tags;
  for (const DrawItem& item : q.Items()) tags.push_back(item.primitiveCount);
  EXPECT_EQ(tags, (std::vector<int>{7, 1, 4, 3, 8, 6, 2, 5}));

  const std::vector<DrawItem> taken = q.TakeAll();
  EXPECT_EQ(taken.size(), 8u);
  EXPECT_TRUE(q.Empty());
}

TEST(ViewTransform, MapsMillimetresToPixelsAroundTheExactCentre) {
  const Matrix4 view = ViewTransform(1.5, 601, 400);
  const Vec3f centre = TransformCoord({0, 0, 0}, view);
  EXPECT_FLOAT_EQ(centre.x, 300.5f);  // exact halves, not integer ones
  EXPECT_FLOAT_EQ(centre.y, 200.0f);
  const Vec3f p = TransformCoord({98, -10, 0}, view);
  EXPECT_FLOAT_EQ(p.x, 300.5f + 147.0f);
  EXPECT_FLOAT_EQ(p.y, 200.0f - 15.0f);

  const Vec3f back = TransformCoord(p, ViewInverse(1.5, 601, 400));
  EXPECT_NEAR(back.x, 98, 1e-4);
  EXPECT_NEAR(back.y, -10, 1e-4);
}

TEST(ViewTransform, BrokenMagnificationFallsBackToOne) {
  EXPECT_EQ(EffectiveScaling(std::numeric_limits<double>::quiet_NaN()), 1.0f);
  EXPECT_EQ(EffectiveScaling(1e300), 1.0f);
  EXPECT_EQ(EffectiveScaling(2.5), 2.5f);
  const Vec3f p = TransformCoord({10, 0, 0}, ViewTransform(std::nan(""), 100, 100));
  EXPECT_FLOAT_EQ(p.x, 60.0f);
}

TEST(MapToView, LeavesScreenSpaceItemsAlone) {
  DrawItem plane;
  plane.vertices = {SceneVertex{10, 20, 0, 1, 0, 0, 0}};
  DrawItem screen = plane;
  screen.screenSpace = 1;
  const Matrix4 view = ViewTransform(2.0, 100, 50);
  MapToView(plane, view);
  MapToView(screen, view);
  EXPECT_FLOAT_EQ(plane.vertices[0].x, 70);
  EXPECT_FLOAT_EQ(plane.vertices[0].y, 65);
  EXPECT_FLOAT_EQ(screen.vertices[0].x, 10);
  EXPECT_FLOAT_EQ(screen.vertices[0].y, 20);
}

}  // namespace
}  // namespace velmora
