#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "geometry/pose.h"

namespace velmora {

// The four texts of one PoseList row: "No.", "補間", "時間", "パラメータ".
using PoseRowTexts = std::array<std::string, 4>;

// The PoseList's columns: header text and width in pixels, left-aligned.
struct PoseListColumn {
  const char* title;
  int width;
};
inline constexpr std::array<PoseListColumn, 4> kPoseListColumns{
    {{"No.", 30}, {"補間", 42}, {"時間", 52}, {"パラメータ", 100}}};

// The interpolation's name: "直線" for Linear, "円弧" for Arc, "なし" for everything else
// (a file may hold other numbers; they play as Arc but are listed as none).
const std::string& InterpolationText(int32_t interpolation);

// The turning direction's name: "反時計回り" for 1, "時計回り" otherwise.
const std::string& ArcDirectionText(int32_t arcDirection);

// The "パラメータ" column: coordinates for Linear, coordinates with radius and direction for Arc,
// the five motor values otherwise.
std::string ParameterText(const Pose& pose);

// All four texts of the row of `pose`, whose 1-based number is `number`.
PoseRowTexts RowTexts(const Pose& pose, std::size_t number);

}  // namespace velmora
