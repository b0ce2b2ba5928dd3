#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <memory>

#include "document/motion.h"
#include "geometry/kinematics.h"
#include "shell/program_state.h"
#include "simulator/render_loop.h"
#include "simulator/timeline.h"
#include "simulator/timeline_retime.h"
#include "simulator/ui/queue_rasterizer.h"
#include "simulator/ui/texture_table.h"
#include "simulator/ui/timeline_widget.h"
#include "support/poses.h"
#include "support/rushing_clock.h"

namespace velmora {
namespace {

constexpr int kTimelineWidth = 1000;  // the pane spans the window at 96 dots per inch
constexpr int kTimelineHeight = 210;
constexpr int kViewWidth = 666;
constexpr int kViewHeight = 462;

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "timeline_qt_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
}

// A drawn 500-Pose Motion on the 5-axis arm: strokes with the pen down, pen-up travel, every
// fifth move a None move, some arcs, and every 25th move too quick for the servos.
void LoadDrawing(ProgramState& program) {
  InitialiseProgramState(program);
  program.linkControls.SetAxisChoice(5);
  const ArmGeometry g = program.geometry.Get();
  std::vector<Pose> poses = testing::DrawnMotion(g, 500, 1000);
  for (std::size_t i = 0; i < poses.size(); i += 25) poses[i].transitionTime = 60;
  program.document.motion.Replace(poses, 250);
  program.analysis.Update(program.document.motion, g, 5, 300);
}

// The pane over the 500-Pose Motion with all of it in view, and a picture to draw it into.
struct TimelineBench {
  ProgramState program;
  std::unique_ptr<TimelineWidget> widget;
  QImage image{kTimelineWidth, kTimelineHeight, QImage::Format_RGB32};

  TimelineBench() {
    EnsureApplication();
    LoadDrawing(program);
    widget = std::make_unique<TimelineWidget>(program, TimelineWidget::Hooks{});
    widget->resize(kTimelineWidth, kTimelineHeight);
    widget->Refresh();
    widget->FitAll();
  }
  void Draw() {
    QPainter p(&image);
    widget->Draw(p);
  }
};

// One frame of the pane with the whole 500-Pose Motion in view, as a playback or a scrub draws
// it: the playhead over the kept picture of the lanes.
void BM_TimelineFrame500Poses(benchmark::State& state) {
  TimelineBench bench;
  for (auto _ : state) bench.Draw();
}
BENCHMARK(BM_TimelineFrame500Poses)->Unit(benchmark::kMillisecond);

// The same frame with everything drawn anew, as after a zoom, a scroll or a new selection: lanes,
// bands, flags, pen-down parts, 500 handles with their numbers, the ruler and the playhead.
void BM_TimelineFullRedraw500Poses(benchmark::State& state) {
  TimelineBench bench;
  for (auto _ : state) {
    bench.widget->ForgetLanes();
    bench.Draw();
  }
}
BENCHMARK(BM_TimelineFullRedraw500Poses)->Unit(benchmark::kMillisecond);

// One step of a handle drag on the 500-Pose Motion: the new time written, the whole Motion
// planned and checked again, the lanes rebuilt and the pane drawn.
void BM_TimelineDragStep500Poses(benchmark::State& state) {
  TimelineBench bench;
  ProgramState& program = bench.program;
  RetimeDrag drag;
  drag.Begin(program.document.motion, 200);
  const ArmGeometry g = program.geometry.Get();
  int step = 0;
  for (auto _ : state) {
    const std::vector<std::size_t> rows =
        drag.Update(program.document.motion, (++step % 2) != 0 ? 200.0 : -200.0, false);
    program.pane.RefreshConvertedRows(rows);
    program.analysis.Update(program.document.motion, g, 5, 300);
    bench.widget->Refresh();
    bench.Draw();
  }
  drag.Cancel(program.document.motion);
}
BENCHMARK(BM_TimelineDragStep500Poses)->Unit(benchmark::kMillisecond);

// Scrubbing: each step finds the arm at a new instant of the plan and the simulator draws a whole
// frame of it (scene, preview of the path, rasterised with textures).
void BM_TimelineScrubFrame(benchmark::State& state) {
  EnsureApplication();
  ProgramState program;
  LoadDrawing(program);
  program.programSettings.Update([](ProgramSettings& s) { s.pathPreview = true; });
  const std::shared_ptr<const CheckedMotion> checked = program.analysis.Latest();
  const TextureTable textures = LoadTextures(QStringLiteral(VELMORA_SOURCE_DIR), nullptr);
  QImage presented;
  QueueRasterizer rasterizer(QSize(kViewWidth, kViewHeight), textures, QFont(),
                             [&](QImage& frame) { presented = frame; });
  testing::RushingClock clock;
  RenderLoop loop(program, clock, rasterizer, kViewWidth, kViewHeight);
  loop.RunFrame();
  double t = 0;
  for (auto _ : state) {
    t = std::fmod(t + 97, checked->path.duration);
    program.simulator.scrub.Set(ScrubAt(checked->path, t).motors);
    benchmark::DoNotOptimize(loop.RunFrame());
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TimelineScrubFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
