#pragma once

#include <string>

#include "base/change_sink.h"
#include "document/motion.h"
#include "document/pose_clipboard.h"
#include "document/undo_history.h"

namespace velmora {

class Geometry;

// The document side of the program-wide state: the Motion, its undo history and the name of its
// file. Created once at start-up and passed by reference.
struct Document {
  Motion motion;
  UndoHistory history;
  PoseClipboard clipboard;  // filled by copy and cut, read by paste
  std::string fileName;  // empty for an untitled Motion
  // Where changes are reported (title, undo availability); never null.
  ChangeSink* sink = &nullSink;

  static inline NullChangeSink nullSink;
};

// Discards every Pose and starts over with one default Pose as first, last and current. With
// `resetHistory` the undo history restarts from this Motion, which also clears the modified flag.
void NewMotion(Document& doc, const Geometry& geometry, bool resetHistory);

// Releases every Pose (at exit).
void FreeMotion(Document& doc);

// The history restarts from the present Motion, and the modified flag is cleared.
void ResetHistory(Document& doc);
// Records the present Motion as one undo step after a completed edit and marks it modified.
void RecordStep(Document& doc);
// Undo and redo restore a snapshot; they leave the modified flag as it is. False when there was
// nothing to undo or redo.
bool Undo(Document& doc);
bool Redo(Document& doc);
void ReleaseHistory(Document& doc);
// Reports the undo and redo availability to the views.
void UpdateUndoAvailability(Document& doc);

// Sets the modified flag; when it goes from clear to set the title gains its " *".
void MarkModified(Document& doc);

// Recomputes the ArcGuide of `geometry` for the Motion's current Pose and the one before it.
void UpdateArcGuide(Geometry& geometry, const Motion& motion);

}  // namespace velmora
