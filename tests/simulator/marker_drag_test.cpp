#include "simulator/marker_drag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/kinematics.h"
#include "shell/program_state.h"
#include "simulator/coordinate_marker.h"
#include "simulator/draw_queue.h"

namespace velmora {
namespace {

constexpr int kW = 666;
constexpr int kH = 462;

// A marker placed on a tool at arm-frame (98, 0) by one frame, with the view at magnification 1,
// so that view pixels and millimetres differ only by the centre (333, 231).
class MarkerTest : public ::testing::Test {
 protected:
  void Frame(double scaling = 1.0) {
    const ArmGeometry g = geometry.Get();
    const Vec3f tool = TransformCoord({98, 0, 0}, g.baseDrawTransform);
    marker.Place(tool, g.baseDrawInverse);
    marker.SetViewInverse(ViewInverse(scaling, kW, kH));
  }

  Geometry geometry;
  CoordinateMarker marker;
};

TEST_F(MarkerTest, PressUpToTenMillimetresFromTheMarkerPicksItUp) {
  Frame();
  EXPECT_FALSE(marker.BeginMarkerDrag(333 + 98 + 10.1, 231, geometry.Get()));
  EXPECT_FALSE(marker.BeginMarkerDrag(333 + 98 + 6, 231 + 8.01, geometry.Get()));
  EXPECT_FALSE(marker.Dragging());
  EXPECT_TRUE(marker.BeginMarkerDrag(333 + 98 + 6, 231 + 8, geometry.Get()));  // 10.0 mm
  EXPECT_TRUE(marker.Dragging());
}

TEST_F(MarkerTest, HitTestUsesTheMagnificationOfTheLastFrame) {
  Frame(2.0);
  // 18 pixels are 9 mm at magnification 2.
  EXPECT_TRUE(marker.BeginMarkerDrag(333 + 196 + 18, 231, geometry.Get()));
}

TEST_F(MarkerTest, NothingIsPickedUpBeforeTheFirstFrame) {
  EXPECT_FALSE(marker.BeginMarkerDrag(333, 231, geometry.Get()));
}

TEST_F(MarkerTest, HitTestFollowsATurnedAndMovedBase) {
  geometry.SetCoordinateSystem(30, -20, kHalfPi);
  Frame();
  // The tool of the stretched arm: user (30, -20 + 98) -> drawing plane (30, -78).
  EXPECT_TRUE(marker.BeginMarkerDrag(333 + 30, 231 - 78 + 9, geometry.Get()));
  const Vec3f held = marker.Position();  // in the drawing plane while dragged
  EXPECT_NEAR(held.x, 30, 1e-3);
  EXPECT_NEAR(held.y, -78, 1e-3);
}

TEST_F(MarkerTest, PressRightAfterADragTestsWhereTheMarkerWasLeftOnATurnedBase) {
  geometry.SetCoordinateSystem(0, 0, kHalfPi);
  Frame();
  ASSERT_TRUE(marker.BeginMarkerDrag(333, 231 - 98, geometry.Get()));
  Settings s;
  s.enableMarkerLim = 0;
  marker.DragMarker(333 + 40, 231 - 50, geometry.Get(), s, nullptr, nullptr);
  marker.EndDrag(geometry.Get());
  EXPECT_FALSE(marker.Dragging());
  // No frame has run since: the marker is still where it was dropped, and a press there hits.
  EXPECT_TRUE(marker.BeginMarkerDrag(333 + 40, 231 - 50 + 5, geometry.Get()));
}

TEST_F(MarkerTest, DragIsLimitedToTheRangeInTheArmFrame) {
  Frame();
  ASSERT_TRUE(marker.BeginMarkerDrag(333 + 98, 231, geometry.Get()));
  Settings s;
  s.markerRange = {-50, -40, 60, 30};
  double x = 0;
  double y = 0;
  // Beyond the right and the bottom edge (down the screen is +y in the arm drawing frame).
  marker.DragMarker(333 + 200, 231 + 200, geometry.Get(), s, &x, &y);
  EXPECT_DOUBLE_EQ(x, 60);
  EXPECT_DOUBLE_EQ(y, -30);
  marker.DragMarker(333 - 200, 231 - 200, geometry.Get(), s, &x, &y);
  EXPECT_DOUBLE_EQ(x, -50);
  EXPECT_DOUBLE_EQ(y, 40);
  // Inside, the marker is where the mouse is.
  marker.DragMarker(333 + 10, 231 + 5, geometry.Get(), s, &x, &y);
  EXPECT_DOUBLE_EQ(x, 10);
  EXPECT_DOUBLE_EQ(y, -5);

  s.enableMarkerLim = 0;
  marker.DragMarker(333 + 200, 231 + 200, geometry.Get(), s, &x, &y);
  EXPECT_DOUBLE_EQ(x, 200);
  EXPECT_DOUBLE_EQ(y, -200);
}

TEST_F(MarkerTest, RangeTurnsWithTheBase) {
  geometry.SetCoordinateSystem(0, 0, kHalfPi);
  Frame();
  ASSERT_TRUE(marker.BeginMarkerDrag(333, 231 - 98, geometry.Get()));
  Settings s;
  s.markerRange = {-50, -40, 60, 30};
  double x = 0;
  double y = 0;
  // Far up the screen is far along the arm frame's +x: limited to the range's right edge (60),
  // which is user +y once the base is turned.
  marker.DragMarker(333, 0, geometry.Get(), s, &x, &y);
  EXPECT_NEAR(x, 0, 1e-4);
  EXPECT_NEAR(y, 60, 1e-4);
}

// The drag as the view drives it, with the callbacks recorded.
class DragControllerTest : public ::testing::Test {
 protected:
  DragControllerTest()
      : drag(
            state,
            [this](double x, double y) {
              moves.push_back({x, y});
            },
            [this] { ++steps; }) {
    InitialiseProgramState(state);
    state.settings.Update([](Settings& s) { s.scaling = 1.0; });
    // The render thread's part of a frame: the marker on the current Pose's tool (user (0, 0)).
    const ArmGeometry g = state.geometry.Get();
    state.simulator.marker.Place({0, 0, 0}, g.baseDrawInverse);
    state.simulator.marker.SetViewInverse(ViewInverse(1.0, kW, kH));
  }

