#pragma once

#include <mutex>
#include <vector>

#include "link/hid_uart.h"

namespace velmora {

class VirtualRobot;

// The bridges the robot list offers: the attached hardware bridges first, in their library order,
// then the virtual robot while the user has it listed. Opens and closes go to whichever owns the
// index or the handle.
class BridgeList final : public HidUart {
 public:
  // `hardware` may be null (no bridge library on this machine).
  BridgeList(HidUart* hardware, VirtualRobot& virtualRobot);

  // Listing the virtual robot plugs it in; taking it off the list unplugs it, so a connection to
  // it ends the way a pulled cable ends one.
  void SetVirtualRobotListed(bool listed);
  bool IsVirtualRobotListed() const;

  int GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) override;
  int GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer, std::size_t size,
                int code) override;
  int Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) override;
  int Close(HidUartDevice* device) override;

 private:
  uint32_t HardwareCount(uint16_t vid, uint16_t pid);

  HidUart* hardware_;
  VirtualRobot& virtual_;
  std::mutex mutex_;                            // guards virtualHandles_
  std::vector<HidUartDevice*> virtualHandles_;  // handles opened on the virtual robot
};

}  // namespace velmora
