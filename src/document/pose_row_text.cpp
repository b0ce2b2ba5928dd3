#include "document/pose_row_text.h"

#include <string_view>
#include <variant>
#include <vector>

#include "base/c_format.h"
#include "base/string_table.h"

namespace velmora {

namespace {

constexpr int kTextNone = 40014;
constexpr int kTextLinear = 40015;
constexpr int kTextArc = 40016;
constexpr int kTextMotorValues = 40038;
constexpr int kTextLinearParameters = 40039;
constexpr int kTextArcParameters = 40040;
constexpr int kTextClockwise = 40041;
constexpr int kTextCounterClockwise = 40042;

using TemplateArg = std::variant<int64_t, double, std::string_view>;

// Expands the printf conversions the row templates of the string table use ("%d", "%+d",
// "%.1f", "%f", "%s", "%%") with our locale-independent formatting. The templates are data, so
// an unknown conversion is copied as it stands and a missing or mistyped argument gives nothing
// rather than undefined behaviour.
std::string ExpandTemplate(std::string_view format, const std::vector<TemplateArg>& args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    std::size_t j = i + 1;
    if (j < format.size() && format[j] == '%') {
      out += '%';
      i = j;
      continue;
    }
    bool plus = false;
    if (j < format.size() && format[j] == '+') {
      plus = true;
      ++j;
    }
    int decimals = 6;
    if (j < format.size() && format[j] == '.') {
      ++j;
      decimals = 0;
      while (j < format.size() && format[j] >= '0' && format[j] <= '9' && decimals < 100) {
        decimals = decimals * 10 + (format[j] - '0');
        ++j;
      }
    }
    if (j >= format.size() || (format[j] != 'd' && format[j] != 'f' && format[j] != 's')) {
      out.append(format.substr(i, j - i));
      i = j - 1;
      continue;
    }
    if (next < args.size()) {
      const TemplateArg& arg = args[next];
      if (format[j] == 'd' && std::holds_alternative<int64_t>(arg)) {
        out += FormatInt(std::get<int64_t>(arg), plus);
      } else if (format[j] == 'f' && std::holds_alternative<double>(arg)) {
        out += FormatFixed(std::get<double>(arg), decimals, plus);
      } else if (format[j] == 's' && std::holds_alternative<std::string_view>(arg)) {
        out += std::get<std::string_view>(arg);
      }
    }
    ++next;
    i = j;
  }
  return out;
}

}  // namespace

const std::string& InterpolationText(int32_t interpolation) {
  if (interpolation == kLinear) return LoadText(kTextLinear);
  if (interpolation == kArc) return LoadText(kTextArc);
  return LoadText(kTextNone);
}

const std::string& ArcDirectionText(int32_t arcDirection) {
  return LoadText(arcDirection == kCounterClockwise ? kTextCounterClockwise : kTextClockwise);
}

std::string ParameterText(const Pose& p) {
  if (p.interpolation == kLinear) {
    return ExpandTemplate(LoadText(kTextLinearParameters),
                          {p.x, p.y, p.z, p.rotation, p.handWidth});
  }
  if (p.interpolation == kArc) {
    return ExpandTemplate(LoadText(kTextArcParameters),
                          {p.x, p.y, p.z, p.rotation, p.handWidth, p.arcRadius,
                           std::string_view(ArcDirectionText(p.arcDirection))});
  }
  std::vector<TemplateArg> motors;
  for (int16_t v : p.motorValues) motors.emplace_back(int64_t{v});
  return ExpandTemplate(LoadText(kTextMotorValues), motors);
}

PoseRowTexts RowTexts(const Pose& pose, std::size_t number) {
  // The time is printed with "%d" as it always was, so a time beyond the signed range (only
  // possible from a file, and normalised once the Pose is shown) reads as negative.
  return {FormatInt(static_cast<int64_t>(number)), InterpolationText(pose.interpolation),
          FormatInt(static_cast<int32_t>(pose.transitionTime)) + "msec", ParameterText(pose)};
}

}  // namespace velmora
