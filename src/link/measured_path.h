#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "link/planned_path.h"

namespace velmora {

// One reading of the robot during a playback, as a tool point.
struct MeasuredSample {
  uint32_t t = 0;     // ms after the playback started
  uint32_t pose = 0;  // index of the Pose being played
  float x = 0, y = 0;
};

// How far the robot strayed from its plan: the largest distance, in mm, from a measured tool point
// to the planned path around it, and the Pose being played when it happened.
struct Deviation {
  double mm = 0;
  std::size_t pose = 0;
};

// The largest deviation of `samples` from `planned`. A sample taken while Pose i plays is compared
// with the planned path of Pose i and of the Pose before it (the arm may still be finishing that
// move), by its distance to the nearest planned segment; so the measure does not depend on when
// the link happened to read the servos, only on where the tool went. None without samples.
std::optional<Deviation> LargestDeviation(const PlannedPath& planned,
                                          const std::vector<MeasuredSample>& samples);

// "計画との最大ずれ 2.35mm（ポーズ 4）": the deviation as the overlay and the log show it (Poses
// numbered from 1, as in the list).
std::string DeviationText(const Deviation& deviation);

// What the simulator draws of the last playback: its plan, the measured points and the result.
struct MeasuredView {
  std::shared_ptr<const PlannedPath> planned;
  std::vector<MeasuredSample> samples;
  std::optional<Deviation> result;  // once the playback has ended
  bool Empty() const { return planned == nullptr; }
};

// The present positions the link read while a Motion played, against the plan of that playback.
// The playback thread records; the render thread draws it; the UI thread clears it and takes the
// finished result for the log. Every member takes the mutex.
class MeasuredPath {
 public:
  // Starts over for a playback that follows `planned`, starting at `startMs` on its clock.
  void Begin(PlannedPath planned, uint32_t startMs);
  // A reading of the servos while Pose `pose` plays.
  void Add(std::size_t pose, uint32_t nowMs, const std::array<int16_t, kMotorCount>& motors,
           const ArmGeometry& g);
  // The playback ended: computes the largest deviation.
  void Finish();
  // Forgets the last playback.
  void Clear();

  // Counts the changes, so a reader can tell whether its copy is up to date.
  uint64_t Revision() const;
  MeasuredView View() const;
  // The result of a finished playback, once (for the log).
  std::optional<Deviation> TakeFinished();

 private:
  mutable std::mutex mutex_;  // guards everything below
  std::shared_ptr<const PlannedPath> planned_;
  std::vector<MeasuredSample> samples_;
  uint32_t startMs_ = 0;
  std::optional<Deviation> result_;
  bool reportPending_ = false;
  uint64_t revision_ = 0;
};

}  // namespace velmora
