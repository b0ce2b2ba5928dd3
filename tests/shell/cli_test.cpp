// The command line's subcommands over the same core as the window.
#include "shell/cli.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/atomic_file.h"
#include "document/motion_file.h"
#include "document/pose_csv.h"
#include "link/drawing_dialog.h"
#include "shell/drawing_settings.h"
#include "shell/shell_fixture.h"
#include "support/map_view.h"
#include "support/poses.h"

namespace velmora {
namespace {

class CliTest : public testing::ShellTest {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::filesystem::path(VELMORA_TEST_DATA_DIR) / "golden_def.ini",
                               dir.path() / "def.ini");
    ShellTest::SetUp();
    io.out = [this](std::string_view t) { out += t; };
    io.err = [this](std::string_view t) { err += t; };
    io.moduleDirectory = dir.path();
    io.interrupted = &interrupted;
  }

  int Run(std::vector<std::string> args) {
    out.clear();
    err.clear();
    return RunCli(args, io);
  }

  std::string Path(const std::string& name) const { return (dir.path() / name).string(); }

  // A motion file in the settings' coordinate system.
  std::string WriteMotion(const std::string& name, const std::vector<Pose>& poses) {
    const std::string path = Path(name);
    EXPECT_TRUE(WriteFileAtomically(path, FormatMotionFile(poses, state.geometry.Coords())).ok);
    return path;
  }

  std::vector<Pose> Reachable(uint32_t time) {
    const ArmGeometry g = state.geometry.Get();
    return {testing::FromMotors(g, 0, 300, 0, 0, 0, time),
            testing::FromMotors(g, 200, 400, -200, 0, 0, time),
            testing::FromMotors(g, 400, 300, -200, 0, 0, time)};
  }

