// A drawing placed in the reach, ordered and turned into Poses.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/string_table.h"
#include "geometry/kinematics.h"
#include "link/drawing_dialog.h"
#include "link/drawing_order.h"
#include "link/drawing_placement.h"
#include "link/drawing_poses.h"
#include "link/motion_check.h"
#include "link/svg_viewport.h"
#include "support/map_view.h"

namespace velmora {
namespace {

// A circle of radius r around (cx, cy) as four cubics, as files and Qt hand it over.
Stroke Circle(double cx, double cy, double r) {
  const double k = 0.5522847498 * r;
  Stroke s;
  s.start = {cx + r, cy};
  auto cubic = [&s](DrawingPoint c1, DrawingPoint c2, DrawingPoint end) {
    DrawingSegment seg;
    seg.kind = DrawingSegment::kCubic;
    seg.c1 = c1;
    seg.c2 = c2;
    seg.end = end;
    s.segments.push_back(seg);
  };
  cubic({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r});
  cubic({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy});
  cubic({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r});
  cubic({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy});
  return s;
}

Stroke Line(DrawingPoint a, DrawingPoint b) {
  Stroke s;
  s.start = a;
  DrawingSegment seg;
  seg.end = b;
  s.segments.push_back(seg);
  return s;
}

double Distance(DrawingPoint a, DrawingPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

int Count(const std::vector<Pose>& poses, int32_t interpolation) {
  int n = 0;
  for (const Pose& p : poses) n += p.interpolation == interpolation;
  return n;
}

TEST(DrawingPoses, CircleBecomesAFewArcsWithinToleranceAndPassesTheMotionCheck) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  Drawing drawing{{Circle(0, 0, 20), Line({-30, 30}, {30, 30})}};
  const FlatDrawing flat = FlattenDrawing(drawing);
  const DrawingOptions o;  // the pen type's heights, on 3 axes
  const Placement placement = InitialPlacement(g, o.reach, flat);
  // Opens at its own size (60 mm), in the middle of the comfortable area.
  EXPECT_NEAR(placement.widthMm, 60, 1e-9);
  const DrawingPoint centre = ComfortableCentre(g);
  EXPECT_NEAR(placement.centreX, centre.x, 1e-9);

  const Pose from = DefaultPose(g);
  const DrawingPlan plan = PlanDrawing(g, drawing, flat, placement, o, from);
  ASSERT_EQ(plan.reach.strokesOutside, 0u);
  EXPECT_EQ(plan.summary.strokes, 2u);
  EXPECT_EQ(plan.summary.lifts, 2u);
  EXPECT_GE(Count(plan.poses, kArc), 2);
  EXPECT_LE(Count(plan.poses, kArc), 4);
  EXPECT_LE(plan.summary.maxDeviationMm, o.toleranceMm);
  EXPECT_EQ(plan.summary.poses, plan.poses.size());
  // Pen heights: every Linear or Arc Pose draws, every None Pose that travels is up.
  for (const Pose& p : plan.poses) {
    if (p.interpolation != kNone) {
      EXPECT_EQ(p.z, o.reach.penDownZ);
    }
  }
  std::vector<Pose> all{from};
  all.insert(all.end(), plan.poses.begin(), plan.poses.end());
  const CheckedMotion checked = CheckMotion(g, all, 3, o.maxServoSpeed);
  for (std::size_t k = 1; k < all.size(); ++k) EXPECT_EQ(checked.issues[k], 0) << "pose " << k;
  // The drawing's time: the pen-down length at the drawing speed, the travel, and two lowerings
  // and two lifts of the pen, which the travel time does not count.
  const double length = 2 * kPi * 20 + 60;
  EXPECT_GT(plan.summary.travelSeconds, 0);
  EXPECT_GT(plan.summary.totalSeconds,
            length / o.speedMmPerS + plan.summary.travelSeconds + 4 * o.liftMs / 1000 - 1e-9);
}

TEST(DrawingPlacement, APointOutOfReachIsNeverMovedAndTheFitFindsTheLargestSize) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const DrawingOptions o;  // the pen type's heights, on 3 axes
  // A square of 1 m: far too big at its own size, so it opens at the largest size that fits.
  Drawing square{{Line({0, 0}, {1000, 0}), Line({1000, 0}, {1000, 1000}),
                  Line({1000, 1000}, {0, 1000}), Line({0, 1000}, {0, 0})}};
  const FlatDrawing flat = FlattenDrawing(square);
  const Placement open = InitialPlacement(g, o.reach, flat);
  EXPECT_LT(open.widthMm, 200);
  EXPECT_GT(open.widthMm, 40);
  EXPECT_EQ(CheckReach(g, o.reach, flat, open).strokesOutside, 0u);
  Placement bigger = open;
  bigger.widthMm += 1;
  EXPECT_GT(CheckReach(g, o.reach, flat, bigger).strokesOutside, 0u);

