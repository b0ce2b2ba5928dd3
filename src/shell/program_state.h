#pragma once

#include "document/document.h"
#include "geometry/coordinate_system.h"
#include "link/servo_table.h"
#include "shell/busy_state.h"
#include "shell/guarded.h"
#include "shell/settings.h"

namespace velmora {

// The program-wide state, created once at start-up and passed by reference. Nothing else in the
// program is global, so every test can start from a fresh instance.
struct ProgramState {
  Geometry geometry;
  Document document;
  ServoTable servos;
  // def.ini values without another home; read by the render thread, changed by the UI thread.
  Guarded<Settings> settings;
  BusyState busy;
};

// The start-up steps that need no window: register defaults, then the first Motion.
void InitialiseProgramState(ProgramState& state);

}  // namespace velmora
