#include <benchmark/benchmark.h>

#include <vector>

#include "document/document.h"
#include "document/undo_history.h"
#include "geometry/coordinate_system.h"

namespace velmora {
namespace {

constexpr std::size_t kPoses = 100000;

void FillDocument(Document& doc) {
  std::vector<Pose> poses(kPoses);
  for (std::size_t i = 0; i < poses.size(); ++i) poses[i].transitionTime = static_cast<uint32_t>(i);
  doc.motion.Replace(std::move(poses), 5);
  ResetHistory(doc);
}

void ReportSnapshotCost(benchmark::State& state) {
  state.counters["poses"] = static_cast<double>(kPoses);
  state.counters["snapshot_bytes"] = static_cast<double>(UndoHistory::SnapshotBytes(kPoses));
  state.counters["bytes_per_pose"] = static_cast<double>(sizeof(Pose));
}

// One completed edit on a large Motion: the whole Motion is copied into a snapshot. The undo
// between iterations keeps the history at two snapshots, so every step also releases the one it
// replaces, as an edit after an undo does.
void BM_RecordStep(benchmark::State& state) {
  Document doc;
  FillDocument(doc);
  RecordStep(doc);
  for (auto _ : state) {
    state.PauseTiming();
    Undo(doc);
    state.ResumeTiming();
    RecordStep(doc);
  }
  ReportSnapshotCost(state);
}
BENCHMARK(BM_RecordStep)->Unit(benchmark::kMillisecond);

// Undo on a large Motion: the snapshot is copied back and installed.
void BM_Undo(benchmark::State& state) {
  Document doc;
  FillDocument(doc);
  RecordStep(doc);
  for (auto _ : state) {
    state.PauseTiming();
    Redo(doc);
    state.ResumeTiming();
    if (!Undo(doc)) state.SkipWithError("nothing to undo");
  }
  ReportSnapshotCost(state);
}
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
