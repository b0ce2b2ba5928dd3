#pragma once

#include <cstddef>
#include <vector>

#include "geometry/pose.h"

namespace velmora {

// The program's own list of copied Poses (not the system clipboard): filled by copy and cut, read
// by paste, which leaves it as it is. Entries are whole copies in the order of the rows they came
// from. Used only by the UI thread.
class PoseClipboard {
 public:
  void Clear() { poses_.clear(); }
  void Append(const Pose& pose) { poses_.push_back(pose); }
  const std::vector<Pose>& Entries() const { return poses_; }
  bool Empty() const { return poses_.empty(); }
  std::size_t Size() const { return poses_.size(); }
  // Gives the memory back (at exit).
  void Release() {
    poses_.clear();
    poses_.shrink_to_fit();
  }

 private:
  std::vector<Pose> poses_;
};

}  // namespace velmora
