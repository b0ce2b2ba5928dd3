#include "simulator/scene.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "simulator/scene_fixture.h"
#include "simulator/sprites.h"

namespace velmora {
namespace {

using testing::ExpectAt;
using testing::SceneTest;

std::vector<int> Layers(const std::vector<DrawItem>& items) {
  std::vector<int> out;
  for (const DrawItem& item : items) out.push_back(item.layer);
  return out;
}

TEST_F(SceneTest, IdentityPlacementPutsEverySpriteWhereTheArmIs) {
  const std::vector<DrawItem>& items = Build();
  // 3-axis type, range limit on, no arc: base, pillar, link 1, pen unit, link 2, range, axes,
  // trace, marker.
  EXPECT_EQ(Layers(items), (std::vector<int>{0, -1, -2, -4, -5, -8, -9, -10, -11}));

  const DrawItem& base = Only(kLayerBase);
  EXPECT_EQ(base.texture, kTextureBase);
  EXPECT_EQ(base.kind, PrimitiveKind::kTriangleFan);
  EXPECT_EQ(base.primitiveCount, 2);
  ASSERT_EQ(base.VertexCount(), 4);
  // P0 = (x0, y1) ... P3 = (x0, y0), the image upright.
  ExpectAt(base.vertices[0], -115, 105);
  ExpectAt(base.vertices[1], 115, 105);
  ExpectAt(base.vertices[2], 115, -105);
  ExpectAt(base.vertices[3], -115, -105);
  EXPECT_EQ(base.vertices[0].u, 0.0f);
  EXPECT_EQ(base.vertices[0].v, 1.0f);
  EXPECT_EQ(base.vertices[2].u, 1.0f);
  EXPECT_EQ(base.vertices[2].v, 0.0f);

  const DrawItem& pillar = Only(kLayerPillar);
  EXPECT_EQ(pillar.texture, kTexturePillar);
  ExpectAt(pillar.vertices[0], -119.5f, 22);
  ExpectAt(pillar.vertices[2], -39.5f, -22);

  // Link 1 turns about (-62, 0), link 2 about (18, 0), the pen unit sits on (98, 0).
  const DrawItem& link1 = Only(kLayerLink1);
  EXPECT_EQ(link1.texture, kTextureLink1);
  ExpectAt(link1.vertices[0], -79, 17);
  ExpectAt(link1.vertices[2], 35, -17);
  const DrawItem& link2 = Only(kLayerLink2);
  EXPECT_EQ(link2.texture, kTextureLink2);
  ExpectAt(link2.vertices[0], 1, 23);
  ExpectAt(link2.vertices[2], 121, -23);
  const DrawItem& penUnit = Only(kLayerPenUnit);
  EXPECT_EQ(penUnit.texture, kTexturePenUnit);
  ExpectAt(penUnit.vertices[0], 98 - 28.75f, 28.75f);
  ExpectAt(penUnit.vertices[2], 98 + 28.75f, -28.75f);

  for (const DrawItem& item : items) {
    EXPECT_EQ(item.alphaBlend, 1);
    EXPECT_EQ(item.screenSpace, item.layer == kLayerPenTrace ? 1 : 0);
    if (item.kind == PrimitiveKind::kTriangleFan) {
      for (const SceneVertex& v : item.vertices) EXPECT_EQ(v.colour, kOpaqueWhite);
    }
  }

  // The marker is on the tool: two 20 mm strokes, opaque red, untextured.
  const DrawItem& marker = Only(kLayerMarker);
  EXPECT_EQ(marker.kind, PrimitiveKind::kLineList);
  EXPECT_EQ(marker.primitiveCount, 2);
  EXPECT_EQ(marker.texture, kNoTexture);
  ASSERT_EQ(marker.VertexCount(), 4);
  ExpectAt(marker.vertices[0], 88, 0);
  ExpectAt(marker.vertices[1], 108, 0);
  ExpectAt(marker.vertices[2], 98, 10);
  ExpectAt(marker.vertices[3], 98, -10);
  EXPECT_EQ(marker.vertices[0].colour, kOpaqueRed);

  // In view pixels the marker's centre is (w/2 + 98 * SCALING, h/2).
  DrawItem mapped = marker;
  MapToView(mapped, ViewTransform(in.settings.scaling, kWidth, kHeight));
  EXPECT_FLOAT_EQ(mapped.vertices[2].x, 333 + 98 * 1.5f);
  EXPECT_FLOAT_EQ((mapped.vertices[0].y), 231);
}

TEST_F(SceneTest, ShoulderAtNinetyDegreesPointsLinkOneUpTheScreen) {
  Build({900, 0, 0, 0, 0});
  const DrawItem& link1 = Only(kLayerLink1);
  // Corner (97, 17) of link 1 turned by 90 degrees counter-clockwise on screen, then moved to the
  // shoulder.
  ExpectAt(link1.vertices[1], -62 + 17, -97);
  const SpriteFrames f = BuildSpriteFrames({900, 0, 0, 0, 0}, in.geometry.baseDrawTransform);
  const Vec3f elbow = TransformCoord({0, 0, 0}, f.link2);
  EXPECT_NEAR(elbow.x, -62, 1e-4);
  EXPECT_NEAR(elbow.y, -80, 1e-4);
  // The marker follows the tool at the end of the straight arm, 160 mm up from the shoulder.
  ExpectAt(Only(kLayerMarker).vertices[2], -62, -160 + 10);
}

TEST(CurrentTint, RisesFromWhiteAtOneHundredToRedAtFiveHundredMilliamperes) {
  EXPECT_EQ(CurrentTint(0), 0xFFFFFFFFu);
  EXPECT_EQ(CurrentTint(100), 0xFFFFFFFFu);
  EXPECT_EQ(CurrentTint(101), 0xFFFFFEFEu);
  EXPECT_EQ(CurrentTint(300), 0xFFFF7F7Fu);
  EXPECT_EQ(CurrentTint(499), 0xFFFF0000u);  // green and blue truncate to 0
  EXPECT_EQ(CurrentTint(500), 0xFFFF0000u);
  EXPECT_EQ(CurrentTint(30000), 0xFFFF0000u);
  // The reading is taken as unsigned: a negative one is a very large current.
  EXPECT_EQ(CurrentTint(-1), 0xFFFF0000u);
  EXPECT_EQ(ClawTint(0), 0xC000FFFFu);
  EXPECT_EQ(ClawTint(500), 0xC0FF0000u);
  EXPECT_EQ(ClawTint(300), 0xC07F7F7Fu);
}

TEST(ColorLerp, InterpolatesEachChannelAndTruncates) {
  EXPECT_EQ(ColorLerp(0xFFFFFFFFu, 0xFFFF0000u, 0.5f), 0xFFFF7F7Fu);
  EXPECT_EQ(ColorLerp(0x00000000u, 0xFFFFFFFFu, 0.5f), 0x7F7F7F7Fu);
  EXPECT_EQ(ColorLerp(0x10203040u, 0x10203040u, 0.3f), 0x10203040u);
  EXPECT_EQ(ColorLerp(0x00000000u, 0x80FF4020u, 1.0f), 0x80FF4020u);
  EXPECT_EQ(ColorLerp(0x00000000u, 0x80FF4020u, 0.0f), 0x00000000u);
}

TEST_F(SceneTest, SpritesAreTintedByTheirMotorsCurrentsOnlyWhileConnected) {
  in.fiveAxis = true;
  in.motorCurrents = {300, 100, 500, 499, 300};
  Build();
  // Not connected: every reading counts as 0.
  EXPECT_EQ(Only(kLayerLink1).vertices[0].colour, kOpaqueWhite);
  EXPECT_EQ(Layer(kLayerClaws).at(0).vertices[0].colour, 0xC000FFFFu);

  in.connected = true;
  Build();
  EXPECT_EQ(Only(kLayerLink1).vertices[0].colour, 0xFFFF7F7Fu);
  EXPECT_EQ(Only(kLayerLink2).vertices[0].colour, kOpaqueWhite);
  EXPECT_EQ(Only(kLayerPenUnit).vertices[0].colour, 0xFFFF0000u);
  EXPECT_EQ(Only(kLayerWrist).vertices[0].colour, 0xFFFF0000u);
  for (const DrawItem& claw : Layer(kLayerClaws)) {
    for (const SceneVertex& v : claw.vertices) EXPECT_EQ(v.colour, 0xC07F7F7Fu);
  }
  // The base and the pillar never change colour.
  EXPECT_EQ(Only(kLayerBase).vertices[0].colour, kOpaqueWhite);
  EXPECT_EQ(Only(kLayerPillar).vertices[0].colour, kOpaqueWhite);
}

TEST_F(SceneTest, ClawsSitTenMillimetresOutForTheDefaultScrewPositionAndMirrorTheirImage) {
  in.fiveAxis = true;
  const std::vector<DrawItem>& items = Build();
  EXPECT_EQ(Layers(items), (std::vector<int>{0, -1, -2, -3, -4, -5, -6, -6, -8, -9, -10, -11}));
  const std::vector<DrawItem> claws = Layer(kLayerClaws);
  ASSERT_EQ(claws.size(), 2u);
  // Wrist frame = the tool at (98, 0); c = 0 / 70 - (5 * 1 + 5) = -10.
  const DrawItem& c1 = claws[0];
  ExpectAt(c1.vertices[0], 98 + 12, -17);
  ExpectAt(c1.vertices[1], 98 + 12, -10);
  ExpectAt(c1.vertices[2], 98 - 12, -10);
  ExpectAt(c1.vertices[3], 98 - 12, -17);
  const DrawItem& c2 = claws[1];
  ExpectAt(c2.vertices[0], 98 + 12, 10);
  ExpectAt(c2.vertices[1], 98 + 12, 17);
  ExpectAt(c2.vertices[2], 98 - 12, 17);
  ExpectAt(c2.vertices[3], 98 - 12, 10);
  for (const DrawItem& c : claws) {
    EXPECT_EQ(c.texture, kTextureClaw);
    EXPECT_EQ(c.vertices[0].u, 1.0f);
    EXPECT_EQ(c.vertices[0].v, 0.0f);
    EXPECT_EQ(c.vertices[1].u, 1.0f);
    EXPECT_EQ(c.vertices[1].v, 1.0f);
    EXPECT_EQ(c.vertices[2].u, 0.0f);
    EXPECT_EQ(c.vertices[2].v, 1.0f);
    EXPECT_EQ(c.vertices[3].u, 0.0f);
    EXPECT_EQ(c.vertices[3].v, 0.0f);
  }
  const DrawItem& wrist = Only(kLayerWrist);
  EXPECT_EQ(wrist.texture, kTextureWrist);
  ExpectAt(wrist.vertices[0], 98 - 31.25f, 31.25f);
}

TEST_F(SceneTest, ClawsFollowTheHandMotorTheScrewPositionAndTheWrist) {
  in.fiveAxis = true;
  geometry.SetClawPosition(3);
  Refresh();
  // c = 140 / 70 - 20 = -18: each claw 2 mm in from the screw position's 20 mm.
  Build({0, 0, 0, 0, 140});
  std::vector<DrawItem> claws = Layer(kLayerClaws);
  ASSERT_EQ(claws.size(), 2u);
  ExpectAt(claws[0].vertices[1], 110, -18);
  ExpectAt(claws[1].vertices[0], 110, 18);

  // The wrist turned by 90 degrees takes the claws with it.
  Build({0, 0, 0, 900, 140});
  claws = Layer(kLayerClaws);
  ExpectAt(claws[0].vertices[1], 98 - 18, -12);
}

TEST_F(SceneTest, PenTypeHasNoWristOrClaws) {
  in.fiveAxis = false;
  in.connected = true;
  in.motorCurrents = {0, 0, 0, 500, 500};
  Build({0, 0, 0, 900, 200});
  EXPECT_TRUE(Layer(kLayerWrist).empty());
  EXPECT_TRUE(Layer(kLayerClaws).empty());
}

TEST_F(SceneTest, RangeRectangleAndArcGuideOnlyWhenSwitchedOn) {
  in.settings.enableMarkerLim = 0;
  Build();
  EXPECT_TRUE(Layer(kLayerRange).empty());
  EXPECT_EQ(Layer(kLayerMarker).size(), 1u);  // the marker, no arc guide

  in.settings.enableMarkerLim = 1;
  in.settings.markerRange = {-50, -40, 60, 30};
  in.arcGuide = {10, 20, 0, 0, 30, 40, true};
  Build();
  const DrawItem& range = Only(kLayerRange);
  EXPECT_EQ(range.kind, PrimitiveKind::kLineStrip);
  EXPECT_EQ(range.primitiveCount, 4);
  ASSERT_EQ(range.VertexCount(), 5);
  ExpectAt(range.vertices[0], -50, -40);
  ExpectAt(range.vertices[1], 60, -40);
  ExpectAt(range.vertices[2], 60, 30);
  ExpectAt(range.vertices[3], -50, 30);
  ExpectAt(range.vertices[4], -50, -40);
  EXPECT_EQ(range.vertices[0].colour, kRangeColour);

  // Same layer: the marker first, then the arc guide, which is drawn over it.
  const std::vector<DrawItem> top = Layer(kLayerMarker);
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0].vertices[0].colour, kOpaqueRed);
  const DrawItem& arc = top[1];
  EXPECT_EQ(arc.kind, PrimitiveKind::kLineList);
  EXPECT_EQ(arc.primitiveCount, 3);
  ASSERT_EQ(arc.VertexCount(), 6);
  EXPECT_EQ(arc.vertices[0].colour, kArcGuideColour);
  // An 8 mm cross on the centre (user y turned down the screen) and the chord.
  ExpectAt(arc.vertices[0], 6, -24);
  ExpectAt(arc.vertices[1], 14, -16);
  ExpectAt(arc.vertices[2], 14, -24);
  ExpectAt(arc.vertices[3], 6, -16);
  ExpectAt(arc.vertices[4], 0, 0);
  ExpectAt(arc.vertices[5], 30, -40);
  EXPECT_EQ(queue.Items().back().vertices[0].colour, kArcGuideColour);
}

