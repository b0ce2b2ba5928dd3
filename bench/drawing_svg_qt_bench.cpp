#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <string>

#include "geometry/kinematics.h"
#include "link/drawing_placement.h"
#include "link/drawing_poses.h"
#include "link/ui/svg_reader.h"

namespace velmora {
namespace {

// 250 paths of 20 cubic curves each: 5,000 segments, scattered over a 100 mm page.
QByteArray CurvesFile() {
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"100mm\" "
      "viewBox=\"0 0 100 100\">";
  for (int s = 0; s < 250; ++s) {
    const int x0 = s * 37 % 70;
    const int y0 = s * 61 % 100;
    svg += "<path fill=\"none\" stroke=\"black\" d=\"M" + std::to_string(x0) + " " +
           std::to_string(y0);
    for (int k = 0; k < 20; ++k) {
      svg += k % 2 ? " c0.5,1.2 1,1.2 1.5,0" : " c0.5,-1.2 1,-1.2 1.5,0";
    }
    svg += "\"/>";
  }
  svg += "</svg>";
  return QByteArray::fromStdString(svg);
}

// The whole import of 5,000 curve segments: read, placed, fitted and ordered.
void BM_DrawingSvgReadPlaceFitOrder5000(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  const QByteArray file = CurvesFile();
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const DrawingOptions o;  // the pen type's heights, on 3 axes
  std::size_t segments = 0;
  for (auto _ : state) {
    const SvgReadResult read = ReadSvgData(file);
    segments = SegmentCount(read.drawing.strokes);
    const FlatDrawing flat = FlattenDrawing(read.drawing);
    const Placement p = InitialPlacement(g, o.reach, flat);
    const DrawingPlan plan = PlanDrawing(g, read.drawing, flat, p, o, DefaultPose(g));
    benchmark::DoNotOptimize(plan.poses.size());
  }
  state.counters["segments"] = static_cast<double>(segments);
}
BENCHMARK(BM_DrawingSvgReadPlaceFitOrder5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
