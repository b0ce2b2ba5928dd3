#include "geometry/base_rotations.h"

namespace velmora {

int BaseRotationIndex(double radians) {
  for (int i = 0; i < kBaseRotationCount; ++i) {
    if (kBaseRotations[static_cast<std::size_t>(i)] == radians) return i;
  }
  return -1;
}

bool BaseRotationAt(int index, double* radians) {
  if (index < 0 || index >= kBaseRotationCount) return false;
  *radians = kBaseRotations[static_cast<std::size_t>(index)];
  return true;
}

}  // namespace velmora
