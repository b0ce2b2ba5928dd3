// Recordings of shapes drawn by hand, turned into a few Linear and Arc Poses.
#include "link/recording_simplifier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "geometry/kinematics.h"
#include "link/simplify_dialog.h"
#include "base/string_table.h"
#include "support/map_view.h"

namespace velmora {
namespace {

struct Point3 {
  double x, y, z;
};

// What the recorder makes of the tool passing `points`: None Poses at the recording interval, each
// shoulder and elbow reading off by up to one count.
std::vector<Pose> Recording(const Geometry& geo, const std::vector<Point3>& points,
                            uint32_t interval = 100, uint32_t seed = 7) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-1, 1);
  std::vector<Pose> out;
  for (const Point3& p : points) {
    Pose pose;
    pose.x = p.x;
    pose.y = p.y;
    pose.z = p.z;
    pose.transitionTime = interval;
    UpdateMotorValues(geo.Get(), pose);
    pose.motorValues[0] = static_cast<int16_t>(pose.motorValues[0] + noise(random));
    pose.motorValues[1] = static_cast<int16_t>(pose.motorValues[1] + noise(random));
    UpdateCoordinates(geo.Get(), pose);
    out.push_back(pose);
  }
  return out;
}

// `count` points evenly along the closed polygon `corners`.
std::vector<Point3> AlongPolygon(const std::vector<Point3>& corners, int count) {
  std::vector<double> lengths;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const Point3& a = corners[k];
    const Point3& b = corners[(k + 1) % corners.size()];
    lengths.push_back(std::hypot(b.x - a.x, b.y - a.y));
  }
  const double total = std::accumulate(lengths.begin(), lengths.end(), 0.0);
  std::vector<Point3> out;
  for (int i = 0; i <= count; ++i) {
    double d = total * i / count;
    std::size_t k = 0;
    while (k + 1 < lengths.size() && d > lengths[k]) d -= lengths[k++];
    const Point3& a = corners[k];
    const Point3& b = corners[(k + 1) % corners.size()];
    const double f = lengths[k] > 0 ? std::min(1.0, d / lengths[k]) : 0;
    out.push_back({a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z});
  }
  return out;
}

uint64_t TotalTime(const std::vector<Pose>& poses) {
  uint64_t t = 0;
  for (std::size_t k = 1; k < poses.size(); ++k) t += poses[k].transitionTime;
  return t;
}

int Count(const std::vector<Pose>& poses, int32_t interpolation) {
  int n = 0;
  for (std::size_t k = 1; k < poses.size(); ++k) n += poses[k].interpolation == interpolation;
  return n;
}

TEST(RecordingSimplifier, NoisySquareBecomesFourOrFiveLinesWithinTolerance) {
  Geometry geo;
  const std::vector<Pose> run = Recording(
      geo, AlongPolygon({{10, -30, -20}, {70, -30, -20}, {70, 30, -20}, {10, 30, -20}}, 199));
  ASSERT_EQ(run.size(), 200u);
  const SimplifiedRecording s = SimplifyRecording(geo.Get(), run);
  // One straight move a side; a corner that falls between two samples may take one more move.
  EXPECT_GE(Count(s.poses, kLinear), 4);
  EXPECT_LE(s.poses.size() - 1, 6u);
  EXPECT_EQ(s.poses.front(), run.front());
  EXPECT_EQ(TotalTime(s.poses), TotalTime(run));
  // Every Pose ends at a recorded sample, and the played path passes every sample.
  for (std::size_t k = 0; k < s.poses.size(); ++k) {
    EXPECT_LE(std::hypot(s.poses[k].x - run[s.source[k]].x, s.poses[k].y - run[s.source[k]].y),
              0.5);
  }
  EXPECT_LE(s.maxDeviationMm, 0.5);
  EXPECT_LE(RecordingDeviation(PlanSimplified(geo.Get(), s, 5), run, s), 0.5);
}

TEST(RecordingSimplifier, CircleBecomesAFewArcsAndNeedsManyLinesWithoutThem) {
  Geometry geo;
  std::vector<Point3> circle;
  for (int i = 0; i < 200; ++i) {
    const double a = 6.2831852 * i / 200;
    circle.push_back({40 + 28 * std::cos(a), 28 * std::sin(a), 0});
  }
  const std::vector<Pose> run = Recording(geo, circle);
  const SimplifiedRecording arcs = SimplifyRecording(geo.Get(), run);
  EXPECT_LE(arcs.poses.size(), 5u);
  EXPECT_GE(Count(arcs.poses, kArc), 1);
  EXPECT_LE(RecordingDeviation(PlanSimplified(geo.Get(), arcs, 5), run, arcs), 0.5);
  EXPECT_EQ(TotalTime(arcs.poses), TotalTime(run));

  SimplifyOptions noArcs;
  noArcs.allowArcs = false;
  const SimplifiedRecording lines = SimplifyRecording(geo.Get(), run, noArcs);
  EXPECT_EQ(Count(lines.poses, kArc), 0);
  EXPECT_GT(lines.poses.size(), 3 * arcs.poses.size());
  EXPECT_LE(RecordingDeviation(PlanSimplified(geo.Get(), lines, 5), run, lines), 0.5);
}

