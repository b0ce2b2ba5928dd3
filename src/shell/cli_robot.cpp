// The subcommands that drive the robot: play and record, through the same link, playback engine
// and recorder as the window, with the virtual robot behind the emulated bridge for VIRTUAL.
#include <algorithm>
#include <chrono>
#include <thread>

#include "base/c_format.h"
#include "document/motion_file.h"
#include "document/playback_speed.h"
#include "link/link_controls.h"
#include "link/measured_path.h"
#include "link/recorder.h"
#include "link/recording_simplifier.h"
#include "link/virtual_robot.h"
#include "shell/cli.h"
#include "shell/cli_session.h"

namespace velmora {

namespace {

constexpr int kInterruptedStatus = 130;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool Interrupted(const CliIo& io) { return io.interrupted != nullptr && io.interrupted->load(); }

bool ReadSpeed(const std::string& text, PlaybackSpeed& speed) {
  static const std::pair<const char*, PlaybackSpeed> kSpeeds[] = {{"0.25", PlaybackSpeed::kQuarter},
                                                                  {"0.5", PlaybackSpeed::kHalf},
                                                                  {"1", PlaybackSpeed::kNormal},
                                                                  {"2", PlaybackSpeed::kDouble},
                                                                  {"4", PlaybackSpeed::kQuadruple}};
  std::size_t used = 0;
  const double value = ParseDouble(text, &used);
  if (used != text.size() || text.empty()) return false;
  for (const auto& [name, s] : kSpeeds) {
    if (ParseDouble(name) == value) {
      speed = s;
      return true;
    }
  }
  return false;
}

bool ReadIndex(const std::string& text, std::size_t& index) {
  std::size_t used = 0;
  const int32_t v = ParseInt(text, &used);
  if (used != text.size() || text.empty() || v < 1) return false;
  index = static_cast<std::size_t>(v);
  return true;
}

std::string ProgressLine(std::size_t pose, std::size_t count, uint32_t leftMs, bool bar) {
  std::string line;
  if (bar) {
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = count == 0 ? 0 : std::min(kWidth, pose * kWidth / count);
    line = "\r[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] ";
  }
  line += "pose " + FormatUnsigned(pose) + "/" + FormatUnsigned(count) + ", " +
          FormatFixed(leftMs / 1000.0, 1) + " s left";
  return bar ? line + "   " : line + "\n";
}

const char kPlayHelp[] =
    "Usage: velmora play FILE.KMO --robot VIRTUAL|SERIAL [--speed 0.25|0.5|1|2|4]\n"
    "                    [--from N] [--to M] [--settings FILE]\n"
    "Connects to the robot (VIRTUAL: the program's virtual robot; else the serial number of a\n"
    "USB bridge as the window's robot list shows it), switches the motors on, plays the motion\n"
    "as the window plays it (Poses N to M, numbered from 1, when given), reports the largest\n"
    "distance between the measured and the planned path, switches the motors off and\n"
    "disconnects. Ctrl+C or SIGTERM stops the playback and switches the motors off.\n"
    "Exit status: 0 played, 1 the robot could not be reached, 2 bad arguments or file,\n"
    "130 stopped.\n";

const char kRecordHelp[] =
    "Usage: velmora record --robot VIRTUAL|SERIAL -o OUT.KMO [--interval MS] [--simplify MM]\n"
    "                      [--settings FILE]\n"
    "Connects with the motors off and records the arm's position every MS milliseconds (80 or\n"
    "more, a multiple of 10; def.ini's recording interval by default) while it is moved by hand,\n"
    "until Ctrl+C or SIGTERM; then writes the motion file, simplified within MM millimetres when\n"
    "--simplify is given.\n"
    "Exit status: 0 written, 1 the robot could not be reached or the file not written,\n"
    "2 bad arguments.\n";

}  // namespace

int RunPlay(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  if (common.help) {
    io.out(kPlayHelp);
    return 0;
  }
  std::string file, robot, speedText, fromText, toText;
  const std::vector<std::string>& a = common.rest;
  for (std::size_t i = 0; i < a.size(); ++i) {
    bool missing = false;
    if (TakeOption(a, i, "--robot", robot, missing) ||
        TakeOption(a, i, "--speed", speedText, missing) ||
        TakeOption(a, i, "--from", fromText, missing) ||
        TakeOption(a, i, "--to", toText, missing)) {
      if (missing) {
        CliError(io, "play", a[i] + " needs a value");
        return 2;
      }
    } else if (!TakeFile(io, "play", a[i], "one motion file at a time", file)) {
      return 2;
    }
  }
  if (file.empty() || robot.empty()) {
    CliError(io, "play", "name a motion file and --robot; see velmora play --help");
    return 2;
  }
  PlaybackSpeed speed = PlaybackSpeed::kNormal;
  if (!speedText.empty() && !ReadSpeed(speedText, speed)) {
    CliError(io, "play", "--speed is one of 0.25, 0.5, 1, 2, 4");
    return 2;
  }
  std::size_t from = 1, to = SIZE_MAX;
  if ((!fromText.empty() && !ReadIndex(fromText, from)) ||
      (!toText.empty() && !ReadIndex(toText, to))) {
    CliError(io, "play", "--from and --to are Pose numbers from 1");
    return 2;
  }
  CliSession s(io, common.settingsFile);
  std::string reason;
  std::optional<std::vector<Pose>> poses = s.LoadMotion(file, reason);
  if (!poses) {
    CliError(io, "play", file + ": " + reason);
    return 2;
  }
  to = std::min(to, poses->size());
  if (from > to) {
    CliError(io, "play", file + ": has no Poses " + FormatUnsigned(from) + " to " + toText);
    return 2;
  }
  // The range is played as a Motion of its own, as the window plays a Motion from its first Pose.
  std::vector<Pose> played(poses->begin() + static_cast<std::ptrdiff_t>(from - 1),
                           poses->begin() + static_cast<std::ptrdiff_t>(to));
  PlanOptions options;
  options.axes = s.Axes();
  options.speed = speed;
  const uint32_t planned =
      PlanPath(s.state.geometry.Get(), played, PreviewStart(played), options).duration;
  s.state.document.motion.Replace(played, 0);
  ResetHistory(s.state.document);
  s.app.SetPlaybackSpeed(speed);

  if (!ConnectRobot(s, io, "play", robot)) {
    ReleaseRobot(s, io);
    return Interrupted(io) ? kInterruptedStatus : 1;
  }
  s.state.linkControls.SetToggle(kMotorToggle, true);
  Sleep(200);
  const auto started = std::chrono::steady_clock::now();
  if (!s.app.StartPlayback()) {
    CliError(io, "play", "the playback did not start");
    ReleaseRobot(s, io);
    return 1;
  }
  std::size_t shown = SIZE_MAX;
  auto lastDraw = started - std::chrono::seconds(1);
  bool stopped = false;
  while (s.state.busy.playing.load()) {
    if (Interrupted(io) && !stopped) {
      s.state.busy.playbackStop.store(true);
      stopped = true;
    }
    const std::size_t current = s.state.document.motion.CurrentIndex() + 1;
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - started).count();
    const uint32_t left =
        planned > elapsed ? static_cast<uint32_t>(planned - static_cast<uint32_t>(elapsed)) : 0;
    if (io.terminal ? now - lastDraw >= std::chrono::milliseconds(100) : current != shown) {
      io.out(ProgressLine(current + from - 1, to, left, io.terminal));
      shown = current;
      lastDraw = now;
    }
    Sleep(20);
  }
  s.app.Playback().Join();
  if (io.terminal) io.out(ProgressLine(to, to, 0, true) + "\n");
  const MeasuredView measured = s.state.measured.View();
  ReleaseRobot(s, io);
  if (stopped) {
    io.err("velmora play: stopped; the motors are off\n");
    return kInterruptedStatus;
  }
  if (measured.result) {
    io.out("largest distance between measured and planned: " + FormatFixed(measured.result->mm, 2) +
           " mm (pose " + FormatUnsigned(measured.result->pose + from) + ")\n");
  } else {
    io.out("no measurement of the robot was read during the playback\n");
  }
  return 0;
}

