#include "shell/command_dispatch.h"

#include "document/editing_commands.h"
#include "document/motion_file.h"
#include "geometry/batch_conversion.h"
#include "link/recorder.h"
#include "shell/application.h"
#include "shell/commands.h"
#include "shell/program_state.h"
#include "shell/shell_view.h"
#include "shell/string_table.h"
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

bool Save(Application& app, ShellView& view, bool useKnownName) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  if (!SaveMotion(s.document, s.geometry, view.Files(), app.ModuleDirectoryText(), useKnownName)) {
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

void OpenDocument(Application& app, ShellView& view) {
  ProgramState& s = app.State();
  s.pane.CommitPendingEdit();
  if (!AskToSave(app, view)) return;
  const LoadReconcile reconcile =
      app.MakeLoadReconcile([&view] { return view.RunDialog(kLoadDialogId); });
  if (!OpenMotion(s.document, s.geometry, view.Files(), app.ModuleDirectoryText(), reconcile)) {
    return;
  }
  // The loaded Motion's first Pose is current; the list is rebuilt around it.
  s.pane.RefreshAfterReplace();
  s.pane.SyncViews();
  Retitle(app, view);
}

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
  return AskToSave(app, view);
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
      if (!busy) OpenDocument(app, view);
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
      break;
    case kCmdVirtualRobot:
      app.SetVirtualRobotListed(!app.VirtualRobotListed());
      break;
    case kCmdSimplifyRecording:
      if (busy) break;
      pane.CommitPendingEdit();
      view.RunDialog(kSimplifyDialogId);
      break;
    default:
      return false;  // not reached: IsCommand above
  }
  // Whatever the command changed shows before the next event.
  pane.SyncViews();
  return true;
}

}  // namespace velmora
