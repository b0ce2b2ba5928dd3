#include <benchmark/benchmark.h>

#include "geometry/kinematics.h"

namespace velmora {
namespace {

// The render thread runs the forward kinematics every frame and playback runs the inverse on
// every interpolation step; both must stay far below a millisecond.
void BM_ForwardKinematics(benchmark::State& state) {
  Geometry geo;
  geo.SetCoordinateSystem(10, 20, 1.5707963);
  const ArmGeometry g = geo.Get();
  Pose p;
  p.motorValues = {300, -450, 100, 20, -100};
  for (auto _ : state) {
    UpdateCoordinates(g, p);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_ForwardKinematics);

void BM_InverseKinematics(benchmark::State& state) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  Pose p;
  double x = 0;
  for (auto _ : state) {
    x = x > 60 ? -60 : x + 0.5;
    InverseKinematics(g, x, 40, 5, 10, 20, p);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_InverseKinematics);

void BM_GeometrySnapshot(benchmark::State& state) {
  Geometry geo;
  for (auto _ : state) benchmark::DoNotOptimize(geo.Get());
}
BENCHMARK(BM_GeometrySnapshot);

}  // namespace
}  // namespace velmora
