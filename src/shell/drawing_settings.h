#pragma once

#include "link/drawing_poses.h"

namespace velmora {

struct ProgramState;

// The options the current settings give the drawing import (the window's dialog and the command
// line alike): pen heights of the marker gestures, the current Pose's wrist and hand, the axes,
// the servo speed limit.
DrawingOptions CurrentDrawingOptions(const ProgramState& state);

}  // namespace velmora
