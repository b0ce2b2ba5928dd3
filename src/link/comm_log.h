#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "base/change_sink.h"

namespace velmora {

// The communication log: one text, newest entry on top, never trimmed. The ServoLink thread writes
// it; the UI thread shows it when it is told kChangeCommLog.
class CommLog {
 public:
  explicit CommLog(ChangeSink* sink = nullptr) : sink_(sink) {}

  // Set once at start-up, before the link thread runs.
  void SetSink(ChangeSink* sink) { sink_.store(sink); }

  // Puts `text` on top: the text, CR LF, then the previous text with its last character (the
  // trailing space every entry ends in) replaced by one space.
  void AppendLog(std::string_view text);

  // Replaces the whole text (the connect line starts a fresh log).
  void Replace(std::string_view text);

  std::string Text() const;

  // Counts the changes, so a view can tell whether it is up to date.
  uint64_t Version() const;

  // For the view: when the text changed since `seen`, copies it into `text`, moves `seen` on and
  // returns true.
  bool TextIfChanged(uint64_t& seen, std::string& text) const;

 private:
  void Changed();

  mutable std::mutex mutex_;  // guards text_ and version_
  std::string text_;
  uint64_t version_ = 0;
  std::atomic<ChangeSink*> sink_;  // written by the UI thread at start-up
};

}  // namespace velmora