TEST(RecordingSimplifier, ZigZagKeepsEveryPenChangeAndSplitsOverlongMoves) {
  Geometry geo;
  // Strokes drawn with the pen down, joined by moves with the pen up.
  std::vector<Point3> points;
  for (int stroke = 0; stroke < 4; ++stroke) {
    const double x = 10 + 15 * stroke;
    for (int i = 0; i < 20; ++i) points.push_back({x, -30 + 3.0 * i, -20});
    for (int i = 0; i < 5; ++i) points.push_back({x + 3.0 * i, 30 - 12.0 * i, 0});
  }
  const std::vector<Pose> run = Recording(geo, points);
  const SimplifiedRecording s = SimplifyRecording(geo.Get(), run);
  std::vector<bool> kept(run.size(), false);
  for (std::size_t k : s.source) kept[k] = true;
  int changes = 0;
  for (std::size_t k = 1; k < run.size(); ++k) {
    if ((run[k].z < -19) != (run[k - 1].z < -19)) {
      ++changes;
      EXPECT_TRUE(kept[k - 1] && kept[k]) << "pen change at sample " << k;
    }
  }
  EXPECT_EQ(changes, 7);
  EXPECT_LT(s.poses.size(), run.size() / 3);
  EXPECT_EQ(TotalTime(s.poses), TotalTime(run));

  // A pause longer than one move may last is split where the sum would pass 655350 ms.
  std::vector<Pose> still = Recording(geo, std::vector<Point3>(12, Point3{40, 0, 0}), 100000, 1);
  const SimplifiedRecording parts = SimplifyRecording(geo.Get(), still);
  EXPECT_EQ(TotalTime(parts.poses), TotalTime(still));
  for (const Pose& p : parts.poses) EXPECT_LE(p.transitionTime, 655350u);
  EXPECT_GE(parts.poses.size(), 3u);
}

TEST(SimplifyDialog, SummaryFollowsTheFieldsAndABadToleranceDisablesOk) {
  Geometry geo;
  std::vector<Point3> circle;
  for (int i = 0; i < 120; ++i) {
    const double a = 6.2831852 * i / 120;
    circle.push_back({40 + 25 * std::cos(a), 25 * std::sin(a), 0});
  }
  testing::MapView view;
  SimplifyDialog dialog(view, geo.Get(), Recording(geo, circle), {});
  dialog.OnInit();
  EXPECT_EQ(view.Text(kSimplifyToleranceField), "0.50");
  EXPECT_EQ(view.Check(kSimplifyArcsCheck), CheckState::kChecked);
  const std::size_t withArcs = dialog.Simplified().poses.size();
  EXPECT_EQ(view.Text(kSimplifySummaryText),
            SimplifySummary(120, withArcs, dialog.MaxDeviationMm()));
  EXPECT_EQ(view.Text(kSimplifySummaryText).rfind("120 → ", 0), 0u);

  view.SetText(kSimplifyToleranceField, "0");
  dialog.OnChange(kSimplifyToleranceField);
  EXPECT_FALSE(view.IsEnabled(kSimplifyOkButton));
  EXPECT_EQ(view.Text(kSimplifySummaryText), LoadText(41101));
  dialog.OnClick(kSimplifyOkButton);
  EXPECT_EQ(dialog.Result(), 0);

  view.SetText(kSimplifyToleranceField, "0.5");
  dialog.OnChange(kSimplifyToleranceField);
  view.SetCheck(kSimplifyArcsCheck, CheckState::kUnchecked);
  dialog.OnClick(kSimplifyArcsCheck);
  EXPECT_TRUE(view.IsEnabled(kSimplifyOkButton));
  EXPECT_EQ(Count(dialog.Simplified().poses, kArc), 0);
  EXPECT_GT(dialog.Simplified().poses.size(), withArcs);
  dialog.OnClick(kSimplifyOkButton);
  EXPECT_EQ(dialog.Result(), 1);

  // The rows: from the lowest to the highest selected one, or all of them.
  EXPECT_EQ(SimplifyRows({9, 2, 5, 40}, 20).first, 2u);
  EXPECT_EQ(SimplifyRows({9, 2, 5, 40}, 20).count, 8u);
  EXPECT_EQ(SimplifyRows({}, 7).count, 7u);
  EXPECT_EQ(SimplifyRows({3}, 7).count, 7u);  // the current row alone
}

}  // namespace
}  // namespace velmora
