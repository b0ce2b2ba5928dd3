#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"
#include "simulator/scene.h"
#include "simulator/sprites.h"

namespace velmora::testing {

// One scene built from a Pose with the program's default settings and the default view size.
class SceneTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 666;
  static constexpr int kHeight = 462;

  SceneTest() { Refresh(); }

  // Takes the geometry again after it was changed.
  void Refresh() {
    in.geometry = geometry.Get();
    in.arcGuide = geometry.GetArcGuide();
    in.width = kWidth;
    in.height = kHeight;
  }

  // Builds the scene for motor values ID1..ID5 and returns the items in drawing order.
  const std::vector<DrawItem>& Build(std::array<int16_t, 5> motors = {}) {
    Pose pose;
    pose.motorValues = motors;
    UpdateCoordinates(in.geometry, pose);
    EnsurePenTrace(pen, in.settings.vpenPoints, sim.penTraceReset);
    queue.Clear();
    BuildScene(pose, in, sim, pen, queue);
    return queue.Items();
  }

  // The items of one layer, in drawing order.
  std::vector<DrawItem> Layer(int layer) const {
    std::vector<DrawItem> out;
    for (const DrawItem& item : queue.Items()) {
      if (item.layer == layer) out.push_back(item);
    }
    return out;
  }

  const DrawItem& Only(int layer) {
    only_ = Layer(layer);
    EXPECT_EQ(only_.size(), 1u) << "layer " << layer;
    if (only_.empty()) only_.push_back(DrawItem{});
    return only_.front();
  }

  Geometry geometry;
  SceneInputs in;
  SimulatorState sim;
  PenTrace pen;
  DrawQueue queue;

 private:
  std::vector<DrawItem> only_;
};

// Expects a vertex at (x, y) within single-precision rounding of the transforms.
inline void ExpectAt(const SceneVertex& v, float x, float y, const char* what = "") {
  EXPECT_NEAR(v.x, x, 1e-3) << what;
  EXPECT_NEAR(v.y, y, 1e-3) << what;
}

}  // namespace velmora::testing
