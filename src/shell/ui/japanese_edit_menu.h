#pragma once

#include <QLineEdit>
#include <QMenu>

#include <memory>

namespace velmora {

// The context menu of an edit field with the program's Japanese texts.
std::unique_ptr<QMenu> JapaneseEditMenu(QLineEdit* edit);

// Makes a field's right-click menu the Japanese one.
void UseJapaneseEditMenu(QLineEdit* edit);

}  // namespace velmora
