#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "geometry/kinematics.h"
#include "shell/application.h"
#include "shell/commands.h"
#include "shell/program_state.h"
#include "shell/ui/command_actions.h"
#include "shell/ui/main_window.h"

namespace velmora {
namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "idle_window_qt_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  // The simulator reads its textures from skin/ beside the executable, as the program does.
  const std::filesystem::path skin =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "skin";
  std::error_code ignored;
  if (!std::filesystem::exists(skin)) {
    std::filesystem::create_directory_symlink(std::filesystem::path(VELMORA_SOURCE_DIR) / "skin",
                                              skin, ignored);
  }
}

// The program's folder, for def.ini.
struct ModuleDir {
  ModuleDir() {
    std::random_device seed;
    path = std::filesystem::temp_directory_path() / ("velmora-idle-" + std::to_string(seed()));
    std::filesystem::create_directories(path);
  }
  ~ModuleDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

// The process's processor time, every thread, user and system.
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for `ms`, asleep while there is nothing to do.
void RunEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until `done` holds, looking every 10 ms; false after `ms`.
template <typename Done>
bool RunUntil(Done done, int ms) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > ms) return false;
    RunEventLoop(10);
  }
  return true;
}

// Runs the event loop for `ms` and returns the processor time used per wall second.
double CpuPerWallSecond(int ms) {
  const double cpu0 = ProcessCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  RunEventLoop(ms);
  const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
  return (ProcessCpuSeconds() - cpu0) / seconds;
}

// A Motion that keeps the arm moving: linear moves between two points, 2 s each.
std::vector<Pose> BackAndForth(const ArmGeometry& g, int count) {
  std::vector<Pose> poses;
  for (int i = 0; i < count; ++i) {
    Pose p;
    p.x = 40;
    p.y = i % 2 == 0 ? -50 : 50;
    p.interpolation = kLinear;
    p.transitionTime = 2000;
    UpdateMotorValues(g, p);
    poses.push_back(p);
  }
  return poses;
}

// The whole program offscreen: main window, render thread, link thread. Arg 0: nothing changes,
// measured after the pen trace has settled. Arg 1: a playback moves the arm on the virtual robot.
void BM_WholeProgramCpuPerWallSecond(benchmark::State& state) {
  EnsureApplication();
  const bool moving = state.range(0) != 0;
  double ratio = 0;
  for (auto _ : state) {
    ModuleDir dir;
    ProgramState program;
    Application app(program, {dir.path, nullptr, nullptr, nullptr});
    app.LoadStartupState();
    MainWindow window(app);
    window.show();
    RunEventLoop(500);
    if (moving) {
      program.document.motion.Replace(BackAndForth(program.geometry.Get(), 40), 0);
      window.Actions()->Action(kCmdVirtualRobot)->trigger();
      RunUntil([&] { return program.linkControls.Devices().size() == 1; }, 10000);
      window.Actions()->Action(kCmdCommunication)->trigger();
      RunUntil([&] { return program.servos.connected.load(); }, 10000);
      window.Actions()->Action(kCmdPlay)->trigger();
      if (!RunUntil([&] { return program.busy.playing.load(); }, 10000)) {
        state.SkipWithError("the playback did not start");
      }
      RunEventLoop(1000);
    } else {
      // The pen trace changes for its 360 frames (about 6 s) after the start.
      RunEventLoop(7000);
    }
    ratio = CpuPerWallSecond(10000);
    if (moving && !program.busy.playing.load()) state.SkipWithError("the playback ended early");
    window.Actions()->Action(kCmdStop)->trigger();
    RunUntil([&] { return !program.busy.Busy(); }, 10000);
    window.StopThreads();
    app.FinishRun();
  }
  state.counters["cpu_per_wall_s"] = ratio;
}
BENCHMARK(BM_WholeProgramCpuPerWallSecond)
    ->ArgName("moving")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace velmora
