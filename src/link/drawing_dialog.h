#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "geometry/coordinate_system.h"
#include "geometry/pose.h"
#include "link/drawing_placement.h"
#include "link/drawing_poses.h"
#include "link/hershey_font.h"

namespace velmora {

class ControlView;
class PoseEditPane;

// The drawing dialog's controls (one dialog for a drawing from a file and for text).
enum DrawingDialogControl : int {
  kDrawingFontCombo = 1511,
  kDrawingTextField = 1512,
  kDrawingHeightField = 1513,
  kDrawingSpacingField = 1514,
  kDrawingAlignCombo = 1515,
  kDrawingMissingText = 1516,
  kDrawingXField = 1517,
  kDrawingYField = 1518,
  kDrawingWidthField = 1519,
  kDrawingRotationField = 1520,
  kDrawingFitButton = 1521,
  kDrawingToleranceField = 1522,
  kDrawingSpeedField = 1523,
  kDrawingLiftField = 1524,
  kDrawingFileOrderCheck = 1525,
  kDrawingReachText = 1526,
  kDrawingSummaryText = 1527,
  kDrawingOkButton = 1,
  kDrawingCancelButton = 2,
};

// The values the dialog's fields (and the command line's options) accept.
namespace drawing_limits {
inline constexpr double kMinSpeed = 1, kMaxSpeed = 200;      // mm/s
inline constexpr double kMinLift = 0, kMaxLift = 5000;       // ms
inline constexpr double kMinHeight = 1, kMaxHeight = 300;    // mm
inline constexpr double kMinSpacing = 0.5, kMaxSpacing = 5;  // times the height
inline constexpr double kMinWidth = 0.1;                     // mm
inline constexpr double kMaxWidth = 2 * kReach;              // mm
inline constexpr double kMaxOffset = 10000;                  // mm, x and y
inline constexpr double kMaxRotation = 360;                  // degrees, either way
}  // namespace drawing_limits

// The behaviour of the drawing dialog. Every change places the drawing anew, checks the reach,
// orders the strokes and makes the Poses, so the preview and the summary always show what OK
// inserts. OK stays disabled while a stroke leaves the reach, a field holds no usable value or
// there is nothing to draw.
// What the dialog draws: a drawing read from a file, or (when `fonts` is not empty) text in one
// of the fonts, with the text, font, height, spacing and alignment fields in use.
struct DrawingSource {
  Drawing drawing;
  std::vector<FontChoice> fonts;
  HersheyFont kana;  // draws what the chosen font lacks (no glyphs: none)
};

class DrawingDialog {
 public:
  // `from` is the Pose the drawing is inserted after.
  DrawingDialog(ControlView& view, const ArmGeometry& g, DrawingSource source,
                DrawingOptions options, Pose from);

  void OnInit();
  void OnChange(int id);
  void OnSelChange(int id);
  void OnClick(int id);
  int Result() const { return result_; }

  bool Valid() const { return valid_; }
  bool TextMode() const { return !fonts_.empty(); }
  const DrawingPlan& Plan() const { return plan_; }
  const FlatDrawing& Flat() const { return flat_; }
  const Placement& CurrentPlacement() const { return placement_; }
  // Counts the previews made, so a caller can tell when to redraw.
  unsigned Revision() const { return revision_; }

 private:
  void LayOutText();
  void ShowPlacement();
  bool ReadFields();
  void Update();

  ControlView& view_;
  const ArmGeometry g_;
  std::vector<FontChoice> fonts_;
  HersheyFont kana_;
  Drawing drawing_;
  FlatDrawing flat_;
  DrawingOptions options_;
  Pose from_;
  Placement placement_;
  TextOptions text_;
  std::u32string missing_;
  DrawingPlan plan_;
  bool valid_ = false;
  int result_ = 0;
  unsigned revision_ = 0;
};

// "ストローク 12、ポーズ 80、ペン上げ 12、移動 5.2 秒、全体 40.1 秒、最大ずれ 0.05 mm".
std::string DrawingSummaryText(const DrawingSummary& summary);

// Inserts `poses` after the current Pose as one undo step; they are selected and the last of them
// becomes the current Pose. False (nothing changes) when `poses` is empty.
bool InsertDrawing(PoseEditPane& pane, const std::vector<Pose>& poses);

}  // namespace velmora
