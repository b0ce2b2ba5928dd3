#include "document/pose_selection.h"

#include <algorithm>

namespace velmora {

void PoseSelection::SelectOnly(long row) {
  std::lock_guard lock(mutex_);
  selected_.clear();
  focused_ = row < 0 ? -1 : row;
  if (row >= 0) selected_.push_back(static_cast<std::size_t>(row));
}

void PoseSelection::Set(std::vector<std::size_t> selected, long focused) {
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  std::lock_guard lock(mutex_);
  selected_ = std::move(selected);
  focused_ = focused < 0 ? -1 : focused;
}

void PoseSelection::Add(std::size_t first, std::size_t count) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < count; ++i) selected_.push_back(first + i);
  std::sort(selected_.begin(), selected_.end());
  selected_.erase(std::unique(selected_.begin(), selected_.end()), selected_.end());
}

std::vector<std::size_t> PoseSelection::Selected() const {
  std::lock_guard lock(mutex_);
  return selected_;
}

std::vector<std::size_t> PoseSelection::SelectedBelow(std::size_t rowCount) const {
  std::lock_guard lock(mutex_);
  const auto end = std::lower_bound(selected_.begin(), selected_.end(), rowCount);
  return std::vector<std::size_t>(selected_.begin(), end);
}

bool PoseSelection::IsSelected(std::size_t row) const {
  std::lock_guard lock(mutex_);
  return std::binary_search(selected_.begin(), selected_.end(), row);
}

long PoseSelection::Focused() const {
  std::lock_guard lock(mutex_);
  return focused_;
}

std::optional<std::size_t> PoseSelection::FirstSelected(std::size_t rowCount) const {
  std::lock_guard lock(mutex_);
  if (selected_.empty() || selected_.front() >= rowCount) return std::nullopt;
  return selected_.front();
}

}  // namespace velmora
