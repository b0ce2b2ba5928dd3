#include "shell/settings_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "base/c_format.h"
#include "base/text_lines.h"
#include "geometry/coordinate_system.h"
#include "link/servo_table.h"

namespace velmora {

namespace {

// The registers of each servo kept in def.ini: compliance margins and slopes, punch, and the
// maximum torque.
constexpr std::array<int, 7> kStoredRegisters{24, 25, 26, 27, 28, 29, 35};

constexpr std::string_view kLineEnd = "\r\n";

// Reals that are not finite would reach the kinematics and the view transforms (a NaN scale also
// slips past both of its limits), so they read as an unreadable text does: 0. A finite one is held
// within kMaxSettingReal, so that it is written back as a value the reader takes again.
double ReadReal(std::string_view text) {
  const double v = ParseDouble(text);
  return std::isfinite(v) ? LimitSettingReal(v) : 0.0;
}

// The values of a key: each is the text between the next "[" and the "]" after it, searched from
// just after the previous value. A value whose brackets are missing is empty. False when a value
// is longer than a setting may be; the key is then ignored.
bool BracketValues(std::string_view line, std::size_t from, std::size_t count,
                   std::array<std::string_view, 5>& values) {
  values.fill({});
  std::size_t pos = from;
  for (std::size_t i = 0; i < count && pos < line.size(); ++i) {
    const std::size_t open = line.find('[', pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = line.find(']', open + 1);
    if (close == std::string_view::npos) break;
    if (close - open - 1 > kMaxSettingValueLength) return false;
    values[i] = line.substr(open + 1, close - open - 1);
    pos = close + 1;
  }
  return true;
}

// The coordinate system is collected over the whole file and set once at its end.
struct PendingSystem {
  double rotation = 0;  // radians
  double offsetX = 0;
  double offsetY = 0;
};

struct ReadTargets {
  Settings& settings;
  Geometry& geometry;
  ServoTable& servos;
  PendingSystem& system;
  SettingsReadResult& result;
};

using Values = std::array<std::string_view, 5>;

struct Key {
  std::string_view name;  // with its colon
  std::size_t valueCount;
  void (*apply)(const Values& v, ReadTargets& t);
};

// In the order the keys are looked for in each line.
const std::array<Key, 21> kKeys{{
    {"LOAD_CONV_TYPE:", 1,
     [](const Values& v, ReadTargets& t) {
       t.settings.loadConvType = std::clamp(ParseInt(v[0]), 0, 2);
     }},
    {"LOAD_DIALOG_ENABLE:", 1,
     [](const Values& v, ReadTargets& t) {
       t.settings.loadDialogEnable = ParseInt(v[0]) != 0 ? 1 : 0;
     }},
    {"ARM_SIGN:", 1,
     [](const Values& v, ReadTargets& t) { t.geometry.SetArmSign(ParseInt(v[0])); }},
    {"AXIS_TYPE:", 1,
     [](const Values& v, ReadTargets& t) {
       // 0..3 (compared as unsigned) is the 3-axis pen type, anything else the 5-axis hand type.
       t.settings.axisType3 = static_cast<uint32_t>(ParseInt(v[0])) <= 3u ? 1 : 0;
     }},
    {"REC_INTERVAL:", 1,
     [](const Values& v, ReadTargets& t) {
       t.settings.recInterval = std::max(ParseUnsigned(v[0]), 80u);
     }},
    {"MEMMAP:", 3,
     [](const Values& v, ReadTargets& t) {
       const int index = ParseInt(v[0]);
       const int address = ParseInt(v[1]);
       if (index < 0 || index >= kServoCount || address < 0 || address >= kRegisterImageSize) {
         return;
       }
       t.servos.SetRegister(index + 1, address, static_cast<uint8_t>(ParseInt(v[2]) & 0xff));
     }},
    {"MARKER_RANGE:", 4,
     [](const Values& v, ReadTargets& t) {
       MarkerRange r{ReadReal(v[0]), ReadReal(v[1]), ReadReal(v[2]), ReadReal(v[3])};
       if (r.bottom < r.top) r.bottom = r.top;
       if (r.right < r.left) r.right = r.left;
       t.settings.markerRange = r;
     }},
    {"VPEN_ENABLE:", 1,
     [](const Values& v, ReadTargets& t) { t.settings.vpenEnable = ParseInt(v[0]); }},
    {"VPEN_POINTS:", 1,
     [](const Values& v, ReadTargets& t) {
       t.settings.vpenPoints = std::clamp(ParseUnsigned(v[0]), 2u, kMaxVpenPoints);
     }},
    {"VPEN_TH:", 1, [](const Values& v, ReadTargets& t) { t.settings.vpenTh = ReadReal(v[0]); }},
    {"VPEN_OVW:", 1,
     [](const Values& v, ReadTargets& t) { t.settings.vpenOvw = std::max(ReadReal(v[0]), 0.0); }},
    {"VPEN_ISFADE:", 1,
     [](const Values& v, ReadTargets& t) { t.settings.vpenIsFade = ParseInt(v[0]); }},
    {"VPEN_EVERYTIME_DRAW:", 1,
     [](const Values& v, ReadTargets& t) { t.settings.vpenEverytimeDraw = ParseInt(v[0]); }},
    {"CROW_POSITION:", 1,
     [](const Values& v, ReadTargets& t) { t.geometry.SetClawPosition(ParseInt(v[0])); }},
    {"REC_AUTOPOWOFF:", 1,
     [](const Values& v, ReadTargets& t) { t.settings.recAutoPowOff = ParseInt(v[0]); }},
    {"FONT_NAME:", 1,
     [](const Values& v, ReadTargets& t) {
       // A face name holds at most 31 bytes; a longer one names no font and would not fit the
       // Windows build's font record, so it is not taken at all.
       if (v[0].size() <= kMaxFontNameLength) t.settings.fontName = std::string(v[0]);
     }},
    {"SCALING:", 1,
     [](const Values& v, ReadTargets& t) {
       t.settings.scaling = std::clamp(ReadReal(v[0]), 1.0, 3.0);
       t.result.scalingRead = true;
     }},
    {"SIM_ROTATE:", 1,
     [](const Values& v, ReadTargets& t) { t.system.rotation = ReadReal(v[0]) / 180 * kPi; }},
    {"SIM_COFFSET:", 2,
     [](const Values& v, ReadTargets& t) {
       t.system.offsetX = ReadReal(v[0]);
       t.system.offsetY = ReadReal(v[1]);
     }},
    {"SVPOS_RANGE:", 5,
     [](const Values& v, ReadTargets& t) {
       std::array<int16_t, 5> limits{};
       for (std::size_t i = 0; i < limits.size(); ++i) {
         limits[i] = static_cast<int16_t>(ParseInt(v[i]));
       }
       t.geometry.SetMotorLimits(limits);
     }},
    {"ENABLEMARKERLIM:", 1,
     [](const Values& v, ReadTargets& t) { t.settings.enableMarkerLim = ParseInt(v[0]); }},
}};

void ApplyLine(std::string_view line, ReadTargets& targets) {
  line = line.substr(0, line.find('#'));
  Values values;
  for (const Key& key : kKeys) {
    const std::size_t at = line.find(key.name);
    if (at == std::string_view::npos) continue;
    if (!BracketValues(line, at + key.name.size(), key.valueCount, values)) continue;
    key.apply(values, targets);
  }
}

void AppendValue(std::string& out, std::string_view value) {
  out += '[';
  out += value;
  out += ']';
}

// "KEY:[a]-[b]-..." and the line end.
void AppendLine(std::string& out, std::string_view key, std::initializer_list<std::string> values) {
  out += key;
  out += ':';
  bool first = true;
  for (const std::string& v : values) {
    if (!first) out += '-';
    AppendValue(out, v);
    first = false;
  }
  out += kLineEnd;
}

}  // namespace

SettingsReadResult ApplySettingsText(std::string_view text, Settings& settings, Geometry& geometry,
                                     ServoTable& servos) {
  SettingsReadResult result;
  PendingSystem system;
  ReadTargets targets{settings, geometry, servos, system, result};
  TextLineReader reader(text);
  TextLine line;
  while (reader.Next(&line)) ApplyLine(line.text, targets);
  geometry.SetCoordinateSystem(system.offsetX, system.offsetY, system.rotation);
  return result;
}

bool LoadSettings(const std::filesystem::path& directory, Settings& settings, Geometry& geometry,
                  ServoTable& servos, std::atomic<bool>* penTraceReset) {
  return LoadSettingsFile(directory / kSettingsFileName, settings, geometry, servos,
                          penTraceReset);
}

bool LoadSettingsFile(const std::filesystem::path& file, Settings& settings, Geometry& geometry,
                      ServoTable& servos, std::atomic<bool>* penTraceReset) {
  const std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) {
    // The placement transforms must exist before the first conversion.
    geometry.SetCoordinateSystem(0, 0, 0);
    return false;
  }
  const SettingsReadResult result = ApplySettingsText(*bytes, settings, geometry, servos);
  if (result.scalingRead && penTraceReset != nullptr) penTraceReset->store(true);
  return true;
}

std::string FormatSettingsFile(const Settings& s, const Geometry& geometry,
                               const ServoTable& servos) {
  const ArmGeometry g = geometry.Get();
  auto f = [](double v) { return FormatFixed(LimitSettingReal(v)); };
  auto d = [](int64_t v) { return FormatInt(v); };
  // Counts are kept unsigned but written with "%d", as the Windows build writes them.
  auto u = [](uint32_t v) { return FormatInt(static_cast<int32_t>(v)); };

  std::string out;
  out.reserve(1500 + s.fontName.size());
  AppendLine(out, "AXIS_TYPE", {d(s.axisType3 != 0 ? 3 : 5)});
  AppendLine(out, "MARKER_RANGE",
             {f(s.markerRange.left), f(s.markerRange.top), f(s.markerRange.right),
              f(s.markerRange.bottom)});
  AppendLine(out, "REC_INTERVAL", {u(s.recInterval)});
  AppendLine(out, "SIM_ROTATE", {f(g.coords.baseRotation / kPi * 180)});
  AppendLine(out, "SIM_COFFSET", {f(g.coords.centreOffsetX), f(g.coords.centreOffsetY)});
  AppendLine(out, "VPEN_ENABLE", {d(s.vpenEnable)});
  AppendLine(out, "VPEN_TH", {f(s.vpenTh)});
  AppendLine(out, "VPEN_OVW", {f(s.vpenOvw)});
  AppendLine(out, "VPEN_POINTS", {u(s.vpenPoints)});
  AppendLine(out, "VPEN_ISFADE", {d(s.vpenIsFade)});
  AppendLine(out, "VPEN_EVERYTIME_DRAW", {d(s.vpenEverytimeDraw != 0 ? 1 : 0)});
  AppendLine(out, "ARM_SIGN", {d(g.armSign)});
  AppendLine(out, "CROW_POSITION", {d(g.coords.clawPosition)});
  AppendLine(out, "LOAD_CONV_TYPE", {d(s.loadConvType)});
  AppendLine(out, "LOAD_DIALOG_ENABLE", {d(s.loadDialogEnable)});
  AppendLine(out, "REC_AUTOPOWOFF", {d(s.recAutoPowOff)});
  AppendLine(out, "SCALING", {f(s.scaling)});
  AppendLine(out, "ENABLEMARKERLIM", {d(s.enableMarkerLim)});
  AppendLine(out, "SVPOS_RANGE",
             {d(g.motorLimits[0]), d(g.motorLimits[1]), d(g.motorLimits[2]), d(g.motorLimits[3]),
              d(g.motorLimits[4])});
  out += kLineEnd;
  for (int index = 0; index < kServoCount; ++index) {
    const auto image = servos.RegisterImage(index + 1);
    for (int address : kStoredRegisters) {
      AppendLine(out, "MEMMAP",
                 {d(index), d(address), d(image[static_cast<std::size_t>(address)])});
    }
    out += kLineEnd;
  }
  out += "FONT_NAME:";
  AppendValue(out, s.fontName);
  out += kLineEnd;
  return out;
}

bool SaveSettings(const std::filesystem::path& directory, const Settings& settings,
                  const Geometry& geometry, const ServoTable& servos,
                  const AtomicWriteFault& fault) {
  return WriteFileAtomically(directory / kSettingsFileName,
                             FormatSettingsFile(settings, geometry, servos), fault)
      .ok;
}

}  // namespace velmora
