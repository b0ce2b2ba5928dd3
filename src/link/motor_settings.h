#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/servo_table.h"

namespace velmora {

class ControlView;

// Control numbers of the motor settings dialog "モータの設定" (dialog 145).
namespace motor_ids {
inline constexpr int kDialog = 145;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kServoChoice = 40059;  // combo "ID1".."ID5"
inline constexpr int kFirstField = 40000;   // the seven register fields are 40000..40006
inline constexpr int kReset = 40007;        // "設定値を初期化"
}  // namespace motor_ids

// The seven registers the dialog edits, in the order of their fields 40000..40006: compliance
// margins and slopes, punch low and high byte, maximum torque.
inline constexpr int kEditableRegisterCount = 7;
inline constexpr std::array<int, kEditableRegisterCount> kEditableRegisters{0x18, 0x19, 0x1A, 0x1B,
                                                                            0x1C, 0x1D, 0x23};

using RegisterImage = std::array<uint8_t, kRegisterImageSize>;

// The register byte a field's text stands for: the text (at most its first 256 characters) read as
// a number, of which only the low 8 bits are kept. Nothing is range-checked: "300" gives 44.
uint8_t RegisterFieldValue(const std::string& text);

// The motor settings dialog. It works on a copy of the five register images, taken when it opens;
// switching servos keeps the edits in the copy, the reset button puts the built-in defaults into
// the copy, and only a confirmed "OK" hands the copy to the ServoTable with a WriteRegisters
// request on every entry, which the ServoLink carries out in its next cycle (or at the next
// connect). "キャンセル" and the close box leave the ServoTable as it was.
class MotorSettingsDialog {
 public:
  MotorSettingsDialog(ControlView& view, ServoTable& servos) : view_(view), servos_(servos) {}

  void OnInit();
  // True when the dialog ends (OK confirmed, キャンセル).
  bool OnClick(int id);
  void OnSelChange(int id);
  // The close box ends the dialog without changing anything.
  bool OnClose() { return true; }

  // Index 0..4 of the servo whose registers the fields show.
  int ServoOnShow() const { return shown_; }
  // The working image of servo `index` (0..4).
  const RegisterImage& WorkingImage(int index) const { return working_[index]; }

 private:
  void ShowServo(int index);
  void StoreFields(int index);
  bool Ok();
  void Reset();

  ControlView& view_;
  ServoTable& servos_;
  std::array<RegisterImage, kServoCount> working_{};
  int shown_ = 0;
};

}  // namespace velmora
