#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/motion_check.h"

namespace velmora {

// What the motion check says about a whole Motion, for the command line and the Python module:
// the lines of the check window, word for word, and the figures of the planned path.
struct MotionReport {
  std::size_t poses = 0;
  std::vector<CheckLine> lines;  // CheckLines: the flagged Poses, or the one "nothing found" line
  std::size_t flagged = 0;       // Poses with at least one issue
  std::size_t outOfReach = 0;    // Poses per issue
  std::size_t motorLimit = 0;
  std::size_t tooFast = 0;
  uint32_t durationMs = 0;     // the planned duration at x1
  std::size_t penLifts = 0;    // times the tool goes from below the pen threshold to above it
  uint32_t penUpTravelMs = 0;  // planned time the lifted pen moves between two strokes
};

// The report of a checked Motion; `penThreshold` is VPEN_TH (mm).
MotionReport ReportMotion(const CheckedMotion& checked, double penThreshold);

}  // namespace velmora
