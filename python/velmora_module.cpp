// The Python module `velmora`: motions, the arm's kinematics, the motion check and the robot, over
// the same core as the window and the command line.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/atomic_file.h"
#include "document/motion_file.h"
#include "geometry/kinematics.h"
#include "link/hidapi/cp2110_bridge.h"
#include "link/link_controls.h"
#include "link/measured_path.h"
#include "link/recorder.h"
#include "link/recording_simplifier.h"
#include "shell/cli_session.h"

namespace py = pybind11;

namespace velmora {
namespace {

// The settings of a script: def.ini and velmora.ini found as the installed program finds them,
// or the def.ini named.
std::shared_ptr<CliSession> OpenSession(const std::optional<std::string>& settings,
                                        std::atomic<bool>* interrupted = nullptr) {
  CliIo io;
  io.out = [](std::string_view) {};
  io.err = [](std::string_view) {};
  io.interrupted = interrupted;
  io.moduleDirectory = VELMORA_INSTALLED_BIN_DIR;
  io.environment = ProcessPathEnvironment();
  io.makeHardware = [] { return MakeCp2110Bridge(); };
  if (settings && !std::filesystem::is_regular_file(*settings)) {
    throw py::value_error(*settings + ": no such settings file");
  }
  return std::make_shared<CliSession>(
      io, settings ? std::filesystem::path(*settings) : std::filesystem::path());
}

class ScriptArm {
 public:
  explicit ScriptArm(const std::optional<std::string>& settings)
      : session_(OpenSession(settings)) {}
  explicit ScriptArm(std::shared_ptr<CliSession> session) : session_(std::move(session)) {}

  ArmGeometry GeometryNow() const { return session_->state.geometry.Get(); }
  CliSession& Session() const { return *session_; }
  const std::shared_ptr<CliSession>& Shared() const { return session_; }

  Pose Forward(const std::vector<int>& motors) const {
    if (motors.size() != static_cast<std::size_t>(kMotorCount))
      throw py::value_error("five motor values (ID1..ID5)");
    Pose p;
    const ArmGeometry g = GeometryNow();
    for (int k = 0; k < kMotorCount; ++k) {
      p.motorValues[k] = LimitMotorValue(motors[k], g.motorLimits[k]);
    }
    UpdateCoordinates(g, p);
    return p;
  }

  Pose Inverse(double x, double y, double z, double rotation, double handWidth,
               bool elbowPositive) const {
    Pose p;
    // The elbow side comes from the sign of ID2 before the conversion.
    p.motorValues[1] = elbowPositive ? 1 : -1;
    p.x = x;
    p.y = y;
    p.z = z;
    p.rotation = rotation;
    p.handWidth = handWidth;
    IkReport report;
    InverseKinematics(GeometryNow(), x, y, z, rotation, handWidth, p, &report);
    if (report.stretched) throw py::value_error("the point is out of the arm's reach");
    return p;
  }

  py::dict Coords() const {
    const velmora::CoordinateSystem c = session_->state.geometry.Coords();
    py::dict d;
    d["offset_x"] = c.centreOffsetX;
    d["offset_y"] = c.centreOffsetY;
    d["rotation_deg"] = c.baseRotation / std::numbers::pi * 180;
    d["claw_position"] = c.clawPosition;
    return d;
  }

  int Axes() const { return session_->Axes(); }

 private:
  std::shared_ptr<CliSession> session_;
};

class ScriptMotion {
 public:
  explicit ScriptMotion(std::shared_ptr<ScriptArm> arm) : arm_(std::move(arm)) {}

  static ScriptMotion Load(const std::string& path, std::shared_ptr<ScriptArm> arm) {
    if (!arm) arm = std::make_shared<ScriptArm>(std::nullopt);
    ScriptMotion m(arm);
    std::string reason;
    std::optional<std::vector<Pose>> read = arm->Session().LoadMotion(path, reason);
    if (!read) throw py::value_error(path + ": " + reason);
    m.poses = std::move(*read);
    return m;
  }

