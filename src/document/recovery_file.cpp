#include "document/recovery_file.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <system_error>
#include <utility>

#include "document/motion.h"
#include "document/motion_file.h"
#include "base/atomic_file.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNamePrefix = "recovery-";
constexpr std::string_view kFileEnd = ".KMO";
constexpr std::string_view kLockEnd = ".lock";
// The first line of a recovery file; the file name follows in hex, so that no character of it
// can form a key of the motion file.
constexpr std::string_view kFirstLine = "VELMORA RECOVERY ";

fs::path FileFor(const fs::path& directory, const std::string& id) {
  return directory / (std::string(kNamePrefix) + id + std::string(kFileEnd));
}

fs::path LockFor(const fs::path& directory, const std::string& id) {
  return directory / (std::string(kNamePrefix) + id + std::string(kLockEnd));
}

// The id of "recovery-<id>.KMO" or "recovery-<id>.lock"; empty for any other name.
std::string IdOf(const std::string& name) {
  if (!name.starts_with(kNamePrefix)) return std::string();
  for (std::string_view end : {kFileEnd, kLockEnd}) {
    if (name.ends_with(end) && name.size() > kNamePrefix.size() + end.size()) {
      return name.substr(kNamePrefix.size(), name.size() - kNamePrefix.size() - end.size());
    }
  }
  return std::string();
}

// An id no other copy of the program uses: random, so that not even a reused process id repeats
// it.
std::string NewId() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  std::string id;
  uint64_t bits = random();
  for (int i = 0; i < 16; ++i, bits >>= 4) id += kHex[bits & 15];
  return id;
}

std::chrono::system_clock::time_point ToSystemTime(fs::file_time_type t) {
  const auto sinceNow = t - fs::file_time_type::clock::now();
  return std::chrono::system_clock::now() +
         std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceNow);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

fs::path DefaultRecoveryDirectory() {
  // Only an absolute XDG_STATE_HOME counts; a relative one is to be ignored.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
    return fs::path(state) / "velmora";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    return fs::path(home) / ".local" / "state" / "velmora";
  }
  return fs::path();
}

std::string FormatRecoveryFile(const std::vector<Pose>& poses, const CoordinateSystem& system,
                               const std::string& fileName) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(kFirstLine);
  for (unsigned char c : fileName) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  out += "\r\n";
  out += FormatMotionFile(poses, system);
  return out;
}

std::string RecoveredFileName(std::string_view bytes) {
  if (!bytes.starts_with(kFirstLine)) return std::string();
  std::string_view hex = bytes.substr(kFirstLine.size());
  hex = hex.substr(0, hex.find_first_of("\r\n"));
  std::string name;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int high = HexValue(hex[i]);
    const int low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) return std::string();
    name += static_cast<char>(high * 16 + low);
  }
  return name;
}

// ---- Slots and orphans ----

RecoverySlot::RecoverySlot(const fs::path& directory) {
  if (directory.empty()) return;
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec) return;
  // The folder may hold the user's work: only the user may look into it.
  fs::permissions(directory, fs::perms::owner_all, fs::perm_options::replace, ec);
  for (int attempt = 0; attempt < 8 && !lock_.Held(); ++attempt) {
    const std::string id = NewId();
    if (lock_.CreateLocked(LockFor(directory, id))) {
      file_ = FileFor(directory, id);
      lockFile_ = LockFor(directory, id);
    }
  }
}

RecoverySlot::~RecoverySlot() {
  if (!lock_.Held()) return;
  std::error_code ec;
  // A recovery file that stays (an exit the user did not confirm) is offered at the next start,
  // which tells it from a running copy's by the lock, not by the lock file.
  fs::remove(lockFile_, ec);
  lock_.Release();
}

