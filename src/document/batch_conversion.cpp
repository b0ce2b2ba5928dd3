#include "document/batch_conversion.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "base/c_format.h"
#include "base/numeric.h"
#include "base/string_table.h"
#include "document/document.h"
#include "geometry/kinematics.h"

namespace velmora {

namespace {

constexpr int kNoChangeInterpolation = 3;
constexpr int kNoChangeDirection = 2;

constexpr uint32_t MotorBit(int i) { return uint32_t{kEntryMotor1} << i; }
constexpr uint32_t CheckBit(int i) { return uint32_t{kEntryCheck1} << i; }

// The kinematics work in single precision; a real entry or result beyond its range (or not a
// number at all) would turn into inf or nan there and then in the files. Such values are held at
// the edge of the range, and nan reads as 0 like any other text without a number.
double LimitReal(double v) {
  if (std::isnan(v)) return 0;
  const double m = std::numeric_limits<float>::max();
  return std::clamp(v, -m, m);
}

}  // namespace

uint32_t LimitBatchTransitionTime(int64_t ms) {
  ms = ms / 10 * 10;
  if (ms < 10) ms = 10;
  if (ms > 655350) ms = 655350;
  return static_cast<uint32_t>(ms);
}

void ApplyBatchEntries(const ArmGeometry& g, const std::array<int16_t, kMotorCount>& limits,
                       const BatchEntries& e, Pose& pose) {
  // Absolute mode adds to zero and relative mode to the Pose's own value, with the same rule.
  const Pose base = e.absolute ? Pose{} : pose;
  const uint32_t f = e.flags;

  if (e.interpolation >= kNone && e.interpolation <= kArc) pose.interpolation = e.interpolation;
  if (e.arcDirection == kClockwise || e.arcDirection == kCounterClockwise) {
    pose.arcDirection = e.arcDirection;
  }

  if (e.timeFactor && (f & kEntryTimeFactor)) {
    // A factor scales the Pose's own time in both modes.
    pose.transitionTime = LimitBatchTransitionTime(SaturatingTrunc(pose.transitionTime * e.factor));
  } else if (!e.timeFactor && (f & kEntryTimeMs)) {
    pose.transitionTime = LimitBatchTransitionTime(int64_t{base.transitionTime} + e.timeMs);
  }

  if (f & kEntryX) pose.x = LimitReal(base.x + e.x);
  if (f & kEntryY) pose.y = LimitReal(base.y + e.y);
  if (f & kEntryZ) pose.z = LimitReal(base.z + e.z);
  if (f & kEntryRotation) pose.rotation = LimitReal(base.rotation + e.rotation);
  if (f & kEntryHandWidth) pose.handWidth = LimitReal(base.handWidth + e.handWidth);
  if (f & kEntryArcRadius) pose.arcRadius = LimitReal(base.arcRadius + e.arcRadius);

  for (int i = 0; i < kMotorCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (f & MotorBit(i)) {
      pose.motorValues[k] = LimitMotorValue(int64_t{base.motorValues[k]} + e.motors[k], limits[k]);
    }
    if (f & CheckBit(i)) pose.excluded[k] = e.takesPart[k] ? 0 : 1;
  }

  // The scratch Pose carries the ID2 just set, so an ID2 entered together with X/Y picks the
  // elbow side of the recomputed solution.
  Pose scratch = pose;
  auto inverse = [&] {
    InverseKinematics(g, pose.x, pose.y, pose.z, pose.rotation, pose.handWidth, scratch);
  };
  if (f & (kEntryX | kEntryY)) {
    inverse();
    pose.motorValues[0] = scratch.motorValues[0];
    pose.motorValues[1] = scratch.motorValues[1];
  } else if (f & (MotorBit(0) | MotorBit(1))) {
    ForwardKinematics(g, pose, &pose.x, &pose.y, nullptr, nullptr, nullptr);
  }
  if (f & kEntryZ) {
    inverse();
    pose.motorValues[2] = scratch.motorValues[2];
  } else if (f & MotorBit(2)) {
    ForwardKinematics(g, pose, nullptr, nullptr, &pose.z, nullptr, nullptr);
  }
  if (f & kEntryRotation) {
    inverse();
    pose.motorValues[3] = scratch.motorValues[3];
  } else if (f & MotorBit(3)) {
    ForwardKinematics(g, pose, nullptr, nullptr, nullptr, &pose.rotation, nullptr);
  }
  if (f & kEntryHandWidth) {
    inverse();
    pose.motorValues[4] = scratch.motorValues[4];
  } else if (f & MotorBit(4)) {
    ForwardKinematics(g, pose, nullptr, nullptr, nullptr, nullptr, &pose.handWidth);
  }
}

bool ConfirmBatchConflicts(ControlView& view, uint32_t f) {
  struct Conflict {
    uint32_t coordinates;
    uint32_t motors;
    const char* text;
  };
  static constexpr Conflict kConflicts[] = {
      {kEntryX | kEntryY, MotorBit(0) | MotorBit(1),
       "X/Y座標とID1,ID2モータの両方に設定値を入力しています。\n"
       "この場合、X/Y座標に合わせてID1,ID2のモータ値が補正されます。\n"
       "よろしいですか?"},
      {kEntryZ, MotorBit(2),
       "Z座標とID3モータの両方に設定値を入力しています。\n"
       "この場合、Z座標に合わせてID3のモータ値が補正されます。\n"
       "よろしいですか?"},
      {kEntryRotation, MotorBit(3),
       "回転軸角度とID4モータの両方に設定値を入力しています。\n"
       "この場合、回転軸角度に合わせてID4のモータ値が補正されます。\n"
       "よろしいですか?"},
      {kEntryHandWidth, MotorBit(4),
       "ハンド軸幅とID5モータの両方に設定値を入力しています。\n"
       "この場合、ハンド軸幅に合わせてID5のモータ値が補正されます。\n"
       "よろしいですか?"},
  };
  for (const Conflict& c : kConflicts) {
    if ((f & c.coordinates) && (f & c.motors) &&
        view.Ask(c.text, MessageButtons::kYesNo, MessageIcon::kWarning) != MessageAnswer::kYes) {
      return false;
    }
  }
  return true;
}

bool CheckBatchSelection(ControlView& view, const std::vector<std::size_t>& selectedRows) {
  if (!selectedRows.empty()) return true;
  view.Ask("設定を変更するモーションを選択してください。", MessageButtons::kOk,
           MessageIcon::kWarning);
  return false;
}

BatchConversionDialog::BatchConversionDialog(ControlView& view, Document& doc, Geometry& geometry,
                                             BatchConversionModes& modes,
                                             std::vector<std::size_t> selectedRows,
                                             ConvertedRowsRefresh refresh)
    : view_(view),
      doc_(doc),
      geometry_(geometry),
      modes_(modes),
      rows_(std::move(selectedRows)),
      refresh_(std::move(refresh)) {
  std::sort(rows_.begin(), rows_.end());
  rows_.erase(std::unique(rows_.begin(), rows_.end()), rows_.end());
}

void BatchConversionDialog::OnInit() {
  using namespace batch_ids;
  updating_ = true;
  // The limits are copied once; the fields, the trackbars and the batch all use this copy.
  limits_ = geometry_.Get().motorLimits;
  for (int i = 0; i < kMotorCount; ++i) {
    const int lim = limits_[static_cast<std::size_t>(i)];
    view_.SetRange(kMotorTrack1 + i, -lim, lim);
    view_.SetPosition(kMotorTrack1 + i, 0);
    view_.SetCheck(kMotorCheck1 + i, CheckState::kIndeterminate);
    view_.SetText(kMotorValue1 + i, "");
  }
  for (int id : {kTimeMsValue, kTimeFactorValue, kX, kY, kZ, kRotation, kHandWidth, kArcRadius}) {
    view_.SetText(id, "");
  }

  view_.SetItems(kInterpolation,
                 {LoadText(40014), LoadText(40015), LoadText(40016), kNoChangeText});
  view_.SetSelection(kInterpolation, kNoChangeInterpolation);
  view_.SetItems(kArcDirection, {LoadText(40041), LoadText(40042), kNoChangeText});
  view_.SetSelection(kArcDirection, kNoChangeDirection);

  view_.SetCheck(kAbsolute, modes_.absolute ? CheckState::kChecked : CheckState::kUnchecked);
  view_.SetCheck(kRelative, modes_.absolute ? CheckState::kUnchecked : CheckState::kChecked);

  view_.SetCheck(kTimeFactor, modes_.timeFactor ? CheckState::kChecked : CheckState::kUnchecked);
  view_.SetCheck(kTimeMs, modes_.timeFactor ? CheckState::kUnchecked : CheckState::kChecked);
  view_.Enable(kTimeMsValue, !modes_.timeFactor);
  view_.Enable(kTimeFactorValue, modes_.timeFactor);
  updating_ = false;
}

bool BatchConversionDialog::OnClick(int id) {
  using namespace batch_ids;
  switch (id) {
    case kAbsolute:
    case kRelative:
      modes_.absolute = id == kAbsolute;
      view_.SetCheck(kAbsolute, modes_.absolute ? CheckState::kChecked : CheckState::kUnchecked);
      view_.SetCheck(kRelative, modes_.absolute ? CheckState::kUnchecked : CheckState::kChecked);
      return false;
    case kTimeMs:
    case kTimeFactor:
      modes_.timeFactor = id == kTimeFactor;
      view_.SetCheck(kTimeFactor,
                     modes_.timeFactor ? CheckState::kChecked : CheckState::kUnchecked);
      view_.SetCheck(kTimeMs, modes_.timeFactor ? CheckState::kUnchecked : CheckState::kChecked);
      view_.Enable(kTimeMsValue, !modes_.timeFactor);
      view_.Enable(kTimeFactorValue, modes_.timeFactor);
      return false;
    case kOk:
      return Ok();
    case kCancel:
      return true;
    default:
      return false;
  }
}

void BatchConversionDialog::OnChange(int id) {
  using namespace batch_ids;
  if (id < kMotorValue1 || id >= kMotorValue1 + kMotorCount || updating_) return;
  const int i = id - kMotorValue1;
  const int32_t lim = limits_[static_cast<std::size_t>(i)];
  updating_ = true;
  // Read whole and then limited, so that a long number typed in is pulled back to the limit
  // instead of wrapping round to some unrelated motor value.
  const int32_t typed = ParseInt(view_.Text(id));
  const int32_t value = std::clamp(typed, -lim, lim);
  view_.SetPosition(kMotorTrack1 + i, value);
  if (value != typed) view_.SetText(id, FormatInt(value, true));
  updating_ = false;
}

void BatchConversionDialog::OnScroll(int id, bool /*endTrack*/) {
  using namespace batch_ids;
  if (id < kMotorTrack1 || id >= kMotorTrack1 + kMotorCount || updating_) return;
  const int i = id - kMotorTrack1;
  updating_ = true;
  view_.SetText(kMotorValue1 + i, FormatInt(view_.Position(id), true));
  updating_ = false;
}

BatchEntries BatchConversionDialog::ReadEntries() {
  using namespace batch_ids;
  BatchEntries e;
  const int interpolation = view_.Selection(kInterpolation);
  if (interpolation >= kNone && interpolation <= kArc) e.interpolation = interpolation;
  const int direction = view_.Selection(kArcDirection);
  if (direction == kClockwise || direction == kCounterClockwise) e.arcDirection = direction;

  auto real = [&](int id, uint32_t bit, double& out) {
    const std::string text = view_.Text(id);
    if (text.empty()) return;
    e.flags |= bit;
    out = LimitReal(ParseDouble(text));
  };
  const std::string ms = view_.Text(kTimeMsValue);
  if (!ms.empty()) {
    e.flags |= kEntryTimeMs;
    e.timeMs = ParseInt(ms);
  }
  for (int i = 0; i < kMotorCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const std::string text = view_.Text(kMotorValue1 + i);
    if (!text.empty()) {
      e.flags |= MotorBit(i);
      e.motors[k] = std::clamp<int32_t>(ParseInt(text), -limits_[k], limits_[k]);
      view_.SetText(kMotorValue1 + i, FormatInt(e.motors[k], true));
    }
    const CheckState check = view_.Check(kMotorCheck1 + i);
    if (check != CheckState::kIndeterminate) {
      e.flags |= CheckBit(i);
      e.takesPart[k] = check == CheckState::kChecked;
    }
  }
  real(kX, kEntryX, e.x);
  real(kY, kEntryY, e.y);
  real(kZ, kEntryZ, e.z);
  real(kRotation, kEntryRotation, e.rotation);
  real(kHandWidth, kEntryHandWidth, e.handWidth);
  real(kArcRadius, kEntryArcRadius, e.arcRadius);
  const std::string factor = view_.Text(kTimeFactorValue);
  if (!factor.empty()) {
    e.flags |= kEntryTimeFactor;
    e.factor = ParseDouble(factor);  // nan and inf are held by the time limits
  }
  return e;
}

bool BatchConversionDialog::Ok() {
  using namespace batch_ids;
  if (view_.Ask("現在の設定を適用します。\nよろしいですか?", MessageButtons::kYesNo,
                MessageIcon::kQuestion) != MessageAnswer::kYes) {
    return false;
  }
  updating_ = true;  // rewriting the motor fields must not move the trackbars back and forth
  BatchEntries e = ReadEntries();
  updating_ = false;
  if (!ConfirmBatchConflicts(view_, e.flags)) return false;

  modes_.absolute = view_.Check(kAbsolute) == CheckState::kChecked;
  modes_.timeFactor = view_.Check(kTimeMs) != CheckState::kChecked;
  e.absolute = modes_.absolute;
  e.timeFactor = modes_.timeFactor;

  const ArmGeometry g = geometry_.Get();
  std::vector<std::size_t> converted;
  doc_.motion.Modify([&](std::vector<Pose>& poses, std::size_t&) {
    for (std::size_t row : rows_) {
      if (row >= poses.size()) continue;  // a row beyond the end of the Motion is skipped
      ApplyBatchEntries(g, limits_, e, poses[row]);
      converted.push_back(row);
    }
  });
  UpdateArcGuide(geometry_, doc_.motion);
  doc_.sink->Notify(kChangeMotion | kChangeCurrentPose);
  if (refresh_) refresh_(converted);
  RecordStep(doc_);
  applied_ = true;
  return true;
}

}  // namespace velmora
