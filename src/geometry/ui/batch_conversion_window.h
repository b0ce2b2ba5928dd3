#pragma once

#include <cstddef>
#include <vector>

#include "document/batch_conversion.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

struct ProgramState;

// Dialog 143 "ポーズの一括変換" on real widgets, over BatchConversionDialog: the motor fields and
// trackbars follow each other, "OK" asks (and asks again about values entered on both sides of a
// pair) and then changes the selected Poses in one undo step; the pose pane is rebuilt after it.
class BatchConversionWindow : public LayoutDialog {
  Q_OBJECT

 public:
  // `selectedRows`: the pose list's selected rows.
  BatchConversionWindow(ProgramState& state, std::vector<std::size_t> selectedRows,
                        QWidget* parent = nullptr, const DialogHooks& hooks = {});

  bool Applied() const { return behaviour_.Applied(); }

 protected:
  bool HandleClick(int id) override { return behaviour_.OnClick(id); }
  bool HandleClose() override { return behaviour_.OnClose(); }
  void HandleChange(int id) override { behaviour_.OnChange(id); }
  void HandleScroll(int id, bool endTrack) override { behaviour_.OnScroll(id, endTrack); }

 private:
  BatchConversionDialog behaviour_;
};

// Shows dialog 143 modally over `parent` for the rows selected in the pose pane. The caller has
// already made sure that rows are selected (CheckBatchSelection).
void RunBatchConversionDialog(ProgramState& state, QWidget* parent);

}  // namespace velmora
