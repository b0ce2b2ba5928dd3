#pragma once

#include "link/recorder.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

// Dialog 137 "レコーディングの設定" on real widgets, over RecordingDialog: the interval field
// takes digits only; "開始" stores the interval (down to a multiple of 10, at least 80) and the
// motor-off choice and gives 1; "閉じる", Escape and the close box give 0 and change nothing.
class RecordingDialogWindow : public LayoutDialog {
  Q_OBJECT

 public:
  RecordingDialogWindow(Guarded<Settings>& settings, QWidget* parent = nullptr,
                        const DialogHooks& hooks = {});

  int Result() const { return behaviour_.Result(); }

 protected:
  bool HandleClick(int id) override;
  bool HandleClose() override;

 private:
  RecordingDialog behaviour_;
};

// Shows dialog 137 modally over `parent` and returns 1 for "開始", else 0.
int RunRecordingDialog(Guarded<Settings>& settings, QWidget* parent);

}  // namespace velmora
