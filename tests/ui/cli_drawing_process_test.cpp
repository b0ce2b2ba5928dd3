// The drawing subcommands of the program itself: the window's SVG reader behind them, and no
// display needed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_dir.h"

namespace velmora {
namespace {

// Runs `velmora ARGS` in `dir` with no display; the exit status, with the error stream in `err`.
int RunProgram(const testing::TempDir& dir, const std::string& args, std::string& err) {
  const std::string command =
      "cd '" + dir.path().string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
      VELMORA_EXECUTABLE + "' " + args + " --settings def.ini >out.txt 2>err.txt";
  const int status = std::system(command.c_str());
  std::ostringstream text;
  text << std::ifstream(dir / "err.txt").rdbuf();
  err = text.str();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliDrawingProcess, ImportReadsAnSvgWithoutADisplayAndRefusesAHostileOne) {
  testing::TempDir dir;
  std::filesystem::copy_file(std::filesystem::path(VELMORA_TEST_DATA_DIR) / "golden_def.ini",
                             dir / "def.ini");
  std::ofstream(dir / "pic.svg")
      << "<svg xmlns='http://www.w3.org/2000/svg' width='40mm' height='30mm' viewBox='0 0 40 30'>"
         "<circle cx='15' cy='15' r='10' fill='none' stroke='black'/>"
         "<path d='M 28 5 L 38 25' stroke='black'/></svg>";
  std::ofstream(dir / "flood.svg")
      << "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a 'aaaaaaaaaa'>"
         "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]>"
         "<svg xmlns='http://www.w3.org/2000/svg'><text>&b;</text></svg>";
  std::string err;
  ASSERT_EQ(RunProgram(dir, "import pic.svg -o pic.KMO", err), 0) << err;
  EXPECT_EQ(RunProgram(dir, "check pic.KMO", err), 0) << err;

  EXPECT_EQ(RunProgram(dir, "import flood.svg -o flood.KMO", err), 2);
  EXPECT_EQ(err.rfind("velmora import: flood.svg: ", 0), 0u) << err;
  EXPECT_FALSE(std::filesystem::exists(dir / "flood.KMO"));
}

}  // namespace
}  // namespace velmora