  // Moved out of reach: counted, no Poses, nothing clamped.
  Placement away = open;
  away.centreX += 400;
  const DrawingPlan plan = PlanDrawing(g, square, flat, away, o, DefaultPose(g));
  EXPECT_EQ(plan.reach.strokesOutside, 4u);
  EXPECT_TRUE(plan.poses.empty());
}

TEST(DrawingPoses, ThePreviewedTravelBendsAsTheJointsTurn) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const DrawingOptions o;  // the pen type's heights, on 3 axes
  const Drawing dashes{{Line({0, 0}, {5, 0}), Line({0, 100}, {5, 100})}};
  const FlatDrawing flat = FlattenDrawing(dashes);
  const Pose from = DefaultPose(g);
  const DrawingPlan plan =
      PreviewDrawing(g, dashes, flat, InitialPlacement(g, o.reach, flat), o, from);
  ASSERT_EQ(plan.reach.strokesOutside, 0u);
  ASSERT_EQ(plan.travel.size(), 2u);
  // From where the arm is to the first stroke, then from the end of one dash to the other.
  EXPECT_LT(Distance(plan.travel[0].front(), {from.x, from.y}), 0.3);
  const std::vector<DrawingPoint>& hop = plan.travel[1];
  const DrawingPoint a = plan.strokes[0].End(), b = plan.strokes[1].start;
  EXPECT_LT(Distance(hop.front(), a), 0.3);
  EXPECT_LT(Distance(hop.back(), b), 0.3);
  // Off the straight line between them, as the arm really goes.
  double most = 0;
  for (DrawingPoint p : hop) {
    const double across = std::fabs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x));
    most = std::max(most, across / Distance(a, b));
  }
  EXPECT_GT(most, 2.0);
}

TEST(DrawingOrder, MergesDuplicatesAndJoinsAndOrdersByTheArmsTravel) {
  // Duplicates either way round go; ends that meet within 0.05 mm are joined.
  const std::vector<Stroke> merged =
      MergeStrokes({Line({0, 0}, {10, 0}), Line({10, 0}, {0, 0}), Line({10.03, 0}, {10, 10}),
                    Line({20, 20}, {30, 20})});
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].segments.size(), 2u);
  EXPECT_EQ(merged[0].End(), (DrawingPoint{10, 10}));
  // Neighbours that begin at the same point: the first is turned round.
  const std::vector<Stroke> corner = MergeStrokes({Line({0, 10}, {0, 0}), Line({0, 10}, {9, 10})});
  ASSERT_EQ(corner.size(), 1u);
  EXPECT_EQ(corner[0].start, (DrawingPoint{0, 0}));
  EXPECT_EQ(corner[0].End(), (DrawingPoint{9, 10}));

  // Scattered dashes in a bad file order: nearest neighbour and 2-opt shorten the travel.
  TravelModel model;
  model.joints = [](DrawingPoint p) { return JointPoint{p.x, p.y}; };
  model.secondsPerJointUnit = 0.01;
  model.liftSeconds = 0.2;
  std::vector<Stroke> dashes;
  for (int k = 0; k < 12; ++k) {
    const double x = (k * 7 % 12) * 10.0;
    dashes.push_back(k % 2 ? Line({x + 5, 0}, {x, 0}) : Line({x, 0}, {x + 5, 0}));
  }
  const std::vector<Stroke> ordered = OrderStrokes(dashes, {0, 0}, model);
  ASSERT_EQ(ordered.size(), dashes.size());
  const double before = TravelTotal(dashes, {0, 0}, model);
  const double after = TravelTotal(ordered, {0, 0}, model);
  EXPECT_LT(after, before * 0.5);
  // Left to right, each dash drawn left to right: only the lifts and 5 mm gaps remain.
  EXPECT_NEAR(after, 12 * 0.2 + 11 * 5 * 0.01, 1e-9);
}

