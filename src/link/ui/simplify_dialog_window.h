#pragma once

#include "link/simplify_dialog.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

struct ProgramState;
class PathComparison;

// The simplify dialog on real widgets, over SimplifyDialog. Every change of the tolerance or of
// the arcs check box redraws the preview: the recording and its replacement over the simulator.
class SimplifyDialogWindow : public LayoutDialog {
  Q_OBJECT

 public:
  SimplifyDialogWindow(const ArmGeometry& g, std::vector<Pose> run, SimplifyOptions options,
                       PathComparison& comparison, QWidget* parent = nullptr,
                       const DialogHooks& hooks = {});
  ~SimplifyDialogWindow() override;

  int Result() const { return behaviour_.Result(); }
  const SimplifyDialog& Behaviour() const { return behaviour_; }

 protected:
  bool HandleClick(int id) override;
  bool HandleClose() override;
  void HandleChange(int id) override;

 private:
  void ShowPreview();

  SimplifyDialog behaviour_;
  PathComparison& comparison_;
};

// The command: the selected rows (or all), the dialog, and on OK the rows replaced as one undo
// step. Returns the dialog's result.
int RunSimplifyDialog(ProgramState& state, QWidget* parent);

}  // namespace velmora
