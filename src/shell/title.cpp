#include "shell/title.h"

#include "base/string_table.h"

namespace velmora {

std::string FileNamePart(const std::string& path) {
  const auto pos = path.find_last_of("\\/");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string BuildTitle(const std::string& fileName, bool modified) {
  const std::string name = fileName.empty() ? LoadText(40010) : FileNamePart(fileName);
  std::string title = LoadText(40000) + " [ " + name + " ]" + LoadText(40011);
  if (modified) title += " *";
  return title;
}

}  // namespace velmora
