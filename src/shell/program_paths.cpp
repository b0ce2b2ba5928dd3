#include "shell/program_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "shell/settings_file.h"

namespace velmora {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool IsDirectory(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

}  // namespace

PathEnvironment ProcessPathEnvironment() { return {Variable("XDG_CONFIG_HOME"), Variable("HOME")}; }

bool DirectoryWritable(const std::filesystem::path& directory) {
  return IsDirectory(directory) && ::access(directory.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path UserSettingsDirectory(const PathEnvironment& env) {
  const std::filesystem::path configHome(env.xdgConfigHome);
  if (configHome.is_absolute()) return configHome / kProgramFolderName;
  if (env.home.empty()) return {};
  return std::filesystem::path(env.home) / ".config" / kProgramFolderName;
}

std::filesystem::path InstalledDataDirectory(const std::filesystem::path& moduleDirectory) {
  return moduleDirectory.parent_path() / "share" / kProgramFolderName;
}

std::filesystem::path ChooseSettingsDirectory(const std::filesystem::path& moduleDirectory,
                                              const PathEnvironment& env,
                                              const WritableProbe& writable) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(moduleDirectory / kSettingsFileName, ec))
    return moduleDirectory;
  const std::filesystem::path user = UserSettingsDirectory(env);
  // Without a home there is nowhere else to go.
  if (user.empty()) return moduleDirectory;
  const bool installed =
      moduleDirectory.filename() == "bin" && IsDirectory(InstalledDataDirectory(moduleDirectory));
  if (!installed && writable && writable(moduleDirectory)) return moduleDirectory;
  return user;
}

std::filesystem::path ChooseSkinDirectory(const std::vector<std::filesystem::path>& candidates) {
  for (const std::filesystem::path& dir : candidates) {
    if (IsDirectory(dir / "skin")) return dir;
  }
  return candidates.empty() ? std::filesystem::path() : candidates.front();
}

}  // namespace velmora
