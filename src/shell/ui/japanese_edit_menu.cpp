#include "shell/ui/japanese_edit_menu.h"

#include <QAction>

namespace velmora {

namespace {

struct EditMenuText {
  const char* objectName;
  const char* english;
  const char* japanese;
};
constexpr EditMenuText kEditMenuTexts[] = {
    {"edit-undo", "Undo", "元に戻す(&U)"},
    {"edit-redo", "Redo", "やり直し(&R)"},
    {"edit-cut", "Cut", "切り取り(&T)"},
    {"edit-copy", "Copy", "コピー(&C)"},
    {"edit-paste", "Paste", "貼り付け(&P)"},
    {"edit-delete", "Delete", "削除(&D)"},
    {"select-all", "Select All", "すべて選択(&A)"},
};

}  // namespace

std::unique_ptr<QMenu> JapaneseEditMenu(QLineEdit* edit) {
  std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
  for (QAction* action : menu->actions()) {
    // The text before the tab names the action; the key after it stays.
    const QString old = action->text();
    const qsizetype tab = old.indexOf(QLatin1Char('\t'));
    QString name = tab >= 0 ? old.left(tab) : old;
    name.remove(QLatin1Char('&'));
    for (const EditMenuText& t : kEditMenuTexts) {
      if (action->objectName() != QLatin1String(t.objectName) && name != QLatin1String(t.english)) {
        continue;
      }
      action->setText(QString::fromUtf8(t.japanese) + (tab >= 0 ? old.mid(tab) : QString()));
      break;
    }
  }
  return menu;
}

void UseJapaneseEditMenu(QLineEdit* edit) {
  edit->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(edit, &QWidget::customContextMenuRequested, edit, [edit](const QPoint& pos) {
    JapaneseEditMenu(edit)->exec(edit->mapToGlobal(pos));
  });
}

}  // namespace velmora
