#include "document/motion_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <deque>
#include <filesystem>
#include <random>
#include <string>

#include "geometry/coordinate_system.h"
#include "geometry/kinematics.h"
#include "support/reference_motion_format.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const CoordinateSystem kGoldenSystem{-12.5, 30.25, 90.0 / 180 * kPi, 2};

std::vector<Pose> GoldenPoses() {
  Pose a;
  a.x = 98;
  a.handWidth = 30;
  a.transitionTime = 1000;

  Pose b;
  b.interpolation = kLinear;
  b.motorValues = {-672, 1344, -424, 10, -318};
  b.x = -12.345678;
  b.y = 45.5;
  b.z = -7.25;
  b.handWidth = 12.75;
  b.arcRadius = -35.5;
  b.rotation = -90.5;
  b.arcDirection = kCounterClockwise;
  b.transitionTime = 250;
  b.excluded = {0, 1, 0, 1, 0};

  Pose c;
  c.interpolation = kArc;
  c.motorValues = {1400, -1400, 1500, -1500, 350};
  c.x = 1.0000004;
  c.y = 160.9999996;
  c.z = 35;
  c.handWidth = 40;
  c.arcRadius = 100;
  c.rotation = 359.25;
  c.transitionTime = 4294967295u;  // written as -1, as the Windows build writes it
  c.excluded = {1, 1, 1, 1, 1};
  return {a, b, c};
}

// Fields equal, reals to the six decimals the file keeps.
void ExpectSamePoses(const std::vector<Pose>& got, const std::vector<Pose>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Pose& g = got[i];
    const Pose& w = want[i];
    EXPECT_EQ(g.interpolation, w.interpolation) << i;
    EXPECT_EQ(g.motorValues, w.motorValues) << i;
    EXPECT_EQ(g.excluded, w.excluded) << i;
    EXPECT_EQ(g.transitionTime, w.transitionTime) << i;
    EXPECT_EQ(g.arcDirection, w.arcDirection) << i;
    for (auto [a, b] : {std::pair{g.x, w.x},
                        {g.y, w.y},
                        {g.z, w.z},
                        {g.rotation, w.rotation},
                        {g.handWidth, w.handWidth},
                        {g.arcRadius, w.arcRadius}}) {
      EXPECT_NEAR(a, b, 5e-7) << i;
    }
  }
}

std::string Golden() {
  return ReadBytes(std::string(VELMORA_TEST_DATA_DIR) + "/golden_motion.KMO");
}

Pose ParseOnePose(const std::string& lines) {
  const MotionFileContents f = ParseMotionFile("TYPE:0\n" + lines, 1);
  return f.poses.empty() ? Pose{} : f.poses.back();
}

TEST(MotionFileFormat, TheWrittenFileMatchesTheGoldenFileByteForByte) {
  const std::string golden = Golden();
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(FormatMotionFile(GoldenPoses(), kGoldenSystem), golden);
  EXPECT_NE(golden.find("\r\nHAND:-90.500000,12.750000f\r\n"), std::string::npos);

  const MotionFileContents read = ParseMotionFile(golden, 1);
  EXPECT_EQ(read.system, kGoldenSystem);
  ExpectSamePoses(read.poses, GoldenPoses());
}

