#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "document/file_dialogs.h"
#include "document/pose_pane_fixture.h"
#include "link/local_time.h"
#include "shell/application.h"
#include "shell/command_dispatch.h"
#include "shell/program_state.h"
#include "shell/shell_view.h"
#include "support/map_view.h"
#include "support/temp_dir.h"

namespace velmora::testing {

// File dialogs that answer from a script and keep what they were asked.
class ScriptedFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> AskSavePath(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Next(savePaths);
  }
  std::optional<std::string> AskOpenPath(const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Next(openPaths);
  }

  std::deque<std::optional<std::string>> savePaths;  // none: the user cancels
  std::deque<std::optional<std::string>> openPaths;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<FileDialogRequest> openRequests;

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

// The main window as the command table sees it, with scripted answers.
class FakeShellView : public ShellView {
 public:
  MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    return messages.Ask(text, buttons, icon);
  }
  FileDialogs& Files() override { return files; }
  int RunDialog(int id) override {
    dialogs.push_back(id);
    if (onDialog) return onDialog(id);
    auto it = dialogResults.find(id);
    return it == dialogResults.end() ? 0 : it->second;
  }
  void RequestClose() override { ++closeRequests; }
  void FocusCommLog() override { ++commLogFocus; }
  void SetTitle(const std::string& text) override { title = text; }

  MapView messages;  // questions asked, answers scripted
  ScriptedFileDialogs files;
  std::vector<int> dialogs;
  std::map<int, int> dialogResults;
  std::function<int(int)> onDialog;
  int closeRequests = 0;
  int commLogFocus = 0;
  std::string title;
};

class FixedTime final : public LocalTimeSource {
 public:
  LocalTime Now() override { return {2026, 12, 8, 9, 5, 7}; }
};

// Waits in real time for another thread; false after `seconds`.
template <typename Pred>
bool Eventually(Pred pred, int seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The application over fresh program state in a directory of its own, with the pane's views
// attached as at start-up. The link thread is not started unless a test starts it.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.SetViewSink(&sink);
    app.LoadStartupState();
    state.pane.AttachViews(fields, list);
    state.pane.Initialise();
    state.pane.RefreshAfterReplace();
    state.pane.SyncViews();
  }
  void TearDown() override {
    app.StopThreads();
    state.pane.DetachViews();
  }

  bool Run(int command, CommandSource source = CommandSource::kMenu) {
    return ExecuteCommand(app, view, command, source);
  }

  // A Motion of `count` Poses told apart by ID1, installed as a freshly opened file is.
  void LoadPoses(int count, long current = 0) {
    std::vector<Pose> poses;
    for (int i = 0; i < count; ++i)
      poses.push_back(TimedPose(state.geometry, 100, int16_t(10 * i)));
    state.document.motion.Replace(poses, current);
    ResetHistory(state.document);
    state.pane.RefreshAfterReplace();
    state.pane.SyncViews();
  }

  // An edit as the pane records one.
  void Edit() {
    state.document.motion.Modify([](std::vector<Pose>& p, std::size_t& c) { p[c].arcRadius += 1; });
    RecordStep(state.document);
  }

  std::vector<std::string> QuestionTexts() const {
    std::vector<std::string> out;
    for (const auto& q : view.messages.questions) out.push_back(q.text);
    return out;
  }

  TempDir dir;
  FakeClock clock{1000};
  FixedTime localTime;
  RecordingSink sink;
  ProgramState state;
  Application app{state, {dir.path(), nullptr, &clock, &localTime}};
  FakeShellView view;
  MapView fields;
  FakePoseListView list;
};

}  // namespace velmora::testing
