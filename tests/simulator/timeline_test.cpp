// The timeline's lanes, flags and playhead over a checked Motion, and retiming by a handle drag.
#include "simulator/timeline.h"

#include <gtest/gtest.h>

#include "document/document.h"
#include "geometry/coordinate_system.h"
#include "simulator/timeline_retime.h"
#include "support/poses.h"

namespace velmora {
namespace {

using testing::FromMotors;

std::vector<Pose> ThreeMoves(const ArmGeometry& g) {
  // The second move swings ID1 by 90 degrees in 100 ms: far above 300 degrees per second.
  return {FromMotors(g, 0, 300, 0, 0, 0, 500), FromMotors(g, 900, 300, -1000, 0, 0, 100),
          FromMotors(g, 900, 0, 0, 0, 0, 1000)};
}

std::vector<int> LaneIds(const TimelineModel& m) {
  std::vector<int> ids;
  for (const TimelineLane& lane : m.lanes) ids.push_back(lane.id);
  return ids;
}

TEST(Timeline, LanesFollowTheAxesAndTooFastPartsCarryTheCheckLine) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const std::vector<Pose> poses = ThreeMoves(g);
  const CheckedMotion checked = CheckMotion(g, poses, 5, 300);
  ASSERT_EQ(checked.issues[1], kIssueTooFast);

  EXPECT_EQ(LaneIds(BuildTimeline(CheckMotion(g, poses, 3, 300), g, 3, 300, -19)),
            (std::vector<int>{1, 2, 3, kToolHeightLane}));
  const TimelineModel m = BuildTimeline(checked, g, 5, 300, -19);
  ASSERT_EQ(LaneIds(m), (std::vector<int>{1, 2, 3, 4, 5, kToolHeightLane}));
  EXPECT_EQ(m.keyTimes.size(), 3u);
  EXPECT_EQ(m.keyTimes.back(), m.duration);
  EXPECT_EQ(m.moveStart[1], m.keyTimes[0] + 10);
  EXPECT_FLOAT_EQ(m.lanes[0].limitHigh, 1400);

  // Only ID1 in the second move is flagged, and its tooltip is the check window's line.
  std::string line;
  for (const CheckLine& l : CheckLines(checked)) {
    if (l.pose == 1u) line = l.text;
  }
  ASSERT_EQ(m.lanes[0].flagged.size(), 1u);
  const FlaggedSpan& span = m.lanes[0].flagged[0];
  EXPECT_EQ(span.pose, 1u);
  EXPECT_EQ(span.text, line);
  EXPECT_GE(m.times[span.from], m.keyTimes[0]);
  EXPECT_LE(m.times[span.to], m.keyTimes[1]);
  for (std::size_t i = 1; i < m.lanes.size(); ++i) EXPECT_TRUE(m.lanes[i].flagged.empty()) << i;
  TimelineView view;
  view.plotLeft = 40;
  view.plotWidth = 800;
  FitAll(view, m.duration);
  const int x = static_cast<int>(view.X((m.times[span.from] + m.times[span.to]) / 2.0));
  ASSERT_NE(FlagAt(m, view, 0, x), nullptr);
  EXPECT_EQ(FlagAt(m, view, 0, x)->text, line);
  EXPECT_EQ(FlagAt(m, view, 1, x), nullptr);
  EXPECT_EQ(FlagAt(m, view, 0, static_cast<int>(view.X(m.duration))), nullptr);
  // The pen goes down in the second move (ID3 at -1000 is below VPEN_TH) and up in the third.
  ASSERT_EQ(m.lanes.back().penDown.size(), 1u);

