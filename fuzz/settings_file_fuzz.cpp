// Feeds arbitrary bytes to the def.ini reader. Besides crashes, leaks and undefined behaviour it
// checks that every setting read lies within its limits and that the writer's text of them reads
// back to the same settings.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"
#include "link/servo_table.h"
#include "shell/settings_file.h"

namespace {

using namespace velmora;

void Require(bool condition) {
  if (!condition) std::abort();
}

bool CloseAfterRoundTrip(double written, double read) {
  return std::fabs(written - read) <= 5.000001e-7 + std::fabs(written) * 4e-16;
}

void RequireWithinLimits(const Settings& s, const ArmGeometry& g) {
  Require(s.axisType3 == 0 || s.axisType3 == 1);
  Require(s.recInterval >= 80);
  Require(s.vpenPoints >= 2 && s.vpenPoints <= kMaxVpenPoints);
  Require(std::isfinite(s.vpenTh) && std::isfinite(s.vpenOvw) && s.vpenOvw >= 0);
  Require(s.scaling >= 1.0 && s.scaling <= 3.0);
  Require(s.loadConvType >= 0 && s.loadConvType <= 2);
  Require(s.loadDialogEnable == 0 || s.loadDialogEnable == 1);
  const MarkerRange& r = s.markerRange;
  Require(std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) &&
          std::isfinite(r.bottom) && r.right >= r.left && r.bottom >= r.top);
  Require(s.fontName.size() <= kMaxFontNameLength);
  Require(std::isfinite(g.coords.centreOffsetX) && std::isfinite(g.coords.centreOffsetY) &&
          std::isfinite(g.coords.baseRotation));
  Require(g.coords.clawPosition >= 0 && g.coords.clawPosition <= 3);
  // A limit in force is never negative, and the limiter keeps within it.
  for (const int16_t limit : g.motorLimits) {
    Require(limit >= 0);
    Require(std::abs(LimitMotorValue(INT64_MAX, limit)) <= limit);
    Require(std::abs(LimitMotorValue(INT64_MIN, limit)) <= limit);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Settings s;
  Geometry g;
  ServoTable t;
  t.LoadAllRegisterDefaults();
  ApplySettingsText(bytes, s, g, t);
  const ArmGeometry a = g.Get();
  RequireWithinLimits(s, a);

  const std::string written = FormatSettingsFile(s, g, t);
  Settings s2;
  Geometry g2;
  ServoTable t2;
  ApplySettingsText(written, s2, g2, t2);
  const ArmGeometry b = g2.Get();
  RequireWithinLimits(s2, b);
  // The font name is written last; text in it that looks like a key would be read as one.
  if (s.fontName.find(':') != std::string::npos) return 0;

  Require(s2.axisType3 == s.axisType3 && s2.recInterval == s.recInterval &&
          s2.vpenEnable == s.vpenEnable && s2.vpenPoints == s.vpenPoints &&
          s2.vpenIsFade == s.vpenIsFade &&
          s2.vpenEverytimeDraw == (s.vpenEverytimeDraw != 0 ? 1 : 0) &&
          s2.loadConvType == s.loadConvType && s2.loadDialogEnable == s.loadDialogEnable &&
          s2.recAutoPowOff == s.recAutoPowOff && s2.enableMarkerLim == s.enableMarkerLim &&
          s2.fontName == s.fontName);
  Require(CloseAfterRoundTrip(s.vpenTh, s2.vpenTh) && CloseAfterRoundTrip(s.vpenOvw, s2.vpenOvw) &&
          CloseAfterRoundTrip(s.scaling, s2.scaling) &&
          CloseAfterRoundTrip(s.markerRange.left, s2.markerRange.left) &&
          CloseAfterRoundTrip(s.markerRange.top, s2.markerRange.top) &&
          CloseAfterRoundTrip(s.markerRange.right, s2.markerRange.right) &&
          CloseAfterRoundTrip(s.markerRange.bottom, s2.markerRange.bottom));
  Require(b.armSign == a.armSign && b.coords.clawPosition == a.coords.clawPosition &&
          b.motorLimits == a.motorLimits);
  Require(CloseAfterRoundTrip(a.coords.centreOffsetX, b.coords.centreOffsetX) &&
          CloseAfterRoundTrip(a.coords.centreOffsetY, b.coords.centreOffsetY) &&
          std::fabs(a.coords.baseRotation - b.coords.baseRotation) <=
              1e-8 + std::fabs(a.coords.baseRotation) * 1e-14);
  for (int id = 1; id <= kServoCount; ++id) {
    const auto before = t.RegisterImage(id);
    const auto after = t2.RegisterImage(id);
    for (int address : {24, 25, 26, 27, 28, 29, 35}) Require(before[address] == after[address]);
  }
  return 0;
}