TEST(DrawingOrder, StrokesThatMeetAnywhereInTheFileAreDrawnWithoutALift) {
  // An "A" as a font lists it: the diagonals share the apex, the crossbar stands between them.
  Geometry geo;
  const ArmGeometry g = geo.Get();
  DrawingOptions o;
  const Drawing a{{Line({0, 20}, {5, 0}), Line({2.5, 10}, {7.5, 10}), Line({5, 0}, {10, 20})}};
  const FlatDrawing flat = FlattenDrawing(a);
  const Placement placement = InitialPlacement(g, o.reach, flat);
  auto lowerings = [&o](const std::vector<Pose>& poses) {
    int n = 0;
    for (const Pose& p : poses) n += p.interpolation == kNone && p.z == o.reach.penDownZ;
    return n;
  };
  const DrawingPlan ordered = PlanDrawing(g, a, flat, placement, o, DefaultPose(g));
  EXPECT_EQ(ordered.summary.lifts, 2u);
  EXPECT_EQ(lowerings(ordered.poses), 2);
  o.keepFileOrder = true;
  const DrawingPlan inFileOrder = PlanDrawing(g, a, flat, placement, o, DefaultPose(g));
  EXPECT_EQ(inFileOrder.summary.lifts, 3u);
  EXPECT_EQ(lowerings(inFileOrder.poses), 3);
  EXPECT_LT(ordered.summary.totalSeconds, inFileOrder.summary.totalSeconds);
}

