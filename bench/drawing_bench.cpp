#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "geometry/kinematics.h"
#include "link/drawing_dialog.h"
#include "link/drawing_order.h"
#include "link/drawing_placement.h"
#include "link/drawing_poses.h"
#include "link/hershey_font.h"
#include "support/map_view.h"

namespace velmora {
namespace {

// `strokes` wavy strokes of `perStroke` cubic segments each, scattered over a 100 mm square.
Drawing Curves(int strokes, int perStroke) {
  Drawing d;
  for (int s = 0; s < strokes; ++s) {
    Stroke stroke;
    const double x0 = (s * 37 % 100);
    const double y0 = (s * 61 % 100);
    stroke.start = {x0, y0};
    for (int k = 0; k < perStroke; ++k) {
      const double x = x0 + (k + 1) * 1.5;
      const double sign = k % 2 ? 1 : -1;
      DrawingSegment seg;
      seg.kind = DrawingSegment::kCubic;
      seg.c1 = {x - 1.0, y0 + sign * 1.2};
      seg.c2 = {x - 0.5, y0 + sign * 1.2};
      seg.end = {x, y0};
      stroke.segments.push_back(seg);
    }
    d.strokes.push_back(stroke);
  }
  return d;
}

Drawing CircleAndCurves() {
  Drawing d;
  Stroke circle;
  const double r = 25, k = 0.5522847498 * r;
  circle.start = {r, 0};
  circle.segments = {{DrawingSegment::kCubic, {r, k}, {k, r}, {0, r}},
                     {DrawingSegment::kCubic, {-k, r}, {-r, k}, {-r, 0}},
                     {DrawingSegment::kCubic, {-r, -k}, {-k, -r}, {0, -r}},
                     {DrawingSegment::kCubic, {k, -r}, {r, -k}, {r, 0}}};
  d.strokes.push_back(circle);
  Stroke wave;
  wave.start = {-30, 40};
  wave.segments = {{DrawingSegment::kCubic, {-20, 25}, {-10, 25}, {0, 40}},
                   {DrawingSegment::kCubic, {10, 55}, {20, 55}, {30, 40}}};
  d.strokes.push_back(wave);
  return d;
}

// 5,000 curve segments placed, fitted and ordered (the reading is timed by the Qt benchmark).
void BM_DrawingPlaceFitOrder5000(benchmark::State& state) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const Drawing drawing = Curves(250, 20);
  const DrawingOptions o;  // the pen type's heights, on 3 axes
  std::size_t poses = 0;
  for (auto _ : state) {
    const FlatDrawing flat = FlattenDrawing(drawing);
    const Placement p = InitialPlacement(g, o.reach, flat);
    const DrawingPlan plan = PlanDrawing(g, drawing, flat, p, o, DefaultPose(g));
    poses = plan.poses.size();
    benchmark::DoNotOptimize(poses);
  }
  state.counters["segments"] = static_cast<double>(SegmentCount(drawing.strokes));
  state.counters["poses"] = static_cast<double>(poses);
}
BENCHMARK(BM_DrawingPlaceFitOrder5000)->Unit(benchmark::kMillisecond);

// One change of a field of the dialog, for the drawing of 5,000 segments: the preview and the
// summary are made anew.
void BM_DrawingDialogChange5000(benchmark::State& state) {
  Geometry geo;
  testing::MapView view;
  DrawingDialog dialog(view, geo.Get(), DrawingSource{Curves(250, 20), {}, {}}, DrawingOptions(),
                       DefaultPose(geo.Get()));
  dialog.OnInit();
  int turn = 0;
  for (auto _ : state) {
    view.SetText(kDrawingRotationField, std::to_string(turn++ % 10));
    dialog.OnChange(kDrawingRotationField);
    benchmark::DoNotOptimize(dialog.Plan().poses.size());
  }
}
BENCHMARK(BM_DrawingDialogChange5000)->Unit(benchmark::kMillisecond);

// Poses with arcs against a polyline within 0.1 mm of the same circle and curves.
void BM_DrawingArcsAgainstPolyline(benchmark::State& state) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const Drawing drawing = CircleAndCurves();
  const DrawingOptions o;  // the pen type's heights, on 3 axes
  const FlatDrawing flat = FlattenDrawing(drawing);
  const Placement p = InitialPlacement(g, o.reach, flat);
  std::size_t drawn = 0;
  for (auto _ : state) {
    const DrawingPlan plan = PlanDrawing(g, drawing, flat, p, o, DefaultPose(g));
    drawn = 0;
    for (const Pose& pose : plan.poses) drawn += pose.interpolation != kNone;
    benchmark::DoNotOptimize(drawn);
  }
  // The polyline: one Linear Pose a piece of the curves cut to within 0.1 mm.
  std::size_t polyline = 0;
  const DrawingTransform t = PlacementTransform(flat.bounds, p);
  for (const Stroke& s : drawing.strokes) {
    std::vector<DrawingPoint> points;
    FlattenStroke(TransformStroke(s, t), 0.1, 1e9, points);
    polyline += points.size() - 1;
  }
  state.counters["drawing_poses"] = static_cast<double>(drawn);
  state.counters["polyline_poses"] = static_cast<double>(polyline);
  state.counters["ratio"] = static_cast<double>(polyline) / static_cast<double>(drawn);
  if (polyline < 5 * drawn) state.SkipWithError("fewer than 5x fewer Poses than the polyline");
}
BENCHMARK(BM_DrawingArcsAgainstPolyline)->Unit(benchmark::kMillisecond);

