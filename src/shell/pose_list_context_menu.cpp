#include "shell/pose_list_context_menu.h"

#include "document/undo_history.h"
#include "shell/commands.h"

namespace velmora {

std::vector<ContextMenuItemState> ContextMenuStates(const UndoHistory& history) {
  std::vector<ContextMenuItemState> states;
  for (const MenuItem& item : ContextMenu().items) {
    bool enabled = true;
    if (item.command == kCmdUndo) enabled = history.CanUndo();
    if (item.command == kCmdRedo) enabled = history.CanRedo();
    states.push_back({item.command, enabled});
  }
  return states;
}

}  // namespace velmora
