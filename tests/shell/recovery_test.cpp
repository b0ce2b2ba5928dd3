#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "document/motion_file.h"
#include "document/recovery_file.h"
#include "shell/commands.h"
#include "shell/recovery_offer.h"
#include "shell/shell_fixture.h"
#include "support/scripted_edits.h"

extern char** environ;

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using namespace std::chrono_literals;

// One run of the program over a recovery folder, with the pane attached as at start-up.
struct ProgramRun {
  ProgramRun(const fs::path& module, const fs::path& recovery,
             std::chrono::milliseconds interval = 0ms)
      : app(state, Options(module)) {
    app.EnableRecovery(recovery, interval);
    app.SetViewSink(&sink);
    app.LoadStartupState();
    state.pane.AttachViews(fields, list);
    state.pane.Initialise();
    state.pane.RefreshAfterReplace();
    state.pane.SyncViews();
  }
  ~ProgramRun() {
    app.StopThreads();
    state.pane.DetachViews();
  }
  static ApplicationOptions Options(const fs::path& module) {
    ApplicationOptions options;
    options.moduleDirectory = module;
    return options;
  }
  void Edit(int k) {
    state.document.motion.Modify([k](std::vector<Pose>& poses, std::size_t& current) {
      testing::ApplyScriptedEdit(poses, current, k);
    });
    RecordStep(state.document);
  }
  bool Idle() { return app.Recovery().WaitIdle(10s); }
  // What the recovery file holds, read back as the motion file reader reads it.
  std::vector<Pose> FilePoses() {
    return ParseMotionFile(testing::ReadBytes(app.RecoveryFile()), 1).poses;
  }

  testing::RecordingSink sink;
  ProgramState state;
  Application app;
  testing::FakeShellView view;
  testing::MapView fields;
  testing::FakePoseListView list;
};

// The Poses as a motion file keeps them (six decimals).
std::vector<Pose> ThroughAFile(const std::vector<Pose>& poses) {
  return ParseMotionFile(FormatMotionFile(poses, CoordinateSystem{0, 0, 0, 1}), 1).poses;
}

std::vector<std::string> RecoveryFiles(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() == ".KMO") names.push_back(e.path().filename().string());
  }
  return names;
}

TEST(RecoveryFile, KeepsTheFileNameWhereTheMotionReaderDoesNotLook) {
  const std::vector<Pose> poses{Pose{}, Pose{}};
  const CoordinateSystem system{1.5, -2, 0, 1};
  // A name with a colon key and bytes beyond ASCII in it.
  const std::string name = "/home/u/TYPE:POS:\xe6\xad\xa9\xe3\x81\x8f.KMO";
  const std::string bytes = FormatRecoveryFile(poses, system, name);
  EXPECT_EQ(RecoveredFileName(bytes), name);
  const MotionFileContents read = ParseMotionFile(bytes, 1);
  EXPECT_EQ(read.poses, ParseMotionFile(FormatMotionFile(poses, system), 1).poses);
  EXPECT_EQ(read.system, system);
  EXPECT_EQ(RecoveredFileName(FormatRecoveryFile(poses, system, "")), "");
  EXPECT_EQ(RecoveredFileName(FormatMotionFile(poses, system)), "");
}

