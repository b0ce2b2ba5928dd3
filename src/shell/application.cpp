#include "shell/application.h"

#include <system_error>
#include <utility>

#include "document/editing_commands.h"
#include "document/load_conversion.h"
#include "geometry/program_settings.h"
#include "link/hand_guide.h"
#include "shell/program_state.h"
#include "shell/settings_file.h"

namespace velmora {

Application::Application(ProgramState& state, ApplicationOptions options)
    : state_(state),
      moduleDirectory_(std::move(options.moduleDirectory)),
      settingsDirectory_(moduleDirectory_),
      clock_(options.clock != nullptr ? *options.clock : steadyClock_),
      localTime_(options.localTime != nullptr ? *options.localTime : systemTime_),
      hardware_(std::move(options.hardware)),
      // The virtual robot joins the robot list only when the user asks for it.
      virtualRobot_(clock_, VirtualRobot::kDefaultSerial, /*plugged=*/false),
      bridges_(hardware_.get(), virtualRobot_),
      viewSink_(nullptr),
      link_({bridges_, clock_, state.servos, state.linkControls, state.commLog,
             state.document.motion, localTime_, this}),
      playback_(state.document.motion, state.geometry, state.servos, state.busy, *this, clock_),
      recorder_(state.geometry, state.servos, state.settings, state.busy, *this, clock_),
      recovery_(state.document.motion, state.geometry) {
  playback_.SetMeasuredPath(&state_.measured);
  virtualRobot_.SetReadingNoise(options.virtualReadingNoise, options.virtualNoiseSeed);
  state_.document.sink = this;
  state_.linkControls.SetSink(this);
  state_.commLog.SetSink(this);
  // The availability reports nothing itself: Notify below changes it, and a report from it would
  // come straight back. What it changes is passed on with the report that caused it.
  availability_.SetSink(nullptr);
}

Application::~Application() {
  StopThreads();
  // Nothing reports to this object any more.
  state_.document.sink = &Document::nullSink;
  state_.linkControls.SetSink(nullptr);
  state_.commLog.SetSink(nullptr);
}

bool Application::LoadStartupState() {
  // The register defaults first: def.ini may override them.
  state_.servos.LoadAllRegisterDefaults();
  Settings settings = state_.settings.Get();
  const bool read = LoadSettingsFile(
      settingsFile_.empty() ? settingsDirectory_ / kSettingsFileName : settingsFile_, settings,
      state_.geometry, state_.servos, &state_.simulator.penTraceReset);
  state_.settings.Set(settings);
  ProgramSettings own;
  LoadProgramSettings(settingsDirectory_, own);
  state_.programSettings.Set(own);
  if (own.virtualSlowServo != 0) {
    virtualRobot_.SetServoSlowdown(own.virtualSlowServo, own.virtualSlowFactor);
  }
  // The first Pose is built with the claw position def.ini gave.
  NewMotion(state_.document, state_.geometry, /*resetHistory=*/true);
  state_.linkControls.SetAxisChoice(settings.axisType3 != 0 ? 3 : 5);
  availability_.SetUndoRedo(state_.document.history.CanUndo(), state_.document.history.CanRedo());
  return read;
}

void Application::SetSettingsDirectory(std::filesystem::path directory) {
  settingsDirectory_ = directory.empty() ? moduleDirectory_ : std::move(directory);
}

void Application::SetSettingsFile(const std::filesystem::path& file) {
  settingsFile_ = file;
  settingsDirectory_ = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

void Application::SetViewSink(ChangeSink* sink) { viewSink_.store(sink); }

void Application::StartLink() { link_.Start(); }

void Application::EnableRecovery(const std::filesystem::path& directory,
                                 std::chrono::milliseconds interval) {
  if (recoverySlot_ != nullptr || directory.empty()) return;
  recoveryDirectory_ = directory;
  recoverySlot_ = std::make_unique<RecoverySlot>(recoveryDirectory_);
  if (recoverySlot_->Active()) recovery_.Start(recoverySlot_->File(), interval);
}

std::vector<OrphanedRecovery> Application::FindOrphanedRecoveries() const {
  return velmora::FindOrphanedRecoveries(recoveryDirectory_);
}

bool Application::AdoptRecovery(OrphanedRecovery& orphan) {
  return recoverySlot_ != nullptr && velmora::AdoptRecovery(orphan, *recoverySlot_);
}

std::filesystem::path Application::RecoveryFile() const {
  return recoverySlot_ != nullptr && recoverySlot_->Active() ? recoverySlot_->File()
                                                             : std::filesystem::path();
}

void Application::BeginShutdown() { state_.linkControls.SetToggle(kCommunicationToggle, false); }

bool Application::Disconnected() const { return !state_.servos.connected.load(); }

void Application::StopThreads() {
  // The workers first: they stop within a millisecond of their stop flag and never wait for
  // anything but the clock.
  state_.busy.playbackStop.store(true);
  state_.busy.recordStop.store(true);
  playback_.Join();
  recorder_.Join();
  link_.Stop();
}

bool Application::FinishRun() {
  // Called once the workers, the link and the render thread have been joined: the Motion is empty
  // afterwards.
  state_.pane.CommitPendingEdit();
  // The recovery writer carries out what is left (the edit committed just now included) and ends
  // before the Motion goes.
  recovery_.Stop();
  if (exitConfirmed_ || !state_.document.motion.IsModified()) recovery_.RemoveFile();
  FreeMotion(state_.document);
  state_.document.clipboard.Release();
  ReleaseHistory(state_.document);
  state_.settings.Update(
      [this](Settings& s) { s.axisType3 = state_.linkControls.AxisChoice() == 3 ? 1 : 0; });
  // An installed copy's settings folder is made at the first exit. Our own settings go first:
  // def.ini's result is the one the caller reports.
  std::error_code ec;
  std::filesystem::create_directories(settingsDirectory_, ec);
  SaveProgramSettings(settingsDirectory_, state_.programSettings.Get());
  return SaveSettings(settingsDirectory_, state_.settings.Get(), state_.geometry, state_.servos);
}

bool Application::StartPlayback() { return playback_.StartPlayback(); }

bool Application::StartStep(int index) { return playback_.StartStep(index); }

bool Application::StartRecording() { return recorder_.StartRecording(); }

void Application::SetVirtualRobotListed(bool listed) {
  bridges_.SetVirtualRobotListed(listed);
  Notify(kChangeDeviceList);
}

bool Application::VirtualRobotListed() const { return bridges_.IsVirtualRobotListed(); }

namespace {

HandServos HandOf(VirtualRobot& robot) {
  return {[&robot](int id) { return robot.PresentPosition(id); },
          [&robot](int id, int16_t position) { return robot.MoveByHand(id, position); }};
}

}  // namespace

bool Application::HandGuideActive() const {
  return virtualRobot_.IsOpen() && state_.servos.connected.load() &&
         !state_.linkControls.IsToggleChecked(kMotorToggle);
}

void Application::GuideToolTo(double x, double y) {
  if (HandGuideActive()) velmora::GuideToolTo(state_.geometry.Get(), HandOf(virtualRobot_), x, y);
}

void Application::GuideToolHeight(double z) {
  if (HandGuideActive()) velmora::GuideToolHeight(state_.geometry.Get(), HandOf(virtualRobot_), z);
}

LoadReconcile Application::MakeLoadReconcile(std::function<int()> runLoadDialog) {
  return MakeLoadConversionHook(state_.geometry, state_.settings, std::move(runLoadDialog));
}

std::string Application::ModuleDirectoryText() const { return moduleDirectory_.string(); }


bool Application::RefreshAnalysis() {
  const int axes = state_.linkControls.AxisChoice() == 3 ? 3 : 5;
  return state_.analysis.Update(state_.document.motion, state_.geometry.Get(), axes,
                                state_.programSettings.Get().maxServoSpeed);
}

void Application::SetPathPreview(bool on) {
  state_.programSettings.Update([on](ProgramSettings& s) { s.pathPreview = on; });
}

bool Application::PathPreview() const { return state_.programSettings.Get().pathPreview; }

void Application::SetTimelineShown(bool on) {
  state_.programSettings.Update([on](ProgramSettings& s) { s.timeline = on; });
}

bool Application::TimelineShown() const { return state_.programSettings.Get().timeline; }

// ---- WorkerHooks ----

void Application::SetBusyCommands(bool busy) {
  availability_.SetBusy(busy, state_.document.history.CanUndo(), state_.document.history.CanRedo());
  if (ChangeSink* sink = viewSink_.load()) sink->Notify(kChangeBusy | kChangeUndo);
}

void Application::PlaybackMeasured() {
  if (const std::optional<Deviation> d = state_.measured.TakeFinished()) {
    state_.commLog.AppendLog(DeviationText(*d) + " ");
  }
}

void Application::EnablePaneFields(bool enable) { state_.pane.EnablePaneFields(enable); }

void Application::HighlightRow(std::size_t index) { state_.pane.HighlightRow(index); }

void Application::SelectPose(std::size_t index) {
  state_.pane.SelectPose(index);
  state_.pane.EnsureCurrentVisible();
}

void Application::SelectPoseAtSpeed(std::size_t index, PlaybackSpeed speed) {
  state_.pane.SelectPose(index, speed);
  state_.pane.EnsureCurrentVisible();
}

void Application::InsertCopyAfterCurrent(const Pose& pose) {
  velmora::InsertCopyAfterCurrent(state_.pane, pose);
}

void Application::ClearMotorToggle() { state_.linkControls.SetToggle(kMotorToggle, false); }

void Application::RecordStep() { velmora::RecordStep(state_.document); }

// ---- ChangeSink ----

void Application::Notify(uint32_t changes) {
  // The history changed on this thread just now: the availability follows before anyone can
  // choose Undo or Redo from a stale state. (Ignored while busy; the end of the busy state sets
  // them from the history again.)
  if ((changes & kChangeUndo) != 0) {
    availability_.SetUndoRedo(state_.document.history.CanUndo(), state_.document.history.CanRedo());
  }
  // An undo step, an undo or redo, a save, a new or an opened Motion: the recovery file follows.
  // (The file name changes only on the UI thread while no worker runs, so reading it here from
  // the recorder's thread at its end races with nothing.)
  if ((changes & (kChangeUndo | kChangeTitle)) != 0) recovery_.Request(state_.document.fileName);
  if (ChangeSink* sink = viewSink_.load()) sink->Notify(changes);
}

}  // namespace velmora
