#include "geometry/ui/batch_conversion_window.h"

#include <utility>

#include "shell/program_state.h"

namespace velmora {

namespace {

using enum ControlKind;

constexpr ControlLayout kLayout[] = {
#include "batch_conversion_layout.inc"
};

constexpr DialogTemplate kTemplate{batch_ids::kDialog, "ポーズの一括変換", 392, 216};

}  // namespace

BatchConversionWindow::BatchConversionWindow(ProgramState& state,
                                             std::vector<std::size_t> selectedRows, QWidget* parent,
                                             const DialogHooks& hooks)
    : LayoutDialog(kTemplate, kLayout, parent, hooks),
      behaviour_(View(), state.document, state.geometry, state.batchModes, std::move(selectedRows),
                 [&state](const std::vector<std::size_t>& rows) {
                   state.pane.RefreshConvertedRows(rows);
                   state.pane.SyncViews();
                 }) {
  behaviour_.OnInit();
  ConnectControls();
}

void RunBatchConversionDialog(ProgramState& state, QWidget* parent) {
  BatchConversionWindow dialog(state, state.pane.Selection().Selected(), parent);
  dialog.exec();
}

}  // namespace velmora
