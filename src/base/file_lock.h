#pragma once

#include <filesystem>

namespace velmora {

// An exclusive lock on a file that the system holds for this process until it is released or the
// process ends, however it ends (a crash or SIGKILL included). Copies of the program use it to
// tell whether the owner of a file still runs.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock on the existing file `path` without waiting. False when another process holds
  // it or the file cannot be opened.
  bool TryLock(const std::filesystem::path& path);
  // Creates `path` with the lock already taken: the lock is taken under a temporary name that is
  // then linked to `path`, so no other process can find the file unlocked. False when it cannot
  // be made or `path` exists already.
  bool CreateLocked(const std::filesystem::path& path);
  bool Held() const { return fd_ >= 0; }
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace velmora
