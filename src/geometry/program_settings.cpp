#include "geometry/program_settings.h"

#include <cmath>
#include <optional>

#include "base/c_format.h"
#include "base/text_lines.h"

namespace velmora {

namespace {

constexpr char kLineEnd[] = "\r\n";

// The value of a "KEY:[value]" line whose key is `key`, or none.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view key) {
  if (line.substr(0, key.size()) != key) return std::nullopt;
  line.remove_prefix(key.size());
  if (line.substr(0, 2) != ":[") return std::nullopt;
  line.remove_prefix(2);
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(0, close);
}

// A whole integer within [low, high], or none.
std::optional<int> IntIn(std::string_view text, int low, int high) {
  std::size_t used = 0;
  const int32_t v = ParseInt(text, &used);
  if (used == 0 || used != text.size() || v < low || v > high) return std::nullopt;
  return v;
}

}  // namespace

void ApplyProgramSettingsText(std::string_view text, ProgramSettings& s) {
  s.otherLines.clear();
  TextLineReader reader(text);
  TextLine line;
  while (reader.Next(&line)) {
    std::string_view l = line.text;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    if (l.empty()) continue;
    if (auto v = ValueOf(l, "PATH_PREVIEW")) {
      if (auto b = IntIn(*v, 0, 1)) s.pathPreview = *b != 0;
    } else if (auto v2 = ValueOf(l, "MAX_SERVO_SPEED")) {
      std::size_t used = 0;
      const double d = ParseDouble(*v2, &used);
      if (used == v2->size() && std::isfinite(d) && d > 0) s.maxServoSpeed = d;
    } else if (auto v3 = ValueOf(l, "VIRTUAL_SLOW_SERVO")) {
      if (auto id = IntIn(*v3, 0, 5)) s.virtualSlowServo = *id;
    } else if (auto v4 = ValueOf(l, "VIRTUAL_SLOW_FACTOR")) {
      if (auto f = IntIn(*v4, 1, 100)) s.virtualSlowFactor = *f;
    } else if (auto v5 = ValueOf(l, "TIMELINE")) {
      if (auto b = IntIn(*v5, 0, 1)) s.timeline = *b != 0;
    } else {
      s.otherLines.emplace_back(l);
    }
  }
}

std::string FormatProgramSettings(const ProgramSettings& s) {
  std::string out;
  out += "PATH_PREVIEW:[" + FormatInt(s.pathPreview ? 1 : 0) + "]" + kLineEnd;
  out += "MAX_SERVO_SPEED:[" + FormatFixed(s.maxServoSpeed) + "]" + kLineEnd;
  out += "VIRTUAL_SLOW_SERVO:[" + FormatInt(s.virtualSlowServo) + "]" + kLineEnd;
  out += "VIRTUAL_SLOW_FACTOR:[" + FormatInt(s.virtualSlowFactor) + "]" + kLineEnd;
  out += "TIMELINE:[" + FormatInt(s.timeline ? 1 : 0) + "]" + kLineEnd;
  for (const std::string& l : s.otherLines) out += l + kLineEnd;
  return out;
}

bool LoadProgramSettings(const std::filesystem::path& directory, ProgramSettings& settings) {
  const std::optional<std::string> bytes = ReadWholeFile(directory / kProgramSettingsFileName);
  if (!bytes) return false;
  ApplyProgramSettingsText(*bytes, settings);
  return true;
}

bool SaveProgramSettings(const std::filesystem::path& directory, const ProgramSettings& settings,
                         const AtomicWriteFault& fault) {
  const std::filesystem::path path = directory / kProgramSettingsFileName;
  std::error_code error;
  if (settings == ProgramSettings{} && !std::filesystem::exists(path, error)) return true;
  return WriteFileAtomically(path, FormatProgramSettings(settings), fault).ok;
}

}  // namespace velmora
