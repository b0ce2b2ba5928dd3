#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "document/pose.h"
#include "geometry/coordinate_system.h"
#include "base/stop_flag.h"

namespace velmora {

class Clock;
class Motion;
class ServoTable;
class WorkerHooks;
struct BusyState;

// The step timing of a Linear or Arc move of `transitionTime` ms: N steps of ds, each lasting
// P ms, each goal sent with time S (10 ms units).
struct StepTiming {
  uint32_t n = 0;
  double ds = 0;
  uint32_t periodMs = 0;  // P
  uint16_t stepTime = 0;  // S
};
StepTiming ComputeStepTiming(uint32_t transitionTime);

// The arc of an Arc move from `from` to `to`: centre, radius, start angle and signed sweep.
struct ArcPath {
  double cx = 0, cy = 0;
  double radius = 0;  // |r| after the half-chord adjustment
  double a0 = 0;      // start angle
  double sweep = 0;   // the angle decreases from a0 by the sweep
};
ArcPath ComputeArcPath(double x0, double y0, double x1, double y1, double arcRadius,
                       int32_t arcDirection);

// Waits until `deadline` on `clock`, returning at once when `stop` is set. The deadline is compared
// as a wrapping difference, so a millisecond counter that wraps around never turns a short wait
// into a 49-day one.
void WaitUntil(Clock& clock, uint32_t deadline, const StopFlag& stop);
// The same for a plain flag, which nothing can sleep on: it is looked at every millisecond.
void WaitUntil(Clock& clock, uint32_t deadline, const std::atomic<bool>& stop);

// Moves the robot through the Motion on a thread of its own by queuing goals in the ServoTable.
class PlaybackEngine {
 public:
  PlaybackEngine(Motion& motion, const Geometry& geometry, ServoTable& servos, BusyState& busy,
                 WorkerHooks& hooks, Clock& clock);
  ~PlaybackEngine();
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Plays from the first Pose to the end. Does nothing while a playback runs.
  bool StartPlayback();
  // Plays the one Pose at 0-based `index` (the Pose after the current one). Does nothing while a
  // playback runs.
  bool StartStep(int index);

  // Waits for a finished or stopping thread (at exit, after a stop request).
  void Join();

  // The thread body, public for tests that run it on their own thread.
  void Run();

 private:
  bool Start(int startIndex, int stopIndex);
  void MoveNone(const Pose& pose);
  void MoveInterpolated(const Pose& previous, const Pose& pose, bool arc);
  void Queue(int id, int16_t position, uint16_t time);

  Motion& motion_;
  const Geometry& geometry_;
  ServoTable& servos_;
  BusyState& busy_;
  WorkerHooks& hooks_;
  Clock& clock_;
  std::thread thread_;  // started and joined by the UI thread only
};

}  // namespace velmora
