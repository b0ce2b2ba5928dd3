#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/change_sink.h"
#include "document/playback_speed.h"
#include "geometry/pose.h"
#include "document/pose_selection.h"
#include "document/servo_port.h"

namespace velmora {

class ControlView;
class Geometry;
class PoseListView;
struct Document;

// Queues a Pose's motor values as goals: every motor whose `excluded` flag is 0 gets the motor
// value as goal position and `goalTime` (10 ms units, limited to the servo's 16 bits) with its
// SendGoal request; excluded motors are not touched. The ServoLink sends them while the motors
// are on.
void SendPoseToServos(ServoPort& servos, const Pose& pose, uint32_t goalTime);

// The transition-time field's rule: down to a multiple of 10, then into 10..655350 (655350 is the
// longest time whose tenth fits the servo's 16-bit goal time).
uint32_t NormaliseTransitionTime(uint32_t milliseconds);

// What showing a Pose does to it (see PoseEditPane): its transitionTime normalised and its
// arcRadius re-read from its "%+f" text. The playback plays Poses in this form.
void NormaliseShownPose(Pose& pose);

// The change bits after which the UI thread should call PoseEditPane::SyncViews.
inline constexpr uint32_t kPoseViewChanges =
    kChangeMotion | kChangeCurrentPose | kChangeHighlight | kChangeBusy;

// The behaviour of the pose pane: the PoseList (through PoseListView) and the fields of the current
// Pose (through ControlView, keyed by the control numbers of pose_pane_controls.h).
//
// Threads. The pane is used by the UI thread, the playback thread (SelectPose, HighlightRow,
// EnablePaneFields) and the recorder thread (InsertCopyAfterCurrent). Worker threads must never
// touch a widget or wait for the UI thread, so every operation is split in two:
//  - the core effect, done at once on the calling thread: the Motion, the current Pose, the
//    selection model, the ArcGuide, the enabled state and the goals queued in the ServoTable;
//  - the view update, recorded as pending and reported through the Document's ChangeSink
//    (kPoseViewChanges). The UI thread applies it with SyncViews() when it drains the
//    notification, writing the Motion's state as it is at that moment.
// The operations in the "any thread" group below work that way. The event handlers and the
// operations marked "UI thread" run on the UI thread and bring the views up to date before they
// return.
//
// Showing a Pose normalises it the way the fields always fed their own text back: its
// transitionTime goes through NormaliseTransitionTime and its arcRadius is re-read from its "%+f"
// text. This happens in the core effect, without an undo step or the modified flag, so a Pose
// played back on the playback thread is normalised as soon as it is shown.
class PoseEditPane {
 public:
  PoseEditPane(Document& doc, Geometry& geometry, ServoPort& servos);
  PoseEditPane(const PoseEditPane&) = delete;
  PoseEditPane& operator=(const PoseEditPane&) = delete;

  // ---- Views (UI thread) ----
  // The views live as long as the pane uses them; DetachViews before they go away.
  void AttachViews(ControlView& fields, PoseListView& list);
  void DetachViews();
  // Trackbar ranges from the motor limits in force (call after def.ini is read) and the items of
  // the two drop-down lists.
  void Initialise();
  // Applies every pending view update.
  void SyncViews();

  // ---- Any thread: core effect now, views at the next SyncViews ----
  // Rebuilds the list with the current row selected and focused, which makes it current again
  // (SelectPose).
  void FillPoseList();
  // Normalises the current Pose, queues it with its own transitionTime / 10 and shows it. A
  // playback at another speed queues it with its time scaled to that speed instead.
  void ShowPose(PlaybackSpeed speed = PlaybackSpeed::kNormal);
  // Rewrites the current row and recomputes the ArcGuide.
  void RefreshCurrentRow();
  // Makes the Pose at `index` current, shows it and recomputes the ArcGuide; false (nothing
  // happens) when there is no such row.
  bool SelectPose(std::size_t index, PlaybackSpeed speed = PlaybackSpeed::kNormal);
  // Selects and focuses exactly the row `index` (the row being played back).
  void HighlightRow(std::size_t index);
  // Shows the selection model in the list after a command changed it.
  void ShowSelection();
  // Enables or disables every field, check box, trackbar and drop-down list; the PoseList stays
  // enabled. While disabled the pane ignores field events.
  void EnablePaneFields(bool enable);
  bool FieldsEnabled() const { return fieldsEnabled_.load(); }
  // Scrolls the list so that the current row is visible.
  void EnsureCurrentVisible();
  // After Poses were put into the Motion at rows first..first+count-1: the list rebuilt with those
  // rows selected besides the current row, scrolled to the current row, and the views brought up
  // to date.
  void ShowAddedRows(std::size_t first, std::size_t count);
  // The refresh after the whole Motion was replaced, converted or restored (undo, redo, load,
  // the coordinate-system and batch conversions, and the editing commands): rebuild the list,
  // show the current Pose, scroll to it.
  void RefreshAfterReplace();