  // The playhead at a keyframe shows that Pose; half-way, a value between.
  const ScrubState at = ScrubAt(checked.path, m.keyTimes[1]);
  EXPECT_EQ(at.pose, 1u);
  EXPECT_EQ(at.motors[0], 900);
  EXPECT_EQ(at.motors[2], -1000);
  const ScrubState mid = ScrubAt(checked.path, (m.moveStart[2] + m.keyTimes[2]) / 2.0);
  EXPECT_EQ(mid.pose, 2u);
  EXPECT_GT(mid.motors[1], 50);
  EXPECT_LT(mid.motors[1], 250);
  EXPECT_EQ(ScrubAt(checked.path, 1e12).motors, poses.back().motorValues);
}

TEST(Timeline, ZoomKeepsTheTimeUnderTheMouseAndHitsFindHandlesAndPlayhead) {
  Geometry geo;
  const ArmGeometry g = geo.Get();
  const TimelineModel m = BuildTimeline(CheckMotion(g, ThreeMoves(g), 5, 300), g, 5, 300, -19);
  const TimelineLayout layout = LayOutTimeline(900, 190, m.lanes.size());
  TimelineView view;
  FitViewToLayout(view, layout);
  FitAll(view, m.duration);
  const double before = view.Ms(300);
  ZoomAt(view, 300, 4, m.duration);
  EXPECT_NEAR(view.Ms(300), before, 1e-6);
  ZoomAt(view, 300, 1e-9, m.duration);  // never further out than the whole Motion
  EXPECT_DOUBLE_EQ(view.originMs, 0);
  ScrollBy(view, 1e9, m.duration);
  EXPECT_DOUBLE_EQ(view.originMs, 0);

  const int y = layout.handles.top + 5;
  const TimelineHit handle =
      HitTimeline(m, view, layout, 0, static_cast<int>(view.X(m.keyTimes[1])) + 2, y);
  EXPECT_EQ(handle.kind, TimelineHit::kHandle);
  EXPECT_EQ(handle.pose, 1u);
  EXPECT_EQ(HitTimeline(m, view, layout, 0, 500, layout.ruler.top + 3).kind,
            TimelineHit::kPlayhead);
  const TimelineHit lane = HitTimeline(m, view, layout, 0, 500, layout.lanes[2].top + 3);
  EXPECT_EQ(lane.kind, TimelineHit::kLane);
  EXPECT_EQ(lane.lane, 2);
}

TEST(TimelineRetime, ADragChangesOneTimeOrTwoWithShiftAndIsOneUndoStep) {
  // Snapped to 10 ms and held to the time field's range; with Shift the sum stays.
  EXPECT_EQ(RetimeByDrag(500, 1000, 237, false).time, 740u);
  EXPECT_EQ(RetimeByDrag(500, 1000, 237, false).next, 1000u);
  EXPECT_EQ(RetimeByDrag(500, 1000, -9999, false).time, 10u);
  EXPECT_EQ(RetimeByDrag(655000, std::nullopt, 1e7, false).time, 655350u);
  EXPECT_EQ(RetimeByDrag(505, 1000, 3, false).time, 505u);  // less than half a step: untouched
  EXPECT_EQ(RetimeByDrag(500, 1000, 237, true).time, 740u);
  EXPECT_EQ(RetimeByDrag(500, 1000, 237, true).next, 760u);
  EXPECT_EQ(RetimeByDrag(500, 100, 237, true).time, 590u);  // the next move keeps its 10 ms
  EXPECT_EQ(RetimeByDrag(500, 100, 237, true).next, 10u);

  Geometry geo;
  Document doc;
  doc.motion.Replace(ThreeMoves(geo.Get()), 0);
  ResetHistory(doc);
  const std::vector<Pose> before = doc.motion.Poses();

  RetimeDrag drag;
  ASSERT_TRUE(drag.Begin(doc.motion, 0));
  EXPECT_EQ(drag.Update(doc.motion, 120, false), (std::vector<std::size_t>{0}));
  EXPECT_EQ(drag.Update(doc.motion, 301, false), (std::vector<std::size_t>{0}));
  EXPECT_TRUE(drag.End(doc));
  std::vector<Pose> after = doc.motion.Poses();
  EXPECT_EQ(after[0].transitionTime, 800u);
  after[0].transitionTime = before[0].transitionTime;
  EXPECT_EQ(after, before);  // nothing else changed
  EXPECT_EQ(doc.history.Count(), 2u);
  EXPECT_TRUE(Undo(doc));
  EXPECT_EQ(doc.motion.Poses(), before);

  // With Shift the next Pose gives up the time, and letting go of Shift gives it back.
  ASSERT_TRUE(drag.Begin(doc.motion, 1));
  EXPECT_EQ(drag.Update(doc.motion, 400, true), (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(doc.motion.PoseAt(1)->transitionTime, 500u);
  EXPECT_EQ(doc.motion.PoseAt(2)->transitionTime, 600u);
  EXPECT_TRUE(drag.End(doc));
  EXPECT_TRUE(Undo(doc));
  EXPECT_EQ(doc.motion.Poses(), before);

  // A drag that ends where it began, or is cancelled, records nothing.
  const std::size_t steps = doc.history.Count();
  ASSERT_TRUE(drag.Begin(doc.motion, 2));
  drag.Update(doc.motion, 500, false);
  drag.Update(doc.motion, 0, false);
  EXPECT_FALSE(drag.End(doc));
  ASSERT_TRUE(drag.Begin(doc.motion, 2));
  drag.Update(doc.motion, 500, false);
  EXPECT_EQ(drag.Cancel(doc.motion), (std::vector<std::size_t>{2}));
  EXPECT_FALSE(drag.End(doc));
  EXPECT_EQ(doc.history.Count(), steps);
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_FALSE(drag.Begin(doc.motion, 3));
}

}  // namespace
}  // namespace velmora
