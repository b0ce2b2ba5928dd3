#pragma once

#include <vector>

namespace velmora {

class UndoHistory;

struct ContextMenuItemState {
  int command = 0;  // 0 for a separator
  bool enabled = true;
};

// The items of the PoseList's context menu (144) in order, with whether each is enabled when the
// menu opens: every item is, except Undo, which needs an older snapshot in the history, and Redo,
// which needs a newer one. The command guards still apply to what is chosen.
std::vector<ContextMenuItemState> ContextMenuStates(const UndoHistory& history);

}  // namespace velmora
