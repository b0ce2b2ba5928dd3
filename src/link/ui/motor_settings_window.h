#pragma once

#include "link/motor_settings.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

struct ProgramState;

// Dialog 145 "モータの設定" on real widgets, over MotorSettingsDialog: the servo list "ID1".."ID5",
// the seven register fields (digits only), "設定値を初期化", "OK" and "キャンセル".
class MotorSettingsWindow : public LayoutDialog {
  Q_OBJECT

 public:
  MotorSettingsWindow(ServoTable& servos, QWidget* parent = nullptr, const DialogHooks& hooks = {});

  const MotorSettingsDialog& Behaviour() const { return behaviour_; }

 protected:
  bool HandleClick(int id) override { return behaviour_.OnClick(id); }
  bool HandleClose() override { return behaviour_.OnClose(); }
  void HandleSelChange(int id) override { behaviour_.OnSelChange(id); }

 private:
  MotorSettingsDialog behaviour_;
};

// Shows dialog 145 modally over `parent`, connected or not.
void RunMotorSettingsDialog(ProgramState& state, QWidget* parent);

}  // namespace velmora