TEST_F(SceneTest, TurnedBaseTurnsPlateAndRangeButNotTheAxisLines) {
  geometry.SetCoordinateSystem(0, 0, kHalfPi);
  Refresh();
  Build();
  // Turned by -pi/2 (a quarter turn clockwise on screen): (x, y) -> (y, -x).
  const DrawItem& base = Only(kLayerBase);
  ExpectAt(base.vertices[0], 105, 115);
  ExpectAt(base.vertices[2], -105, -115);
  const DrawItem& range = Only(kLayerRange);
  ExpectAt(range.vertices[0], -105, 115);
  ExpectAt(range.vertices[2], 105, -115);
  // The tool of the stretched arm is 98 mm up the screen (user +y).
  ExpectAt(Only(kLayerMarker).vertices[2], 0, -98 + 10);

  const DrawItem& axes = Only(kLayerAxes);
  EXPECT_EQ(axes.kind, PrimitiveKind::kLineList);
  ASSERT_EQ(axes.VertexCount(), 4);
  ExpectAt(axes.vertices[0], -333, 0);
  ExpectAt(axes.vertices[1], 333, 0);
  ExpectAt(axes.vertices[2], 0, -231);
  ExpectAt(axes.vertices[3], 0, 231);
  EXPECT_EQ(axes.vertices[0].colour, kAxisColour);
}

