#pragma once

#include <cstdint>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora {

// Motor values -> coordinates. Each output is optional (null: not computed).
void ForwardKinematics(const ArmGeometry& g, const Pose& pose, double* x, double* y, double* z,
                       double* rotation, double* handWidth);

// The tool height of an ID3 value, in mm (the z of ForwardKinematics).
inline double ToolHeight(int id3) { return id3 / 1485.4 * 35; }

// Recomputes a Pose's x, y, z, rotation and handWidth from its motor values.
void UpdateCoordinates(const ArmGeometry& g, Pose& pose);

// Coordinates -> motor values. Reads the Pose's ID2 first (it picks the elbow side) and writes all
// five motor values, each limited to its MotorLimits entry; nothing else of the Pose changes.
//
// Inputs that have no answer still give defined motor values: a target on the shoulder axis
// itself folds the arm with link 1 along the arm frame's +x axis (ID1 0, ID2 as far as its limit
// allows towards the chosen elbow side); a NaN quantity gives 0 for the motor values computed from
// it, and an infinite one gives the limit of its motor (an infinitely far target stretches the arm
// towards it).
//
// `report`, when given, says what the conversion could not honour: the target was out of reach
// (the arm is stretched towards it) and which motor values were limited.
struct IkReport {
  bool stretched = false;
  uint8_t limited = 0;  // bit k: motor ID k+1 was limited to its MotorLimits entry
};
void InverseKinematics(const ArmGeometry& g, double x, double y, double z, double rotation,
                       double handWidth, Pose& pose, IkReport* report = nullptr);

// Recomputes a Pose's motor values from its own coordinates.
void UpdateMotorValues(const ArmGeometry& g, Pose& pose);

// Limits a computed motor value to +-limit and to the signed 16-bit range.
int16_t LimitMotorValue(int64_t value, int16_t limit);

struct Point2 {
  double x = 0, y = 0;
};

// Centre of the circle of an arc move from (x0, y0) to (x1, y1) with a signed radius: left of the
// direction of travel for a non-negative radius, right for a negative one. A radius shorter than
// half the chord becomes the half chord (a semicircle).
Point2 ArcCentre(double x0, double y0, double x1, double y1, double radius);

// The ArcGuide of the move from `prev` to `cur`: on when `cur` is an Arc Pose, off otherwise.
ArcGuide ArcGuideBetween(const Pose& prev, const Pose& cur);

// The Pose a new Motion starts with: everything zero, the hand at the claw position's zero width,
// motor values from the kinematics, 1000 ms.
Pose DefaultPose(const ArmGeometry& g);

}  // namespace velmora
