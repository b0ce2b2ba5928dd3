#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The steps of an atomic save, in the order they run.
enum class AtomicWriteStep {
  kCreate,       // the temporary file (unnamed where the system offers one)
  kWrite,        // the bytes into it
  kFlush,        // the temporary file's contents to the storage device
  kLink,         // an unnamed temporary file gets its name beside the target
  kClose,        // the temporary file is closed
  kRename,       // the temporary file replaces the target
  kFlushFolder,  // the folder, which now names the new file, to the storage device
};

// Lets tests see each step and make one fail as if the system had refused it: return true to
// fail `step`. A failed kWrite still puts the first half of the bytes into the temporary file, as
// a full disk would. A failed kLink makes the save go on with a named temporary file, as on a
// system without unnamed ones.
using AtomicWriteFault = std::function<bool(AtomicWriteStep step)>;

// How a file operation ended: `error` is the system's error number (errno) when it failed.
struct FileResult {
  bool ok = false;
  int error = 0;
  explicit operator bool() const { return ok; }
};

// The system's own words for an error number ("Permission denied", "No space left on device").
std::string SystemErrorText(int error);

// Pushes what the system holds in memory for an open file or folder to the storage device
// (fsync). False when the device did not take it.
bool FlushToStorage(int descriptor);

// Replaces `target` with `bytes` so that the target is either the old file, whole, or the new
// one, whole, also after a power cut: the bytes go into a temporary file in the target's folder,
// which is flushed to the storage device and then renamed over the target, and the folder is
// flushed after the rename. A target that does not exist yet is created. When the target is a
// symbolic link, the file it points to is replaced and the link kept. An existing target's
// permissions carry over to the new file; a target that exists and that its user may not write
// (a read-only file) is refused with EACCES, whoever runs the program.
//
// On Linux the temporary file is unnamed (O_TMPFILE) until it is complete, so a crash while
// writing leaves nothing behind; elsewhere it is named after the target. On any failure the
// temporary file is removed, the target is left as it was and the result holds the reason. A
// failure of the last flush (the folder) comes after the rename: the target then already holds
// the new bytes, whole, but the save is reported as failed because it may not survive a power cut.
//
// Named temporary files that an earlier crash left for this target and that are older than
// kStaleTemporaryAge are removed.
FileResult WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                               const AtomicWriteFault& fault = {});

// A named temporary file of a save this old is left over from a crash: no save takes this long
// between creating it and renaming it.
inline constexpr int kStaleTemporaryAgeSeconds = 60;

// True when `name` is one the writer gives its named temporary files for a target of the file
// name `targetName`.
bool IsTemporaryNameFor(std::string_view name, std::string_view targetName);

inline constexpr std::uintmax_t kNoSizeLimit = std::numeric_limits<std::uintmax_t>::max();

// Reads a whole regular file. None when it is not one, cannot be opened or read, is larger than
// `maxBytes` (EFBIG, found before anything is read), or does not fit in memory; `error` (if given)
// then receives the reason.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         std::uintmax_t maxBytes = kNoSizeLimit,
                                         int* error = nullptr);

}  // namespace velmora
