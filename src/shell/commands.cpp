#include "shell/commands.h"

#include "base/change_sink.h"
#include "base/string_table.h"

namespace velmora {

const std::vector<MenuPopup>& MainMenu() {
  static const std::vector<MenuPopup> menu = {
      {"ファイル(&F)",
       {{kCmdNew, "新規作成"},
        {kCmdOpen, "開く..."},
        {kCmdSave, "上書き保存"},
        {kCmdSaveAs, "名前をつけて保存..."},
        {},
        {kCmdImportDrawing, "図形の読み込み…"},
        {kCmdDrawText, "文字の描画…"},
        {kCmdImportCsv, "CSVの読み込み…"},
        {},
        {kCmdExportSvg, "SVGで書き出し…"},
        {kCmdExportCsv, "CSVで書き出し…"},
        {},
        {kCmdExit, "終了"}}},
      {"編集(&E)",
       {{kCmdUndo, "元に戻す"},
        {kCmdRedo, "やり直し"},
        {},
        {kCmdInsertPose, "ポーズの挿入"},
        {kCmdCapturePose, "ポーズのキャプチャ"},
        {},
        {kCmdCut, "切り取り"},
        {kCmdCopy, "コピー"},
        {kCmdPaste, "貼り付け"},
        {kCmdDelete, "削除"},
        {},
        {kCmdBatchConversion, "ポーズの一括変換"},
        {kCmdSimplifyRecording, "レコーディングの簡略化…"}}},
      {"モーション(&P)",
       {{kCmdPlay, "モーションの実行"},
        {kCmdStep, "モーションのコマ送り"},
        {kCmdStop, "モーションの停止"},
        {kCmdRecord, "モーションのレコーディング"},
        {},
        {kCmdMotionCheck, "モーションの検査"}}},
      {"通信(&C)",
       {{kCmdCommunication, "通信", true},
        {kCmdMotorOn, "モータON", true},
        {},
        {kCmdVirtualRobot, "仮想ロボット", true}}},
      {"設定(&D)",
       {{kCmdSimulatorSettings, "シミュレータの設定..."},
        {kCmdMotorSettings, "モータの設定..."},
        {kCmdCoordinateSystem, "座標系の設定..."},
        {kCmdErasePen, "ペンの消去"},
        {},
        {kCmdPathPreview, "経路の表示", true}}},
      {LoadText(41401), {{kCmdTimeline, LoadText(41400), true}}},
      {"ヘルプ(&H)", {{kCmdAbout, "バージョン情報..."}}},
  };
  return menu;
}

const MenuPopup& ContextMenu() {
  static const MenuPopup popup = {"編集(&E)",
                                  {{kCmdUndo, "元に戻す"},
                                   {kCmdRedo, "やり直し"},
                                   {},
                                   {kCmdInsertPose, "ポーズの挿入"},
                                   {},
                                   {kCmdCut, "切り取り"},
                                   {kCmdCopy, "コピー"},
                                   {kCmdPaste, "貼り付け"},
                                   {kCmdDelete, "削除"},
                                   {},
                                   {kCmdBatchConversion, "ポーズの一括変換"},
                                   {kCmdSimplifyRecording, "レコーディングの簡略化…"}}};
  return popup;
}

const std::vector<Accelerator>& Accelerators() {
  static const std::vector<Accelerator> table = {
      {true, 'Z', false, kCmdUndo},  {true, 'Y', false, kCmdRedo},  {true, 'X', false, kCmdCut},
      {true, 'C', false, kCmdCopy},  {true, 'V', false, kCmdPaste}, {false, 0, true, kCmdDelete},
      {true, 'Q', false, kCmdExit},
  };
  return table;
}

const std::vector<Accelerator>& StandardShortcuts() {
  static const std::vector<Accelerator> table = {
      {true, 'N', false, kCmdNew},
      {true, 'O', false, kCmdOpen},
      {true, 'S', false, kCmdSave},
      {true, 'S', false, kCmdSaveAs, true},
  };
  return table;
}

const std::vector<ToolbarButton>& ToolbarButtons() {
  static const std::vector<ToolbarButton> buttons = {
      {kCmdNew, 0, 40019},
      {kCmdOpen, 1, 40020},
      {kCmdSave, 2, 40021},
      {},
      {kCmdUndo, 3, 40022},
      {kCmdRedo, 4, 40023},
      {},
      {kCmdCut, 5, 40024},
      {kCmdCopy, 6, 40025},
      {kCmdPaste, 7, 40026},
      {kCmdBatchConversion, 8, 40033},
      {},
      {kCmdCapturePose, 9, 40027},
      {},
      {kCmdInsertPose, 10, 40028},
      {kCmdDelete, 11, 40029},
      {},
      {kCmdPlay, 12, 40030},
      {kCmdStep, 13, 40056},
      {kCmdRecord, 14, 40031},
      {kCmdStop, 15, 40032},
      {},
      {kCmdSimulatorSettings, 16, 40043},
      {kCmdMotorOn, 17, 40034, true},
      {kCmdCommunication, 18, 40035, true},
  };
  return buttons;
}

const std::vector<int>& CommandAvailability::BusyCommands() {
  static const std::vector<int> commands = {
      kCmdNew,     kCmdOpen,         kCmdSave,       kCmdUndo,   kCmdRedo,
      kCmdCut,     kCmdCopy,         kCmdPaste,      kCmdBatchConversion,
      kCmdCapturePose, kCmdInsertPose, kCmdDelete,   kCmdPlay,   kCmdStep,
      kCmdRecord,  kCmdStop,         kCmdSimulatorSettings, kCmdSaveAs, kCmdCoordinateSystem,
      kCmdSimplifyRecording, kCmdImportCsv, kCmdImportDrawing, kCmdDrawText,
  };
  return commands;
}

CommandAvailability::CommandAvailability() {
  for (auto& e : enabled_) e.store(true);
  // At start-up everything is available but Undo and Redo, which follow the history.
  Set(kCmdUndo, false);
  Set(kCmdRedo, false);
}

int CommandAvailability::Slot(int command) {
  const int slot = command - 40000;
  return (slot >= 0 && slot < kCommandSlots) ? slot : -1;
}

void CommandAvailability::Set(int command, bool enabled) {
  const int slot = Slot(command);
  if (slot >= 0) enabled_[static_cast<std::size_t>(slot)].store(enabled);
}

bool CommandAvailability::IsEnabled(int command) const {
  const int slot = Slot(command);
  return slot < 0 || enabled_[static_cast<std::size_t>(slot)].load();
}

void CommandAvailability::SetBusy(bool busy, bool canUndo, bool canRedo) {
  busy_.store(busy);
  for (int c : BusyCommands()) Set(c, !busy);
  Set(kCmdStop, busy);
  if (busy) {
    Set(kCmdUndo, false);
    Set(kCmdRedo, false);
  } else {
    Set(kCmdUndo, canUndo);
    Set(kCmdRedo, canRedo);
  }
  if (sink_ != nullptr) sink_->Notify(kChangeBusy | kChangeUndo);
}

void CommandAvailability::SetUndoRedo(bool canUndo, bool canRedo) {
  if (busy_.load()) return;
  Set(kCmdUndo, canUndo);
  Set(kCmdRedo, canRedo);
  if (sink_ != nullptr) sink_->Notify(kChangeUndo);
}

}  // namespace velmora
