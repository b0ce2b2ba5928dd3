#include "simulator/render_loop.h"

#include <algorithm>

#include "document/motion.h"
#include "geometry/kinematics.h"
#include "link/servo_table.h"
#include "shell/program_state.h"
#include "simulator/scene.h"

namespace velmora {

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

RenderLoop::RenderLoop(ProgramState& state, Clock& clock, FrameRenderer& renderer, int width,
                       int height)
    : state_(state), clock_(clock), renderer_(renderer), width_(width), height_(height) {}

bool RenderLoop::RunFrame() {
  const uint32_t deadline = clock_.NowMs() + kFrameDeadlineMs;

  SceneInputs in;
  in.settings = state_.settings.Get();
  in.geometry = state_.geometry.Get();
  in.arcGuide = state_.geometry.GetArcGuide();
  in.fiveAxis = in.settings.axisType3 == 0;
  in.connected = state_.servos.connected.load();
  for (std::size_t i = 0; i < in.motorCurrents.size(); ++i) {
    in.motorCurrents[i] = state_.servos.motorCurrents[i].load();
  }
  in.width = width_;
  in.height = height_;

  const Pose pose = SimulatedPose(state_.document.motion, state_.servos, in.geometry);
  EnsurePenTrace(pen_, in.settings.vpenPoints, state_.simulator.penTraceReset);
  BuildScene(pose, in, state_.simulator, pen_, queue_);
  QueuePathComparison(state_.simulator.comparison, in.settings.scaling, width_, height_, queue_);

  // The deadline is compared as an unsigned difference, so the loop also ends across the clock's
  // wrap at 2^32 ms.
  while (static_cast<int32_t>(deadline - clock_.NowMs()) >= 0) clock_.SleepMs(1);

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
  std::vector<DrawItem> items = queue_.TakeAll();
  for (DrawItem& item : items) MapToView(item, view);
  return renderer_.DrawFrame(items, BuildOverlay(pose, overlay));
}

void RenderLoop::Run(const std::atomic<bool>& stop) {
  while (!stop.load()) RunFrame();
}

}  // namespace velmora