  void Save(const std::string& path) const {
    std::string reason;
    if (!WriteOutput(path, FormatMotionFile(poses, arm_->Session().state.geometry.Coords()),
                     reason)) {
      throw py::value_error(path + ": " + reason);
    }
  }

  std::size_t Index(long index, bool end) const {
    const long size = static_cast<long>(poses.size());
    if (index < 0) index += size;
    if (index < 0 || index > size || (!end && index == size)) {
      throw py::index_error("no Pose " + std::to_string(index));
    }
    return static_cast<std::size_t>(index);
  }

  // An edit as the pose pane makes it: a coordinate moves the motors through the inverse
  // kinematics, a motor value is held to its limit and moves the coordinates.
  void Set(long index, const std::string& field, double value) {
    Pose& p = poses[Index(index, false)];
    const ArmGeometry g = arm_->GeometryNow();
    double* coordinate = field == "x"            ? &p.x
                         : field == "y"          ? &p.y
                         : field == "z"          ? &p.z
                         : field == "rotation"   ? &p.rotation
                         : field == "hand_width" ? &p.handWidth
                                                 : nullptr;
    if (coordinate != nullptr) {
      if (!std::isfinite(value)) throw py::value_error(field + " must be finite");
      *coordinate = value;
      InverseKinematics(g, p.x, p.y, p.z, p.rotation, p.handWidth, p);
      return;
    }
    if (field.size() == 3 && field.starts_with("id") && field[2] >= '1' && field[2] <= '5') {
      const int k = field[2] - '1';
      p.motorValues[k] =
          LimitMotorValue(static_cast<int64_t>(std::llround(value)), g.motorLimits[k]);
      UpdateCoordinates(g, p);
      return;
    }
    if (field == "transition_time") {
      if (!(value >= 10 && value <= 655350)) throw py::value_error("10 to 655350 ms");
      p.transitionTime = static_cast<uint32_t>(value);
      return;
    }
    if (field == "arc_radius") {
      if (!std::isfinite(value)) throw py::value_error("arc_radius must be finite");
      p.arcRadius = value;
      return;
    }
    throw py::value_error("no field '" + field + "'");
  }

  const std::shared_ptr<ScriptArm>& GetArm() const { return arm_; }

  std::vector<Pose> poses;

