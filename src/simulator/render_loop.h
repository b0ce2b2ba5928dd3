#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "document/pose.h"
#include "shell/clock.h"
#include "simulator/draw_queue.h"
#include "simulator/overlay.h"
#include "simulator/path_preview.h"
#include "simulator/virtual_pen.h"

namespace velmora {

class Motion;
class ServoTable;
struct ArmGeometry;
struct ProgramState;

// The arm state a frame shows: the servos' present positions while the robot is connected (IDs 1
// to AxisCount, the rest 0), otherwise a copy of the current Pose taken under the Motion's lock;
// then its coordinates recomputed from those motor values, so the view always shows the arm the
// motor values describe.
Pose SimulatedPose(const Motion& motion, const ServoTable& servos, const ArmGeometry& geometry);

inline constexpr uint32_t kBackgroundColour = 0xFF92D050u;
inline constexpr uint32_t kFrameDeadlineMs = 16;

// The drawing layer: rasterises one frame's items (already in view pixels, in drawing order) over
// the background, writes the overlay texts over them and presents the result. False when the frame
// could not be drawn; such a frame is dropped and never shown.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual bool DrawFrame(const std::vector<DrawItem>& items,
                         const std::vector<OverlayText>& overlay) = 0;
};

// The path inputs of a frame: the preview toggle with the latest planned path, the measured path,
// the current Pose and the view.
PathFrameInputs PathInputs(const ProgramState& state, const Settings& settings, int width,
                           int height, std::shared_ptr<const CheckedMotion>* planned);

// The render thread's frame loop, on a Clock: each frame takes the state to show, builds the
// scene (with the planned and measured paths), sleeps in 1 ms steps until 16 ms after the frame's
// start have passed, then draws.
class RenderLoop {
 public:
  RenderLoop(ProgramState& state, Clock& clock, FrameRenderer& renderer, int width, int height);

  // One frame. True when the renderer drew it.
  bool RunFrame();
  // Frames until `stop` is set.
  void Run(const std::atomic<bool>& stop);

  const PenTrace& pen() const { return pen_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  ProgramState& state_;
  Clock& clock_;
  FrameRenderer& renderer_;
  const int width_;
  const int height_;
  PenTrace pen_;
  PathPreview paths_;
  DrawQueue queue_;
};

}  // namespace velmora
