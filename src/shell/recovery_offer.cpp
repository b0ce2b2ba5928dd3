#include "shell/recovery_offer.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

#include "base/atomic_file.h"
#include "base/string_table.h"
#include "document/motion_file.h"
#include "document/recovery_file.h"
#include "shell/application.h"
#include "shell/command_dispatch.h"
#include "shell/program_state.h"
#include "shell/shell_view.h"

namespace velmora {

namespace {

// "2026/12/08 10:30:15" in the machine's local time.
std::string LocalTimeText(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
#if defined(_WIN32)
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string QuestionText(std::chrono::system_clock::time_point written) {
  std::string text = LoadText(kRestoreQuestionText);
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, LocalTimeText(written));
  return text;
}

void WarnUnreadable(ShellView& view, const std::string& path, int error) {
  view.Ask(LoadText(kOpenFailedText) + "\n" + path + "\n" +
               (error != 0 ? SystemErrorText(error) : LoadText(kNotAMotionText)),
           MessageButtons::kOk, MessageIcon::kWarning);
}

// Installs the recovery file's Motion; false (and nothing changes) when it cannot be read or the
// user refuses the load conversion.
bool Restore(Application& app, ShellView& view, OrphanedRecovery& orphan) {
  ProgramState& s = app.State();
  const std::string path = orphan.file.string();
  int error = 0;
  // This program wrote the file from a Motion it held, so no size limit applies.
  const std::optional<std::string> bytes = ReadWholeFile(orphan.file, kNoSizeLimit, &error);
  if (!bytes) {
    WarnUnreadable(view, path, error);
    return false;
  }
  MotionFileContents file = ParseMotionFile(*bytes, s.geometry.Coords().clawPosition);
  if (file.poses.empty()) {
    WarnUnreadable(view, path, 0);
    return false;
  }
  // The coordinate system may have changed in the run that ended (def.ini was not written then):
  // the Poses go through the load conversion, as an opened file's do.
  if (!(file.system == s.geometry.Coords())) {
    const LoadReconcile reconcile =
        app.MakeLoadReconcile([&view] { return view.RunDialog(kLoadDialogId); });
    if (!reconcile(file.system, file.poses) || file.poses.empty()) return false;
  }
  // The history starts here, and the Motion is never without unsaved changes on the way, so the
  // recovery writer never removes the file that is being adopted.
  s.document.motion.Replace(std::move(file.poses), 0);
  s.document.history.Reset(s.document.motion);
  s.document.fileName = RecoveredFileName(*bytes);
  app.AdoptRecovery(orphan);
  MarkModified(s.document);
  UpdateUndoAvailability(s.document);
  s.pane.RefreshAfterReplace();
  s.pane.SyncViews();
  view.SetTitle(CurrentTitle(app));
  return true;
}

}  // namespace

bool OfferRecovery(Application& app, ShellView& view) {
  std::vector<OrphanedRecovery> orphans = app.FindOrphanedRecoveries();
  for (OrphanedRecovery& orphan : orphans) {
    switch (
        view.Ask(QuestionText(orphan.written), MessageButtons::kYesNo, MessageIcon::kQuestion)) {
      case MessageAnswer::kYes:
        // One Motion at a time: the files after this one wait for the next start.
        if (Restore(app, view, orphan)) return true;
        break;
      case MessageAnswer::kNo:
        DiscardRecovery(orphan);
        break;
      default:
        // Closed without an answer: the program is ending (a termination signal). The file
        // stays for the next start, and so do the others.
        return false;
    }
  }
  return false;
}

}  // namespace velmora
