#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "link/planned_path.h"

namespace velmora {

class Motion;

// What the motion check can find in a Pose's move (bits).
enum PoseIssue : uint8_t {
  kIssueOutOfReach = 1,  // the move asks for a point the arm cannot reach
  kIssueMotorLimit = 2,  // a motor value was limited to its MotorLimits entry
  kIssueTooFast = 4,     // a servo is asked to turn faster than the maximum
};

// The colour the check marks a flagged move with (ARGB), wherever it is drawn.
inline constexpr uint32_t kIssueColour = 0xFFFFB000u;

uint8_t IssuesOf(const PoseCheck& check, double maxServoSpeed);

// The reasons, one line each, as the PoseList's tooltip and the check window show them; empty
// when the move is fine.
std::string IssueText(const PoseCheck& check, double maxServoSpeed);

// The planned path of the whole Motion (from its first Pose, at x1) with what the check found.
struct CheckedMotion {
  PlannedPath path;
  std::vector<uint8_t> issues;       // per Pose
  std::vector<std::string> reasons;  // per Pose, empty when fine
  uint64_t revision = 0;             // grows with every new analysis
};

// The path of the check and the preview is made of at most about this many points (PlanOptions::
// maxPoints): a drawing of 1,000 Poses of a second each is walked step by step, and one of 10,000
// such Poses is sampled at a dozen points per move, so every edit is checked within a frame or
// two.
inline constexpr std::size_t kCheckedPathMaxPoints = 120000;

// Checks a Motion: plans it and flags every Pose whose move leaves the reach, hits a motor limit
// or turns a servo faster than `maxServoSpeed` degrees per second.
CheckedMotion CheckMotion(const ArmGeometry& g, const std::vector<Pose>& poses, int axes,
                          double maxServoSpeed);

// The lines of the motion check window: one per flagged Pose, "ポーズ 3：" and its reasons; a
// single line without a Pose (none) when nothing was found.
struct CheckLine {
  std::optional<std::size_t> pose;
  std::string text;
};
std::vector<CheckLine> CheckLines(const CheckedMotion& checked);

// The analysis the views show, kept up to date by the UI thread after every change of the Motion
// and read by the render thread (the preview) and the PoseList (the flags). A new analysis is made
// only when the Poses, the geometry, the axes or the maximum speed changed.
class MotionAnalysis {
 public:
  // UI thread. True when a new analysis was made.
  bool Update(const Motion& motion, const ArmGeometry& g, int axes, double maxServoSpeed);
  // Any thread: the latest analysis (null before the first Update).
  std::shared_ptr<const CheckedMotion> Latest() const;

 private:
  // The inputs of the latest analysis; UI thread only.
  std::vector<Pose> poses_;
  CoordinateSystem coords_;
  int armSign_ = 0;
  std::array<int16_t, 5> limits_{};
  int axes_ = 0;
  double maxSpeed_ = 0;
  bool valid_ = false;
  uint64_t revision_ = 0;

  mutable std::mutex mutex_;  // guards latest_
  std::shared_ptr<const CheckedMotion> latest_;
};

}  // namespace velmora
