#include "simulator/render_loop.h"

#include <algorithm>
#include <iterator>

#include "document/motion.h"
#include "geometry/kinematics.h"
#include "link/servo_table.h"
#include "simulator/scene.h"

namespace velmora {

namespace {

// A frame's wait is short; the loop looks at its own stop flag between frames.
const StopFlag kNeverStop;

}  // namespace

Pose SimulatedPose(const Motion& motion, const ServoTable& servos, const ArmGeometry& geometry) {
  Pose pose;
  if (servos.connected.load()) {
    const int count = std::clamp(servos.axisCount.load(), 0, kServoCount);
    for (int id = 1; id <= count; ++id) {
      pose.motorValues[static_cast<std::size_t>(id - 1)] = servos.PresentPosition(id);
    }
  } else {
    bool have = false;
    motion.Read([&](const std::vector<Pose>& poses, std::size_t current) {
      if (current < poses.size()) {
        pose = poses[current];
        have = true;
      }
    });
    if (!have) return pose;
  }
  UpdateCoordinates(geometry, pose);
  return pose;
}

PathFrameInputs PathInputs(const SimulatorContext& state, const Settings& settings, int width,
                           int height, std::shared_ptr<const CheckedMotion>* planned) {
  PathFrameInputs in;
  in.preview = state.programSettings.Get().pathPreview;
  std::shared_ptr<const CheckedMotion> latest;
  if (in.preview) latest = state.analysis.Latest();
  in.plannedRevision = latest != nullptr ? latest->revision : 0;
  in.measuredRevision = state.measured.Revision();
  in.currentPose = state.document.motion.CurrentIndex();
  in.vpenTh = settings.vpenTh;
  in.scaling = settings.scaling;
  in.width = width;
  in.height = height;
  if (planned != nullptr) *planned = std::move(latest);
  return in;
}

FrameContent FlattenLayer(const FrameContent& frame) {
  FrameContent flat;
  flat.items.reserve(frame.items.size() + (frame.layer ? frame.layer->items.size() : 0));
  for (const DrawItem& item : frame.items) {
    if (item.kind != PrimitiveKind::kCachedLayer) {
      flat.items.push_back(item);
    } else if (frame.layer != nullptr) {
      flat.items.insert(flat.items.end(), frame.layer->items.begin(), frame.layer->items.end());
    }
  }
  if (frame.layer != nullptr) flat.overlay = frame.layer->labels;
  flat.overlay.insert(flat.overlay.end(), frame.overlay.begin(), frame.overlay.end());
  return flat;
}

bool FrameRenderer::DrawContent(const FrameContent& frame) {
  bool hasLayerItem = false;
  for (const DrawItem& item : frame.items) {
    hasLayerItem = hasLayerItem || item.kind == PrimitiveKind::kCachedLayer;
  }
  if (frame.layer == nullptr && !hasLayerItem) return DrawFrame(frame.items, frame.overlay);
  const FrameContent flat = FlattenLayer(frame);
  return DrawFrame(flat.items, flat.overlay);
}

RenderLoop::RenderLoop(SimulatorContext state, Clock& clock, FrameRenderer& renderer, int width,
                       int height)
    : state_(state), clock_(clock), renderer_(renderer), width_(width), height_(height) {}

bool RenderLoop::RunFrame() {
  const uint32_t deadline = clock_.NowMs() + kFrameDeadlineMs;

  SceneInputs in;
  in.settings = state_.settings.Get();
  in.geometry = state_.geometry.Get();
  in.arcGuide = state_.geometry.GetArcGuide();
  // The toolbar's 3/5-axis choice, as it stands now: a click shows on the next frame.
  in.fiveAxis = state_.linkControls.AxisChoice() != 3;
  in.connected = state_.servos.connected.load();
  // Without a connection each motor's reading is cleared before it is used, so the first frames
  // after a reconnect do not show the currents of the previous connection. The wrist and claw
  // readings are touched only when they are drawn.
  const std::size_t usedMotors = in.fiveAxis ? in.motorCurrents.size() : 3;
  for (std::size_t i = 0; i < usedMotors; ++i) {
    if (!in.connected) state_.servos.motorCurrents[i].store(0);
    in.motorCurrents[i] = state_.servos.motorCurrents[i].load();
  }
  in.width = width_;
  in.height = height_;

  Pose pose = SimulatedPose(state_.document.motion, state_.servos, in.geometry);
  if (const auto scrubbed = state_.simulator.scrub.Get()) {
    pose.motorValues = *scrubbed;
    UpdateCoordinates(in.geometry, pose);
  }
  EnsurePenTrace(pen_, in.settings.vpenPoints, state_.simulator.penTraceReset);
  BuildScene(pose, in, state_.simulator, pen_, queue_);
  std::shared_ptr<const CheckedMotion> planned;
  const PathFrameInputs paths = PathInputs(state_, in.settings, width_, height_, &planned);
  std::vector<OverlayText> pathTexts;
  CachedLayerPtr layer;
  paths_.Queue(paths, planned, state_.measured, queue_, pathTexts, &layer);
  QueuePathComparison(state_.simulator.comparison, in.settings.scaling, width_, height_, queue_);

  // The deadline is compared as an unsigned difference, so the loop also ends across the clock's
  // wrap at 2^32 ms.
  clock_.WaitUntilMs(deadline + 1, kNeverStop);

  OverlayInputs overlay;
  overlay.fiveAxis = in.fiveAxis;
  overlay.connected = in.connected;
  overlay.motorCurrents = in.motorCurrents;
  overlay.recording = state_.busy.recording.load();
  overlay.playing = state_.busy.playing.load();
  overlay.nowMs = clock_.NowMs();
  overlay.width = width_;
  overlay.height = height_;

  const Matrix4 view = ViewTransform(in.settings.scaling, width_, height_);
  state_.simulator.marker.SetViewInverse(ViewInverse(in.settings.scaling, width_, height_));
  std::vector<OverlayText> texts = std::move(pathTexts);
  std::vector<OverlayText> own = BuildOverlay(pose, overlay);
  texts.insert(texts.end(), std::make_move_iterator(own.begin()),
               std::make_move_iterator(own.end()));
  FrameContent frame{queue_.TakeAll(), std::move(texts), std::move(layer)};
  for (DrawItem& item : frame.items) MapToView(item, view);
  if (!renderer_.KeepsPicture()) return renderer_.DrawContent(frame);
  if (shownValid_ && frame == shown_) {
    ++framesUnchanged_;
    renderer_.FrameUnchanged();
    return true;
  }
  shownValid_ = renderer_.DrawContent(frame);
  if (shownValid_) shown_ = std::move(frame);
  return shownValid_;
}

void RenderLoop::Run(const std::atomic<bool>& stop) {
  while (!stop.load()) RunFrame();
}

}  // namespace velmora
