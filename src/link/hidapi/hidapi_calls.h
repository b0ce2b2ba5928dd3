#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// An open hidapi device. Opaque: only the HidApi that opened it knows what it points to.
struct HidHandle;

// One entry of an enumeration, copied out of hidapi's list so that the list can be freed at once.
struct HidDeviceEntry {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::wstring serialNumber;
  std::wstring manufacturer;
  std::wstring product;
};

// The few hidapi calls the bridge code makes. The program uses the real library (HidapiLibrary);
// the tests put a scripted device behind the same calls, since no bridge is attached to the build
// machines. Return values follow hidapi: byte counts, 0 for a read that timed out, -1 for a
// failure.
class HidApi {
 public:
  virtual ~HidApi() = default;
  // hid_enumerate + copy + hid_free_enumeration.
  virtual std::vector<HidDeviceEntry> Enumerate(uint16_t vid, uint16_t pid) = 0;
  // hid_open_path; nullptr when the device cannot be opened.
  virtual HidHandle* OpenPath(const std::string& path) = 0;
  virtual void Close(HidHandle* handle) = 0;
  virtual int Write(HidHandle* handle, const uint8_t* data, std::size_t length) = 0;
  virtual int ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length,
                          int milliseconds) = 0;
  virtual int SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) = 0;
  virtual int GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) = 0;
  // hid_error: the text of the last failure on `handle` (nullptr: of the last enumerate or open).
  virtual std::wstring Error(HidHandle* handle) = 0;
};

// hidapi's wide strings as the bridge calls hand them out: 8-bit ASCII, every character outside
// ASCII (or a NUL inside the text) replaced by '?'.
inline std::string NarrowToAscii(const std::wstring& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (const wchar_t c : text) {
    const bool ascii = c > 0 && static_cast<uint32_t>(c) < 0x80;
    narrow.push_back(ascii ? static_cast<char>(c) : '?');
  }
  return narrow;
}

}  // namespace velmora