TEST_F(SceneTest, AxisLinesUseIntegerHalvesOfTheView) {
  in.width = 601;
  in.height = 403;
  Build();
  const DrawItem& axes = Only(kLayerAxes);
  ExpectAt(axes.vertices[1], 300, 0);
  ExpectAt(axes.vertices[3], 0, 201);
}

TEST_F(SceneTest, DraggedMarkerStaysWhereTheMouseLeftItAndTurnsDark) {
  Build();
  in.settings.scaling = 1.0;
  sim.marker.SetViewInverse(ViewInverse(1.0, kWidth, kHeight));
  ASSERT_TRUE(sim.marker.BeginMarkerDrag(333 + 98, 231, in.geometry));
  double x = 0;
  double y = 0;
  sim.marker.DragMarker(333 + 50, 231 - 20, in.geometry, in.settings, &x, &y);
  EXPECT_DOUBLE_EQ(x, 50);
  EXPECT_DOUBLE_EQ(y, 20);

  Build({900, 0, 0, 0, 0});  // the arm is elsewhere; the marker stays under the mouse
  const DrawItem& marker = Only(kLayerMarker);
  ExpectAt(marker.vertices[0], 40, -20);
  EXPECT_EQ(marker.vertices[0].colour, kMarkerDragColour);

  sim.marker.EndDrag(in.geometry);
  Build({900, 0, 0, 0, 0});
  ExpectAt(Only(kLayerMarker).vertices[2], -62, -160 + 10);
  EXPECT_EQ(Only(kLayerMarker).vertices[0].colour, kOpaqueRed);
}

}  // namespace
}  // namespace velmora
