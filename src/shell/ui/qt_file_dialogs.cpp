#include "shell/ui/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "shell/ui/widget_control_view.h"

namespace velmora {

namespace {

std::optional<std::string> Ask(const FileDialogRequest& request, bool save, QWidget* parent) {
  const std::unique_ptr<QFileDialog> dialog = MakeMotionFileDialog(request, save, parent);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog->selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen.front()).toStdString();
}

}  // namespace

std::unique_ptr<QFileDialog> MakeMotionFileDialog(const FileDialogRequest& request, bool save,
                                                  QWidget* parent) {
  auto dialog = std::make_unique<QFileDialog>(parent, ToQString(request.title));
  dialog->setObjectName(save ? QStringLiteral("saveMotion") : QStringLiteral("openMotion"));
  const QString filter = ToQString(request.filterDescription) + QStringLiteral(" (") +
                         ToQString(request.filterPattern) + QStringLiteral(")");
  dialog->setNameFilter(filter);
  dialog->selectNameFilter(filter);
  dialog->setDefaultSuffix(ToQString(request.defaultExtension));
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The save dialog asks before replacing a file (QFileDialog's default, made explicit); the open
  // dialog has no read-only choice to hide.
  dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog->setDirectory(ToQString(request.initialDirectory));
  if (!request.initialName.empty()) {
    // A name with a folder (the present file) opens in that folder.
    const QFileInfo initial(ToQString(request.initialName));
    if (initial.isAbsolute()) dialog->setDirectory(initial.absolutePath());
    dialog->selectFile(initial.fileName());
  }
  return dialog;
}

std::optional<std::string> QtFileDialogs::AskSavePath(const FileDialogRequest& request) {
  return Ask(request, /*save=*/true, parent_.data());
}

std::optional<std::string> QtFileDialogs::AskOpenPath(const FileDialogRequest& request) {
  return Ask(request, /*save=*/false, parent_.data());
}

}  // namespace velmora