// 10,000 random Poses, with every kind of double the fields can hold: the bytes are the ones the
// first formatter wrote, and reading them back and writing again gives the same bytes.
TEST(MotionFileFormat, RandomPosesGiveTheReferenceBytesAndRoundTrip) {
  std::mt19937_64 rng(16);
  auto anyReal = [&](bool finiteOnly) -> double {
    switch (rng() % 8) {
      case 0:  // any bit pattern: huge, tiny, subnormal, and (unless finite) inf and nan
        for (;;) {
          const double v = std::bit_cast<double>(rng());
          if (!finiteOnly || std::isfinite(v)) return v;
        }
      case 1:  // exact ties at the sixth decimal, and their neighbours
        return std::nextafter(
            static_cast<double>(static_cast<int64_t>(rng() % 200000) - 100000) / 128,
            rng() % 3 == 0 ? 1e9 : (rng() % 2 == 0 ? -1e9 : 0.0));
      case 2:
        return rng() % 2 == 0 ? -0.0 : 0.0;
      case 3:  // around the largest value with a fast path
        return std::nextafter(rng() % 2 == 0 ? 1e9 : -1e9, 0.0) * (1 + (rng() % 3) * 1e-16);
      case 4:
        return static_cast<double>(static_cast<int64_t>(rng() % 2000000001) - 1000000000) * 1e-6;
      default:
        return std::uniform_real_distribution<double>(-2000, 2000)(rng);
    }
  };
  auto anyPoses = [&](bool finiteOnly) {
    std::vector<Pose> poses(10000);
    for (Pose& p : poses) {
      p.interpolation = static_cast<int32_t>(rng());
      for (auto& m : p.motorValues) m = static_cast<int16_t>(rng());
      for (double* v : {&p.x, &p.y, &p.z, &p.handWidth, &p.arcRadius, &p.rotation}) {
        *v = anyReal(finiteOnly);
      }
      p.arcDirection = static_cast<int32_t>(rng());
      p.transitionTime = static_cast<uint32_t>(rng());
      for (auto& e : p.excluded) e = static_cast<int32_t>(rng() % 3 == 0 ? rng() : 0);
    }
    return poses;
  };
  const CoordinateSystem system{anyReal(true), anyReal(true), anyReal(true), 1};

  const std::vector<Pose> any = anyPoses(false);
  EXPECT_EQ(FormatMotionFile(any, system), testing::ReferenceMotionFile(any, system));

  const std::string text = FormatMotionFile(anyPoses(true), system);
  const MotionFileContents read = ParseMotionFile(text, 1);
  ASSERT_EQ(read.poses.size(), 10000u);
  EXPECT_EQ(FormatMotionFile(read.poses, system), text);
}

TEST(MotionFileFormat, RotationsOfTheFourBaseAnglesReadBackExactly) {
  for (double degrees : {0.0, 90.0, 180.0, 270.0}) {
    const CoordinateSystem system{0, 0, degrees / 180 * kPi, 1};
    const MotionFileContents read = ParseMotionFile(FormatMotionFile({Pose{}}, system), 3);
    EXPECT_EQ(read.system, system) << degrees;
  }
  EXPECT_EQ(ParseMotionFile("ROTATION:90.000000\n", 1).system.baseRotation, 1.5707963);
  EXPECT_EQ(ParseMotionFile("ROTATION:180.000000\n", 1).system.baseRotation, 3.1415926);
}

TEST(MotionFileReader, HeaderStartsAtTheOriginWithTheCurrentClaw) {
  EXPECT_EQ(ParseMotionFile("TYPE:0\n", 3).system, (CoordinateSystem{0, 0, 0, 3}));
  EXPECT_EQ(ParseMotionFile("HAND_POS:7\nCENTER OFFSET: 4,5\n", 3).system,
            (CoordinateSystem{0, 4, 0, 7}));  // a blank after the colon empties the first value
}

TEST(MotionFileReader, ValuesFollowTheDelimiterRules) {
  EXPECT_EQ(ParseOnePose("TIME: 5\n").transitionTime, 0u);
  EXPECT_EQ(ParseOnePose("TIME:-5\n").transitionTime, 4294967291u);
  const Pose hand = ParseOnePose("HAND: 1,2f\n");
  EXPECT_EQ(hand.rotation, 0.0);
  EXPECT_EQ(hand.handWidth, 1.0);
  EXPECT_EQ(ParseOnePose("HAND:3.5,20.000000f\r\n").handWidth, 20.0);

  const Pose degree = ParseOnePose("DEGREE:1,2,3,4,5,6\n");
  EXPECT_EQ(degree.motorValues, (std::array<int16_t, 5>{1, 2, 3, 4, 5}));
  EXPECT_EQ(ParseOnePose("DEGREE:70000,-1,,\t 32768x,4\n").motorValues,
            (std::array<int16_t, 5>{4464, -1, -32768, 4, 0}));
  EXPECT_EQ(ParseOnePose("_DISABLE:1 0 1\n").excluded, (std::array<int32_t, 5>{1, 0, 1, 0, 0}));

  // The third value of POS starts right after the delimiter that ended the second.
  const Pose spaced = ParseOnePose("POS:1, 2, 3\n");
  EXPECT_EQ(spaced.x, 1.0);
  EXPECT_EQ(spaced.y, 2.0);
  EXPECT_EQ(spaced.z, 0.0);
  EXPECT_EQ(ParseOnePose("POS:1  ,2,3\n").z, 3.0);
  EXPECT_EQ(ParseOnePose("POS:1,2\t-3e1mm\n").z, -30.0);

  const Pose arc = ParseOnePose("CIRCLUR:1,-25.5\n");
  EXPECT_EQ(arc.arcDirection, 1);
  EXPECT_EQ(arc.arcRadius, -25.5);
}

