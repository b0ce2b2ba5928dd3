#pragma once

#include <functional>
#include <string>

#include "base/control_view.h"
#include "base/guarded.h"
#include "document/motion_conversion.h"
#include "geometry/settings.h"

namespace velmora {

struct Document;
class Geometry;

// Control numbers of the coordinate-system dialog "座標系の設定" (dialog 142).
namespace coordinate_ids {
inline constexpr int kDialog = 142;
inline constexpr int kApply = 1;       // "適用", the default button
inline constexpr int kClose = 2;       // "閉じる"
inline constexpr int kAngle = 1001;    // combo: the four base angles
inline constexpr int kOffsetX = 1002;  // edit, mm
inline constexpr int kOffsetY = 1003;  // edit, mm
inline constexpr int kClaw1 = 1004;    // radio "①"; "②" "③" "④" follow as 1005..1007
inline constexpr int kClawCount = 4;
inline constexpr int kArmBend = 1008;         // combo: "反時計回り", "時計回り"
inline constexpr int kLoadConversion = 1009;  // combo: the three ways of loading
inline constexpr int kShowLoadDialog = 1010;  // check "毎回確認ダイアログを表示する"
}  // namespace coordinate_ids

// Control numbers of the conversion dialog "座標系の設定変更に伴うモーションの変換" (dialog 141).
namespace conversion_ids {
inline constexpr int kDialog = 141;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kKeepCoordinates = 1001;  // radio "座標を基準としてモータ角度を変換"
inline constexpr int kKeepMotorValues = 1002;  // radio "モータ角度を基準として座標を変換"
}  // namespace conversion_ids

// The conversion dialog: asks how the whole Motion follows a changed coordinate system. Its
// result is kKeepCoordinates, kKeepMotorValues or kConversionCancelled (-1).
class ConversionDialog {
 public:
  // `loadConversionType` is the LOAD_CONV_TYPE in force; it picks the preselected method.
  ConversionDialog(ControlView& view, int loadConversionType);

  void OnInit();
  // True when the dialog ends.
  bool OnClick(int id);
  // The title bar's close box ends the dialog with the selected method, as OK does.
  bool OnClose() { return true; }

  int Result() const { return result_; }

 private:
  ControlView& view_;
  int loadConversionType_;
  int result_;
};

// Shows the conversion dialog modally over the coordinate-system dialog and returns its result.
// The Qt layer runs a ConversionDialog in a real window; tests script the answer.
using ConversionDialogRunner = std::function<int(int loadConversionType)>;

// The coordinate-system dialog: places the arm base, picks the claw screw position, the elbow
// side and the two load settings. Applying a changed coordinate system converts the whole Motion
// as the conversion dialog says.
class CoordinateSystemDialog {
 public:
  enum class ApplyResult {
    kDeclined,   // "No" to the question: nothing read, nothing stored
    kCancelled,  // the conversion dialog was cancelled: nothing stored, the entries stay
    kStored,     // the coordinate system was unchanged; only the other settings were stored
    kConverted,  // the coordinate system changed and the Motion was converted
  };

  // `refresh` brings the converted rows up to date after a conversion.
  CoordinateSystemDialog(ControlView& view, Geometry& geometry, Document& doc,
                         Guarded<Settings>& settings, ConversionDialogRunner runConversion,
                         ConvertedRowsRefresh refresh);

  void OnInit();
  // True when the dialog ends ("閉じる"). "適用" keeps it open.
  bool OnClick(int id);
  // The close box ends the dialog; whatever was not applied is dropped.
  bool OnClose() { return true; }

  ApplyResult Apply();

 private:
  double ReadOffset(int id);

  ControlView& view_;
  Geometry& geometry_;
  Document& doc_;
  Guarded<Settings>& settings_;
  ConversionDialogRunner runConversion_;
  ConvertedRowsRefresh refresh_;
};

}  // namespace velmora
