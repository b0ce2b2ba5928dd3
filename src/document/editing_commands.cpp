#include "document/editing_commands.h"

#include <algorithm>
#include <vector>

#include "document/document.h"
#include "document/pose_edit_pane.h"
#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"

namespace velmora {

namespace {

// Scroll, show and rebuild after a change of the list, with the views brought up to date at once
// (UI thread).
void RefreshNow(PoseEditPane& pane) {
  pane.RefreshAfterReplace();
  pane.SyncViews();
}

}  // namespace

void InsertPose(PoseEditPane& pane) {
  pane.Doc().motion.Modify([](std::vector<Pose>& poses, std::size_t& current) {
    if (current >= poses.size()) return;
    const Pose copy = poses[current];
    poses.insert(poses.begin() + static_cast<std::ptrdiff_t>(current) + 1, copy);
    ++current;
  });
  RefreshNow(pane);
  RecordStep(pane.Doc());
}

void InsertCopyAfterCurrent(PoseEditPane& pane, const Pose& pose) {
  pane.Doc().motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
    const std::size_t at = poses.empty() ? 0 : current + 1;
    poses.insert(poses.begin() + static_cast<std::ptrdiff_t>(at), pose);
    current = at;
  });
  pane.RefreshAfterReplace();
}

void CapturePose(PoseEditPane& pane) {
  ServoPort& servos = pane.Servos();
  const int axisCount = std::clamp(servos.AxisCount(), 0, kMotorCount);
  std::array<int16_t, kMotorCount> present{};
  for (int id = 1; id <= axisCount; ++id) present[id - 1] = servos.PresentPosition(id);
  const ArmGeometry g = pane.Geo().Get();
  pane.Doc().motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
    if (current >= poses.size()) return;
    Pose& p = poses[current];
    for (int k = 0; k < axisCount; ++k) p.motorValues[k] = present[k];
    UpdateCoordinates(g, p);
  });
  RecordStep(pane.Doc());
  pane.RefreshCurrentRow();
  pane.ShowPose();
  pane.SyncViews();
}

void CopyPoses(PoseEditPane& pane) {
  PoseClipboard& clipboard = pane.Doc().clipboard;
  clipboard.Clear();
  const std::vector<std::size_t> rows = pane.Selection().Selected();
  pane.Doc().motion.Read([&](const std::vector<Pose>& poses, std::size_t) {
    for (std::size_t row : rows) {
      if (row >= poses.size()) break;  // ascending: every later row is beyond the end too
      clipboard.Append(poses[row]);
    }
  });
}

void CutPoses(PoseEditPane& pane) {
  CopyPoses(pane);
  DeletePoses(pane);
}

void PastePoses(PoseEditPane& pane) {
  const std::vector<Pose>& entries = pane.Doc().clipboard.Entries();
  if (entries.empty()) return;
  const long focused = pane.Selection().Focused();
  std::size_t anchor = 0;
  bool pasted = false;
  pane.Doc().motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
    if (poses.empty()) return;
    anchor = focused <= 0 ? 0 : std::min(static_cast<std::size_t>(focused), poses.size() - 1);
    const std::size_t at = anchor + 1;
    poses.insert(poses.begin() + static_cast<std::ptrdiff_t>(at), entries.begin(), entries.end());
    // The current Pose stays the same Pose, wherever the copies went.
    if (current >= at) current += entries.size();
    pasted = true;
  });
  if (!pasted) return;
  // The rows of the copies themselves, which follow the anchor.
  pane.ShowAddedRows(anchor + 1, entries.size());
  RecordStep(pane.Doc());
}

void DeletePoses(PoseEditPane& pane) {
  Document& doc = pane.Doc();
  const std::size_t size = doc.motion.Size();
  const std::vector<std::size_t> rows = pane.Selection().SelectedBelow(size);
  if (rows.empty()) return;
  if (rows.size() >= size) {
    NewMotion(doc, pane.Geo(), /*resetHistory=*/false);
  } else {
    doc.motion.Modify([&](std::vector<Pose>& poses, std::size_t& current) {
      for (std::size_t i = 0, r = 0; i < poses.size(); ++i) {
        const bool marked = r < rows.size() && rows[r] == i;
        if (marked) ++r;
        poses[i].deleteMark = marked ? 1 : 0;
      }
      // The current Pose survives, or hands over to the first survivor after it, or else to the
      // last survivor before it.
      std::size_t keep = current;
      if (current < poses.size() && poses[current].deleteMark != 0) {
        std::size_t next = current + 1;
        while (next < poses.size() && poses[next].deleteMark != 0) ++next;
        if (next < poses.size()) {
          keep = next;
        } else {
          keep = current;
          while (keep > 0 && poses[keep].deleteMark != 0) --keep;
        }
      }
      std::size_t removedBefore = 0;
      for (std::size_t i = 0; i < keep; ++i) removedBefore += poses[i].deleteMark != 0 ? 1 : 0;
      std::erase_if(poses, [](const Pose& p) { return p.deleteMark != 0; });
      current = keep - removedBefore;
    });
  }
  RecordStep(doc);
  RefreshNow(pane);
}

std::optional<std::size_t> FirstSelectedRow(const PoseEditPane& pane) {
  return pane.Selection().FirstSelected(pane.Doc().motion.Size());
}

std::optional<Pose> FirstSelectedPose(const PoseEditPane& pane) {
  const std::optional<std::size_t> row = FirstSelectedRow(pane);
  if (!row) return std::nullopt;
  return pane.Doc().motion.PoseAt(*row);
}

bool UndoEdit(PoseEditPane& pane) {
  if (!Undo(pane.Doc())) return false;
  RefreshNow(pane);
  return true;
}

bool RedoEdit(PoseEditPane& pane) {
  if (!Redo(pane.Doc())) return false;
  RefreshNow(pane);
  return true;
}

}  // namespace velmora
