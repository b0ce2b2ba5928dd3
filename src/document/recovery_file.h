#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "geometry/pose.h"
#include "geometry/coordinate_system.h"
#include "base/file_lock.h"

namespace velmora {

class Motion;

// The recovery copy of the Motion: while the Motion has unsaved changes, a copy of it sits in the
// user's state folder, so that a crash, a kill, a power cut or a logout loses at most the last two
// seconds of work. Each running copy of the program has its own file there; the next start offers
// the files of copies that no longer run.

// $XDG_STATE_HOME/velmora, or ~/.local/state/velmora; empty when neither can be found.
std::filesystem::path DefaultRecoveryDirectory();

// The bytes of a recovery file: a motion file, with a first line the motion file reader ignores
// (it holds no colon, so no key can match) that keeps the Motion's file name.
std::string FormatRecoveryFile(const std::vector<Pose>& poses, const CoordinateSystem& system,
                               const std::string& fileName);
// The file name a recovery file keeps; empty for an untitled Motion or a file without the line.
std::string RecoveredFileName(std::string_view bytes);

// This copy's recovery file and its claim on it: a lock file held for the whole run.
class RecoverySlot {
 public:
  // Claims a file of its own in `directory` (made when missing). Inactive when that fails.
  explicit RecoverySlot(const std::filesystem::path& directory);
  ~RecoverySlot();  // gives up the claim; the recovery file itself is left to its owner
  RecoverySlot(const RecoverySlot&) = delete;
  RecoverySlot& operator=(const RecoverySlot&) = delete;

  bool Active() const { return lock_.Held(); }
  const std::filesystem::path& File() const { return file_; }

 private:
  std::filesystem::path file_;
  std::filesystem::path lockFile_;
  FileLock lock_;
};

// A recovery file whose program no longer runs. Its lock is held while it is offered, so that a
// copy that starts at the same moment leaves it alone.
struct OrphanedRecovery {
  std::filesystem::path file;
  std::filesystem::path lockFile;
  std::chrono::system_clock::time_point written;
  FileLock lock;
};

// The recovery files in `directory` whose copy of the program no longer runs, newest first.
// Files of running copies are left alone; lock files of ended copies that left no recovery file
// are removed.
std::vector<OrphanedRecovery> FindOrphanedRecoveries(const std::filesystem::path& directory);
// Deletes the recovery file and its lock file.
void DiscardRecovery(OrphanedRecovery& orphan);
// Makes the recovery file this copy's own (it is renamed to the slot's name) and deletes its lock
// file. False when the rename failed; the file then stays where it was.
bool AdoptRecovery(OrphanedRecovery& orphan, const RecoverySlot& slot);

// Writes the recovery file on a thread of its own, never on the thread that asks. After each
// request the file follows the Motion: written (with the atomic writer, at most once per
// interval) while the Motion has unsaved changes, removed at once when it has none.
class RecoveryWriter {
 public:
  RecoveryWriter(const Motion& motion, const Geometry& geometry);
  ~RecoveryWriter();  // Stop()
  RecoveryWriter(const RecoveryWriter&) = delete;
  RecoveryWriter& operator=(const RecoveryWriter&) = delete;

  static constexpr std::chrono::milliseconds kDefaultInterval{2000};

  // Starts the thread for `file`. Without a start, requests do nothing.
  void Start(std::filesystem::path file, std::chrono::milliseconds interval = kDefaultInterval);
  // The Motion changed (an undo step, a save, a new or opened Motion); `fileName` is its file
  // name now. Any thread; never waits for a write.
  void Request(std::string fileName);
  // Carries out a waiting request, then ends and joins the thread.
  void Stop();
  // Deletes the file (after Stop).
  void RemoveFile();
  // Waits until no request waits and no write runs; false after `timeout`.
  bool WaitIdle(std::chrono::milliseconds timeout);
  // How many times the file was written.
  uint64_t Writes() const;

 private:
  void Run();
  void Follow(const std::string& fileName);

  const Motion& motion_;
  const Geometry& geometry_;
  std::filesystem::path file_;  // set before the thread starts
  std::chrono::milliseconds interval_{kDefaultInterval};
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  std::condition_variable idle_;
  bool pending_ = false;
  bool working_ = false;
  bool stop_ = false;
  bool running_ = false;  // between Start and Stop
  std::string fileName_;
  uint64_t writes_ = 0;
  std::thread thread_;  // started and joined by the owner's thread
};

}  // namespace velmora
