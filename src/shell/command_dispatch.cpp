#include "shell/command_dispatch.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "base/string_table.h"
#include "document/batch_conversion.h"
#include "document/editing_commands.h"
#include "document/file_dialogs.h"
#include "document/motion_file.h"
#include "document/pose_csv.h"
#include "link/path_svg.h"
#include "link/recorder.h"
#include "shell/application.h"
#include "shell/commands.h"
#include "shell/program_state.h"
#include "shell/shell_view.h"
#include "shell/title.h"

namespace velmora {

namespace {

constexpr int kNotConnectedText = 40012;

// The main window as the message-box side of a ControlView, for the command helpers that ask
// through one. It has no controls.
class MessageOnlyView final : public ControlView {
 public:
  explicit MessageOnlyView(ShellView& view) : view_(view) {}
  void SetText(int, const std::string&) override {}
  std::string Text(int) const override { return std::string(); }
  void SetCheck(int, CheckState) override {}
  CheckState Check(int) const override { return CheckState::kUnchecked; }
  void SetItems(int, const std::vector<std::string>&) override {}
  void SetSelection(int, int) override {}
  int Selection(int) const override { return -1; }
  void SetRange(int, int, int) override {}
  void SetPosition(int, int) override {}
  int Position(int) const override { return 0; }
  void Enable(int, bool) override {}
  bool IsEnabled(int) const override { return false; }
  MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    return view_.Ask(text, buttons, icon);
  }
  void Beep() override {}

 private:
  ShellView& view_;
};

void WarnNotConnected(ShellView& view) {
  view.Ask(LoadText(kNotConnectedText), MessageButtons::kOk, MessageIcon::kWarning);
}

void Retitle(Application& app, ShellView& view) { view.SetTitle(CurrentTitle(app)); }

// A save or an open that failed for a reason the user should know: what failed, the file and the
// system's reason. A cancelled dialog or a refused load conversion was the user's own choice.
void WarnFileFailure(ShellView& view, int whatFailed, const FileFailure& failure) {
  if (failure.cancelled) return;
  const std::string reason =
      failure.systemError != 0 ? SystemErrorText(failure.systemError) : LoadText(kNotAMotionText);
  view.Ask(LoadText(whatFailed) + "\n" + failure.path + "\n" + reason, MessageButtons::kOk,
           MessageIcon::kWarning);
}

bool Save(Application& app, ShellView& view, bool useKnownName) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  FileFailure failure;
  if (!SaveMotion(s.document, s.geometry, view.Files(), app.ModuleDirectoryText(), useKnownName,
                  &failure)) {
    WarnFileFailure(view, kSaveFailedText, failure);
    return false;
  }
  Retitle(app, view);
  return true;
}

void NewDocument(Application& app, ShellView& view) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  if (!AskToSave(app, view)) return;
  s.document.fileName.clear();
  NewMotion(s.document, s.geometry, /*resetHistory=*/true);
  s.pane.FillPoseList();
  s.pane.SyncViews();
  Retitle(app, view);
}

bool OpenDocument(Application& app, ShellView& view, FileDialogs& files) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  if (!AskToSave(app, view)) return false;
  const LoadReconcile reconcile =
      app.MakeLoadReconcile([&view] { return view.RunDialog(kLoadDialogId); });
  FileFailure failure;
  if (!OpenMotion(s.document, s.geometry, files, app.ModuleDirectoryText(), reconcile, &failure)) {
    WarnFileFailure(view, kOpenFailedText, failure);
    return false;
  }
  // The loaded Motion's first Pose is current; the list is rebuilt around it.
  s.pane.RefreshAfterReplace();
  s.pane.SyncViews();
  Retitle(app, view);
  return true;
}

constexpr int kCsvReadFailedText = 41350;
constexpr int kSvgWriteFailedText = 41359;
constexpr int kCsvWriteFailedText = 41360;
constexpr int kExportSvgTitle = 41361;
constexpr int kExportCsvTitle = 41362;
constexpr int kImportCsvTitle = 41363;

// The export dialogs offer the motion file's name with the new extension.
FileDialogRequest ExchangeRequest(Application& app, int title, const char* extension) {
  const std::string upper = extension;
  std::string lower;
  for (const char c : upper) lower += static_cast<char>(c - 'A' + 'a');
  std::string name;
  if (!app.State().document.fileName.empty()) {
    name = std::filesystem::path(app.State().document.fileName)
               .replace_extension(lower)
               .filename()
               .string();
  }
  return {LoadText(title), upper, "*." + lower, lower, name, app.ModuleDirectoryText()};
}

void WarnWriteFailure(ShellView& view, int whatFailed, const std::string& path, int error) {
  view.Ask(LoadText(whatFailed) + "\n" + path + "\n" + SystemErrorText(error),
           MessageButtons::kOk, MessageIcon::kWarning);
}

