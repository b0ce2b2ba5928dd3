#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "geometry/matrix.h"

namespace velmora {

// The value of pi used in every angle conversion of the program. Motion files and def.ini store
// angles converted with it, and rotations are compared by exact equality, so the full-precision
// constant must not be used.
inline constexpr double kPi = 3.1415926;
inline constexpr double kHalfPi = 1.5707963;
inline constexpr double kTwoPi = 6.2831852;

// Arm constants, in mm.
inline constexpr double kLink1Length = 80;
inline constexpr double kLink2Length = 80;
inline constexpr double kReach = 160;
inline constexpr double kShoulderOffset = 62;

inline constexpr std::array<int16_t, 5> kDefaultMotorLimits{1400, 1400, 1500, 1500, 350};

// Where the arm base sits in the user's plane, and the claw screw position.
struct CoordinateSystem {
  double centreOffsetX = 0;  // mm
  double centreOffsetY = 0;  // mm
  double baseRotation = 0;   // radians: 0, pi/2, pi or 3pi/2 in practice
  int clawPosition = 1;      // 0..3

  friend bool operator==(const CoordinateSystem&, const CoordinateSystem&) = default;
};

// Limits a claw position: anything above 3, compared as unsigned (so negatives too), becomes 3.
int LimitClawPosition(int value);

// A consistent copy of everything the kinematics read. Taken whole, so a conversion never mixes
// an old offset with a new rotation.
struct ArmGeometry {
  CoordinateSystem coords;
  int armSign = 0;  // elbow side for a Pose whose ID2 is 0: 0 = counterclockwise, else clockwise
  std::array<int16_t, 5> motorLimits = kDefaultMotorLimits;
  Matrix4 worldToArm = Matrix4::Identity();
  Matrix4 armToWorld = Matrix4::Identity();
  Matrix4 baseDrawTransform = Matrix4::Identity();
  Matrix4 baseDrawInverse = Matrix4::Identity();
};

// The arc of the current Pose, as the simulator draws it.
struct ArcGuide {
  double centreX = 0, centreY = 0;
  double startX = 0, startY = 0;  // rounded to single precision
  double endX = 0, endY = 0;      // rounded to single precision
  bool on = false;
};

// The program's one geometry state. The UI thread changes it; the render, playback and recorder
// threads read it. Readers take a whole copy, so they never see a torn coordinate system.
class Geometry {
 public:
  Geometry();

  ArmGeometry Get() const;
  CoordinateSystem Coords() const;

  // Stores the offsets and rotation and rebuilds the four placement transforms.
  void SetCoordinateSystem(double offsetX, double offsetY, double rotation);
  void SetClawPosition(int value);  // limited
  void SetArmSign(int value);
  // A negative limit takes that motor's default.
  void SetMotorLimits(const std::array<int16_t, 5>& limits);

  ArcGuide GetArcGuide() const;
  void SetArcGuide(const ArcGuide& guide);

 private:
  mutable std::mutex mutex_;  // guards state_ and arcGuide_
  ArmGeometry state_;
  ArcGuide arcGuide_;
};

// Builds the four transforms of a placement with offsets a, b and rotation c.
void BuildPlacementTransforms(ArmGeometry& g, double a, double b, double c);

}  // namespace velmora
