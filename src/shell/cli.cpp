#include "shell/cli.h"

#include <array>
#include <string_view>

namespace velmora {

namespace {

struct Subcommand {
  const char* name;
  const char* summary;
  int (*run)(const std::vector<std::string>&, const CliIo&);
};

constexpr std::array<Subcommand, 7> kSubcommands{{
    {"check", "check motion files (reach, motor limits, servo speed) without moving", RunCheck},
    {"export", "write a motion's planned path as SVG or its Poses as CSV", RunExport},
    {"convert", "turn a CSV Pose table into a motion file", RunConvert},
    {"import", "turn an SVG drawing into a motion file for the pen arm", RunImport},
    {"text", "turn text in a single-stroke font into a motion file for the pen arm", RunText},
    {"play", "play a motion file on the robot or the virtual robot", RunPlay},
    {"record", "record a motion while the arm is moved by hand", RunRecord},
}};

}  // namespace

bool IsCliCommand(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  for (const Subcommand& c : kSubcommands) {
    if (args[0] == c.name) return true;
  }
  return false;
}

int RunCli(const std::vector<std::string>& args, const CliIo& io) {
  for (const Subcommand& c : kSubcommands) {
    if (!args.empty() && args[0] == c.name) {
      return c.run(std::vector<std::string>(args.begin() + 1, args.end()), io);
    }
  }
  io.err("velmora: no such command; see velmora --help\n");
  return 2;
}

std::string CliHelpSummary() {
  std::string text = "Commands (no display needed; each has its own --help):\n";
  for (const Subcommand& c : kSubcommands) {
    std::string name = c.name;
    name.resize(10, ' ');
    text += "  velmora " + name + c.summary + "\n";
  }
  text +=
      "Every command reads def.ini and velmora.ini as the window does, or the settings file\n"
      "named by --settings FILE.\n";
  return text;
}

}  // namespace velmora
