#include "document/undo_history.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "document/motion.h"

namespace velmora {

namespace {

using Chunk = Snapshot::Chunk;
using ChunkPtr = std::shared_ptr<const Chunk>;

// Cuts poses[begin, end) into chunks of at most kChunkPoses, of nearly equal sizes.
void AppendChunks(const std::vector<Pose>& poses, std::size_t begin, std::size_t end,
                  std::vector<ChunkPtr>& out) {
  const std::size_t length = end - begin;
  if (length == 0) return;
  const std::size_t count = (length + UndoHistory::kChunkPoses - 1) / UndoHistory::kChunkPoses;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t from = begin + length * k / count;
    const std::size_t to = begin + length * (k + 1) / count;
    out.push_back(std::make_shared<const Chunk>(poses.begin() + static_cast<std::ptrdiff_t>(from),
                                                poses.begin() + static_cast<std::ptrdiff_t>(to)));
  }
}

// How many Poses at the front, and then at the back, `poses` has in common with `base`.
std::pair<std::size_t, std::size_t> CompareEnds(const std::vector<Pose>& poses,
                                                const Snapshot& base) {
  const std::size_t n = poses.size();
  const std::size_t limit = std::min(n, static_cast<std::size_t>(base.poseCount));
  std::size_t head = 0;
  bool differs = false;
  for (auto c = base.chunks.begin(); c != base.chunks.end() && !differs; ++c) {
    for (const Pose& p : **c) {
      differs = head == limit || !SamePoseBits(p, poses[head]);
      if (differs) break;
      ++head;
    }
  }
  std::size_t tail = 0;
  for (auto c = base.chunks.rbegin(); c != base.chunks.rend(); ++c) {
    for (auto p = (*c)->rbegin(); p != (*c)->rend(); ++p) {
      if (head + tail == limit || !SamePoseBits(*p, poses[n - 1 - tail])) return {head, tail};
      ++tail;
    }
  }
  return {head, tail};
}

// A snapshot of `poses` that shares with `base` every chunk inside the first `head` and the last
// `tail` Poses, which the two lists have in common.
void BuildShared(const std::vector<Pose>& poses, const Snapshot& base, std::size_t head,
                 std::size_t tail, std::vector<ChunkPtr>& out) {
  const std::size_t n = poses.size();
  const std::size_t m = static_cast<std::size_t>(base.poseCount);
  const std::size_t chunkCount = base.chunks.size();
  // Leading chunks wholly inside the common front.
  std::size_t front = 0;
  std::size_t a = 0;  // Poses in them
  while (front < chunkCount && a + base.chunks[front]->size() <= head) {
    a += base.chunks[front]->size();
    ++front;
  }
  // Trailing chunks wholly inside the common back, not overlapping the leading ones.
  std::size_t back = chunkCount;
  std::size_t b = m;  // where they start in `base`
  while (back > front && b - base.chunks[back - 1]->size() >= m - tail) {
    b -= base.chunks[back - 1]->size();
    --back;
  }
  // An edit that leaves a small piece between shared chunks takes a neighbour in with it, so that
  // chunks do not shrink edit after edit.
  if (b - a + n - m < UndoHistory::kChunkPoses / 2 && front > 0) {
    --front;
    a -= base.chunks[front]->size();
  }
  if (b - a + n - m < UndoHistory::kChunkPoses / 2 && back < chunkCount) {
    b += base.chunks[back]->size();
    ++back;
  }
  out.reserve(front + (chunkCount - back) + (b + n - m - a) / UndoHistory::kChunkPoses + 2);
  out.insert(out.end(), base.chunks.begin(),
             base.chunks.begin() + static_cast<std::ptrdiff_t>(front));
  AppendChunks(poses, a, b + n - m, out);
  out.insert(out.end(), base.chunks.begin() + static_cast<std::ptrdiff_t>(back), base.chunks.end());
}

// Copies `count` Poses of `s`, starting at `from`, to `out`.
void CopyOut(const Snapshot& s, std::size_t from, std::size_t count, Pose* out) {
  std::size_t start = 0;
  for (const ChunkPtr& c : s.chunks) {
    if (count == 0) return;
    const std::size_t size = c->size();
    if (from < start + size) {
      const std::size_t offset = from - start;
      const std::size_t take = std::min(count, size - offset);
      std::copy_n(c->begin() + static_cast<std::ptrdiff_t>(offset), take, out);
      out += take;
      from += take;
      count -= take;
    }
    start += size;
  }
}

// Poses at the front and back that two snapshots share by chunk.
std::pair<std::size_t, std::size_t> SharedEnds(const Snapshot& x, const Snapshot& y) {
  std::size_t i = 0;
  std::size_t head = 0;
  while (i < x.chunks.size() && i < y.chunks.size() && x.chunks[i] == y.chunks[i]) {
    head += x.chunks[i]->size();
    ++i;
  }
  std::size_t jx = x.chunks.size();
  std::size_t jy = y.chunks.size();
  std::size_t tail = 0;
  while (jx > i && jy > i && x.chunks[jx - 1] == y.chunks[jy - 1]) {
    tail += x.chunks[jx - 1]->size();
    --jx;
    --jy;
  }
  return {head, tail};
}

}  // namespace

void UndoHistory::Reset(Motion& motion) {
  std::lock_guard lock(mutex_);
  snapshots_.clear();
  cursor_ = -1;
  Take(motion, true);
}

void UndoHistory::Record(Motion& motion) {
  std::lock_guard lock(mutex_);
  Take(motion, false);
}

