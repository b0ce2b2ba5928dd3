#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/kinematics.h"
#include "geometry/pose.h"

namespace velmora::testing {

// A Pose at the given motor values (ID1..ID5), with the coordinates the kinematics give for them.
inline Pose FromMotors(const ArmGeometry& g, int a, int b, int c, int d, int e,
                       uint32_t time = 1000) {
  Pose p;
  p.motorValues = {static_cast<int16_t>(a), static_cast<int16_t>(b), static_cast<int16_t>(c),
                   static_cast<int16_t>(d), static_cast<int16_t>(e)};
  UpdateCoordinates(g, p);
  p.transitionTime = time;
  return p;
}

// A Linear Pose at (x, y) on the table (z 0, hand 20 mm wide), its motor values worked out.
inline Pose LinearTo(const ArmGeometry& g, double x, double y, uint32_t time) {
  Pose p;
  p.x = x;
  p.y = y;
  p.handWidth = 20;
  p.interpolation = kLinear;
  p.transitionTime = time;
  UpdateMotorValues(g, p);
  return p;
}

// A drawing of `count` Poses over the arm's working area: every fifth a None move with the pen up,
// the others Linear and Arc strokes with the pen down; every move lasts `moveMs`.
inline std::vector<Pose> DrawnMotion(const ArmGeometry& g, int count, uint32_t moveMs) {
  std::vector<Pose> poses;
  poses.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Pose p;
    const double a = i * 0.37;
    p.x = 30 + 50 * std::cos(a) + (i % 7) * 3;
    p.y = 10 + 60 * std::sin(a * 0.9);
    p.z = (i % 5 == 0) ? 0 : -25;
    p.handWidth = 20;
    p.interpolation = i % 5 == 0 ? kNone : (i % 5 == 3 ? kArc : kLinear);
    p.arcRadius = 40;
    p.arcDirection = i % 2;
    p.transitionTime = moveMs;
    UpdateMotorValues(g, p);
    poses.push_back(p);
  }
  return poses;
}

}  // namespace velmora::testing
