#pragma once

#include <array>
#include <cstdint>

#include "geometry/pose.h"
#include "geometry/matrix.h"
#include "simulator/draw_queue.h"

namespace velmora {

// The seven textures of the arm, in TextureTable order, with their files relative to the
// executable's directory.
enum TextureEntry : int {
  kTexturePillar = 0,
  kTextureLink1 = 1,
  kTextureLink2 = 2,
  kTexturePenUnit = 3,
  kTextureWrist = 4,
  kTextureClaw = 5,
  kTextureBase = 6,
};
inline constexpr int kTextureCount = 7;
inline constexpr std::array<const char*, kTextureCount> kTextureFiles = {
    "skin/piller.PNG", "skin/linka.PNG", "skin/linkb.PNG", "skin/pen.PNG",
    "skin/yaw.PNG",    "skin/grip.PNG",  "skin/base.PNG"};

// Drawing layers; a lower layer is drawn on top.
enum SceneLayer : int {
  kLayerBase = 0,
  kLayerPillar = -1,
  kLayerLink1 = -2,
  kLayerWrist = -3,
  kLayerPenUnit = -4,
  kLayerLink2 = -5,
  kLayerClaws = -6,
  kLayerRange = -8,
  kLayerAxes = -9,
  kLayerPenTrace = -10,
  kLayerMarker = -11,  // the CoordinateMarker and the arc guide
};

inline constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
inline constexpr uint32_t kOpaqueRed = 0xFFFF0000u;

// A motor value (tenths of a degree) as a rotation angle of the drawing, in radians. The drawing
// has y pointing down, so the sign is turned for the turn to look counter-clockwise on screen.
float MotorAngle(int16_t motorValue);

// Where each sprite's own frame sits: a transform from the sprite's frame into the drawing plane.
struct SpriteFrames {
  Matrix4 base;
  Matrix4 pillar;
  Matrix4 link1;
  Matrix4 link2;
  Matrix4 penUnit;
  Matrix4 wrist;
};

// The frames for the motor values of a Pose, with the arm base placed by `baseDrawTransform`.
SpriteFrames BuildSpriteFrames(const std::array<int16_t, kMotorCount>& motors,
                               const Matrix4& baseDrawTransform);

// A textured quad over [x0, x1] x [y0, y1] of `frame`, upright (the image's top row at y0), as a
// fan of two triangles in drawing-plane millimetres.
DrawItem SpriteQuad(const Matrix4& frame, float x0, float x1, float y0, float y1, int texture,
                    int layer, uint32_t colour);

// The two claws on the wrist: 24 x 7 mm bars on either side of the wrist's x axis, moved out by the
// claw screw position and in by a positive ID5 value.
std::array<DrawItem, 2> ClawQuads(const Matrix4& wristFrame, int16_t id5, int clawPosition,
                                  uint32_t colour);

// Per-channel interpolation of two ARGB colours, each channel truncated toward zero.
uint32_t ColorLerp(uint32_t a, uint32_t b, float t);

// How far a motor's current reading (mA, taken as unsigned 16 bits) has gone from rest (100 mA and
// less: 0) to full load (500 mA and more: 1).
float CurrentLoad(int16_t reading);
// White at rest turning to pure red under load.
uint32_t CurrentTint(int16_t reading);
// The claws: three-quarters opaque cyan turning red.
uint32_t ClawTint(int16_t reading);

}  // namespace velmora
