#pragma once

#include "link/drawing_dialog.h"
#include "shell/drawing_settings.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

struct ProgramState;
class FileDialogs;
class PathComparison;

// The drawing dialog on real widgets, over DrawingDialog. Every change redraws the preview over
// the simulator: the strokes solid, the pen-up travel dotted, the parts out of reach in red.
class DrawingDialogWindow : public LayoutDialog {
  Q_OBJECT

 public:
  DrawingDialogWindow(const ArmGeometry& g, DrawingSource source, DrawingOptions options, Pose from,
                      PathComparison& comparison, QWidget* parent = nullptr,
                      const DialogHooks& hooks = {});
  ~DrawingDialogWindow() override;

  int Result() const { return behaviour_.Result(); }
  const DrawingDialog& Behaviour() const { return behaviour_; }

 protected:
  bool HandleClick(int id) override;
  bool HandleClose() override;
  void HandleChange(int id) override;
  void HandleSelChange(int id) override;

 private:
  void ShowPreview();

  DrawingDialog behaviour_;
  PathComparison& comparison_;
};

// The commands: asks for a file (the import) or opens the text dialog, and on OK inserts the
// Poses after the current Pose as one undo step. Returns the dialog's result.
int RunDrawingDialog(ProgramState& state, FileDialogs& files, QWidget* parent);
int RunTextDialog(ProgramState& state, QWidget* parent);

}  // namespace velmora
