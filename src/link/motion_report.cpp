#include "link/motion_report.h"

#include <cmath>

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
  // The travel between strokes: the time the lifted pen moves over the paper, from a lift to the
  // next time the pen is down (its rising and lowering in place do not count). The way to the first
  // stroke and from the last is the way to and from the drawing, not travel inside it.
  constexpr double kMovedMm = 0.001;
  bool down = false;
  bool drawn = false;
  uint32_t travelled = 0;
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const PathPoint& p = pts[k];
    const bool nowDown = p.z < penThreshold;
    if (down && !nowDown) {
      ++r.penLifts;
      travelled = 0;
    } else if (!down && nowDown) {
      if (drawn) r.penUpTravelMs += travelled;
      drawn = true;
    } else if (!down && k > 0 && p.t > pts[k - 1].t &&
               std::hypot(p.x - pts[k - 1].x, p.y - pts[k - 1].y) > kMovedMm) {
      travelled += p.t - pts[k - 1].t;
    }
    down = nowDown;
  }
  return r;
}

}  // namespace velmora
