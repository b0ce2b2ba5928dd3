#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/pose.h"
#include "link/servo_table.h"

namespace velmora {

// One line of text written over the finished frame, its top-left corner at (x, y) in view pixels.
struct OverlayText {
  int x = 0;
  int y = 0;
  std::string text;  // UTF-8
  uint32_t rgb = 0;  // 0xRRGGBB

  friend bool operator==(const OverlayText&, const OverlayText&) = default;
};

inline constexpr uint32_t kOverlayBlack = 0x000000u;
inline constexpr uint32_t kOverlayRed = 0xFF0000u;
inline constexpr uint32_t kOverlayBlue = 0x0000FFu;

struct OverlayInputs {
  bool fiveAxis = false;
  bool connected = false;
  std::array<int16_t, kServoCount> motorCurrents{};
  bool recording = false;
  bool playing = false;
  uint32_t nowMs = 0;  // the clock when the frame is drawn; it paces the dots after Rec / Play
  int width = 0;
  int height = 0;
};

// The texts of one frame: the tool coordinates, one line per motor, the axis labels, and "Rec" or
// "Play" with one to three dots while a recording or playback runs.
std::vector<OverlayText> BuildOverlay(const Pose& pose, const OverlayInputs& in);

}  // namespace velmora
