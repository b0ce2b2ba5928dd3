#pragma once

#include <string>

namespace velmora {

// The file name part of a path: the text after the last path separator, or the whole path.
std::string FileNamePart(const std::string& path);

// "Velmora [ name ]" followed by the notice, and " *" while the Motion has unsaved changes.
// An empty file name stands for a new, untitled Motion.
std::string BuildTitle(const std::string& fileName, bool modified);

}  // namespace velmora
