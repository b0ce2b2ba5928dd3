#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <vector>

#include "link/drawing_strokes.h"

namespace velmora {

// Strokes whose ends meet within this distance (mm) are drawn as one.
inline constexpr double kJoinDistanceMm = 0.05;

// Removes strokes that repeat another (the same points, either way round) and joins strokes whose
// ends meet, turning one round where that makes them meet. Keeps the first stroke's place.
std::vector<Stroke> MergeStrokes(const std::vector<Stroke>& strokes);

// Whether the pen, at the end of one stroke, is where the next begins: it draws on without lifting.
inline bool StrokesMeet(DrawingPoint end, DrawingPoint next) {
  return std::hypot(end.x - next.x, end.y - next.y) <= kJoinDistanceMm;
}

// Joins each stroke to the one before it where that one ends where it begins, keeping the order.
std::vector<Stroke> JoinMeetingStrokes(std::vector<Stroke> strokes);

Stroke ReversedStroke(const Stroke& stroke);

// Where the arm's joints are for a point of the plane (ID1 and ID2, in any unit of angle).
struct JointPoint {
  double a = 0, b = 0;
};
using JointMap = std::function<JointPoint(DrawingPoint)>;

// The pen-up travel the arm really does: a move in joint space, as long as its slowest joint
// needs, plus the time to lift and lower the pen. Between strokes that meet it costs nothing, as
// the pen stays down.
struct TravelModel {
  JointMap joints;
  double secondsPerJointUnit = 0.001;
  double liftSeconds = 0.5;

  double Cost(JointPoint from, JointPoint to) const {
    return std::max(std::fabs(from.a - to.a), std::fabs(from.b - to.b)) * secondsPerJointUnit +
           liftSeconds;
  }
};

// Orders the strokes (turning some round) so that the pen-up travel from `start` through all of
// them costs little: nearest neighbour, then 2-opt with reversals while it improves (bounded).
// Strokes that meet end to end tend to follow each other, so that JoinMeetingStrokes can join them
// into fewer lifts of the pen.
std::vector<Stroke> OrderStrokes(const std::vector<Stroke>& strokes, DrawingPoint start,
                                 const TravelModel& model);

// The seconds of pen-up travel in the given order from `start` (the pen is lowered for the first
// stroke even when the arm starts where it begins).
double TravelTotal(const std::vector<Stroke>& strokes, DrawingPoint start,
                   const TravelModel& model);

}  // namespace velmora
