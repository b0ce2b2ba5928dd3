#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "base/clock.h"
#include "geometry/pose.h"
#include "simulator/cached_layer.h"
#include "simulator/draw_queue.h"
#include "simulator/overlay.h"
#include "simulator/path_preview.h"
#include "simulator/simulator_context.h"
#include "simulator/virtual_pen.h"

namespace velmora {

class Motion;
class ServoTable;
struct ArmGeometry;

// The arm state a frame shows: the servos' present positions while the robot is connected (IDs 1
// to AxisCount, the rest 0), otherwise a copy of the current Pose taken under the Motion's lock;
// then its coordinates recomputed from those motor values, so the view always shows the arm the
// motor values describe.
Pose SimulatedPose(const Motion& motion, const ServoTable& servos, const ArmGeometry& geometry);

inline constexpr uint32_t kBackgroundColour = 0xFF92D050u;
inline constexpr uint32_t kFrameDeadlineMs = 16;

// Everything the drawing layer is given for one frame. Two frames with equal content give the
// same picture: whatever a frame shows (the arm, the readings, the marker, the trace and its fade,
// the settings, the paths, the overlay texts) reaches the picture only through these.
struct FrameContent {
  std::vector<DrawItem> items;
  std::vector<OverlayText> overlay;
  // Drawn where `items` holds its kCachedLayer item; none when the frame has no such layer.
  CachedLayerPtr layer;

  friend bool operator==(const FrameContent&, const FrameContent&) = default;
};

// The drawing layer: rasterises one frame's items (already in view pixels, in drawing order) over
// the background, writes the overlay texts over them and presents the result. False when the frame
// could not be drawn; such a frame is dropped and never shown.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual bool DrawFrame(const std::vector<DrawItem>& items,
                         const std::vector<OverlayText>& overlay) = 0;
  // The whole frame with its cached layer. A renderer that keeps the layer's picture between
  // frames composes it; by default the layer's items are drawn in its place and its labels before
  // the overlay's own texts, through DrawFrame.
  virtual bool DrawContent(const FrameContent& frame);
  // True when the last frame drawn stays on show until another is drawn, so that a frame equal
  // to it need not be drawn at all. A renderer that says nothing is given every frame.
  virtual bool KeepsPicture() const { return false; }
  // For a renderer that keeps its picture: the frame on show also stands for this frame, which
  // equals it.
  virtual void FrameUnchanged() {}
};

// A frame's items with its cached layer's items in the layer's place, and its overlay with the
// layer's labels first: what the frame shows, drawn without a kept picture.
FrameContent FlattenLayer(const FrameContent& frame);

// The path inputs of a frame: the preview toggle with the latest planned path, the measured path,
// the current Pose and the view.
PathFrameInputs PathInputs(const SimulatorContext& state, const Settings& settings, int width,
                           int height, std::shared_ptr<const CheckedMotion>* planned);

// The render thread's frame loop, on a Clock: each frame takes the state to show, builds the
// scene (with the planned and measured paths), waits until 16 ms after the frame's start have
// passed, then draws. For a renderer that keeps its picture, a frame whose content equals the one
// on show is not drawn again: the scene (and with it the pen trace, which gains a point and ages
// every frame) is still built, so a frame is left out only once nothing in it changes any more, and
// the first change shows in the next frame.
class RenderLoop {
 public:
  RenderLoop(SimulatorContext state, Clock& clock, FrameRenderer& renderer, int width, int height);

  // One frame. True when the renderer drew it, or when the picture on screen already shows it.
  bool RunFrame();
  // Frames until `stop` is set.
  void Run(const std::atomic<bool>& stop);

  const PenTrace& pen() const { return pen_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Frames left out because the picture on screen already showed them.
  uint64_t framesUnchanged() const { return framesUnchanged_; }

 private:
  SimulatorContext state_;
  Clock& clock_;
  FrameRenderer& renderer_;
  const int width_;
  const int height_;
  PenTrace pen_;
  PathPreview paths_;
  DrawQueue queue_;
  FrameContent shown_;  // the content of the last frame the renderer drew
  bool shownValid_ = false;
  uint64_t framesUnchanged_ = 0;
};

}  // namespace velmora
