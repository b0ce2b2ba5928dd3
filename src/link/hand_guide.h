#pragma once

#include <cstdint>
#include <functional>

#include "geometry/coordinate_system.h"

namespace velmora {

// The arm as a hand holds it: its servos' present positions, and turning one of them. The virtual
// robot provides both; with the torque on a servo holds and `moveByHand` says false.
struct HandServos {
  std::function<int16_t(int id)> presentPosition;
  std::function<bool(int id, int16_t position)> moveByHand;
};

// Puts the tool at user (x, y) the way a hand pushes the arm: the shoulder and the elbow turn to
// the motor values InverseKinematics gives, on the side the elbow is bent to now; height, wrist
// and hand stay. False when a servo held (its torque is on) or nothing answers.
bool GuideToolTo(const ArmGeometry& g, const HandServos& servos, double x, double y);

// Pushes the tool to height `z` (mm), as the pen is pressed onto the paper or lifted.
bool GuideToolHeight(const ArmGeometry& g, const HandServos& servos, double z);

}  // namespace velmora