TEST(Recovery, TheFileFollowsTheMotionAndGoesWithASaveOrAConfirmedExit) {
  TempDir dir;
  const fs::path folder = dir / "state";
  fs::path file;
  {
    ProgramRun run(dir.path(), folder);
    file = run.app.RecoveryFile();
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.parent_path(), folder);
    EXPECT_FALSE(fs::exists(file));  // nothing unsaved yet

    run.Edit(0);
    run.Edit(1);
    ASSERT_TRUE(run.Idle());
    EXPECT_EQ(run.FilePoses(), ThroughAFile(run.state.document.motion.Poses()));

    const std::string saved = (dir / "saved.KMO").string();
    run.view.files.savePaths = {saved};
    ExecuteCommand(run.app, run.view, kCmdSaveAs, CommandSource::kMenu);
    ASSERT_TRUE(run.Idle());
    EXPECT_FALSE(fs::exists(file));

    run.Edit(2);
    ASSERT_TRUE(run.Idle());
    EXPECT_EQ(RecoveredFileName(testing::ReadBytes(file)), saved);
    // "No" to the save question ends the run normally: the copy goes with it.
    run.view.messages.answers = {MessageAnswer::kNo};
    ASSERT_TRUE(ConfirmClose(run.app, run.view));
    run.app.StopThreads();
    run.app.FinishRun();
    EXPECT_FALSE(fs::exists(file));
  }
  {
    // An exit nobody confirmed (the session ended) keeps the unsaved work for the next start.
    ProgramRun run(dir.path(), folder);
    run.Edit(0);
    run.app.StopThreads();
    run.app.FinishRun();
    EXPECT_TRUE(fs::exists(run.app.RecoveryFile()));
  }
}

TEST(Recovery, WritesAtMostOncePerIntervalAndCatchesUpWhenItStops) {
  TempDir dir;
  ProgramRun run(dir.path(), dir / "state", 60s);
  run.Edit(0);
  ASSERT_TRUE(testing::Eventually([&] { return run.app.Recovery().Writes() == 1; }));
  for (int k = 1; k < 5; ++k) run.Edit(k);  // each returns at once; the writer waits
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(run.app.Recovery().Writes(), 1u);
  run.app.Recovery().Stop();
  EXPECT_EQ(run.app.Recovery().Writes(), 2u);
  EXPECT_EQ(run.FilePoses(), ThroughAFile(run.state.document.motion.Poses()));
}

TEST(Recovery, RunningCopiesKeepTheirOwnFilesAndOnlyAnEndedOnesFileIsOffered) {
  TempDir dir;
  const fs::path folder = dir / "state";
  auto first = std::make_unique<ProgramRun>(dir.path(), folder);
  ProgramRun second(dir.path(), folder);
  first->Edit(0);
  second.Edit(1);
  second.Edit(2);
  ASSERT_TRUE(first->Idle());
  ASSERT_TRUE(second.Idle());
  EXPECT_NE(first->app.RecoveryFile(), second.app.RecoveryFile());
  EXPECT_EQ(first->FilePoses(), ThroughAFile(first->state.document.motion.Poses()));
  EXPECT_EQ(second.FilePoses(), ThroughAFile(second.state.document.motion.Poses()));

  ProgramRun third(dir.path(), folder);
  EXPECT_TRUE(third.app.FindOrphanedRecoveries().empty());  // both still run

  const fs::path firstFile = first->app.RecoveryFile();
  first.reset();  // ends without a confirmed exit
  const std::vector<OrphanedRecovery> orphans = third.app.FindOrphanedRecoveries();
  ASSERT_EQ(orphans.size(), 1u);
  EXPECT_EQ(orphans[0].file, firstFile);
}

