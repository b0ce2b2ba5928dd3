#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <map>

#include "shell/command_dispatch.h"

class QAction;
class QMenu;
class QMenuBar;
class QShortcut;
class QToolBar;
class QWidget;

namespace velmora {

class CommandAvailability;
class UndoHistory;
struct LinkControlsState;

// The text of tooltip string `stringId`, broken into lines that fit the toolbar's tips, which are
// at most 280 pixels wide.
QString ToolTipText(int stringId);

// The main window's commands as Qt actions: one action per command number, shared by the main
// menu (101) and the toolbar, so that a command is available or checked in both at once; the
// accelerators (102) as window shortcuts; and the pose list's context menu (144). Whatever the
// user chooses goes to `execute` with its source.
class CommandActions : public QObject {
  Q_OBJECT

 public:
  using Execute = std::function<void(int command, CommandSource source)>;

  CommandActions(QWidget* window, Execute execute);

  // The action of a command, or null.
  QAction* Action(int command) const;
  // The accelerator of a command, or null.
  QShortcut* Shortcut(int command) const;

  // Fills `bar` with the main menu's popups, items and separators.
  void FillMenuBar(QMenuBar* bar) const;
  // Adds the toolbar's buttons with their images and tooltips, and its separators.
  void FillToolBar(QToolBar* toolBar) const;

  // Enables every command as the availability says. The toggles are not affected by it.
  void RefreshAvailability(const CommandAvailability& availability);
  // Checks the two toggles (and enables them) as the link controls say, and the virtual robot.
  void RefreshChecks(const LinkControlsState& link, bool virtualRobotListed);

  // Opens the context menu at `globalPos` without waiting for it to close: every item is
  // enabled, except Undo and Redo, which follow `history`. The menu deletes itself when closed.
  QMenu* PopupContextMenu(const UndoHistory& history, const QPoint& globalPos, QWidget* parent);

 private:
  Execute execute_;
  std::map<int, QAction*> actions_;
  std::map<int, QShortcut*> shortcuts_;
};

}  // namespace velmora