TEST(MotionFileReader, KeysArePlacedByTypeLinesAndMissingOnesGiveZero) {
  const MotionFileContents f = ParseMotionFile(
      "POS:9,9,9\n"                      // before the first TYPE: ignored
      "junk TYPE:2 TIME:77 POS:1,1,1\n"  // a TYPE line reads nothing else
      "  xxPOS:4,5,6 TIME:30\n"
      "pos:7,7,7\n"  // keys are case-sensitive
      "*No.99\n"
      "TYPE:1\n"
      "HAND:10,20f\n",
      1);
  ASSERT_EQ(f.poses.size(), 2u);
  EXPECT_EQ(f.poses[0].interpolation, 2);
  EXPECT_EQ(f.poses[0].x, 4.0);
  EXPECT_EQ(f.poses[0].z, 6.0);
  EXPECT_EQ(f.poses[0].transitionTime, 30u);
  EXPECT_EQ(f.poses[1].interpolation, 1);
  EXPECT_EQ(f.poses[1].transitionTime, 0u);  // no TIME line
  EXPECT_EQ(f.poses[1].x, 0.0);
  EXPECT_EQ(f.poses[1].rotation, 10.0);
}

TEST(MotionFileReader, ShortValueListsNeverReachBeyondTheirLine) {
  // "HAND_POS:" also holds "POS:": the claw position is read, and so is x of the latest Pose;
  // the values the line lacks leave y and z as they were.
  const MotionFileContents f =
      ParseMotionFile("TYPE:0\nPOS:1,2,3\nDEGREE:5,6\r\nHAND_POS:2\r\nTIME:8\n", 1);
  ASSERT_EQ(f.poses.size(), 1u);
  const Pose& p = f.poses[0];
  EXPECT_EQ(f.system.clawPosition, 2);
  EXPECT_EQ(p.x, 2.0);
  EXPECT_EQ(p.y, 2.0);
  EXPECT_EQ(p.z, 3.0);
  EXPECT_EQ(p.motorValues, (std::array<int16_t, 5>{5, 6, 0, 0, 0}));
  EXPECT_EQ(p.transitionTime, 8u);
  EXPECT_EQ(ParseOnePose("POS:1,2\nTIME:1\n").z, 0.0);
}

TEST(MotionFileReader, OnlyTheRealEndOfTheFileEndsTheReading) {
  // A value that runs into the end of the file ends the reading: TIME comes after POS in the
  // order of the keys, so it is not read on this last line.
  EXPECT_EQ(ParseOnePose("TIME:7 POS:5").transitionTime, 0u);
  EXPECT_EQ(ParseOnePose("TIME:7 POS:5").x, 5.0);
  EXPECT_EQ(ParseOnePose("TIME:7 POS:5\n").transitionTime, 7u);
  EXPECT_EQ(ParseOnePose("TIME:7 DEGREE:5").transitionTime, 7u);  // only ends DEGREE

  // A value ending exactly at character 1023 of a long line does not end the file.
  const std::string longLine = std::string(1018, ' ') + "POS:1" + ",2,3\n";
  const MotionFileContents f =
      ParseMotionFile("TYPE:0\n" + longLine + "TYPE:1\nTIME:5\nTYPE:2\n", 1);
  ASSERT_EQ(f.poses.size(), 3u);
  EXPECT_EQ(f.poses[0].y, 2.0);
  EXPECT_EQ(f.poses[0].z, 3.0);
  EXPECT_EQ(f.poses[1].transitionTime, 5u);

  // A NUL byte hides the rest of its line but is no end of the file either.
  const MotionFileContents nul =
      ParseMotionFile(std::string("TYPE:0\nPOS:1\0,2,3\nTIME:4\n", 24), 1);
  ASSERT_EQ(nul.poses.size(), 1u);
  EXPECT_EQ(nul.poses[0].x, 1.0);
  EXPECT_EQ(nul.poses[0].y, 0.0);
  EXPECT_EQ(nul.poses[0].transitionTime, 4u);
}

