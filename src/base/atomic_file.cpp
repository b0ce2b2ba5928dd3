#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace velmora {

namespace {

constexpr std::size_t kStemLimit = 100;
constexpr std::size_t kSuffixDigits = 12;
constexpr std::string_view kTemporaryEnd = ".tmp";

bool Fails(const AtomicWriteFault& fault, AtomicWriteStep step) { return fault && fault(step); }

FileResult Failed(int error) { return {false, error != 0 ? error : EIO}; }

// The target's name as the temporary names carry it, shortened so that they stay within the
// usual 255-byte limit.
std::string_view TemporaryStem(std::string_view targetName) {
  return targetName.substr(0, std::min(targetName.size(), kStemLimit));
}

// "." + the target's name + "." + 12 random hex digits + ".tmp": hidden, and a crash between
// create and rename leaves a file whose name says where it came from.
std::filesystem::path TemporaryName(const std::filesystem::path& folder,
                                    std::string_view targetName, std::mt19937_64& random) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = ".";
  name += TemporaryStem(targetName);
  name += '.';
  uint64_t bits = random();
  for (std::size_t i = 0; i < kSuffixDigits; ++i, bits >>= 4) name += kHex[bits & 15];
  name += kTemporaryEnd;
  return folder / name;
}

std::mt19937_64 SeededRandom() {
  std::random_device seed;
  return std::mt19937_64((uint64_t{seed()} << 32) ^ seed());
}

// A target given as a symbolic link keeps the link: the file behind it is replaced.
std::filesystem::path ResolveLink(const std::filesystem::path& target) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(target, ec)) return target;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

bool InGroup(gid_t gid) {
  if (getegid() == gid) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = getgroups(count, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// Whether the file's permission bits let this process's user write it: the owner's bits for its
// owner, the group's for a member, the others' for everybody else. The superuser's power to write
// anything is left out on purpose, so a file marked read-only stays so whoever saves.
bool PermissionBitsAllowWriting(const struct stat& st) {
  if (st.st_uid == geteuid()) return (st.st_mode & S_IWUSR) != 0;
  if (InGroup(st.st_gid)) return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

// Writes every byte, through partial writes and interrupted calls.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, std::min<std::size_t>(size, std::size_t{1} << 30));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Removes the named temporary files of this target that a crash left behind. A younger one may
// belong to a save that runs right now in another copy of the program, so it stays.
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::string_view targetName) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsTemporaryNameFor(it->path().filename().string(), targetName)) continue;
    std::error_code entryError;
    if (!fs::is_regular_file(fs::symlink_status(it->path(), entryError))) continue;
    const auto written = fs::last_write_time(it->path(), entryError);
    if (entryError || now - written < std::chrono::seconds(kStaleTemporaryAgeSeconds)) continue;
    fs::remove(it->path(), entryError);
  }
}

// The temporary file of one save: removed unless it has replaced the target.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { Discard(); }

  // Creates a named file beside the target that did not exist before (never truncating anybody
  // else's file). False with errno set.
  bool CreateNamed(const std::filesystem::path& folder, std::string_view targetName,
                   std::mt19937_64& random) {
    for (int attempt = 0; attempt < 16; ++attempt) {
      const std::filesystem::path candidate = TemporaryName(folder, targetName, random);
      fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        name_ = candidate;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  // Creates a file in `folder` that has no name yet. False (errno set) where the system or the
  // file system has no such files.
  bool CreateUnnamed(const std::filesystem::path& folder) {
#ifdef O_TMPFILE
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    return fd_ >= 0;
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return false;
#endif
  }

  // Gives the unnamed file a fresh temporary name beside the target. A file that is linked
  // cannot replace an existing name, so the rename still does that.
  bool Link(const std::filesystem::path& folder, std::string_view targetName,
            std::mt19937_64& random) {
#ifdef O_TMPFILE
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 16; ++attempt) {
      const std::filesystem::path candidate = TemporaryName(folder, targetName, random);
      // AT_EMPTY_PATH needs a privilege most users lack; the descriptor's entry in /proc works
      // for everyone where /proc is mounted.
      if (::linkat(fd_, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH) == 0 ||
          (errno != EEXIST &&
           ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)) {
        name_ = candidate;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
#else
    (void)folder;
    (void)targetName;
    (void)random;
    errno = EOPNOTSUPP;
    return false;
#endif
  }

  // Closes the file; it keeps its name until it is renamed or discarded. False with errno set
  // for the errors a file system only reports at the end (a lost network share).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

  // The file now stands in the target's place.
  void Renamed() { name_.clear(); }

  void Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!name_.empty()) ::unlink(name_.c_str());
    name_.clear();
  }

  int fd() const { return fd_; }
  const std::filesystem::path& name() const { return name_; }

 private:
  int fd_ = -1;
  std::filesystem::path name_;  // empty while unnamed
};

enum class Outcome { kDone, kFailed, kRetryNamed };

struct SaveAttempt {
  const std::filesystem::path& target;
  const std::filesystem::path& folder;
  std::string_view targetName;
  std::string_view bytes;
  const AtomicWriteFault& fault;
  const struct stat* existing;  // the target's status, or null when it does not exist
  std::mt19937_64& random;
};

