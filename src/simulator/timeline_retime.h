#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora {

class Motion;
struct Document;

// The step a dragged handle snaps to and the range the time field allows.
inline constexpr uint32_t kRetimeStepMs = 10;
inline constexpr uint32_t kRetimeMinMs = 10;
inline constexpr uint32_t kRetimeMaxMs = 655350;

// The transition times of a Pose (and of the Pose after it) once its handle has moved `deltaMs`
// from where it was grabbed. The Pose's time changes by the movement, snapped to 10 ms and held
// within 10..655350 ms, which shifts every later Pose. With `shift` only the boundary between the
// two moves moves: the next Pose gives up what this one takes, within the same range, so nothing
// after them shifts. Without a next Pose, `shift` changes nothing.
struct RetimedTimes {
  uint32_t time = 0;
  std::optional<uint32_t> next;
};
RetimedTimes RetimeByDrag(uint32_t time, std::optional<uint32_t> next, double deltaMs, bool shift);

// One drag of a keyframe handle: the Motion follows every movement (so the list, the pane and the
// check follow at once), and the end records one undo step if any time changed. Only the Poses
// whose time changes are written, so the step copies no more than they need.
class RetimeDrag {
 public:
  // False (no drag) when the Motion has no such Pose.
  bool Begin(const Motion& motion, std::size_t pose);
  // The handle is `deltaMs` from where it was grabbed. Returns the rows whose time changed since
  // the last call.
  std::vector<std::size_t> Update(Motion& motion, double deltaMs, bool shift);
  // Ends the drag; true when it changed a time and recorded its undo step.
  bool End(Document& doc);
  // Puts the times back as they were before the drag (the rows that changed back).
  std::vector<std::size_t> Cancel(Motion& motion);

  bool Active() const { return active_; }
  std::size_t PoseIndex() const { return pose_; }

 private:
  std::vector<std::size_t> Write(Motion& motion, uint32_t time, std::optional<uint32_t> next);

  bool active_ = false;
  std::size_t pose_ = 0;
  uint32_t original_ = 0;
  std::optional<uint32_t> originalNext_;
  uint32_t shown_ = 0;
  std::optional<uint32_t> shownNext_;
};

}  // namespace velmora