std::size_t UndoHistory::Count() const {
  std::lock_guard lock(mutex_);
  return snapshots_.size();
}

void UndoHistory::Take(Motion& motion, bool currentAtZero) {
  Snapshot s;
  StepCost cost;
  const Snapshot* base = cursor_ >= 0 ? &snapshots_[static_cast<std::size_t>(cursor_)] : nullptr;
  checkpoint_ = motion.Checkpoint(
      [&](std::vector<Pose>& poses, std::size_t& current, const Motion::ChangeSpan& changes) {
        s.poseCount = static_cast<int32_t>(poses.size());
        s.currentIndex =
            currentAtZero ? 0 : (current < poses.size() ? static_cast<int32_t>(current) : -1);
        if (base == nullptr) {
          AppendChunks(poses, 0, poses.size(), s.chunks);
          return;
        }
        const std::size_t limit = std::min(poses.size(), static_cast<std::size_t>(base->poseCount));
        std::size_t head = 0;
        std::size_t tail = 0;
        if (checkpoint_ != 0 && changes.checkpoint == checkpoint_) {
          head = std::min(changes.sameHead, limit);
          tail = std::min(changes.sameTail, limit - head);
        }
        if (head == 0 && tail == 0 && limit > 0) {
          std::tie(head, tail) = CompareEnds(poses, *base);
          cost.comparedPoses = std::min(head + tail + 1, poses.size());
        }
        BuildShared(poses, *base, head, tail, s.chunks);
      });
  const auto [sharedHead, sharedTail] =
      base != nullptr ? SharedEnds(*base, s) : std::pair<std::size_t, std::size_t>{0, 0};
  cost.copiedPoses =
      static_cast<std::size_t>(s.poseCount) -
      std::min<std::size_t>(static_cast<std::size_t>(s.poseCount), sharedHead + sharedTail);
  lastCost_ = cost;
  if (cursor_ >= 0)
    snapshots_.resize(static_cast<std::size_t>(cursor_) + 1);
  else
    snapshots_.clear();
  snapshots_.push_back(std::move(s));
  cursor_ = static_cast<long>(snapshots_.size()) - 1;
  Publish();
}

bool UndoHistory::Undo(Motion& motion) {
  std::lock_guard lock(mutex_);
  if (cursor_ <= 0) return false;
  --cursor_;
  Restore(motion, static_cast<std::size_t>(cursor_) + 1);
  Publish();
  return true;
}

bool UndoHistory::Redo(Motion& motion) {
  std::lock_guard lock(mutex_);
  if (cursor_ < 0 || cursor_ + 1 >= static_cast<long>(snapshots_.size())) return false;
  ++cursor_;
  Restore(motion, static_cast<std::size_t>(cursor_) - 1);
  Publish();
  return true;
}

void UndoHistory::Release() {
  std::lock_guard lock(mutex_);
  snapshots_.clear();
  snapshots_.shrink_to_fit();
  cursor_ = -1;
  checkpoint_ = 0;
  Publish();
}

void UndoHistory::Restore(Motion& motion, std::size_t from) {
  const Snapshot& to = snapshots_[static_cast<std::size_t>(cursor_)];
  const Snapshot& was = snapshots_[from];
  if (to.poseCount == 0) {  // never recorded from an empty Motion; keep the invariant anyway
    checkpoint_ = 0;
    return;
  }
  const uint64_t expected = checkpoint_;
  checkpoint_ = motion.Checkpoint(
      [&](std::vector<Pose>& poses, std::size_t& current, const Motion::ChangeSpan& changes) {
        const std::size_t n = poses.size();
        const std::size_t target = static_cast<std::size_t>(to.poseCount);
        // The Motion still holds `was` at its ends; of those ends, keep what `to` shares.
        std::size_t keepHead = 0;
        std::size_t keepTail = 0;
        if (expected != 0 && changes.checkpoint == expected) {
          const std::size_t limit = std::min(n, static_cast<std::size_t>(was.poseCount));
          const auto [sharedHead, sharedTail] = SharedEnds(was, to);
          keepHead = std::min({changes.sameHead, limit, sharedHead});
          keepTail = std::min({changes.sameTail, limit - keepHead, sharedTail});
        }
        const std::size_t oldLength = n - keepHead - keepTail;
        const std::size_t newLength = target - keepHead - keepTail;
        const auto at = poses.begin() + static_cast<std::ptrdiff_t>(keepHead);
        if (newLength > oldLength) {
          poses.insert(at + static_cast<std::ptrdiff_t>(oldLength), newLength - oldLength, Pose{});
        } else if (newLength < oldLength) {
          poses.erase(at + static_cast<std::ptrdiff_t>(newLength),
                      at + static_cast<std::ptrdiff_t>(oldLength));
        }
        CopyOut(to, keepHead, newLength, poses.data() + keepHead);
        lastCost_ = {0, newLength};
        current = (to.currentIndex < 0 || static_cast<std::size_t>(to.currentIndex) >= target)
                      ? 0
                      : static_cast<std::size_t>(to.currentIndex);
      });
}

UndoHistory::StepCost UndoHistory::LastCost() const {
  std::lock_guard lock(mutex_);
  return lastCost_;
}

void UndoHistory::Publish() {
  canUndo_.store(cursor_ > 0);
  canRedo_.store(cursor_ >= 0 && cursor_ + 1 < static_cast<long>(snapshots_.size()));
}

}  // namespace velmora
