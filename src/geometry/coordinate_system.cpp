#include "geometry/coordinate_system.h"

namespace velmora {

int LimitClawPosition(int value) { return static_cast<unsigned>(value) > 3u ? 3 : value; }

void BuildPlacementTransforms(ArmGeometry& g, double a, double b, double c) {
  const float fa = static_cast<float>(a);
  const float fb = static_cast<float>(b);
  const float fc = static_cast<float>(c);
  g.baseDrawTransform = Multiply(Matrix4::RotationZ(-fc), Matrix4::Translation(fa, -fb, 0.0f));
  Inverse(g.baseDrawTransform, &g.baseDrawInverse);
  g.worldToArm = Multiply(Matrix4::Translation(-fa, -fb, 0.0f), Matrix4::RotationZ(-fc));
  Inverse(g.worldToArm, &g.armToWorld);
}

Geometry::Geometry() { BuildPlacementTransforms(state_, 0, 0, 0); }

ArmGeometry Geometry::Get() const {
  std::lock_guard lock(mutex_);
  return state_;
}

CoordinateSystem Geometry::Coords() const {
  std::lock_guard lock(mutex_);
  return state_.coords;
}

void Geometry::SetCoordinateSystem(double offsetX, double offsetY, double rotation) {
  ArmGeometry next;
  {
    std::lock_guard lock(mutex_);
    next = state_;
  }
  next.coords.centreOffsetX = offsetX;
  next.coords.centreOffsetY = offsetY;
  next.coords.baseRotation = rotation;
  BuildPlacementTransforms(next, offsetX, offsetY, rotation);
  std::lock_guard lock(mutex_);
  state_.coords.centreOffsetX = next.coords.centreOffsetX;
  state_.coords.centreOffsetY = next.coords.centreOffsetY;
  state_.coords.baseRotation = next.coords.baseRotation;
  state_.worldToArm = next.worldToArm;
  state_.armToWorld = next.armToWorld;
  state_.baseDrawTransform = next.baseDrawTransform;
  state_.baseDrawInverse = next.baseDrawInverse;
}

void Geometry::SetClawPosition(int value) {
  std::lock_guard lock(mutex_);
  state_.coords.clawPosition = LimitClawPosition(value);
}

void Geometry::SetArmSign(int value) {
  std::lock_guard lock(mutex_);
  state_.armSign = value;
}

void Geometry::SetMotorLimits(const std::array<int16_t, 5>& limits) {
  std::lock_guard lock(mutex_);
  // A limit is a 16-bit value: def.ini's -1400, or 99999 wrapped to -31073, would leave the motor
  // no range at all. Such a motor keeps its default, which is also what def.ini gets back.
  for (std::size_t k = 0; k < limits.size(); ++k) {
    state_.motorLimits[k] = limits[k] < 0 ? kDefaultMotorLimits[k] : limits[k];
  }
}

ArcGuide Geometry::GetArcGuide() const {
  std::lock_guard lock(mutex_);
  return arcGuide_;
}

void Geometry::SetArcGuide(const ArcGuide& guide) {
  std::lock_guard lock(mutex_);
  arcGuide_ = guide;
}

}  // namespace velmora
