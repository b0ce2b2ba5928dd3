#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/command_dispatch.h"
#include "shell/shell_view.h"

class QDockWidget;
class QPlainTextEdit;
class QWidget;

namespace velmora {

class Application;
class CommandActions;
class MainToolBar;
class MotionCheckWindow;
class PosePaneWidget;
class QtChangeSink;
class QtFileDialogs;
class SimulatorView;
class TimelineWidget;

// The program's one window "Quorvane": the toolbar on top, the pose pane on the left, the simulator
// view on the right and the communication log under the view, at fixed places in a client area of
// fixed size. It is the command table's ShellView: every command from the menu, the toolbar, an
// accelerator or the pose list's context menu goes through ExecuteCommand.
//
// Construction finishes the start-up after def.ini and the first Motion (Application::
// LoadStartupState): the log, the toolbar, the first layout (which starts the render thread),
// the pane filled with the Motion, then the ServoLink thread. Closing asks to save, then lets go
// of the robot and closes once the link has disconnected, without blocking the UI thread.
class MainWindow : public QMainWindow, public ShellView {
  Q_OBJECT

 public:
  using Asker = std::function<MessageAnswer(const std::string&, MessageButtons, MessageIcon)>;

  explicit MainWindow(Application& app, QWidget* parent = nullptr);
  ~MainWindow() override;  // stops every thread that could still report to the window

  // ---- ShellView ----
  MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
  FileDialogs& Files() override;
  int RunDialog(int id) override;
  void RequestClose() override;
  void FocusCommLog() override;
  void SetTitle(const std::string& title) override;

  // Runs a command as if chosen from `source`.
  void Execute(int command, CommandSource source);

  // At the end of the run, before the document is released: stops and joins the playback,
  // recorder, link and render threads.
  void StopThreads();

  // Applies the change reports that are waiting now (they are otherwise applied a few
  // milliseconds after they arrive).
  void FlushChanges();

  // ---- For tests: answers instead of message boxes and dialogs ----
  void SetAsker(Asker asker) { asker_ = std::move(asker); }
  void SetFileDialogs(FileDialogs* dialogs) { fileDialogsOverride_ = dialogs; }
  void SetDialogRunner(std::function<int(int)> runner) { dialogRunner_ = std::move(runner); }

  QWidget* PaneArea() const;
  PosePaneWidget* Pane() const { return pane_; }
  QWidget* ViewArea() const;
  SimulatorView* Simulator() const { return view_; }
  QPlainTextEdit* CommLog() const { return commLog_; }
  MainToolBar* ToolBar() const { return toolBar_; }
  CommandActions* Actions() const { return actions_; }
  MotionCheckWindow* MotionCheck() const { return motionCheck_; }
  TimelineWidget* Timeline() const { return timeline_; }
  QDockWidget* TimelineDock() const { return timelineDock_; }
  bool ShuttingDown() const { return shuttingDown_; }

  // Rebuilds the title from the document's file name and modified flag.
  void RefreshTitle();

  // Ends the run as a close does but without the save question (Ctrl+C or SIGTERM in a
  // terminal): the robot is let go of (torque off, bridge closed), then the window closes and
  // `whenClosed` runs. Also finishes a close that is already under way.
  void CloseWithoutAsking(std::function<void()> whenClosed);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyChanges(uint32_t changes);
  void RefreshAvailability();
  void RefreshLink();
  void RefreshCommLog();
  // The path preview toggle (menu and toolbar) and the speed choice as the application has them.
  void RefreshPathControls();
  // The motion check's flags in the PoseList and its window, after the analysis changed.
  void RefreshAnalysis(bool force);
  void ShowMotionCheck();
  // The timeline under the simulator, built the first time it is shown.
  void RefreshTimeline();
  void AfterRetime(const std::vector<std::size_t>& rows);
  void ApplyLayout();
  void ShowContextMenu(const QPoint& globalPos);
  void PollShutdown();
  // Starts letting go of the robot; true when it is let go of already.
  bool LetGoOfRobot();
  void FinishClose();

  Application& app_;
  QtChangeSink* sink_ = nullptr;
  CommandActions* actions_ = nullptr;
  std::unique_ptr<QtFileDialogs> fileDialogs_;
  QWidget* client_ = nullptr;
  MainToolBar* toolBar_ = nullptr;
  PosePaneWidget* pane_ = nullptr;
  SimulatorView* view_ = nullptr;
  QPlainTextEdit* commLog_ = nullptr;
  MotionCheckWindow* motionCheck_ = nullptr;
  TimelineWidget* timeline_ = nullptr;
  QDockWidget* timelineDock_ = nullptr;
  uint64_t commLogSeen_ = 0;

  // Closing: the user agreed, the link is letting go; the window closes once it has.
  bool shuttingDown_ = false;
  bool closeAllowed_ = false;
  QTimer shutdownPoll_;
  std::function<void()> whenClosed_;

  Asker asker_;
  FileDialogs* fileDialogsOverride_ = nullptr;
  std::function<int(int)> dialogRunner_;
};

// The user-interface font: the face named by FONT_NAME (as stored: UTF-8, or Shift-JIS from a
// Windows def.ini), or "ＭＳ ゴシック" when it is empty, falling back to a Japanese font the
// machine has.
QFont UiFont(const std::string& faceName);

}  // namespace velmora
