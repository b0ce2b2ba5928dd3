#include "base/atomic_file.h"

#include <cstdio>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>

namespace velmora {

namespace {

bool Fails(const AtomicWriteFault& fault, AtomicWriteStep step) { return fault && fault(step); }

// A name beside the target that no other save uses: the target's own name (shortened, so the
// temporary name stays within the usual 255-byte limit) with a random suffix. A crash between
// create and rename leaves a file whose name says where it came from.
std::filesystem::path TemporaryName(const std::filesystem::path& target, std::mt19937_64& random) {
  std::string stem = target.filename().string();
  if (stem.size() > 100) stem.resize(100);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string suffix;
  uint64_t bits = random();
  for (int i = 0; i < 12; ++i, bits >>= 4) suffix += kHex[bits & 15];
  return target.parent_path() / ("." + stem + "." + suffix + ".tmp");
}

// Opens a new file that did not exist before ("x": never truncate somebody else's file).
std::FILE* CreateExclusive(const std::filesystem::path& target, std::filesystem::path* made) {
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::filesystem::path candidate = TemporaryName(target, random);
    if (std::FILE* f = std::fopen(candidate.string().c_str(), "wbx")) {
      *made = candidate;
      return f;
    }
  }
  return nullptr;
}

// A target given as a symbolic link keeps the link: the file behind it is replaced.
std::filesystem::path ResolveLink(const std::filesystem::path& target) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(target, ec)) return target;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& requested, std::string_view bytes,
                         const AtomicWriteFault& fault) {
  try {
    const std::filesystem::path target = ResolveLink(requested);
    std::filesystem::path temporary;
    std::FILE* f =
        Fails(fault, AtomicWriteStep::kCreate) ? nullptr : CreateExclusive(target, &temporary);
    if (f == nullptr) return false;

    auto abandon = [&](bool closed) {
      if (!closed) std::fclose(f);
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    };

    if (Fails(fault, AtomicWriteStep::kWrite)) {
      std::fwrite(bytes.data(), 1, bytes.size() / 2, f);
      return abandon(false);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) return abandon(false);
    if (Fails(fault, AtomicWriteStep::kFlush) || std::fflush(f) != 0) return abandon(false);
    // fclose reports the errors a buffered write only sees at the end (a full disk, a lost
    // network share); the file is closed either way.
    const bool closeFailed = std::fclose(f) != 0;
    if (Fails(fault, AtomicWriteStep::kClose) || closeFailed) return abandon(true);

    std::error_code ec;
    const auto status = std::filesystem::status(target, ec);
    if (!ec && std::filesystem::is_regular_file(status)) {
      std::filesystem::permissions(temporary, status.permissions(), ec);  // best effort
    }
    if (Fails(fault, AtomicWriteStep::kRename)) return abandon(true);
    std::filesystem::rename(temporary, target, ec);
    if (ec) return abandon(true);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  try {
    // Only a regular file: a folder cannot be read, and a device or pipe may never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    bool ok = true;
    for (;;) {
      const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
      bytes.append(buffer, n);
      if (n < sizeof buffer) {
        ok = std::ferror(f) == 0;
        break;
      }
    }
    std::fclose(f);
    if (!ok) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

}  // namespace velmora
