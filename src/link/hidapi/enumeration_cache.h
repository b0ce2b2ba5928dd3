#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/hidapi/hidapi_calls.h"
#include "base/clock.h"

namespace velmora {

// Hands out hidapi's device list at a human pace. Every enumeration walks the whole HID tree of
// the system, and the idle link asks for the list several times per 16 ms poll; a list younger
// than kRefreshMs is answered from the last enumeration instead. Everything else goes straight to
// the library.
class EnumerationCache final : public HidApi {
 public:
  static constexpr uint32_t kRefreshMs = 250;

  EnumerationCache(HidApi& api, Clock& clock) : api_(api), clock_(clock) {}

  std::vector<HidDeviceEntry> Enumerate(uint16_t vid, uint16_t pid) override;
  HidHandle* OpenPath(const std::string& path) override { return api_.OpenPath(path); }
  void Close(HidHandle* handle) override { api_.Close(handle); }
  int Write(HidHandle* handle, const uint8_t* data, std::size_t length) override {
    return api_.Write(handle, data, length);
  }
  int ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length, int milliseconds) override {
    return api_.ReadTimeout(handle, data, length, milliseconds);
  }
  int SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) override {
    return api_.SendFeatureReport(handle, data, length);
  }
  int GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) override {
    return api_.GetFeatureReport(handle, data, length);
  }
  std::wstring Error(HidHandle* handle) override { return api_.Error(handle); }

 private:
  struct Listing {
    uint16_t vid = 0;
    uint16_t pid = 0;
    uint32_t takenMs = 0;
    std::vector<HidDeviceEntry> entries;
  };

  HidApi& api_;
  Clock& clock_;
  std::mutex mutex_;  // guards last_
  std::optional<Listing> last_;
};

}  // namespace velmora
