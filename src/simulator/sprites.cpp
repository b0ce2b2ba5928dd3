#include "simulator/sprites.h"

#include "base/numeric.h"
#include "geometry/coordinate_system.h"

namespace velmora {

float MotorAngle(int16_t motorValue) { return static_cast<float>(-motorValue / 1800.0 * kPi); }

SpriteFrames BuildSpriteFrames(const std::array<int16_t, kMotorCount>& motors,
                               const Matrix4& baseDrawTransform) {
  SpriteFrames f;
  f.base = baseDrawTransform;
  f.pillar = Multiply(Matrix4::Translation(-119.5f, 0.0f, 0.0f), f.base);
  // Link 1 turns about the shoulder axis, 62 mm behind the arm frame's origin.
  f.link1 = Multiply(
      Multiply(Matrix4::RotationZ(MotorAngle(motors[0])), Matrix4::Translation(-62.0f, 0.0f, 0.0f)),
      f.base);
  // Link 2 turns about the elbow at the end of link 1.
  f.link2 = Multiply(
      Multiply(Matrix4::RotationZ(MotorAngle(motors[1])), Matrix4::Translation(80.0f, 0.0f, 0.0f)),
      f.link1);
  f.penUnit = Multiply(Matrix4::Translation(80.0f, 0.0f, 0.0f), f.link2);
  f.wrist = Multiply(Matrix4::RotationZ(MotorAngle(motors[3])), f.penUnit);
  return f;
}

namespace {

SceneVertex Corner(const Matrix4& frame, float x, float y, uint32_t colour, float u, float v) {
  const Vec3f p = TransformCoord({x, y, 0.0f}, frame);
  SceneVertex s;
  s.x = p.x;
  s.y = p.y;
  s.z = p.z;
  s.rhw = 1.0f;
  s.colour = colour;
  s.u = u;
  s.v = v;
  return s;
}

DrawItem Fan(int texture, int layer) {
  DrawItem item;
  item.kind = PrimitiveKind::kTriangleFan;
  item.primitiveCount = 2;
  item.alphaBlend = 1;
  item.screenSpace = 0;
  item.layer = layer;
  item.texture = texture;
  return item;
}

}  // namespace

DrawItem SpriteQuad(const Matrix4& frame, float x0, float x1, float y0, float y1, int texture,
                    int layer, uint32_t colour) {
  DrawItem item = Fan(texture, layer);
  item.vertices = {Corner(frame, x0, y1, colour, 0, 1), Corner(frame, x1, y1, colour, 1, 1),
                   Corner(frame, x1, y0, colour, 1, 0), Corner(frame, x0, y0, colour, 0, 0)};
  return item;
}

std::array<DrawItem, 2> ClawQuads(const Matrix4& wristFrame, int16_t id5, int clawPosition,
                                  uint32_t colour) {
  const float c = static_cast<float>(id5) / 70.0f - static_cast<float>(5 * clawPosition + 5);
  DrawItem claw1 = Fan(kTextureClaw, kLayerClaws);
  claw1.vertices = {
      Corner(wristFrame, 12, c - 7, colour, 1, 0), Corner(wristFrame, 12, c, colour, 1, 1),
      Corner(wristFrame, -12, c, colour, 0, 1), Corner(wristFrame, -12, c - 7, colour, 0, 0)};
  DrawItem claw2 = Fan(kTextureClaw, kLayerClaws);
  claw2.vertices = {
      Corner(wristFrame, 12, -c, colour, 1, 0), Corner(wristFrame, 12, -c + 7, colour, 1, 1),
      Corner(wristFrame, -12, -c + 7, colour, 0, 1), Corner(wristFrame, -12, -c, colour, 0, 0)};
  return {claw1, claw2};
}

uint32_t ColorLerp(uint32_t a, uint32_t b, float t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const float ca = static_cast<float>((a >> shift) & 0xFFu);
    const float cb = static_cast<float>((b >> shift) & 0xFFu);
    const int64_t channel = SaturatingTrunc(ca + t * (cb - ca));
    out |= (static_cast<uint32_t>(channel) & 0xFFu) << shift;
  }
  return out;
}

float CurrentLoad(int16_t reading) {
  const int i = static_cast<uint16_t>(reading);
  if (i <= 100) return 0.0f;
  if (i >= 500) return 1.0f;
  return static_cast<float>(i - 100) / 400.0f;
}

uint32_t CurrentTint(int16_t reading) {
  return ColorLerp(kOpaqueWhite, 0xFFFF0000u, CurrentLoad(reading));
}

uint32_t ClawTint(int16_t reading) {
  return ColorLerp(0xC000FFFFu, 0xC0FF0000u, CurrentLoad(reading));
}

}  // namespace velmora
