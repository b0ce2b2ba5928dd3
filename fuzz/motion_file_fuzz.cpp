// Feeds arbitrary bytes to the motion-file reader. Besides crashes, leaks and undefined
// behaviour it checks that what the reader produces is finite and that the writer's text of it
// reads back to the same Motion.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document/motion_file.h"

namespace {

using velmora::MotionFileContents;
using velmora::Pose;

void Require(bool condition) {
  if (!condition) std::abort();
}

// "%f" keeps six decimals, and reading the text back rounds once more.
bool CloseAfterRoundTrip(double written, double read) {
  return std::fabs(written - read) <= 5.000001e-7 + std::fabs(written) * 4e-16;
}

void RequireFinite(const MotionFileContents& f) {
  Require(std::isfinite(f.system.centreOffsetX) && std::isfinite(f.system.centreOffsetY) &&
          std::isfinite(f.system.baseRotation));
  for (const Pose& p : f.poses) {
    for (double v : {p.x, p.y, p.z, p.rotation, p.handWidth, p.arcRadius}) {
      Require(std::isfinite(v));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const MotionFileContents first = velmora::ParseMotionFile(bytes, 1);
  RequireFinite(first);

  const std::string written = velmora::FormatMotionFile(first.poses, first.system);
  const MotionFileContents second = velmora::ParseMotionFile(written, 3);
  RequireFinite(second);
  Require(second.poses.size() == first.poses.size());
  Require(second.system.clawPosition == first.system.clawPosition);
  Require(CloseAfterRoundTrip(first.system.centreOffsetX, second.system.centreOffsetX));
  Require(CloseAfterRoundTrip(first.system.centreOffsetY, second.system.centreOffsetY));
  // Degrees with six decimals, turned back into radians.
  Require(std::fabs(first.system.baseRotation - second.system.baseRotation) <=
          1e-8 + std::fabs(first.system.baseRotation) * 1e-14);
  for (std::size_t i = 0; i < first.poses.size(); ++i) {
    const Pose& a = first.poses[i];
    const Pose& b = second.poses[i];
    Require(a.interpolation == b.interpolation && a.motorValues == b.motorValues &&
            a.excluded == b.excluded && a.transitionTime == b.transitionTime &&
            a.arcDirection == b.arcDirection);
    Require(CloseAfterRoundTrip(a.x, b.x) && CloseAfterRoundTrip(a.y, b.y) &&
            CloseAfterRoundTrip(a.z, b.z) && CloseAfterRoundTrip(a.rotation, b.rotation) &&
            CloseAfterRoundTrip(a.handWidth, b.handWidth) &&
            CloseAfterRoundTrip(a.arcRadius, b.arcRadius));
  }
  return 0;
}
