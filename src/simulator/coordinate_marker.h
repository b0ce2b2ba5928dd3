#pragma once

#include <mutex>

#include "geometry/coordinate_system.h"
#include "geometry/matrix.h"
#include "geometry/settings.h"

namespace velmora {

// The cross the user drags to move the arm. The render thread places it on the tool every frame
// while it is not dragged; the mouse handling on the UI thread picks it up and moves it. Between
// frames the position is held in the arm drawing frame (the base as drawn, y down), so the hit test
// compares against the arm however the base is placed; while it is dragged it is held in the
// drawing plane.
class CoordinateMarker {
 public:
  struct Placement {
    Vec3f position;  // drawing plane, mm
    bool dragging = false;
  };

  // Render thread, once per frame: puts the marker on the tool (drawing plane) unless it is being
  // dragged, and returns where to draw it. The stored position then goes back to the arm drawing
  // frame through `baseDrawInverse`.
  Placement Place(const Vec3f& tool, const Matrix4& baseDrawInverse);

  // Render thread, once per frame: the mapping from view pixels to the drawing plane that the
  // mouse conversions use.
  void SetViewInverse(const Matrix4& viewInverse);

  // A press at a view pixel: starts a drag when the point is within 10 mm of the marker. True
  // while the marker is being dragged.
  bool BeginMarkerDrag(double px, double py, const ArmGeometry& geometry);

  // A move to a view pixel during a drag: the marker goes there, limited to the marker range when
  // `enableMarkerLim` is set, and the user coordinates of that point come back.
  void DragMarker(double px, double py, const ArmGeometry& geometry, const Settings& settings,
                  double* userX, double* userY);

  // The left button went up: the marker follows the arm again from the next frame. Until then it
  // is held in the arm drawing frame again, so a press before that frame tests the right place.
  void EndDrag(const ArmGeometry& geometry);

  bool Dragging() const;
  // The stored position: arm drawing frame between frames, drawing plane while dragged.
  Vec3f Position() const;

 private:
  Vec3f ToArmFrame(double px, double py, const ArmGeometry& geometry) const;

  mutable std::mutex mutex_;  // guards position_, dragging_, viewInverse_ and viewKnown_
  Vec3f position_;
  bool dragging_ = false;
  Matrix4 viewInverse_ = Matrix4::Identity();
  bool viewKnown_ = false;  // no press is taken before the first frame has mapped the view
};

}  // namespace velmora
