#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "geometry/pose.h"

namespace velmora {

class Motion;

// One recorded state of the Motion: its Poses, in chunks that neighbouring snapshots share where
// they hold the same Poses, and which one was current.
struct Snapshot {
  using Chunk = std::vector<Pose>;
  int32_t poseCount = 0;
  int32_t currentIndex = 0;                          // -1 when the current Pose was not in the list
  std::vector<std::shared_ptr<const Chunk>> chunks;  // never an empty chunk
};

// The states of the Motion recorded after each edit, oldest first, with a cursor on the snapshot
// that equals the Motion's present state. Undo and redo move the cursor and restore.
//
// A snapshot costs what its edit changed: it shares every chunk of the previous snapshot that
// the edit left alone, and copies only the chunks around the change. The Motion tells which
// Poses at its front and back are untouched since the last record or restore; where it cannot
// tell, the two lists are compared.
//
// Threads: the UI thread records and restores; the recorder records the step of a whole
// recording at its end, which may meet the step of a marker drag released on the UI thread at
// that moment. Every operation takes the history's lock, so steps never interleave.
class UndoHistory {
 public:
  // Poses per chunk: a one-Pose edit copies about this many.
  static constexpr std::size_t kChunkPoses = 256;

  // Forgets everything and records the Motion as the only snapshot, with current index 0.
  void Reset(Motion& motion);
  // Records the Motion after the cursor, dropping every snapshot newer than the cursor.
  void Record(Motion& motion);
  // Moves the cursor one step older / newer and restores that snapshot into the Motion.
  // False (and nothing changes) when there is no such snapshot.
  bool Undo(Motion& motion);
  bool Redo(Motion& motion);
  // Releases every snapshot.
  void Release();

  // What the last record, undo or redo cost: the Poses it compared to find what an edit left
  // alone, and the Poses it copied (into the new snapshot, or into the Motion).
  struct StepCost {
    std::size_t comparedPoses = 0;
    std::size_t copiedPoses = 0;
  };
  StepCost LastCost() const;

  bool CanUndo() const { return canUndo_.load(); }
  bool CanRedo() const { return canRedo_.load(); }
  std::size_t Count() const;
  // The most bytes one snapshot of `poseCount` Poses holds (when it shares nothing).
  static std::size_t SnapshotBytes(std::size_t poseCount) {
    return sizeof(Snapshot) + poseCount * sizeof(Pose);
  }

 private:
  void Take(Motion& motion, bool currentAtZero);
  void Restore(Motion& motion, std::size_t from);
  void Publish();

  // Guards snapshots_, cursor_ and checkpoint_. Taken before the Motion's lock, never after it.
  mutable std::mutex mutex_;
  std::vector<Snapshot> snapshots_;
  long cursor_ = -1;
  // The Motion's checkpoint taken when the snapshot at the cursor was recorded or restored; 0
  // when the Motion may hold anything.
  uint64_t checkpoint_ = 0;
  StepCost lastCost_;
  // The availability of Undo and Redo, published for the toolbar and menus to mirror. Written by
  // the thread that changes the history (the UI thread, or the recorder at its end).
  std::atomic<bool> canUndo_{false};
  std::atomic<bool> canRedo_{false};
};

}  // namespace velmora