 private:
  std::shared_ptr<ScriptArm> arm_;
};

py::object CheckMotionReport(const ScriptMotion& m) {
  CliSession& s = m.GetArm()->Session();
  const CheckedMotion checked = s.Check(m.poses);
  const std::string json = CheckReportJson("", checked, s.Report(checked));
  return py::module_::import("json").attr("loads")(json);
}

py::list PlanMotion(const ScriptMotion& m) {
  CliSession& s = m.GetArm()->Session();
  PlanOptions options;
  options.axes = s.Axes();
  const PlannedPath path =
      PlanPath(s.state.geometry.Get(), m.poses, PreviewStart(m.poses), options);
  py::list out;
  for (const PathPoint& p : path.points) {
    out.append(py::make_tuple(p.t, p.pose, p.x, p.y, p.z));
  }
  return out;
}

PlaybackSpeed SpeedOf(double speed) {
  for (const PlaybackSpeed s : kPlaybackSpeeds) {
    if (static_cast<int>(s) == speed * 4) return s;
  }
  throw py::value_error("speed is one of 0.25, 0.5, 1, 2, 4");
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class ScriptRobot {
 public:
  ScriptRobot(const std::string& name, const std::optional<std::string>& settings)
      : arm_(std::make_shared<ScriptArm>(OpenSession(settings, &stop_))) {
    CliIo io = Io();
    bool connected = false;
    {
      py::gil_scoped_release release;
      connected = ConnectRobot(arm_->Session(), io, "connect", name);
    }
    if (!connected) {
      ReleaseRobot(arm_->Session(), io);
      throw std::runtime_error("cannot connect to the robot '" + name + "'");
    }
    open_ = true;
  }
  ~ScriptRobot() { Close(); }

  void MotorsOn() {
    Live();
    arm_->Session().state.linkControls.SetToggle(kMotorToggle, true);
    py::gil_scoped_release release;
    SleepMs(200);
  }
  void MotorsOff() {
    if (!open_) return;
    arm_->Session().state.linkControls.SetToggle(kMotorToggle, false);
    py::gil_scoped_release release;
    SleepMs(200);
  }

  Pose Present() const {
    Live();
    Pose p;
    CliSession& s = arm_->Session();
    for (int id = 1; id <= kMotorCount; ++id)
      p.motorValues[id - 1] = s.state.servos.PresentPosition(id);
    UpdateCoordinates(s.state.geometry.Get(), p);
    return p;
  }

  int Current(int id) const {
    Live();
    if (id < 1 || id > kMotorCount) throw py::value_error("servo IDs are 1 to 5");
    return arm_->Session().state.servos.motorCurrents[id - 1].load();
  }

  // A playback of `poses`; with `wait`, until it ends, then the largest distance from the plan.
  py::object Play(std::vector<Pose> poses, double speed, bool wait) {
    Live();
    if (poses.empty()) throw py::value_error("the motion has no Pose");
    CliSession& s = arm_->Session();
    if (s.state.busy.Busy()) throw std::runtime_error("the robot is busy");
    s.app.Playback().Join();
    s.state.document.motion.Replace(std::move(poses), 0);
    s.app.SetPlaybackSpeed(SpeedOf(speed));
    stop_.store(false);
    if (!s.app.StartPlayback()) throw std::runtime_error("the playback did not start");
    if (!wait) return py::none();
    {
      py::gil_scoped_release release;
      while (s.state.busy.playing.load()) {
        if (stop_.load()) s.state.busy.playbackStop.store(true);
        SleepMs(10);
      }
      s.app.Playback().Join();
    }
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    const MeasuredView measured = s.state.measured.View();
    if (!measured.result) return py::none();
    return py::float_(measured.result->mm);
  }

  py::object Goto(Pose pose, uint32_t ms) {
    pose.interpolation = kNone;
    pose.transitionTime = std::max<uint32_t>(ms, 10);
    return Play({pose}, 1, true);
  }

  void Stop() {
    if (!open_) return;
    arm_->Session().state.busy.playbackStop.store(true);
    arm_->Session().state.busy.recordStop.store(true);
  }

  ScriptMotion Record(double seconds, std::optional<uint32_t> interval,
                      std::optional<double> simplify) {
    Live();
    CliSession& s = arm_->Session();
    if (s.state.busy.Busy()) throw std::runtime_error("the robot is busy");
    s.state.settings.Update([&](Settings& st) {
      if (interval) st.recInterval = RecordingDialog::NormaliseInterval(*interval);
      st.recAutoPowOff = 1;
    });
    NewMotion(s.state.document, s.state.geometry, /*resetHistory=*/true);
    if (!s.app.StartRecording()) throw std::runtime_error("the recording did not start");
    {
      py::gil_scoped_release release;
      const auto end = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
      while (s.state.busy.recording.load()) {
        if (stop_.load() || std::chrono::steady_clock::now() >= end) {
          s.state.busy.recordStop.store(true);
        }
        SleepMs(10);
      }
      s.app.Recording().Join();
    }
    ScriptMotion m(arm_);
    m.poses = s.state.document.motion.Poses();
    if (!m.poses.empty()) m.poses.erase(m.poses.begin());
    if (simplify && !m.poses.empty()) {
      SimplifyOptions options;
      options.toleranceMm = *simplify;
      options.penThreshold = s.state.settings.Get().vpenTh;
      options.axes = s.Axes();
      m.poses = SimplifyRecording(s.state.geometry.Get(), m.poses, options).poses;
    }
    return m;
  }

  void Close() {
    if (!open_) return;
    open_ = false;
    Stop();
    py::gil_scoped_release release;
    arm_->Session().app.Playback().Join();
    arm_->Session().app.Recording().Join();
    ReleaseRobot(arm_->Session(), Io());
  }

  const std::shared_ptr<ScriptArm>& GetArm() const { return arm_; }

 private:
  CliIo Io() {
    CliIo io;
    io.out = [](std::string_view) {};
    io.err = [](std::string_view) {};
    io.interrupted = nullptr;
    return io;
  }
  void Live() const {
    if (!open_) throw std::runtime_error("the robot is disconnected");
  }

  std::atomic<bool> stop_{false};
  std::shared_ptr<ScriptArm> arm_;
  bool open_ = false;
};

}  // namespace
}  // namespace velmora

PYBIND11_MODULE(velmora, m) {
  using namespace velmora;
  m.doc() = "Velmora's core for scripts: motions, the arm, the motion check and the robot.";

  py::class_<Pose>(m, "Pose",
                   "One key position: five motor values and the coordinates that match "
                   "them, how the arm gets there and how long it takes.")
      .def(py::init<>())
      .def_readwrite("interpolation", &Pose::interpolation, "0 None, 1 Linear, 2 Arc")
      .def_property(
          "motors",
          [](const Pose& p) {
            return std::vector<int>(p.motorValues.begin(), p.motorValues.end());
          },
          [](Pose& p, const std::vector<int>& v) {
            if (v.size() != static_cast<std::size_t>(kMotorCount))
              throw py::value_error("five motor values");
            for (int k = 0; k < kMotorCount; ++k) p.motorValues[k] = static_cast<int16_t>(v[k]);
          },
          "ID1..ID5 in motor units (set as they are: use ScriptMotion.set for the pane's rules)")
      .def_readwrite("x", &Pose::x, "mm")
      .def_readwrite("y", &Pose::y, "mm")
      .def_readwrite("z", &Pose::z, "mm, tool height")
      .def_readwrite("hand_width", &Pose::handWidth, "mm")
      .def_readwrite("arc_radius", &Pose::arcRadius, "mm, signed")
      .def_readwrite("rotation", &Pose::rotation, "degrees, wrist")
      .def_readwrite("arc_direction", &Pose::arcDirection, "0 clockwise, 1 counter-clockwise")
      .def_readwrite("transition_time", &Pose::transitionTime, "ms")
      .def_property(
          "excluded",
          [](const Pose& p) { return std::vector<int>(p.excluded.begin(), p.excluded.end()); },
          [](Pose& p, const std::vector<int>& v) {
            if (v.size() != static_cast<std::size_t>(kMotorCount))
              throw py::value_error("five flags");
            for (int k = 0; k < kMotorCount; ++k) p.excluded[k] = v[k];
          },
          "nonzero: the motor is left out when the Pose is sent")
      .def("__eq__", [](const Pose& a, const Pose& b) { return a == b; })
      .def("__repr__", [](const Pose& p) {
        return "Pose(x=" + std::to_string(p.x) + ", y=" + std::to_string(p.y) +
               ", z=" + std::to_string(p.z) + ", time=" + std::to_string(p.transitionTime) + ")";
      });

  py::class_<ScriptArm, std::shared_ptr<ScriptArm>>(m, "Arm", "The arm of the settings (def.ini).")
      .def(py::init<const std::optional<std::string>&>(), py::arg("settings") = py::none(),
           "settings: a def.ini to read; None finds def.ini and velmora.ini as the program does")
      .def("forward", &ScriptArm::Forward, py::arg("motors"),
           "Motor values -> Pose with coordinates")
      .def("inverse", &ScriptArm::Inverse, py::arg("x"), py::arg("y"), py::arg("z") = 0.0,
           py::arg("rotation") = 0.0, py::arg("hand_width") = 0.0, py::arg("elbow_positive") = true,
           "Coordinates -> Pose with motor values; ValueError outside the reach")
      .def_property_readonly("coordinate_system", &ScriptArm::Coords)
      .def_property_readonly("axes", &ScriptArm::Axes, "3 (pen type) or 5 (hand type)");

  py::class_<ScriptMotion>(m, "Motion", "An ordered list of Poses made for one Arm.")
      .def(py::init([](std::shared_ptr<ScriptArm> arm) {
             return ScriptMotion(arm ? arm : std::make_shared<ScriptArm>(std::nullopt));
           }),
           py::arg("arm") = nullptr)
      .def_static("load", &ScriptMotion::Load, py::arg("path"), py::arg("arm") = nullptr,
                  "Reads a .KMO file; ValueError names the file and the reason")
      .def("save", &ScriptMotion::Save, py::arg("path"))
      .def("__len__", [](const ScriptMotion& mo) { return mo.poses.size(); })
      .def(
          "__getitem__",
          [](const ScriptMotion& mo, long i) { return mo.poses[mo.Index(i, false)]; },
          "A copy of the Pose")
      .def("__setitem__",
           [](ScriptMotion& mo, long i, const Pose& p) { mo.poses[mo.Index(i, false)] = p; })
      .def_property(
          "poses", [](const ScriptMotion& mo) { return mo.poses; },
          [](ScriptMotion& mo, const std::vector<Pose>& p) { mo.poses = p; })
      .def(
          "insert",
          [](ScriptMotion& mo, long i, const Pose& p) {
            mo.poses.insert(mo.poses.begin() + static_cast<std::ptrdiff_t>(mo.Index(i, true)), p);
          },
          py::arg("index"), py::arg("pose"))
      .def("append", [](ScriptMotion& mo, const Pose& p) { mo.poses.push_back(p); })
      .def(
          "delete",
          [](ScriptMotion& mo, long i) {
            mo.poses.erase(mo.poses.begin() + static_cast<std::ptrdiff_t>(mo.Index(i, false)));
          },
          py::arg("index"))
      .def("set", &ScriptMotion::Set, py::arg("index"), py::arg("field"), py::arg("value"),
           "Edits a field as the pose pane does: x, y, z, rotation, hand_width move the motors; "
           "id1..id5 (held to the motor limits) move the coordinates; also transition_time, "
           "arc_radius")
      .def_property_readonly("arm", &ScriptMotion::GetArm);

  m.def("check", &CheckMotionReport, py::arg("motion"),
        "The motion check as `velmora check --json` reports it (a dict of the same keys)");
  m.def("plan", &PlanMotion, py::arg("motion"),
        "The planned path: a list of (t_ms, pose_index, x, y, z) as the playback sends it");

  py::class_<ScriptRobot>(m, "Robot", "A connected robot; use it in a with block.")
      .def("motors_on", &ScriptRobot::MotorsOn)
      .def("motors_off", &ScriptRobot::MotorsOff)
      .def("present", &ScriptRobot::Present, "Where the servos are now, as a Pose")
      .def("current", &ScriptRobot::Current, py::arg("id"), "The servo's last read current, mA")
      .def("goto", &ScriptRobot::Goto, py::arg("pose"), py::arg("ms"),
           "Moves to the Pose's motor values in `ms` and waits; returns the largest distance "
           "from the plan (mm) or None")
      .def(
          "play",
          [](ScriptRobot& r, const ScriptMotion& mo, double speed, bool wait) {
            return r.Play(mo.poses, speed, wait);
          },
          py::arg("motion"), py::arg("speed") = 1.0, py::arg("wait") = true,
          "Plays as the window plays; with wait, returns the largest measured-against-planned "
          "distance (mm) or None")
      .def("stop", &ScriptRobot::Stop, "Stops a playback or a recording")
      .def("record", &ScriptRobot::Record, py::arg("seconds"), py::arg("interval") = py::none(),
           py::arg("simplify") = py::none(),
           "Records for `seconds` with the motors off (the arm moved by hand); a ScriptMotion")
      .def("close", &ScriptRobot::Close, "Motors off and disconnect")
      .def_property_readonly("arm", &ScriptRobot::GetArm)
      .def(
          "__enter__", [](ScriptRobot& r) -> ScriptRobot& { return r; },
          py::return_value_policy::reference)
      .def("__exit__", [](ScriptRobot& r, py::object, py::object, py::object) {
        r.Close();
        return false;
      });

  m.def(
      "connect",
      [](const std::string& robot, const std::optional<std::string>& settings) {
        return std::make_unique<ScriptRobot>(robot, settings);
      },
      py::arg("robot"), py::arg("settings") = py::none(),
      "Connects to 'VIRTUAL' or a USB bridge's serial number; a ScriptRobot with the motors off");
}
