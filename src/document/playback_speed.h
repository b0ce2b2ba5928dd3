#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

// How fast a playback runs against the transition times the Motion holds. Chosen on the toolbar
// for the run; it scales the times at play time only, so the Motion, its file and its history never
// see it. The value is the speed in quarters (4 = x1).
enum class PlaybackSpeed : int {
  kQuarter = 1,
  kHalf = 2,
  kNormal = 4,
  kDouble = 8,
  kQuadruple = 16,
};

inline constexpr std::array<PlaybackSpeed, 5> kPlaybackSpeeds{
    PlaybackSpeed::kQuarter, PlaybackSpeed::kHalf, PlaybackSpeed::kNormal, PlaybackSpeed::kDouble,
    PlaybackSpeed::kQuadruple};

// "×0.25", "×0.5", "×1", "×2", "×4".
std::string PlaybackSpeedLabel(PlaybackSpeed speed);

// The transition time a move is played with. At x1 the time is returned as it is, so a playback at
// x1 sends exactly what it always sent. At another speed the time is divided by the speed, rounded
// to the nearest millisecond, and then kept within 10..655350 ms, the times a Pose may hold: x4
// cannot make a move shorter than 10 ms (one step), and x0.25 cannot make one longer than 655350 ms
// (the longest goal time a servo takes); such moves play at the nearest time that is legal.
uint32_t ScaleTransitionTime(uint32_t milliseconds, PlaybackSpeed speed);

}  // namespace velmora
