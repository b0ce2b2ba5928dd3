#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "document/document.h"
#include "document/file_dialogs.h"
#include "geometry/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora {

// Dialog titles of the motion-file dialogs.
inline constexpr char kSaveMotionTitle[] = "モーションの保存";
inline constexpr char kOpenMotionTitle[] = "モーションの読み込み";

// The largest motion file that is read. A file of nothing but TYPE: lines makes one Pose of every
// 6 bytes, and a Pose costs about 48 times its bytes in memory; a million Poses of normal lines
// take about 180 MB.
inline constexpr std::uintmax_t kMaxMotionFileBytes = std::uintmax_t{256} << 20;

// Why a save or an open did not happen, for the message that tells the user.
struct FileFailure {
  // The user cancelled a dialog or refused the load conversion: there is nothing to report.
  bool cancelled = false;
  // The file that could not be written or read; empty when no file was chosen.
  std::string path;
  // The system's error number; 0 for a file that was read but holds no Pose block.
  int systemError = 0;
};

// A motion file as read: the coordinate system its Poses were made in and the Poses.
struct MotionFileContents {
  // Offsets in mm, rotation in radians, claw position as written (not limited).
  CoordinateSystem system;
  std::vector<Pose> poses;
};

// The bytes of a motion file: the header with the coordinate system, then one block per Pose;
// CR LF line ends, numbers in the C locale whatever the process locale is.
std::string FormatMotionFile(const std::vector<Pose>& poses, const CoordinateSystem& system);

// Reads the bytes of a motion file with every rule of the reader. The header starts as 0, 0, 0
// and `currentClawPosition`, so a file without a header matches a system at the origin. A file
// without a Pose block gives no Poses. Never fails: text that is not a motion file gives what the
// rules make of it. Reals that are not finite read as 0.
MotionFileContents ParseMotionFile(std::string_view bytes, int currentClawPosition);

// Decides what happens to Poses read from a file whose coordinate system differs from the current
// one: convert them in place (or adopt the file's system) and return true to go on installing,
// or false to abandon the load. The application passes the load conversion here.
using LoadReconcile =
    std::function<bool(const CoordinateSystem& fileSystem, std::vector<Pose>& poses)>;

// Writes the Motion to `path` through a temporary file renamed over it, so a failed save leaves
// the previous file whole. On success `path` becomes the file name and the modified flag is
// cleared; on failure nothing changes: the file name, the flag and the title stay as they were.
FileResult WriteMotionFileTo(Document& doc, const Geometry& geometry, const std::string& path,
                             const AtomicWriteFault& fault = {});
// The same to the present file name; false without one.
bool WriteMotionFile(Document& doc, const Geometry& geometry, const AtomicWriteFault& fault = {});

// Reads the file at `path`. When its coordinate system equals the current one exactly, its Poses
// are installed; otherwise `reconcile` decides (without one the load is refused). Installing
// replaces the Motion with the first Pose current and restarts the undo history, which clears the
// modified flag. A file that cannot be read, is larger than kMaxMotionFileBytes (refused before
// it is read), holds no Pose block or is refused changes nothing; `failure` then says why.
// The caller makes `path` the current file name.
bool ReadMotionFile(Document& doc, const Geometry& geometry, const std::string& path,
                    const LoadReconcile& reconcile, FileFailure* failure = nullptr);

// Reads a motion file's Poses as they are, without the coordinate-system check: for the
// recovery file, which this program wrote. None (with `failure` filled) as ReadMotionFile fails.
std::optional<MotionFileContents> ReadMotionFileContents(const std::string& path,
                                                         int currentClawPosition,
                                                         FileFailure* failure = nullptr);

// Save: with `useKnownName` and a current file name that names an existing file, writes at once;
// otherwise asks for a path and writes; the path becomes the current file name only when writing
// succeeds. False when the dialog is cancelled or writing fails; `failure` then says which.
bool SaveMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, bool useKnownName,
                FileFailure* failure = nullptr);

// Open: asks for a file and reads it; its path becomes the current file name only when reading
// succeeds. False when the dialog is cancelled or reading fails; `failure` then says which.
bool OpenMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, const LoadReconcile& reconcile,
                FileFailure* failure = nullptr);

}  // namespace velmora
