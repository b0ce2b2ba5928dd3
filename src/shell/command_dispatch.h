#pragma once

#include <cstddef>
#include <string>

namespace velmora {

class Application;
class ShellView;

// Where a command was chosen. The main menu, the toolbar and the accelerators offer only what is
// available; the pose list's context menu shows its items enabled whatever the busy state, so
// there the command's own guards decide.
enum class CommandSource { kMenu, kToolbar, kAccelerator, kContextMenu };

// The question before a Motion with unsaved changes is put away.
inline constexpr char kSaveQuestion[] = "現在のモーションをファイルに保存しますか?";

// Carries out one command number, whatever its source, with every guard, question and message of
// the command table. Runs on the UI thread. False for a number that is not a command (the caller
// passes it on); true otherwise, also when a guard refused the command.
bool ExecuteCommand(Application& app, ShellView& view, int command, CommandSource source);

// Before the Motion is put away (New, Open): when it has unsaved changes, asks whether to save it.
// Yes saves through the save dialog and retitles the window; false when the user cancelled or the
// save failed, and the caller then stops.
bool AskToSave(Application& app, ShellView& view);

// The close request: records a field edit in progress, then asks to save. False keeps the program
// running; true also lets the recovery file go at exit.
bool ConfirmClose(Application& app, ShellView& view);

// Opens the motion file at `path` as Open does once its dialog has answered (a file named on the
// command line): asks to save first, and converts a file of another coordinate system as Open
// does. False when nothing was opened.
bool OpenMotionAt(Application& app, ShellView& view, const std::string& path);

// Makes the Pose at `index` current and the only selected row, scrolled into view, as a click on
// its row does (the motion check window's double-click). Ignored while a playback or recording
// runs and for a row the Motion does not have.
bool GoToPose(Application& app, std::size_t index);

// The window title for the present file name and modified flag.
std::string CurrentTitle(const Application& app);

}  // namespace velmora
