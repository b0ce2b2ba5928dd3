// The pose list with a long Motion: refilling it after the Motion was replaced, and the refresh
// after each Pose a recording adds. Both should cost about the rows on screen, not the Motion.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <vector>

#include "document/editing_commands.h"
#include "document/ui/pose_pane_widget.h"
#include "geometry/kinematics.h"
#include "shell/program_state.h"

namespace velmora {
namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "pose_list_qt_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: at exit Qt's own statics go first, and a QApplication destroyed after them
  // crashes the process once the benchmarks are done.
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

struct ShownPane {
  explicit ShownPane(std::size_t poseCount) {
    EnsureApplication();
    InitialiseProgramState(state);
    Pose p;
    p.motorValues = {100, 300, 100, 0, 0};
    p.transitionTime = 500;
    UpdateCoordinates(state.geometry.Get(), p);
    state.document.motion.Replace(std::vector<Pose>(poseCount, p), 0);
    widget = std::make_unique<PosePaneWidget>(state);
    widget->show();
    QApplication::processEvents();
  }
  ProgramState state;
  std::unique_ptr<PosePaneWidget> widget;
};

void BM_RefillAfterReplace(benchmark::State& bench) {
  ShownPane pane(static_cast<std::size_t>(bench.range(0)));
  for (auto _ : bench) {
    pane.state.pane.RefreshAfterReplace();
    pane.widget->SyncViews();
    QApplication::processEvents();  // the repaint of the visible rows
  }
  bench.SetLabel("poses " + std::to_string(bench.range(0)));
}
BENCHMARK(BM_RefillAfterReplace)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A recorder sample: a copy after the current Pose, then the refresh the UI thread does.
void BM_RecordedSampleRefresh(benchmark::State& bench) {
  ShownPane pane(100000);
  const Pose sample = pane.state.document.motion.Current();
  for (auto _ : bench) {
    InsertCopyAfterCurrent(pane.state.pane, sample);
    pane.widget->SyncViews();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_RecordedSampleRefresh)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
}  // namespace velmora
