#include "shell/program_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/application.h"
#include "shell/program_state.h"
#include "shell/settings_file.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

bool Writable(const fs::path&) { return true; }
bool ReadOnly(const fs::path&) { return false; }

TEST(SettingsDirectory, PortableFolderWinsWhenItHoldsDefIniOrCanBeWritten) {
  TempDir dir;
  const fs::path exe = dir / "build";
  fs::create_directories(exe);
  const PathEnvironment env{"", (dir / "home").string()};
  const fs::path user = dir / "home" / ".config" / "velmora";

  EXPECT_EQ(ChooseSettingsDirectory(exe, env, Writable), exe);
  EXPECT_EQ(ChooseSettingsDirectory(exe, env, ReadOnly), user);
  // A def.ini beside the executable is used even where nothing can be written.
  WriteBytes(exe / "def.ini", "AXIS_TYPE:[1]\r\n");
  EXPECT_EQ(ChooseSettingsDirectory(exe, env, ReadOnly), exe);
  // The real probe: a temporary folder can be written, a missing one cannot.
  EXPECT_TRUE(DirectoryWritable(exe));
  EXPECT_FALSE(DirectoryWritable(dir / "missing"));
}

TEST(SettingsDirectory, InstalledCopyAndReadOnlyFolderUseTheUsersConfigFolder) {
  TempDir dir;
  const fs::path bin = dir / "usr" / "bin";
  fs::create_directories(bin);
  fs::create_directories(dir / "usr" / "share" / "velmora" / "skin");
  // Even a writable <prefix>/bin (root's /usr/bin) is left alone.
  EXPECT_EQ(ChooseSettingsDirectory(bin, {"/xdg/config", "/home/u"}, Writable),
            fs::path("/xdg/config/velmora"));
  // A relative XDG_CONFIG_HOME is not a valid one.
  EXPECT_EQ(ChooseSettingsDirectory(bin, {"relative/config", "/home/u"}, Writable),
            fs::path("/home/u/.config/velmora"));
  // With nowhere else to go, the executable's folder stays.
  EXPECT_EQ(ChooseSettingsDirectory(bin, {"", ""}, ReadOnly), bin);
  WriteBytes(bin / "def.ini", "");
  EXPECT_EQ(ChooseSettingsDirectory(bin, {"", "/home/u"}, ReadOnly), bin);
}

TEST(SettingsDirectory, TheUsersFolderIsMadeAtExitAndGetsTheSameBytes) {
  TempDir dir;
  const fs::path portable = dir / "portable";
  const fs::path user = dir / "home" / ".config" / "velmora";
  fs::create_directories(portable);
  for (const fs::path& settingsDir : {portable, user}) {
    ProgramState state;
    Application app(state, {portable, nullptr, nullptr, nullptr});
    app.SetSettingsDirectory(settingsDir);
    EXPECT_EQ(app.SettingsDirectory(), settingsDir);
    app.LoadStartupState();
    state.settings.Update([](Settings& s) { s.vpenEverytimeDraw = 1; });
    EXPECT_TRUE(app.FinishRun());
  }
  ASSERT_TRUE(fs::exists(user / kSettingsFileName));
  EXPECT_EQ(ReadBytes(user / kSettingsFileName), ReadBytes(portable / kSettingsFileName));
  // The next run reads it back from there.
  ProgramState state;
  Application app(state, {dir / "elsewhere", nullptr, nullptr, nullptr});
  app.SetSettingsDirectory(user);
  EXPECT_TRUE(app.LoadStartupState());
  EXPECT_EQ(state.settings.Get().vpenEverytimeDraw, 1);
}

TEST(SkinDirectory, BesideTheExecutableFirstThenTheDataFolder) {
  TempDir dir;
  const fs::path exe = dir / "bin";
  const fs::path data = dir / "share" / "velmora";
  fs::create_directories(exe);
  fs::create_directories(data / "skin");
  EXPECT_EQ(InstalledDataDirectory(exe), data);
  EXPECT_EQ(ChooseSkinDirectory({exe, data}), data);
  fs::create_directories(exe / "skin");
  EXPECT_EQ(ChooseSkinDirectory({exe, data}), exe);
  // Neither: the first, where the simulator reports every texture it cannot read.
  EXPECT_EQ(ChooseSkinDirectory({dir / "a", dir / "b"}), dir / "a");
}

}  // namespace
}  // namespace velmora