// The planned path of the Motion as the preview shows it, with what the robot did in the last
// playback when there was one.
void ExportSvg(Application& app, ShellView& view) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  const std::optional<std::string> path =
      view.Files().AskSavePath(ExchangeRequest(app, kExportSvgTitle, "SVG"));
  if (!path || path->empty()) return;
  app.RefreshAnalysis();
  const std::shared_ptr<const CheckedMotion> checked = s.analysis.Latest();
  if (checked == nullptr) return;
  const MeasuredView measured = s.measured.View();
  const FileResult written = WriteFileAtomically(
      *path, FormatPathSvg(checked->path, s.settings.Get().vpenTh, measured.samples));
  if (!written) WarnWriteFailure(view, kSvgWriteFailedText, *path, written.error);
}

void ExportCsv(Application& app, ShellView& view) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  const std::optional<std::string> path =
      view.Files().AskSavePath(ExchangeRequest(app, kExportCsvTitle, "CSV"));
  if (!path || path->empty()) return;
  const FileResult written =
      WriteFileAtomically(*path, FormatPoseCsv(s.document.motion.Poses()));
  if (!written) WarnWriteFailure(view, kCsvWriteFailedText, *path, written.error);
}

// The table replaces the Poses as one undo step: nothing is lost, Undo brings the Motion back, and
// the file name stays, as after any other edit.
void ImportCsv(Application& app, ShellView& view) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  const std::optional<std::string> path =
      view.Files().AskOpenPath(ExchangeRequest(app, kImportCsvTitle, "CSV"));
  if (!path || path->empty()) return;
  PoseCsvResult table = ReadPoseCsvFile(*path);
  if (!table.ok) {
    view.Ask(LoadText(kCsvReadFailedText) + "\n" + *path + "\n" + CsvFaultMessage(table),
             MessageButtons::kOk, MessageIcon::kWarning);
    return;
  }
  s.document.motion.Replace(std::move(table.poses), 0);
  RecordStep(s.document);
  s.document.sink->Notify(kChangeMotion | kChangeCurrentPose);
  s.pane.RefreshAfterReplace();
}

