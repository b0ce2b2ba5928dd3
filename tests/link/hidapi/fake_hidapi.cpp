#include "link/hidapi/fake_hidapi.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "link/hid_uart.h"

namespace velmora {

FakeHidDevice& FakeHidApi::AddBridge(const std::wstring& serial, uint8_t partNumber) {
  HidDeviceEntry entry;
  entry.path = "/dev/hidraw" + std::to_string(devices_.size());
  entry.vendorId = kBridgeVid;
  entry.productId = kBridgePid;
  entry.serialNumber = serial;
  entry.manufacturer = L"Silicon Labs";
  entry.product = L"CP2110 HID USB-to-UART Bridge";
  FakeHidDevice& device = AddDevice(std::move(entry));
  device.featureAnswers[0x46] = {0x46, partNumber, 0x01};
  return device;
}

FakeHidDevice& FakeHidApi::AddDevice(HidDeviceEntry entry) {
  devices_.push_back(std::make_unique<FakeHidDevice>());
  devices_.back()->entry = std::move(entry);
  return *devices_.back();
}

int FakeHidApi::OpenHandles() const {
  int open = 0;
  for (const auto& device : devices_) open += device->opens - device->closes;
  return open;
}

std::vector<HidDeviceEntry> FakeHidApi::Enumerate(uint16_t vid, uint16_t pid) {
  std::vector<HidDeviceEntry> entries;
  for (const auto& device : devices_) {
    if (device->attached && device->entry.vendorId == vid && device->entry.productId == pid) {
      entries.push_back(device->entry);
    }
  }
  return entries;
}

HidHandle* FakeHidApi::OpenPath(const std::string& path) {
  for (const auto& device : devices_) {
    if (device->attached && device->openable && device->entry.path == path) {
      ++device->opens;
      return reinterpret_cast<HidHandle*>(device.get());
    }
  }
  return nullptr;
}

void FakeHidApi::Close(HidHandle* handle) { ++Of(handle).closes; }

int FakeHidApi::Write(HidHandle* handle, const uint8_t* data, std::size_t length) {
  FakeHidDevice& device = Of(handle);
  if (device.vanished) return -1;
  clock_.Advance(device.writeDelayMs);
  device.writes.emplace_back(data, data + length);
  const std::size_t index = device.writes.size() - 1;
  return index < device.writeResults.size() ? device.writeResults[index] : static_cast<int>(length);
}

int FakeHidApi::ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length,
                            int milliseconds) {
  FakeHidDevice& device = Of(handle);
  device.readTimeouts.push_back(milliseconds);
  if (device.vanished) return -1;
  const auto wait = static_cast<uint32_t>(std::max(milliseconds, 0));
  if (device.input.empty() || device.input.front().delayMs > wait) {
    if (!device.input.empty()) device.input.front().delayMs -= wait;
    clock_.Advance(wait);
    return 0;
  }
  FakeInputReport report = std::move(device.input.front());
  device.input.pop_front();
  clock_.Advance(report.delayMs);
  if (report.vanish) {
    device.vanished = true;
    return -1;
  }
  // Like hidraw: what does not fit the caller's buffer is lost.
  const std::size_t n = std::min(length, report.bytes.size());
  std::memcpy(data, report.bytes.data(), n);
  return static_cast<int>(n);
}

int FakeHidApi::SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) {
  FakeHidDevice& device = Of(handle);
  if (device.vanished) return -1;
  device.featuresSent.emplace_back(data, data + length);
  return static_cast<int>(length);
}

int FakeHidApi::GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) {
  FakeHidDevice& device = Of(handle);
  if (device.vanished || length == 0) return -1;
  const auto answer = device.featureAnswers.find(data[0]);
  if (answer == device.featureAnswers.end()) return -1;
  const std::size_t n = std::min(length, answer->second.size());
  std::memcpy(data, answer->second.data(), n);
  return static_cast<int>(n);
}

std::wstring FakeHidApi::Error(HidHandle* handle) {
  if (handle != nullptr && Of(handle).vanished) return L"No such device";
  return L"Success";
}

FakeInputReport DataReport(std::vector<uint8_t> data, uint32_t delayMs) {
  FakeInputReport report;
  // Built in one piece: GCC 12 at -O2 misreads a push_back followed by an insert as an overflow.
  report.bytes.resize(data.size() + 1);
  report.bytes[0] = static_cast<uint8_t>(data.size());
  std::copy(data.begin(), data.end(), report.bytes.begin() + 1);
  report.delayMs = delayMs;
  return report;
}

}  // namespace velmora
