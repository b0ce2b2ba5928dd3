#pragma once

#include <array>
#include <cstdint>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "geometry/settings.h"
#include "link/servo_table.h"
#include "simulator/draw_queue.h"
#include "simulator/simulator_state.h"
#include "simulator/virtual_pen.h"

namespace velmora {

// Everything one frame's scene is built from, copied once at the start of the frame so that the
// whole frame sees one consistent state.
struct SceneInputs {
  ArmGeometry geometry;
  ArcGuide arcGuide;
  Settings settings;
  bool fiveAxis = false;                             // the hand type with wrist and claws
  bool connected = false;                            // readings count as 0 while not connected
  std::array<int16_t, kServoCount> motorCurrents{};  // mA, as the link last read them
  int width = 0;                                     // view size in pixels
  int height = 0;
};

inline constexpr uint32_t kMarkerDragColour = 0x80404000u;
inline constexpr uint32_t kAxisColour = 0x40000000u;
inline constexpr uint32_t kArcGuideColour = 0xE0FF00FFu;
inline constexpr uint32_t kRangeColour = 0x80FF8000u;

// Queues every item of one frame for the simulated Pose (whose motor values place the sprites and
// whose x, y, z feed the pen trace): the arm sprites, the CoordinateMarker, the axis lines, the arc
// guide, the range rectangle, the wrist and claws of the hand type, and last the pen trace.
void BuildScene(const Pose& pose, const SceneInputs& in, SimulatorState& sim, PenTrace& pen,
                DrawQueue& queue);

}  // namespace velmora