  // ---- UI thread ----
  // Moves the current Pose's tool to (x, y), keeping z, rotation and hand width (or setting z
  // too), with motor values from the inverse kinematics; shows it and queues it with goal time 50.
  // Records no undo step (the caller does at the end of a drag). False for a non-finite target.
  bool MoveCurrentTo(double x, double y);
  bool MoveCurrentTo(double x, double y, double z);
  // Rewrites one row's texts from its Pose now (row-by-row conversions).
  void RefreshRow(std::size_t row);
  // After a conversion changed the Poses at `rows`: refreshes those rows and, when the current
  // Pose is among them, shows it again (SelectPose). The selection is left as the user made it.
  void RefreshConvertedRows(const std::vector<std::size_t>& rows);
  // A field edit changes the Pose as the user types and records its undo step when the field
  // loses the focus. Commands that must see a recorded edit before the focus moves (closing,
  // New, Open, starting a playback) call this first: it records the step at once.
  void CommitPendingEdit();
  bool EditPending() const { return editPending_; }

  // ---- Events from the views (UI thread) ----
  // Text changed (typing) in a field, or a list's item changed without a new selection.
  void OnChange(int id);
  void OnFocusLost(int id);
  // A check box was clicked.
  void OnClick(int id);
  // A drop-down list got a new selection.
  void OnSelChange(int id);
  // A trackbar moved; `endTrack` at the end of a drag or a keyboard step.
  void OnScroll(int id, bool endTrack);
  // The user changed the PoseList's selection or focused row.
  void OnListSelectionChanged(std::vector<std::size_t> selected, long focused);
  // The PoseList gained or lost the keyboard focus.
  void OnListFocusChanged(bool hasFocus);

  bool PoseListHasFocus() const { return selection_.listHasFocus.load(); }
  PoseSelection& Selection() { return selection_; }
  const PoseSelection& Selection() const { return selection_; }
  Document& Doc() { return doc_; }
  const Document& Doc() const { return doc_; }
  Geometry& Geo() { return geometry_; }
  ServoPort& Servos() { return servos_; }

 private:
  enum class Notice { kChange, kFocusLost, kClick, kSelChange };

  void HandleNotice(int id, Notice notice);
  void OnCoordinateField(Notice notice);
  void OnMotorField(int motor, Notice notice);
  void OnTrackbar(int motor, bool endTrack);
  void OnTransitionTimeField(Notice notice);
  void OnArcRadiusField(Notice notice);
  void OnCheckBox(int motor, Notice notice);
  void OnInterpolationList(Notice notice);
  void OnArcDirectionList(Notice notice);
  // The end of a field visit: show the Pose (normalised, rewritten) and record the step.
  void FinishFieldEdit(Notice notice);

  void MarkPending(uint32_t syncBits, uint32_t changeBits);
  void WriteFields(const Pose& pose);
  void WriteCoordinateFields(const Pose& pose);
  void WriteCurrentRow();
  void WriteEnabled();

  Document& doc_;
  Geometry& geometry_;
  ServoPort& servos_;
  PoseSelection selection_;

  ControlView* fields_ = nullptr;  // UI thread only
  PoseListView* list_ = nullptr;   // UI thread only
  // Set while the pane itself writes into the views, so that what a view reports about those
  // writes never feeds back into the Pose. UI thread only.
  bool writing_ = false;
  // A field changed the current Pose and its undo step is not recorded yet. UI thread only.
  bool editPending_ = false;

  // View updates waiting for SyncViews; set by any thread, taken by the UI thread.
  std::atomic<uint32_t> pending_{0};
  // The row to scroll into view at the next SyncViews; written with pending_.
  std::atomic<long> ensureVisibleRow_{-1};
  // Whether the fields take input; written by the thread that starts or ends a playback or
  // recording, read by the UI thread.
  std::atomic<bool> fieldsEnabled_{true};
};

}  // namespace velmora
