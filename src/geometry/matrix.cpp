#include "geometry/matrix.h"

#include <cmath>

namespace velmora {

Matrix4 Matrix4::Identity() {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix4 Matrix4::RotationZ(float angle) {
  Matrix4 r = Identity();
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

Matrix4 Matrix4::Translation(float x, float y, float z) {
  Matrix4 r = Identity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

namespace {

// Determinant of the 3x3 minor that leaves out row `row` and column `col`.
float Minor(const Matrix4& a, int row, int col) {
  float s[3][3];
  for (int i = 0, r = 0; i < 4; ++i) {
    if (i == row) continue;
    for (int j = 0, c = 0; j < 4; ++j) {
      if (j == col) continue;
      s[r][c++] = a.m[i][j];
    }
    ++r;
  }
  return s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
         s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
         s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
}

}  // namespace

bool Inverse(const Matrix4& a, Matrix4* out) {
  float cof[4][4];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const float minor = Minor(a, i, j);
      cof[i][j] = ((i + j) % 2 == 0) ? minor : -minor;
    }
  }
  const float det =
      a.m[0][0] * cof[0][0] + a.m[0][1] * cof[0][1] + a.m[0][2] * cof[0][2] + a.m[0][3] * cof[0][3];
  if (det == 0.0f || !std::isfinite(det)) {
    *out = Matrix4::Identity();
    return false;
  }
  const float inv = 1.0f / det;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) out->m[i][j] = cof[j][i] * inv;  // adjugate / det
  }
  return true;
}

Vec3f TransformCoord(const Vec3f& v, const Matrix4& m) {
  const float x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0];
  const float y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1];
  const float z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2];
  const float w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + m.m[3][3];
  if (w == 0.0f) return {x, y, z};
  return {x / w, y / w, z / w};
}

}  // namespace velmora
