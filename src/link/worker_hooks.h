#pragma once

#include <cstddef>

#include "document/playback_speed.h"
#include "geometry/pose.h"

namespace velmora {

// What the playback and recorder threads ask of the rest of the program. Every call comes from the
// worker thread and must return without waiting for the UI thread: implementations change core
// state (the current Pose, queued goals, availability) and report the change to the views.
class WorkerHooks {
 public:
  virtual ~WorkerHooks() = default;
  virtual void SetBusyCommands(bool busy) = 0;
  virtual void EnablePaneFields(bool enable) = 0;
  // Marks the row as the one being played (selected and focused, every other row cleared).
  virtual void HighlightRow(std::size_t index) = 0;
  // Makes the Pose at `index` current and shows it, which normalises its time and queues its motor
  // values with its own transition time; the row is scrolled into view.
  virtual void SelectPose(std::size_t index) = 0;
  // The same for a playback at `speed`: the motor values are queued with the Pose's time scaled
  // to that speed (ScaleTransitionTime). Hooks of code that never plays at another speed may keep
  // this default.
  virtual void SelectPoseAtSpeed(std::size_t index, PlaybackSpeed speed) {
    (void)speed;
    SelectPose(index);
  }
  // Inserts a copy after the current Pose and makes it current (shown, queued, scrolled to).
  virtual void InsertCopyAfterCurrent(const Pose& pose) = 0;
  // Switches the motor toggle off (the link then switches the torque off).
  virtual void ClearMotorToggle() = 0;
  // One undo step for the whole recording.
  virtual void RecordStep() = 0;
  // A playback's measured path was compared with its plan, after `playing` was cleared; the
  // result waits in the MeasuredPath (TakeFinished).
  virtual void PlaybackMeasured() {}
};

}  // namespace velmora
