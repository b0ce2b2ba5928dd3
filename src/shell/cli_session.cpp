#include "shell/cli_session.h"

#include <chrono>
#include <string_view>
#include <thread>

#include "base/atomic_file.h"
#include "base/c_format.h"
#include "base/string_table.h"
#include "document/load_conversion.h"
#include "document/motion_file.h"
#include "link/link_controls.h"
#include "link/virtual_robot.h"

namespace velmora {

namespace {

ApplicationOptions SessionOptions(const CliIo& io) {
  ApplicationOptions options;
  options.moduleDirectory = io.moduleDirectory;
  options.clock = io.clock;
  if (io.makeHardware) options.hardware = io.makeHardware();
  return options;
}

bool Interrupted(const CliIo& io) { return io.interrupted != nullptr && io.interrupted->load(); }

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits up to `ms` for `done`, looking every 10 ms; false on a timeout or an interruption.
template <typename Pred>
bool WaitFor(const CliIo& io, int ms, Pred done) {
  for (int waited = 0; !done(); waited += 10) {
    if (waited >= ms || Interrupted(io)) return false;
    Sleep(10);
  }
  return true;
}

std::string JsonNumber(uint64_t v) { return FormatUnsigned(v); }

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (u < 0x20) {
      out += "\\u00" + FormatHexUpper(u, 2);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string CheckReportJson(const std::string& file, const CheckedMotion& checked,
                            const MotionReport& r) {
  std::string o = "{\"file\": " + JsonString(file) + ", \"readable\": true";
  o += ", \"poses\": " + JsonNumber(r.poses);
  o += ", \"flagged\": " + JsonNumber(r.flagged);
  o += ", \"out_of_reach\": " + JsonNumber(r.outOfReach);
  o += ", \"motor_limit\": " + JsonNumber(r.motorLimit);
  o += ", \"too_fast\": " + JsonNumber(r.tooFast);
  o += ", \"duration_ms\": " + JsonNumber(r.durationMs);
  o += ", \"pen_lifts\": " + JsonNumber(r.penLifts);
  o += ", \"pen_up_travel_ms\": " + JsonNumber(r.penUpTravelMs);
  o += ", \"issues\": [";
  bool first = true;
  for (std::size_t i = 0; i < checked.issues.size(); ++i) {
    const uint8_t bits = checked.issues[i];
    if (bits == 0) continue;
    const PoseCheck& c = checked.path.checks[i];
    if (!first) o += ", ";
    first = false;
    o += "{\"pose\": " + JsonNumber(i + 1);
    o += std::string(", \"out_of_reach\": ") + ((bits & kIssueOutOfReach) ? "true" : "false");
    o += ", \"limited_motors\": [";
    bool firstId = true;
    for (int k = 0; k < kMotorCount; ++k) {
      if ((c.limited & (1u << k)) == 0) continue;
      if (!firstId) o += ", ";
      firstId = false;
      o += FormatInt(k + 1);
    }
    o += "]";
    o += std::string(", \"too_fast\": ") + ((bits & kIssueTooFast) ? "true" : "false");
    o += ", \"fastest_motor\": " + FormatInt(c.fastestMotor);
    o += ", \"max_speed_deg_s\": " + FormatFixed(c.maxSpeed, 1);
    o += ", \"text\": " + JsonString(checked.reasons[i]) + "}";
  }
  o += "], \"lines\": [";
  for (std::size_t k = 0; k < r.lines.size(); ++k) {
    if (k != 0) o += ", ";
    o += JsonString(r.lines[k].text);
  }
  return o + "]}";
}

// Starts the link, picks the robot named `robot` ("VIRTUAL" or a bridge's serial number) and
// connects. False with the reason written.
bool ConnectRobot(CliSession& s, const CliIo& io, const std::string& command,
                  const std::string& robot) {
  s.app.StartLink();
  if (robot == VirtualRobot::kDefaultSerial) s.app.SetVirtualRobotListed(true);
  int index = -1;
  WaitFor(io, 3000, [&] {
    const std::vector<std::string> devices = s.state.linkControls.Devices();
    for (std::size_t k = 0; k < devices.size(); ++k) {
      if (devices[k] == robot) index = static_cast<int>(k);
    }
    return index >= 0;
  });
  if (index < 0) {
    CliError(io, command, "no robot '" + robot + "' is connected");
    return false;
  }
  s.state.linkControls.SelectDevice(index);
  s.state.linkControls.SetToggle(kCommunicationToggle, true);
  if (!WaitFor(io, 5000, [&] { return s.state.servos.connected.load(); })) {
    if (!Interrupted(io)) CliError(io, command, "cannot connect to the robot '" + robot + "'");
    s.state.linkControls.SetToggle(kCommunicationToggle, false);
    return false;
  }
  return true;
}

// The motors off, then the connection closed; the link thread ends with the session.
void ReleaseRobot(CliSession& s, const CliIo& io) {
  s.state.linkControls.SetToggle(kMotorToggle, false);
  // A few link cycles for the torque-off packets to go out.
  Sleep(200);
  s.state.linkControls.SetToggle(kCommunicationToggle, false);
  WaitFor(io, 2000, [&] { return s.app.Disconnected(); });
  s.app.StopThreads();
}

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
    if (!ApplyLoadConversion(
            state.geometry, state.settings, [] { return 1; }, file->system, file->poses) ||
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

void UnknownOption(const CliIo& io, const std::string& command, const std::string& arg) {
  CliError(io, command, "unknown option '" + arg + "'; see velmora " + command + " --help");
}

bool TakeFile(const CliIo& io, const std::string& command, const std::string& arg,
              const std::string& second, std::string& file) {
  if (IsOption(arg)) {
    UnknownOption(io, command, arg);
    return false;
  }
  if (!file.empty()) {
    CliError(io, command, second);
    return false;
  }
  file = arg;
  return true;
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
