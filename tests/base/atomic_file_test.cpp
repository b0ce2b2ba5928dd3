#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace velmora {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr AtomicWriteStep kSteps[] = {AtomicWriteStep::kCreate, AtomicWriteStep::kWrite,
                                      AtomicWriteStep::kFlush, AtomicWriteStep::kClose,
                                      AtomicWriteStep::kRename};

AtomicWriteFault FailAt(AtomicWriteStep failing) {
  return [failing](AtomicWriteStep step) { return step == failing; };
}

TEST(WriteFileAtomically, CreatesAndReplacesWithExactBytesAndLeavesNothingBehind) {
  TempDir dir;
  const auto target = dir / "a.KMO";
  const std::string first("one\r\ntwo\0three", 14);
  ASSERT_TRUE(WriteFileAtomically(target, first));
  EXPECT_EQ(ReadBytes(target), first);

  std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
  ASSERT_TRUE(WriteFileAtomically(target, "second"));
  EXPECT_EQ(ReadBytes(target), "second");
  EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_write |
                                                               std::filesystem::perms::group_read);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.KMO"});
}

TEST(WriteFileAtomically, AFailureAtAnyStepKeepsTheOldFileWhole) {
  for (AtomicWriteStep step : kSteps) {
    TempDir dir;
    const auto target = dir / "motion.KMO";
    const std::string old(5000, 'o');
    WriteBytes(target, old);
    EXPECT_FALSE(WriteFileAtomically(target, std::string(9000, 'n'), FailAt(step)))
        << static_cast<int>(step);
    EXPECT_EQ(ReadBytes(target), old) << static_cast<int>(step);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"motion.KMO"}) << static_cast<int>(step);
  }
}

TEST(WriteFileAtomically, AFailedFirstSaveCreatesNoFile) {
  for (AtomicWriteStep step : kSteps) {
    TempDir dir;
    EXPECT_FALSE(WriteFileAtomically(dir / "new.KMO", "bytes", FailAt(step)));
    EXPECT_TRUE(dir.Entries().empty()) << static_cast<int>(step);
  }
}

TEST(WriteFileAtomically, RealFailuresReportFalse) {
  TempDir dir;
  EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "x.KMO", "bytes"));
  // A folder in the way of the target cannot be replaced by a file; it stays as it was.
  std::filesystem::create_directory(dir / "taken");
  WriteBytes(dir / "taken" / "inside", "keep");
  EXPECT_FALSE(WriteFileAtomically(dir / "taken", "bytes"));
  EXPECT_EQ(ReadBytes(dir / "taken" / "inside"), "keep");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"taken"});
}

TEST(WriteFileAtomically, ASymbolicLinkStaysALinkToTheNewContents) {
  TempDir dir;
  WriteBytes(dir / "real.ini", "old");
  std::filesystem::create_symlink(dir / "real.ini", dir / "def.ini");
  ASSERT_TRUE(WriteFileAtomically(dir / "def.ini", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "def.ini"));
  EXPECT_EQ(ReadBytes(dir / "real.ini"), "new");
}

TEST(ReadWholeFile, ReadsEveryByteAndRefusesWhatIsNotAFile) {
  TempDir dir;
  std::string bytes(200000, 'x');
  bytes[100] = '\0';
  bytes[150000] = '\xff';
  WriteBytes(dir / "f", bytes);
  EXPECT_EQ(ReadWholeFile(dir / "f"), bytes);
  WriteBytes(dir / "empty", "");
  EXPECT_EQ(ReadWholeFile(dir / "empty"), std::string());
  EXPECT_FALSE(ReadWholeFile(dir / "absent"));
  EXPECT_FALSE(ReadWholeFile(dir.path()));
  EXPECT_FALSE(ReadWholeFile("/dev/zero"));  // would never end
}

}  // namespace
}  // namespace velmora
