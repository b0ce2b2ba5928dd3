#include "link/bridge_list.h"

#include <algorithm>

#include "link/virtual_robot.h"

namespace velmora {

BridgeList::BridgeList(HidUart* hardware, VirtualRobot& virtualRobot)
    : hardware_(hardware), virtual_(virtualRobot) {}

void BridgeList::SetVirtualRobotListed(bool listed) { virtual_.SetPlugged(listed); }

bool BridgeList::IsVirtualRobotListed() const { return virtual_.IsPlugged(); }

uint32_t BridgeList::HardwareCount(uint16_t vid, uint16_t pid) {
  uint32_t count = 0;
  if (hardware_ != nullptr && hardware_->GetNumDevices(&count, vid, pid) != kHidUartSuccess) {
    count = 0;
  }
  return count;
}

int BridgeList::GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) {
  if (count == nullptr) return kHidUartInvalidParameter;
  uint32_t virtualCount = 0;
  virtual_.GetNumDevices(&virtualCount, vid, pid);
  *count = HardwareCount(vid, pid) + virtualCount;
  return kHidUartSuccess;
}

int BridgeList::GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer,
                          std::size_t size, int code) {
  const uint32_t hardware = HardwareCount(vid, pid);
  if (index < hardware) return hardware_->GetString(index, vid, pid, buffer, size, code);
  return virtual_.GetString(index - hardware, vid, pid, buffer, size, code);
}

int BridgeList::Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) {
  const uint32_t hardware = HardwareCount(vid, pid);
  if (index < hardware) return hardware_->Open(device, index, vid, pid);
  const int status = virtual_.Open(device, index - hardware, vid, pid);
  if (status == kHidUartSuccess) {
    std::lock_guard lock(mutex_);
    virtualHandles_.push_back(*device);
  }
  return status;
}

int BridgeList::Close(HidUartDevice* device) {
  {
    std::lock_guard lock(mutex_);
    auto it = std::find(virtualHandles_.begin(), virtualHandles_.end(), device);
    if (it != virtualHandles_.end()) {
      virtualHandles_.erase(it);
      return virtual_.Close(device);
    }
  }
  if (hardware_ == nullptr) return kHidUartDeviceNotFound;
  return hardware_->Close(device);
}

}  // namespace velmora
