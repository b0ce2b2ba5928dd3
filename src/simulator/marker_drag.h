#pragma once

#include <functional>

#include "simulator/simulator_context.h"

namespace velmora {

// The mouse in the simulator view: dragging the CoordinateMarker moves the current Pose, the right
// button pushes the pen onto the paper and lifts it again, and the whole drag is one undo step.
// Everything but ending a drag is ignored while a playback runs. Runs on the UI thread; positions
// are view pixels.
//
// When the hand hooks say so (the virtual robot with its motors off), the same gestures move the
// arm itself, as a hand would: the tool goes where the marker is dragged and the right button
// pushes the pen down. The current Pose and the undo history are then left alone.
class MarkerDragController {
 public:
  using MoveCurrentTo = std::function<void(double x, double y)>;
  using RecordStep = std::function<void()>;

  struct HandHooks {
    std::function<bool()> active;  // asked when a drag starts: do the gestures move the arm?
    std::function<void(double x, double y)> moveTool;  // user coordinates, mm
    std::function<void(double z)> setHeight;           // mm
  };

  // `moveCurrentTo` and `recordStep` default to the pose pane's MoveCurrentTo (which also shows
  // the Pose and queues it to the robot) and the document's RecordStep.
  explicit MarkerDragController(SimulatorContext state, MoveCurrentTo moveCurrentTo = nullptr,
                                RecordStep recordStep = nullptr);

  void SetMoveCurrentTo(MoveCurrentTo f);
  void SetRecordStep(RecordStep f);
  void SetHandHooks(HandHooks hooks);

  // Left button down: true when it picked up the marker (the view then keeps the mouse).
  bool OnLeftPress(double px, double py);
  // Mouse move while the button is down; the point is first limited to the view area
  // [0, width] x [0, height]. False when the drag is over (a playback started meanwhile, which
  // ends the drag as a release would).
  bool OnMove(double px, double py, int areaWidth, int areaHeight);
  void OnRightPress();
  void OnRightRelease();
  // Left button up: ends the drag and records one undo step for all of it.
  void OnLeftRelease();

  bool DraggingTip() const { return draggingTip_; }
  // The drag moves the arm by hand, not the current Pose.
  bool GuidingByHand() const { return draggingTip_ && byHand_; }

 private:
  void SetPenHeight(double z);

  SimulatorContext state_;
  MoveCurrentTo moveCurrentTo_;
  RecordStep recordStep_;
  HandHooks hand_;
  bool draggingTip_ = false;
  bool byHand_ = false;
};

}  // namespace velmora
