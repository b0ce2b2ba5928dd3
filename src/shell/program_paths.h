#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

// The variables of the environment that decide where an installed copy keeps its settings.
struct PathEnvironment {
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME; ignored unless it is an absolute path
  std::string home;           // $HOME
};

// The process's own environment.
PathEnvironment ProcessPathEnvironment();

// Whether the program may create files in a folder.
using WritableProbe = std::function<bool(const std::filesystem::path& directory)>;
bool DirectoryWritable(const std::filesystem::path& directory);

// The name of the program's folders under the user's configuration folder and the data prefix.
inline constexpr char kProgramFolderName[] = "velmora";

// The per-user settings folder: $XDG_CONFIG_HOME/velmora, or ~/.config/velmora. Empty when the
// environment names neither.
std::filesystem::path UserSettingsDirectory(const PathEnvironment& env);

// The data folder of an installed copy whose executable is in `<prefix>/bin`:
// `<prefix>/share/velmora`.
std::filesystem::path InstalledDataDirectory(const std::filesystem::path& moduleDirectory);

// Where def.ini (and every other settings file of the program) is kept:
//  - the executable's folder when it holds a def.ini: the portable use, whose file can be
//    exchanged with the Windows version;
//  - the user's settings folder when the executable is an installed copy (`<prefix>/bin` beside
//    `<prefix>/share/velmora`), so that a copy in /usr/bin never writes there, even as root;
//  - otherwise the executable's folder when it can be written, else the user's settings folder.
// The folder chosen may not exist yet: it is created when the settings are first written.
std::filesystem::path ChooseSettingsDirectory(const std::filesystem::path& moduleDirectory,
                                              const PathEnvironment& env,
                                              const WritableProbe& writable = DirectoryWritable);

// The first of `candidates` that has a skin/ folder, or the first candidate when none has (the
// simulator then reports each texture it cannot read). Empty for no candidates.
std::filesystem::path ChooseSkinDirectory(const std::vector<std::filesystem::path>& candidates);

}  // namespace velmora
