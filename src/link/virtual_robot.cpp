#include "link/virtual_robot.h"

namespace velmora {

VirtualRobot::VirtualRobot(Clock& clock, std::string serial, bool plugged)
    : chip_(clock, std::move(serial), plugged), bridge_(chip_, clock) {}

VirtualRobot::~VirtualRobot() = default;

int VirtualRobot::GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) {
  return bridge_.GetNumDevices(count, vid, pid);
}

int VirtualRobot::GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer,
                            std::size_t size, int code) {
  return bridge_.GetString(index, vid, pid, buffer, size, code);
}

int VirtualRobot::Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) {
  return bridge_.Open(device, index, vid, pid);
}

int VirtualRobot::Close(HidUartDevice* device) { return bridge_.Close(device); }

}  // namespace velmora
