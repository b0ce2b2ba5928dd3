#include <benchmark/benchmark.h>
#include <malloc.h>

#include <vector>

#include "document/document.h"
#include "document/undo_history.h"
#include "geometry/coordinate_system.h"

// Heap bytes in use by this process (the main heap and the blocks mapped on their own).
namespace {
long long LiveHeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long long>(info.uordblks) + static_cast<long long>(info.hblkhd);
}
}  // namespace

namespace velmora {
namespace {

constexpr std::size_t kPoses = 100000;

void FillDocument(Document& doc) {
  std::vector<Pose> poses(kPoses);
  for (std::size_t i = 0; i < poses.size(); ++i) poses[i].transitionTime = static_cast<uint32_t>(i);
  doc.motion.Replace(std::move(poses), 5);
  ResetHistory(doc);
}

// The edit of the table: one field of one Pose in the middle of the Motion.
void EditOnePose(Document& doc, uint32_t value) {
  Pose p = *doc.motion.PoseAt(kPoses / 2);
  p.transitionTime = value;
  doc.motion.SetPose(kPoses / 2, p);
}

void ReportSnapshotCost(benchmark::State& state) {
  state.counters["poses"] = static_cast<double>(kPoses);
  state.counters["whole_copy_bytes"] = static_cast<double>(UndoHistory::SnapshotBytes(kPoses));
  state.counters["bytes_per_pose"] = static_cast<double>(sizeof(Pose));
}

// One completed edit on a large Motion. The undo between iterations keeps the history at two
// snapshots, so every step also releases the one it replaces, as an edit after an undo does.
void BM_RecordStep(benchmark::State& state) {
  Document doc;
  FillDocument(doc);
  RecordStep(doc);
  uint32_t value = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Undo(doc);
    EditOnePose(doc, ++value);
    state.ResumeTiming();
    RecordStep(doc);
  }
  ReportSnapshotCost(state);
}
BENCHMARK(BM_RecordStep)->Unit(benchmark::kMillisecond);

// Undo of a one-Pose edit on a large Motion.
void BM_Undo(benchmark::State& state) {
  Document doc;
  FillDocument(doc);
  EditOnePose(doc, 1);
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

// The baseline of both: a whole copy of the Motion taken, and one installed.
void BM_WholeCopyBaseline(benchmark::State& state) {
  Document doc;
  FillDocument(doc);
  for (auto _ : state) {
    std::vector<Pose> copy = doc.motion.Poses();
    doc.motion.Replace(std::move(copy), 5);
  }
  ReportSnapshotCost(state);
}
BENCHMARK(BM_WholeCopyBaseline)->Unit(benchmark::kMillisecond);

// The memory the history keeps per one-Pose edit, over 200 edits at places spread through the
// Motion (the history is unlimited: nothing is dropped).
void BM_UndoMemoryPerOnePoseEdit(benchmark::State& state) {
  double perEdit = 0;
  for (auto _ : state) {
    Document doc;
    FillDocument(doc);
    constexpr int kEdits = 200;
    const long long before = LiveHeapBytes();
    for (int i = 0; i < kEdits; ++i) {
      const std::size_t at = static_cast<std::size_t>(i) * 7919 % kPoses;
      Pose p = *doc.motion.PoseAt(at);
      p.x += 1;
      doc.motion.SetPose(at, p);
      RecordStep(doc);
    }
    perEdit = static_cast<double>(LiveHeapBytes() - before) / kEdits;
  }
  state.counters["bytes_per_edit"] = perEdit;
  ReportSnapshotCost(state);
}
BENCHMARK(BM_UndoMemoryPerOnePoseEdit)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
