#include "base/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace velmora {

namespace {

// flock locks belong to the open file, not to the process's other descriptors of it, and the
// system drops them when the last descriptor closes: at exit, whatever ends the process.
bool LockNow(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool FileLock::TryLock(const std::filesystem::path& path) {
  Release();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  if (!LockNow(fd)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool FileLock::CreateLocked(const std::filesystem::path& path) {
  Release();
  std::filesystem::path temporary = path;
  temporary += ".new";
  const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // link, unlike rename, never replaces a lock file that another process has just made.
  const bool made = LockNow(fd) && ::link(temporary.c_str(), path.c_str()) == 0;
  ::unlink(temporary.c_str());
  if (!made) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void FileLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace velmora
