#include "document/playback_speed.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr uint64_t kMinTime = 10;
constexpr uint64_t kMaxTime = 655350;

}  // namespace

std::string PlaybackSpeedLabel(PlaybackSpeed speed) {
  switch (speed) {
    case PlaybackSpeed::kQuarter:
      return "×0.25";
    case PlaybackSpeed::kHalf:
      return "×0.5";
    case PlaybackSpeed::kDouble:
      return "×2";
    case PlaybackSpeed::kQuadruple:
      return "×4";
    case PlaybackSpeed::kNormal:
      break;
  }
  return "×1";
}

uint32_t ScaleTransitionTime(uint32_t milliseconds, PlaybackSpeed speed) {
  const auto quarters = static_cast<uint64_t>(speed);
  if (quarters == 4 || quarters == 0) return milliseconds;
  const uint64_t scaled = (uint64_t{milliseconds} * 4 + quarters / 2) / quarters;
  return static_cast<uint32_t>(std::clamp(scaled, kMinTime, kMaxTime));
}

}  // namespace velmora
