#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "geometry/kinematics.h"
#include "shell/program_state.h"
#include "simulator/render_loop.h"
#include "simulator/ui/queue_rasterizer.h"
#include "simulator/ui/render_thread.h"
#include "simulator/ui/texture_table.h"
#include "support/poses.h"
#include "support/rushing_clock.h"

namespace velmora {
namespace {

constexpr int kViewWidth = 666;  // the simulator area of the main window at 96 dots per inch
constexpr int kViewHeight = 462;

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "simulator_frame_qt_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
}

// One whole frame at the default view size: the 5-axis arm under load, a full 360-point pen trace
// drawn with the pen down, the scene built, rasterised with textures and the overlay written.
void BM_FrameSceneRasterOverlay(benchmark::State& state) {
  EnsureApplication();
  ProgramState program;
  InitialiseProgramState(program);
  program.settings.Update([](Settings& s) {
    s.axisType3 = 0;
    s.vpenIsFade = 1;
  });
  program.servos.connected = true;
  program.servos.axisCount = 5;
  for (int i = 0; i < 5; ++i) program.servos.motorCurrents[static_cast<std::size_t>(i)] = 250;
  program.busy.playing = true;

  const TextureTable textures = LoadTextures(QStringLiteral(VELMORA_SOURCE_DIR), nullptr);
  QImage presented;
  QueueRasterizer rasterizer(QSize(kViewWidth, kViewHeight), textures, QFont(),
                             [&](QImage& frame) { presented = frame; });
  testing::RushingClock clock;
  RenderLoop loop(program, clock, rasterizer, kViewWidth, kViewHeight);

  const ArmGeometry g = program.geometry.Get();
  Pose tool;
  double angle = 0;
  auto step = [&] {
    // The tool circles with the pen down, so every segment of the trace is visible.
    angle += 0.05;
    InverseKinematics(g, 40 + 30 * std::cos(angle), 40 + 30 * std::sin(angle), -20, 30, 20, tool);
    for (int id = 1; id <= 5; ++id) {
      program.servos.SetPresentPosition(id, tool.motorValues[static_cast<std::size_t>(id - 1)]);
    }
  };
  for (int i = 0; i < 360; ++i) {
    step();
    loop.RunFrame();
  }
  for (auto _ : state) {
    step();
    benchmark::DoNotOptimize(loop.RunFrame());
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameSceneRasterOverlay)->Unit(benchmark::kMillisecond);

// The same frame with the preview of a drawn 1,000-Pose Motion under the arm: the path is planned
// once (as after an edit), then every frame queues the cached lines, the highlighted move and the
// Pose numbers.
void BM_FrameWithPathPreview(benchmark::State& state) {
  EnsureApplication();
  ProgramState program;
  InitialiseProgramState(program);
  program.settings.Update([](Settings& s) { s.axisType3 = 0; });
  program.programSettings.Update([](ProgramSettings& s) { s.pathPreview = true; });
  const ArmGeometry g = program.geometry.Get();
  const std::vector<Pose> poses = testing::DrawnMotion(g, 1000, 1000);
  program.document.motion.Replace(poses, 500);
  program.analysis.Update(program.document.motion, g, 5, 300);

  const TextureTable textures = LoadTextures(QStringLiteral(VELMORA_SOURCE_DIR), nullptr);
  QImage presented;
  QueueRasterizer rasterizer(QSize(kViewWidth, kViewHeight), textures, QFont(),
                             [&](QImage& frame) { presented = frame; });
  testing::RushingClock clock;
  RenderLoop loop(program, clock, rasterizer, kViewWidth, kViewHeight);
  loop.RunFrame();  // the first frame draws the path into the cache
  std::size_t current = 0;
  for (auto _ : state) {
    program.document.motion.SetCurrentIndex(current++ % poses.size());
    benchmark::DoNotOptimize(loop.RunFrame());
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameWithPathPreview)->Unit(benchmark::kMillisecond);

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The idle program: the render thread alone, on the steady clock, with nothing changing. Reports
// the processor time it costs per second of wall time (1.0 would be one core kept busy).
void BM_IdleRenderThreadCpuPerWallSecond(benchmark::State& state) {
  EnsureApplication();
  ProgramState program;
  InitialiseProgramState(program);
  double cpu = 0;
  double wall = 0;
  uint64_t frames = 0;
  for (auto _ : state) {
    RenderThread::Options options;
    options.viewSize = QSize(kViewWidth, kViewHeight);
    options.baseDirectory = QStringLiteral(VELMORA_SOURCE_DIR);
    options.font = QFont();
    RenderThread thread(program, options);
    thread.Start();
    // Textures and fonts are loaded by the first frames; the idle cost is what follows.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const uint64_t frames0 = thread.FramesPresented();
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
    cpu += ProcessCpuSeconds() - cpu0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    frames += thread.FramesPresented() - frames0;
    thread.Stop();
  }
  state.counters["cpu_per_wall_s"] = cpu / wall;
  state.counters["frames_per_s"] = static_cast<double>(frames) / wall;
}
BENCHMARK(BM_IdleRenderThreadCpuPerWallSecond)
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace velmora
