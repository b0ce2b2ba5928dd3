#pragma once

#include <cstddef>
#include <string_view>

namespace velmora {

// One line of a text file, without its line feed (a carriage return before it stays: both file
// readers treat it as white space).
struct TextLine {
  std::string_view text;
  // True only for a last line that has no line feed after it: its end is the end of the file.
  bool endsFile = false;
};

// Splits a file's bytes into whole lines, however long they are, so that only the real end of
// the file ends the reading. A NUL byte ends the readable text of its line (the rest of that line
// is skipped, as C-string readers skip it), but not the file.
class TextLineReader {
 public:
  explicit TextLineReader(std::string_view bytes) : bytes_(bytes) {}

  bool Next(TextLine* line) {
    if (pos_ >= bytes_.size()) return false;
    const std::size_t feed = bytes_.find('\n', pos_);
    const bool terminated = feed != std::string_view::npos;
    std::string_view text = bytes_.substr(pos_, (terminated ? feed : bytes_.size()) - pos_);
    pos_ = terminated ? feed + 1 : bytes_.size();
    const std::size_t nul = text.find('\0');
    line->endsFile = !terminated && nul == std::string_view::npos;
    line->text = text.substr(0, nul);
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

}  // namespace velmora