// Pen-up travel time of the chosen order against the file's order, for a drawing whose strokes
// stand in a scattered order, as a file exported from an illustration program may hold them.
// `share` is the travel of the lifted pen; `share_with_lifts` also counts each lowering and lifting
// of the pen, of which the chosen order saves only those of strokes it joins end to end.
void TimeOrderAgainstFileOrder(benchmark::State& state, Drawing drawing) {
  std::mt19937 random(5);
  std::shuffle(drawing.strokes.begin(), drawing.strokes.end(), random);
  Geometry geo;
  const ArmGeometry g = geo.Get();
  DrawingOptions o;
  const FlatDrawing flat = FlattenDrawing(drawing);
  const Placement p = InitialPlacement(g, o.reach, flat);
  DrawingSummary ordered, fileOrder;
  for (auto _ : state) {
    o.keepFileOrder = false;
    ordered = PlanDrawing(g, drawing, flat, p, o, DefaultPose(g)).summary;
    o.keepFileOrder = true;
    fileOrder = PlanDrawing(g, drawing, flat, p, o, DefaultPose(g)).summary;
  }
  auto withLifts = [&o](const DrawingSummary& s) {
    return s.travelSeconds + static_cast<double>(s.lifts) * 2 * o.liftMs / 1000;
  };
  const double share = ordered.travelSeconds / fileOrder.travelSeconds;
  state.counters["ordered_s"] = ordered.travelSeconds;
  state.counters["file_order_s"] = fileOrder.travelSeconds;
  state.counters["share"] = share;
  state.counters["lifts"] = static_cast<double>(ordered.lifts);
  state.counters["file_order_lifts"] = static_cast<double>(fileOrder.lifts);
  state.counters["share_with_lifts"] = withLifts(ordered) / withLifts(fileOrder);
  if (share > 0.5) state.SkipWithError("the pen-up travel is over half the file order's");
}

// The machine's futural font, or the benchmark skipped when the font data is missing.
bool Futural(benchmark::State& state, HersheyFont& font) {
  for (FontChoice& choice : AvailableFonts()) {
    if (choice.name == "futural") {
      font = std::move(choice.font);
      return true;
    }
  }
  state.SkipWithError("hershey-fonts-data is not installed");
  return false;
}

// Two lines of text set close together.
void BM_DrawingTextOrder(benchmark::State& state) {
  HersheyFont font;
  if (!Futural(state, font)) return;
  TextOptions text;
  text.heightMm = 8;
  TimeOrderAgainstFileOrder(state,
                            LayoutText(font, "Velmora draws\nwords and lines", text).drawing);
}
BENCHMARK(BM_DrawingTextOrder)->Unit(benchmark::kMillisecond);

// A few words scattered over a page: a label in each corner and one in the middle.
void BM_DrawingScatteredWordsOrder(benchmark::State& state) {
  HersheyFont font;
  if (!Futural(state, font)) return;
  TextOptions text;
  text.heightMm = 6;
  const std::pair<const char*, DrawingPoint> words[] = {{"North", {0, 0}},
                                                        {"East", {90, 0}},
                                                        {"Centre", {45, 35}},
                                                        {"South", {0, 70}},
                                                        {"West", {90, 70}}};
  Drawing page;
  for (const auto& [word, at] : words) {
    DrawingTransform move;
    move.e = at.x;
    move.f = at.y;
    for (const Stroke& s : LayoutText(font, word, text).drawing.strokes) {
      page.strokes.push_back(TransformStroke(s, move));
    }
  }
  TimeOrderAgainstFileOrder(state, page);
}
BENCHMARK(BM_DrawingScatteredWordsOrder)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
