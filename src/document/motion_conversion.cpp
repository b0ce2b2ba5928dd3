#include "document/motion_conversion.h"

#include <numeric>

#include "document/document.h"
#include "geometry/kinematics.h"

namespace velmora {

bool ConvertPoses(const ArmGeometry& g, std::vector<Pose>& poses, int method) {
  switch (method) {
    case kKeepCoordinates:
      for (Pose& p : poses) UpdateMotorValues(g, p);
      return true;
    case kKeepMotorValues:
      for (Pose& p : poses) UpdateCoordinates(g, p);
      return true;
    default:
      return false;
  }
}

bool ConvertMotion(Document& doc, Geometry& geometry, int method,
                   const ConvertedRowsRefresh& refresh) {
  if (method != kKeepCoordinates && method != kKeepMotorValues) return false;
  // One snapshot of the placement for the whole walk, so every Pose is converted alike.
  const ArmGeometry g = geometry.Get();
  std::vector<std::size_t> rows;
  doc.motion.Modify([&](std::vector<Pose>& poses, std::size_t&) {
    ConvertPoses(g, poses, method);
    rows.resize(poses.size());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
  });
  UpdateArcGuide(geometry, doc.motion);
  doc.sink->Notify(kChangeMotion | kChangeCurrentPose);
  if (refresh) refresh(rows);
  return true;
}

}  // namespace velmora
