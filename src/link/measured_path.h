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

// The largest deviation of `samples` (in the order they were taken) from `planned`. A sample taken
// while Pose i plays is compared with the planned path of Pose i and of the Pose before it (the
// arm may still be finishing that move), by its distance to the nearest planned segment; so the
// measure does not depend on when the link happened to read the servos, only on where the tool
// went. Straight runs of the plan count as one segment; the nearest segment is first looked for by
// walking the plan forward from the one nearest to the sample before, as the tool moves along it,
// and that distance then rules out whole blocks of segments by their bounding boxes: the cost
// grows with the samples plus the plan, not with their product. None without samples.
std::optional<Deviation> LargestDeviation(const PlannedPath& planned,
                                          const std::vector<MeasuredSample>& samples);

// "計画との最大ずれ 2.35mm（ポーズ 4）": the deviation as the overlay and the log show it (Poses
// numbered from 1, as in the list).
std::string DeviationText(const Deviation& deviation);

// What the simulator draws of the last playback: its plan, the measured points and the result.
struct MeasuredView {
  bool active = false;                         // a playback began measuring
  std::shared_ptr<const PlannedPath> planned;  // once the playback has ended and was compared
  std::vector<MeasuredSample> samples;
  std::optional<Deviation> result;  // once the playback has ended and was compared
  bool Empty() const { return !active; }
};

// The present positions the link read while a Motion played, against the plan of that playback.
// The playback thread records, and compares once the playback is over; the render thread draws
// it; the UI thread clears it and takes the finished result for the log. Every member takes the
// mutex, but none holds it while comparing.
class MeasuredPath {
 public:
  // Starts over for a playback starting at `startMs` on its clock. Its plan comes at the end, so
  // that planning never delays the first goal.
  void Begin(uint32_t startMs);
  // A reading of the servos while Pose `pose` plays.
  void Add(std::size_t pose, uint32_t nowMs, const std::array<int16_t, kMotorCount>& motors,
           const ArmGeometry& g);
  // The playback ended: compares its samples with `planned`, the plan of the Poses it played, and
  // publishes both, unless the path was cleared or begun again meanwhile. False when nothing was
  // published.
  bool Finish(PlannedPath planned);
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
  bool active_ = false;
  bool reportPending_ = false;
  uint64_t revision_ = 0;
  uint64_t generation_ = 0;  // one more at every Begin and Clear
};

}  // namespace velmora
