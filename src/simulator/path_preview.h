#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/matrix.h"
#include "link/measured_path.h"
#include "link/motion_check.h"
#include "simulator/cached_layer.h"
#include "simulator/draw_queue.h"
#include "simulator/overlay.h"

namespace velmora {

inline constexpr uint32_t kPenDownPathColour = 0xFF00D8FFu;
inline constexpr uint32_t kPenUpPathColour = 0xFFF0F0F0u;
inline constexpr uint32_t kPoseDotColour = 0xFFFFFF00u;
inline constexpr uint32_t kCurrentMoveColour = 0xFFFF7000u;
inline constexpr uint32_t kMeasuredPathColour = 0xFFFF2050u;
inline constexpr uint32_t kPoseNumberRgb = 0xFFFF40u;

// The path inputs of one frame. Together with the rest of a frame's inputs they tell whether the
// frame would look the same as the last one.
struct PathFrameInputs {
  bool preview = false;           // the planned path of the Motion is shown
  uint64_t plannedRevision = 0;   // CheckedMotion::revision of the path shown, 0 for none
  uint64_t measuredRevision = 0;  // MeasuredPath::Revision
  std::size_t currentPose = 0;    // its move is highlighted
  double vpenTh = 0;              // below it the pen is down: solid line
  double scaling = 0;
  int width = 0, height = 0;

  friend bool operator==(const PathFrameInputs&, const PathFrameInputs&) = default;
};

// The drawing of the planned path and of the measured path, kept between frames by the render
// thread: the lines are made only when the path or the view changes. Items are in view pixels
// (screen space), on the base's layer after it, so that they lie on the base plate under the arm.
//  - the planned path: pen-down parts (tool below VPEN_TH) as a solid line, pen-up travel as a
//    dotted line in another colour, each Pose as a small dot with its number (numbers that would
//    cover another are left out), and the move of the current Pose in its own colour;
//  - the measured path of the last playback, in a second colour, over its plan (its plan is drawn
//    only while the preview is off, and once the playback has ended), with the largest deviation
//    in the overlay.
// A plan is handed over as a cached layer, which a renderer draws once and composes into every
// frame until the plan or the view changes; the current move and the measured samples, which
// change from frame to frame, are queued as items over it.
class PathPreview {
 public:
  // Queues the frame's paths. `layer` becomes the plan shown (none when no plan is shown), its
  // place in the drawing order marked in `queue` by a kCachedLayer item.
  void Queue(const PathFrameInputs& in, const std::shared_ptr<const CheckedMotion>& planned,
             const MeasuredPath& measured, DrawQueue& queue, std::vector<OverlayText>& texts,
             CachedLayerPtr* layer);

 private:
  struct Drawing {
    std::vector<DrawItem> items;
    std::vector<OverlayText> labels;
  };
  CachedLayerPtr DrawPlan(const PlannedPath& path, const PathFrameInputs& in, bool labels) const;

  PathFrameInputs plannedKey_;
  std::shared_ptr<const CheckedMotion> planned_;
  CachedLayerPtr plannedLayer_;  // none while the preview shows nothing

  PathFrameInputs measuredKey_;
  bool measuredValid_ = false;
  MeasuredView measured_;
  Drawing measuredDrawing_;
  CachedLayerPtr measuredLayer_;  // the plan under the measured path; none when not shown

  // The drawing of the plan under the measured path, and what it was drawn from.
  std::shared_ptr<const PlannedPath> measuredPlanSource_;
  PathFrameInputs measuredPlanKey_;
  CachedLayerPtr measuredPlanLayer_;
};

}  // namespace velmora