TEST(SvgViewport, UnitsAndEachAspectRuleMapUserUnitsToMm) {
  double mm = 0;
  EXPECT_TRUE(ParseSvgLengthMm("96", &mm));
  EXPECT_DOUBLE_EQ(mm, 25.4);
  EXPECT_TRUE(ParseSvgLengthMm(" 2in", &mm));
  EXPECT_DOUBLE_EQ(mm, 50.8);
  EXPECT_TRUE(ParseSvgLengthMm("72pt", &mm));
  EXPECT_DOUBLE_EQ(mm, 25.4);
  EXPECT_TRUE(ParseSvgLengthMm("6pc", &mm));
  EXPECT_DOUBLE_EQ(mm, 25.4);
  EXPECT_TRUE(ParseSvgLengthMm("1.5cm", &mm));
  EXPECT_DOUBLE_EQ(mm, 15);
  EXPECT_FALSE(ParseSvgLengthMm("100%", &mm));
  EXPECT_FALSE(ParseSvgLengthMm("nan", &mm));
  EXPECT_FALSE(ParseSvgLengthMm("1e400mm", &mm));
  EXPECT_FALSE(ParseSvgLengthMm("-5mm", &mm));

  // viewBox 200 x 100 into 100 mm x 100 mm.
  auto map = [](const char* par, DrawingPoint p) {
    const SvgViewport v = ResolveSvgViewport({"100mm", "100mm", "0 0 200 100", par});
    EXPECT_TRUE(v.ok);
    return v.userToMm.Apply(p);
  };
  EXPECT_EQ(map("", {200, 100}), (DrawingPoint{100, 75}));  // xMidYMid meet
  EXPECT_EQ(map("xMinYMin meet", {200, 100}), (DrawingPoint{100, 50}));
  EXPECT_EQ(map("xMaxYMax", {0, 0}), (DrawingPoint{0, 50}));
  EXPECT_EQ(map("xMidYMid slice", {0, 0}), (DrawingPoint{-50, 0}));
  EXPECT_EQ(map("xMinYMax slice", {200, 100}), (DrawingPoint{200, 100}));
  EXPECT_EQ(map("none", {200, 100}), (DrawingPoint{100, 100}));
  // A viewBox origin moves the drawing; a missing height follows the viewBox's aspect.
  const SvgViewport shifted = ResolveSvgViewport({"40mm", "", "-10 -10 20 10", ""});
  ASSERT_TRUE(shifted.ok);
  EXPECT_DOUBLE_EQ(shifted.heightMm, 20);
  EXPECT_EQ(shifted.userToMm.Apply({-10, -10}), (DrawingPoint{0, 0}));
  // No viewBox: px.
  EXPECT_EQ(ResolveSvgViewport({"10cm", "", "", ""}).userToMm.Apply({96, 48}),
            (DrawingPoint{25.4, 12.7}));
  EXPECT_FALSE(ResolveSvgViewport({"", "", "0 0 0 10", ""}).ok);
  EXPECT_FALSE(ResolveSvgViewport({"", "", "0 0 nan 10", ""}).ok);

  // What the reader looks for before Qt parses: counts, and numbers no drawing has.
  EXPECT_EQ(ScanNumbers("M10,20 L-3.5.5e1 30").count, 5u);
  EXPECT_FALSE(ScanNumbers("fill:#1e9999;stroke-width:0.26").absurd);
  EXPECT_TRUE(ScanNumbers("M 0 0 L 1e300 5").absurd);
  EXPECT_TRUE(ScanNumbers("M 0 0 L NaN 5").absurd);
  EXPECT_TRUE(ScanNumbers("translate(inf)").absurd);
  EXPECT_FALSE(ScanNumbers("font-family:Infant Sans").absurd);
}

TEST(DrawingDialog, OkWaitsForTheReachTheFitEnablesItAndInsertCountsOnce) {
  Geometry geo;
  testing::MapView view;
  Drawing drawing{{Circle(0, 0, 20), Line({-30, 30}, {30, 30})}};
  DrawingDialog dialog(view, geo.Get(), DrawingSource{drawing, {}, {}}, DrawingOptions(),
                       DefaultPose(geo.Get()));
  dialog.OnInit();
  EXPECT_TRUE(view.IsEnabled(kDrawingOkButton));
  EXPECT_EQ(view.Text(kDrawingWidthField), "60.0");
  EXPECT_EQ(view.Text(kDrawingSummaryText), DrawingSummaryText(dialog.Plan().summary));
  EXPECT_FALSE(view.IsEnabled(kDrawingTextField));

  view.SetText(kDrawingWidthField, "300");
  dialog.OnChange(kDrawingWidthField);
  EXPECT_FALSE(view.IsEnabled(kDrawingOkButton));
  EXPECT_EQ(view.Text(kDrawingReachText).rfind(LoadText(41308), 0), 0u);
  dialog.OnClick(kDrawingOkButton);
  EXPECT_EQ(dialog.Result(), 0);

  dialog.OnClick(kDrawingFitButton);
  EXPECT_TRUE(view.IsEnabled(kDrawingOkButton));
  EXPECT_EQ(view.Text(kDrawingReachText), "");
  EXPECT_LT(dialog.CurrentPlacement().widthMm, 300);

  view.SetText(kDrawingToleranceField, "2");
  dialog.OnChange(kDrawingToleranceField);
  EXPECT_FALSE(view.IsEnabled(kDrawingOkButton));
  EXPECT_EQ(view.Text(kDrawingSummaryText), LoadText(41318));
}

}  // namespace
}  // namespace velmora
