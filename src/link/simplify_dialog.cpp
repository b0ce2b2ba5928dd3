#include "link/simplify_dialog.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "base/c_format.h"
#include "base/control_view.h"
#include "base/string_table.h"

namespace velmora {

namespace {

constexpr int kSummaryText = 41100;       // "ポーズ、最大ずれ"
constexpr int kBadToleranceText = 41101;  // the tolerance's range

}  // namespace

RowSpan SimplifyRows(const std::vector<std::size_t>& selected, std::size_t rowCount) {
  std::size_t first = rowCount;
  std::size_t last = 0;
  std::size_t count = 0;
  for (std::size_t row : selected) {
    if (row >= rowCount) continue;
    first = std::min(first, row);
    last = std::max(last, row);
    ++count;
  }
  if (count < 2) return {0, rowCount};
  return {first, last - first + 1};
}

std::string SimplifySummary(std::size_t before, std::size_t after, double deviationMm) {
  return FormatInt(static_cast<int64_t>(before)) + " → " + FormatInt(static_cast<int64_t>(after)) +
         " " + LoadText(kSummaryText) + " " + FormatFixed(deviationMm, 2) + " mm";
}

SimplifyDialog::SimplifyDialog(ControlView& view, const ArmGeometry& g, std::vector<Pose> run,
                               SimplifyOptions options)
    : view_(view), g_(g), run_(std::move(run)), options_(options) {}

void SimplifyDialog::OnInit() {
  options_.toleranceMm = kDefaultToleranceMm;
  view_.SetText(kSimplifyToleranceField, FormatFixed(kDefaultToleranceMm, 2));
  view_.SetCheck(kSimplifyArcsCheck,
                 options_.allowArcs ? CheckState::kChecked : CheckState::kUnchecked);
  Preview();
}

void SimplifyDialog::OnChange(int id) {
  if (id == kSimplifyToleranceField) Preview();
}

void SimplifyDialog::OnClick(int id) {
  switch (id) {
    case kSimplifyArcsCheck:
      Preview();
      break;
    case kSimplifyOkButton:
      result_ = valid_ ? 1 : 0;
      break;
    default:
      result_ = 0;
      break;
  }
}

void SimplifyDialog::Preview() {
  std::size_t used = 0;
  const std::string text = view_.Text(kSimplifyToleranceField);
  const double tolerance = ParseDouble(text, &used);
  valid_ = used > 0 && std::isfinite(tolerance) && tolerance >= kMinToleranceMm &&
           tolerance <= kMaxToleranceMm;
  view_.Enable(kSimplifyOkButton, valid_);
  if (!valid_) {
    view_.SetText(kSimplifySummaryText, LoadText(kBadToleranceText));
    simplified_ = {};
    planned_ = {};
    ++revision_;
    return;
  }
  options_.toleranceMm = tolerance;
  options_.allowArcs = view_.Check(kSimplifyArcsCheck) == CheckState::kChecked;
  simplified_ = SimplifyRecording(g_, run_, options_);
  planned_ = PlanSimplified(g_, simplified_, options_.axes);
  deviation_ = RecordingDeviation(planned_, run_, simplified_);
  view_.SetText(kSimplifySummaryText,
                SimplifySummary(run_.size(), simplified_.poses.size(), deviation_));
  ++revision_;
}

bool ReplaceRows(PoseEditPane& pane, RowSpan span, const std::vector<Pose>& poses) {
  if (poses.empty() || span.count == 0) return false;
  bool replaced = false;
  pane.Doc().motion.Modify([&](std::vector<Pose>& list, std::size_t& current) {
    if (span.first > list.size() || span.count > list.size() - span.first) return;
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(span.first);
    list.erase(at, at + static_cast<std::ptrdiff_t>(span.count));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(span.first), poses.begin(), poses.end());
    if (current >= span.first + span.count) {
      current = current - span.count + poses.size();
    } else if (current >= span.first) {
      current = span.first;
    }
    replaced = true;
  });
  if (!replaced) return false;
  pane.ShowAddedRows(span.first, poses.size());
  RecordStep(pane.Doc());
  return true;
}

}  // namespace velmora
