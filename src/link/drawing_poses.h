#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/coordinate_system.h"
#include "geometry/pose.h"
#include "link/drawing_placement.h"
#include "link/drawing_strokes.h"

namespace velmora {

// How a drawing is turned into Poses.
struct DrawingOptions {
  static constexpr double kDefaultToleranceMm = 0.1;
  static constexpr double kMinToleranceMm = 0.02;
  static constexpr double kMaxToleranceMm = 1.0;
  // A pace the servos follow without falling behind the plan (the measured path of the virtual
  // robot stays on the planned one).
  static constexpr double kDefaultSpeedMmPerS = 20.0;
  static constexpr double kDefaultLiftMs = 300.0;

  double toleranceMm = kDefaultToleranceMm;  // against the path the playback plays
  double speedMmPerS = kDefaultSpeedMmPerS;  // pen down
  double liftMs = kDefaultLiftMs;            // each lowering and lifting of the pen
  bool keepFileOrder = false;
  // The highest turn speed (degrees per second) a move may ask of a servo; the pen-up travel uses
  // half of it.
  double maxServoSpeed = 300.0;
  ReachOptions reach;  // pen heights, wrist, hand, axes
};

struct DrawingSummary {
  std::size_t strokes = 0;
  std::size_t poses = 0;
  std::size_t lifts = 0;
  double travelSeconds = 0;  // the lifted pen carried from stroke to stroke (not its lifts)
  double totalSeconds = 0;
  double maxDeviationMm = 0;
};

// The placed drawing, ordered, and everything the dialog shows of it.
struct DrawingPlan {
  std::vector<Stroke> strokes;  // placed (user mm) in drawing order
  ReachResult reach;            // of the placement, per stroke of the drawing as read
  std::vector<Pose> poses;      // empty while a stroke leaves the reach
  DrawingSummary summary;
  // The lifted pen's path from the Pose before the drawing to the first stroke and from each
  // stroke to the next: a None move turns the joints evenly, so the path bends as they do.
  std::vector<std::vector<DrawingPoint>> travel;
};

// Places the drawing, checks the reach, orders the strokes and, when every stroke is inside the
// reach, makes the Poses that draw it after `from` (the Pose they are inserted after): for each
// stroke a None move to above its start, one that lowers the pen, Linear and Arc Poses along it
// within the tolerance (checked against the planned path), and a None move that lifts the pen.
DrawingPlan PlanDrawing(const ArmGeometry& g, const Drawing& drawing, const FlatDrawing& flat,
                        const Placement& placement, const DrawingOptions& options,
                        const Pose& from);

// Only the placement, the reach and the order (what the preview draws): no Poses.
DrawingPlan PreviewDrawing(const ArmGeometry& g, const Drawing& drawing, const FlatDrawing& flat,
                           const Placement& placement, const DrawingOptions& options,
                           const Pose& from);

}  // namespace velmora
