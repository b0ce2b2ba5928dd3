#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/pose.h"
#include "link/motion_check.h"
#include "link/motion_report.h"
#include "shell/application.h"
#include "shell/cli.h"
#include "shell/program_state.h"

namespace velmora {

// The program state and application of one subcommand: def.ini and velmora.ini read as the
// window reads them at start-up, nothing written back at the end.
struct CliSession {
  CliSession(const CliIo& io, const std::filesystem::path& settingsFile);
  ~CliSession();

  // Reads a motion file and brings it into the present coordinate system with the load
  // conversion the settings choose (never asking: the dialog's answer is "go on"). None, with
  // `reason` set, for a file that cannot be read or holds no Pose.
  std::optional<std::vector<Pose>> LoadMotion(const std::string& path, std::string& reason);

  // The check of `poses` as the window's motion check makes it: the same geometry, axes and
  // maximum servo speed.
  CheckedMotion Check(const std::vector<Pose>& poses) const;
  MotionReport Report(const CheckedMotion& checked) const;
  int Axes() const;

  ProgramState state;
  Application app;
};

// The JSON object of `velmora check --json` for one readable file (the README's schema).
std::string CheckReportJson(const std::string& file, const CheckedMotion& checked,
                            const MotionReport& report);
// A JSON string of `text`.
std::string JsonString(std::string_view text);

// Starts the link, picks the robot named `robot` ("VIRTUAL" or a bridge's serial number) and
// connects, with the motors as the toggle has them (off). False with the reason written as
// `command`'s error.
bool ConnectRobot(CliSession& s, const CliIo& io, const std::string& command,
                  const std::string& robot);
// The motors off, then the connection closed and the link thread stopped.
void ReleaseRobot(CliSession& s, const CliIo& io);

// Options: "--name VALUE" or "--name=VALUE". Fills `value` and advances `i` when args[i] is the
// option; `missing` is set when the value is absent.
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string& value, bool& missing);

// Whether `arg` looks like an option ("-x", "--name"); a lone "-" does not.
inline bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }
// The error for an option `command` does not know.
void UnknownOption(const CliIo& io, const std::string& command, const std::string& arg);
// An argument that none of `command`'s options took: the one file the command names goes into
// `file`. False, with the error written, for an unknown option or for a second file (`second`
// says why there can be only one).
bool TakeFile(const CliIo& io, const std::string& command, const std::string& arg,
              const std::string& second, std::string& file);

// Reads --settings and --help from anywhere in the arguments; the others stay in `rest`.
CliCommon ReadCommon(const std::vector<std::string>& args, const CliIo& io, bool& ok);

// "velmora check: " + text + "\n" to the error stream.
void CliError(const CliIo& io, const std::string& command, const std::string& text);

// The planned duration and the other times, in seconds with three decimals.
std::string Seconds(uint32_t ms);

// Writes a file through the atomic writer; false with the reason in `reason`.
bool WriteOutput(const std::string& path, const std::string& bytes, std::string& reason);

}  // namespace velmora
