// A stand-in for the program that the recovery kill test ends with SIGKILL: it edits its Motion by
// the scripted edits, reports on stdout how many edits have reached its recovery file, and goes
// on editing until it is killed.
//   recovery_kill_child <recovery folder> <module folder> <edits before the report>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "document/document.h"
#include "shell/application.h"
#include "shell/program_state.h"
#include "support/scripted_edits.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  velmora::ApplicationOptions options;
  options.moduleDirectory = argv[2];
  velmora::ProgramState state;
  velmora::Application app(state, std::move(options));
  // No pause between writes, so that most kills land while a write is under way.
  app.EnableRecovery(argv[1], std::chrono::milliseconds(0));
  app.LoadStartupState();
  const int reported = std::atoi(argv[3]);
  for (int k = 0;; ++k) {
    state.document.motion.Modify([k](std::vector<velmora::Pose>& poses, std::size_t& current) {
      velmora::testing::ApplyScriptedEdit(poses, current, k);
    });
    velmora::RecordStep(state.document);
    if (k + 1 == reported) {
      if (!app.Recovery().WaitIdle(std::chrono::seconds(10))) return 3;
      std::printf("%d\n", reported);
      std::fflush(stdout);
    }
    // After the report, an edit a millisecond: the kill comes within a few dozen of them.
    if (k + 1 >= reported) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
