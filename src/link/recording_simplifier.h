#pragma once

#include <cstddef>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "link/planned_path.h"

namespace velmora {

struct SimplifyOptions {
  double toleranceMm = 0.5;           // the tool path, in x and y
  double zToleranceMm = 1.0;          // tool height
  double rotationToleranceDeg = 1.0;  // wrist rotation (checked on 4 axes and more)
  double handToleranceMm = 0.5;       // hand width (checked on 5 axes)
  bool allowArcs = true;
  // VPEN_TH: the pen draws below this height. A move that crosses it is kept as it was recorded.
  double penThreshold = -19.0;
  int axes = 5;
  // The samples are exact points of a known path (a drawing), not readings: no noise is taken out.
  bool exactSamples = false;
};

struct SimplifiedRecording {
  std::vector<Pose> poses;
  // For each of `poses`, the index in the run of the recorded sample it ends on.
  std::vector<std::size_t> source;
  // The largest distance, in mm, from a recorded sample to the path the result is played along.
  double maxDeviationMm = 0;
};

// Turns a run of recorded Poses into fewer Linear and Arc Poses that, played as the playback plays
// them, keep the tool within the tolerances of every recorded sample.
//
// The first Pose of the run is kept as it is. Every further Pose ends at a recorded sample: its
// time is that sample's, its tool position the sample's with the reading noise across the drawn
// line taken out (a corner stays where it is), on the recorded elbow side. Its transition time is
// the sum of the recorded times it replaces (split where the sum would pass 655350 ms), so the
// motion lasts as long as the recording. Where the pen goes up or down, the two samples around
// the change are both kept, joined by one straight move, so every pen change stays where it
// happened.
SimplifiedRecording SimplifyRecording(const ArmGeometry& g, const std::vector<Pose>& run,
                                      const SimplifyOptions& options = {});

// The path the simplified Poses are played along, from their first Pose.
PlannedPath PlanSimplified(const ArmGeometry& g, const SimplifiedRecording& simplified, int axes);

// The largest distance, in mm, from each recorded sample of `run` to `planned` (the path of
// PlanSimplified), each sample against the move of the Pose that replaces it.
double RecordingDeviation(const PlannedPath& planned, const std::vector<Pose>& run,
                          const SimplifiedRecording& simplified);

}  // namespace velmora
