#include <benchmark/benchmark.h>

#include <vector>

#include "geometry/kinematics.h"
#include "link/motion_check.h"
#include "support/poses.h"

namespace velmora {
namespace {

// The planned path and the motion check of a 10,000-Pose Motion, as every edit recomputes them.
void BM_PlanAndCheck(benchmark::State& state) {
  const ArmGeometry g;
  const std::vector<Pose> poses = testing::DrawnMotion(g, static_cast<int>(state.range(0)),
                                                       static_cast<uint32_t>(state.range(1)));
  std::size_t points = 0;
  for (auto _ : state) {
    const CheckedMotion checked = CheckMotion(g, poses, 5, 300);
    points = checked.path.points.size();
    benchmark::DoNotOptimize(checked.issues.data());
  }
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_PlanAndCheck)
    ->Args({10000, 100})
    ->Args({10000, 300})
    ->Args({10000, 1000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
