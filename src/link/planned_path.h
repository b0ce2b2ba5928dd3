#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/playback_speed.h"
#include "geometry/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora {

// One point of the planned tool path.
struct PathPoint {
  uint32_t t = 0;      // ms after the walk started: when the goals that lead here are sent
  uint32_t pose = 0;   // index of the Pose whose move this point belongs to
  float x = 0, y = 0;  // mm, user coordinates: where the motor values put the tool
  float z = 0;         // mm, tool height
  std::array<int16_t, kMotorCount> motors{};  // the motor values the servos are heading for
};

// One goal the playback queues: servo `id` to `position` in `time` (10 ms units), at `t` ms.
struct PlannedGoal {
  uint32_t t = 0;
  int id = 0;
  int16_t position = 0;
  uint16_t time = 0;

  friend bool operator==(const PlannedGoal&, const PlannedGoal&) = default;
};

// What the walk found about one Pose's move.
struct PoseCheck {
  bool stretched = false;    // a point was out of reach: the stretched arm pointed at it
  uint8_t limited = 0;       // bit k: a value of motor ID k+1 was limited to its MotorLimits entry
  double maxSpeed = 0;       // deg/s, the fastest turn a rotary servo (ID1, ID2, ID4) is asked for
  uint8_t fastestMotor = 0;  // 1-based ID of that servo, 0 when none turns
};

inline constexpr std::size_t kMinStepsPerMove = 8;

struct PlanOptions {
  // The servos the robot has (3: the pen type, whose missing ID4 and ID5 are not checked).
  int axes = 5;
  PlaybackSpeed speed = PlaybackSpeed::kNormal;
  // The Poses walked: from `first` to `last` (inclusive), as the playback's start and stop indices.
  std::size_t first = 0;
  std::size_t last = SIZE_MAX;
  // Keep every queued goal in `goals` (tests and the comparison with a playback).
  bool keepGoals = false;
  // The most points the whole path may have; 0 for no limit. Over the limit, each Linear or Arc
  // move is sampled at every k-th of its steps (at least kMinStepsPerMove of them, and always its
  // last), so that a Motion of very long moves cannot make the walk take seconds or gigabytes.
  // The samples then stand for the steps between them: reach and limits are checked at the
  // samples, and speeds are averaged over the steps between two samples.
  std::size_t maxPoints = 0;
};

struct PlannedPath {
  std::vector<PathPoint> points;
  // For the n-th Pose walked (Pose first + n): its first point and what the walk found.
  std::vector<uint32_t> poseStart;
  std::vector<PoseCheck> checks;
  std::vector<PlannedGoal> goals;  // only with PlanOptions::keepGoals
  std::size_t first = 0;           // index of the first Pose walked
  uint32_t duration = 0;           // ms from the start to the end of the last move

  std::size_t PoseCount() const { return checks.size(); }
};

// Walks the Poses from `start` (the arm's state before the first move: its motor values and, for a
// Linear or Arc first move, its x and y) exactly as the playback plays them: each Pose as it is
// shown (NormaliseShownPose), its time scaled to the speed, None moves as one set of goals, Linear
// and Arc moves in the playback's own steps (InterpolatedMove) with their wrist compensation, and
// the 10 ms pause after each Pose. The result is the tool path the robot is sent along.
//
// A None move leaves the servos to move on their own. It is planned with the servo model of the
// virtual robot: each servo moves linearly from where it is to its goal over the goal time (the
// "linear servo model"); the path samples that motion every 10 ms, at most 64 points per move
// (fewer when the path is sampled to stay within PlanOptions::maxPoints).
PlannedPath PlanPath(const ArmGeometry& g, const std::vector<Pose>& poses, const Pose& start,
                     const PlanOptions& options = {});

// The state a preview walk starts from: the first Pose itself (where the arm is expected to stand
// before a playback), so the first move has no length.
Pose PreviewStart(const std::vector<Pose>& poses);

}  // namespace velmora
