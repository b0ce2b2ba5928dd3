#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "geometry/kinematics.h"
#include "link/motion_check.h"

namespace velmora {
namespace {

// A drawing of `count` Poses: pen-up travel (None), then strokes along lines and arcs with the
// pen down, over the arm's working area; every move lasts `moveMs`.
std::vector<Pose> Drawing(const ArmGeometry& g, int count, uint32_t moveMs) {
  std::vector<Pose> poses;
  poses.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    Pose p;
    const double a = i * 0.37;
    p.x = 30 + 50 * std::cos(a) + (i % 7) * 3;
    p.y = 10 + 60 * std::sin(a * 0.9);
    p.z = (i % 5 == 0) ? 0 : -25;
    p.handWidth = 20;
    p.interpolation = i % 5 == 0 ? kNone : (i % 5 == 3 ? kArc : kLinear);
    p.arcRadius = 40;
    p.arcDirection = i % 2;
    p.transitionTime = moveMs;
    UpdateMotorValues(g, p);
    poses.push_back(p);
  }
  return poses;
}

// The planned path and the motion check of a 10,000-Pose Motion, as every edit recomputes them.
void BM_PlanAndCheck(benchmark::State& state) {
  const ArmGeometry g;
  const std::vector<Pose> poses =
      Drawing(g, static_cast<int>(state.range(0)), static_cast<uint32_t>(state.range(1)));
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
