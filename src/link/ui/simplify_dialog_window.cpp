#include "link/ui/simplify_dialog_window.h"

#include <utility>

#include "shell/program_state.h"
#include "shell/shell_view.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "simplify_layout.inc"
};

constexpr DialogTemplate kTemplate{kSimplifyDialogId, "レコーディングの簡略化", 200, 76};

}  // namespace

SimplifyDialogWindow::SimplifyDialogWindow(const ArmGeometry& g, std::vector<Pose> run,
                                           SimplifyOptions options, PathComparison& comparison,
                                           QWidget* parent, const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks),
      behaviour_(View(), g, std::move(run), options),
      comparison_(comparison) {
  behaviour_.OnInit();
  ShowPreview();
  ConnectControls();
}

SimplifyDialogWindow::~SimplifyDialogWindow() { comparison_.Clear(); }

void SimplifyDialogWindow::ShowPreview() {
  PathPair paths;
  for (const Pose& p : behaviour_.Run()) {
    paths.recorded.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
  }
  for (const PathPoint& p : behaviour_.Planned().points) paths.replacement.push_back({p.x, p.y});
  for (const Pose& p : behaviour_.Simplified().poses) {
    paths.keyframes.push_back({static_cast<float>(p.x), static_cast<float>(p.y)});
  }
  comparison_.Show(std::move(paths));
}

bool SimplifyDialogWindow::HandleClick(int id) {
  behaviour_.OnClick(id);
  if (id == kSimplifyArcsCheck) {
    ShowPreview();
    return false;
  }
  return id == kSimplifyOkButton ? behaviour_.Valid() : id == kSimplifyCancelButton;
}

bool SimplifyDialogWindow::HandleClose() {
  behaviour_.OnClick(kSimplifyCancelButton);
  return true;
}

void SimplifyDialogWindow::HandleChange(int id) {
  behaviour_.OnChange(id);
  ShowPreview();
}

int RunSimplifyDialog(ProgramState& state, QWidget* parent) {
  const std::vector<Pose> all = state.document.motion.Poses();
  const RowSpan span = SimplifyRows(state.pane.Selection().SelectedBelow(all.size()), all.size());
  if (span.count == 0) return 0;
  const auto first = all.begin() + static_cast<std::ptrdiff_t>(span.first);
  std::vector<Pose> run(first, first + static_cast<std::ptrdiff_t>(span.count));
  SimplifyOptions options;
  options.penThreshold = state.settings.Get().vpenTh;
  options.axes = state.linkControls.AxisChoice() == 3 ? 3 : 5;
  SimplifyDialogWindow dialog(state.geometry.Get(), std::move(run), options,
                              state.simulator.comparison, parent);
  // Beside the main window's left edge, over the pane, so the simulator stays in view.
  if (parent != nullptr) dialog.move(parent->window()->mapToGlobal(QPoint(10, 120)));
  dialog.exec();
  const int result = dialog.Result();
  if (result == 1) ReplaceRows(state.pane, span, dialog.Behaviour().Simplified().poses);
  return result;
}

}  // namespace velmora
