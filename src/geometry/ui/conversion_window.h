#pragma once

#include "document/coordinate_dialog.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

// Dialog 141 "座標系の設定変更に伴うモーションの変換" on real widgets, over ConversionDialog. It
// beeps and preselects a method as it opens; Result() is the method, or -1 after "キャンセル"
// (Escape included). The close box keeps the selected method, as "OK" does.
class ConversionWindow : public LayoutDialog {
  Q_OBJECT

 public:
  ConversionWindow(int loadConversionType, QWidget* parent = nullptr,
                   const DialogHooks& hooks = {});

  int Result() const { return behaviour_.Result(); }

 protected:
  bool HandleClick(int id) override { return behaviour_.OnClick(id); }
  bool HandleClose() override { return behaviour_.OnClose(); }

 private:
  ConversionDialog behaviour_;
};

// Shows dialog 141 modally over `parent` (the coordinate-system dialog) and returns the method,
// or -1 when it was cancelled.
int RunConversionDialog(int loadConversionType, QWidget* parent, const DialogHooks& hooks = {});

}  // namespace velmora