std::vector<OrphanedRecovery> FindOrphanedRecoveries(const fs::path& directory) {
  std::vector<OrphanedRecovery> found;
  if (directory.empty()) return found;
  std::map<std::string, bool> ids;
  std::error_code ec;
  for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string id = IdOf(it->path().filename().string());
    if (!id.empty()) ids[id] = true;
  }
  for (const auto& [id, unused] : ids) {
    OrphanedRecovery orphan;
    orphan.file = FileFor(directory, id);
    orphan.lockFile = LockFor(directory, id);
    std::error_code entryError;
    if (fs::exists(fs::symlink_status(orphan.lockFile, entryError))) {
      if (!orphan.lock.TryLock(orphan.lockFile)) continue;  // its copy still runs
    } else if (!orphan.lock.CreateLocked(orphan.lockFile)) {
      continue;  // another copy took it just now
    }
    const fs::file_status status = fs::symlink_status(orphan.file, entryError);
    if (!fs::is_regular_file(status)) {
      // A copy that ended without unsaved work left only its lock file.
      if (!fs::exists(status)) fs::remove(orphan.lockFile, entryError);
      continue;
    }
    const fs::file_time_type written = fs::last_write_time(orphan.file, entryError);
    if (entryError) continue;
    orphan.written = ToSystemTime(written);
    found.push_back(std::move(orphan));
  }
  std::sort(found.begin(), found.end(), [](const OrphanedRecovery& a, const OrphanedRecovery& b) {
    return a.written > b.written;
  });
  return found;
}

void DiscardRecovery(OrphanedRecovery& orphan) {
  std::error_code ec;
  fs::remove(orphan.file, ec);
  fs::remove(orphan.lockFile, ec);
  orphan.lock.Release();
}

bool AdoptRecovery(OrphanedRecovery& orphan, const RecoverySlot& slot) {
  if (!slot.Active()) return false;
  std::error_code ec;
  fs::rename(orphan.file, slot.File(), ec);
  if (ec) return false;
  fs::remove(orphan.lockFile, ec);
  orphan.lock.Release();
  return true;
}

// ---- The writer ----

RecoveryWriter::RecoveryWriter(const Motion& motion, const Geometry& geometry)
    : motion_(motion), geometry_(geometry) {}

RecoveryWriter::~RecoveryWriter() { Stop(); }

void RecoveryWriter::Start(fs::path file, std::chrono::milliseconds interval) {
  if (thread_.joinable() || file.empty()) return;
  file_ = std::move(file);
  interval_ = interval;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = false;
    running_ = true;
  }
  thread_ = std::thread([this] { Run(); });
}

void RecoveryWriter::Request(std::string fileName) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_ || stop_) return;
    pending_ = true;
    fileName_ = std::move(fileName);
  }
  wake_.notify_one();
}

void RecoveryWriter::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
}

void RecoveryWriter::RemoveFile() {
  if (file_.empty()) return;
  std::error_code ec;
  fs::remove(file_, ec);
}

bool RecoveryWriter::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, timeout, [this] { return !pending_ && !working_; });
}

uint64_t RecoveryWriter::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

void RecoveryWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  // The first write may come at once; each later one waits for the interval after the last.
  auto nextWrite = std::chrono::steady_clock::time_point{};
  for (;;) {
    wake_.wait(lock, [this] { return pending_ || stop_; });
    if (!pending_) break;  // stopping with nothing left to do
    // A Motion without unsaved changes needs no copy: removed at once, not throttled.
    if (motion_.IsModified() && !stop_ && std::chrono::steady_clock::now() < nextWrite) {
      wake_.wait_until(lock, nextWrite, [this] { return stop_; });
      continue;
    }
    pending_ = false;
    working_ = true;
    const std::string fileName = fileName_;
    lock.unlock();
    const bool wrote = motion_.IsModified();
    Follow(fileName);
    if (wrote) nextWrite = std::chrono::steady_clock::now() + interval_;
    lock.lock();
    if (wrote) ++writes_;
    working_ = false;
    if (!pending_) idle_.notify_all();
  }
  working_ = false;
  idle_.notify_all();
}

void RecoveryWriter::Follow(const std::string& fileName) {
  if (!motion_.IsModified()) {
    RemoveFile();
    return;
  }
  try {
    // The copy is taken under the Motion's lock; the file is made and written outside it.
    const std::string bytes = FormatRecoveryFile(motion_.Poses(), geometry_.Coords(), fileName);
    // A write that fails (a full disk) is tried again at the next request.
    WriteFileAtomically(file_, bytes);
  } catch (const std::bad_alloc&) {
    // Out of memory for the copy: the last file written stays.
  }
}

}  // namespace velmora
