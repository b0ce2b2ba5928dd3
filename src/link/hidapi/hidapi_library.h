#pragma once

#include "link/hidapi/hidapi_calls.h"

namespace velmora {

// The real hidapi (Linux hidraw backend). Enumerate, open and close of every instance run behind
// one process-wide lock, because hidapi's enumeration and open/close are not safe to call from
// several threads at once on every platform; the library is initialised on first use.
class HidapiLibrary final : public HidApi {
 public:
  std::vector<HidDeviceEntry> Enumerate(uint16_t vid, uint16_t pid) override;
  HidHandle* OpenPath(const std::string& path) override;
  void Close(HidHandle* handle) override;
  int Write(HidHandle* handle, const uint8_t* data, std::size_t length) override;
  int ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length, int milliseconds) override;
  int SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) override;
  int GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) override;
  std::wstring Error(HidHandle* handle) override;
};

}  // namespace velmora
