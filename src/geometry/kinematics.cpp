#include "geometry/kinematics.h"

#include <algorithm>
#include <cmath>

#include "base/numeric.h"

namespace velmora {

int16_t LimitMotorValue(int64_t value, int16_t limit) {
  // A negative limit would make an empty range, and the clamps below would then push every value
  // to the far end of it; the limiter works with its size alone.
  const int64_t lim = limit < 0 ? -int64_t{limit} : int64_t{limit};
  if (value > lim) value = lim;
  if (value < -lim) value = -lim;
  return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

void ForwardKinematics(const ArmGeometry& g, const Pose& pose, double* x, double* y, double* z,
                       double* rotation, double* handWidth) {
  const int id1 = pose.motorValues[0];
  const int id2 = pose.motorValues[1];
  const int id3 = pose.motorValues[2];
  const int id4 = pose.motorValues[3];
  const int id5 = pose.motorValues[4];
  if (x != nullptr || y != nullptr) {
    const double t1 = id1 / 1800.0 * kPi;
    const double t12 = (id1 + id2) / 1800.0 * kPi;
    const float xa = static_cast<float>(kLink1Length * std::cos(t1) + kLink2Length * std::cos(t12) -
                                        kShoulderOffset);
    const float ya = static_cast<float>(kLink1Length * std::sin(t1) + kLink2Length * std::sin(t12));
    const Vec3f w = TransformCoord({xa, ya, 0.0f}, g.armToWorld);
    if (x != nullptr) *x = w.x;
    if (y != nullptr) *y = w.y;
  }
  if (z != nullptr) *z = ToolHeight(id3);
  if (rotation != nullptr) *rotation = static_cast<double>(id1 + id2 + id4) / 10;
  if (handWidth != nullptr) {
    *handWidth = (-id5 / 318.3) * 10 + (g.coords.clawPosition + 1) * 10;
  }
}

void UpdateCoordinates(const ArmGeometry& g, Pose& pose) {
  ForwardKinematics(g, pose, &pose.x, &pose.y, &pose.z, &pose.rotation, &pose.handWidth);
}

void InverseKinematics(const ArmGeometry& g, double x, double y, double z, double rotation,
                       double handWidth, Pose& pose, IkReport* report) {
  const auto& lim = g.motorLimits;
  IkReport ignored;
  IkReport& out = report != nullptr ? *report : ignored;
  out = IkReport{};
  auto limit = [&out, &lim](int motor, int64_t value) {
    const int16_t v = LimitMotorValue(value, lim[static_cast<std::size_t>(motor)]);
    if (v != value) out.limited = static_cast<uint8_t>(out.limited | (1u << motor));
    return v;
  };
  const Vec3f a = TransformCoord({static_cast<float>(x), static_cast<float>(y), 0.0f}, g.worldToArm);
  const double X = static_cast<float>(a.x + 62.0f);
  const double Y = a.y;

  const int id2Now = pose.motorValues[1];
  const double s = id2Now > 0 ? -1.0 : id2Now < 0 ? 1.0 : (g.armSign != 0 ? 1.0 : -1.0);

  pose.motorValues[2] = limit(2, SaturatingTrunc(z / 35 * 148.54 * 10));
  pose.motorValues[4] = limit(
      4, SaturatingTrunc((handWidth - (g.coords.clawPosition + 1) * 10) / (-10) * 31.83 * 10));

  const int64_t wrist = SaturatingTrunc(-10 * rotation);
  const double r = std::hypot(X, Y);
  if (r >= kReach) {
    out.stretched = true;
    pose.motorValues[1] = 0;
    const int16_t id1 = limit(0, SaturatingTrunc(std::atan2(Y, X) / kPi * 1800));
    pose.motorValues[0] = id1;
    pose.motorValues[3] = limit(3, -int64_t{id1} - wrist);
    return;
  }

  double theta1;
  double theta2;
  const double d = X * X + Y * Y;
  if (d == 0.0) {
    // On the shoulder axis every shoulder angle reaches the target: fold the arm along +x.
    theta1 = 0;
    theta2 = -s * kPi;
  } else {
    const double phi = std::acos((6400 + 6400 - d) / 12800);
    const double alpha = std::acos((d + 6400 - 6400) / (160 * std::sqrt(d)));
    double beta = std::atan(Y / X);
    if (X < 0 && Y >= 0) beta += kPi;
    if (X < 0 && Y < 0) beta -= kPi;
    theta1 = beta + s * alpha;
    theta2 = -s * (kPi - phi);
  }
  const int16_t id1 = limit(0, SaturatingTrunc(theta1 / kPi * 180 * 10));
  const int16_t id2 = limit(1, SaturatingTrunc(theta2 / kPi * 180 * 10));
  pose.motorValues[0] = id1;
  pose.motorValues[1] = id2;
  pose.motorValues[3] = limit(3, -int64_t{id2} - wrist - int64_t{id1});
}

void UpdateMotorValues(const ArmGeometry& g, Pose& pose) {
  InverseKinematics(g, pose.x, pose.y, pose.z, pose.rotation, pose.handWidth, pose);
}

Point2 ArcCentre(double x0, double y0, double x1, double y1, double radius) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double chord = std::hypot(dx, dy);
  double r = radius;
  if (std::fabs(r) < chord / 2) r = (r < 0) ? -chord / 2 : chord / 2;
  const double hx = dx / 2;
  const double hy = dy / 2;
  const double g = std::atan2(hy, hx) + (r >= 0 ? kHalfPi : -kHalfPi);
  const double h = std::hypot(hx, hy);
  // The half chord and h can differ in the last bit; never take the root of a negative number.
  const double l = std::sqrt(std::max(0.0, r * r - h * h));
  return {x0 + hx + std::cos(g) * l, y0 + hy + std::sin(g) * l};
}

ArcGuide ArcGuideBetween(const Pose& prev, const Pose& cur) {
  ArcGuide guide;
  if (cur.interpolation != kArc) return guide;
  const Point2 c = ArcCentre(prev.x, prev.y, cur.x, cur.y, cur.arcRadius);
  guide.centreX = c.x;
  guide.centreY = c.y;
  guide.startX = RoundToFloat(prev.x);
  guide.startY = RoundToFloat(prev.y);
  guide.endX = RoundToFloat(cur.x);
  guide.endY = RoundToFloat(cur.y);
  guide.on = true;
  return guide;
}

Pose DefaultPose(const ArmGeometry& g) {
  Pose p;
  p.handWidth = (g.coords.clawPosition + 1) * 10;
  UpdateMotorValues(g, p);
  p.transitionTime = 1000;
  return p;
}

}  // namespace velmora
