#include "link/hidapi/enumeration_cache.h"

#include <utility>

namespace velmora {

std::vector<HidDeviceEntry> EnumerationCache::Enumerate(uint16_t vid, uint16_t pid) {
  std::lock_guard lock(mutex_);
  const uint32_t now = clock_.NowMs();
  if (!last_ || last_->vid != vid || last_->pid != pid || now - last_->takenMs >= kRefreshMs) {
    last_ = Listing{vid, pid, now, api_.Enumerate(vid, pid)};
  }
  return last_->entries;
}

}  // namespace velmora
