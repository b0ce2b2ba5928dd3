#include "shell/version_info.h"

#include "base/control_view.h"
#include "base/string_table.h"

namespace velmora {

namespace {

std::string Hex4(uint32_t v) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s(4, '0');
  for (int i = 3; i >= 0; --i) {
    s[static_cast<std::size_t>(i)] = kHex[v & 15];
    v >>= 4;
  }
  return s;
}

std::string QueryPath(uint32_t language, uint32_t codePage, const std::string& name) {
  return "\\StringFileInfo\\" + Hex4(language & 0xFFFF) + Hex4(codePage & 0xFFFF) + "\\" + name;
}

constexpr uint32_t kCharsets[] = {0, 932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256};

std::vector<uint32_t> Languages() {
  std::vector<uint32_t> langs;
  for (uint32_t l = 0x0401; l <= 0x0421; ++l) langs.push_back(l);
  for (uint32_t l : {0x0804u, 0x0807u, 0x0809u, 0x080Au, 0x080Cu, 0x0810u, 0x0813u, 0x0814u,
                     0x0816u, 0x081Au, 0x0C0Cu, 0x100Cu}) {
    langs.push_back(l);
  }
  return langs;
}

// printf with one "%s" of a string-table format.
std::string FormatWith(int formatId, const std::string& value) {
  std::string format = LoadText(formatId);
  const auto pos = format.find("%s");
  if (pos == std::string::npos) return format;
  return format.replace(pos, 2, value);
}

}  // namespace

const VersionBlock& EmbeddedVersionBlock() {
  static const VersionBlock block = [] {
    VersionBlock b;
    b.translations.push_back(0x0411u | (1200u << 16));
    const std::string table = "\\StringFileInfo\\041104b0\\";
    b.values[table + "ProductName"] = "Velmora";
    b.values[table + "ProductVersion"] = "1, 0, 0, 1";
    b.values[table + "FileVersion"] = "1, 0, 0, 1";
    b.values[table + "CompanyName"] = "Velmora Project";
    b.values[table + "LegalCopyright"] = "(C) 2026 Velmora Project";
    b.values[table + "Comments"] = "Release1";
    return b;
  }();
  return block;
}

std::optional<VersionLookup> ReadVersionBlock(const VersionBlock& source) {
  if (source.translations.empty()) return std::nullopt;
  return VersionLookup{&source, source.translations.front()};
}

std::string VersionString(const VersionLookup& lookup, const std::string& name) {
  const auto& values = lookup.block->values;
  auto it = values.find(QueryPath(lookup.translation & 0xFFFF, lookup.translation >> 16, name));
  if (it != values.end()) return it->second;
  static const std::vector<uint32_t> languages = Languages();
  for (uint32_t cs : kCharsets) {
    for (uint32_t lang : languages) {
      it = values.find(QueryPath(lang, cs, name));
      if (it != values.end()) return it->second;
    }
  }
  return std::string();
}

void FillAboutBox(ControlView& view, const VersionBlock& source) {
  const auto lookup = ReadVersionBlock(source);
  if (!lookup) return;
  struct Field {
    const char* name;
    int format;
    int control;
  };
  static constexpr Field kFields[] = {
      {"ProductVersion", 40006, kAboutProductVersion},
      {"ProductName", 40003, kAboutProductName},
      {"CompanyName", 40004, kAboutCompany},
      {"LegalCopyright", 40005, kAboutCopyright},
      {"Comments", 40007, kAboutComment},
  };
  for (const Field& f : kFields) {
    view.SetText(f.control, FormatWith(f.format, VersionString(*lookup, f.name)));
  }
}

}  // namespace velmora
