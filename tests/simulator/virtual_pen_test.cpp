#include "simulator/virtual_pen.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "simulator/sprites.h"

namespace velmora {
namespace {

// Drives the pen frame by frame as the render thread does, with the tool at user (x, y, z).
class PenTest : public ::testing::Test {
 protected:
  PenTest() { view = ViewTransform(1.0, 200, 100); }  // tool (x, y) -> pixel (100 + x, 50 - y)

  // One frame; returns the queued trace (empty when nothing was queued).
  std::vector<SceneVertex> Frame(double x, double y, double z) {
    EnsurePenTrace(trace, settings.vpenPoints, reset);
    Pose pose;
    pose.x = x;
    pose.y = y;
    pose.z = z;
    DrawQueue queue;
    AddPenPoint(trace, pose, settings, view, reset, queue);
    if (queue.Empty()) return {};
    const DrawItem& item = queue.Items().front();
    EXPECT_EQ(item.kind, PrimitiveKind::kLineStrip);
    EXPECT_EQ(item.layer, kLayerPenTrace);
    EXPECT_EQ(item.screenSpace, 1);
    EXPECT_EQ(item.texture, kNoTexture);
    EXPECT_EQ(item.VertexCount(), static_cast<int>(trace.pointCount()));
    EXPECT_EQ(item.primitiveCount, item.VertexCount() - 1);
    return item.vertices;
  }

  static uint32_t AlphaOf(const SceneVertex& v) { return v.colour >> 24; }

