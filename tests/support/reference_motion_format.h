#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora::testing {

// The motion file as the first formatter wrote it, one temporary string per number, kept as the
// reference the faster formatter must match byte for byte.
inline std::string ReferenceFixed(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  return std::string(buf, r.ptr);
}

inline std::string ReferenceInt(int64_t value) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

inline std::string ReferenceMotionFile(const std::vector<Pose>& poses,
                                       const CoordinateSystem& system) {
  const std::string end = "\r\n";
  auto reals = [](std::initializer_list<double> values) {
    std::string out;
    for (double v : values) out += (out.empty() ? "" : ",") + ReferenceFixed(v);
    return out;
  };
  auto ints = [](const auto& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
      out += (i > 0 ? "," : "") + ReferenceInt(values[i]);
    }
    return out;
  };
  std::string out = "CENTER OFFSET:" + reals({system.centreOffsetX, system.centreOffsetY}) + end;
  out += "ROTATION:" + reals({system.baseRotation / kPi * 180}) + end;
  out += "HAND_POS:" + ReferenceInt(system.clawPosition) + end + end;
  int64_t number = 0;
  for (const Pose& p : poses) {
    out += "*No." + ReferenceInt(++number) + end;
    out += "TYPE:" + ReferenceInt(p.interpolation) + end;
    out += "POS:" + reals({p.x, p.y, p.z}) + end;
    out += "HAND:" + reals({p.rotation, p.handWidth}) + "f" + end;
    out += "DEGREE:" + ints(p.motorValues) + end;
    out += "_DISABLE:" + ints(p.excluded) + end;
    out += "TIME:" + ReferenceInt(static_cast<int32_t>(p.transitionTime)) + end;
    out +=
        "CIRCLUR:" + ReferenceInt(p.arcDirection) + "," + ReferenceFixed(p.arcRadius) + end + end;
  }
  return out;
}

}  // namespace velmora::testing
