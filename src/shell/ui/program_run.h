#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora {

class Application;
class MainWindow;

// The run of the program once its state is loaded: the main window, the offer of unsaved work
// left by an earlier run, the file named on the command line, the event loop, and the end (the
// threads joined, the recovery file kept or removed, the settings written). Returns the exit
// status.
//
// A termination signal ends the run at any moment as a close does, without the save question:
// before the window shows anything, in the start-up question, in any dialog or question, and
// while the window closes. The robot is let go of, the settings are written, the recovery file is
// kept, and the status is 0. `prepare` (for tests) sees the window before it is shown.
int RunProgram(Application& app, const std::vector<std::string>& files,
               const std::function<void(MainWindow&)>& prepare = nullptr);

}  // namespace velmora
