#include "shell/ui/command_actions.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QShortcut>
#include <QToolBar>
#include <QToolTip>
#include <QWidget>
#include <utility>

#include "base/string_table.h"
#include "link/link_controls.h"
#include "shell/commands.h"
#include "shell/pose_list_context_menu.h"
#include "shell/ui/widget_control_view.h"

namespace velmora {

namespace {

constexpr int kImageWidth = 16;
constexpr int kImageHeight = 15;
// The tip box is at most 280 pixels wide; its border and padding take 10 of them.
constexpr int kTipTextWidth = 270;

QKeySequence KeyOf(const Accelerator& a) {
  if (a.deleteKey) return QKeySequence(Qt::Key_Delete);
  Qt::KeyboardModifiers modifiers = Qt::ControlModifier;
  if (a.shift) modifiers |= Qt::ShiftModifier;
  return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(a.key)));
}

}  // namespace

QString ToolTipText(int stringId) {
  const QString text = ToQString(LoadText(stringId));
  const QFontMetrics metrics(QToolTip::font());
  // Japanese has no spaces to break at: a line ends before the character that would not fit.
  QString wrapped;
  QString line;
  for (const QChar c : text) {
    if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > kTipTextWidth) {
      wrapped += line + QLatin1Char('\n');
      line.clear();
    }
    line += c;
  }
  return wrapped + line;
}

CommandActions::CommandActions(QWidget* window, Execute execute)
    : QObject(window), execute_(std::move(execute)) {
  // Menu items give the texts (and which commands are check items)...
  for (const MenuPopup& popup : MainMenu()) {
    for (const MenuItem& item : popup.items) {
      if (item.command == 0) continue;
      auto* action = new QAction(ToQString(item.text), this);
      action->setObjectName(QString::number(item.command));
      action->setCheckable(item.checkItem);
      action->setIconVisibleInMenu(false);
      const int command = item.command;
      connect(action, &QAction::triggered, this,
              [this, command] { execute_(command, CommandSource::kMenu); });
      actions_[command] = action;
    }
  }
  // ...the toolbar the images and the tips.
  const QPixmap strip(QStringLiteral(":/toolbar/toolbar.png"));
  for (const ToolbarButton& button : ToolbarButtons()) {
    QAction* action = Action(button.command);
    if (action == nullptr) continue;
    action->setIcon(QIcon(strip.copy(button.image * kImageWidth, 0, kImageWidth, kImageHeight)));
    action->setToolTip(ToolTipText(button.tooltip));
  }
  // The accelerators are window shortcuts rather than the actions' own, so that one key has one
  // meaning wherever the focus is. A text field keeps its editing keys (Ctrl+C copies its text).
  std::vector<Accelerator> keys = Accelerators();
  keys.insert(keys.end(), StandardShortcuts().begin(), StandardShortcuts().end());
  for (const Accelerator& a : keys) {
    auto* shortcut = new QShortcut(KeyOf(a), window);
    shortcut->setContext(Qt::WindowShortcut);
    const int command = a.command;
    connect(shortcut, &QShortcut::activated, this, [this, command] {
      QAction* action = Action(command);
      if (action != nullptr && !action->isEnabled()) return;  // unavailable: nothing at all
      execute_(command, CommandSource::kAccelerator);
    });
    shortcuts_[command] = shortcut;
    // The menu item shows its key after a tab, where menus show shortcuts.
    if (QAction* action = Action(command)) {
      action->setText(action->text() + QLatin1Char('\t') +
                      shortcut->key().toString(QKeySequence::NativeText));
    }
  }
}

QAction* CommandActions::Action(int command) const {
  const auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

QShortcut* CommandActions::Shortcut(int command) const {
  const auto it = shortcuts_.find(command);
  return it == shortcuts_.end() ? nullptr : it->second;
}

void CommandActions::FillMenuBar(QMenuBar* bar) const {
  for (const MenuPopup& popup : MainMenu()) {
    QMenu* menu = bar->addMenu(ToQString(popup.title));
    for (const MenuItem& item : popup.items) {
      if (item.command == 0) {
        menu->addSeparator();
      } else {
        menu->addAction(Action(item.command));
      }
    }
  }
}

void CommandActions::FillToolBar(QToolBar* toolBar) const {
  for (const ToolbarButton& button : ToolbarButtons()) {
    if (button.command == 0) {
      toolBar->addSeparator();
    } else {
      toolBar->addAction(Action(button.command));
    }
  }
}

void CommandActions::RefreshAvailability(const CommandAvailability& availability) {
  for (const auto& [command, action] : actions_) {
    if (command == kCmdCommunication || command == kCmdMotorOn || command == kCmdVirtualRobot) {
      continue;
    }
    action->setEnabled(availability.IsEnabled(command));
  }
}

void CommandActions::RefreshChecks(const LinkControlsState& link, bool virtualRobotListed) {
  if (QAction* a = Action(kCmdCommunication)) {
    a->setChecked(link.communicationChecked);
    a->setEnabled(link.communicationEnabled);
  }
  if (QAction* a = Action(kCmdMotorOn)) {
    a->setChecked(link.motorChecked);
    a->setEnabled(link.motorEnabled);
  }
  if (QAction* a = Action(kCmdVirtualRobot)) a->setChecked(virtualRobotListed);
}

QMenu* CommandActions::PopupContextMenu(const UndoHistory& history, const QPoint& globalPos,
                                        QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QString::number(kContextMenuId));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const std::vector<ContextMenuItemState> states = ContextMenuStates(history);
  const std::vector<MenuItem>& items = ContextMenu().items;
  for (std::size_t i = 0; i < items.size() && i < states.size(); ++i) {
    if (items[i].command == 0) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(ToQString(items[i].text));
    action->setObjectName(QString::number(items[i].command));
    action->setEnabled(states[i].enabled);
    const int command = items[i].command;
    connect(action, &QAction::triggered, this,
            [this, command] { execute_(command, CommandSource::kContextMenu); });
  }
  menu->popup(globalPos);
  return menu;
}

}  // namespace velmora
