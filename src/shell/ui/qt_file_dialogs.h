#pragma once

#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "document/file_dialogs.h"

class QFileDialog;
class QWidget;

namespace velmora {

// The motion-file dialogs over QFileDialog, owned by the main window.
class QtFileDialogs final : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

  std::optional<std::string> AskSavePath(const FileDialogRequest& request) override;
  std::optional<std::string> AskOpenPath(const FileDialogRequest& request) override;

 private:
  QPointer<QWidget> parent_;
};

// The dialog for a request, set up but not shown: its title, the one filter, the default
// extension, the first folder and name; the save dialog confirms overwriting, the open dialog
// takes existing files only.
std::unique_ptr<QFileDialog> MakeMotionFileDialog(const FileDialogRequest& request, bool save,
                                                  QWidget* parent);

}  // namespace velmora