// One try at the save with an unnamed or a named temporary file.
Outcome TrySave(const SaveAttempt& a, bool unnamed, int* error) {
  auto fail = [error](int e) {
    *error = e != 0 ? e : EIO;
    return Outcome::kFailed;
  };
  TemporaryFile file;
  if (Fails(a.fault, AtomicWriteStep::kCreate)) return fail(EIO);
  if (unnamed) {
    if (!file.CreateUnnamed(a.folder)) return Outcome::kRetryNamed;
  } else if (!file.CreateNamed(a.folder, a.targetName, a.random)) {
    return fail(errno);
  }
  if (a.existing != nullptr) ::fchmod(file.fd(), a.existing->st_mode & 07777);  // best effort

  if (Fails(a.fault, AtomicWriteStep::kWrite)) {
    WriteAll(file.fd(), a.bytes.data(), a.bytes.size() / 2);
    return fail(ENOSPC);
  }
  if (!WriteAll(file.fd(), a.bytes.data(), a.bytes.size())) return fail(errno);
  // The contents reach the disk before any name points at them, so a power cut after the rename
  // cannot leave an empty or partial file under the target's name.
  if (Fails(a.fault, AtomicWriteStep::kFlush)) return fail(EIO);
  if (!FlushToStorage(file.fd())) return fail(errno);
  if (unnamed &&
      (Fails(a.fault, AtomicWriteStep::kLink) || !file.Link(a.folder, a.targetName, a.random))) {
    return Outcome::kRetryNamed;
  }
  if (Fails(a.fault, AtomicWriteStep::kClose)) return fail(EIO);
  if (!file.Close()) return fail(errno);
  if (Fails(a.fault, AtomicWriteStep::kRename)) return fail(EIO);
  if (::rename(file.name().c_str(), a.target.c_str()) != 0) return fail(errno);
  file.Renamed();

  // The rename itself lives in the folder.
  if (Fails(a.fault, AtomicWriteStep::kFlushFolder)) return fail(EIO);
  const int folderFd = ::open(a.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return fail(errno);
  const bool flushed = FlushToStorage(folderFd);
  const int flushError = errno;
  ::close(folderFd);
  if (!flushed) return fail(flushError);
  return Outcome::kDone;
}

}  // namespace

std::string SystemErrorText(int error) { return std::generic_category().message(error); }

bool FlushToStorage(int descriptor) {
  for (;;) {
    if (::fsync(descriptor) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool IsTemporaryNameFor(std::string_view name, std::string_view targetName) {
  const std::string_view stem = TemporaryStem(targetName);
  const std::size_t length = 1 + stem.size() + 1 + kSuffixDigits + kTemporaryEnd.size();
  if (name.size() != length || name[0] != '.' || name.substr(1, stem.size()) != stem ||
      name[1 + stem.size()] != '.' || !name.ends_with(kTemporaryEnd)) {
    return false;
  }
  const std::string_view suffix = name.substr(2 + stem.size(), kSuffixDigits);
  return std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

FileResult WriteFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                               const AtomicWriteFault& fault) {
  try {
    const std::filesystem::path target = ResolveLink(requested);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string targetName = target.filename().string();

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return Failed(EISDIR);
    // A read-only file keeps its protection: the rename would replace it although nobody may
    // write it.
    if (exists && !PermissionBitsAllowWriting(existing)) return Failed(EACCES);

    RemoveStaleTemporaries(folder, targetName);

    std::mt19937_64 random = SeededRandom();
    const bool keepMode = exists && S_ISREG(existing.st_mode);
    const SaveAttempt attempt{
        target, folder, targetName, bytes, fault, keepMode ? &existing : nullptr, random};
    int error = 0;
    for (bool unnamed : {true, false}) {
      switch (TrySave(attempt, unnamed, &error)) {
        case Outcome::kDone:
          return {true, 0};
        case Outcome::kFailed:
          return Failed(error);
        case Outcome::kRetryNamed:
          break;
      }
    }
    return Failed(error);
  } catch (const std::bad_alloc&) {
    return Failed(ENOMEM);
  } catch (const std::length_error&) {
    return Failed(ENOMEM);
  }
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                                         int* error) {
  int reason = 0;
  auto fail = [&](int e) -> std::optional<std::string> {
    if (error != nullptr) *error = e != 0 ? e : EIO;
    return std::nullopt;
  };
  // Non-blocking, so that a named pipe cannot hold the open; only a regular file is read (a
  // folder cannot be, and a device or pipe may never end).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(errno);
  if (S_ISDIR(st.st_mode)) return fail(EISDIR);
  if (!S_ISREG(st.st_mode)) return fail(EINVAL);
  // Refused before a byte is read: the size alone says it is too large.
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return fail(EFBIG);
  try {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(errno);
      }
      if (n == 0) break;
      // A file that grows while it is read is held to the same limit.
      if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) return fail(EFBIG);
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  } catch (const std::bad_alloc&) {
    reason = ENOMEM;
  } catch (const std::length_error&) {
    reason = ENOMEM;
  }
  return fail(reason);
}

}  // namespace velmora
