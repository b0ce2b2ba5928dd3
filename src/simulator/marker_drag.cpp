#include "simulator/marker_drag.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "simulator/virtual_pen.h"

namespace velmora {

MarkerDragController::MarkerDragController(SimulatorContext state, MoveCurrentTo moveCurrentTo,
                                           RecordStep recordStep)
    : state_(state) {
  SetMoveCurrentTo(std::move(moveCurrentTo));
  SetRecordStep(std::move(recordStep));
}

void MarkerDragController::SetMoveCurrentTo(MoveCurrentTo f) {
  if (!f) f = [this](double x, double y) { state_.pane.MoveCurrentTo(x, y); };
  moveCurrentTo_ = std::move(f);
}

void MarkerDragController::SetRecordStep(RecordStep f) {
  if (!f) f = [this] { velmora::RecordStep(state_.document); };
  recordStep_ = std::move(f);
}

void MarkerDragController::SetHandHooks(HandHooks hooks) { hand_ = std::move(hooks); }

bool MarkerDragController::OnLeftPress(double px, double py) {
  if (state_.busy.playing.load() || draggingTip_) return draggingTip_;
  draggingTip_ = state_.simulator.marker.BeginMarkerDrag(px, py, state_.geometry.Get());
  // Decided once per drag: switching the motors on midway does not turn a hand move into an edit.
  byHand_ = draggingTip_ && hand_.active && hand_.moveTool && hand_.setHeight && hand_.active();
  return draggingTip_;
}

bool MarkerDragController::OnMove(double px, double py, int areaWidth, int areaHeight) {
  if (!draggingTip_) return false;
  if (state_.busy.playing.load()) {
    OnLeftRelease();
    return false;
  }
  const double x = std::clamp(px, 0.0, static_cast<double>(std::max(areaWidth, 0)));
  const double y = std::clamp(py, 0.0, static_cast<double>(std::max(areaHeight, 0)));
  double userX = 0;
  double userY = 0;
  state_.simulator.marker.DragMarker(x, y, state_.geometry.Get(), state_.settings.Get(), &userX,
                                     &userY);
  if (byHand_) {
    hand_.moveTool(userX, userY);
  } else {
    moveCurrentTo_(userX, userY);
  }
  return true;
}

void MarkerDragController::SetPenHeight(double z) {
  if (!draggingTip_ || state_.busy.playing.load()) return;
  if (!std::isfinite(z)) return;  // a broken pen setting must not reach the Pose or the robot
  if (byHand_) {
    hand_.setHeight(z);
    return;
  }
  const std::optional<Pose> lowered =
      state_.document.motion.UpdateCurrent([z](Pose& p) { p.z = z; });
  if (lowered) moveCurrentTo_(lowered->x, lowered->y);
}

void MarkerDragController::OnRightPress() { SetPenHeight(PenDownHeight(state_.settings.Get())); }

void MarkerDragController::OnRightRelease() { SetPenHeight(PenUpHeight(state_.settings.Get())); }

void MarkerDragController::OnLeftRelease() {
  if (!draggingTip_) return;
  draggingTip_ = false;
  state_.simulator.marker.EndDrag(state_.geometry.Get());
  if (byHand_) {
    byHand_ = false;  // the Motion did not change: nothing to undo
    return;
  }
  recordStep_();
}

}  // namespace velmora
