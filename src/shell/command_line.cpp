#include "shell/command_line.h"

#include <cstdlib>
#include <string_view>

#include "shell/cli.h"
#include "shell/version_info.h"

namespace velmora {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool options = true;
  for (const std::string& arg : args) {
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      line.action = CommandLine::Action::kHelp;
      return line;
    } else if (options && arg == "--version") {
      line.action = CommandLine::Action::kVersion;
      return line;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      line.action = CommandLine::Action::kError;
      line.error = "unknown option '" + arg + "'; see velmora --help";
      return line;
    } else {
      line.files.push_back(arg);
    }
  }
  return line;
}

std::string HelpText() {
  return "Usage: velmora [OPTION]... [FILE.KMO]\n"
         "   or: velmora COMMAND [ARGUMENT]...\n"
         "Edit motions for the two-link robot arm and play them on the robot.\n"
         "FILE.KMO, when given, is opened at start-up.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n"
         "\n" +
         CliHelpSummary() +
         "\n"
         "Settings are kept in def.ini: beside the program when it runs from its build folder or\n"
         "another folder of its own, else in $XDG_CONFIG_HOME/velmora (~/.config/velmora).\n";
}

std::string VersionText() {
  std::string version = "1.0.0.1";
  if (const auto lookup = ReadVersionBlock(EmbeddedVersionBlock())) {
    // The version resource writes "1, 0, 0, 1".
    const std::string stored = VersionString(*lookup, "ProductVersion");
    if (!stored.empty()) {
      version.clear();
      for (const char c : stored) {
        if (c == ',') {
          version += '.';
        } else if (c != ' ') {
          version += c;
        }
      }
    }
  }
  return "velmora " + version + "\n";
}

DisplayEnvironment ProcessDisplayEnvironment(int argc, char** argv) {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
  };
  DisplayEnvironment env{variable("QT_QPA_PLATFORM"), variable("DISPLAY"),
                         variable("WAYLAND_DISPLAY")};
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=") ||
        arg.starts_with("--platform=")) {
      env.platformArgument = true;
    }
  }
  return env;
}

bool DisplayAvailable(const DisplayEnvironment& env) {
  if (env.platformArgument) return true;
  const std::string_view platform(env.qpaPlatform);
  if (!platform.empty() && !platform.starts_with("xcb")) return true;
  if (!env.display.empty()) return true;
  // Nothing named: Qt may pick Wayland on a Wayland session.
  return platform.empty() && !env.waylandDisplay.empty();
}

}  // namespace velmora
