#include "link/motion_report.h"

namespace velmora {

MotionReport ReportMotion(const CheckedMotion& checked, double penThreshold) {
  MotionReport r;
  r.poses = checked.issues.size();
  r.lines = CheckLines(checked);
  for (const uint8_t bits : checked.issues) {
    if (bits != 0) ++r.flagged;
    if (bits & kIssueOutOfReach) ++r.outOfReach;
    if (bits & kIssueMotorLimit) ++r.motorLimit;
    if (bits & kIssueTooFast) ++r.tooFast;
  }
  const std::vector<PathPoint>& pts = checked.path.points;
  r.durationMs = checked.path.duration;
  // The travel between strokes: from a lift to the next time the pen is down. The time before the
  // first stroke and after the last is the way to and from the drawing, not travel inside it.
  bool down = false;
  bool drawn = false;
  uint32_t liftedAt = 0;
  for (const PathPoint& p : pts) {
    const bool nowDown = p.z < penThreshold;
    if (down && !nowDown) {
      ++r.penLifts;
      liftedAt = p.t;
    } else if (!down && nowDown) {
      if (drawn) r.penUpTravelMs += p.t - liftedAt;
      drawn = true;
    }
    down = nowDown;
  }
  return r;
}

}  // namespace velmora