TEST(Recovery, YesRestoresTheUnsavedMotionUnderItsNameAndNoDeletesIt) {
  TempDir dir;
  const fs::path folder = dir / "state";
  const std::string name = (dir / "walk.KMO").string();
  std::vector<Pose> lost;
  {
    ProgramRun run(dir.path(), folder);
    run.state.document.fileName = name;
    for (int k = 0; k < 4; ++k) run.Edit(k);
    lost = run.state.document.motion.Poses();
  }
  {
    ProgramRun run(dir.path(), folder);
    run.view.messages.answers = {MessageAnswer::kYes};
    ASSERT_TRUE(OfferRecovery(run.app, run.view));
    ASSERT_EQ(run.view.messages.questions.size(), 1u);
    const auto& question = run.view.messages.questions[0];
    EXPECT_NE(question.text.find("復元しますか"), std::string::npos);
    EXPECT_EQ(question.buttons, MessageButtons::kYesNo);
    EXPECT_EQ(question.icon, MessageIcon::kQuestion);
    EXPECT_EQ(run.state.document.motion.Poses(), ThroughAFile(lost));
    EXPECT_EQ(run.state.document.fileName, name);
    EXPECT_TRUE(run.state.document.motion.IsModified());
    EXPECT_EQ(run.view.title, CurrentTitle(run.app));
    EXPECT_EQ(run.view.title.substr(run.view.title.size() - 2), " *");
    EXPECT_FALSE(run.state.document.history.CanUndo());  // the history starts here
    EXPECT_EQ(run.list.rows.size(), lost.size());
    // The file is this run's own now; nothing else is left to offer.
    ASSERT_TRUE(run.Idle());
    EXPECT_EQ(RecoveryFiles(folder),
              std::vector<std::string>{run.app.RecoveryFile().filename().string()});
  }
  {
    ProgramRun run(dir.path(), folder);
    run.view.messages.answers = {MessageAnswer::kNo};
    EXPECT_FALSE(OfferRecovery(run.app, run.view));
    EXPECT_EQ(run.view.messages.questions.size(), 1u);
    EXPECT_EQ(run.state.document.motion.Size(), 1u);
    EXPECT_TRUE(RecoveryFiles(folder).empty());
  }
}

// A termination signal closes the question without an answer: every file stays for the next
// start and nothing more is asked.
TEST(Recovery, AQuestionClosedWithoutAnAnswerKeepsEveryFileAndAsksNoMore) {
  TempDir dir;
  const fs::path folder = dir / "state";
  for (int runs = 0; runs < 2; ++runs) {
    ProgramRun run(dir.path(), folder);
    run.Edit(runs);
  }
  std::vector<std::string> left = RecoveryFiles(folder);
  ASSERT_EQ(left.size(), 2u);
  std::sort(left.begin(), left.end());
  ProgramRun run(dir.path(), folder);
  run.view.messages.answers = {MessageAnswer::kCancel, MessageAnswer::kNo};
  EXPECT_FALSE(OfferRecovery(run.app, run.view));
  EXPECT_EQ(run.view.messages.questions.size(), 1u);
  std::vector<std::string> now = RecoveryFiles(folder);
  std::erase(now, run.app.RecoveryFile().filename().string());
  std::sort(now.begin(), now.end());
  EXPECT_EQ(now, left);
}

// The program is killed after a few edits, 50 times, often while it writes its recovery file.
// Each restart offers the file, and Yes gives back the Motion as it stood after the reported
// edits or a later one, Pose for Pose: never a torn or an older file.
TEST(RecoveryKill, AKilledProgramsEditsComeBackAtTheNextStart) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 50; ++round) {
    TempDir dir;
    const fs::path folder = dir / "state";
    const int edits = 2 + round % 6;
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::string program = VELMORA_RECOVERY_KILL_CHILD;
    std::string folderArg = folder.string();
    std::string moduleArg = dir.path().string();
    std::string editsArg = std::to_string(edits);
    char* argv[] = {program.data(), folderArg.data(), moduleArg.data(), editsArg.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char report[16] = {};
    const ssize_t got = read(out[0], report, sizeof report - 1);
    close(out[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 15000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_GT(got, 0) << "the program ended before its report";
    ASSERT_EQ(std::stoi(report), edits);

    ProgramRun restart(dir.path(), folder);
    std::vector<Pose> expected = restart.state.document.motion.Poses();  // the first Motion
    restart.view.messages.answers = {MessageAnswer::kYes};
    ASSERT_TRUE(OfferRecovery(restart.app, restart.view)) << round;
    const std::vector<Pose> restored = restart.state.document.motion.Poses();
    std::size_t current = 0;
    bool matched = false;
    for (int k = 0; k < edits + 2000 && !matched; ++k) {
      testing::ApplyScriptedEdit(expected, current, k);
      matched = k + 1 >= edits && ThroughAFile(expected) == restored;
    }
    EXPECT_TRUE(matched) << "round " << round << ": " << restored.size() << " Poses";
  }
}

}  // namespace
}  // namespace velmora
