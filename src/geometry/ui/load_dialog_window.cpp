#include "geometry/ui/load_dialog_window.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "load_dialog_layout.inc"
};

constexpr DialogTemplate kTemplate{load_ids::kDialog, "異なる座標系のモーションの読み込み", 340,
                                   218};

}  // namespace

LoadDialogWindow::LoadDialogWindow(Guarded<Settings>& settings, QWidget* parent,
                                   const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks), behaviour_(View(), settings) {
  behaviour_.OnInit();
  ConnectControls();
}

int RunLoadDialog(Guarded<Settings>& settings, QWidget* parent) {
  LoadDialogWindow dialog(settings, parent);
  dialog.exec();
  return dialog.Result();
}

}  // namespace velmora
