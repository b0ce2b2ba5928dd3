#include "document/coordinate_dialog.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "base/c_format.h"
#include "base/string_table.h"
#include "document/document.h"
#include "document/motion_conversion.h"
#include "geometry/base_rotations.h"
#include "geometry/coordinate_system.h"

namespace velmora {

namespace {

// Radio buttons of one group: the clicked one is checked and the others cleared, whatever the
// window does on its own, so the state read back is always one choice.
void CheckOnly(ControlView& view, int firstId, int count, int index) {
  for (int i = 0; i < count; ++i) {
    view.SetCheck(firstId + i, i == index ? CheckState::kChecked : CheckState::kUnchecked);
  }
}

}  // namespace

ConversionDialog::ConversionDialog(ControlView& view, int loadConversionType)
    : view_(view),
      loadConversionType_(loadConversionType),
      result_(loadConversionType == 1 || loadConversionType == 2 ? kKeepMotorValues
                                                                 : kKeepCoordinates) {}

void ConversionDialog::OnInit() {
  view_.Beep();
  result_ =
      (loadConversionType_ == 1 || loadConversionType_ == 2) ? kKeepMotorValues : kKeepCoordinates;
  CheckOnly(view_, conversion_ids::kKeepCoordinates, 2, result_);
}

bool ConversionDialog::OnClick(int id) {
  switch (id) {
    case conversion_ids::kKeepCoordinates:
      result_ = kKeepCoordinates;
      CheckOnly(view_, conversion_ids::kKeepCoordinates, 2, 0);
      return false;
    case conversion_ids::kKeepMotorValues:
      result_ = kKeepMotorValues;
      CheckOnly(view_, conversion_ids::kKeepCoordinates, 2, 1);
      return false;
    case conversion_ids::kOk:
      return true;
    case conversion_ids::kCancel:
      result_ = kConversionCancelled;
      return true;
    default:
      return false;
  }
}

CoordinateSystemDialog::CoordinateSystemDialog(ControlView& view, Geometry& geometry, Document& doc,
                                               Guarded<Settings>& settings,
                                               ConversionDialogRunner runConversion,
                                               ConvertedRowsRefresh refresh)
    : view_(view),
      geometry_(geometry),
      doc_(doc),
      settings_(settings),
      runConversion_(std::move(runConversion)),
      refresh_(std::move(refresh)) {}

void CoordinateSystemDialog::OnInit() {
  using namespace coordinate_ids;
  const ArmGeometry g = geometry_.Get();
  const Settings s = settings_.Get();

  std::vector<std::string> angles;
  for (int label : kBaseRotationLabels) angles.push_back(LoadText(label));
  view_.SetItems(kAngle, angles);
  // A rotation that is none of the four (typed into def.ini by hand) shows no selection; applying
  // without picking an angle then keeps it.
  view_.SetSelection(kAngle, BaseRotationIndex(g.coords.baseRotation));

  view_.SetItems(kLoadConversion, {LoadText(40046), LoadText(40047), LoadText(40048)});
  view_.SetSelection(kLoadConversion, s.loadConvType);
  view_.SetCheck(kShowLoadDialog,
                 s.loadDialogEnable != 0 ? CheckState::kChecked : CheckState::kUnchecked);

  view_.SetText(kOffsetX, FormatFixed(g.coords.centreOffsetX, 6, true));
  view_.SetText(kOffsetY, FormatFixed(g.coords.centreOffsetY, 6, true));

  view_.SetItems(kArmBend, {LoadText(40042), LoadText(40041)});
  view_.SetSelection(kArmBend, g.armSign != 0 ? 1 : 0);

  const int claw = g.coords.clawPosition;
  CheckOnly(view_, kClaw1, kClawCount, claw >= 0 && claw <= 2 ? claw : 3);
}

bool CoordinateSystemDialog::OnClick(int id) {
  using namespace coordinate_ids;
  if (id == kApply) {
    Apply();
    return false;
  }
  if (id == kClose) return true;
  if (id >= kClaw1 && id < kClaw1 + kClawCount) CheckOnly(view_, kClaw1, kClawCount, id - kClaw1);
  return false;
}

// An offset that is not a number, or too large for the single-precision placement transforms,
// reads as 0 like any other text without a number: it would otherwise turn every coordinate of
// every Pose into inf or nan and be written into def.ini and the motion files.
double CoordinateSystemDialog::ReadOffset(int id) {
  double v = ParseDouble(view_.Text(id));
  if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) v = 0;
  view_.SetText(id, FormatFixed(v, 6, true));
  return v;
}

CoordinateSystemDialog::ApplyResult CoordinateSystemDialog::Apply() {
  using namespace coordinate_ids;
  if (view_.Ask(LoadText(40018), MessageButtons::kYesNo, MessageIcon::kQuestion) !=
      MessageAnswer::kYes) {
    return ApplyResult::kDeclined;
  }

  const double x = ReadOffset(kOffsetX);
  const double y = ReadOffset(kOffsetY);
  const CoordinateSystem now = geometry_.Coords();
  double rotation = now.baseRotation;
  BaseRotationAt(view_.Selection(kAngle), &rotation);
  int claw = 0;
  for (int i = 0; i < kClawCount; ++i) {
    if (view_.Check(kClaw1 + i) == CheckState::kChecked) {
      claw = i;
      break;
    }
  }

  ApplyResult result = ApplyResult::kStored;
  if (x != now.centreOffsetX || y != now.centreOffsetY || rotation != now.baseRotation ||
      claw != now.clawPosition) {
    const int method =
        runConversion_ ? runConversion_(settings_.Get().loadConvType) : kConversionCancelled;
    if (method != kKeepCoordinates && method != kKeepMotorValues) return ApplyResult::kCancelled;
    geometry_.SetClawPosition(claw);
    geometry_.SetCoordinateSystem(x, y, rotation);
    // ArmSign is stored only below, so Poses whose ID2 is 0 keep the elbow side they were made
    // with while they are converted.
    ConvertMotion(doc_, geometry_, method, refresh_);
    result = ApplyResult::kConverted;
  }

  const bool showDialog = view_.Check(kShowLoadDialog) == CheckState::kChecked;
  const int loadSelection = view_.Selection(kLoadConversion);
  settings_.Update([&](Settings& s) {
    s.loadDialogEnable = showDialog ? 1 : 0;
    s.loadConvType = loadSelection < 0 ? 0 : loadSelection > 2 ? 2 : loadSelection;
  });
  // The combo always holds a selection once the dialog is open; should it lose it, the elbow side
  // stays as it was rather than turning into "clockwise" through a stray -1.
  const int armSelection = view_.Selection(kArmBend);
  if (armSelection >= 0) geometry_.SetArmSign(armSelection);
  return result;
}

}  // namespace velmora
