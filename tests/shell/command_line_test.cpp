#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, OptionsFilesAndMistakes) {
  EXPECT_EQ(ParseCommandLine({}).action, Action::kRun);
  EXPECT_EQ(ParseCommandLine({"a.KMO", "--help"}).action, Action::kHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::kHelp);
  EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::kVersion);
  const CommandLine files = ParseCommandLine({"a.KMO", "--", "--help", "-"});
  EXPECT_EQ(files.action, Action::kRun);
  EXPECT_EQ(files.files, (std::vector<std::string>{"a.KMO", "--help", "-"}));
  const CommandLine wrong = ParseCommandLine({"--frobnicate"});
  EXPECT_EQ(wrong.action, Action::kError);
  EXPECT_NE(wrong.error.find("--frobnicate"), std::string::npos);
  EXPECT_EQ(VersionText(), "velmora 1.0.0.1\n");
}

TEST(CommandLine, ADisplayIsNeededOnlyForX11) {
  EXPECT_FALSE(DisplayAvailable({}));
  EXPECT_FALSE(DisplayAvailable({"xcb", "", "", false}));
  EXPECT_FALSE(
      DisplayAvailable({"xcb", "", "wayland-0", false}));  // X11 asked for: Wayland won't do
  EXPECT_TRUE(DisplayAvailable({"", ":0", "", false}));
  EXPECT_TRUE(DisplayAvailable({"", "", "wayland-0", false}));
  EXPECT_TRUE(DisplayAvailable({"offscreen", "", "", false}));
  EXPECT_TRUE(DisplayAvailable({"wayland", "", "", false}));
  EXPECT_TRUE(DisplayAvailable({"", "", "", true}));  // -platform on the command line
}

}  // namespace
}  // namespace velmora
