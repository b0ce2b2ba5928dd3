#pragma once

#include "base/guarded.h"
#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "geometry/coordinate_system.h"
#include "geometry/program_settings.h"
#include "geometry/settings.h"
#include "link/busy_state.h"
#include "link/link_controls.h"
#include "link/measured_path.h"
#include "link/motion_check.h"
#include "link/servo_table.h"
#include "simulator/simulator_state.h"

namespace velmora {

// The pieces of the program-wide state that the frame loop and the marker drag read and change,
// as references. The shell hands them over (a ProgramState converts to this), so the simulator
// never sees the application.
struct SimulatorContext {
  Guarded<Settings>& settings;
  Guarded<ProgramSettings>& programSettings;  // the path preview's toggle
  Geometry& geometry;
  Document& document;
  PoseEditPane& pane;  // the marker drag moves the current Pose through it
  ServoTable& servos;
  LinkControls& linkControls;
  BusyState& busy;
  SimulatorState& simulator;
  MotionAnalysis& analysis;  // the planned path drawn by the preview
  MeasuredPath& measured;    // what the robot did during the last playback
};

}  // namespace velmora
