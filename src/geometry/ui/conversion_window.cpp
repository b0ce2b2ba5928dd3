#include "geometry/ui/conversion_window.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "conversion_layout.inc"
};

constexpr DialogTemplate kTemplate{conversion_ids::kDialog,
                                   "座標系の設定変更に伴うモーションの変換", 340, 156};

}  // namespace

ConversionWindow::ConversionWindow(int loadConversionType, QWidget* parent,
                                   const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks), behaviour_(View(), loadConversionType) {
  behaviour_.OnInit();
  ConnectControls();
}

int RunConversionDialog(int loadConversionType, QWidget* parent, const DialogHooks& hooks) {
  ConversionWindow dialog(loadConversionType, parent, hooks);
  dialog.exec();
  return dialog.Result();
}

}  // namespace velmora
