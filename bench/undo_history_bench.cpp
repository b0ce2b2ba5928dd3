#include <benchmark/benchmark.h>
#include <malloc.h>

#include <vector>

#include "base/c_format.h"
#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "document/pose_list_view.h"
#include "document/pose_pane_controls.h"
#include "document/undo_history.h"
#include "geometry/coordinate_system.h"
#include "link/servo_table.h"
#include "support/map_view.h"

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

// The pose pane over a large Motion, its fields kept in a map and its list discarded.
class PaneBench {
 public:
  PaneBench() {
    FillDocument(doc_);
    pane_.AttachViews(fields_, list_);
    pane_.Initialise();
    Select(kPoses / 2);
  }
  void Select(std::size_t row) {
    pane_.SelectPose(row);
    pane_.SyncViews();
  }
  // The most common edit: a value typed into a field of the current Pose, and the field left,
  // which records the undo step.
  void Type(uint32_t time) {
    fields_.SetText(kTransitionTimeFieldId, FormatInt(static_cast<int32_t>(10 + 10 * time)));
    pane_.OnChange(kTransitionTimeFieldId);
  }
  void Leave() { pane_.OnFocusLost(kTransitionTimeFieldId); }
  // Undo or redo as the command does it, with the pane showing the restored current Pose.
  bool Undo() { return Restored(velmora::Undo(doc_)); }
  bool Redo() { return Restored(velmora::Redo(doc_)); }
  Document& Doc() { return doc_; }

 private:
  struct NoList : PoseListView {
    void SetRows(const Motion&) override {}
    void SetRowTexts(std::size_t, const PoseRowTexts&) override {}
    void SetSelection(const std::vector<std::size_t>&, long) override {}
    void EnsureVisible(std::size_t) override {}
  };
  bool Restored(bool done) {
    if (done) pane_.RefreshAfterReplace();
    return done;
  }

  Document doc_;
  Geometry geometry_;
  ServoTable servos_;
  PoseEditPane pane_{doc_, geometry_, servos_};
  testing::MapView fields_;
  NoList list_;
};

// One pane edit's undo step on a large Motion (the field left after typing a new time).
void BM_PaneEditRecordStep(benchmark::State& state) {
  PaneBench pane;
  pane.Type(1);
  pane.Leave();
  uint32_t value = 1;
  for (auto _ : state) {
    state.PauseTiming();
    pane.Undo();
    pane.Type(++value);
    state.ResumeTiming();
    pane.Leave();
  }
  state.counters["copied_poses"] = static_cast<double>(pane.Doc().history.LastCost().copiedPoses);
  ReportSnapshotCost(state);
}
BENCHMARK(BM_PaneEditRecordStep)->Unit(benchmark::kMillisecond);

// Undo of a pane edit, after the pane has shown the Pose the redo brought back.
void BM_PaneEditUndo(benchmark::State& state) {
  PaneBench pane;
  pane.Type(1);
  pane.Leave();
  for (auto _ : state) {
    state.PauseTiming();
    pane.Redo();
    state.ResumeTiming();
    if (!pane.Undo()) state.SkipWithError("nothing to undo");
  }
  state.counters["copied_poses"] = static_cast<double>(pane.Doc().history.LastCost().copiedPoses);
  ReportSnapshotCost(state);
}
BENCHMARK(BM_PaneEditUndo)->Unit(benchmark::kMillisecond);

// The memory the history keeps per pane edit, over 200 edits of Poses spread through the Motion.
void BM_UndoMemoryPerPaneEdit(benchmark::State& state) {
  double perEdit = 0;
  for (auto _ : state) {
    PaneBench pane;
    constexpr int kEdits = 200;
    const long long before = LiveHeapBytes();
    for (int i = 0; i < kEdits; ++i) {
      pane.Select(static_cast<std::size_t>(i) * 7919 % kPoses);
      pane.Type(static_cast<uint32_t>(i));
      pane.Leave();
    }
    perEdit = static_cast<double>(LiveHeapBytes() - before) / kEdits;
  }
  state.counters["bytes_per_edit"] = perEdit;
  ReportSnapshotCost(state);
}
BENCHMARK(BM_UndoMemoryPerPaneEdit)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
