#pragma once

#include "document/load_conversion.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

// Dialog 140 "異なる座標系のモーションの読み込み" on real widgets, over LoadDialog. It beeps as it
// opens; its radio buttons and check box change LOAD_CONV_TYPE and LOAD_DIALOG_ENABLE at once,
// "キャンセル" (or Escape) puts both back and gives 0; "OK" and the close box give 1.
class LoadDialogWindow : public LayoutDialog {
  Q_OBJECT

 public:
  LoadDialogWindow(Guarded<Settings>& settings, QWidget* parent = nullptr,
                   const DialogHooks& hooks = {});

  int Result() const { return behaviour_.Result(); }

 protected:
  bool HandleClick(int id) override { return behaviour_.OnClick(id); }
  bool HandleClose() override { return behaviour_.OnClose(); }

 private:
  LoadDialog behaviour_;
};

// Shows dialog 140 modally over `parent` (the main window) and returns 1 to go on with the load
// or 0 to abandon it. The shell hands it to MakeLoadConversionHook for Open.
int RunLoadDialog(Guarded<Settings>& settings, QWidget* parent);

}  // namespace velmora
