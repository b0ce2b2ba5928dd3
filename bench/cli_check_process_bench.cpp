// `velmora check` as a whole process: start-up, the settings, reading and checking the files.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "document/motion_file.h"
#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"

extern char** environ;

namespace velmora {
namespace {

// A drawing-like Motion of `count` Linear Poses of 100 ms inside the reach.
std::string MotionBytes(std::size_t count) {
  Geometry geometry;
  geometry.SetCoordinateSystem(0, 0, 0);
  const ArmGeometry g = geometry.Get();
  std::vector<Pose> poses;
  for (std::size_t i = 0; i < count; ++i) {
    Pose p;
    p.motorValues = {static_cast<int16_t>(-300 + static_cast<int>(i % 60) * 10),
                     static_cast<int16_t>(600 + static_cast<int>(i % 7) * 20), -200, 0, 0};
    UpdateCoordinates(g, p);
    p.interpolation = i == 0 ? kNone : kLinear;
    p.transitionTime = i == 0 ? 1000 : 100;
    poses.push_back(p);
  }
  return FormatMotionFile(poses, geometry.Coords());
}

int RunCheck(const std::vector<std::string>& files) {
  std::vector<std::string> args = {VELMORA_EXECUTABLE, "check"};
  args.insert(args.end(), files.begin(), files.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

struct Folder {
  Folder() {
    path = std::filesystem::temp_directory_path() /
           ("velmora_check_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
};

void BM_CheckOneMotionOf1000Poses(benchmark::State& state) {
  Folder folder;
  const std::string file = (folder.path / "big.KMO").string();
  WriteFileAtomically(file, MotionBytes(1000));
  for (auto _ : state) {
    if (RunCheck({file}) == -1) state.SkipWithError("velmora did not start");
  }
}
BENCHMARK(BM_CheckOneMotionOf1000Poses)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CheckHundredMotionsOf100Poses(benchmark::State& state) {
  Folder folder;
  std::vector<std::string> files;
  const std::string bytes = MotionBytes(100);
  for (int i = 0; i < 100; ++i) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "m" + std::to_string(i) at -O3.
    std::string name = "m";
    name += std::to_string(i);
    name += ".KMO";
    files.push_back((folder.path / name).string());
    WriteFileAtomically(files.back(), bytes);
  }
  for (auto _ : state) {
    if (RunCheck(files) == -1) state.SkipWithError("velmora did not start");
  }
}
BENCHMARK(BM_CheckHundredMotionsOf100Poses)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmora
