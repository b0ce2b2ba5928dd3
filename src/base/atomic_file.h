#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The steps of an atomic save, in the order they run.
enum class AtomicWriteStep { kCreate, kWrite, kFlush, kClose, kRename };

// Lets tests make one step fail as if the system had refused it: return true to fail `step`.
// A failed kWrite still puts the first half of the bytes into the temporary file, as a full disk
// would.
using AtomicWriteFault = std::function<bool(AtomicWriteStep step)>;

// Replaces `target` with `bytes` so that the target is either the old file, whole, or the new
// one, whole: the bytes go into a temporary file in the target's folder, which is then renamed
// over the target. A target that does not exist yet is created. On any failure the temporary
// file is removed, the target is left as it was and the result is false. When the target is a
// symbolic link, the file it points to is replaced and the link kept. An existing target's
// permissions carry over to the new file.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const AtomicWriteFault& fault = {});

// Reads a whole regular file. None when it is not one, cannot be opened or read, or does not fit
// in memory.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace velmora
