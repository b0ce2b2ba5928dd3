#include "link/recorder.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/clock.h"
#include "base/string_table.h"
#include "document/document.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"
#include "support/map_view.h"

namespace velmora {
namespace {

// The pane and the command table as the recorder sees them, acting on a real document.
class DocumentHooks : public WorkerHooks {
 public:
  explicit DocumentHooks(Document& doc) : doc_(doc) {}
  void SetBusyCommands(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  void EnablePaneFields(bool enable) override { calls.push_back(enable ? "enable" : "disable"); }
  void HighlightRow(std::size_t) override {}
  void SelectPose(std::size_t) override {}
  void InsertCopyAfterCurrent(const Pose& pose) override {
    doc_.motion.SetCurrentIndex(doc_.motion.InsertAfter(doc_.motion.CurrentIndex(), pose));
    ++inserted;
  }
  void ClearMotorToggle() override { calls.push_back("motor off"); }
  void RecordStep() override { velmora::RecordStep(doc_); }

  std::vector<std::string> calls;
  std::atomic<int> inserted{0};

 private:
  Document& doc_;
};

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() : hooks(doc) {
    NewMotion(doc, geo, true);
    servos.connected = true;
    servos.axisCount = 5;
    for (int id = 1; id <= 5; ++id) servos.SetPresentPosition(id, static_cast<int16_t>(100 * id));
  }
  Geometry geo;
  Document doc;
  ServoTable servos;
  Guarded<Settings> settings;
  BusyState busy;
  DocumentHooks hooks{doc};
};

// Stops the recorder from its own clock once `samples` Poses have gone in.
class StoppingClock : public Clock {
 public:
  StoppingClock(BusyState& busy, DocumentHooks& hooks, int samples)
      : busy_(busy), hooks_(hooks), samples_(samples) {}
  uint32_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override {
    now_ += ms;
    if (hooks_.inserted >= samples_ && now_ % 50 == 0) busy_.recordStop = true;
  }

