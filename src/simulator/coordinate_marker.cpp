#include "simulator/coordinate_marker.h"

#include <cmath>

#include "simulator/single_precision.h"

namespace velmora {

namespace {

constexpr double kHitRadius = 10.0;  // mm

}  // namespace

CoordinateMarker::Placement CoordinateMarker::Place(const Vec3f& tool,
                                                    const Matrix4& baseDrawInverse) {
  std::lock_guard lock(mutex_);
  if (!dragging_) position_ = tool;
  const Placement placed{position_, dragging_};
  if (!dragging_) position_ = TransformCoord(position_, baseDrawInverse);
  return placed;
}

void CoordinateMarker::SetViewInverse(const Matrix4& viewInverse) {
  std::lock_guard lock(mutex_);
  viewInverse_ = viewInverse;
  viewKnown_ = true;
}

Vec3f CoordinateMarker::ToArmFrame(double px, double py, const ArmGeometry& geometry) const {
  const Vec3f plane =
      TransformCoord({static_cast<float>(px), static_cast<float>(py), 0.0f}, viewInverse_);
  return TransformCoord(plane, geometry.baseDrawInverse);
}

bool CoordinateMarker::BeginMarkerDrag(double px, double py, const ArmGeometry& geometry) {
  std::lock_guard lock(mutex_);
  if (!viewKnown_ || dragging_) return dragging_;
  const Vec3f p = ToArmFrame(px, py, geometry);
  const double dx = static_cast<double>(p.x) - position_.x;
  const double dy = static_cast<double>(p.y) - position_.y;
  if (std::sqrt(dx * dx + dy * dy) <= kHitRadius) {
    dragging_ = true;
    position_ = TransformCoord(position_, geometry.baseDrawTransform);
  }
  return dragging_;
}

void CoordinateMarker::DragMarker(double px, double py, const ArmGeometry& geometry,
                                  const Settings& settings, double* userX, double* userY) {
  std::lock_guard lock(mutex_);
  Vec3f p = ToArmFrame(px, py, geometry);
  if (settings.enableMarkerLim != 0) {
    const MarkerRange& r = settings.markerRange;
    const float left = ToSingle(r.left);
    const float right = ToSingle(r.right);
    const float top = ToSingle(r.top);
    const float bottom = ToSingle(r.bottom);
    if (p.x < left) {
      p.x = left;
    } else if (p.x > right) {
      p.x = right;
    }
    if (p.y > bottom) {
      p.y = bottom;
    } else if (p.y < top) {
      p.y = top;
    }
  }
  position_ = TransformCoord(p, geometry.baseDrawTransform);
  if (userX != nullptr) *userX = position_.x;
  if (userY != nullptr) *userY = -position_.y;
}

void CoordinateMarker::EndDrag(const ArmGeometry& geometry) {
  std::lock_guard lock(mutex_);
  if (!dragging_) return;
  dragging_ = false;
  position_ = TransformCoord(position_, geometry.baseDrawInverse);
}

bool CoordinateMarker::Dragging() const {
  std::lock_guard lock(mutex_);
  return dragging_;
}

Vec3f CoordinateMarker::Position() const {
  std::lock_guard lock(mutex_);
  return position_;
}

}  // namespace velmora
