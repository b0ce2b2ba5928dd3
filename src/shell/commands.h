#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

class ChangeSink;

// Every user command is one number, whatever its source (menu, toolbar, accelerator, context
// menu). The numbers are the ones the resources have always used.
enum Command : int {
  kCmdStop = 40000,
  kCmdExit = 40001,
  kCmdNew = 40002,
  kCmdSave = 40003,
  kCmdSaveAs = 40004,
  kCmdOpen = 40005,
  kCmdUndo = 40006,
  kCmdRedo = 40007,
  kCmdCut = 40008,
  kCmdCopy = 40009,
  kCmdPaste = 40010,
  kCmdDelete = 40011,
  kCmdMotorSettings = 40012,
  kCmdCapturePose = 40013,
  kCmdCommunication = 40014,
  kCmdCoordinateSystem = 40015,
  kCmdMotorOn = 40016,
  kCmdInsertPose = 40017,
  kCmdBatchConversion = 40018,
  kCmdRecord = 40019,
  kCmdSimulatorSettings = 40020,
  kCmdStep = 40021,
  kCmdPlay = 40027,
  kCmdAbout = 40031,
  kCmdErasePen = 40071,
  // Ours: the virtual robot in the robot list (a check item of the communication menu).
  kCmdVirtualRobot = 40090,
  // Ours: the planned path under the arm (a check item of the settings menu), and the motion check.
  kCmdPathPreview = 40091,
  kCmdMotionCheck = 40092,
  // Ours: a recording's rows turned into a few Linear and Arc Poses (edit and context menus).
  kCmdSimplifyRecording = 40095,
  // Ours: a drawing from a file, and text in a single-stroke font, placed and inserted (file menu).
  kCmdImportDrawing = 40100,
  kCmdDrawText = 40101,
  // Ours: the planned path as SVG, the Pose list as CSV and back (file menu).
  kCmdExportSvg = 40102,
  kCmdExportCsv = 40103,
  kCmdImportCsv = 40104,
  // Ours: the timeline pane under the simulator (a check item of the view menu).
  kCmdTimeline = 40110,
};

inline constexpr int kMainMenuId = 101;

// Command numbers 40000 to 40000 + kCommandSlots - 1 have an availability.
inline constexpr int kCommandSlots = 200;
inline constexpr int kAcceleratorTableId = 102;
inline constexpr int kToolbarBitmapId = 103;
inline constexpr int kContextMenuId = 144;
inline constexpr int kAppIconId = 139;

// One entry of a menu: a command with its text, or a separator (command 0).
struct MenuItem {
  int command = 0;
  std::string text;  // UTF-8; "&" marks the mnemonic
  bool checkItem = false;
};

struct MenuPopup {
  std::string title;
  std::vector<MenuItem> items;
};

// The main menu (101), in order.
const std::vector<MenuPopup>& MainMenu();
// The pose list's context menu (144): one popup.
const MenuPopup& ContextMenu();

struct Accelerator {
  bool ctrl = false;
  char key = 0;  // 'Z', 'Y', ...; 0 with `deleteKey`
  bool deleteKey = false;
  int command = 0;
  bool shift = false;
};
// The accelerator table (102).
const std::vector<Accelerator>& Accelerators();
// The desktop's usual keys for New, Open, Save and Save as, which work beside the accelerator
// table and under the same rules.
const std::vector<Accelerator>& StandardShortcuts();

// One toolbar slot: a button with its image index and tooltip string, or a separator.
struct ToolbarButton {
  int command = 0;  // 0: separator
  int image = -1;   // index into the toolbar bitmap
  int tooltip = 0;  // string number
  bool checkable = false;
};
const std::vector<ToolbarButton>& ToolbarButtons();

// Which commands can be chosen, as core values the toolbar and menus mirror. Undo and Redo follow
// the history while idle; while a playback, step or recording runs the commands that change the
// Motion are unavailable and Stop is the only way out.
class CommandAvailability {
 public:
  CommandAvailability();

  bool IsEnabled(int command) const;

  // Enters or leaves the busy state.
  void SetBusy(bool busy, bool canUndo, bool canRedo);
  // Undo and Redo follow the history (ignored while busy).
  void SetUndoRedo(bool canUndo, bool canRedo);
  bool Busy() const { return busy_.load(); }

  // The commands that the busy state switches (toolbar buttons 1 to 17, Save as and the
  // coordinate system settings).
  static const std::vector<int>& BusyCommands();

  void SetSink(ChangeSink* sink) { sink_ = sink; }

 private:
  static int Slot(int command);
  void Set(int command, bool enabled);

  // One flag per command number 40000..40000 + kCommandSlots - 1; written by whichever thread enters or leaves the
  // busy state (the UI thread, or a worker at its end), read by the UI thread.
  std::array<std::atomic<bool>, kCommandSlots> enabled_;
  std::atomic<bool> busy_{false};  // written with enabled_
  ChangeSink* sink_ = nullptr;
};

}  // namespace velmora
