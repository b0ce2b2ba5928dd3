#pragma once

#include <cstddef>
#include <vector>

#include "document/pose_row_text.h"

namespace velmora {

class Motion;

// The core's side of the PoseList widget (control 1165): a report-style list of rows of four
// texts with several selectable rows and one focused row. The Qt layer implements it; tests use a
// fake. Only the UI thread calls it, from PoseEditPane::SyncViews and the pane's event handlers.
//
// The widget reports what the *user* does (PoseEditPane::OnListSelectionChanged,
// OnListFocusChanged, the right click); changes made through this interface need not be reported
// back, and reports that arrive while the pane is writing are ignored.
class PoseListView {
 public:
  virtual ~PoseListView() = default;

  // Deletes every row, then has one row per Pose of `motion`, in order, the texts of row i being
  // RowTexts(pose i, i + 1). The view may format a row only when it needs it (a Motion of
  // 100,000 Poses is never formatted as a whole) by reading `motion`, which outlives the view.
  // Until the next call the view keeps the row count it had here.
  virtual void SetRows(const Motion& motion) = 0;
  // Rewrites the texts of one existing row (the number column does not change). `texts` are
  // always those of the row's Pose in the Motion.
  virtual void SetRowTexts(std::size_t row, const PoseRowTexts& texts) = 0;
  // Exactly the rows in `selected` are selected and `focused` is focused (-1: no row).
  virtual void SetSelection(const std::vector<std::size_t>& selected, long focused) = 0;
  // Scrolls so that `row` is at least partly visible.
  virtual void EnsureVisible(std::size_t row) = 0;
};

}  // namespace velmora
