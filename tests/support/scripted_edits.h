#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/pose.h"

namespace velmora::testing {

// Edit number `k` of a fixed script, on a Pose list and its current index: every third edit
// inserts a copy of the current Pose after it, the others change one Pose's ID1 value, time and
// position. Only whole numbers, so that a motion file keeps every value exactly, and times in
// steps of 10 ms, as showing a Pose leaves them. The recovery
// tests run it in a program they kill and again in the test, to know what the Motion was.
inline void ApplyScriptedEdit(std::vector<Pose>& poses, std::size_t& current, int k) {
  if (k % 3 == 0) {
    Pose copy = poses[current];
    copy.x = 10 + k;
    poses.insert(poses.begin() + static_cast<std::ptrdiff_t>(current) + 1, copy);
    current += 1;
    return;
  }
  Pose& p = poses[static_cast<std::size_t>(k * 7) % poses.size()];
  p.motorValues[0] = static_cast<int16_t>(k);
  p.transitionTime = 100 + 10 * static_cast<uint32_t>(k);  // as the time field keeps it
  p.y = -k;
}

}  // namespace velmora::testing
