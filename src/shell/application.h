#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "base/change_sink.h"
#include "base/clock.h"
#include "document/motion_file.h"
#include "document/recovery_file.h"
#include "link/bridge_list.h"
#include "link/hid_uart.h"
#include "link/local_time.h"
#include "link/playback_engine.h"
#include "link/recorder.h"
#include "link/servo_link.h"
#include "link/virtual_robot.h"
#include "link/worker_hooks.h"
#include "shell/commands.h"

namespace velmora {

struct ProgramState;

// What the application is built from. Everything but the directory may be left out.
struct ApplicationOptions {
  // The directory of the executable: the file dialogs' first folder, and where def.ini is kept
  // unless Application::SetSettingsDirectory says otherwise.
  std::filesystem::path moduleDirectory;
  // The hardware bridges (the hidapi library); none on a machine without it.
  std::unique_ptr<HidUart> hardware;
  // The clock of the link, the workers and the virtual robot; the steady clock when null.
  Clock* clock = nullptr;
  // The local time of the connect line; the machine's when null.
  LocalTimeSource* localTime = nullptr;
  // The virtual robot's readings carry a real servo's noise (one count either way, from this
  // seed); tests that compare exact positions switch it off.
  bool virtualReadingNoise = true;
  uint32_t virtualNoiseSeed = 1;
};

// The program's runtime around the program-wide state: the bridges (hardware and the virtual
// robot), the ServoLink thread, the playback and recorder threads with the hooks they call, and
// which commands are available. Created once by the entry point; the main window and the command
// table work through it.
//
// Change reports: the Document, the link controls and the communication log report to this
// object, which keeps the availability of Undo and Redo in step with the history at once (from
// whatever thread recorded the step) and passes every report on to the view sink.
class Application final : public WorkerHooks, private ChangeSink {
 public:
  Application(ProgramState& state, ApplicationOptions options);
  ~Application() override;  // stops and joins every thread it started
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // ---- Start-up (UI thread, before the link runs) ----
  // The start-up steps that need no window, in order: the register defaults, def.ini from the
  // settings directory, the first Motion with a fresh history, and the axis choice from AXIS_TYPE.
  // False when def.ini could not be read (every setting then has its start value).
  bool LoadStartupState();
  // Where change reports go (the Qt layer's sink); null drops them. Set before StartLink.
  void SetViewSink(ChangeSink* sink);
  // Starts the ServoLink thread.
  void StartLink();

  // ---- The recovery file ----
  // Claims a recovery file in `directory` (DefaultRecoveryDirectory() for the program) and starts
  // writing it, at most once per `interval`. Without this call none is written or offered.
  void EnableRecovery(const std::filesystem::path& directory,
                      std::chrono::milliseconds interval = RecoveryWriter::kDefaultInterval);
  // Recovery files of copies of the program that no longer run, newest first (start-up).
  std::vector<OrphanedRecovery> FindOrphanedRecoveries() const;
  // Makes an offered recovery file this copy's own after its Motion was installed.
  bool AdoptRecovery(OrphanedRecovery& orphan);
  // The user has agreed to close (saved, or answered No to the save question): the recovery file
  // goes at exit. Without this, an exit with unsaved changes leaves it for the next start.
  void ConfirmExit() { exitConfirmed_ = true; }
  RecoveryWriter& Recovery() { return recovery_; }
  // This copy's recovery file; empty when it has none.
  std::filesystem::path RecoveryFile() const;

  // ---- Shutdown ----
  // Releases the communication toggle, which tells the link to disconnect.
  void BeginShutdown();
  // True once the link has no connection.
  bool Disconnected() const;
  // Stops and joins the playback, recorder and link threads (after the message loop). The
  // recovery writer goes on until FinishRun (or the destructor).
  void StopThreads();
  // After the message loop: the recovery file is removed when the Motion had no unsaved changes
  // or the user confirmed the exit; the Motion, the clipboard and the history are released and
  // def.ini is written (its folder created when missing), with the axis choice of the toolbar.
  // False when def.ini could not be written.
  bool FinishRun();

  // ---- Thread starters (UI thread) ----
  // Play from the first Pose; refused while a playback runs.
  bool StartPlayback();
  // Plays the one Pose at 0-based `index`; refused while a playback runs.
  bool StartStep(int index);
  // Refused while a playback or a recording runs.
  bool StartRecording();

