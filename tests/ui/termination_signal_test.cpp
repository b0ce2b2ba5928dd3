#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <csignal>
#include <filesystem>

#include "shell/settings_file.h"
#include "shell/ui/termination_signals.h"
#include "ui/main_window_fixture.h"

namespace velmora {
namespace {

using testing::MainWindowTest;

// SIGTERM (or Ctrl+C) while connected ends the run as a close does: no save question, the torque
// switched off on the robot, the window closed; the settings are then written as at every exit.
TEST_F(MainWindowTest, TerminationSignalLetsGoOfTheRobotAndEndsWithoutTheSaveQuestion) {
  ConnectToVirtualRobot();
  Click(kCmdMotorOn);
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.Robot().TorqueOn(1); }, 10000));
  Action(kCmdInsertPose)->trigger();
  ASSERT_TRUE(state.document.motion.IsModified());

  ASSERT_TRUE(InstallTerminationHandlers());
  bool closed = false;
  TerminationWatcher watcher([&](int) { window->CloseWithoutAsking([&] { closed = true; }); });
  std::raise(SIGTERM);
  const bool ended = QTest::qWaitFor([&] { return closed; }, 10000);
  RemoveTerminationHandlers();
  ASSERT_TRUE(ended);

  EXPECT_TRUE(asked.empty());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(state.servos.connected.load());
  EXPECT_FALSE(app.Robot().TorqueOn(1));
  EXPECT_FALSE(app.Robot().IsOpen());
  window->FlushChanges();
  EXPECT_TRUE(window->CommLog()->toPlainText().contains(QStringLiteral("MotorPow 0")));

  window->StopThreads();
  EXPECT_TRUE(app.FinishRun());
  EXPECT_TRUE(std::filesystem::exists(dir / kSettingsFileName));
}

}  // namespace
}  // namespace velmora
