#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/coordinate_system.h"
#include "geometry/pose.h"
#include "link/motion_check.h"

namespace velmora {

// The timeline: every motor in use and the tool height drawn against time, from the same plan the
// path preview and the motion check use, with the Poses as keyframes on a shared time axis.

inline constexpr int kToolHeightLane = 0;  // lane id of the tool height z (motor lanes are 1..5)

// Points [from, to] of the plan (indices into TimelineModel::times).
struct TimelineSpan {
  std::size_t from = 0;
  std::size_t to = 0;
};

// A part of a motor's curve that turns the servo faster than the motion check allows, with the
// check's own line for that Pose, so that the tooltip reads as the check window does.
struct FlaggedSpan {
  std::size_t from = 0;
  std::size_t to = 0;
  std::size_t pose = 0;
  std::string text;
};

struct TimelineLane {
  int id = 0;                 // servo ID 1..5, or kToolHeightLane
  std::vector<float> values;  // per plan point: the motor value, or z in mm
  // Where the smallest and the largest value of each block of 8 and of 64 points (counted from
  // point 0) stand, the first of equals: a pixel column finds its extremes without visiting
  // every point it covers.
  std::vector<uint32_t> low8, high8, low64, high64;
  float low = 0;   // the value at the lane's bottom edge
  float high = 1;  // at its top edge
  // The motor's limits (SVPOS_RANGE): values beyond them are drawn as bands. None for z.
  bool hasLimits = false;
  float limitLow = 0;
  float limitHigh = 0;
  std::vector<FlaggedSpan> flagged;   // motor lanes
  std::vector<TimelineSpan> penDown;  // z: where the tool is below VPEN_TH
  float penThreshold = 0;             // z: VPEN_TH
};

struct TimelineModel {
  std::vector<uint32_t> times;  // ms from the start, per plan point
  std::vector<TimelineLane> lanes;
  std::vector<uint32_t> moveStart;  // per Pose: when its move begins
  std::vector<uint32_t> keyTimes;   // per Pose: when its move ends (the keyframe)
  uint32_t duration = 0;
  int axes = 5;
  uint64_t revision = 0;  // the analysis it was built from
};

// The lanes of the axes in use (ID1..ID3 on the 3-axis arm, ID1..ID5 on the 5-axis arm) and z,
// from a checked Motion. `maxServoSpeed` is the check's limit, `vpenTh` the pen's threshold.
TimelineModel BuildTimeline(const CheckedMotion& checked, const ArmGeometry& g, int axes,
                            double maxServoSpeed, double vpenTh);

// ---- Time and pixels ----

struct TimelineView {
  double originMs = 0;  // the time at the plot's left edge
  double msPerPixel = 10;
  int plotLeft = 0;  // pixels: the plot starts after the lane labels
  int plotWidth = 1;

  double X(double ms) const { return plotLeft + (ms - originMs) / msPerPixel; }
  double Ms(double x) const { return originMs + (x - plotLeft) * msPerPixel; }
  double VisibleMs() const { return plotWidth * msPerPixel; }
};

inline constexpr double kTimelineMinMsPerPixel = 0.5;

// The whole Motion in view.
void FitAll(TimelineView& view, uint32_t duration);
// Zoom by `factor` (> 1 zooms in) keeping the time under `x` where it is.
void ZoomAt(TimelineView& view, double x, double factor, uint32_t duration);
// Scroll by `pixels` (positive: later times come into view).
void ScrollBy(TimelineView& view, double pixels, uint32_t duration);
// Scroll so that [fromMs, toMs] is in view (centred when it was not), zooming in no further.
void ScrollToShow(TimelineView& view, double fromMs, double toMs, uint32_t duration);

// The seconds ruler: a tick every `step` ms starting at `first`, labelled every `labelEvery`.
struct RulerTicks {
  double first = 0;
  double step = 1000;
  int labelEvery = 1;
};
RulerTicks RulerFor(const TimelineView& view, int minLabelPixels);
// "1.5 s"-style label of a tick time.
std::string RulerLabel(double ms, double step);

// ---- Layout and hits ----

struct TimelineBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct TimelineLayout {
  TimelineBox ruler;    // the seconds, and where the playhead is grabbed
  TimelineBox handles;  // the keyframe handles with the Pose numbers
  std::vector<TimelineBox> lanes;
  int labelWidth = 0;
};

inline constexpr int kTimelineLabelWidth = 40;
inline constexpr int kTimelineRulerHeight = 18;
inline constexpr int kTimelineHandleHeight = 16;
inline constexpr int kTimelineHandleHalfWidth = 5;

TimelineLayout LayOutTimeline(int width, int height, std::size_t laneCount);
// The view's plot area for a layout (its left edge and width), keeping its time and zoom.
void FitViewToLayout(TimelineView& view, const TimelineLayout& layout);

struct TimelineHit {
  enum Kind { kNothing, kHandle, kPlayhead, kLane };
  Kind kind = kNothing;
  std::size_t pose = 0;  // kHandle
  int lane = -1;         // kLane: index into TimelineModel::lanes
};

// What lies under (x, y): a handle (the nearest within its half width), the playhead (anywhere on
// the ruler, or within a few pixels of its line), or a lane.
TimelineHit HitTimeline(const TimelineModel& model, const TimelineView& view,
                        const TimelineLayout& layout, double playheadMs, int x, int y);

// The flagged part of a lane under x (within a couple of pixels), or null.
const FlaggedSpan* FlagAt(const TimelineModel& model, const TimelineView& view, int lane, int x);

// ---- Drawing ----

struct TimelinePoint {
  float x = 0, y = 0;
};

// The y of a lane's value inside its box.
float LaneY(const TimelineLane& lane, const TimelineBox& box, float value);

// The curve of points [from, to] of a lane in pixels, only over the visible times, thinned to at
// most a few points per pixel column (first, lowest, highest, last), so that the drawing costs the
// same for a long Motion as for a short one.
void LaneCurve(const TimelineModel& model, const TimelineLane& lane, std::size_t from,
               std::size_t to, const TimelineView& view, const TimelineBox& box,
               std::vector<TimelinePoint>& out);

// ---- Playhead ----

// The arm at an instant of the plan: the Pose whose move runs then and the motor values the servos
// head for, between the plan's points.
struct ScrubState {
  std::size_t pose = 0;
  std::array<int16_t, kMotorCount> motors{};
  float z = 0;
};
ScrubState ScrubAt(const PlannedPath& path, double ms);

// Where the playhead stands during a playback: `elapsedMs` into the move of `pose`, which the
// playback makes last `playedMoveMs` (its time at the playback's speed).
double PlaybackPlayhead(const TimelineModel& model, std::size_t pose, uint32_t elapsedMs,
                        uint32_t playedMoveMs);

}  // namespace velmora
