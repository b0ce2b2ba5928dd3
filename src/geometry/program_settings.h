#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"

namespace velmora {

// The program's own settings file, kept beside def.ini. def.ini stays exactly as the Windows
// version writes it, so every setting Velmora adds lives here.
inline constexpr char kProgramSettingsFileName[] = "velmora.ini";

// The default fastest turn a rotary servo is asked for before the motion check flags a move. It
// is an assumption about the arm's servos, not a measured value: small serial-bus servos of this
// class turn about 60 degrees in 0.2 s without load, i.e. 300 degrees per second, and go slower
// under load. MAX_SERVO_SPEED in velmora.ini changes it.
inline constexpr double kDefaultMaxServoSpeed = 300.0;
// How many times slower VIRTUAL_SLOW_SERVO makes its servo when no factor is given.
inline constexpr int kDefaultVirtualSlowFactor = 3;

struct ProgramSettings {
  bool pathPreview = false;                      // PATH_PREVIEW: the planned path under the arm
  double maxServoSpeed = kDefaultMaxServoSpeed;  // MAX_SERVO_SPEED, degrees per second, > 0
  int virtualSlowServo = 0;                      // VIRTUAL_SLOW_SERVO: 0 none, else ID 1..5
  int virtualSlowFactor = kDefaultVirtualSlowFactor;  // VIRTUAL_SLOW_FACTOR, 1..100
  bool timeline = false;                         // TIMELINE: the timeline pane is shown
  // Lines of keys this version does not know, written back as they were.
  std::vector<std::string> otherLines;

  friend bool operator==(const ProgramSettings&, const ProgramSettings&) = default;
};

// Reads the file's bytes: one "KEY:[value]" per line (CR LF or LF). A value that is not a number
// or is out of its range leaves the setting as it was.
void ApplyProgramSettingsText(std::string_view text, ProgramSettings& settings);
std::string FormatProgramSettings(const ProgramSettings& settings);

// `directory` is the folder def.ini is kept in. Load: false (and nothing changes) without the file.
bool LoadProgramSettings(const std::filesystem::path& directory, ProgramSettings& settings);
// Writes through a temporary file; nothing is written while the file does not exist and every
// setting has its default, so a user who never changes one gets no new file.
bool SaveProgramSettings(const std::filesystem::path& directory, const ProgramSettings& settings,
                         const AtomicWriteFault& fault = {});

}  // namespace velmora
