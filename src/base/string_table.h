#pragma once

#include <string>

namespace velmora {

// The text of string `id` from the program's string table (UTF-8), or an empty text when the
// table has no such entry. The returned reference stays valid for the whole run.
const std::string& LoadText(int id);

// Texts of our own, numbered after the Windows build's 40000 to 40056.
inline constexpr int kSaveFailedText = 41000;       // a save failed; the path and reason follow
inline constexpr int kOpenFailedText = 41001;       // an open failed; the path and reason follow
inline constexpr int kNotAMotionText = 41002;       // the reason for a file without a Pose block
inline constexpr int kRestoreQuestionText = 41003;  // the recovery question, with its time

}  // namespace velmora
