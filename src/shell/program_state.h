#pragma once

#include "document/document.h"
#include "geometry/coordinate_system.h"
#include "link/servo_table.h"

namespace velmora {

// The program-wide state, created once at start-up and passed by reference. Nothing else in the
// program is global, so every test can start from a fresh instance.
struct ProgramState {
  Geometry geometry;
  Document document;
  ServoTable servos;
};

// The start-up steps that need no window: register defaults, then the first Motion.
void InitialiseProgramState(ProgramState& state);

}  // namespace velmora
