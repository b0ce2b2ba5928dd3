#include "link/ui/recording_dialog_window.h"

#include <QLineEdit>

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "recording_layout.inc"
};

constexpr DialogTemplate kTemplate{137, "レコーディングの設定", 156, 70};

// Nine digits hold intervals of up to eleven days. A longer number would be read as an interval
// beyond the recorder's 32-bit millisecond clock arithmetic, and a recording would then sample
// without any pause and flood the Motion.
constexpr int kIntervalDigitsMax = 9;

}  // namespace

RecordingDialogWindow::RecordingDialogWindow(Guarded<Settings>& settings, QWidget* parent,
                                             const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks), behaviour_(View(), settings) {
  if (auto* interval = qobject_cast<QLineEdit*>(Control(kRecIntervalField))) {
    interval->setMaxLength(kIntervalDigitsMax);
  }
  behaviour_.OnInit();
  ConnectControls();
}

bool RecordingDialogWindow::HandleClick(int id) {
  switch (id) {
    case kRecStartButton:
      behaviour_.OnStart();
      return true;
    case kRecCloseButton:
      behaviour_.OnClose();
      return true;
    default:
      return false;  // the check box keeps its state until "開始" reads it
  }
}

bool RecordingDialogWindow::HandleClose() {
  behaviour_.OnClose();
  return true;
}

int RunRecordingDialog(Guarded<Settings>& settings, QWidget* parent) {
  RecordingDialogWindow dialog(settings, parent);
  dialog.exec();
  return dialog.Result();
}

}  // namespace velmora
