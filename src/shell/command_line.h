#pragma once

#include <string>
#include <vector>

namespace velmora {

// What the command line asks for. Qt's own options (-platform, -style, ...) have been taken out
// by the time the program's arguments are read.
struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kError };
  Action action = Action::kRun;
  std::vector<std::string> files;  // motion files to open (the first one is opened)
  std::string error;               // kError: the line that says what was wrong
};

// Reads the arguments after the program name. "--" ends the options; "-" alone is a file name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text of --help, ending in a newline.
std::string HelpText();

// The text of --version, ending in a newline: "velmora 1.0.0.1".
std::string VersionText();

// The line printed, with exit status 1, when there is no display to open.
inline constexpr char kNoDisplayText[] =
    "cannot open the display; set DISPLAY or run under a desktop";

// The environment and arguments that decide whether a window can be shown.
struct DisplayEnvironment {
  std::string qpaPlatform;        // $QT_QPA_PLATFORM
  std::string display;            // $DISPLAY
  std::string waylandDisplay;     // $WAYLAND_DISPLAY
  bool platformArgument = false;  // -platform on the command line
};

DisplayEnvironment ProcessDisplayEnvironment(int argc, char** argv);

// False when the program would start on the X11 platform (Qt's choice on Linux when nothing else
// is named) with no display to connect to. A platform named by the environment or the command
// line (offscreen, wayland, ...) is left for Qt to judge.
bool DisplayAvailable(const DisplayEnvironment& env);

}  // namespace velmora
