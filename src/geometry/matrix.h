#pragma once

#include <array>

namespace velmora {

// A single-precision 4x4 matrix in the row-vector convention: a point is a row vector multiplied
// on the left, so translations sit in the last row. The helpers compute in float, in the same
// order as the Direct3D utility functions, because the motion files store coordinates that were
// computed this way and rotations are compared by exact equality.
struct Matrix4 {
  std::array<std::array<float, 4>, 4> m{};

  static Matrix4 Identity();
  static Matrix4 RotationZ(float angle);
  static Matrix4 Translation(float x, float y, float z);

  friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// a × b, in float.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// The general 4x4 inverse by cofactors, in float. A singular matrix yields the identity and false.
bool Inverse(const Matrix4& a, Matrix4* out);

struct Vec3f {
  float x = 0, y = 0, z = 0;
};

// Transforms the point (x, y, z, 1) and divides by the resulting w.
Vec3f TransformCoord(const Vec3f& v, const Matrix4& m);

}  // namespace velmora
