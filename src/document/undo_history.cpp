#include "document/undo_history.h"

#include "document/motion.h"

namespace velmora {

namespace {

Snapshot TakeSnapshot(const Motion& motion, bool currentAtZero) {
  Snapshot s;
  motion.Read([&](const std::vector<Pose>& poses, std::size_t current) {
    s.poses = poses;
    s.poseCount = static_cast<int32_t>(poses.size());
    s.currentIndex = currentAtZero ? 0 : (current < poses.size() ? static_cast<int32_t>(current) : -1);
  });
  return s;
}

}  // namespace

void UndoHistory::Reset(const Motion& motion) {
  snapshots_.clear();
  snapshots_.push_back(TakeSnapshot(motion, true));
  cursor_ = 0;
  Publish();
}

void UndoHistory::Record(const Motion& motion) {
  Snapshot s = TakeSnapshot(motion, false);
  if (cursor_ >= 0) snapshots_.resize(static_cast<std::size_t>(cursor_) + 1);
  else snapshots_.clear();
  snapshots_.push_back(std::move(s));
  cursor_ = static_cast<long>(snapshots_.size()) - 1;
  Publish();
}

bool UndoHistory::Undo(Motion& motion) {
  if (cursor_ <= 0) return false;
  --cursor_;
  Restore(motion);
  Publish();
  return true;
}

bool UndoHistory::Redo(Motion& motion) {
  if (cursor_ < 0 || cursor_ + 1 >= static_cast<long>(snapshots_.size())) return false;
  ++cursor_;
  Restore(motion);
  Publish();
  return true;
}

void UndoHistory::Release() {
  snapshots_.clear();
  snapshots_.shrink_to_fit();
  cursor_ = -1;
  Publish();
}

void UndoHistory::Restore(Motion& motion) const {
  const Snapshot& s = snapshots_[static_cast<std::size_t>(cursor_)];
  if (s.poses.empty()) return;  // never recorded from an empty Motion; keep the invariant anyway
  motion.Replace(s.poses, s.currentIndex);
}

void UndoHistory::Publish() {
  canUndo_.store(cursor_ > 0);
  canRedo_.store(cursor_ >= 0 && cursor_ + 1 < static_cast<long>(snapshots_.size()));
}

}  // namespace velmora