TEST(MotionFileReader, HostileInputIsReadWithoutHarm) {
  std::string junk;
  for (int i = 0; i < 200000; ++i) junk += static_cast<char>((i * 7919 + i / 13) % 256);
  const std::string inputs[] = {
      "",
      junk,
      "TYPE:0\nPOS:" + std::string(1000000, '7') + "," + std::string(1000000, ',') + "1\n",
      std::string(1000000, 'T') + "TYPE:1\n" + std::string(1000000, '\n'),
      "TYPE:99999999999999\nDEGREE:99999999999,-99999999999\nTIME:99999999999999\n"
      "CENTER OFFSET:1e999,-1e999\nHAND_POS:-99999999999\n",
      "CENTER OFFSET:nan,inf\nROTATION:-inf\nTYPE:0\nPOS:nan,-inf,infinity\nHAND:nan(1),inf\n"
      "CIRCLUR:0,nan\n",
  };
  for (const std::string& in : inputs) {
    const MotionFileContents f = ParseMotionFile(in, 1);
    EXPECT_TRUE(std::isfinite(f.system.centreOffsetX) && std::isfinite(f.system.centreOffsetY) &&
                std::isfinite(f.system.baseRotation));
    for (const Pose& p : f.poses) {
      for (double v : {p.x, p.y, p.z, p.rotation, p.handWidth, p.arcRadius}) {
        EXPECT_TRUE(std::isfinite(v));
      }
    }
  }
  EXPECT_EQ(ParseMotionFile(inputs[2], 1).poses[0].x, 0.0);  // too large for a double
  EXPECT_EQ(ParseMotionFile(inputs[2], 1).poses[0].y, 1.0);
  EXPECT_EQ(ParseMotionFile(inputs[3], 1).poses.size(), 1u);
  const MotionFileContents huge = ParseMotionFile(inputs[4], 1);
  EXPECT_EQ(huge.poses[0].interpolation, INT32_MAX);
  EXPECT_EQ(huge.poses[0].motorValues[0], -1);  // low 16 bits of the saturated value
  EXPECT_EQ(huge.system.clawPosition, INT32_MIN);
}

// ---- Reading and writing through the document ------------------------------------------------

struct RecordingSink : ChangeSink {
  void Notify(uint32_t changes) override { all |= changes; }
  uint32_t all = 0;
};

class ScriptedDialogs : public FileDialogs {
 public:
  std::optional<std::string> AskSavePath(const FileDialogRequest& r) override {
    requests.push_back(r);
    return Next();
  }
  std::optional<std::string> AskOpenPath(const FileDialogRequest& r) override {
    requests.push_back(r);
    return Next();
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogRequest> requests;

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

class MotionFileDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.sink = &sink;
    geometry.SetCoordinateSystem(kGoldenSystem.centreOffsetX, kGoldenSystem.centreOffsetY,
                                 kGoldenSystem.baseRotation);
    geometry.SetClawPosition(kGoldenSystem.clawPosition);
    NewMotion(doc, geometry, true);
  }
  // A document with edits on its history and the modified flag set.
  void EditSomething() {
    doc.motion.Replace({Pose{}, Pose{}}, 1);
    RecordStep(doc);
  }
  LoadReconcile Counting(bool accept) {
    return [this, accept](const CoordinateSystem& system, std::vector<Pose>& poses) {
      ++reconcileCalls;
      reconciledSystem = system;
      for (Pose& p : poses) p.transitionTime = 12345;
      return accept;
    };
  }

