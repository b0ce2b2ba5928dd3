#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "geometry/pose.h"

namespace velmora {

// Every field equal bit for bit, so that a -0 or a NaN counts as what it is.
bool SamePoseBits(const Pose& a, const Pose& b);

// The document: an ordered list of Poses with a current one. Row numbers are positions in the
// list (0-based here, shown 1-based), so they never need renumbering.
//
// Threads: the UI thread edits while idle; during a playback or recording only the worker thread
// changes the list or moves `current`; the render thread copies the current Pose every frame.
// Every method takes the Motion's mutex, so a reader never sees a Pose that is being released or
// moved by a reallocation. Reads hand out copies for the same reason.
class Motion {
 public:
  Motion();  // one default-constructed Pose, current = first

  // Number of Poses; at least one after start-up and after every edit.
  std::size_t Size() const;
  bool Empty() const;

  // The Pose at a 0-based row index, or none when the list is shorter.
  std::optional<Pose> PoseAt(std::size_t index) const;
  // Writes a Pose back; false when the index is out of range.
  bool SetPose(std::size_t index, const Pose& pose);

  // Row index of `current`. Always a member of the list while the list is not empty.
  std::size_t CurrentIndex() const;
  Pose Current() const;
  void SetCurrent(const Pose& pose);
  // Runs `f` on the current Pose under the lock and returns the Pose as `f` left it; none when
  // the Motion is empty. Only that Pose counts as changed, and only when `f` changed it, so the
  // undo history shares the rest.
  std::optional<Pose> UpdateCurrent(const std::function<void(Pose&)>& f);
  // Makes the Pose at `index` current; false (and nothing changes) when it does not exist.
  bool SetCurrentIndex(std::size_t index);
  std::size_t LastIndex() const;

  // Row index of a Pose of `poses` (as handed to `Read`/`Modify`), or -1 when it is not a member.
  static long IndexOf(const std::vector<Pose>& poses, const Pose* pose);

  // All Poses, copied.
  std::vector<Pose> Poses() const;

  // Installs a new list. `current` becomes the Pose at `currentIndex`, or the first one when the
  // index is negative or beyond the end. An empty list is refused (false) so that the
  // at-least-one-Pose invariant holds.
  bool Replace(std::vector<Pose> poses, long currentIndex);

  // Discards every Pose and installs `pose` as first, last and current.
  void ResetTo(const Pose& pose);

  // Releases every Pose (used at exit); the Motion is then empty.
  void Free();

  // Inserts `pose` after the row `index` and returns the new row; the caller decides whether it
  // becomes current. Inserting after the end appends.
  std::size_t InsertAfter(std::size_t index, const Pose& pose);

  // Runs `f(poses, currentIndex)` under the lock, for operations that need the whole list at once
  // (delete, paste, conversions). `f` must keep `currentIndex` a valid row of a non-empty list.
  void Modify(const std::function<void(std::vector<Pose>&, std::size_t&)>& f);
  void Read(const std::function<void(const std::vector<Pose>&, std::size_t)>& f) const;

  // What changed since the last checkpoint, for the undo history to share the unchanged Poses
  // between its snapshots: the first `sameHead` and the last `sameTail` Poses are the ones the
  // list held then (the two runs may overlap). An edit the Motion cannot follow (Replace, Modify)
  // leaves both at 0.
  struct ChangeSpan {
    uint64_t checkpoint = 0;  // 0: no checkpoint was ever taken
    std::size_t sameHead = 0;
    std::size_t sameTail = 0;
  };
  // Runs `f(poses, currentIndex, changes)` under the lock, then takes a new checkpoint and returns
  // its number (unique in the program). `f` may rewrite the list like `Modify`.
  uint64_t Checkpoint(
      const std::function<void(std::vector<Pose>&, std::size_t&, const ChangeSpan&)>& f);

  // The modified flag: edited since the last save, load or new document.
  bool IsModified() const { return modified_.load(); }
  // Sets the flag; true when it went from clear to set (the title then gains " *").
  bool MarkModified() { return !modified_.exchange(true); }
  void ClearModified() { modified_.store(false); }

 private:
  mutable std::mutex mutex_;  // guards poses_ and current_
  // The Pose at `index` of a list of `size` changes.
  void TouchOne(std::size_t index, std::size_t size);
  void TouchAll() { changes_.sameHead = changes_.sameTail = 0; }

  std::vector<Pose> poses_;
  std::size_t current_ = 0;
  ChangeSpan changes_;                 // since the last checkpoint
  std::atomic<bool> modified_{false};  // written by whichever thread records an edit
};

}  // namespace velmora
