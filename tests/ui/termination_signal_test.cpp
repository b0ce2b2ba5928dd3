#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "document/document.h"
#include "shell/settings_file.h"
#include "shell/shell_view.h"
#include "shell/ui/program_run.h"
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

namespace velmora {
namespace {

using namespace std::chrono_literals;

// A run whose unsaved work a termination signal left behind, as the next start finds it.
void LeaveUnsavedWork(const std::filesystem::path& module, const std::filesystem::path& folder) {
  ProgramState s;
  Application earlier(s, {module, nullptr, nullptr, nullptr});
  earlier.EnableRecovery(folder, 0ms);
  earlier.LoadStartupState();
  s.document.motion.InsertAfter(0, Pose{});
  RecordStep(s.document);
  ASSERT_TRUE(earlier.Recovery().WaitIdle(10s));
}

std::vector<std::filesystem::path> RecoveryFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    if (e.path().extension() == ".KMO") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The program's whole run (RunProgram) with real message boxes and dialogs, and SIGTERM at a
// chosen moment. A run that has not ended 20 s after the signal is ended by force and fails.
class ProgramRunTest : public ::testing::Test {
 protected:
  void TearDown() override { RemoveTerminationHandlers(); }

  void Start(bool unsavedWorkLeft) {
    if (unsavedWorkLeft) LeaveUnsavedWork(dir.path(), folder);
    left = RecoveryFiles(folder);
    app.EnableRecovery(folder);
    app.LoadStartupState();
    ASSERT_TRUE(InstallTerminationHandlers());
  }

  // Runs the program; SIGTERM goes when the first modal window shows (with `inModal`), else
  // before the run starts. `prepare` sees the window first.
  int Run(bool inModal, const std::function<void(MainWindow&)>& prepare = nullptr) {
    if (!inModal) std::raise(SIGTERM);
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      modals.push_back(modal->metaObject()->className());
      if (!signalled && inModal) {
        signalled = std::chrono::steady_clock::now();
        std::raise(SIGTERM);
      }
    });
    watch.start();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      hung = true;
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      QCoreApplication::exit(1);
    });
    watchdog.start(20000);
    return RunProgram(app, {}, prepare);
  }

  testing::TempDir dir;
  std::filesystem::path folder = dir / "state";
  ProgramState state;
  Application app{state, {dir.path(), nullptr, nullptr, nullptr}};
  std::vector<std::filesystem::path> left;
  std::vector<std::string> modals;
  std::optional<std::chrono::steady_clock::time_point> signalled;
  bool hung = false;
};

TEST_F(ProgramRunTest, ASignalBeforeTheWindowEndsTheRunBeforeTheRecoveryQuestion) {
  Start(/*unsavedWorkLeft=*/true);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(Run(/*inModal=*/false), 0);
  EXPECT_FALSE(hung);
  EXPECT_TRUE(modals.empty());
  // The earlier run's work waits for the next start; this run leaves none of its own.
  EXPECT_EQ(RecoveryFiles(folder), left);
  EXPECT_TRUE(std::filesystem::exists(dir / kSettingsFileName));
}

TEST_F(ProgramRunTest, ASignalInTheRecoveryQuestionEndsTheRunAndKeepsTheFile) {
  Start(/*unsavedWorkLeft=*/true);
  EXPECT_EQ(Run(/*inModal=*/true), 0);
  EXPECT_FALSE(hung);
  ASSERT_FALSE(modals.empty());
  EXPECT_EQ(modals.front(), "QMessageBox");
  EXPECT_EQ(RecoveryFiles(folder), left);
  EXPECT_TRUE(std::filesystem::exists(dir / kSettingsFileName));
}

TEST_F(ProgramRunTest, ASignalInADialogEndsTheRun) {
  Start(/*unsavedWorkLeft=*/false);
  EXPECT_EQ(Run(/*inModal=*/true,
                [](MainWindow& window) {
                  QTimer::singleShot(0, &window,
                                     [&window] { window.RunDialog(kSimulatorSettingsDialogId); });
                }),
            0);
  EXPECT_FALSE(hung);
  ASSERT_FALSE(modals.empty());
  EXPECT_TRUE(std::filesystem::exists(dir / kSettingsFileName));
}

// The user closes with unsaved changes and the save question is showing when the signal comes:
// the run ends without an answer, so the unsaved work stays for the next start.
TEST_F(ProgramRunTest, ASignalInTheSaveQuestionAtTheExitKeepsTheUnsavedWork) {
  Start(/*unsavedWorkLeft=*/false);
  EXPECT_EQ(Run(/*inModal=*/true,
                [](MainWindow& window) {
                  QTimer::singleShot(0, &window, [&window] {
                    window.Execute(kCmdInsertPose, CommandSource::kMenu);
                    window.close();
                  });
                }),
            0);
  EXPECT_FALSE(hung);
  ASSERT_FALSE(modals.empty());
  EXPECT_EQ(modals.front(), "QMessageBox");
  EXPECT_EQ(RecoveryFiles(folder).size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(dir / kSettingsFileName));
}

// The program itself, as a user starts it with unsaved work waiting, ended by SIGTERM while it
// asks about that work: it exits with status 0 within seconds and keeps the file.
TEST(ProgramProcess, SigtermDuringTheRecoveryQuestionEndsTheProcessWithStatusZero) {
  testing::TempDir dir;
  // A copy of the program with its skin in a folder of its own, so that its def.ini goes there.
  const std::filesystem::path bin = dir / "bin";
  std::filesystem::create_directories(bin);
  std::filesystem::copy_file(VELMORA_EXECUTABLE, bin / "velmora");
  std::filesystem::permissions(bin / "velmora", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  std::filesystem::copy(std::filesystem::path(VELMORA_EXECUTABLE).parent_path() / "skin",
                        bin / "skin", std::filesystem::copy_options::recursive);
  const std::filesystem::path folder = dir / "xdg-state" / "velmora";
  LeaveUnsavedWork(dir.path(), folder);
  const std::vector<std::filesystem::path> left = RecoveryFiles(folder);
  ASSERT_EQ(left.size(), 1u);

  // As a user's session starts it, with its state and home folders here.
  std::vector<std::string> env{"XDG_STATE_HOME=" + (dir / "xdg-state").string(),
                               "HOME=" + dir.path().string(), "QT_QPA_PLATFORM=offscreen"};
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("XDG_STATE_HOME=", 0) != 0 && entry.rfind("HOME=", 0) != 0 &&
        entry.rfind("QT_QPA_PLATFORM=", 0) != 0) {
      env.push_back(entry);
    }
  }
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = (bin / "velmora").string();
  char* argv[] = {program.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
  // The question shows within a moment of the start.
  std::this_thread::sleep_for(3s);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the program ended before the signal";
  kill(pid, SIGTERM);
  pid_t ended = 0;
  for (int i = 0; i < 200 && ended == 0; ++i) {
    std::this_thread::sleep_for(100ms);
    ended = waitpid(pid, &status, WNOHANG);
  }
  if (ended == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    FAIL() << "still running 20 s after SIGTERM";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(RecoveryFiles(folder), left);
  EXPECT_TRUE(std::filesystem::exists(bin / kSettingsFileName));
}

}  // namespace
}  // namespace velmora