 private:
  BusyState& busy_;
  DocumentHooks& hooks_;
  int samples_;
  uint32_t now_ = 0;
};

TEST_F(RecorderTest, ThreeSamplesBecomeOneUndoStep) {
  doc.motion.Replace({Pose{}, Pose{}}, 0);
  ResetHistory(doc);
  const auto before = doc.motion.Poses();
  settings.Update([](Settings& s) { s.recInterval = 100; });
  StoppingClock clock(busy, hooks, 3);
  busy.recording = true;
  Recorder recorder(geo, servos, settings, busy, hooks, clock);
  recorder.Run();

  ASSERT_EQ(doc.motion.Size(), 5u);
  EXPECT_EQ(doc.motion.CurrentIndex(), 3u);  // three after the old current, the last current
  const Pose p = *doc.motion.PoseAt(1);
  EXPECT_EQ(p.transitionTime, 100u);
  EXPECT_EQ(p.interpolation, kNone);
  EXPECT_EQ(p.motorValues, (std::array<int16_t, 5>{100, 200, 300, 400, 500}));
  double x;
  ForwardKinematics(geo.Get(), p, &x, nullptr, nullptr, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(p.x, x);
  EXPECT_EQ(hooks.calls,
            (std::vector<std::string>{"motor off", "busy", "disable", "enable", "idle"}));
  EXPECT_FALSE(busy.recording.load());
  EXPECT_TRUE(doc.motion.IsModified());
  ASSERT_TRUE(Undo(doc));
  EXPECT_EQ(doc.motion.Poses(), before);
}

TEST_F(RecorderTest, ThreeAxisSamplesAndTorqueLeftOn) {
  servos.axisCount = 3;
  settings.Update([](Settings& s) { s.recAutoPowOff = 0; });
  StoppingClock clock(busy, hooks, 1);
  Recorder recorder(geo, servos, settings, busy, hooks, clock);
  recorder.Run();
  const Pose p = doc.motion.Current();
  EXPECT_EQ(p.motorValues[3], 0);
  EXPECT_EQ(p.motorValues[4], 0);
  EXPECT_EQ(p.motorValues[2], 300);
  EXPECT_EQ(hooks.calls.front(), "busy");  // no motor-off
}

TEST_F(RecorderTest, LostConnectionEndsTheRecording) {
  class DroppingClock : public Clock {
   public:
    explicit DroppingClock(ServoTable& s) : servos_(s) {}
    uint32_t NowMs() override { return now_; }
    void SleepMs(uint32_t ms) override {
      now_ += ms;
      if (now_ == 700) servos_.connected = false;
    }
    uint32_t now_ = 0;

   private:
    ServoTable& servos_;
  } clock(servos);
  Recorder recorder(geo, servos, settings, busy, hooks, clock);
  recorder.Run();
  EXPECT_EQ(hooks.inserted, 3);  // at 0, 300 and 600 ms
  EXPECT_LE(clock.now_, 702u);
  EXPECT_TRUE(doc.history.CanUndo());
}

TEST_F(RecorderTest, AHugeIntervalWaitsInsteadOfFloodingTheMotion) {
  settings.Update([](Settings& s) { s.recInterval = 4294967290u; });  // "-5" in def.ini
  class StopLater : public Clock {
   public:
    explicit StopLater(BusyState& b) : busy_(b) {}
    uint32_t NowMs() override { return now_; }
    void SleepMs(uint32_t ms) override {
      now_ += ms;
      if (now_ >= 5000) busy_.recordStop = true;
    }

   private:
    BusyState& busy_;
    uint32_t now_ = 0;
  } stopLater(busy);
  Recorder recorder(geo, servos, settings, busy, hooks, stopLater);
  recorder.Run();
  EXPECT_EQ(hooks.inserted, 1);
  EXPECT_EQ(doc.motion.Current().transitionTime, 4294967290u);
}

TEST_F(RecorderTest, StartIsRefusedWhilePlayingOrRecording) {
  FakeClock clock;
  Recorder recorder(geo, servos, settings, busy, hooks, clock);
  busy.playing = true;
  EXPECT_FALSE(recorder.StartRecording());
  busy.playing = false;
  busy.recording = true;
  EXPECT_FALSE(recorder.StartRecording());
  EXPECT_EQ(hooks.inserted, 0);
  busy.recording = false;
  ASSERT_TRUE(recorder.StartRecording());
  while (hooks.inserted == 0) std::this_thread::yield();
  busy.recordStop = true;
  recorder.Join();
  EXPECT_FALSE(busy.recording.load());
}

TEST(RecordingDialog, IntervalRulesAndTheCheckBox) {
  Guarded<Settings> settings;
  testing::MapView view;
  RecordingDialog dialog(view, settings);
  dialog.OnInit();
  EXPECT_EQ(view.Text(kRecIntervalField), "300");
  EXPECT_EQ(view.Check(kRecAutoPowerOffCheck), CheckState::kChecked);
  struct Case {
    const char* typed;
    uint32_t stored;
  };
  for (const Case& c : {Case{"85", 80}, Case{"1234", 1230}, Case{"0", 80}, Case{"79", 80},
                        Case{"", 80}, Case{"-5", 4294967290u}}) {
    view.SetText(kRecIntervalField, c.typed);
    view.SetCheck(kRecAutoPowerOffCheck, CheckState::kUnchecked);
    dialog.OnStart();
    EXPECT_EQ(dialog.Result(), 1);
    EXPECT_EQ(settings.Get().recInterval, c.stored) << c.typed;
    EXPECT_EQ(settings.Get().recAutoPowOff, 0);
  }
  EXPECT_EQ(view.Text(kRecIntervalField), "-6");  // shown as "%d", like the field always did
  dialog.OnClose();
  EXPECT_EQ(dialog.Result(), 0);
}

TEST(RecordCommand, WarningDialogQuestionAndStart) {
  Guarded<Settings> settings;
  settings.Update([](Settings& s) { s.recInterval = 250; });
  int dialogs = 0;
  int starts = 0;
  auto dialog = [&](int result) {
    return [&dialogs, result] {
      ++dialogs;
      return result;
    };
  };
  auto start = [&] {
    ++starts;
    return true;
  };

  testing::MapView view;
  RunRecordCommand(view, false, settings, dialog(1), start);
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text, LoadText(40012));
  EXPECT_EQ(view.questions[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(dialogs, 0);

  RunRecordCommand(view, true, settings, dialog(0), start);
  EXPECT_EQ(view.questions.size(), 1u);  // the dialog was closed: no question

  view.answers = {MessageAnswer::kNo};
  RunRecordCommand(view, true, settings, dialog(1), start);
  ASSERT_EQ(view.questions.size(), 2u);
  EXPECT_EQ(view.questions[1].text,
            "モーションのレコーディングを開始します。\n\n【現在の設定】\n\tInterval=250msec.\n\n"
            "よろしいですか?");
  EXPECT_EQ(view.questions[1].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(starts, 0);

  view.answers = {MessageAnswer::kYes};
  RunRecordCommand(view, true, settings, dialog(1), start);
  EXPECT_EQ(starts, 1);
}

}  // namespace
}  // namespace velmora
