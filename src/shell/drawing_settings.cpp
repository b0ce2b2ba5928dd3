#include "shell/drawing_settings.h"

#include <optional>

#include "shell/program_state.h"
#include "simulator/virtual_pen.h"

namespace velmora {

DrawingOptions CurrentDrawingOptions(const ProgramState& state) {
  DrawingOptions o;
  const Settings settings = state.settings.Get();
  o.reach.penDownZ = PenDownHeight(settings);
  o.reach.penUpZ = PenUpHeight(settings);
  o.reach.axes = state.linkControls.AxisChoice() == 3 ? 3 : 5;
  const std::size_t current = state.document.motion.CurrentIndex();
  if (const std::optional<Pose> pose = state.document.motion.PoseAt(current)) {
    o.reach.rotation = pose->rotation;
    o.reach.handWidth = pose->handWidth;
  }
  o.maxServoSpeed = state.programSettings.Get().maxServoSpeed;
  return o;
}

}  // namespace velmora
