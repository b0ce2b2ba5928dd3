#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "document/document.h"
#include "document/file_dialogs.h"
#include "document/pose.h"
#include "geometry/coordinate_system.h"

namespace velmora {

// Dialog titles of the motion-file dialogs.
inline constexpr char kSaveMotionTitle[] = "モーションの保存";
inline constexpr char kOpenMotionTitle[] = "モーションの読み込み";

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

// Writes the Motion to doc.fileName through a temporary file renamed over it, so a failed save
// leaves the previous file whole. On success the modified flag is cleared; on failure it stays.
bool WriteMotionFile(Document& doc, const Geometry& geometry, const AtomicWriteFault& fault = {});

// Reads the file at `path`. When its coordinate system equals the current one exactly, its Poses
// are installed; otherwise `reconcile` decides (without one the load is refused). Installing
// replaces the Motion with the first Pose current and restarts the undo history, which clears the
// modified flag. A file that cannot be read, holds no Pose block or is refused changes nothing.
// The caller makes `path` the current file name.
bool ReadMotionFile(Document& doc, const Geometry& geometry, const std::string& path,
                    const LoadReconcile& reconcile);

// Save: with `useKnownName` and a current file name that names an existing file, writes at once;
// otherwise asks for a path (which becomes the current file name) and writes. False when the
// dialog is cancelled or writing fails.
bool SaveMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, bool useKnownName);

// Open: asks for a file and reads it; its path becomes the current file name only when reading
// succeeds. False when the dialog is cancelled or reading fails.
bool OpenMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, const LoadReconcile& reconcile);

}  // namespace velmora
