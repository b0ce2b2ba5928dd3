#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/matrix.h"
#include "link/measured_path.h"
#include "link/motion_check.h"
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
// thread: the lines are made only when the path or the view changes, and each frame queues copies
// of them. Items are in view pixels (screen space), on the base's layer after it, so that they lie
// on the base plate under the arm.
//  - the planned path: pen-down parts (tool below VPEN_TH) as a solid line, pen-up travel as a
//    dotted line in another colour, each Pose as a small dot with its number (numbers that would
//    cover another are left out), and the move of the current Pose in its own colour;
//  - the measured path of the last playback, in a second colour, over its plan (its plan is drawn
//    only while the preview is off, and once the playback has ended), with the largest deviation
//    in the overlay.
class PathPreview {
 public:
  void Queue(const PathFrameInputs& in, const std::shared_ptr<const CheckedMotion>& planned,
             const MeasuredPath& measured, DrawQueue& queue, std::vector<OverlayText>& texts);

 private:
  struct Drawing {
    std::vector<DrawItem> items;
    std::vector<OverlayText> labels;
  };
  Drawing DrawPlan(const PlannedPath& path, const PathFrameInputs& in, bool labels) const;

  PathFrameInputs plannedKey_;
  bool plannedValid_ = false;
  std::shared_ptr<const CheckedMotion> planned_;
  Drawing plannedDrawing_;

  PathFrameInputs measuredKey_;
  bool measuredValid_ = false;
  MeasuredView measured_;
  Drawing measuredDrawing_;

  // The drawing of the plan under the measured path, and what it was drawn from.
  std::shared_ptr<const PlannedPath> measuredPlanSource_;
  PathFrameInputs measuredPlanKey_;
  Drawing measuredPlanDrawing_;
};

}  // namespace velmora
