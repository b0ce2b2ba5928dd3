#pragma once

#include "document/coordinate_dialog.h"
#include "shell/ui/layout_dialog.h"

namespace velmora {

struct ProgramState;

// Dialog 142 "座標系の設定" on real widgets, over CoordinateSystemDialog. "適用" asks, converts the
// Motion through the conversion dialog (141, owned by this one) when the coordinate system
// changed, stores the settings and keeps the dialog open; "閉じる", Escape and the close box end
// it. After a conversion the pose pane is rebuilt and shown again.
class CoordinateSystemWindow : public LayoutDialog {
  Q_OBJECT

 public:
  CoordinateSystemWindow(ProgramState& state, QWidget* parent = nullptr,
                         const DialogHooks& hooks = {});

  // Replaces the conversion dialog (tests drive a ConversionWindow of their own through it).
  void SetConversionRunner(ConversionDialogRunner runner) { conversion_ = std::move(runner); }

 protected:
  bool HandleClick(int id) override { return behaviour_.OnClick(id); }
  bool HandleClose() override { return behaviour_.OnClose(); }

 private:
  ConversionDialogRunner conversion_;
  CoordinateSystemDialog behaviour_;
};

// Shows dialog 142 modally over `parent` and returns when it is closed.
void RunCoordinateSystemDialog(ProgramState& state, QWidget* parent);

}  // namespace velmora
