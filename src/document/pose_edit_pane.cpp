#include "document/pose_edit_pane.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/c_format.h"
#include "base/control_view.h"
#include "base/flag_scope.h"
#include "base/string_table.h"
#include "document/document.h"
#include "document/pose_list_view.h"
#include "document/pose_pane_controls.h"
#include "document/pose_row_text.h"
#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"

namespace velmora {

namespace {

enum SyncBits : uint32_t {
  kSyncList = 1u << 0,
  kSyncSelection = 1u << 1,
  kSyncFields = 1u << 2,
  kSyncCurrentRow = 1u << 3,
  kSyncEnabled = 1u << 4,
  kSyncEnsureVisible = 1u << 5,
};

constexpr uint32_t kMaxGoalTime = 65535;
constexpr uint32_t kMinTransitionTime = 10;
constexpr uint32_t kMaxTransitionTime = 655350;
constexpr uint32_t kFieldEditGoalTime = 50;  // 0.5 s for edits made in the pane or by dragging

constexpr std::array<int, 3> kInterpolationTextIds{40014, 40015, 40016};
constexpr std::array<int, 2> kArcDirectionTextIds{40041, 40042};

int IndexOf(const std::array<int, 5>& ids, int id) {
  const auto it = std::find(ids.begin(), ids.end(), id);
  return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

// Changes the current Pose in place under the Motion's lock and returns the result; none when the
// Motion is empty (only after it was freed at exit). Only that Pose counts as changed, so an undo
// step after a pane edit copies the chunk around it and shares the rest of the Motion.
template <typename F>
std::optional<Pose> UpdateCurrent(Motion& motion, F&& f) {
  return motion.UpdateCurrent([&](Pose& pose) { f(pose); });
}

// A real typed into a field; text that gives no finite number leaves the value as it was, so an
// infinity or NaN never reaches the kinematics, the files or the robot.
double FiniteOr(const std::string& text, double previous) {
  const double v = ParseDouble(text);
  return std::isfinite(v) ? v : previous;
}

// The arc radius as its field shows it and reads it back: "%+f", then atof.
double ThroughRadiusField(double radius) { return ParseDouble(FormatFixed(radius, 6, true)); }

}  // namespace

void SendPoseToServos(ServoPort& servos, const Pose& pose, uint32_t goalTime) {
  const auto time = static_cast<uint16_t>(std::min(goalTime, kMaxGoalTime));
  for (int k = 0; k < kMotorCount; ++k) {
    if (pose.excluded[k] == 0) servos.QueueGoal(k + 1, pose.motorValues[k], time);
  }
}

uint32_t NormaliseTransitionTime(uint32_t milliseconds) {
  const uint32_t t = milliseconds - milliseconds % 10;
  return std::clamp(t, kMinTransitionTime, kMaxTransitionTime);
}

void NormaliseShownPose(Pose& pose) {
  pose.transitionTime = NormaliseTransitionTime(pose.transitionTime);
  pose.arcRadius = ThroughRadiusField(pose.arcRadius);
}

PoseEditPane::PoseEditPane(Document& doc, Geometry& geometry, ServoPort& servos)
    : doc_(doc), geometry_(geometry), servos_(servos) {}

// ---- Views ----

void PoseEditPane::AttachViews(ControlView& fields, PoseListView& list) {
  fields_ = &fields;
  list_ = &list;
}

void PoseEditPane::DetachViews() {
  fields_ = nullptr;
  list_ = nullptr;
}

void PoseEditPane::Initialise() {
  if (fields_ == nullptr) return;
  FlagScope writing(writing_);
  const ArmGeometry g = geometry_.Get();
  for (int k = 0; k < kMotorCount; ++k) {
    const int limit = g.motorLimits[k];
    fields_->SetRange(kMotorTrackbarIds[k], -limit, limit);
  }
  std::vector<std::string> items;
  for (int id : kInterpolationTextIds) items.push_back(LoadText(id));
  fields_->SetItems(kInterpolationListId, items);
  items.clear();
  for (int id : kArcDirectionTextIds) items.push_back(LoadText(id));
  fields_->SetItems(kArcDirectionListId, items);
  WriteEnabled();
}

void PoseEditPane::SyncViews() {
  if (fields_ == nullptr || list_ == nullptr) return;
  const uint32_t bits = pending_.exchange(0);
  if (bits == 0) return;
  FlagScope writing(writing_);
  if (bits & kSyncList) list_->SetRows(doc_.motion);
  if (bits & (kSyncList | kSyncSelection)) {
    list_->SetSelection(selection_.Selected(), selection_.Focused());
  }
  if ((bits & kSyncCurrentRow) && !(bits & kSyncList)) WriteCurrentRow();
  if (bits & kSyncFields) WriteFields(doc_.motion.Current());
  if (bits & kSyncEnabled) WriteEnabled();
  if (bits & kSyncEnsureVisible) {
    const long row = ensureVisibleRow_.load();
    if (row >= 0 && static_cast<std::size_t>(row) < doc_.motion.Size()) {
      list_->EnsureVisible(static_cast<std::size_t>(row));
    }
  }
}

void PoseEditPane::WriteFields(const Pose& p) {
  for (int k = 0; k < kMotorCount; ++k) {
    fields_->SetPosition(kMotorTrackbarIds[k], p.motorValues[k]);
    fields_->SetText(kMotorValueFieldIds[k], FormatInt(p.motorValues[k], true));
    fields_->SetCheck(kMotorCheckIds[k],
                      p.excluded[k] == 0 ? CheckState::kChecked : CheckState::kUnchecked);
  }
  // A value the list has no item for (possible from a file) shows no selection.
  fields_->SetSelection(kInterpolationListId,
                        p.interpolation >= 0 && p.interpolation <= 2 ? p.interpolation : -1);
  fields_->SetSelection(kArcDirectionListId,
                        p.arcDirection == 0 || p.arcDirection == 1 ? p.arcDirection : -1);
  fields_->SetText(kXFieldId, FormatFixed(p.x, 6, true));
  fields_->SetText(kYFieldId, FormatFixed(p.y, 6, true));
  fields_->SetText(kZFieldId, FormatFixed(p.z, 6, true));
  fields_->SetText(kHandWidthFieldId, FormatFixed(p.handWidth, 6, true));
  fields_->SetText(kTransitionTimeFieldId, FormatInt(static_cast<int32_t>(p.transitionTime)));
  fields_->SetText(kArcRadiusFieldId, FormatFixed(p.arcRadius, 6, true));
  fields_->SetText(kRotationFieldId, FormatFixed(p.rotation, 6, true));
}

void PoseEditPane::WriteCoordinateFields(const Pose& p) {
  fields_->SetText(kXFieldId, FormatFixed(p.x, 6, true));
  fields_->SetText(kYFieldId, FormatFixed(p.y, 6, true));
  fields_->SetText(kZFieldId, FormatFixed(p.z, 6, true));
  fields_->SetText(kHandWidthFieldId, FormatFixed(p.handWidth, 6, true));
  fields_->SetText(kRotationFieldId, FormatFixed(p.rotation, 6, true));
}

void PoseEditPane::WriteCurrentRow() {
  std::size_t row = 0;
  Pose pose;
  bool found = false;
  doc_.motion.Read([&](const std::vector<Pose>& poses, std::size_t current) {
    if (current >= poses.size()) return;
    row = current;
    pose = poses[current];
    found = true;
  });
  if (found) list_->SetRowTexts(row, RowTexts(pose, row + 1));
}

void PoseEditPane::WriteEnabled() {
  const bool on = fieldsEnabled_.load();
  for (int k = 0; k < kMotorCount; ++k) {
    fields_->Enable(kMotorCheckIds[k], on);
    fields_->Enable(kMotorTrackbarIds[k], on);
    fields_->Enable(kMotorValueFieldIds[k], on);
  }
  for (int id : kCoordinateFieldIds) fields_->Enable(id, on);
  fields_->Enable(kTransitionTimeFieldId, on);
  fields_->Enable(kArcRadiusFieldId, on);
  fields_->Enable(kInterpolationListId, on);
  fields_->Enable(kArcDirectionListId, on);
}

void PoseEditPane::MarkPending(uint32_t syncBits, uint32_t changeBits) {
  pending_.fetch_or(syncBits);
  doc_.sink->Notify(changeBits);
}

// ---- Any thread ----

void PoseEditPane::FillPoseList() {
  const std::size_t current = doc_.motion.CurrentIndex();
  selection_.SelectOnly(doc_.motion.Empty() ? -1 : static_cast<long>(current));
  MarkPending(kSyncList | kSyncSelection, kChangeMotion | kChangeHighlight);
  // Focusing the current row makes its Pose current, as a click on it would.
  SelectPose(current);
}

void PoseEditPane::ShowPose(PlaybackSpeed speed) {
  const std::optional<Pose> shown = UpdateCurrent(doc_.motion, NormaliseShownPose);
  if (!shown) return;
  SendPoseToServos(servos_, *shown, ScaleTransitionTime(shown->transitionTime, speed) / 10);
  MarkPending(kSyncFields | kSyncCurrentRow, kChangeCurrentPose);
}

void PoseEditPane::RefreshCurrentRow() {
  UpdateArcGuide(geometry_, doc_.motion);
  MarkPending(kSyncCurrentRow, kChangeCurrentPose);
}

bool PoseEditPane::SelectPose(std::size_t index, PlaybackSpeed speed) {
  if (!doc_.motion.SetCurrentIndex(index)) return false;
  ShowPose(speed);
  UpdateArcGuide(geometry_, doc_.motion);
  return true;
}

void PoseEditPane::HighlightRow(std::size_t index) {
  selection_.SelectOnly(static_cast<long>(index));
  MarkPending(kSyncSelection, kChangeHighlight);
}

void PoseEditPane::ShowSelection() { MarkPending(kSyncSelection, kChangeHighlight); }

void PoseEditPane::EnablePaneFields(bool enable) {
  fieldsEnabled_.store(enable);
  MarkPending(kSyncEnabled, kChangeBusy);
}

void PoseEditPane::EnsureCurrentVisible() {
  ensureVisibleRow_.store(static_cast<long>(doc_.motion.CurrentIndex()));
  MarkPending(kSyncEnsureVisible, kChangeHighlight);
}

void PoseEditPane::ShowAddedRows(std::size_t first, std::size_t count) {
  FillPoseList();
  Selection().Add(first, count);
  ShowSelection();
  EnsureCurrentVisible();
  SyncViews();
}

void PoseEditPane::RefreshAfterReplace() {
  FillPoseList();
  ShowPose();
  EnsureCurrentVisible();
}

// ---- UI thread ----

bool PoseEditPane::MoveCurrentTo(double x, double y) {
  const Pose current = doc_.motion.Current();
  return MoveCurrentTo(x, y, current.z);
}

bool PoseEditPane::MoveCurrentTo(double x, double y, double z) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
  const ArmGeometry g = geometry_.Get();
  const std::optional<Pose> moved = UpdateCurrent(doc_.motion, [&](Pose& p) {
    p.x = x;
    p.y = y;
    p.z = z;
    InverseKinematics(g, p.x, p.y, p.z, p.rotation, p.handWidth, p);
  });
  if (!moved) return false;
  ShowPose();
  RefreshCurrentRow();
  SendPoseToServos(servos_, doc_.motion.Current(), kFieldEditGoalTime);
  SyncViews();
  return true;
}

void PoseEditPane::RefreshRow(std::size_t row) {
  if (list_ == nullptr) return;
  const std::optional<Pose> pose = doc_.motion.PoseAt(row);
  if (!pose) return;
  FlagScope writing(writing_);
  list_->SetRowTexts(row, RowTexts(*pose, row + 1));
}

void PoseEditPane::RefreshConvertedRows(const std::vector<std::size_t>& rows) {
  const std::size_t current = doc_.motion.CurrentIndex();
  bool currentConverted = false;
  for (std::size_t row : rows) {
    RefreshRow(row);
    currentConverted = currentConverted || row == current;
  }
  if (currentConverted) SelectPose(current);
}

void PoseEditPane::CommitPendingEdit() {
  if (!editPending_) return;
  FinishFieldEdit(Notice::kFocusLost);
  SyncViews();
}

// ---- Events ----

void PoseEditPane::OnChange(int id) { HandleNotice(id, Notice::kChange); }
void PoseEditPane::OnFocusLost(int id) { HandleNotice(id, Notice::kFocusLost); }
void PoseEditPane::OnClick(int id) { HandleNotice(id, Notice::kClick); }
void PoseEditPane::OnSelChange(int id) { HandleNotice(id, Notice::kSelChange); }

void PoseEditPane::OnScroll(int id, bool endTrack) {
  if (fields_ == nullptr || writing_ || !fieldsEnabled_.load()) return;
  const int motor = IndexOf(kMotorTrackbarIds, id);
  if (motor >= 0) OnTrackbar(motor, endTrack);
}

void PoseEditPane::OnListSelectionChanged(std::vector<std::size_t> selected, long focused) {
  if (writing_) return;
  selection_.Set(std::move(selected), focused);
  if (focused >= 0) SelectPose(static_cast<std::size_t>(focused));
  SyncViews();
}

void PoseEditPane::OnListFocusChanged(bool hasFocus) { selection_.listHasFocus.store(hasFocus); }

void PoseEditPane::HandleNotice(int id, Notice notice) {
  // The pane's own writes are not edits, and a disabled field takes no input (the playback or
  // recording thread owns the current Pose meanwhile).
  if (fields_ == nullptr || writing_ || !fieldsEnabled_.load()) return;
  int motor = -1;
  if (IndexOf(kCoordinateFieldIds, id) >= 0) {
    OnCoordinateField(notice);
  } else if ((motor = IndexOf(kMotorValueFieldIds, id)) >= 0) {
    OnMotorField(motor, notice);
  } else if ((motor = IndexOf(kMotorCheckIds, id)) >= 0) {
    OnCheckBox(motor, notice);
  } else if (id == kTransitionTimeFieldId) {
    OnTransitionTimeField(notice);
  } else if (id == kArcRadiusFieldId) {
    OnArcRadiusField(notice);
  } else if (id == kInterpolationListId) {
    OnInterpolationList(notice);
  } else if (id == kArcDirectionListId) {
    OnArcDirectionList(notice);
  }
}

void PoseEditPane::FinishFieldEdit(Notice notice) {
  if (notice == Notice::kFocusLost) {
    ShowPose();
    RecordStep(doc_);
    editPending_ = false;
  } else {
    editPending_ = true;
  }
}

void PoseEditPane::OnCoordinateField(Notice notice) {
  std::array<std::string, 5> texts;
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = fields_->Text(kCoordinateFieldIds[i]);
  const ArmGeometry g = geometry_.Get();
  {
    FlagScope writing(writing_);
    const std::optional<Pose> p = UpdateCurrent(doc_.motion, [&](Pose& cur) {
      cur.x = FiniteOr(texts[0], cur.x);
      cur.y = FiniteOr(texts[1], cur.y);
      cur.z = FiniteOr(texts[2], cur.z);
      cur.rotation = FiniteOr(texts[3], cur.rotation);
      cur.handWidth = FiniteOr(texts[4], cur.handWidth);
      InverseKinematics(g, cur.x, cur.y, cur.z, cur.rotation, cur.handWidth, cur);
    });
    if (!p) return;
    for (int k = 0; k < kMotorCount; ++k) {
      fields_->SetPosition(kMotorTrackbarIds[k], p->motorValues[k]);
      fields_->SetText(kMotorValueFieldIds[k], FormatInt(p->motorValues[k], true));
    }
  }
  FinishFieldEdit(notice);
  RefreshCurrentRow();
  SendPoseToServos(servos_, doc_.motion.Current(), kFieldEditGoalTime);
  SyncViews();
}

void PoseEditPane::OnMotorField(int motor, Notice notice) {
  const int id = kMotorValueFieldIds[motor];
  const int64_t typed = ParseInt(fields_->Text(id));
  const ArmGeometry g = geometry_.Get();
  const int16_t value = LimitMotorValue(typed, g.motorLimits[motor]);
  {
    FlagScope writing(writing_);
    if (value != typed) fields_->SetText(id, FormatInt(value, true));
    const std::optional<Pose> p = UpdateCurrent(doc_.motion, [&](Pose& cur) {
      cur.motorValues[motor] = value;
      UpdateCoordinates(g, cur);
    });
    if (!p) return;
    WriteCoordinateFields(*p);
    RefreshCurrentRow();
    SendPoseToServos(servos_, *p, kFieldEditGoalTime);
    fields_->SetPosition(kMotorTrackbarIds[motor], value);
  }
  FinishFieldEdit(notice);
  SyncViews();
}

void PoseEditPane::OnTrackbar(int motor, bool endTrack) {
  const ArmGeometry g = geometry_.Get();
  const int16_t value =
      LimitMotorValue(fields_->Position(kMotorTrackbarIds[motor]), g.motorLimits[motor]);
  {
    FlagScope writing(writing_);
    const std::optional<Pose> p = UpdateCurrent(doc_.motion, [&](Pose& cur) {
      cur.motorValues[motor] = value;
      UpdateCoordinates(g, cur);
    });
    if (!p) return;
    fields_->SetText(kMotorValueFieldIds[motor], FormatInt(value, true));
    WriteCoordinateFields(*p);
    RefreshCurrentRow();
    SendPoseToServos(servos_, *p, kFieldEditGoalTime);
  }
  if (endTrack) RecordStep(doc_);
  SyncViews();
}

void PoseEditPane::OnTransitionTimeField(Notice notice) {
  const uint32_t t = NormaliseTransitionTime(ParseUnsigned(fields_->Text(kTransitionTimeFieldId)));
  if (!UpdateCurrent(doc_.motion, [&](Pose& cur) { cur.transitionTime = t; })) return;
  FinishFieldEdit(notice);
  RefreshCurrentRow();
  SyncViews();
}

void PoseEditPane::OnArcRadiusField(Notice notice) {
  const std::string text = fields_->Text(kArcRadiusFieldId);
  if (!UpdateCurrent(doc_.motion,
                     [&](Pose& cur) { cur.arcRadius = FiniteOr(text, cur.arcRadius); }))
    return;
  FinishFieldEdit(notice);
  RefreshCurrentRow();
  SyncViews();
}

void PoseEditPane::OnCheckBox(int motor, Notice notice) {
  const bool takesPart = fields_->Check(kMotorCheckIds[motor]) == CheckState::kChecked;
  if (!UpdateCurrent(doc_.motion, [&](Pose& cur) { cur.excluded[motor] = takesPart ? 0 : 1; }))
    return;
  if (notice == Notice::kClick) RecordStep(doc_);
  RefreshCurrentRow();
  SyncViews();
}

void PoseEditPane::OnInterpolationList(Notice notice) {
  const int selected = fields_->Selection(kInterpolationListId);
  // With no item selected (a value from a file the list has no item for) the value stays.
  if (!UpdateCurrent(doc_.motion, [&](Pose& cur) {
        if (selected >= 0) cur.interpolation = selected;
      }))
    return;
  if (notice == Notice::kSelChange) RecordStep(doc_);
  RefreshCurrentRow();
  SyncViews();
}

void PoseEditPane::OnArcDirectionList(Notice notice) {
  const int selected = fields_->Selection(kArcDirectionListId);
  if (!UpdateCurrent(doc_.motion, [&](Pose& cur) {
        cur.arcDirection = selected == 1 ? kCounterClockwise : kClockwise;
      }))
    return;
  if (notice == Notice::kSelChange) RecordStep(doc_);
  RefreshCurrentRow();
  SyncViews();
}

}  // namespace velmora
