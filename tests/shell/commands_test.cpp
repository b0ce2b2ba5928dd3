#include "shell/commands.h"

#include <gtest/gtest.h>

#include <set>

#include "base/string_table.h"

namespace velmora {
namespace {

TEST(CommandTables, MenusToolbarAndAccelerators) {
  const auto& menu = MainMenu();
  ASSERT_EQ(menu.size(), 7u);
  EXPECT_EQ(menu[0].title, "ファイル(&F)");
  EXPECT_EQ(menu[0].items[4].command, 0);  // separator before the imports
  EXPECT_EQ(menu[0].items[5].command, kCmdImportDrawing);
  EXPECT_EQ(menu[0].items[6].text, "文字の描画…");
  EXPECT_EQ(menu[0].items[7].command, kCmdImportCsv);
  EXPECT_EQ(menu[0].items[9].command, kCmdExportSvg);
  EXPECT_EQ(menu[0].items.back().text, "終了");
  EXPECT_EQ(menu[2].items[2].command, kCmdStop);
  EXPECT_TRUE(menu[3].items[0].checkItem);
  EXPECT_EQ(ContextMenu().items.size(), 12u);
  // Ours, last in the edit menu and the context menu.
  EXPECT_EQ(menu[1].items.back().command, kCmdSimplifyRecording);
  EXPECT_EQ(ContextMenu().items.back().text, "レコーディングの簡略化…");

  int buttons = 0;
  std::set<int> images;
  for (const ToolbarButton& b : ToolbarButtons()) {
    if (b.command == 0) continue;
    ++buttons;
    images.insert(b.image);
    EXPECT_FALSE(LoadText(b.tooltip).empty()) << b.command;
  }
  EXPECT_EQ(buttons, 19);
  EXPECT_EQ(images.size(), 19u);  // every button has its own image
  EXPECT_EQ(ToolbarButtons().back().command, kCmdCommunication);
  EXPECT_EQ(Accelerators().size(), 7u);
}

TEST(CommandAvailability, BusyStateSwitchesTheEditingCommandsAndStop) {
  CommandAvailability a;
  EXPECT_FALSE(a.IsEnabled(kCmdUndo));
  EXPECT_FALSE(a.IsEnabled(kCmdRedo));
  EXPECT_TRUE(a.IsEnabled(kCmdStop));  // everything else is available at start-up
  a.SetUndoRedo(true, false);
  EXPECT_TRUE(a.IsEnabled(kCmdUndo));

  a.SetBusy(true, true, true);
  for (int c : {kCmdNew, kCmdOpen, kCmdSave, kCmdSaveAs, kCmdUndo, kCmdRedo, kCmdCut, kCmdCopy,
                kCmdPaste, kCmdDelete, kCmdInsertPose, kCmdBatchConversion, kCmdCapturePose,
                kCmdPlay, kCmdStep, kCmdRecord, kCmdSimulatorSettings, kCmdCoordinateSystem}) {
    EXPECT_FALSE(a.IsEnabled(c)) << c;
  }
  EXPECT_TRUE(a.IsEnabled(kCmdStop));
  for (int c : {kCmdExit, kCmdCommunication, kCmdMotorOn, kCmdMotorSettings, kCmdErasePen,
                kCmdAbout}) {
    EXPECT_TRUE(a.IsEnabled(c)) << c;
  }
  a.SetUndoRedo(true, true);  // the history does not override the busy state
  EXPECT_FALSE(a.IsEnabled(kCmdUndo));

  a.SetBusy(false, false, true);
  EXPECT_FALSE(a.IsEnabled(kCmdStop));
  EXPECT_FALSE(a.IsEnabled(kCmdUndo));
  EXPECT_TRUE(a.IsEnabled(kCmdRedo));
  EXPECT_TRUE(a.IsEnabled(kCmdPlay));
}

}  // namespace
}  // namespace velmora
