#include "document/motion.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

namespace velmora {

namespace {

bool SameBits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

}  // namespace

bool SamePoseBits(const Pose& a, const Pose& b) {
  return a.interpolation == b.interpolation && a.motorValues == b.motorValues &&
         SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z) &&
         SameBits(a.handWidth, b.handWidth) && SameBits(a.arcRadius, b.arcRadius) &&
         SameBits(a.rotation, b.rotation) && a.arcDirection == b.arcDirection &&
         a.transitionTime == b.transitionTime && a.excluded == b.excluded &&
         a.deleteMark == b.deleteMark;
}

Motion::Motion() : poses_(1) {}

std::size_t Motion::Size() const {
  std::lock_guard lock(mutex_);
  return poses_.size();
}

bool Motion::Empty() const {
  std::lock_guard lock(mutex_);
  return poses_.empty();
}

std::optional<Pose> Motion::PoseAt(std::size_t index) const {
  std::lock_guard lock(mutex_);
  if (index >= poses_.size()) return std::nullopt;
  return poses_[index];
}

bool Motion::SetPose(std::size_t index, const Pose& pose) {
  std::lock_guard lock(mutex_);
  if (index >= poses_.size()) return false;
  TouchOne(index, poses_.size());
  poses_[index] = pose;
  return true;
}

std::size_t Motion::CurrentIndex() const {
  std::lock_guard lock(mutex_);
  return current_;
}

Pose Motion::Current() const {
  std::lock_guard lock(mutex_);
  return poses_.empty() ? Pose{} : poses_[current_];
}

void Motion::SetCurrent(const Pose& pose) {
  std::lock_guard lock(mutex_);
  if (poses_.empty()) return;
  TouchOne(current_, poses_.size());
  poses_[current_] = pose;
}

std::optional<Pose> Motion::UpdateCurrent(const std::function<void(Pose&)>& f) {
  std::lock_guard lock(mutex_);
  if (current_ >= poses_.size()) return std::nullopt;
  // Showing a Pose rewrites it the way it already is: that is no change.
  const Pose before = poses_[current_];
  f(poses_[current_]);
  if (!SamePoseBits(before, poses_[current_])) TouchOne(current_, poses_.size());
  return poses_[current_];
}

bool Motion::SetCurrentIndex(std::size_t index) {
  std::lock_guard lock(mutex_);
  if (index >= poses_.size()) return false;
  current_ = index;
  return true;
}

std::size_t Motion::LastIndex() const {
  std::lock_guard lock(mutex_);
  return poses_.empty() ? 0 : poses_.size() - 1;
}

long Motion::IndexOf(const std::vector<Pose>& poses, const Pose* pose) {
  for (std::size_t i = 0; i < poses.size(); ++i) {
    if (&poses[i] == pose) return static_cast<long>(i);
  }
  return -1;
}

std::vector<Pose> Motion::Poses() const {
  std::lock_guard lock(mutex_);
  return poses_;
}

bool Motion::Replace(std::vector<Pose> poses, long currentIndex) {
  if (poses.empty()) return false;
  std::vector<Pose> old;
  {
    std::lock_guard lock(mutex_);
    old.swap(poses_);
    poses_ = std::move(poses);
    TouchAll();
    current_ = (currentIndex < 0 || static_cast<std::size_t>(currentIndex) >= poses_.size())
                   ? 0
                   : static_cast<std::size_t>(currentIndex);
  }
  return true;  // `old` is released outside the lock
}

void Motion::ResetTo(const Pose& pose) {
  std::vector<Pose> fresh{pose};
  std::lock_guard lock(mutex_);
  poses_.swap(fresh);
  current_ = 0;
  TouchAll();
}

void Motion::Free() {
  std::vector<Pose> old;
  std::lock_guard lock(mutex_);
  old.swap(poses_);
  current_ = 0;
  TouchAll();
}

std::size_t Motion::InsertAfter(std::size_t index, const Pose& pose) {
  std::lock_guard lock(mutex_);
  const std::size_t at = index >= poses_.size() ? poses_.size() : index + 1;
  changes_.sameHead = std::min(changes_.sameHead, at);
  changes_.sameTail = std::min(changes_.sameTail, poses_.size() - at);
  poses_.insert(poses_.begin() + static_cast<std::ptrdiff_t>(at), pose);
  return at;
}

void Motion::Modify(const std::function<void(std::vector<Pose>&, std::size_t&)>& f) {
  std::lock_guard lock(mutex_);
  TouchAll();
  f(poses_, current_);
  if (!poses_.empty() && current_ >= poses_.size()) current_ = poses_.size() - 1;
}

uint64_t Motion::Checkpoint(
    const std::function<void(std::vector<Pose>&, std::size_t&, const ChangeSpan&)>& f) {
  static std::atomic<uint64_t> lastCheckpoint{0};
  std::lock_guard lock(mutex_);
  f(poses_, current_, changes_);
  if (!poses_.empty() && current_ >= poses_.size()) current_ = poses_.size() - 1;
  changes_.checkpoint = lastCheckpoint.fetch_add(1) + 1;
  changes_.sameHead = changes_.sameTail = poses_.size();
  return changes_.checkpoint;
}

void Motion::TouchOne(std::size_t index, std::size_t size) {
  changes_.sameHead = std::min(changes_.sameHead, index);
  changes_.sameTail = std::min(changes_.sameTail, size - 1 - index);
}

void Motion::Read(const std::function<void(const std::vector<Pose>&, std::size_t)>& f) const {
  std::lock_guard lock(mutex_);
  f(poses_, current_);
}

}  // namespace velmora