  Settings settings;
  PenTrace trace;
  std::atomic<bool> reset{false};
  Matrix4 view;
};

TEST_F(PenTest, PointsAtOrBelowTheThresholdDrawAndPointsAboveAreTransparent) {
  settings.vpenPoints = 4;
  Frame(0, 0, -19.0);    // exactly at the threshold: down
  Frame(10, 0, -18.99);  // just above: up
  Frame(20, 0, -25);     // well below: down
  const std::vector<SceneVertex> pts = Frame(30, 5, -19.0);
  ASSERT_EQ(pts.size(), 4u);
  EXPECT_EQ(AlphaOf(pts[0]), 255u);
  EXPECT_EQ(AlphaOf(pts[1]), 0u);
  EXPECT_EQ(AlphaOf(pts[2]), 255u);
  EXPECT_EQ(AlphaOf(pts[3]), 255u);
  for (const SceneVertex& p : pts) {
    EXPECT_EQ(p.colour & 0x00FFFFFFu, 0u);  // black
    EXPECT_EQ(p.rhw, 1.0f);
  }
  // Newest last, in view pixels, with its height kept in u.
  EXPECT_FLOAT_EQ(pts[3].x, 130);
  EXPECT_FLOAT_EQ(pts[3].y, 45);
  EXPECT_FLOAT_EQ(pts[3].u, -19.0f);
  EXPECT_FLOAT_EQ(pts[0].x, 100);
}

TEST_F(PenTest, ThresholdIsComparedInSinglePrecision) {
  settings.vpenPoints = 2;
  settings.vpenTh = -19.0000001;  // the same float as -19
  const std::vector<SceneVertex> pts = Frame(0, 0, -19.00000001);
  EXPECT_EQ(AlphaOf(pts[1]), 255u);
}

TEST_F(PenTest, ChangedThresholdRecoloursPointsAlreadyRecorded) {
  settings.vpenPoints = 3;
  Frame(0, 0, -10);
  Frame(1, 0, -10);
  EXPECT_EQ(AlphaOf(Frame(2, 0, -10)[0]), 0u);
  settings.vpenTh = -5;
  const std::vector<SceneVertex> pts = Frame(3, 0, -10);
  EXPECT_EQ(AlphaOf(pts[0]), 255u);
  EXPECT_EQ(AlphaOf(pts[2]), 255u);
}

TEST_F(PenTest, AlwaysDrawStoresTheThresholdOnlyForPointsRecordedWhileOn) {
  settings.vpenPoints = 3;
  Frame(0, 0, 10);  // up, recorded with always-draw off
  settings.vpenEverytimeDraw = 1;
  Frame(1, 0, 10);
  const std::vector<SceneVertex> pts = Frame(2, 0, 30);
  EXPECT_EQ(AlphaOf(pts[0]), 0u);
  EXPECT_FLOAT_EQ(pts[0].u, 10.0f);
  EXPECT_EQ(AlphaOf(pts[1]), 255u);
  EXPECT_FLOAT_EQ(pts[1].u, -19.0f);
  EXPECT_EQ(AlphaOf(pts[2]), 255u);

  // Switching it off again does not hide what was recorded while it was on.
  settings.vpenEverytimeDraw = 0;
  const std::vector<SceneVertex> later = Frame(3, 0, 30);
  EXPECT_EQ(AlphaOf(later[0]), 255u);
  EXPECT_EQ(AlphaOf(later[1]), 255u);
  EXPECT_EQ(AlphaOf(later[2]), 0u);
}

TEST_F(PenTest, FadeRisesFromTheOldestPointToTheNewest) {
  settings.vpenIsFade = 1;
  std::vector<SceneVertex> pts;
  for (int i = 0; i < 360; ++i) pts = Frame(i, 0, -20);
  ASSERT_EQ(pts.size(), 360u);
  EXPECT_EQ(AlphaOf(pts[0]), 0u);
  EXPECT_EQ(AlphaOf(pts[180]), 127u);
  EXPECT_EQ(AlphaOf(pts[359]), 254u);
  // A pen-up point stays transparent under the fade too.
  pts = Frame(400, 0, 0);
  EXPECT_EQ(AlphaOf(pts[359]), 0u);
  EXPECT_EQ(AlphaOf(pts[358]), 253u);
}

TEST_F(PenTest, TwoPointsMakeOneSegmentFromTheLastFrameToThisOne) {
  settings.vpenPoints = 2;
  Frame(0, 0, -20);
  Frame(10, 0, -20);
  const std::vector<SceneVertex> pts = Frame(20, 10, -20);
  ASSERT_EQ(pts.size(), 2u);
  EXPECT_FLOAT_EQ(pts[0].x, 110);
  EXPECT_FLOAT_EQ(pts[1].x, 120);
  EXPECT_FLOAT_EQ(pts[1].y, 40);
}

TEST_F(PenTest, EraseWhilePenIsDownRestartsTheTraceFromTheTool) {
  settings.vpenPoints = 5;
  for (int i = 0; i < 5; ++i) Frame(i * 10, 0, -20);
  reset = true;
  std::vector<SceneVertex> pts = Frame(60, 0, -20);
  for (const SceneVertex& p : pts) {
    EXPECT_FLOAT_EQ(p.x, 160);
    EXPECT_FLOAT_EQ(p.y, 50);
  }
  EXPECT_FALSE(reset.load());
  // Drawing goes on from there.
  pts = Frame(70, 0, -20);
  EXPECT_FLOAT_EQ(pts[3].x, 160);
  EXPECT_FLOAT_EQ(pts[4].x, 170);
}

TEST_F(PenTest, DisabledPenNeitherRecordsNorDrawsAndKeepsAPendingErase) {
  settings.vpenPoints = 3;
  Frame(0, 0, -20);
  Frame(10, 0, -20);
  const std::vector<SceneVertex> before = trace.points;
  settings.vpenEnable = 0;
  reset = true;
  EXPECT_TRUE(Frame(50, 0, -20).empty());
  EXPECT_EQ(trace.points.size(), before.size());
  EXPECT_FLOAT_EQ(trace.points[2].x, before[2].x);
  EXPECT_TRUE(reset.load());

  // Enabled again, the erase takes effect at the first frame.
  settings.vpenEnable = 1;
  const std::vector<SceneVertex> pts = Frame(20, 0, -20);
  for (const SceneVertex& p : pts) EXPECT_FLOAT_EQ(p.x, 120);
}

TEST(EnsurePenTrace, MakesTheBufferAnewOnlyWhenTheCountChanges) {
  PenTrace trace;
  std::atomic<bool> reset{false};
  EnsurePenTrace(trace, 360, reset);
  EXPECT_EQ(trace.pointCount(), 360u);
  EXPECT_TRUE(reset.exchange(false));
  trace.points[5].x = 42;
  EnsurePenTrace(trace, 360, reset);
  EXPECT_FALSE(reset.load());
  EXPECT_FLOAT_EQ(trace.points[5].x, 42);

  EnsurePenTrace(trace, 10, reset);
  EXPECT_EQ(trace.pointCount(), 10u);
  EXPECT_TRUE(reset.load());
  EXPECT_FLOAT_EQ(trace.points[5].x, 0);
}

TEST(EnsurePenTrace, CountsBeyondTheBufferLimitAreCappedNotFatal) {
  PenTrace trace;
  std::atomic<bool> reset{false};
  EnsurePenTrace(trace, 4294967291u, reset);  // "-5" read as an unsigned count
  EXPECT_EQ(trace.pointCount(), kMaxPenPoints);
  EnsurePenTrace(trace, 0, reset);
  EXPECT_EQ(trace.pointCount(), 2u);
}

TEST(PenHeights, DefaultsPushInToMinusTwentyAndLiftToMinusFiveAndAHalf) {
  Settings s;
  EXPECT_DOUBLE_EQ(PenDownHeight(s), -20.0);
  EXPECT_DOUBLE_EQ(PenUpHeight(s), -5.5);
  s.vpenTh = 5;
  s.vpenOvw = 2.5;
  EXPECT_DOUBLE_EQ(PenDownHeight(s), 2.5);
  EXPECT_DOUBLE_EQ(PenUpHeight(s), 12.5);
}

}  // namespace
}  // namespace velmora
