#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "base/guarded.h"
#include "geometry/pose.h"

#include "simulator/coordinate_marker.h"
#include "simulator/path_comparison.h"

namespace velmora {

// The simulator's share of the program-wide state: what the render thread and the UI thread both
// touch. The pen trace itself and the frame being drawn belong to the render thread alone.
struct SimulatorState {
  CoordinateMarker marker;
  // Erases the pen trace at the next recorded point. Set by the UI thread (erase command, every
  // Apply of the simulator settings, SCALING read from def.ini); cleared by the render thread.
  std::atomic<bool> penTraceReset{false};
  // A recording and its simplification, drawn while the simplify dialog is open.
  PathComparison comparison;
  // The arm at the instant the timeline's playhead was dragged to: while set, the frames show
  // these motor values instead of the current Pose or the robot, and nothing is sent to the
  // robot. Set and cleared by the UI thread, read by the render thread.
  Guarded<std::optional<std::array<int16_t, kMotorCount>>> scrub;
};

// The erase command: the trace vanishes at the next frame and drawing restarts from the tool.
inline void ClearPenTrace(SimulatorState& sim) { sim.penTraceReset.store(true); }

}  // namespace velmora
