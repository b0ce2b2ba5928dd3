#pragma once

#include <functional>
#include <vector>

#include "base/control_view.h"
#include "base/guarded.h"
#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "geometry/settings.h"

namespace velmora {

// Control numbers of the load dialog "異なる座標系のモーションの読み込み" (dialog 140).
namespace load_ids {
inline constexpr int kDialog = 140;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kKeepCoordinates = 1001;  // radio "座標を基準としてモータ角度を変換"
inline constexpr int kKeepMotorValues = 1002;  // radio "モータ角度を基準として座標を変換"
inline constexpr int kAdoptMotionSystem = 1003;  // radio "座標系の設定をモーションに合わせて変更"
inline constexpr int kShowLoadDialog = 1004;  // check "毎回確認ダイアログを表示する"
}  // namespace load_ids

// The load dialog: asks how a Motion made in another coordinate system is loaded. Its choices
// take effect in the settings at once; "キャンセル" puts the values it found back. Result 1 goes on
// with the load, 0 abandons it.
class LoadDialog {
 public:
  explicit LoadDialog(ControlView& view, Guarded<Settings>& settings);

  void OnInit();
  // True when the dialog ends.
  bool OnClick(int id);
  // The title bar's close box ends the dialog with the result it has, 1 unless cancelled.
  bool OnClose() { return true; }

  int Result() const { return result_; }

 private:
  ControlView& view_;
  Guarded<Settings>& settings_;
  int result_ = 1;
  int rememberedType_ = 0;
  int rememberedShow_ = 1;
};

// Shows the load dialog modally (owned by the main window) and returns its result, 1 or 0.
using LoadDialogRunner = std::function<int()>;

// Brings freshly read Poses into the program's coordinate system when their file was made in
// another one (`fileSystem`: the offsets and rotation of the file's header, and its claw
// position). Asks through `runDialog` first when LOAD_DIALOG_ENABLE is set, then acts on
// LOAD_CONV_TYPE: recompute the motor values from the coordinates, recompute the coordinates from
// the motor values, or adopt the file's coordinate system and leave the Poses as read.
// False abandons the load: the dialog was cancelled, or the file's coordinate system is to be
// adopted but holds a value the placement cannot use (not finite, or beyond single precision).
bool ApplyLoadConversion(Geometry& geometry, Guarded<Settings>& settings,
                         const LoadDialogRunner& runDialog, const CoordinateSystem& fileSystem,
                         std::vector<Pose>& poses);

// ApplyLoadConversion bound to the program's state, in the shape the motion-file reader calls
// when a file's header differs from the present coordinate system.
std::function<bool(const CoordinateSystem& fileSystem, std::vector<Pose>& poses)>
MakeLoadConversionHook(Geometry& geometry, Guarded<Settings>& settings, LoadDialogRunner runDialog);

}  // namespace velmora
