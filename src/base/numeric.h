#pragma once

#include <cmath>
#include <cstdint>

namespace velmora {

// Truncation toward zero that never overflows: NaN gives 0, values beyond the int32 range are
// clamped to it first. Every double-to-integer conversion of the program goes through here.
inline int64_t SaturatingTrunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483648LL;
  return static_cast<int64_t>(v);
}

// Rounds a double to single precision and widens it back.
inline double RoundToFloat(double v) { return static_cast<double>(static_cast<float>(v)); }

}  // namespace velmora
