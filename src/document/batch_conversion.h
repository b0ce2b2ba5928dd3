#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/control_view.h"
#include "document/motion_conversion.h"
#include "geometry/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora {

struct Document;

// Control numbers of the batch conversion dialog "ポーズの一括変換" (dialog 143).
namespace batch_ids {
inline constexpr int kDialog = 143;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAbsolute = 1001;         // radio "絶対値として適用"
inline constexpr int kRelative = 1002;         // radio "相対値として適用"
inline constexpr int kInterpolation = 1003;    // combo "なし" "直線" "円弧" "(変更なし)"
inline constexpr int kTimeMs = 1004;           // radio "遷移時間(ミリ秒単位指定)"
inline constexpr int kTimeMsValue = 1005;      // integer edit, "msec"
inline constexpr int kTimeFactor = 1006;       // radio "遷移時間(倍率指定)"
inline constexpr int kTimeFactorValue = 1007;  // real edit, "倍"
inline constexpr int kX = 1008;                // real edits, mm
inline constexpr int kY = 1009;
inline constexpr int kZ = 1010;
inline constexpr int kRotation = 1011;      // "回転軸", degrees
inline constexpr int kHandWidth = 1012;     // "ハンド軸幅", mm
inline constexpr int kArcRadius = 1013;     // "半径", mm
inline constexpr int kArcDirection = 1014;  // combo "時計回り" "反時計回り" "(変更なし)"
inline constexpr int kMotorCheck1 = 1015;  // three-state check "ID1"; ID2..ID5 follow
inline constexpr int kMotorTrack1 = 1020;  // trackbar of ID1; ID2..ID5 follow
inline constexpr int kMotorValue1 = 1025;  // integer edit of ID1; ID2..ID5 follow
}  // namespace batch_ids

// The text of the "no change" entry of both combo boxes.
inline constexpr const char* kNoChangeText = "(変更なし)";

// Which items were entered when "OK" was pressed.
enum BatchEntry : uint32_t {
  kEntryTimeMs = 0x1,
  kEntryMotor1 = 0x2,   // ID1; shifted left by the motor index for ID2..ID5
  kEntryCheck1 = 0x40,  // check box of ID1 not indeterminate; shifted for ID2..ID5
  kEntryX = 0x800,
  kEntryY = 0x1000,
  kEntryZ = 0x2000,
  kEntryRotation = 0x4000,
  kEntryHandWidth = 0x8000,
  kEntryArcRadius = 0x10000,
  kEntryTimeFactor = 0x20000,
};

// The two choices the dialog remembers for the whole run (not stored in def.ini).
struct BatchConversionModes {
  bool absolute = false;    // apply as absolute values; start: relative
  bool timeFactor = false;  // transition time as a factor; start: milliseconds
};

// Everything read from the dialog when "OK" is pressed.
struct BatchEntries {
  uint32_t flags = 0;      // BatchEntry bits
  int interpolation = -1;  // 0..2, or -1: no change
  int arcDirection = -1;   // 0..1, or -1: no change
  bool absolute = false;
  bool timeFactor = false;
  int32_t timeMs = 0;
  double factor = 0;
  double x = 0, y = 0, z = 0, rotation = 0, handWidth = 0, arcRadius = 0;
  std::array<int32_t, kMotorCount> motors{};
  std::array<bool, kMotorCount> takesPart{};  // for the motors whose check box is not indeterminate
};

// A computed transition time, rounded toward zero to a multiple of 10 and held in 10..655350 ms.
uint32_t LimitBatchTransitionTime(int64_t ms);

// Applies the entries to one Pose: every new value is a base value plus the entered one (the base
// is zero in absolute mode and the Pose's own value in relative mode), then the motor values and
// coordinates are brought back into agreement group by group (X/Y with ID1/ID2, Z with ID3,
// rotation with ID4, hand width with ID5): an entered coordinate recomputes its motors, otherwise
// an entered motor value recomputes its coordinate. `limits` are the motor limits the dialog
// copied.
void ApplyBatchEntries(const ArmGeometry& g, const std::array<int16_t, kMotorCount>& limits,
                       const BatchEntries& entries, Pose& pose);

// Asks the four questions about values entered for both sides of a pair, in order. False as soon
// as one is answered "No".
bool ConfirmBatchConflicts(ControlView& view, uint32_t flags);

// The batch command needs a selection: with no selected row it warns (through the main window's
// view) and the dialog is not opened.
bool CheckBatchSelection(ControlView& view, const std::vector<std::size_t>& selectedRows);

// The batch conversion dialog. It changes the chosen fields of the selected rows of the Motion
// in one undo step.
class BatchConversionDialog {
 public:
  // `selectedRows`: the pose list's selected rows. `refresh` brings the converted rows up to date
  // after the batch.
  BatchConversionDialog(ControlView& view, Document& doc, Geometry& geometry,
                        BatchConversionModes& modes, std::vector<std::size_t> selectedRows,
                        ConvertedRowsRefresh refresh);

  void OnInit();
  // True when the dialog ends (OK applied, キャンセル).
  bool OnClick(int id);
  void OnChange(int id);
  void OnScroll(int id, bool endTrack);
  // The close box ends the dialog without changing anything.
  bool OnClose() { return true; }

  // True when the batch was applied.
  bool Applied() const { return applied_; }

 private:
  bool Ok();
  BatchEntries ReadEntries();

  ControlView& view_;
  Document& doc_;
  Geometry& geometry_;
  BatchConversionModes& modes_;
  std::vector<std::size_t> rows_;
  ConvertedRowsRefresh refresh_;
  std::array<int16_t, kMotorCount> limits_{};
  // Set while a motor field and its trackbar update each other (and while the dialog fills its
  // controls), so that neither handler loops back into the other.
  bool updating_ = false;
  bool applied_ = false;
};

}  // namespace velmora
