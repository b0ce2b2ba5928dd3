#pragma once

#include <functional>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora {

struct Document;

// How the Poses of a Motion follow a change of the coordinate system. The values are also those
// of LoadConversionType (LOAD_CONV_TYPE), which adds kAdoptMotionSystem for loading.
enum ConversionMethod : int {
  kConversionCancelled = -1,
  kKeepCoordinates = 0,    // keep x, y, z, rotation and hand width; recompute the motor values
  kKeepMotorValues = 1,    // keep the motor values; recompute the coordinates
  kAdoptMotionSystem = 2,  // loading only: switch the program to the file's coordinate system
};

// Converts every Pose of `poses` in order with the placement `g`. KeepCoordinates lets each
// Pose's own ID2 choose its elbow side. False (and nothing changes) for any other method.
bool ConvertPoses(const ArmGeometry& g, std::vector<Pose>& poses, int method);

// Brings the views up to date after a conversion changed the Poses at `rows` (0-based, ascending):
// their pose list rows are refreshed, and the current Pose is shown again when it is among them.
// The list is not rebuilt, so the user's selection survives.
using ConvertedRowsRefresh = std::function<void(const std::vector<std::size_t>& rows)>;

// Converts the whole Motion of `doc` in the present coordinate system of `geometry`, then brings
// the arc guide and the views up to date through `refresh` (which may be empty) with every row.
// No undo step is recorded and the modified flag is left alone: the Motion still describes the
// same movement, only in other numbers. False for an unknown method.
bool ConvertMotion(Document& doc, Geometry& geometry, int method,
                   const ConvertedRowsRefresh& refresh);

}  // namespace velmora
