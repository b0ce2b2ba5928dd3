#include "geometry/ui/coordinate_system_window.h"

#include "geometry/ui/conversion_window.h"
#include "shell/program_state.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "coordinate_system_layout.inc"
};

constexpr DialogTemplate kTemplate{coordinate_ids::kDialog, "座標系の設定", 222, 213};

}  // namespace

CoordinateSystemWindow::CoordinateSystemWindow(ProgramState& state, QWidget* parent,
                                               const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks),
      conversion_([this](int loadConversionType) {
        return RunConversionDialog(loadConversionType, this, Hooks());
      }),
      behaviour_(
          View(), state.geometry, state.document, state.settings,
          [this](int loadConversionType) { return conversion_(loadConversionType); },
          [&state](const std::vector<std::size_t>& rows) {
            state.pane.RefreshConvertedRows(rows);
            state.pane.SyncViews();
          }) {
  behaviour_.OnInit();
  ConnectControls();
}

void RunCoordinateSystemDialog(ProgramState& state, QWidget* parent) {
  CoordinateSystemWindow dialog(state, parent);
  dialog.exec();
}

}  // namespace velmora
