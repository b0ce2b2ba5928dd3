#pragma once

#include "base/guarded.h"
#include "document/batch_conversion.h"
#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "geometry/coordinate_system.h"
#include "geometry/settings.h"
#include "link/busy_state.h"
#include "link/comm_log.h"
#include "link/link_controls.h"
#include "link/measured_path.h"
#include "link/motion_check.h"
#include "link/servo_table.h"
#include "geometry/program_settings.h"
#include "simulator/simulator_context.h"
#include "simulator/simulator_state.h"

namespace velmora {

// The program-wide state, created once at start-up and passed by reference. Nothing else in the
// program is global, so every test can start from a fresh instance.
struct ProgramState {
  Geometry geometry;
  Document document;
  ServoTable servos;
  // The link's toggles, robot list and axis choice, and the communication log: written by the
  // ServoLink thread and the UI thread, shown by the UI.
  LinkControls linkControls;
  CommLog commLog;
  // def.ini values without another home; read by the render thread, changed by the UI thread.
  Guarded<Settings> settings;
  // velmora.ini: the program's own settings; read by the render thread, changed by the UI thread.
  Guarded<ProgramSettings> programSettings;
  BusyState busy;
  // The planned path of the Motion with its check (the preview and the PoseList's flags), and what
  // the robot did during the last playback.
  MotionAnalysis analysis;
  MeasuredPath measured;
  // The coordinate marker and the pen-trace erase flag, shared by the render and UI threads.
  SimulatorState simulator;
  // The batch conversion dialog's remembered modes; kept for the run, not in def.ini.
  BatchConversionModes batchModes;
  // The pose list and the fields of the current Pose; the Qt pane attaches its views to it.
  PoseEditPane pane{document, geometry, servos};

  // The simulator's view of this state: the frame loop and the marker drag take only these.
  operator SimulatorContext() {
    return {settings, programSettings, geometry, document, pane,     servos,
            linkControls, busy,          simulator, analysis, measured};
  }
};

// The start-up steps that need no window: register defaults, then the first Motion.
void InitialiseProgramState(ProgramState& state);

}  // namespace velmora
