#include "simulator/scene.h"

#include "simulator/single_precision.h"
#include "simulator/sprites.h"

namespace velmora {

namespace {

SceneVertex Point(float x, float y, uint32_t colour) {
  SceneVertex v;
  v.x = x;
  v.y = y;
  v.colour = colour;
  return v;
}

DrawItem Lines(PrimitiveKind kind, std::vector<SceneVertex> vertices, int layer) {
  DrawItem item;
  item.kind = kind;
  item.primitiveCount = kind == PrimitiveKind::kLineList ? static_cast<int>(vertices.size() / 2)
                                                         : static_cast<int>(vertices.size()) - 1;
  item.vertices = std::move(vertices);
  item.layer = layer;
  item.texture = kNoTexture;
  item.alphaBlend = 1;
  item.screenSpace = 0;
  return item;
}

// The reading of motor `id` (1-based) as the tint uses it.
int16_t Reading(const SceneInputs& in, int id) {
  return in.connected ? in.motorCurrents[static_cast<std::size_t>(id - 1)] : int16_t{0};
}

void QueueMarker(const SpriteFrames& frames, const SceneInputs& in, CoordinateMarker& marker,
                 DrawQueue& queue) {
  const Vec3f tool = TransformCoord({0.0f, 0.0f, 0.0f}, frames.penUnit);
  const CoordinateMarker::Placement at = marker.Place(tool, in.geometry.baseDrawInverse);
  const uint32_t colour = at.dragging ? kMarkerDragColour : kOpaqueRed;
  const float mx = at.position.x;
  const float my = at.position.y;
  queue.QueueItem(Lines(PrimitiveKind::kLineList,
                        {Point(mx - 10, my, colour), Point(mx + 10, my, colour),
                         Point(mx, my + 10, colour), Point(mx, my - 10, colour)},
                        kLayerMarker));
}

void QueueAxisLines(const SceneInputs& in, DrawQueue& queue) {
  const float hw = static_cast<float>(in.width / 2);
  const float hh = static_cast<float>(in.height / 2);
  queue.QueueItem(Lines(PrimitiveKind::kLineList,
                        {Point(-hw, 0, kAxisColour), Point(hw, 0, kAxisColour),
                         Point(0, -hh, kAxisColour), Point(0, hh, kAxisColour)},
                        kLayerAxes));
}

void QueueArcGuide(const ArcGuide& g, DrawQueue& queue) {
  if (!g.on) return;
  const float cx = ToSingle(g.centreX);
  const float cy = ToSingle(-g.centreY);
  const uint32_t c = kArcGuideColour;
  queue.QueueItem(
      Lines(PrimitiveKind::kLineList,
            {Point(cx - 4, cy - 4, c), Point(cx + 4, cy + 4, c), Point(cx + 4, cy - 4, c),
             Point(cx - 4, cy + 4, c), Point(ToSingle(g.startX), ToSingle(-g.startY), c),
             Point(ToSingle(g.endX), ToSingle(-g.endY), c)},
            kLayerMarker));
}

void QueueRangeRectangle(const SceneInputs& in, DrawQueue& queue) {
  if (in.settings.enableMarkerLim == 0) return;
  const MarkerRange& r = in.settings.markerRange;
  const float left = ToSingle(r.left);
  const float top = ToSingle(r.top);
  const float right = ToSingle(r.right);
  const float bottom = ToSingle(r.bottom);
  const Matrix4& base = in.geometry.baseDrawTransform;
  auto corner = [&](float x, float y) {
    const Vec3f p = TransformCoord({x, y, 0.0f}, base);
    return Point(p.x, p.y, kRangeColour);
  };
  queue.QueueItem(Lines(PrimitiveKind::kLineStrip,
                        {corner(left, top), corner(right, top), corner(right, bottom),
                         corner(left, bottom), corner(left, top)},
                        kLayerRange));
}

}  // namespace

void BuildScene(const Pose& pose, const SceneInputs& in, SimulatorState& sim, PenTrace& pen,
                DrawQueue& queue) {
  const SpriteFrames f = BuildSpriteFrames(pose.motorValues, in.geometry.baseDrawTransform);

  queue.QueueItem(SpriteQuad(f.base, -115, 115, -105, 105, kTextureBase, kLayerBase, kOpaqueWhite));
  queue.QueueItem(SpriteQuad(f.pillar, 0, 80, -22, 22, kTexturePillar, kLayerPillar, kOpaqueWhite));
  queue.QueueItem(SpriteQuad(f.link1, -17, 97, -17, 17, kTextureLink1, kLayerLink1,
                             CurrentTint(Reading(in, 1))));
  queue.QueueItem(SpriteQuad(f.link2, -17, 103, -23, 23, kTextureLink2, kLayerLink2,
                             CurrentTint(Reading(in, 2))));
  queue.QueueItem(SpriteQuad(f.penUnit, -28.75f, 28.75f, -28.75f, 28.75f, kTexturePenUnit,
                             kLayerPenUnit, CurrentTint(Reading(in, 3))));

  QueueMarker(f, in, sim.marker, queue);
  QueueAxisLines(in, queue);
  QueueArcGuide(in.arcGuide, queue);
  QueueRangeRectangle(in, queue);

  if (in.fiveAxis) {
    queue.QueueItem(SpriteQuad(f.wrist, -31.25f, 31.25f, -31.25f, 31.25f, kTextureWrist,
                               kLayerWrist, CurrentTint(Reading(in, 4))));
    for (DrawItem& claw : ClawQuads(f.wrist, pose.motorValues[4], in.geometry.coords.clawPosition,
                                    ClawTint(Reading(in, 5)))) {
      queue.QueueItem(std::move(claw));
    }
  }

  AddPenPoint(pen, pose, in.settings, ViewTransform(in.settings.scaling, in.width, in.height),
              sim.penTraceReset, queue);
}

}  // namespace velmora
