#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class ControlView;

// Version information in the shape the about box reads it: string tables keyed by
// "\StringFileInfo\<lang><codepage>\<Name>" (four lower-case hex digits each) and the list of
// translations (language in the low 16 bits, code page in the high 16 bits).
struct VersionBlock {
  std::vector<uint32_t> translations;
  std::map<std::string, std::string> values;  // query path -> UTF-8 text
};

// The version information the build embeds in the program: one Japanese table, code page 1200.
const VersionBlock& EmbeddedVersionBlock();

struct VersionLookup {
  const VersionBlock* block = nullptr;
  uint32_t translation = 0;
};

// The version block with its first translation, or none when the block has no translation.
std::optional<VersionLookup> ReadVersionBlock(const VersionBlock& source);

// The text of the named value: the translation's table first, then every combination of the
// known character sets and languages; empty when none has it.
std::string VersionString(const VersionLookup& lookup, const std::string& name);

// Control numbers of the about box (108).
enum AboutControl : int {
  kAboutProductName = 1028,
  kAboutProductVersion = 1029,
  kAboutCompany = 1030,
  kAboutCopyright = 1031,
  kAboutComment = 1032,
};

// Fills the about box's texts from the version block; with no usable block the template texts
// stay as they are.
void FillAboutBox(ControlView& view, const VersionBlock& source);

}  // namespace velmora
