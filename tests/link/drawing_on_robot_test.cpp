// A drawing played on the virtual robot through the real link: where the pen is down, the measured
// tool stays on the drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/kinematics.h"
#include "link/busy_state.h"
#include "link/drawing_placement.h"
#include "link/drawing_poses.h"
#include "link/link_fixture.h"
#include "link/playback_engine.h"
#include "link/worker_hooks.h"
#include "support/stepping_clock.h"

namespace velmora {
namespace {

class QuietHooks : public WorkerHooks {
 public:
  void SetBusyCommands(bool) override {}
  void EnablePaneFields(bool) override {}
  void HighlightRow(std::size_t) override {}
  void SelectPose(std::size_t) override {}
  void InsertCopyAfterCurrent(const Pose&) override {}
  void ClearMotorToggle() override {}
  void RecordStep() override {}
};

double SegmentDistance(DrawingPoint p, DrawingPoint a, DrawingPoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  const double f = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0)
                            : 0.0;
  return std::hypot(p.x - (a.x + f * dx), p.y - (a.y + f * dy));
}

class DrawingOnRobot : public testing::LinkFixture {
 protected:
  DrawingOnRobot() : stepping(clock, link) {}
  Geometry geo;
  BusyState busy;
  QuietHooks hooks;
  testing::SteppingClock stepping;
};

TEST_F(DrawingOnRobot, MeasuredPathStaysWithinOneMillimetreOfTheDrawingAtTheDefaultSpeed) {
  const ArmGeometry g = geo.Get();
  // A circle (four cubics), a zig-zag and a wave: arcs, corners and curves.
  Drawing drawing;
  Stroke circle;
  const double k = 0.5522847498 * 15;
  circle.start = {15, 0};
  auto cubic = [](Stroke& s, DrawingPoint c1, DrawingPoint c2, DrawingPoint end) {
    s.segments.push_back({DrawingSegment::kCubic, c1, c2, end});
  };
  cubic(circle, {15, k}, {k, 15}, {0, 15});
  cubic(circle, {-k, 15}, {-15, k}, {-15, 0});
  cubic(circle, {-15, -k}, {-k, -15}, {0, -15});
  cubic(circle, {k, -15}, {15, -k}, {15, 0});
  drawing.strokes.push_back(circle);
  Stroke zigzag;
  zigzag.start = {-30, 25};
  for (int i = 1; i <= 6; ++i) {
    zigzag.segments.push_back({DrawingSegment::kLine, {}, {}, {-30.0 + i * 10, i % 2 ? 35.0 : 25.0}});
  }
  drawing.strokes.push_back(zigzag);
  Stroke wave;
  wave.start = {-30, -30};
  cubic(wave, {-15, -45}, {15, -15}, {30, -30});
  drawing.strokes.push_back(wave);

  const DrawingOptions o;  // the pen type's heights, on 3 axes
  const FlatDrawing flat = FlattenDrawing(drawing);
  const Placement placement = InitialPlacement(g, o.reach, flat);
  Pose from = DefaultPose(g);
  from.z = -5;
  UpdateMotorValues(g, from);
  const DrawingPlan plan = PlanDrawing(g, drawing, flat, placement, o, from);
  ASSERT_FALSE(plan.poses.empty());

  // The drawing where it was placed, finely.
  std::vector<std::vector<DrawingPoint>> lines;
  const DrawingTransform t = PlacementTransform(flat.bounds, placement);
  for (const Stroke& s : drawing.strokes) {
    lines.emplace_back();
    FlattenStroke(TransformStroke(s, t), 0.001, 0.5, lines.back());
  }
  auto distance = [&lines](DrawingPoint p) {
    double best = std::numeric_limits<double>::infinity();
    for (const auto& line : lines) {
      for (std::size_t q = 1; q < line.size(); ++q) {
        best = std::min(best, SegmentDistance(p, line[q - 1], line[q]));
      }
    }
    return best;
  };

  std::vector<Pose> all{from};
  all.insert(all.end(), plan.poses.begin(), plan.poses.end());
  motion.Replace(all, 0);
  Connect(3, true);
  for (int i = 0; i < 250; ++i) link.RunOnce();  // the move to the first Pose
  double worst = 0;
  int downSamples = 0;
  stepping.onCycle = [&](uint32_t) {
    Pose measured;
    for (int id = 1; id <= 3; ++id) {
      measured.motorValues[static_cast<std::size_t>(id - 1)] = robot.PresentPosition(id);
    }
    double x = 0, y = 0, z = 0;
    ForwardKinematics(g, measured, &x, &y, &z, nullptr, nullptr);
    // The pen draws below VPEN_TH (-19 mm); lowering and lifting pass through it at one point.
    if (z >= -19.5) return;
    ++downSamples;
    worst = std::max(worst, distance({x, y}));
  };
  busy.playing = true;
  PlaybackEngine engine(motion, geo, table, busy, hooks, stepping);
  engine.Run();
  EXPECT_GT(downSamples, 500);
  EXPECT_LE(worst, 1.0);
  RecordProperty("worst_um", static_cast<int>(worst * 1000));
}

}  // namespace
}  // namespace velmora