  TempDir dir;
  Geometry geometry;
  Document doc;
  RecordingSink sink;
  int reconcileCalls = 0;
  CoordinateSystem reconciledSystem;
};

TEST_F(MotionFileDocTest, SaveAndReopenInTheSameSystemGivesTheSamePoses) {
  doc.motion.Replace(GoldenPoses(), 2);
  RecordStep(doc);
  doc.fileName = (dir / "m.KMO").string();
  sink.all = 0;
  ASSERT_TRUE(WriteMotionFile(doc, geometry));
  EXPECT_FALSE(doc.motion.IsModified());
  EXPECT_TRUE(sink.all & kChangeTitle);
  EXPECT_EQ(ReadBytes(dir / "m.KMO"), Golden());

  EditSomething();
  sink.all = 0;
  ASSERT_TRUE(ReadMotionFile(doc, geometry, doc.fileName, Counting(false)));
  EXPECT_EQ(reconcileCalls, 0);
  ExpectSamePoses(doc.motion.Poses(), GoldenPoses());
  EXPECT_EQ(doc.motion.CurrentIndex(), 0u);
  EXPECT_FALSE(doc.motion.IsModified());
  EXPECT_FALSE(doc.history.CanUndo());
  EXPECT_EQ(sink.all & (kChangeMotion | kChangeCurrentPose | kChangeTitle),
            kChangeMotion | kChangeCurrentPose | kChangeTitle);
}

TEST_F(MotionFileDocTest, A270DegreeSystemSurvivesSaveAndReopen) {
  geometry.SetCoordinateSystem(0, 0, 270.0 / 180 * kPi);
  doc.fileName = (dir / "r.KMO").string();
  ASSERT_TRUE(WriteMotionFile(doc, geometry));
  ASSERT_TRUE(ReadMotionFile(doc, geometry, doc.fileName, Counting(false)));
  EXPECT_EQ(reconcileCalls, 0);
}

TEST_F(MotionFileDocTest, ADifferentHeaderGoesToTheLoadConversion) {
  std::string text = Golden();
  const std::string from = "CENTER OFFSET:-12.500000,";
  text.replace(text.find(from), from.size(), "CENTER OFFSET:-12.500001,");
  WriteBytes(dir / "other.KMO", text);

  // Refused: nothing changes, not even the history or the modified flag.
  EditSomething();
  doc.fileName = "current.KMO";
  const std::vector<Pose> before = doc.motion.Poses();
  EXPECT_FALSE(ReadMotionFile(doc, geometry, (dir / "other.KMO").string(), Counting(false)));
  EXPECT_EQ(reconcileCalls, 1);
  EXPECT_EQ(reconciledSystem, (CoordinateSystem{-12.500001, 30.25, kHalfPi, 2}));
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_EQ(doc.motion.CurrentIndex(), 1u);
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_TRUE(doc.history.CanUndo());
  EXPECT_FALSE(ReadMotionFile(doc, geometry, (dir / "other.KMO").string(), nullptr));

  // Accepted: the converted Poses are installed.
  ASSERT_TRUE(ReadMotionFile(doc, geometry, (dir / "other.KMO").string(), Counting(true)));
  ASSERT_EQ(doc.motion.Size(), 3u);
  for (const Pose& p : doc.motion.Poses()) EXPECT_EQ(p.transitionTime, 12345u);
  EXPECT_FALSE(doc.motion.IsModified());

  // A different claw position alone is a different system too.
  WriteBytes(dir / "claw.KMO", FormatMotionFile({Pose{}}, {-12.5, 30.25, kHalfPi, 3}));
  ASSERT_TRUE(ReadMotionFile(doc, geometry, (dir / "claw.KMO").string(), Counting(true)));
  EXPECT_EQ(reconcileCalls, 3);
}

