#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/kinematics.h"
#include "link/recording_simplifier.h"

namespace velmora {
namespace {

// A hand drawing of `count` samples: strokes of straight lines and curves with the pen down, a
// short lift between them, every shoulder and elbow reading off by up to one count.
std::vector<Pose> HandDrawing(const Geometry& geo, int count, uint32_t interval) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> noise(-1, 1);
  std::vector<Pose> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int stroke = i / 250;
    const int inStroke = i % 250;
    const double s = inStroke / 250.0;
    Pose p;
    if (stroke % 2 == 0) {
      // A square, 50 mm a side.
      const double d = s * 4;
      const int side = static_cast<int>(d);
      const double f = d - side;
      const double xs[] = {15, 65, 65, 15, 15};
      const double ys[] = {-25, -25, 25, 25, -25};
      p.x = xs[side] + f * (xs[side + 1] - xs[side]);
      p.y = ys[side] + f * (ys[side + 1] - ys[side]);
    } else {
      // A wavy curve.
      p.x = 10 + 60 * s;
      p.y = 20 * std::sin(s * 3 * 6.2831852) + 10 * std::cos(s * 6.2831852);
    }
    p.z = inStroke < 240 ? -20 : 0;
    p.transitionTime = interval;
    UpdateMotorValues(geo.Get(), p);
    p.motorValues[0] = static_cast<int16_t>(p.motorValues[0] + noise(random));
    p.motorValues[1] = static_cast<int16_t>(p.motorValues[1] + noise(random));
    UpdateCoordinates(geo.Get(), p);
    out.push_back(p);
  }
  return out;
}

// A recording of 10,000 samples at 0.5 mm; the argument is the recording interval in ms.
void BM_SimplifyRecording(benchmark::State& state) {
  Geometry geo;
  const std::vector<Pose> run = HandDrawing(geo, 10000, static_cast<uint32_t>(state.range(0)));
  SimplifyOptions options;
  options.toleranceMm = 0.5;
  std::size_t poses = 0;
  for (auto _ : state) {
    const SimplifiedRecording s = SimplifyRecording(geo.Get(), run, options);
    poses = s.poses.size();
    benchmark::DoNotOptimize(poses);
  }
  state.counters["poses"] = static_cast<double>(poses);
}
BENCHMARK(BM_SimplifyRecording)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
