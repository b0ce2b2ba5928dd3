#pragma once

#include <cstdint>

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

}  // namespace velmora::testing
