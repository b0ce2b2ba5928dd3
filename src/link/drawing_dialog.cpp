#include "link/drawing_dialog.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/c_format.h"
#include "base/control_view.h"
#include "base/string_table.h"
#include "document/document.h"
#include "document/pose_edit_pane.h"

namespace velmora {

namespace {

constexpr int kOutsideText = 41308;     // "腕の届かないストローク："
constexpr int kCountUnitText = 41309;   // "本"
constexpr int kStrokesText = 41310;     // "ストローク"
constexpr int kPosesText = 41311;       // "ポーズ"
constexpr int kLiftsText = 41312;       // "ペン上げ"
constexpr int kTravelText = 41313;      // "移動"
constexpr int kTotalText = 41314;       // "全体"
constexpr int kDeviationText = 41315;   // "最大ずれ"
constexpr int kSecondsText = 41316;     // "秒"
constexpr int kMissingText = 41317;     // "フォントにない文字："
constexpr int kBadFieldText = 41318;    // the ranges of the fields
constexpr int kNothingText = 41307;     // "描くものがありません。"
constexpr int kFirstAlignText = 41319;  // 41319..41321: left, centre, right

using namespace drawing_limits;

bool ReadNumber(const ControlView& view, int id, double low, double high, double& value) {
  std::size_t used = 0;
  const std::string text = view.Text(id);
  const double v = ParseDouble(text, &used);
  if (used == 0 || !std::isfinite(v) || v < low || v > high) return false;
  value = v;
  return true;
}

}  // namespace

DrawingDialog::DrawingDialog(ControlView& view, const ArmGeometry& g, DrawingSource source,
                             DrawingOptions options, Pose from)
    : view_(view),
      g_(g),
      fonts_(std::move(source.fonts)),
      kana_(std::move(source.kana)),
      drawing_(std::move(source.drawing)),
      options_(options),
      from_(from) {}

void DrawingDialog::OnInit() {
  if (TextMode()) {
    std::vector<std::string> names;
    for (const FontChoice& f : fonts_) names.push_back(f.name);
    view_.SetItems(kDrawingFontCombo, names);
    view_.SetSelection(kDrawingFontCombo, 0);
    view_.SetItems(kDrawingAlignCombo, {LoadText(kFirstAlignText), LoadText(kFirstAlignText + 1),
                                        LoadText(kFirstAlignText + 2)});
    view_.SetSelection(kDrawingAlignCombo, 0);
    view_.SetText(kDrawingHeightField, FormatFixed(text_.heightMm, 1));
    view_.SetText(kDrawingSpacingField, FormatFixed(text_.lineSpacing, 2));
    LayOutText();
  } else {
    for (int id : {kDrawingFontCombo, kDrawingTextField, kDrawingHeightField,
                   kDrawingSpacingField, kDrawingAlignCombo}) {
      view_.Enable(id, false);
    }
    flat_ = FlattenDrawing(drawing_);
  }
  placement_ = InitialPlacement(g_, options_.reach, flat_);
  view_.SetText(kDrawingToleranceField, FormatFixed(options_.toleranceMm, 2));
  view_.SetText(kDrawingSpeedField, FormatFixed(options_.speedMmPerS, 1));
  view_.SetText(kDrawingLiftField, FormatFixed(options_.liftMs, 0));
  view_.SetCheck(kDrawingFileOrderCheck,
                 options_.keepFileOrder ? CheckState::kChecked : CheckState::kUnchecked);
  ShowPlacement();
  Update();
}

void DrawingDialog::LayOutText() {
  const int pick = view_.Selection(kDrawingFontCombo);
  const FontChoice& font = fonts_[pick >= 0 && static_cast<std::size_t>(pick) < fonts_.size()
                                      ? static_cast<std::size_t>(pick)
                                      : 0];
  const int align = view_.Selection(kDrawingAlignCombo);
  text_.align = align == 1 ? TextAlign::kCentre : align == 2 ? TextAlign::kRight : TextAlign::kLeft;
  TextLayout layout = LayoutText(font.font, view_.Text(kDrawingTextField), text_,
                                 kana_.glyphs.empty() ? nullptr : &kana_);
  drawing_ = std::move(layout.drawing);
  missing_ = std::move(layout.missing);
  flat_ = FlattenDrawing(drawing_);
  // The text keeps the height asked for: the width follows it.
  const double own = flat_.bounds.Width() > 0 ? flat_.bounds.Width() : flat_.bounds.Height();
  placement_.widthMm = std::max(0.0, own);
  std::string missing;
  if (!missing_.empty()) {
    std::u32string spaced;
    for (char32_t c : missing_) {
      if (!spaced.empty()) spaced += U' ';
      spaced += c;
    }
    missing = LoadText(kMissingText) + ToUtf8(spaced);
  }
  view_.SetText(kDrawingMissingText, missing);
}

void DrawingDialog::ShowPlacement() {
  view_.SetText(kDrawingXField, FormatFixed(placement_.centreX, 1));
  view_.SetText(kDrawingYField, FormatFixed(placement_.centreY, 1));
  view_.SetText(kDrawingWidthField, FormatFixed(placement_.widthMm, 1));
  view_.SetText(kDrawingRotationField, FormatFixed(placement_.rotationDeg, 1));
}

bool DrawingDialog::ReadFields() {
  bool ok = ReadNumber(view_, kDrawingXField, -kMaxOffset, kMaxOffset, placement_.centreX);
  ok = ReadNumber(view_, kDrawingYField, -kMaxOffset, kMaxOffset, placement_.centreY) && ok;
  ok = ReadNumber(view_, kDrawingWidthField, kMinWidth, kMaxWidth, placement_.widthMm) && ok;
  ok = ReadNumber(view_, kDrawingRotationField, -kMaxRotation, kMaxRotation,
                  placement_.rotationDeg) &&
       ok;
  ok = ReadNumber(view_, kDrawingToleranceField, DrawingOptions::kMinToleranceMm,
                  DrawingOptions::kMaxToleranceMm, options_.toleranceMm) &&
       ok;
  ok = ReadNumber(view_, kDrawingSpeedField, kMinSpeed, kMaxSpeed, options_.speedMmPerS) && ok;
  ok = ReadNumber(view_, kDrawingLiftField, kMinLift, kMaxLift, options_.liftMs) && ok;
  options_.keepFileOrder = view_.Check(kDrawingFileOrderCheck) == CheckState::kChecked;
  return ok;
}

void DrawingDialog::Update() {
  const bool fields = ReadFields();
  valid_ = false;
  if (!fields) {
    plan_ = {};
    view_.SetText(kDrawingReachText, "");
    view_.SetText(kDrawingSummaryText, LoadText(kBadFieldText));
  } else if (drawing_.strokes.empty()) {
    plan_ = {};
    view_.SetText(kDrawingReachText, "");
    view_.SetText(kDrawingSummaryText, LoadText(kNothingText));
  } else {
    plan_ = PlanDrawing(g_, drawing_, flat_, placement_, options_, from_);
    const std::size_t outside = plan_.reach.strokesOutside;
    view_.SetText(kDrawingReachText,
                  outside == 0 ? std::string()
                               : LoadText(kOutsideText) + " " +
                                     FormatInt(static_cast<int64_t>(outside)) + " " +
                                     LoadText(kCountUnitText));
    view_.SetText(kDrawingSummaryText, outside == 0 ? DrawingSummaryText(plan_.summary) : "");
    valid_ = outside == 0 && !plan_.poses.empty();
  }
  view_.Enable(kDrawingOkButton, valid_);
  ++revision_;
}

void DrawingDialog::OnChange(int id) {
  if (TextMode() && (id == kDrawingTextField || id == kDrawingHeightField ||
                     id == kDrawingSpacingField)) {
    double height = text_.heightMm;
    double spacing = text_.lineSpacing;
    if (ReadNumber(view_, kDrawingHeightField, kMinHeight, kMaxHeight, height) &&
        ReadNumber(view_, kDrawingSpacingField, kMinSpacing, kMaxSpacing, spacing)) {
      text_.heightMm = height;
      text_.lineSpacing = spacing;
      LayOutText();
      view_.SetText(kDrawingWidthField, FormatFixed(placement_.widthMm, 1));
    }
  }
  if (TextMode() && id == kDrawingWidthField) {
    // A new width scales the text: its height follows.
    double width = 0;
    const double own = flat_.bounds.Width();
    if (ReadNumber(view_, kDrawingWidthField, kMinWidth, kMaxWidth, width) && own > 0) {
      text_.heightMm = text_.heightMm * width / own;
      view_.SetText(kDrawingHeightField, FormatFixed(text_.heightMm, 2));
      LayOutText();
      placement_.widthMm = width;
    }
  }
  Update();
}

void DrawingDialog::OnSelChange(int id) {
  if (TextMode() && (id == kDrawingFontCombo || id == kDrawingAlignCombo)) {
    LayOutText();
    view_.SetText(kDrawingWidthField, FormatFixed(placement_.widthMm, 1));
  }
  Update();
}

void DrawingDialog::OnClick(int id) {
  switch (id) {
    case kDrawingFitButton: {
      ReadFields();
      const double w = FitWidth(g_, options_.reach, flat_, placement_, kMaxWidth);
      if (w > 0) {
        if (TextMode() && flat_.bounds.Width() > 0) {
          text_.heightMm = text_.heightMm * w / flat_.bounds.Width();
          view_.SetText(kDrawingHeightField, FormatFixed(text_.heightMm, 2));
          LayOutText();
        }
        // Shown to a tenth of a millimetre, rounded down so that the shown size fits too.
        placement_.widthMm = std::floor(w * 10) / 10;
        view_.SetText(kDrawingWidthField, FormatFixed(placement_.widthMm, 1));
      }
      Update();
      break;
    }
    case kDrawingFileOrderCheck:
      Update();
      break;
    case kDrawingOkButton:
      result_ = valid_ ? 1 : 0;
      break;
    default:
      result_ = 0;
      break;
  }
}

std::string DrawingSummaryText(const DrawingSummary& s) {
  const std::string sep = "、";
  return LoadText(kStrokesText) + " " + FormatInt(static_cast<int64_t>(s.strokes)) + sep +
         LoadText(kPosesText) + " " + FormatInt(static_cast<int64_t>(s.poses)) + sep +
         LoadText(kLiftsText) + " " + FormatInt(static_cast<int64_t>(s.lifts)) + sep +
         LoadText(kTravelText) + " " + FormatFixed(s.travelSeconds, 1) + " " +
         LoadText(kSecondsText) + sep + LoadText(kTotalText) + " " +
         FormatFixed(s.totalSeconds, 1) + " " + LoadText(kSecondsText) + sep +
         LoadText(kDeviationText) + " " + FormatFixed(s.maxDeviationMm, 2) + " mm";
}

bool InsertDrawing(PoseEditPane& pane, const std::vector<Pose>& poses) {
  if (poses.empty()) return false;
  std::size_t first = 0;
  pane.Doc().motion.Modify([&](std::vector<Pose>& list, std::size_t& current) {
    first = list.empty() ? 0 : std::min(current + 1, list.size());
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(first), poses.begin(), poses.end());
    current = first + poses.size() - 1;
  });
  pane.ShowAddedRows(first, poses.size());
  RecordStep(pane.Doc());
  return true;
}

}  // namespace velmora
