#include "link/recorder.h"

#include <algorithm>

#include "base/c_format.h"
#include "base/clock.h"
#include "base/control_view.h"
#include "base/string_table.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/playback_engine.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"

namespace velmora {

Pose RecordedPose(const ServoTable& servos, const Geometry& geometry, uint32_t interval) {
  Pose p;
  p.transitionTime = interval;
  const int axes = servos.axisCount.load();
  for (int id = 1; id <= axes && id <= kMotorCount; ++id) {
    p.motorValues[static_cast<std::size_t>(id - 1)] = servos.PresentPosition(id);
  }
  UpdateCoordinates(geometry.Get(), p);
  return p;
}

Recorder::Recorder(const Geometry& geometry, ServoTable& servos, const Guarded<Settings>& settings,
                   BusyState& busy, WorkerHooks& hooks, Clock& clock)
    : geometry_(geometry),
      servos_(servos),
      settings_(settings),
      busy_(busy),
      hooks_(hooks),
      clock_(clock) {}

Recorder::~Recorder() {
  busy_.recordStop.store(true);
  Join();
}

bool Recorder::StartRecording() {
  if (busy_.playing.load() || busy_.recording.load()) return false;
  Join();
  busy_.recording.store(true);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void Recorder::Join() {
  if (thread_.joinable()) thread_.join();
}

void Recorder::Run() {
  busy_.recordStop.store(false);
  if (settings_.Get().recAutoPowOff != 0) hooks_.ClearMotorToggle();
  hooks_.SetBusyCommands(true);
  hooks_.EnablePaneFields(false);

  while (!busy_.recordStop.load()) {
    const uint32_t interval = settings_.Get().recInterval;
    // Deadlines are compared as wrapping differences, which reach at most 2^31 - 1 ms ahead; a
    // longer interval (an unsigned count read from a negative text) waits that long instead of
    // wrapping into no wait at all and flooding the Motion with samples.
    const uint32_t deadline = clock_.NowMs() + std::min<uint32_t>(interval, 0x7FFFFFFFu);
    hooks_.InsertCopyAfterCurrent(RecordedPose(servos_, geometry_, interval));
    // A link that goes away while we wait ends the recording.
    clock_.WaitUntilMs(deadline, busy_.recordStop, [this] {
      if (servos_.connected.load()) return false;
      busy_.recordStop.store(true);
      return true;
    });
  }

  hooks_.RecordStep();
  hooks_.EnablePaneFields(true);
  hooks_.SetBusyCommands(false);
  busy_.recording.store(false);
}

uint32_t RecordingDialog::NormaliseInterval(uint32_t value) {
  value -= value % 10;
  return value < 80 ? 80 : value;
}

void RecordingDialog::OnInit() {
  const Settings s = settings_.Get();
  view_.SetText(kRecIntervalField, FormatInt(static_cast<int32_t>(s.recInterval)));
  view_.SetCheck(kRecAutoPowerOffCheck,
                 s.recAutoPowOff != 0 ? CheckState::kChecked : CheckState::kUnchecked);
  result_ = 0;
}

void RecordingDialog::OnStart() {
  std::string text = view_.Text(kRecIntervalField);
  if (text.size() > 1024) text.resize(1024);
  const uint32_t interval = NormaliseInterval(ParseUnsigned(text));
  const bool autoOff = view_.Check(kRecAutoPowerOffCheck) == CheckState::kChecked;
  settings_.Update([&](Settings& s) {
    s.recInterval = interval;
    s.recAutoPowOff = autoOff ? 1 : 0;
  });
  view_.SetText(kRecIntervalField, FormatInt(static_cast<int32_t>(interval)));
  result_ = 1;
}

std::string RecordingQuestion(uint32_t interval) {
  return "モーションのレコーディングを開始します。\n\n【現在の設定】\n\tInterval=" +
         FormatInt(static_cast<int32_t>(interval)) + "msec.\n\nよろしいですか?";
}

void RunRecordCommand(ControlView& view, bool connected, const Guarded<Settings>& settings,
                      const std::function<int()>& runDialog, const std::function<bool()>& start) {
  if (!connected) {
    view.Ask(LoadText(40012), MessageButtons::kOk, MessageIcon::kWarning);
    return;
  }
  if (runDialog() == 0) return;
  if (view.Ask(RecordingQuestion(settings.Get().recInterval), MessageButtons::kYesNo,
               MessageIcon::kQuestion) != MessageAnswer::kYes) {
    return;
  }
  start();
}

}  // namespace velmora
