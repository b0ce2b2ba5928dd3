#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "shell/application.h"
#include "shell/program_state.h"
#include "shell/shell_fixture.h"
#include "shell/ui/command_actions.h"
#include "shell/ui/main_toolbar.h"
#include "shell/ui/main_window.h"
#include "support/temp_dir.h"

namespace velmora::testing {

// The whole window over fresh program state in a directory of its own, with questions, file
// dialogs and modal dialogs answered by the test.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }

  // The start-up of the program, with def.ini as the test wrote it (if at all).
  void Start() {
    app.LoadStartupState();
    window = std::make_unique<MainWindow>(app);
    window->SetAsker([this](const std::string& text, MessageButtons, MessageIcon) {
      asked.push_back(text);
      if (answers.empty()) return MessageAnswer::kOk;
      const MessageAnswer a = answers.front();
      answers.pop_front();
      return a;
    });
    window->SetFileDialogs(&files);
    window->SetDialogRunner([this](int id) {
      dialogs.push_back(id);
      return dialogResult;
    });
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  QAction* Action(int command) const { return window->Actions()->Action(command); }
  QToolButton* Button(int command) const {
    return qobject_cast<QToolButton*>(window->ToolBar()->widgetForAction(Action(command)));
  }
  void Click(int command) { QTest::mouseClick(Button(command), Qt::LeftButton); }
  void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(target, key, modifiers);
  }
  std::string Title() const { return window->windowTitle().toStdString(); }

  // Lists the virtual robot through its menu item, chooses it and connects from the toolbar.
  void ConnectToVirtualRobot() {
    Action(kCmdVirtualRobot)->trigger();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->ToolBar()->RobotSelector()->count() == 1; }, 10000));
    Click(kCmdCommunication);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.servos.connected.load(); }, 10000));
    window->FlushChanges();
  }

  TempDir dir;
  FixedTime localTime;
  ProgramState state;
  Application app{state, {dir.path(), nullptr, nullptr, &localTime}};
  std::unique_ptr<MainWindow> window;

  std::deque<MessageAnswer> answers;
  std::vector<std::string> asked;
  ScriptedFileDialogs files;
  std::vector<int> dialogs;
  int dialogResult = 0;
};

}  // namespace velmora::testing
