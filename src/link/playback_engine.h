#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "document/playback_speed.h"
#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "base/stop_flag.h"
#include "geometry/kinematics.h"

namespace velmora {

class Clock;
class MeasuredPath;
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

// A Linear or Arc move from `previous` to `pose` lasting `transitionTime` ms, cut into steps the
// way the playback plays it. The playback and the planned path both walk a move through this one
// piece of arithmetic, so the path the preview shows is the path the robot is sent.
class InterpolatedMove {
 public:
  InterpolatedMove(const ArmGeometry& g, const Pose& previous, const Pose& pose, bool arc,
                   uint32_t transitionTime);

  const StepTiming& Timing() const { return timing_; }

  // The goals of the step at fraction `s`: where the tool is aimed and the motor values sent to
  // servos 1, 2 and 4. Steps must be taken in order: the elbow side of each comes from the one
  // before.
  struct Step {
    double x = 0, y = 0;
    int16_t id1 = 0, id2 = 0, id4 = 0;
    IkReport ik;  // what the kinematics could not honour at this point
  };
  Step At(double s);

  // Calls `step(s, final)` for s = 0, ds, 2 ds, ... while s < 1 + ds, the last one clamped to 1;
  // `final` is true for the last step. Stops early when `step` returns false.
  template <typename F>
  void ForEachStep(F&& step) const {
    const double limit = 1 + timing_.ds;
    if (!(limit > 0)) return;
    double s = 0;
    do {
      bool last = false;
      if (s > 1) {
        s = 1;
        last = true;
      }
      if (!step(s, last || !(s + timing_.ds < limit)) || last) break;
      s += timing_.ds;
    } while (s < limit);
  }

 private:
  const ArmGeometry& g_;
  StepTiming timing_;
  Pose working_;
  double x0_, y0_, dx_, dy_;
  int off0_ = 0;
  int dId4_ = 0;
  bool arc_;
  ArcPath path_;
};

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

  // The speed of the next playback or step; a playback keeps the speed it started with.
  void SetSpeed(PlaybackSpeed speed) { speed_.store(speed); }
  PlaybackSpeed Speed() const { return speed_.load(); }

  // Where the next playbacks record the robot's present positions against their plan; none by
  // default. Set before a playback starts.
  void SetMeasuredPath(MeasuredPath* measured) { measured_ = measured; }

  // The thread body, public for tests that run it on their own thread.
  void Run();

 private:
  bool Start(int startIndex, int stopIndex);
  void MoveNone(const Pose& pose, uint32_t time, std::size_t index);
  void MoveInterpolated(const Pose& previous, const Pose& pose, bool arc, uint32_t time,
                        std::size_t index);
  void Queue(int id, int16_t position, uint16_t time);
  // Records where the robot is now, for the measured path.
  void Sample(std::size_t index);
  // Plans the Poses `played` (from row `first`, starting at `start`) and compares what `measured`
  // recorded with that plan.
  void FinishMeasuring(MeasuredPath& measured, const Pose& start, std::size_t first,
                       std::vector<Pose> played, int axes, PlaybackSpeed speed);

  Motion& motion_;
  const Geometry& geometry_;
  ServoTable& servos_;
  BusyState& busy_;
  WorkerHooks& hooks_;
  Clock& clock_;
  std::thread thread_;  // started and joined by the UI thread only
  std::atomic<PlaybackSpeed> speed_{PlaybackSpeed::kNormal};  // written by the UI thread
  MeasuredPath* measured_ = nullptr;  // set by the UI thread while no playback runs
};

}  // namespace velmora
