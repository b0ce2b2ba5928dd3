#include "link/motor_settings.h"

#include <string>
#include <vector>

#include "base/c_format.h"
#include "base/control_view.h"
#include "base/string_table.h"

namespace velmora {

namespace {

constexpr std::size_t kFieldTextMax = 256;

}  // namespace

uint8_t RegisterFieldValue(const std::string& text) {
  const std::string_view read = std::string_view(text).substr(0, kFieldTextMax);
  return static_cast<uint8_t>(static_cast<uint32_t>(ParseInt(read)) & 0xFFu);
}

void MotorSettingsDialog::OnInit() {
  shown_ = 0;
  for (int i = 0; i < kServoCount; ++i) working_[i] = servos_.RegisterImage(i + 1);
  std::vector<std::string> items;
  for (int i = 1; i <= kServoCount; ++i) items.push_back("ID" + FormatInt(i));
  view_.SetItems(motor_ids::kServoChoice, items);
  view_.SetSelection(motor_ids::kServoChoice, 0);
  ShowServo(0);
}

void MotorSettingsDialog::ShowServo(int index) {
  for (int k = 0; k < kEditableRegisterCount; ++k) {
    view_.SetText(motor_ids::kFirstField + k, FormatInt(working_[index][kEditableRegisters[k]]));
  }
}

void MotorSettingsDialog::StoreFields(int index) {
  for (int k = 0; k < kEditableRegisterCount; ++k) {
    working_[index][kEditableRegisters[k]] =
        RegisterFieldValue(view_.Text(motor_ids::kFirstField + k));
  }
}

void MotorSettingsDialog::OnSelChange(int id) {
  if (id != motor_ids::kServoChoice) return;
  StoreFields(shown_);
  const int selected = view_.Selection(motor_ids::kServoChoice);
  // The list always holds a selection once open; were it lost, the fields stay with their servo.
  if (selected >= 0 && selected < kServoCount) shown_ = selected;
  ShowServo(shown_);
}

bool MotorSettingsDialog::OnClick(int id) {
  switch (id) {
    case motor_ids::kOk:
      return Ok();
    case motor_ids::kCancel:
      return true;
    case motor_ids::kReset:
      Reset();
      return false;
    default:
      return false;
  }
}

bool MotorSettingsDialog::Ok() {
  StoreFields(shown_);
  ShowServo(shown_);
  if (view_.Ask(LoadText(40018), MessageButtons::kYesNo, MessageIcon::kQuestion) !=
      MessageAnswer::kYes) {
    return false;
  }
  // Every image is in place before the first request is set: the link writes all five servos
  // as soon as it sees the request of the last servo in use, and must not catch a half-copied set.
  for (int i = 0; i < kServoCount; ++i) servos_.SetRegisterImage(i + 1, working_[i]);
  for (int i = 0; i < kServoCount; ++i) servos_.SetRequests(i + 1, kWriteRegisters);
  return true;
}

void MotorSettingsDialog::Reset() {
  if (view_.Ask(LoadText(40055), MessageButtons::kYesNo, MessageIcon::kWarning) !=
      MessageAnswer::kYes) {
    return;
  }
  for (int i = 0; i < kServoCount; ++i) LoadRegisterDefaults(i, working_[i]);
  ShowServo(shown_);
}

}  // namespace velmora