TEST_F(MotionFileDocTest, UnreadableOrPoselessFilesChangeNothing) {
  EditSomething();
  const std::vector<Pose> before = doc.motion.Poses();
  WriteBytes(dir / "header.KMO", "CENTER OFFSET:-12.500000,30.250000\r\nHAND_POS:2\r\n\r\n");
  WriteBytes(dir / "empty.KMO", "");
  for (const char* name : {"header.KMO", "empty.KMO", "absent.KMO"}) {
    EXPECT_FALSE(ReadMotionFile(doc, geometry, (dir / name).string(), Counting(true))) << name;
  }
  EXPECT_FALSE(ReadMotionFile(doc, geometry, dir.path().string(), Counting(true)));
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_EQ(reconcileCalls, 0);
}

TEST_F(MotionFileDocTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
  doc.fileName = (dir / "keep.KMO").string();
  WriteBytes(doc.fileName, Golden());
  EditSomething();
  for (AtomicWriteStep step :
       {AtomicWriteStep::kCreate, AtomicWriteStep::kWrite, AtomicWriteStep::kFlush,
        AtomicWriteStep::kClose, AtomicWriteStep::kRename}) {
    EXPECT_FALSE(WriteMotionFile(doc, geometry, [step](AtomicWriteStep s) { return s == step; }));
    EXPECT_EQ(ReadBytes(doc.fileName), Golden());
    EXPECT_TRUE(doc.motion.IsModified());
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.KMO"});
  doc.fileName.clear();
  EXPECT_FALSE(WriteMotionFile(doc, geometry));
}

TEST_F(MotionFileDocTest, SaveUsesTheKnownNameOnlyWhenItsFileExists) {
  ScriptedDialogs dialogs;
  EditSomething();

  // No name yet: the dialog asks; cancelling saves nothing.
  EXPECT_FALSE(SaveMotion(doc, geometry, dialogs, "/opt/velmora/", true));
  ASSERT_EQ(dialogs.requests.size(), 1u);
  const FileDialogRequest& r = dialogs.requests[0];
  EXPECT_EQ(r.title, "モーションの保存");
  EXPECT_EQ(r.filterDescription, "KMO");
  EXPECT_EQ(r.filterPattern, "*.KMO");
  EXPECT_EQ(r.defaultExtension, "KMO");
  EXPECT_EQ(r.initialName, "");
  EXPECT_EQ(r.initialDirectory, "/opt/velmora/");
  EXPECT_TRUE(doc.motion.IsModified());

  // The chosen path becomes the file name.
  const std::string path = (dir / "chosen.KMO").string();
  dialogs.answers.push_back(path);
  EXPECT_TRUE(SaveMotion(doc, geometry, dialogs, "/opt/velmora/", true));
  EXPECT_EQ(doc.fileName, path);
  EXPECT_FALSE(doc.motion.IsModified());

  // Now the file exists: saving again asks nothing.
  EditSomething();
  EXPECT_TRUE(SaveMotion(doc, geometry, dialogs, "/opt/velmora/", true));
  EXPECT_EQ(dialogs.requests.size(), 2u);

  // "Save as" always asks, starting from the present name.
  EXPECT_FALSE(SaveMotion(doc, geometry, dialogs, "/opt/velmora/", false));
  ASSERT_EQ(dialogs.requests.size(), 3u);
  EXPECT_EQ(dialogs.requests[2].initialName, path);

  // A known name whose file has gone asks again.
  std::filesystem::remove(path);
  EXPECT_FALSE(SaveMotion(doc, geometry, dialogs, "/opt/velmora/", true));
  EXPECT_EQ(dialogs.requests.size(), 4u);
}

TEST_F(MotionFileDocTest, OpenTakesTheNameOnlyWhenReadingSucceeds) {
  ScriptedDialogs dialogs;
  doc.fileName = "before.KMO";
  EXPECT_FALSE(OpenMotion(doc, geometry, dialogs, "/d/", Counting(true)));
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].title, "モーションの読み込み");
  EXPECT_EQ(dialogs.requests[0].initialName, "before.KMO");

  WriteBytes(dir / "empty.KMO", "");
  dialogs.answers.push_back((dir / "empty.KMO").string());
  EXPECT_FALSE(OpenMotion(doc, geometry, dialogs, "/d/", Counting(true)));
  EXPECT_EQ(doc.fileName, "before.KMO");

  WriteBytes(dir / "good.KMO", Golden());
  dialogs.answers.push_back((dir / "good.KMO").string());
  EXPECT_TRUE(OpenMotion(doc, geometry, dialogs, "/d/", Counting(false)));
  EXPECT_EQ(doc.fileName, (dir / "good.KMO").string());
  EXPECT_EQ(doc.motion.Size(), 3u);
}