// The open dialog answered by a path known beforehand.
class KnownPath final : public FileDialogs {
 public:
  explicit KnownPath(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> AskSavePath(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> AskOpenPath(const FileDialogRequest&) override { return path_; }

 private:
  std::string path_;
};

// Every command has its item in the main menu.
bool IsCommand(int command) {
  for (const MenuPopup& popup : MainMenu()) {
    for (const MenuItem& item : popup.items) {
      if (item.command != 0 && item.command == command) return true;
    }
  }
  return false;
}

void Toggle(Application& app, int id) {
  LinkControls& controls = app.State().linkControls;
  controls.SetToggle(id, !controls.IsToggleChecked(id));
}

}  // namespace

bool OpenMotionAt(Application& app, ShellView& view, const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  KnownPath files(ec ? path : absolute.string());
  return OpenDocument(app, view, files);
}

bool GoToPose(Application& app, std::size_t index) {
  ProgramState& s = app.State();
  if (s.busy.Busy()) return false;
  s.pane.CommitPendingEdit();
  if (!s.pane.SelectPose(index)) return false;
  s.pane.HighlightRow(index);
  s.pane.EnsureCurrentVisible();
  s.pane.SyncViews();
  return true;
}

std::string CurrentTitle(const Application& app) {
  const Document& doc = app.State().document;
  return BuildTitle(doc.fileName, doc.motion.IsModified());
}

bool AskToSave(Application& app, ShellView& view) {
  ProgramState& s = app.State();
  if (!s.document.motion.IsModified()) return true;
  switch (view.Ask(kSaveQuestion, MessageButtons::kYesNoCancel, MessageIcon::kQuestion)) {
    case MessageAnswer::kYes:
      // Always through the dialog, even when the Motion has a file name.
      return Save(app, view, /*useKnownName=*/false);
    case MessageAnswer::kNo:
      return true;
    default:
      return false;
  }
}

bool ConfirmClose(Application& app, ShellView& view) {
  app.State().pane.CommitPendingEdit();
  if (!AskToSave(app, view)) return false;
  // Saved, nothing to save, or the user chose to drop it: no recovery copy outlives the run.
  app.ConfirmExit();
  return true;
}

bool ExecuteCommand(Application& app, ShellView& view, int command, CommandSource source) {
  ProgramState& s = app.State();
  PoseEditPane& pane = s.pane;
  if (!IsCommand(command)) return false;
  // The menu, the toolbar and the accelerators offer only what is available.
  if (source != CommandSource::kContextMenu && !app.Availability().IsEnabled(command)) return true;
  // While a playback or recording runs, its thread is the only one that may change the Motion.
  const bool busy = s.busy.Busy();
  const bool connected = s.servos.connected.load();
  const bool listFocused = pane.PoseListHasFocus();

  switch (command) {
    case kCmdStop:
      s.busy.playbackStop.store(true);
      s.busy.recordStop.store(true);
      break;
    case kCmdExit:
      view.RequestClose();
      break;
    case kCmdNew:
      if (!busy) NewDocument(app, view);
      break;
    case kCmdSave:
      if (!busy) Save(app, view, /*useKnownName=*/true);
      break;
    case kCmdSaveAs:
      if (!busy) Save(app, view, /*useKnownName=*/false);
      break;
    case kCmdOpen:
      if (!busy) OpenDocument(app, view, view.Files());
      break;
    case kCmdUndo:
      if (!busy) UndoEdit(pane);
      break;
    case kCmdRedo:
      if (!busy) RedoEdit(pane);
      break;
    case kCmdCut:
      if (listFocused && !busy) CutPoses(pane);
      break;
    case kCmdCopy:
      if (listFocused && !busy) CopyPoses(pane);
      break;
    case kCmdPaste:
      if (listFocused && !busy) PastePoses(pane);
      break;
    case kCmdDelete:
      if (listFocused && !busy) DeletePoses(pane);
      break;
    case kCmdMotorSettings:
      view.RunDialog(kMotorSettingsDialogId);
      break;
    case kCmdCapturePose:
      if (busy) break;
      if (!connected) {
        WarnNotConnected(view);
      } else {
        CapturePose(pane);
      }
      break;
    case kCmdCommunication:
      Toggle(app, kCommunicationToggle);
      break;
    case kCmdCoordinateSystem:
      if (!busy) view.RunDialog(kCoordinateSystemDialogId);
      break;
    case kCmdMotorOn:
      Toggle(app, kMotorToggle);
      break;
    case kCmdInsertPose:
      if (!busy) InsertPose(pane);
      break;
    case kCmdBatchConversion: {
      if (busy) break;
      MessageOnlyView messages(view);
      if (CheckBatchSelection(messages, pane.Selection().SelectedBelow(s.document.motion.Size()))) {
        view.RunDialog(kBatchConversionDialogId);
      }
      break;
    }
    case kCmdRecord: {
      MessageOnlyView messages(view);
      RunRecordCommand(
          messages, connected, s.settings, [&view] { return view.RunDialog(kRecordingDialogId); },
          [&app, &pane] {
            // A field edit in progress becomes its own undo step before the recording's.
            pane.CommitPendingEdit();
            return app.StartRecording();
          });
      break;
    }
    case kCmdSimulatorSettings:
      view.RunDialog(kSimulatorSettingsDialogId);
      break;
    case kCmdStep: {
      view.FocusCommLog();
      if (!connected) {
        WarnNotConnected(view);
        break;
      }
      const std::size_t current = s.document.motion.CurrentIndex();
      if (current == s.document.motion.LastIndex()) break;
      pane.CommitPendingEdit();
      app.StartStep(static_cast<int>(current + 1));
      break;
    }
    case kCmdPlay:
      view.FocusCommLog();
      if (!connected) {
        WarnNotConnected(view);
        break;
      }
      pane.CommitPendingEdit();
      app.StartPlayback();
      break;
    case kCmdAbout:
      view.RunDialog(kAboutDialogId);
      break;
    case kCmdErasePen:
      ClearPenTrace(s.simulator);
      // What the robot did in the last playback is a trace too.
      if (!busy) s.measured.Clear();
      break;
    case kCmdPathPreview:
      app.SetPathPreview(!app.PathPreview());
      break;
    case kCmdMotionCheck:
      app.RefreshAnalysis();
      view.RunDialog(kMotionCheckDialogId);
      break;
    case kCmdTimeline:
      app.SetTimelineShown(!app.TimelineShown());
      break;
    case kCmdVirtualRobot:
      app.SetVirtualRobotListed(!app.VirtualRobotListed());
      break;
    case kCmdExportSvg:
      ExportSvg(app, view);
      break;
    case kCmdExportCsv:
      ExportCsv(app, view);
      break;
    case kCmdImportCsv:
      if (busy) break;
      ImportCsv(app, view);
      break;
    case kCmdSimplifyRecording:
      if (busy) break;
      pane.CommitPendingEdit();
      view.RunDialog(kSimplifyDialogId);
      break;
    case kCmdImportDrawing:
    case kCmdDrawText:
      if (busy) break;
      pane.CommitPendingEdit();
      view.RunDialog(command == kCmdDrawText ? kDrawTextDialogId : kDrawingDialogId);
      break;
    default:
      return false;  // not reached: IsCommand above
  }
  // Whatever the command changed shows before the next event.
  pane.SyncViews();
  return true;
}

}  // namespace velmora