  struct Move {
    double x, y;
  };
  ProgramState state;
  std::vector<Move> moves;
  int steps = 0;
  MarkerDragController drag;
};

TEST_F(DragControllerTest, DragMovesThePoseAndRecordsOneStepAtTheEnd) {
  ASSERT_TRUE(drag.OnLeftPress(333 + 3, 231 - 4));
  EXPECT_TRUE(drag.DraggingTip());
  EXPECT_TRUE(drag.OnMove(333 + 20, 231 - 30, kW, kH));
  EXPECT_TRUE(drag.OnMove(333 + 25, 231 - 35, kW, kH));
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_DOUBLE_EQ(moves[1].x, 25);
  EXPECT_DOUBLE_EQ(moves[1].y, 35);
  EXPECT_EQ(steps, 0);
  drag.OnLeftRelease();
  EXPECT_EQ(steps, 1);
  EXPECT_FALSE(drag.DraggingTip());
  EXPECT_FALSE(state.simulator.marker.Dragging());
  drag.OnLeftRelease();  // a second release ends nothing
  EXPECT_EQ(steps, 1);
}

TEST_F(DragControllerTest, PressAwayFromTheMarkerStartsNothing) {
  EXPECT_FALSE(drag.OnLeftPress(333 + 40, 231));
  EXPECT_FALSE(drag.OnMove(333 + 50, 231, kW, kH));
  drag.OnRightPress();
  drag.OnLeftRelease();
  EXPECT_TRUE(moves.empty());
  EXPECT_EQ(steps, 0);
}

TEST_F(DragControllerTest, MouseBeyondTheViewMovesToTheNearestEdgePoint) {
  state.settings.Update([](Settings& s) { s.enableMarkerLim = 0; });
  ASSERT_TRUE(drag.OnLeftPress(333, 231));
  drag.OnMove(kW + 300, -50, kW, kH);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_DOUBLE_EQ(moves[0].x, kW - 333);
  EXPECT_DOUBLE_EQ(moves[0].y, 231);
}

TEST_F(DragControllerTest, RightButtonLowersAndLiftsThePenWithinTheOneUndoStep) {
  ASSERT_TRUE(drag.OnLeftPress(333, 231));
  state.document.motion.Modify([](std::vector<Pose>& poses, std::size_t& current) {
    poses[current].x = 12;
    poses[current].y = 34;
  });
  drag.OnRightPress();
  EXPECT_DOUBLE_EQ(state.document.motion.Current().z, -20.0);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_DOUBLE_EQ(moves[0].x, 12);
  EXPECT_DOUBLE_EQ(moves[0].y, 34);
  drag.OnRightRelease();
  EXPECT_DOUBLE_EQ(state.document.motion.Current().z, -5.5);
  EXPECT_EQ(moves.size(), 2u);
  drag.OnLeftRelease();
  EXPECT_EQ(steps, 1);

  // Outside a drag the right button does nothing.
  drag.OnRightPress();
  EXPECT_DOUBLE_EQ(state.document.motion.Current().z, -5.5);
  EXPECT_EQ(moves.size(), 2u);
}

TEST_F(DragControllerTest, BrokenPenSettingNeverReachesThePose) {
  ASSERT_TRUE(drag.OnLeftPress(333, 231));
  state.settings.Update([](Settings& s) { s.vpenTh = std::nan(""); });
  drag.OnRightPress();
  EXPECT_DOUBLE_EQ(state.document.motion.Current().z, 0.0);
  EXPECT_TRUE(moves.empty());
}

TEST_F(DragControllerTest, PlaybackBlocksPressesAndEndsARunningDragAtTheNextMove) {
  state.busy.playing = true;
  EXPECT_FALSE(drag.OnLeftPress(333, 231));
  state.busy.playing = false;

  ASSERT_TRUE(drag.OnLeftPress(333, 231));
  drag.OnMove(333 + 5, 231, kW, kH);
  state.busy.playing = true;
  drag.OnRightPress();  // ignored while playing
  EXPECT_FALSE(drag.OnMove(333 + 9, 231, kW, kH));
  EXPECT_EQ(moves.size(), 1u);
  EXPECT_EQ(steps, 1);  // the drag so far is one undo step
  EXPECT_FALSE(drag.DraggingTip());
  EXPECT_FALSE(state.simulator.marker.Dragging());
  EXPECT_DOUBLE_EQ(state.document.motion.Current().z, 0.0);
}

TEST(DragControllerDefaults, WithoutCallbacksTheDragEditsTheDocument) {
  ProgramState state;
  InitialiseProgramState(state);
  state.settings.Update([](Settings& s) { s.scaling = 1.0; });
  state.simulator.marker.Place({0, 0, 0}, state.geometry.Get().baseDrawInverse);
  state.simulator.marker.SetViewInverse(ViewInverse(1.0, kW, kH));
  MarkerDragController drag(state);
  ASSERT_TRUE(drag.OnLeftPress(333, 231));
  drag.OnMove(333 + 40, 231 - 60, kW, kH);
  drag.OnLeftRelease();
  const Pose p = state.document.motion.Current();
  EXPECT_DOUBLE_EQ(p.x, 40);
  EXPECT_DOUBLE_EQ(p.y, 60);
  // The motor values follow the point and go to the robot with a goal time of 50.
  Pose solved = p;
  UpdateMotorValues(state.geometry.Get(), solved);
  EXPECT_EQ(p.motorValues, solved.motorValues);
  EXPECT_NE(p.motorValues[0], 0);
  const ServoEntry id1 = state.servos.Entry(1);
  EXPECT_EQ(id1.goalPosition, p.motorValues[0]);
  EXPECT_EQ(id1.goalTime, 50);
  EXPECT_EQ(id1.requests & kSendGoal, kSendGoal);
  EXPECT_TRUE(state.document.motion.IsModified());
  EXPECT_TRUE(state.document.history.CanUndo());
}

}  // namespace
}  // namespace velmora