TEST_F(MotionFileDocTest, AFailedSaveAsKeepsTheFileNameAndSaysWhy) {
  ScriptedDialogs dialogs;
  doc.fileName = (dir / "kept.KMO").string();
  EditSomething();
  const std::string unwritable = (dir / "missing" / "x.KMO").string();
  dialogs.answers.push_back(unwritable);
  FileFailure failure;
  EXPECT_FALSE(SaveMotion(doc, geometry, dialogs, "/d/", false, &failure));
  EXPECT_EQ(doc.fileName, (dir / "kept.KMO").string());
  EXPECT_TRUE(doc.motion.IsModified());
  EXPECT_FALSE(failure.cancelled);
  EXPECT_EQ(failure.path, unwritable);
  EXPECT_EQ(SystemErrorText(failure.systemError), "No such file or directory");
}

TEST_F(MotionFileDocTest, AnOversizedFileIsRefusedBeforeItIsRead) {
  // Sparse: reading it would take seconds and gigabytes, refusing it takes neither.
  const std::string path = (dir / "huge.KMO").string();
  WriteBytes(path, "CENTER OFFSET:-12.500000,30.250000\r\nTYPE:0\r\n");
  std::filesystem::resize_file(path, kMaxMotionFileBytes + 1);
  EditSomething();
  const std::vector<Pose> before = doc.motion.Poses();
  FileFailure failure;
  EXPECT_FALSE(ReadMotionFile(doc, geometry, path, Counting(true), &failure));
  EXPECT_EQ(SystemErrorText(failure.systemError), "File too large");
  EXPECT_EQ(doc.motion.Poses(), before);
  EXPECT_TRUE(doc.motion.IsModified());

  // The same file cut down to a normal size is read.
  std::filesystem::resize_file(path, 1000);
  EXPECT_TRUE(ReadMotionFile(doc, geometry, path, Counting(true), &failure));

  // A million Poses of normal lines stay within the limit.
  Pose typical = GoldenPoses()[1];
  typical.transitionTime = 655350;
  const std::size_t block = FormatMotionFile({typical, typical}, kGoldenSystem).size() -
                            FormatMotionFile({typical}, kGoldenSystem).size();
  EXPECT_LT(FormatMotionFile({}, kGoldenSystem).size() + 1000000 * (block + 2),
            kMaxMotionFileBytes);  // +2: the longer "*No." numbers
}

TEST_F(MotionFileDocTest, AFileWithoutPosesIsReportedAsNotAMotionAndARefusalAsCancelled) {
  WriteBytes(dir / "text.KMO", "just some text\n");
  FileFailure failure;
  EXPECT_FALSE(
      ReadMotionFile(doc, geometry, (dir / "text.KMO").string(), Counting(true), &failure));
  EXPECT_FALSE(failure.cancelled);
  EXPECT_EQ(failure.systemError, 0);
  WriteBytes(dir / "other.KMO", FormatMotionFile({Pose{}}, {1, 2, 0, 1}));
  EXPECT_FALSE(
      ReadMotionFile(doc, geometry, (dir / "other.KMO").string(), Counting(false), &failure));
  EXPECT_TRUE(failure.cancelled);
}

// A comma-decimal locale, as a desktop session may set it, changes no byte and no value.
TEST(MotionFileLocale, ACommaDecimalLocaleChangesNothing) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
  }
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  const std::string written = FormatMotionFile(GoldenPoses(), kGoldenSystem);
  const MotionFileContents read = ParseMotionFile(written, 1);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(written, Golden());
  EXPECT_EQ(read.system, kGoldenSystem);
  ExpectSamePoses(read.poses, GoldenPoses());
}

}  // namespace
}  // namespace velmora
