#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/coordinate_system.h"
#include "link/drawing_strokes.h"

namespace velmora {

// Where a drawing goes in the user's plane: its centre (the middle of its bounds), its width (the
// height follows, aspect kept) and a turn counterclockwise. The drawing's y runs down, the user's
// up: the picture is seen the right way round from above.
struct Placement {
  double centreX = 0, centreY = 0;  // mm, user coordinates
  double widthMm = 0;
  double rotationDeg = 0;
};

// What the arm has to honour at every point: the reach and the motor limits of the current arm
// settings, on one elbow side for the whole drawing (so no stroke changes side half way).
struct ReachOptions {
  double penDownZ = -20;
  double penUpZ = -5;
  double rotation = 0;   // wrist, degrees (checked on 4 axes and more)
  double handWidth = 0;  // mm (checked on 5 axes)
  int axes = 3;
};

// The drawing flattened once, in its own coordinates, so that a new placement only maps points.
struct FlatDrawing {
  DrawingBounds bounds;
  std::vector<std::vector<DrawingPoint>> strokes;  // per stroke, its polyline
};
FlatDrawing FlattenDrawing(const Drawing& drawing);

DrawingTransform PlacementTransform(const DrawingBounds& bounds, const Placement& placement);

// A point the arm can draw at, on the elbow side `elbow` (the sign of ID2 that picks it: +1 or -1),
// at both pen heights.
bool Reachable(const ArmGeometry& g, const ReachOptions& o, int elbow, DrawingPoint p);

struct ReachResult {
  int elbow = 1;                          // the side chosen: the one that reaches the most
  std::size_t strokesOutside = 0;         // strokes with a point out of reach
  std::vector<uint8_t> strokeOutside;     // per stroke
  std::vector<std::vector<uint8_t>> pointOutside;  // per stroke, per flattened point
};
// Checks every flattened point at `placement`, trying both elbow sides.
ReachResult CheckReach(const ArmGeometry& g, const ReachOptions& o, const FlatDrawing& flat,
                       const Placement& placement, bool keepPoints = false);

// The middle of the area the arm reaches comfortably: the arm half stretched straight ahead.
DrawingPoint ComfortableCentre(const ArmGeometry& g);

// The largest width (up to `maxWidth`) at which every point fits around `placement`'s centre with
// its rotation; 0 when not even a tiny drawing fits there.
double FitWidth(const ArmGeometry& g, const ReachOptions& o, const FlatDrawing& flat,
                const Placement& placement, double maxWidth);

// The placement a dialog opens with: the drawing's own size in the middle of the comfortable
// area, or smaller when it does not fit there at its own size.
Placement InitialPlacement(const ArmGeometry& g, const ReachOptions& o, const FlatDrawing& flat);

}  // namespace velmora
