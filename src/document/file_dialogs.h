#pragma once

#include <optional>
#include <string>

namespace velmora {

// What a file dialog shows: its title, one filter entry (selected), the extension added to a
// name typed without one, and where it starts.
struct FileDialogRequest {
  std::string title;
  std::string filterDescription;  // "KMO"
  std::string filterPattern;      // "*.KMO"
  std::string defaultExtension;   // "KMO", without the dot
  std::string initialName;        // the current file name; may be empty
  std::string initialDirectory;   // the executable's directory
};

// The system's file dialogs, as the document code needs them. The Qt layer implements this with
// QFileDialog; tests script the answers.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The save dialog: asks before overwriting an existing file and appends the default extension
  // to a name typed without one. None when the user cancels.
  virtual std::optional<std::string> AskSavePath(const FileDialogRequest& request) = 0;
  // The open dialog: only an existing file can be chosen; there is no read-only choice. None when
  // the user cancels.
  virtual std::optional<std::string> AskOpenPath(const FileDialogRequest& request) = 0;
};

}  // namespace velmora