  CliIo io;
  std::atomic<bool> interrupted{false};
  std::string out, err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(CliTest, CheckReportsWhatTheWindowsMotionCheckShows) {
  app.LoadStartupState();  // the golden def.ini, as the command line reads it
  std::vector<Pose> fast = Reachable(1000);
  fast[2].transitionTime = 10;  // too fast for the servos
  const std::vector<std::string> files = {std::string(VELMORA_TEST_DATA_DIR) + "/golden_motion.KMO",
                                          WriteMotion("ok.KMO", Reachable(1000)),
                                          WriteMotion("fast.KMO", fast)};
  std::vector<std::string> args = {"check"};
  args.insert(args.end(), files.begin(), files.end());
  EXPECT_EQ(Run(args), 1);
  const std::vector<std::string> printed = Lines(out);

  // The window: each file opened, its check refreshed, the check window's lines.
  view.dialogResults[kLoadDialogId] = 1;
  std::vector<std::string> expected;
  for (const std::string& file : files) {
    ASSERT_TRUE(OpenMotionAt(app, view, file));
    app.RefreshAnalysis();
    for (const CheckLine& line : CheckLines(*state.analysis.Latest())) {
      expected.push_back("  " + line.text);
    }
  }
  std::vector<std::string> shown;
  for (const std::string& line : printed) {
    if (line.starts_with("  ") && !line.starts_with("  duration")) shown.push_back(line);
  }
  EXPECT_EQ(shown, expected) << out;
  EXPECT_GE(expected.size(), 4u);

  // The same in JSON: one object per file, the exit status of the worst.
  EXPECT_EQ(Run({"check", "--json", files[1]}), 0);
  EXPECT_NE(out.find("\"flagged\": 0"), std::string::npos) << out;
  EXPECT_NE(out.find("\"poses\": 3"), std::string::npos) << out;
}

TEST_F(CliTest, UnreadableFilesAndBadArgumentsExitWithTwoAndWriteNothing) {
  std::ofstream(Path("junk.KMO")) << "this is no motion\n";
  EXPECT_EQ(Run({"check", Path("missing.KMO")}), 2);
  EXPECT_NE(err.find(Path("missing.KMO") + ": No such file"), std::string::npos) << err;
  EXPECT_EQ(Run({"check", "--json", Path("junk.KMO")}), 2);
  EXPECT_NE(out.find("\"readable\": false"), std::string::npos);
  EXPECT_EQ(Run({"export", Path("junk.KMO"), "--svg", Path("out.svg")}), 2);
  EXPECT_FALSE(std::filesystem::exists(Path("out.svg")));
  EXPECT_EQ(Run({"check"}), 2);
  EXPECT_EQ(Run({"check", "--frobnicate", Path("junk.KMO")}), 2);
  EXPECT_EQ(Run({"play", Path("junk.KMO"), "--robot", "VIRTUAL", "--speed", "3"}), 2);
  EXPECT_EQ(Run({"check", "--settings", Path("nope.ini"), Path("junk.KMO")}), 2);
  EXPECT_EQ(Run({"check", "--help"}), 0);
  EXPECT_TRUE(out.starts_with("Usage: velmora check")) << out;

  // A bad cell in a table: its place, and no motion file.
  std::ofstream(Path("bad.csv")) << kPoseCsvHeader << "\n0,0,0,0,0,0,1,2,3,4,5,6,0,x,0,0,0,0,0\n";
  EXPECT_EQ(Run({"convert", Path("bad.csv"), "-o", Path("bad.KMO")}), 2);
  EXPECT_NE(err.find("line 2, column 14: not a number"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(Path("bad.KMO")));
}

TEST_F(CliTest, ExportedTableConvertsBackToTheSameMotion) {
  const std::string motion = WriteMotion("m.KMO", Reachable(500));
  ASSERT_EQ(Run({"export", motion, "--csv", Path("a.csv"), "--svg", Path("a.svg")}), 0) << err;
  ASSERT_EQ(Run({"convert", Path("a.csv"), "-o", Path("b.KMO")}), 0) << err;
  ASSERT_EQ(Run({"export", Path("b.KMO"), "--csv", Path("b.csv")}), 0) << err;
  EXPECT_EQ(ReadWholeFile(Path("a.csv")), ReadWholeFile(Path("b.csv")));
  EXPECT_EQ(ReadWholeFile(motion), ReadWholeFile(Path("b.KMO")));
  const std::optional<std::string> svg = ReadWholeFile(Path("a.svg"));
  ASSERT_TRUE(svg);
  EXPECT_NE(svg->find("<g id=\"pen-up\""), std::string::npos);
}

TEST_F(CliTest, PlayOnTheVirtualRobotReportsTheDistanceFromThePlan) {
  const std::string motion = WriteMotion("m.KMO", Reachable(400));
  ASSERT_EQ(Run({"play", motion, "--robot", "VIRTUAL", "--speed", "2", "--from", "2"}), 0) << err;
  EXPECT_NE(out.find("pose 2/3"), std::string::npos) << out;
  const std::size_t at = out.find("largest distance between measured and planned: ");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_LT(std::stod(out.substr(at + 48)), 1.0) << out;
}

TEST_F(CliTest, InterruptedPlaybackStopsWithStatus130) {
  const std::string motion = WriteMotion("m.KMO", Reachable(20000));
  std::thread stopper([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    interrupted.store(true);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run({"play", motion, "--robot", "VIRTUAL"}), 130);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_NE(err.find("stopped; the motors are off"), std::string::npos) << err;
}

TEST_F(CliTest, RecordWritesWhatTheVirtualArmDidUntilInterrupted) {
  std::thread stopper([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    interrupted.store(true);
  });
  EXPECT_EQ(Run({"record", "--robot", "VIRTUAL", "-o", Path("r.KMO"), "--interval", "100"}), 0)
      << err;
  stopper.join();
  const std::optional<MotionFileContents> read = ReadMotionFileContents(Path("r.KMO"), 2);
  ASSERT_TRUE(read);
  EXPECT_GE(read->poses.size(), 3u);
  EXPECT_EQ(read->poses.back().transitionTime, 100u);
}

// A drawing as the SVG reader hands it over: a circle of radius r as four cubics and a line.
Drawing CircleAndLine(double r) {
  const double k = 0.5522847498 * r;
  Stroke circle;
  circle.start = {r, 0};
  const DrawingPoint c[4][3] = {{{r, k}, {k, r}, {0, r}},
                                {{-k, r}, {-r, k}, {-r, 0}},
                                {{-r, -k}, {-k, -r}, {0, -r}},
                                {{k, -r}, {r, -k}, {r, 0}}};
  for (const auto& q : c) circle.segments.push_back({DrawingSegment::kCubic, q[0], q[1], q[2]});
  Stroke line;
  line.start = {-r, r + 5};
  line.segments.push_back({DrawingSegment::kLine, {}, {}, {r, r + 5}});
  return Drawing{{circle, line}};
}

TEST_F(CliTest, ImportWritesWhatTheDrawingDialogInsertsIntoANewMotion) {
  app.LoadStartupState();
  const Drawing drawing = CircleAndLine(15);
  io.readDrawing = [&](const std::string& path) {
    if (path == "pic.svg") return CliDrawingRead{true, "", drawing};
    return CliDrawingRead{false, "cannot be opened", {}};
  };
  const std::string written = Path("pic.KMO");
  ASSERT_EQ(Run({"import", "pic.svg", "-o", written}), 0) << err;

  // The dialog on the same drawing, opened on a new Motion, inserts after its one Pose.
  testing::MapView dialogView;
  const Pose from = *state.document.motion.PoseAt(state.document.motion.CurrentIndex());
  DrawingDialog dialog(dialogView, state.geometry.Get(), DrawingSource{drawing, {}, {}},
                       CurrentDrawingOptions(state), from);
  dialog.OnInit();
  ASSERT_TRUE(dialog.Valid());
  std::vector<Pose> expected{from};
  expected.insert(expected.end(), dialog.Plan().poses.begin(), dialog.Plan().poses.end());
  std::ostringstream file;
  file << std::ifstream(written, std::ios::binary).rdbuf();
  EXPECT_EQ(file.str(), FormatMotionFile(expected, state.geometry.Coords()));
  EXPECT_EQ(out.substr(0, out.find('\n')),
            written + ": " + DrawingSummaryText(dialog.Plan().summary));
  EXPECT_EQ(Run({"check", written}), 0) << out;

  // Too large for the reach at the width asked for: refused with the count, nothing written.
  const std::string large = Path("large.KMO");
  EXPECT_EQ(Run({"import", "pic.svg", "--width", "300", "-o", large}), 1);
  EXPECT_NE(err.find("strokes leave the arm's reach"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(large));
  // --fit finds a size that fits there.
  EXPECT_EQ(Run({"import", "pic.svg", "--fit", "--x", "0", "-o", large}), 0) << err;

  // An unreadable file and a bad option: status 2, the file named, nothing written.
  const std::string none = Path("none.KMO");
  EXPECT_EQ(Run({"import", "missing.svg", "-o", none}), 2);
  EXPECT_EQ(err, "velmora import: missing.svg: cannot be opened\n");
  EXPECT_EQ(Run({"import", "pic.svg", "--tolerance", "5", "-o", none}), 2);
  EXPECT_FALSE(std::filesystem::exists(none));
}

TEST_F(CliTest, TextNamesTheCharactersTheFontLacksAndDrawsTheRest) {
  if (AvailableFonts().empty()) GTEST_SKIP() << "hershey-fonts-data is not installed";
  const std::string written = Path("text.KMO");
  ASSERT_EQ(Run({"text", "Café", "--height", "8", "--align", "center", "-o", written}), 0) << err;
  EXPECT_EQ(err, "velmora text: the font futural lacks é (left as gaps)\n");
  EXPECT_NE(out.find("width "), std::string::npos);
  EXPECT_EQ(Run({"check", written}), 0) << out;

  EXPECT_EQ(Run({"text", "Hi", "--font", "nosuch", "-o", Path("x.KMO")}), 2);
  EXPECT_NE(err.find("futural"), std::string::npos);
  EXPECT_EQ(Run({"text", "Hi", "--height", "200", "-o", Path("x.KMO")}), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("x.KMO")));
}

}  // namespace
}  // namespace velmora
