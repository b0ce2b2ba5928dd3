#include "link/hidapi/cp2110_bridge.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "base/c_format.h"

namespace velmora {

int Cp2110Bridge::GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) {
  if (count == nullptr) return kHidUartInvalidParameter;
  *count = static_cast<uint32_t>(api_.Enumerate(vid, pid).size());
  return kHidUartSuccess;
}

int Cp2110Bridge::GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer,
                            std::size_t size, int code) {
  if (buffer == nullptr || size == 0) return kHidUartInvalidParameter;
  buffer[0] = '\0';
  const std::vector<HidDeviceEntry> entries = api_.Enumerate(vid, pid);
  if (index >= entries.size()) return kHidUartDeviceNotFound;
  const HidDeviceEntry& entry = entries[index];
  std::string text;
  switch (code) {
    case kHidUartVidString:
      text = FormatHexUpper(entry.vendorId, 4);
      break;
    case kHidUartPidString:
      text = FormatHexUpper(entry.productId, 4);
      break;
    case kHidUartPathString:
      text = NarrowToAscii(std::wstring(entry.path.begin(), entry.path.end()));
      break;
    case kHidUartSerialString:
      text = NarrowToAscii(entry.serialNumber);
      break;
    case kHidUartManufacturerString:
      text = NarrowToAscii(entry.manufacturer);
      break;
    case kHidUartProductString:
      text = NarrowToAscii(entry.product);
      break;
    default:
      return kHidUartInvalidParameter;
  }
  const std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length == text.size() ? kHidUartSuccess : kHidUartInvalidParameter;
}

int Cp2110Bridge::Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) {
  if (device == nullptr) return kHidUartInvalidParameter;
  *device = nullptr;
  const std::vector<HidDeviceEntry> entries = api_.Enumerate(vid, pid);
  if (index >= entries.size()) return kHidUartDeviceNotFound;
  // The bridge can go away (or be kept from us by permissions) between listing and opening.
  HidHandle* handle = api_.OpenPath(entries[index].path);
  if (handle == nullptr) return kHidUartDeviceNotFound;
  auto opened = std::make_unique<Cp2110Device>(api_, clock_, handle);
  const int status = opened->Start();
  if (status != kHidUartSuccess) return status;  // `opened` closes the handle
  *device = opened.get();
  std::lock_guard lock(mutex_);
  open_.push_back(std::move(opened));
  return kHidUartSuccess;
}

int Cp2110Bridge::Close(HidUartDevice* device) {
  std::unique_ptr<Cp2110Device> closing;
  {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [device](const auto& open) { return open.get() == device; });
    if (device == nullptr || it == open_.end()) return kHidUartInvalidParameter;
    closing = std::move(*it);
    open_.erase(it);
  }
  // Closed outside our lock: hid_close takes the library's lock.
  closing.reset();
  return kHidUartSuccess;
}

}  // namespace velmora