int RunRecord(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  if (common.help) {
    io.out(kRecordHelp);
    return 0;
  }
  std::string robot, output, intervalText, simplifyText;
  const std::vector<std::string>& a = common.rest;
  for (std::size_t i = 0; i < a.size(); ++i) {
    bool missing = false;
    if (TakeOption(a, i, "--robot", robot, missing) || TakeOption(a, i, "-o", output, missing) ||
        TakeOption(a, i, "--output", output, missing) ||
        TakeOption(a, i, "--interval", intervalText, missing) ||
        TakeOption(a, i, "--simplify", simplifyText, missing)) {
      if (missing) {
        CliError(io, "record", a[i] + " needs a value");
        return 2;
      }
    } else {
      CliError(io, "record", "unknown argument '" + a[i] + "'; see velmora record --help");
      return 2;
    }
  }
  if (robot.empty() || output.empty()) {
    CliError(io, "record", "name --robot and -o OUT.KMO; see velmora record --help");
    return 2;
  }
  std::size_t used = 0;
  const uint32_t interval = ParseUnsigned(intervalText, &used);
  if (!intervalText.empty() && (used != intervalText.size() || interval < 80)) {
    CliError(io, "record", "--interval is a number of milliseconds, 80 or more");
    return 2;
  }
  const double tolerance = ParseDouble(simplifyText, &used);
  if (!simplifyText.empty() &&
      (used != simplifyText.size() || !(tolerance >= 0.01 && tolerance <= 100))) {
    CliError(io, "record", "--simplify is a tolerance in mm from 0.01 to 100");
    return 2;
  }
  CliSession s(io, common.settingsFile);
  s.state.settings.Update([&](Settings& st) {
    if (!intervalText.empty()) st.recInterval = RecordingDialog::NormaliseInterval(interval);
    // The arm is moved by hand: its motors stay off.
    st.recAutoPowOff = 1;
  });
  if (!ConnectRobot(s, io, "record", robot)) {
    ReleaseRobot(s, io);
    return Interrupted(io) ? kInterruptedStatus : 1;
  }
  // The first reading of the arm reaches the table before the first sample.
  Sleep(200);
  if (!s.app.StartRecording()) {
    CliError(io, "record", "the recording did not start");
    ReleaseRobot(s, io);
    return 1;
  }
  io.err("recording; move the arm by hand and press Ctrl+C to stop\n");
  while (s.state.busy.recording.load()) {
    if (Interrupted(io)) s.state.busy.recordStop.store(true);
    Sleep(20);
  }
  s.app.Recording().Join();
  const bool lost = !Interrupted(io);
  ReleaseRobot(s, io);
  std::vector<Pose> poses = s.state.document.motion.Poses();
  // The Motion's start Pose is not part of what was recorded.
  if (!poses.empty()) poses.erase(poses.begin());
  if (poses.empty()) {
    CliError(io, "record", "nothing was recorded");
    return 1;
  }
  if (!simplifyText.empty()) {
    SimplifyOptions options;
    options.toleranceMm = tolerance;
    options.penThreshold = s.state.settings.Get().vpenTh;
    options.axes = s.Axes();
    poses = SimplifyRecording(s.state.geometry.Get(), poses, options).poses;
  }
  std::string reason;
  if (!WriteOutput(output, FormatMotionFile(poses, s.state.geometry.Coords()), reason)) {
    CliError(io, "record", output + ": " + reason);
    return 1;
  }
  io.out("wrote " + FormatUnsigned(poses.size()) + " Poses to " + output + "\n");
  if (lost) CliError(io, "record", "the connection to the robot was lost; the recording ended");
  return 0;
}

}  // namespace velmora