  // ---- The path preview, the motion check and the playback speed ----
  // Brings the planned path and the check up to date with the Motion (UI thread, after every
  // change). True when they changed.
  bool RefreshAnalysis();
  void SetPathPreview(bool on);
  bool PathPreview() const;
  // The timeline pane, remembered in velmora.ini.
  void SetTimelineShown(bool on);
  bool TimelineShown() const;
  void SetPlaybackSpeed(PlaybackSpeed speed) { playback_.SetSpeed(speed); }
  PlaybackSpeed GetPlaybackSpeed() const { return playback_.Speed(); }

  // ---- The virtual robot in the robot list (not stored in def.ini) ----
  void SetVirtualRobotListed(bool listed);
  bool VirtualRobotListed() const;

  // ---- Moving the virtual arm by hand (UI thread) ----
  // True while the link is connected to the virtual robot with the motors off: the simulator's
  // gestures then move the arm, as a hand moves a real one, instead of the current Pose.
  bool HandGuideActive() const;
  // The tool to user (x, y), keeping its height and the elbow side; the tool to height z.
  void GuideToolTo(double x, double y);
  void GuideToolHeight(double z);

  // The reader's answer to a file of another coordinate system: the load conversion, asking
  // through `runLoadDialog` (dialog 140) when the settings want the dialog.
  LoadReconcile MakeLoadReconcile(std::function<int()> runLoadDialog);

  ProgramState& State() { return state_; }
  const ProgramState& State() const { return state_; }
  CommandAvailability& Availability() { return availability_; }
  const CommandAvailability& Availability() const { return availability_; }
  VirtualRobot& Robot() { return virtualRobot_; }
  BridgeList& Bridges() { return bridges_; }
  ServoLink& Link() { return link_; }
  PlaybackEngine& Playback() { return playback_; }
  Recorder& Recording() { return recorder_; }
  const std::filesystem::path& ModuleDirectory() const { return moduleDirectory_; }
  std::string ModuleDirectoryText() const;
  // The folder where the program keeps def.ini and its own velmora.ini (see
  // ChooseSettingsDirectory); the module directory unless set before LoadStartupState. It may
  // not exist before the settings are first written.
  const std::filesystem::path& SettingsDirectory() const { return settingsDirectory_; }
  // The command line's --settings FILE: def.ini's values are read from `file` instead, and the
  // program's own velmora.ini from the folder that holds it. Set before LoadStartupState.
  void SetSettingsFile(const std::filesystem::path& file);
  void SetSettingsDirectory(std::filesystem::path directory);
  // Where the simulator looks for skin/ (see ChooseSkinDirectory); empty for the executable's
  // folder. Set before the main window is made.
  const std::filesystem::path& SkinDirectory() const { return skinDirectory_; }
  void SetSkinDirectory(std::filesystem::path directory) { skinDirectory_ = std::move(directory); }

  // ---- WorkerHooks: called by the playback and recorder threads ----
  void SetBusyCommands(bool busy) override;
  void EnablePaneFields(bool enable) override;
  void HighlightRow(std::size_t index) override;
  void SelectPose(std::size_t index) override;
  void SelectPoseAtSpeed(std::size_t index, PlaybackSpeed speed) override;
  void InsertCopyAfterCurrent(const Pose& pose) override;
  void ClearMotorToggle() override;
  void RecordStep() override;
  void PlaybackMeasured() override;

 private:
  // ChangeSink: reports from the document, the link controls and the log.
  void Notify(uint32_t changes) override;

  ProgramState& state_;
  const std::filesystem::path moduleDirectory_;
  std::filesystem::path settingsDirectory_;
  std::filesystem::path settingsFile_;  // empty: settingsDirectory_/def.ini
  std::filesystem::path skinDirectory_;
  SteadyClock steadyClock_;
  SystemLocalTime systemTime_;
  Clock& clock_;
  LocalTimeSource& localTime_;
  std::unique_ptr<HidUart> hardware_;
  VirtualRobot virtualRobot_;
  BridgeList bridges_;
  CommandAvailability availability_;
  // The sink of the views; written by the UI thread before any worker runs, read by every thread
  // that reports a change.
  std::atomic<ChangeSink*> viewSink_;
  ServoLink link_;
  PlaybackEngine playback_;
  Recorder recorder_;
  std::filesystem::path recoveryDirectory_;
  std::unique_ptr<RecoverySlot> recoverySlot_;
  RecoveryWriter recovery_;
  bool exitConfirmed_ = false;  // UI thread only
};

}  // namespace velmora
