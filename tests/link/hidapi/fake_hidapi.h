#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "link/hidapi/hidapi_calls.h"

namespace velmora {

// One interrupt IN report as the library hands it over: `bytes` is what lands in the caller's
// buffer and its length is the return value. It arrives `delayMs` after the read asks for it.
struct FakeInputReport {
  std::vector<uint8_t> bytes;
  uint32_t delayMs = 0;
  bool vanish = false;  // instead of arriving, the device is unplugged at this point
};

// A scripted bridge behind the hidapi calls: reports in, recorded reports out.
struct FakeHidDevice {
  HidDeviceEntry entry;
  bool attached = true;   // listed by Enumerate
  bool openable = true;   // false: hid_open_path fails (no permission, or gone meanwhile)
  bool vanished = false;  // every call on an open handle fails, as after unplugging
  std::deque<FakeInputReport> input;
  std::vector<std::vector<uint8_t>> writes;        // every hid_write buffer
  std::vector<int> writeResults;                   // results of successive writes (default: all)
  uint32_t writeDelayMs = 0;                       // time each hid_write takes
  std::vector<std::vector<uint8_t>> featuresSent;  // every hid_send_feature_report buffer
  // Answers to hid_get_feature_report by report ID: the bytes returned (length = return value).
  std::map<uint8_t, std::vector<uint8_t>> featureAnswers;
  std::vector<int> readTimeouts;  // the milliseconds of every hid_read_timeout
  int opens = 0;
  int closes = 0;
};

class FakeHidApi final : public HidApi {
 public:
  explicit FakeHidApi(FakeClock& clock) : clock_(clock) {}

  // A CP2110 with the given serial number; Get Version answers with `partNumber`.
  FakeHidDevice& AddBridge(const std::wstring& serial, uint8_t partNumber = 0x0A);
  FakeHidDevice& AddDevice(HidDeviceEntry entry);
  FakeHidDevice& device(std::size_t i) { return *devices_[i]; }
  int OpenHandles() const;

  std::vector<HidDeviceEntry> Enumerate(uint16_t vid, uint16_t pid) override;
  HidHandle* OpenPath(const std::string& path) override;
  void Close(HidHandle* handle) override;
  int Write(HidHandle* handle, const uint8_t* data, std::size_t length) override;
  int ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length, int milliseconds) override;
  int SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) override;
  int GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) override;
  std::wstring Error(HidHandle* handle) override;

 private:
  static FakeHidDevice& Of(HidHandle* handle) { return *reinterpret_cast<FakeHidDevice*>(handle); }

  FakeClock& clock_;
  std::vector<std::unique_ptr<FakeHidDevice>> devices_;
};

// A data report as hidraw returns it: the count, then the bytes (1 + N bytes long).
FakeInputReport DataReport(std::vector<uint8_t> data, uint32_t delayMs = 0);

}  // namespace velmora
