#include "simulator/simulator_settings_dialog.h"

#include <cmath>
#include <string>

#include "base/c_format.h"
#include "base/string_table.h"
#include "simulator/single_precision.h"

namespace velmora {

namespace {

constexpr int kApplyQuestion = 40018;  // "設定を適用します。よろしいですか？"
constexpr std::size_t kMaxFieldText = 1023;

std::string FieldText(const ControlView& view, int id) {
  std::string text = view.Text(id);
  if (text.size() > kMaxFieldText) text.resize(kMaxFieldText);
  return text;
}

// A field read the lenient way (leading blanks, as much as forms a number, 0 for none). A value
// that is not finite would end up in the kinematics or the drawing, so it counts as no number.
double FieldNumber(const ControlView& view, int id) {
  const double v = ParseDouble(FieldText(view, id));
  return std::isfinite(v) ? v : 0.0;
}

// The same, stored in single precision; a number too large for it counts as no number.
double FieldSingle(const ControlView& view, int id) {
  const float f = ToSingle(FieldNumber(view, id));
  return std::isfinite(f) ? static_cast<double>(f) : 0.0;
}

CheckState Checked(int value) { return value != 0 ? CheckState::kChecked : CheckState::kUnchecked; }

}  // namespace

SimulatorSettingsDialog::SimulatorSettingsDialog(ControlView& view, Guarded<Settings>& settings,
                                                 std::atomic<bool>& penTraceReset)
    : view_(view), settings_(settings), penTraceReset_(penTraceReset) {}

void SimulatorSettingsDialog::Fill(const Settings& s) {
  view_.SetText(kSimRangeLeft, FormatFixed(s.markerRange.left));
  view_.SetText(kSimRangeTop, FormatFixed(s.markerRange.top));
  view_.SetText(kSimRangeRight, FormatFixed(s.markerRange.right));
  view_.SetText(kSimRangeBottom, FormatFixed(s.markerRange.bottom));
  view_.SetCheck(kSimPenEnable, Checked(s.vpenEnable));
  view_.SetCheck(kSimPenFade, Checked(s.vpenIsFade));
  view_.SetCheck(kSimEnableMarkerLim, Checked(s.enableMarkerLim));
  view_.SetText(kSimPenThreshold, FormatFixed(s.vpenTh));
  view_.SetText(kSimPenPushIn, FormatFixed(s.vpenOvw));
  // "%d" of the unsigned count: a huge count read from a negative entry shows negative again.
  view_.SetText(kSimPenPoints, FormatInt(static_cast<int32_t>(s.vpenPoints)));
  view_.SetText(kSimScaling, FormatFixed(s.scaling));
}

void SimulatorSettingsDialog::OnInit() { Fill(settings_.Get()); }

bool SimulatorSettingsDialog::OnApply() {
  if (view_.Ask(LoadText(kApplyQuestion), MessageButtons::kYesNo, MessageIcon::kQuestion) !=
      MessageAnswer::kYes) {
    return false;
  }

  MarkerRange range;
  range.left = FieldSingle(view_, kSimRangeLeft);
  range.right = FieldSingle(view_, kSimRangeRight);
  range.top = FieldSingle(view_, kSimRangeTop);
  range.bottom = FieldSingle(view_, kSimRangeBottom);
  // The smaller edge wins; the range is never swapped.
  if (range.bottom < range.top) range.bottom = range.top;
  if (range.right < range.left) range.right = range.left;

  const double threshold = FieldNumber(view_, kSimPenThreshold);
  double pushIn = FieldNumber(view_, kSimPenPushIn);
  if (pushIn < 0) pushIn = 0;
  uint32_t points = ParseUnsigned(FieldText(view_, kSimPenPoints));
  if (points < 2) points = 2;

  const int penEnable = view_.Check(kSimPenEnable) == CheckState::kChecked ? 1 : 0;
  const int penFade = view_.Check(kSimPenFade) == CheckState::kChecked ? 1 : 0;
  const int markerLim = view_.Check(kSimEnableMarkerLim) == CheckState::kChecked ? 1 : 0;

  // A magnification beyond the single-precision range becomes infinite and is limited like any
  // other large value.
  float scaling = ToSingle(ParseDouble(FieldText(view_, kSimScaling)));
  if (std::isnan(scaling) || scaling < 1.0f) {
    scaling = 1.0f;
  } else if (scaling > 3.0f) {
    scaling = 3.0f;
  }

  Settings stored;
  settings_.Update([&](Settings& s) {
    s.markerRange = range;
    s.vpenTh = threshold;
    s.vpenOvw = pushIn;
    s.vpenPoints = points;
    s.vpenEnable = penEnable;
    s.vpenIsFade = penFade;
    s.enableMarkerLim = markerLim;
    s.scaling = scaling;
    stored = s;
  });
  penTraceReset_.store(true);
  Fill(stored);
  return true;
}

void SimulatorSettingsDialog::OnClick(int id) {
  if (id == kSimApply) OnApply();
}

}  // namespace velmora
