#include "link/hand_guide.h"

#include <cmath>

#include "geometry/pose.h"
#include "geometry/kinematics.h"

namespace velmora {

namespace {

// The Pose the servos stand at now, with its coordinates.
bool PresentPose(const ArmGeometry& g, const HandServos& servos, Pose& pose) {
  if (!servos.presentPosition || !servos.moveByHand) return false;
  for (int id = 1; id <= kMotorCount; ++id) {
    pose.motorValues[static_cast<std::size_t>(id - 1)] = servos.presentPosition(id);
  }
  UpdateCoordinates(g, pose);
  return true;
}

}  // namespace

bool GuideToolTo(const ArmGeometry& g, const HandServos& servos, double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  Pose pose;
  if (!PresentPose(g, servos, pose)) return false;
  // The kinematics reads ID2 of the Pose it fills to keep the elbow on its side.
  Pose target = pose;
  InverseKinematics(g, x, y, pose.z, pose.rotation, pose.handWidth, target);
  const bool shoulder = servos.moveByHand(1, target.motorValues[0]);
  const bool elbow = servos.moveByHand(2, target.motorValues[1]);
  return shoulder && elbow;
}

bool GuideToolHeight(const ArmGeometry& g, const HandServos& servos, double z) {
  if (!std::isfinite(z)) return false;
  Pose pose;
  if (!PresentPose(g, servos, pose)) return false;
  Pose target = pose;
  InverseKinematics(g, pose.x, pose.y, z, pose.rotation, pose.handWidth, target);
  return servos.moveByHand(3, target.motorValues[2]);
}

}  // namespace velmora
