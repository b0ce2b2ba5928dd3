#pragma once

#include "shell/ui/layout_dialog.h"

namespace velmora {

// The about box (108) "バージョン情報": the program's icon and the product name, version, maker,
// legal notice and comment from the version information built into the program. "OK", Enter and
// the close box end it; Escape does nothing, as the box has no cancel button.
class AboutBox : public LayoutDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

 protected:
  bool HandleClick(int id) override;
};

// Shows the about box modally over `parent`.
void RunAboutBox(QWidget* parent);

}  // namespace velmora
