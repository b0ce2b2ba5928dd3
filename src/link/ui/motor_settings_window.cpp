#include "link/ui/motor_settings_window.h"

#include "shell/program_state.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "motor_settings_layout.inc"
};

constexpr DialogTemplate kTemplate{motor_ids::kDialog, "モータの設定", 184, 204};

}  // namespace

MotorSettingsWindow::MotorSettingsWindow(ServoTable& servos, QWidget* parent,
                                         const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks), behaviour_(View(), servos) {
  behaviour_.OnInit();
  ConnectControls();
}

void RunMotorSettingsDialog(ProgramState& state, QWidget* parent) {
  MotorSettingsWindow dialog(state.servos, parent);
  dialog.exec();
}

}  // namespace velmora
