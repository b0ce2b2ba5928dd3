#pragma once

#include <array>
#include <cstdint>

namespace velmora {

// How the arm travels from the previous Pose to this one.
enum InterpolationType : int32_t { kNone = 0, kLinear = 1, kArc = 2 };

// Turning direction of an Arc Pose.
enum ArcDirection : int32_t { kClockwise = 0, kCounterClockwise = 1 };

inline constexpr int kMotorCount = 5;

// One key position of the arm. The motor values and the five geometric values (x, y, z, rotation,
// handWidth) describe the same position; every editing path keeps them consistent through the
// kinematics. A plain record: it is copied as a whole when it is cut, copied, pasted, snapshotted
// or recorded.
struct Pose {
  int32_t interpolation = kNone;
  std::array<int16_t, kMotorCount> motorValues{};  // ID1..ID5, motor units
  double x = 0;                                    // mm, user coordinates
  double y = 0;                                    // mm
  double z = 0;                                    // mm, tool height (ID3)
  double handWidth = 0;                            // mm (ID5)
  double arcRadius = 0;                            // mm, signed
  double rotation = 0;                             // degrees, wrist (ID4)
  int32_t arcDirection = kClockwise;
  uint32_t transitionTime = 0;                     // ms
  std::array<int32_t, kMotorCount> excluded{};     // nonzero: the motor is left out when sent
  int32_t deleteMark = 0;                          // scratch flag of the delete command

  friend bool operator==(const Pose&, const Pose&) = default;
};

}  // namespace velmora
