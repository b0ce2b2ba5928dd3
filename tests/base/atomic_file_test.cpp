#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

// `failing`, and with `named` the unnamed temporary file refused as on a system without one.
AtomicWriteFault FailAt(AtomicWriteStep failing, bool named) {
  return [failing, named](AtomicWriteStep step) {
    return step == failing || (named && step == AtomicWriteStep::kLink);
  };
}

TEST(WriteFileAtomically, AFailureAtAnyStepKeepsTheOldFileWholeAndLeavesNoTemporaryFile) {
  for (bool named : {false, true}) {
    for (AtomicWriteStep step : kSteps) {
      TempDir dir;
      const auto target = dir / "motion.KMO";
      const std::string old(5000, 'o');
      WriteBytes(target, old);
      EXPECT_FALSE(WriteFileAtomically(target, std::string(9000, 'n'), FailAt(step, named)))
          << static_cast<int>(step);
      EXPECT_EQ(ReadBytes(target), old) << static_cast<int>(step);
      EXPECT_EQ(dir.Entries(), std::vector<std::string>{"motion.KMO"}) << static_cast<int>(step);
    }
  }
}

TEST(WriteFileAtomically, AFailedFirstSaveCreatesNoFile) {
  for (AtomicWriteStep step : kSteps) {
    TempDir dir;
    EXPECT_FALSE(WriteFileAtomically(dir / "new.KMO", "bytes", FailAt(step)));
    EXPECT_TRUE(dir.Entries().empty()) << static_cast<int>(step);
  }
}

TEST(WriteFileAtomically, FlushesTheFileBeforeTheRenameAndTheFolderAfterIt) {
  TempDir dir;
  const auto target = dir / "motion.KMO";
  WriteBytes(target, "old");
  std::vector<AtomicWriteStep> steps;
  std::vector<std::vector<std::string>> seen;  // the folder at each step
  ASSERT_TRUE(WriteFileAtomically(target, "new", [&](AtomicWriteStep step) {
    steps.push_back(step);
    seen.push_back(dir.Entries());
    return false;
  }));
  EXPECT_EQ(steps, (std::vector<AtomicWriteStep>{AtomicWriteStep::kCreate, AtomicWriteStep::kWrite,
                                                 AtomicWriteStep::kFlush, AtomicWriteStep::kLink,
                                                 AtomicWriteStep::kClose, AtomicWriteStep::kRename,
                                                 AtomicWriteStep::kFlushFolder}));
  // Until it is complete and on the disk, the new file has no name that a crash could leave.
  EXPECT_EQ(seen[2], std::vector<std::string>{"motion.KMO"});
  EXPECT_EQ(seen[3], std::vector<std::string>{"motion.KMO"});
  EXPECT_EQ(seen[4].size(), 2u);  // linked under a temporary name, then renamed
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"motion.KMO"});

  // A folder that cannot be flushed fails the save: the file may not survive a power cut.
  const FileResult unflushed =
      WriteFileAtomically(target, "newer", FailAt(AtomicWriteStep::kFlushFolder));
  EXPECT_FALSE(unflushed);
  EXPECT_NE(unflushed.error, 0);
}

TEST(WriteFileAtomically, RemovesOnlyStaleTemporaryFilesOfItsOwnTarget) {
  TempDir dir;
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
  const std::vector<std::string> stale{".motion.KMO.0123456789ab.tmp",
                                       ".motion.KMO.fedcba987654.tmp"};
  const std::vector<std::string> kept{
      ".motion.KMO.00000000000f.tmp",  // fresh: another save may be writing it now
      ".other.KMO.0123456789ab.tmp",   // another target's
      ".motion.KMO.0123.tmp",          // not the writer's naming
      "motion.KMO.0123456789ab.tmp",
  };
  for (const auto& name : stale) WriteBytes(dir / name, "crash");
  for (const auto& name : kept) WriteBytes(dir / name, "keep");
  for (const auto& name : stale) std::filesystem::last_write_time(dir / name, old);
  for (std::size_t i = 1; i < kept.size(); ++i)
    std::filesystem::last_write_time(dir / kept[i], old);

  ASSERT_TRUE(WriteFileAtomically(dir / "motion.KMO", "new"));
  std::vector<std::string> expected = kept;
  expected.push_back("motion.KMO");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.Entries(), expected);
  EXPECT_TRUE(IsTemporaryNameFor(".motion.KMO.0123456789ab.tmp", "motion.KMO"));
}

TEST(WriteFileAtomically, AReadOnlyTargetIsRefusedWithItsReasonWhoeverSaves) {
  TempDir dir;
  const auto target = dir / "locked.KMO";
  WriteBytes(target, "old");
  const auto readOnly = std::filesystem::perms::owner_read | std::filesystem::perms::group_read;
  std::filesystem::permissions(target, readOnly);
  // Checked by the permission bits, not by a write that the superuser would get through.
  const FileResult refused = WriteFileAtomically(target, "new");
  EXPECT_FALSE(refused);
  EXPECT_EQ(SystemErrorText(refused.error), "Permission denied");
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(std::filesystem::status(target).permissions(), readOnly);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"locked.KMO"});
}

TEST(WriteFileAtomically, RealFailuresReportTheSystemsReason) {
  TempDir dir;
  const FileResult missing = WriteFileAtomically(dir / "missing" / "x.KMO", "bytes");
  EXPECT_FALSE(missing);
  EXPECT_EQ(SystemErrorText(missing.error), "No such file or directory");
  // A folder in the way of the target cannot be replaced by a file; it stays as it was.
  std::filesystem::create_directory(dir / "taken");
  WriteBytes(dir / "taken" / "inside", "keep");
  const FileResult folder = WriteFileAtomically(dir / "taken", "bytes");
  EXPECT_FALSE(folder);
  EXPECT_EQ(SystemErrorText(folder.error), "Is a directory");
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

  // A file over the limit is refused by its size, before a byte is read: this one is sparse, so
  // it costs neither disk nor time unless it were read.
  std::filesystem::resize_file(dir / "f", std::uintmax_t{1} << 34);
  int error = 0;
  EXPECT_FALSE(ReadWholeFile(dir / "f", std::uintmax_t{1} << 20, &error));
  EXPECT_EQ(SystemErrorText(error), "File too large");
}

}  // namespace
}  // namespace velmora
