#pragma once

#include <array>

#include "geometry/coordinate_system.h"

namespace velmora {

// Motion files and def.ini store the base rotation in degrees. Both readers turn it into radians
// with this exact expression (divide by 180 first, then multiply by the program's pi), and both
// writers turn it back with RotationToDegrees. Rotations are compared by exact equality, so the
// dialog's angle entries must come out of the same expression bit for bit.
constexpr double RotationFromDegrees(double degrees) { return degrees / 180 * kPi; }
constexpr double RotationToDegrees(double radians) { return radians / kPi * 180; }

// The base angles the coordinate-system dialog offers, in the order of its angle list.
inline constexpr int kBaseRotationCount = 4;
inline constexpr std::array<double, kBaseRotationCount> kBaseRotationDegrees{0, 90, 180, 270};
inline constexpr std::array<double, kBaseRotationCount> kBaseRotations{
    RotationFromDegrees(0), RotationFromDegrees(90), RotationFromDegrees(180),
    RotationFromDegrees(270)};

// String numbers of the angle labels "0°" .. "270°".
inline constexpr std::array<int, kBaseRotationCount> kBaseRotationLabels{40049, 40050, 40051,
                                                                         40052};

// The index of the entry whose radians equal `radians` exactly, or -1 when none does (a rotation
// typed into def.ini by hand, such as 45 degrees).
int BaseRotationIndex(double radians);

// The radians of entry `index`; false when the index is not one of the entries.
bool BaseRotationAt(int index, double* radians);

}  // namespace velmora
