#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace velmora {

// Which PoseList rows are selected and which one is focused. The core owns this model and the
// list widget mirrors it: the user's clicks come in through the pane, and the pane pushes the
// model back out after a rebuild or a highlight. Rows are 0-based and may name rows that no longer
// exist; readers ignore those.
class PoseSelection {
 public:
  // Exactly `row` selected and focused; no row at all when `row` is negative.
  void SelectOnly(long row);
  // Replaces the model with what the list reports.
  void Set(std::vector<std::size_t> selected, long focused);
  // Adds rows to the selection; the focus stays.
  void Add(std::size_t first, std::size_t count);

  // Selected rows in ascending order, each once.
  std::vector<std::size_t> Selected() const;
  // Selected rows below `rowCount`, in ascending order.
  std::vector<std::size_t> SelectedBelow(std::size_t rowCount) const;
  bool IsSelected(std::size_t row) const;
  // The focused row, or -1.
  long Focused() const;
  // The lowest selected row below `rowCount`.
  std::optional<std::size_t> FirstSelected(std::size_t rowCount) const;

  // Whether the keyboard focus is on the PoseList; written by the UI thread from the widget's
  // real focus, read by the command guards (cut, copy, paste and delete act only then).
  std::atomic<bool> listHasFocus{false};

 private:
  mutable std::mutex mutex_;  // guards selected_ and focused_: the playback thread highlights rows
  std::vector<std::size_t> selected_;  // ascending, unique
  long focused_ = -1;
};

}  // namespace velmora
