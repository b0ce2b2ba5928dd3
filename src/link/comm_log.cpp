#include "link/comm_log.h"

namespace velmora {

void CommLog::AppendLog(std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    std::string next;
    next.reserve(text_.size() + text.size() + 10);
    next.append(text);
    next.append("\r\n");
    // Every entry ends in a space; dropping the last character and adding a space keeps the older
    // entries as they were. An empty log has no character to drop, and still gets its space so
    // that the next entry can drop it in turn.
    if (!text_.empty()) next.append(text_, 0, text_.size() - 1);
    next.push_back(' ');
    text_ = std::move(next);
    ++version_;
  }
  Changed();
}

void CommLog::Replace(std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    text_.assign(text);
    ++version_;
  }
  Changed();
}

std::string CommLog::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

uint64_t CommLog::Version() const {
  std::lock_guard lock(mutex_);
  return version_;
}

bool CommLog::TextIfChanged(uint64_t& seen, std::string& text) const {
  std::lock_guard lock(mutex_);
  if (version_ == seen) return false;
  seen = version_;
  text = text_;
  return true;
}

void CommLog::Changed() {
  if (ChangeSink* sink = sink_.load()) sink->Notify(kChangeCommLog);
}

}  // namespace velmora
