#include "base/string_table.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace velmora {

namespace {

struct Entry {
  int id;
  const char* text;
};

constexpr Entry kTable[] = {
#include "string_table.inc"
};

}  // namespace

const std::string& LoadText(int id) {
  // Built once, on first use; immutable afterwards, so any thread may read it.
  static const std::vector<std::pair<int, std::string>> table = [] {
    std::vector<std::pair<int, std::string>> t;
    for (const Entry& e : kTable) t.emplace_back(e.id, e.text);
    std::sort(t.begin(), t.end());
    return t;
  }();
  static const std::string empty;
  auto it = std::lower_bound(table.begin(), table.end(), id,
                             [](const auto& e, int key) { return e.first < key; });
  return (it != table.end() && it->first == id) ? it->second : empty;
}

}  // namespace velmora
