#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/drawing_strokes.h"
#include "link/hid_uart.h"
#include "shell/program_paths.h"

namespace velmora {

class Clock;

// A drawing read from a file for `velmora import`: the strokes, or the reason it gave none.
struct CliDrawingRead {
  bool ok = false;
  std::string error;  // why not, for the message that names the file
  Drawing drawing;    // mm, x right, y down
};

// What a subcommand of the command line works with. The entry point fills it from the process
// (standard output and error, the terminal, the signal flag); tests fill it with their own.
struct CliIo {
  std::function<void(std::string_view)> out;
  std::function<void(std::string_view)> err;
  // Standard output is a terminal: play draws a progress bar instead of plain lines.
  bool terminal = false;
  // Set by Ctrl+C or SIGTERM: play and record stop, switch the motors off and end.
  const std::atomic<bool>* interrupted = nullptr;
  // Where def.ini and velmora.ini are looked for (as the window looks) unless --settings is given.
  std::filesystem::path moduleDirectory;
  PathEnvironment environment;
  // The USB bridges, for play and record on a real robot; none for the virtual robot only.
  std::function<std::unique_ptr<HidUart>()> makeHardware;
  // The clock of the link and the playback; the steady clock when null.
  Clock* clock = nullptr;
  // Reads an SVG drawing (the window's reader, which needs Qt's SVG module and so lives above
  // the command line); import refuses to run without it.
  std::function<CliDrawingRead(const std::string& path)> readDrawing;
};

// True when the first argument names a subcommand (check, export, convert, play, record, import,
// text): the program then runs it without starting the window.
bool IsCliCommand(const std::vector<std::string>& args);

// Runs the subcommand named by args[0] with the rest of the arguments; returns the exit status:
// 0 success, 1 something was flagged or could not be done, 2 bad arguments or an unreadable file,
// 130 stopped by Ctrl+C or SIGTERM.
int RunCli(const std::vector<std::string>& args, const CliIo& io);

// The subcommands' lines of `velmora --help`.
std::string CliHelpSummary();

// ---- The subcommands (cli_files.cpp, cli_robot.cpp), with the session they share ----

struct CliSession;

// The options every subcommand takes, read from the front of its arguments; the rest is left in
// `rest`. False (with the message written) on a bad option.
struct CliCommon {
  std::filesystem::path settingsFile;  // --settings FILE
  bool help = false;
  std::vector<std::string> rest;
};

int RunCheck(const std::vector<std::string>& args, const CliIo& io);
int RunExport(const std::vector<std::string>& args, const CliIo& io);
int RunConvert(const std::vector<std::string>& args, const CliIo& io);
int RunImport(const std::vector<std::string>& args, const CliIo& io);
int RunText(const std::vector<std::string>& args, const CliIo& io);
int RunPlay(const std::vector<std::string>& args, const CliIo& io);
int RunRecord(const std::vector<std::string>& args, const CliIo& io);

}  // namespace velmora
