#include "shell/cli_session.h"

#include "base/atomic_file.h"
#include "base/c_format.h"
#include "base/string_table.h"
#include "document/load_conversion.h"
#include "document/motion_file.h"

namespace velmora {

namespace {

ApplicationOptions SessionOptions(const CliIo& io) {
  ApplicationOptions options;
  options.moduleDirectory = io.moduleDirectory;
  options.clock = io.clock;
  if (io.makeHardware) options.hardware = io.makeHardware();
  return options;
}

}  // namespace

CliSession::CliSession(const CliIo& io, const std::filesystem::path& settingsFile)
    : app(state, SessionOptions(io)) {
  if (!settingsFile.empty()) {
    app.SetSettingsFile(settingsFile);
  } else {
    app.SetSettingsDirectory(ChooseSettingsDirectory(io.moduleDirectory, io.environment));
  }
  app.LoadStartupState();
}

CliSession::~CliSession() {
  app.StopThreads();
  FreeMotion(state.document);
}

std::optional<std::vector<Pose>> CliSession::LoadMotion(const std::string& path,
                                                        std::string& reason) {
  const CoordinateSystem current = state.geometry.Coords();
  FileFailure failure;
  std::optional<MotionFileContents> file =
      ReadMotionFileContents(path, current.clawPosition, &failure);
  if (!file) {
    reason = failure.systemError != 0 ? SystemErrorText(failure.systemError)
                                      : std::string("not a motion file (no Pose in it)");
    return std::nullopt;
  }
  if (!(file->system == current)) {
    if (!ApplyLoadConversion(state.geometry, state.settings, [] { return 1; }, file->system,
                             file->poses) ||
        file->poses.empty()) {
      reason = "its coordinate system cannot be used";
      return std::nullopt;
    }
  }
  return std::move(file->poses);
}

int CliSession::Axes() const { return state.linkControls.AxisChoice() == 3 ? 3 : 5; }

CheckedMotion CliSession::Check(const std::vector<Pose>& poses) const {
  // As Application::RefreshAnalysis checks the window's Motion.
  return CheckMotion(state.geometry.Get(), poses, Axes(),
                     state.programSettings.Get().maxServoSpeed);
}

MotionReport CliSession::Report(const CheckedMotion& checked) const {
  return ReportMotion(checked, state.settings.Get().vpenTh);
}

bool TakeOption(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string& value, bool& missing) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) {
      missing = true;
      return true;
    }
    value = args[++i];
    return true;
  }
  if (arg.size() > name.size() + 1 && arg.starts_with(name) && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

CliCommon ReadCommon(const std::vector<std::string>& args, const CliIo& io, bool& ok) {
  CliCommon common;
  ok = true;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    bool missing = false;
    if (options && args[i] == "--") {
      options = false;
      common.rest.push_back(args[i]);
    } else if (options && (args[i] == "--help" || args[i] == "-h")) {
      common.help = true;
    } else if (options && TakeOption(args, i, "--settings", value, missing)) {
      if (missing) {
        io.err("velmora: --settings needs a file\n");
        ok = false;
        return common;
      }
      common.settingsFile = value;
      std::error_code ec;
      if (!std::filesystem::is_regular_file(common.settingsFile, ec)) {
        io.err("velmora: " + value + ": no such settings file\n");
        ok = false;
        return common;
      }
    } else {
      common.rest.push_back(args[i]);
    }
  }
  return common;
}

void CliError(const CliIo& io, const std::string& command, const std::string& text) {
  io.err("velmora " + command + ": " + text + "\n");
}

std::string Seconds(uint32_t ms) { return FormatFixed(ms / 1000.0, 3) + " s"; }

bool WriteOutput(const std::string& path, const std::string& bytes, std::string& reason) {
  const FileResult written = WriteFileAtomically(path, bytes);
  if (!written) reason = SystemErrorText(written.error);
  return written.ok;
}

}  // namespace velmora
