#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "link/recording_simplifier.h"

namespace velmora {

class ControlView;
class PoseEditPane;

// The rows the simplify command acts on: from the lowest to the highest selected row, or every
// row when at most one is selected (the current row is always selected, and one row alone has
// nothing to simplify). `count` 0 when the Motion is empty.
struct RowSpan {
  std::size_t first = 0;
  std::size_t count = 0;
};
RowSpan SimplifyRows(const std::vector<std::size_t>& selected, std::size_t rowCount);

// The simplify dialog's controls.
enum SimplifyDialogControl : int {
  kSimplifyToleranceField = 1501,
  kSimplifyArcsCheck = 1502,
  kSimplifySummaryText = 1503,
  kSimplifyOkButton = 1,
  kSimplifyCancelButton = 2,
};

// The behaviour of the simplify dialog: the tolerance in mm (0.5 at first), whether arcs may be
// used, and the result of every change at once ("200 → 5 ポーズ、最大ずれ 0.31 mm"). OK keeps the
// result for the caller; Cancel and the close box give nothing.
class SimplifyDialog {
 public:
  static constexpr double kDefaultToleranceMm = 0.5;
  static constexpr double kMinToleranceMm = 0.01;
  static constexpr double kMaxToleranceMm = 100.0;

  SimplifyDialog(ControlView& view, const ArmGeometry& g, std::vector<Pose> run,
                 SimplifyOptions options);

  void OnInit();
  // The tolerance field was edited.
  void OnChange(int id);
  // The arcs check box, OK or Cancel.
  void OnClick(int id);
  int Result() const { return result_; }

  // False while the tolerance field holds no usable value (OK is then disabled).
  bool Valid() const { return valid_; }
  const std::vector<Pose>& Run() const { return run_; }
  const SimplifiedRecording& Simplified() const { return simplified_; }
  const PlannedPath& Planned() const { return planned_; }
  double MaxDeviationMm() const { return deviation_; }
  // Counts the previews made, so a caller can tell when to redraw.
  unsigned Revision() const { return revision_; }

 private:
  void Preview();

  ControlView& view_;
  const ArmGeometry g_;
  std::vector<Pose> run_;
  SimplifyOptions options_;
  SimplifiedRecording simplified_;
  PlannedPath planned_;
  double deviation_ = 0;
  bool valid_ = false;
  int result_ = 0;
  unsigned revision_ = 0;
};

// "200 → 5 ポーズ、最大ずれ 0.31 mm".
std::string SimplifySummary(std::size_t before, std::size_t after, double deviationMm);

// Replaces the `span` rows with `poses` as one undo step; the replacing rows are selected, and
// the current Pose stays the same Pose (one inside the span hands over to the span's first row).
// False (nothing changes) when the span does not fit the Motion or `poses` is empty.
bool ReplaceRows(PoseEditPane& pane, RowSpan span, const std::vector<Pose>& poses);

}  // namespace velmora
