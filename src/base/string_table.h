#pragma once

#include <string>

namespace velmora {

// The text of string `id` from the program's string table (UTF-8), or an empty text when the
// table has no such entry. The returned reference stays valid for the whole run.
const std::string& LoadText(int id);

}  // namespace velmora
