#pragma once

#include <cstdint>
#include <functional>
#include <thread>

#include "base/guarded.h"
#include "geometry/pose.h"
#include "geometry/settings.h"

namespace velmora {

class Clock;
class ControlView;
class Geometry;
class Motion;
class ServoTable;
class WorkerHooks;
struct BusyState;

// A Pose taken from the robot's present position: no interpolation, the recording interval as its
// time, the motor values of IDs 1..AxisCount (the others 0) and the coordinates that follow.
Pose RecordedPose(const ServoTable& servos, const Geometry& geometry, uint32_t interval);

// Samples the robot's present position at a fixed interval into new Poses, on a thread of its own.
class Recorder {
 public:
  Recorder(const Geometry& geometry, ServoTable& servos, const Guarded<Settings>& settings,
           BusyState& busy, WorkerHooks& hooks, Clock& clock);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Starts a recording; does nothing (false) while a playback or a recording runs.
  bool StartRecording();
  void Join();
  // The thread body, public for tests.
  void Run();

 private:
  const Geometry& geometry_;
  ServoTable& servos_;
  const Guarded<Settings>& settings_;
  BusyState& busy_;
  WorkerHooks& hooks_;
  Clock& clock_;
  std::thread thread_;  // started and joined by the UI thread only
};

// The recording settings dialog (137).
enum RecordingDialogControl : int {
  kRecIntervalField = 40066,
  kRecAutoPowerOffCheck = 1001,
  kRecStartButton = 1,
  kRecCloseButton = 2,
};

class RecordingDialog {
 public:
  RecordingDialog(ControlView& view, Guarded<Settings>& settings) : view_(view), settings_(settings) {}

  void OnInit();
  // "開始": stores the interval (down to a multiple of 10, at least 80) and the motor-off choice,
  // and closes with result 1.
  void OnStart();
  // "閉じる" or the close box: result 0, nothing changes.
  void OnClose() { result_ = 0; }
  int Result() const { return result_; }

  // The interval rule of the dialog.
  static uint32_t NormaliseInterval(uint32_t value);

 private:
  ControlView& view_;
  Guarded<Settings>& settings_;
  int result_ = 0;
};

// The record command: the connection check, the dialog, the question, then the start.
// `runDialog` shows dialog 137 modally and returns its result; `start` starts the recorder.
void RunRecordCommand(ControlView& view, bool connected, const Guarded<Settings>& settings,
                      const std::function<int()>& runDialog, const std::function<bool()>& start);

// The question asked before a recording starts.
std::string RecordingQuestion(uint32_t interval);

}  // namespace velmora
