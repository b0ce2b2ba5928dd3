#pragma once

#include <cmath>
#include <limits>

namespace velmora {

// Rounds a double to single precision the way the hardware does, but without the undefined
// behaviour of converting a value beyond the float range: such a value becomes an infinity of its
// sign (NaN stays NaN).
inline float ToSingle(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax || v < -kMax) {
    // Values that round down to FLT_MAX are still finite.
    if (std::fabs(v) < kMax + std::ldexp(1.0, 103))
      return v > 0 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
    return v > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(v);
}

}  // namespace velmora
