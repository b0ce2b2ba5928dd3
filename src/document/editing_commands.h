#pragma once

#include <cstddef>
#include <optional>

#include "geometry/pose.h"

namespace velmora {

class PoseEditPane;

// The commands that change the Motion's list or take a position from the robot. The command
// table decides when they may run (not while busy; cut, copy, paste and delete only while the
// PoseList has the keyboard focus; capture only while connected), but each is safe to call in any
// state and does nothing when its condition is not met. Each, except copy, ends with the common
// refresh (PoseEditPane::RefreshAfterReplace) and, except InsertCopyAfterCurrent, records one undo
// step.
//
// All of them run on the UI thread and bring the views up to date before they return, except
// InsertCopyAfterCurrent, which the recorder thread calls and whose views follow at the UI
// thread's next PoseEditPane::SyncViews.

// A whole copy of the current Pose goes directly after it and becomes current.
void InsertPose(PoseEditPane& pane);

// A copy of `pose` goes after the current Pose and becomes current; the list is rebuilt and
// scrolled to it and the pane shows it (which queues it to the robot). No undo step: the recorder
// records one for the whole recording. Any thread.
void InsertCopyAfterCurrent(PoseEditPane& pane, const Pose& pose);

// The robot's present position into the current Pose: the motor values of IDs 1..axisCount from
// the ServoTable (the others stay), then the coordinates from the forward kinematics.
void CapturePose(PoseEditPane& pane);

// The selected rows' Poses, in row order, become the PoseClipboard's content (empty when no row
// is selected). Nothing else changes.
void CopyPoses(PoseEditPane& pane);
// Copy, then delete.
void CutPoses(PoseEditPane& pane);
// Copies of the clipboard's Poses go after the focused row's Pose (the first Pose when no row is
// focused, the last when the focus lies beyond the end), in order, and their rows are selected
// besides the current row. The current Pose stays current.
void PastePoses(PoseEditPane& pane);
// Removes the selected rows' Poses. With every row selected the Motion becomes one default Pose.
// A removed current Pose hands over to the first surviving Pose after it, or else the last one
// before it.
void DeletePoses(PoseEditPane& pane);

// The lowest selected row, or none.
std::optional<std::size_t> FirstSelectedRow(const PoseEditPane& pane);
// The Pose of the lowest selected row, or none (the batch conversion needs one).
std::optional<Pose> FirstSelectedPose(const PoseEditPane& pane);

// Undo and redo with the refresh of the pane; false when there was nothing to restore.
bool UndoEdit(PoseEditPane& pane);
bool RedoEdit(PoseEditPane& pane);

}  // namespace velmora
