#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/atomic_file.h"
#include "geometry/settings.h"

namespace velmora {

class Geometry;
class ServoTable;

inline constexpr char kSettingsFileName[] = "def.ini";

// The longest text between one pair of brackets that def.ini may hold. A key with a longer value
// is ignored and its setting keeps the value it had.
inline constexpr std::size_t kMaxSettingValueLength = 255;
// The largest size of a real setting (millimetres, degrees, a scale). Written with "%f", a value
// of about 1e248 or more would take more than 255 characters, and the reader would ignore it; so
// reals are held within this range when read and when written.
inline constexpr double kMaxSettingReal = 1e6;
inline double LimitSettingReal(double v) {
  return v < -kMaxSettingReal ? -kMaxSettingReal : v > kMaxSettingReal ? kMaxSettingReal : v;
}

// The longest font face name, in bytes. A longer FONT_NAME is ignored.
inline constexpr std::size_t kMaxFontNameLength = 31;

// What reading def.ini did besides filling the records.
struct SettingsReadResult {
  // SCALING was read: the simulator's pen trace must be erased (the scale of what it drew
  // changed).
  bool scalingRead = false;
};

// Applies the text of a def.ini to the records, with every reading rule: comments cut from "#"
// to the end of the line, keys found anywhere in a line (several per line, a later one
// overriding an earlier one), bracketed values, the limits of each setting. The coordinate
// system goes to Geometry once, at the end, 0 for any part the text lacks. Takes the file's
// bytes, so that tests and the fuzzer need no disk.
SettingsReadResult ApplySettingsText(std::string_view text, Settings& settings, Geometry& geometry,
                                     ServoTable& servos);

// Reads `directory`/def.ini (the directory of the executable). Without the file every setting
// keeps its start value and the coordinate system is set to 0, 0, 0; the result is then false.
// When SCALING was read, `penTraceReset` (if given) is set.
bool LoadSettings(const std::filesystem::path& directory, Settings& settings, Geometry& geometry,
                  ServoTable& servos, std::atomic<bool>* penTraceReset = nullptr);

// The same from a settings file of any name (the command line's --settings FILE). False, with the
// coordinate system set to 0, 0, 0, when it cannot be read.
bool LoadSettingsFile(const std::filesystem::path& file, Settings& settings, Geometry& geometry,
                      ServoTable& servos, std::atomic<bool>* penTraceReset = nullptr);

// The bytes of def.ini for the present settings: the program's 22 lines in their fixed order,
// CR LF line ends, numbers in the C locale whatever the process locale is.
std::string FormatSettingsFile(const Settings& settings, const Geometry& geometry,
                               const ServoTable& servos);

// Writes `directory`/def.ini through a temporary file, so a failed write leaves the old file
// whole. False when it could not be written.
bool SaveSettings(const std::filesystem::path& directory, const Settings& settings,
                  const Geometry& geometry, const ServoTable& servos,
                  const AtomicWriteFault& fault = {});

}  // namespace velmora
