#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "document/motion_file.h"
#include "geometry/coordinate_system.h"

namespace velmora {
namespace {

constexpr std::size_t kPoses = 100000;

// Poses with every field in use, so each line has its full length.
std::vector<Pose> ManyPoses(std::size_t count) {
  std::vector<Pose> poses(count);
  for (std::size_t i = 0; i < count; ++i) {
    Pose& p = poses[i];
    const double t = static_cast<double>(i);
    p.interpolation = static_cast<int32_t>(i % 3);
    p.motorValues = {static_cast<int16_t>(i % 1400), static_cast<int16_t>(-(i % 1300)), 424, -90,
                     -318};
    p.x = 98.123456 - t * 0.001;
    p.y = -45.5 + t * 0.0007;
    p.z = -7.25;
    p.handWidth = 21.5;
    p.arcRadius = -35.5;
    p.rotation = 180.25;
    p.arcDirection = static_cast<int32_t>(i % 2);
    p.transitionTime = 1000;
    p.excluded = {0, 1, 0, 0, 1};
  }
  return poses;
}

// A folder of its own in the system's temporary folder, removed afterwards.
struct BenchDir {
  BenchDir() {
    std::random_device seed;
    path = std::filesystem::temp_directory_path() / ("velmora-bench-" + std::to_string(seed()));
    std::filesystem::create_directories(path);
  }
  ~BenchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

const CoordinateSystem kSystem{10, -20, 1.5707963, 1};

// A Motion of kPoses Poses in the placement kSystem, named to be saved as bench.KMO in `dir`.
struct BenchMotion {
  explicit BenchMotion(const BenchDir& dir) {
    geometry.SetCoordinateSystem(kSystem.centreOffsetX, kSystem.centreOffsetY,
                                 kSystem.baseRotation);
    doc.motion.Replace(ManyPoses(kPoses), 0);
    doc.fileName = (dir.path / "bench.KMO").string();
  }
  Geometry geometry;
  Document doc;
};

void BM_FormatMotionFile(benchmark::State& state) {
  const std::vector<Pose> poses = ManyPoses(kPoses);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = FormatMotionFile(poses, kSystem);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_FormatMotionFile)->Unit(benchmark::kMillisecond);

void BM_ParseMotionFile(benchmark::State& state) {
  const std::string text = FormatMotionFile(ManyPoses(kPoses), kSystem);
  for (auto _ : state) {
    MotionFileContents f = ParseMotionFile(text, 1);
    benchmark::DoNotOptimize(f.poses.data());
  }
  state.counters["file_bytes"] = static_cast<double>(text.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseMotionFile)->Unit(benchmark::kMillisecond);

// Saving to disk: format, temporary file, rename.
void BM_WriteMotionFile(benchmark::State& state) {
  BenchDir dir;
  BenchMotion m(dir);
  for (auto _ : state) {
    if (!WriteMotionFile(m.doc, m.geometry)) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_WriteMotionFile)->Unit(benchmark::kMillisecond);

// Opening from disk: read, parse, install, restart the undo history.
void BM_ReadMotionFile(benchmark::State& state) {
  BenchDir dir;
  BenchMotion m(dir);
  if (!WriteMotionFile(m.doc, m.geometry)) state.SkipWithError("save failed");
  const LoadReconcile refuse = [](const CoordinateSystem&, std::vector<Pose>&) { return false; };
  for (auto _ : state) {
    if (!ReadMotionFile(m.doc, m.geometry, m.doc.fileName, refuse)) {
      state.SkipWithError("open failed");
    }
  }
  state.counters["poses"] = static_cast<double>(m.doc.motion.Size());
}
BENCHMARK(BM_ReadMotionFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
