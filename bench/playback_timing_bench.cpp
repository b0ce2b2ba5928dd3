#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

#include "base/clock.h"
#include "document/document.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/playback_engine.h"
#include "link/recorder.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"

namespace velmora {
namespace {

using Steady = std::chrono::steady_clock;

// Notes the real time of every step (servo 1 queued) or every sample (a Pose inserted).
class TimingHooks : public WorkerHooks {
 public:
  explicit TimingHooks(Document& doc) : doc_(doc) {}
  void SetBusyCommands(bool) override {}
  void EnablePaneFields(bool) override {}
  void HighlightRow(std::size_t) override {}
  void SelectPose(std::size_t index) override { doc_.motion.SetCurrentIndex(index); }
  void InsertCopyAfterCurrent(const Pose& pose) override {
    stamps.push_back(Steady::now());
    doc_.motion.SetCurrentIndex(doc_.motion.InsertAfter(doc_.motion.CurrentIndex(), pose));
  }
  void ClearMotorToggle() override {}
  void RecordStep() override {}
  std::vector<Steady::time_point> stamps;

 private:
  Document& doc_;
};

// The baseline: the steady clock's time and sleeps, but the waits in 1 ms sleeps that every clock
// falls back on.
class PollingClock final : public Clock {
 public:
  uint32_t NowMs() override { return steady_.NowMs(); }
  void SleepMs(uint32_t ms) override { steady_.SleepMs(ms); }

 private:
  SteadyClock steady_;
};

void Report(benchmark::State& state, const std::vector<Steady::time_point>& stamps) {
  std::vector<double> gaps;
  for (std::size_t i = 1; i < stamps.size(); ++i) {
    gaps.push_back(std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count());
  }
  if (gaps.empty()) return;
  std::vector<double> sorted = gaps;
  std::sort(sorted.begin(), sorted.end());
  state.counters["mean_ms"] = std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
  state.counters["p50_ms"] = sorted[sorted.size() / 2];
  state.counters["p99_ms"] = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
  state.counters["max_ms"] = sorted.back();
  state.counters["count"] = static_cast<double>(gaps.size());
}

// Watches the ServoTable from another thread and stamps each new goal of servo 1. Arg 1: the
// baseline, waiting in 1 ms sleeps.
void BM_LinearStepPeriods(benchmark::State& state) {
  for (auto _ : state) {
    SteadyClock steady;
    PollingClock polling;
    Clock& clock = state.range(0) != 0 ? static_cast<Clock&>(polling) : steady;
    Geometry geo;
    Document doc;
    ServoTable servos;
    servos.connected = true;
    servos.axisCount = 5;
    BusyState busy;
    TimingHooks hooks(doc);
    const ArmGeometry g = geo.Get();
    Pose from;
    from.x = 40;
    from.y = -50;
    UpdateMotorValues(g, from);
    Pose to = from;
    to.y = 50;
    to.interpolation = kLinear;
    to.transitionTime = 10000;
    UpdateMotorValues(g, to);
    doc.motion.Replace({from, to}, 0);
    busy.startIndex = 1;
    busy.stopIndex = 1;
    busy.playing = true;
    std::vector<Steady::time_point> stamps;
    std::thread watcher([&] {
      while (busy.playing.load()) {
        const ServoEntry e = servos.TakeGoal(1);
        if (e.requests & kSendGoal) stamps.push_back(Steady::now());
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    });
    PlaybackEngine engine(doc.motion, geo, servos, busy, hooks, clock);
    engine.Run();
    watcher.join();
    Report(state, stamps);
  }
}
BENCHMARK(BM_LinearStepPeriods)
    ->ArgName("polling")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_RecordingSampleIntervals(benchmark::State& state) {
  for (auto _ : state) {
    Geometry geo;
    Document doc;
    ServoTable servos;
    servos.connected = true;
    Guarded<Settings> settings;
    settings.Update([](Settings& s) { s.recInterval = 80; });
    BusyState busy;
    SteadyClock clock;
    TimingHooks hooks(doc);
    Recorder recorder(geo, servos, settings, busy, hooks, clock);
    recorder.StartRecording();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    busy.recordStop = true;
    recorder.Join();
    Report(state, hooks.stamps);
  }
}
BENCHMARK(BM_RecordingSampleIntervals)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
