#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/pose.h"

namespace velmora {

class Motion;

// One recorded state of the Motion: every Pose, copied whole, and which one was current.
struct Snapshot {
  int32_t poseCount = 0;
  int32_t currentIndex = 0;  // -1 when the current Pose was not in the list
  std::vector<Pose> poses;
};

// Whole copies of the Motion taken after each edit, oldest first, with a cursor on the snapshot
// that equals the Motion's present state. Undo and redo move the cursor and restore.
class UndoHistory {
 public:
  // Forgets everything and records the Motion as the only snapshot, with current index 0.
  void Reset(const Motion& motion);
  // Records the Motion after the cursor, dropping every snapshot newer than the cursor.
  void Record(const Motion& motion);
  // Moves the cursor one step older / newer and restores that snapshot into the Motion.
  // False (and nothing changes) when there is no such snapshot.
  bool Undo(Motion& motion);
  bool Redo(Motion& motion);
  // Releases every snapshot.
  void Release();

  bool CanUndo() const { return canUndo_.load(); }
  bool CanRedo() const { return canRedo_.load(); }
  std::size_t Count() const { return snapshots_.size(); }
  // The bytes one snapshot of `poseCount` Poses holds.
  static std::size_t SnapshotBytes(std::size_t poseCount) {
    return sizeof(Snapshot) + poseCount * sizeof(Pose);
  }

 private:
  void Restore(Motion& motion) const;
  void Publish();

  std::vector<Snapshot> snapshots_;
  long cursor_ = -1;
  // The availability of Undo and Redo, published for the toolbar and menus to mirror. Written by
  // the thread that changes the history (the UI thread, or the recorder at its end).
  std::atomic<bool> canUndo_{false};
  std::atomic<bool> canRedo_{false};
};

}  // namespace velmora
