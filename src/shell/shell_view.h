#pragma once

#include <string>

#include "base/control_view.h"

namespace velmora {

class FileDialogs;

// The modal dialogs the commands open, by their resource numbers.
enum DialogId : int {
  kAboutDialogId = 108,
  kRecordingDialogId = 137,
  kSimulatorSettingsDialogId = 138,
  kLoadDialogId = 140,
  kCoordinateSystemDialogId = 142,
  kBatchConversionDialogId = 143,
  kMotorSettingsDialogId = 145,
  // Ours: the list of the motion check's findings. It stays open beside the main window.
  kMotionCheckDialogId = 1092,
  kSimplifyDialogId = 150,  // ours: the simplify dialog
  kDrawingDialogId = 151,   // ours: a drawing from a file placed and inserted
  kDrawTextDialogId = 1151,  // ours: the same dialog (151) for text
};

// What the command table needs of the main window. The Qt main window implements it; tests
// implement it over scripted answers, so every command, guard and question is tested without a
// window.
class ShellView {
 public:
  virtual ~ShellView() = default;

  // A message box over the main window with the application title as caption.
  virtual MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) = 0;
  // The save and open dialogs.
  virtual FileDialogs& Files() = 0;
  // Shows dialog `id` modally with the main window as owner and returns its result.
  virtual int RunDialog(int id) = 0;
  // The close request of the window's close box; the close handling asks to save first.
  virtual void RequestClose() = 0;
  // Moves the keyboard focus to the communication log.
  virtual void FocusCommLog() = 0;
  virtual void SetTitle(const std::string& title) = 0;
};

}  // namespace velmora
