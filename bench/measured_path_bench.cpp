#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "base/clock.h"
#include "document/document.h"
#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/measured_path.h"
#include "link/planned_path.h"
#include "link/playback_engine.h"
#include "link/servo_table.h"
#include "link/worker_hooks.h"
#include "support/poses.h"

namespace velmora {
namespace {

using Steady = std::chrono::steady_clock;

using testing::LinearTo;

// The largest deviation after a Linear move of `range(0)` ms played at x0.25 (its time is then
// 655350 ms at most, the longest a move lasts), `range(1)` samples per 10 ms step, trailing the
// plan by 60 ms and 0.3 mm to its side. A playback samples once a step; four a step give the
// 262,000 samples a move four times as long would.
void BM_DeviationOfLongMove(benchmark::State& state) {
  const ArmGeometry g;
  const Pose from = LinearTo(g, 40, -50, 1000);
  const Pose to = LinearTo(g, 40, 50, static_cast<uint32_t>(state.range(0)));
  PlanOptions options;
  options.speed = PlaybackSpeed::kQuarter;
  options.first = 1;
  const PlannedPath plan = PlanPath(g, {from, to}, from, options);
  const double step = 10.0 / static_cast<double>(state.range(1));
  std::vector<MeasuredSample> samples;
  for (double t = 0; t < plan.duration; t += step) {
    const double f = std::max(0.0, (t - 60) / plan.duration);
    samples.push_back(
        {static_cast<uint32_t>(t), 1, static_cast<float>(40.3), static_cast<float>(-50 + 100 * f)});
  }
  for (auto _ : state) {
    std::optional<Deviation> d = LargestDeviation(plan, samples);
    benchmark::DoNotOptimize(d);
  }
  const std::optional<Deviation> d = LargestDeviation(plan, samples);
  state.counters["samples"] = static_cast<double>(samples.size());
  state.counters["plan_points"] = static_cast<double>(plan.points.size());
  state.counters["mm"] = d ? d->mm : -1;
}
BENCHMARK(BM_DeviationOfLongMove)
    ->Args({655350, 1})
    ->Args({655350, 4})
    ->Unit(benchmark::kMillisecond);

class FirstGoalHooks final : public WorkerHooks {
 public:
  explicit FirstGoalHooks(BusyState& busy) : busy_(busy) {}
  void SetBusyCommands(bool) override {}
  void EnablePaneFields(bool) override {}
  void HighlightRow(std::size_t) override {}
  void SelectPose(std::size_t) override {
    // The first Pose's goals leave here; the playback is stopped at once after them.
    if (!first) first = Steady::now();
    busy_.playbackStop = true;
  }
  void InsertCopyAfterCurrent(const Pose&) override {}
  void ClearMotorToggle() override {}
  void RecordStep() override {}
  std::optional<Steady::time_point> first;

 private:
  BusyState& busy_;
};

// From the start of a measured playback to its first goal, on a Motion of `range(0)` Linear moves
// of 60 s each (millions of planned steps in all).
void BM_TimeToFirstGoal(benchmark::State& state) {
  const ArmGeometry g;
  Geometry geo;
  Document doc;
  std::vector<Pose> poses;
  for (int i = 0; i < state.range(0); ++i) {
    poses.push_back(LinearTo(g, 40, i % 2 == 0 ? -50 : 50, 60000));
  }
  doc.motion.Replace(poses, 0);
  FakeClock clock;
  for (auto _ : state) {
    ServoTable servos;
    servos.connected = true;
    servos.axisCount = 5;
    BusyState busy;
    FirstGoalHooks hooks(busy);
    MeasuredPath measured;
    PlaybackEngine engine(doc.motion, geo, servos, busy, hooks, clock);
    engine.SetMeasuredPath(&measured);
    busy.startIndex = 0;
    busy.stopIndex = -1;
    busy.playing = true;
    const Steady::time_point start = Steady::now();
    engine.Run();
    state.SetIterationTime(
        std::chrono::duration<double>(hooks.first.value_or(Steady::now()) - start).count());
  }
}
BENCHMARK(BM_TimeToFirstGoal)
    ->Arg(100)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
