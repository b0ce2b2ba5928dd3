#include "link/virtual_robot.h"

#include <algorithm>
#include <cstring>

#include "link/servo_packets.h"
#include "shell/clock.h"

namespace velmora {

// A handle on the virtual bridge. It remembers the generation it was opened in, so unplugging or
// resetting the bridge kills it the way it kills a real handle.
class VirtualRobot::Device final : public HidUartDevice {
 public:
  Device(VirtualRobot& robot, uint64_t generation) : robot_(robot), generation_(generation) {}

  int Write(const uint8_t* data, std::size_t size, std::size_t* written) override {
    return robot_.DeviceWrite(generation_, data, size, written);
  }
  int Read(uint8_t* data, std::size_t size, std::size_t* read) override {
    return robot_.DeviceRead(generation_, data, size, read);
  }
  int Reset() override { return robot_.DeviceReset(generation_); }
  int GetPinConfig(HidUartPinConfig* config) override {
    return robot_.DeviceGetPinConfig(generation_, config);
  }
  int SetPinConfig(const HidUartPinConfig& config) override {
    return robot_.DeviceSetPinConfig(generation_, config);
  }

 private:
  VirtualRobot& robot_;
  const uint64_t generation_;
};

VirtualRobot::VirtualRobot(Clock& clock, std::string serial, bool plugged)
    : clock_(clock), serial_(std::move(serial)), plugged_(plugged) {
  // The bridge's factory pin configuration: TX, SUSPEND and /SUSPEND push-pull, RS-485 active
  // high.
  pins_.pins[10] = 0x02;
  pins_.pins[11] = 0x02;
  pins_.pins[12] = 0x02;
  pins_.rs485Level = 1;
}

VirtualRobot::~VirtualRobot() = default;

int VirtualRobot::GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) {
  if (count == nullptr) return kHidUartInvalidParameter;
  std::lock_guard lock(mutex_);
  *count = (plugged_ && vid == kBridgeVid && pid == kBridgePid) ? 1 : 0;
  return kHidUartSuccess;
}

int VirtualRobot::GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer,
                            std::size_t size, int code) {
  if (buffer == nullptr || size == 0) return kHidUartInvalidParameter;
  buffer[0] = '\0';
  {
    std::lock_guard lock(mutex_);
    if (!plugged_ || index != 0 || vid != kBridgeVid || pid != kBridgePid) {
      return kHidUartDeviceNotFound;
    }
  }
  std::string text;
  switch (code) {
    case kHidUartVidString:
      text = "10c4";
      break;
    case kHidUartPidString:
      text = "ea80";
      break;
    case kHidUartPathString:
      text = "virtual:" + serial_;
      break;
    case kHidUartSerialString:
      text = serial_;
      break;
    case kHidUartManufacturerString:
      text = "Velmora";
      break;
    case kHidUartProductString:
      text = "Velmora virtual robot";
      break;
    default:
      return kHidUartInvalidParameter;
  }
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return kHidUartSuccess;
}

int VirtualRobot::Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) {
  if (device == nullptr) return kHidUartInvalidParameter;
  *device = nullptr;
  std::lock_guard lock(mutex_);
  if (!plugged_ || index != 0 || vid != kBridgeVid || pid != kBridgePid) {
    return kHidUartDeviceNotFound;
  }
  if (open_) return kHidUartDeviceIoFailed;  // one handle at a time, like the real bridge
  open_ = std::make_unique<Device>(*this, generation_);
  received_.clear();  // enabling the UART purges its buffers
  *device = open_.get();
  return kHidUartSuccess;
}

int VirtualRobot::Close(HidUartDevice* device) {
  std::lock_guard lock(mutex_);
  if (device == nullptr || device != open_.get()) return kHidUartDeviceNotFound;
  open_.reset();
  received_.clear();
  return kHidUartSuccess;
}

void VirtualRobot::SetPlugged(bool plugged) {
  std::lock_guard lock(mutex_);
  if (plugged_ == plugged) return;
  plugged_ = plugged;
  if (!plugged) ++generation_;
}

bool VirtualRobot::IsPlugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

void VirtualRobot::InjectFault(VirtualFault fault, int address) {
  std::lock_guard lock(mutex_);
  faults_.push_back({fault, address});
}

void VirtualRobot::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

std::size_t VirtualRobot::PendingFaults() const {
  std::lock_guard lock(mutex_);
  return faults_.size();
}

void VirtualRobot::SetAnsweringServos(int count) {
  std::lock_guard lock(mutex_);
  bus_.SetAnsweringCount(count);
}

void VirtualRobot::SetServoSlowdown(int id, int factor) {
  std::lock_guard lock(mutex_);
  bus_.SetSlowdown(id, factor);
}

void VirtualRobot::SetReadingNoise(bool on, uint32_t seed) {
  std::lock_guard lock(mutex_);
  bus_.SetReadingNoise(on, seed);
}

int16_t VirtualRobot::PresentPosition(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.PresentPosition(id, clock_.NowMs());
}

int16_t VirtualRobot::PresentCurrent(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.PresentCurrent(id, clock_.NowMs());
}

bool VirtualRobot::TorqueOn(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.TorqueOn(id);
}

bool VirtualRobot::Moving(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.Moving(id, clock_.NowMs());
}

uint8_t VirtualRobot::Register(int id, int address) const {
  std::lock_guard lock(mutex_);
  return bus_.Register(id, address);
}

bool VirtualRobot::MoveByHand(int id, int16_t position) {
  std::lock_guard lock(mutex_);
  return bus_.MoveByHand(id, position, clock_.NowMs());
}

HidUartPinConfig VirtualRobot::PinConfig() const {
  std::lock_guard lock(mutex_);
  return pins_;
}

void VirtualRobot::RecordPackets(bool on) {
  std::lock_guard lock(mutex_);
  recording_ = on;
}

std::vector<std::vector<uint8_t>> VirtualRobot::Packets() const {
  std::lock_guard lock(mutex_);
  return packets_;
}

void VirtualRobot::ClearPackets() {
  std::lock_guard lock(mutex_);
  packets_.clear();
}

uint64_t VirtualRobot::WireBytesOut() const {
  std::lock_guard lock(mutex_);
  return wireOut_;
}

uint64_t VirtualRobot::WireBytesIn() const {
  std::lock_guard lock(mutex_);
  return wireIn_;
}

bool VirtualRobot::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_ != nullptr;
}

bool VirtualRobot::TakeFault(const uint8_t* packet, std::size_t size, bool echoFault,
                             VirtualFault& fault) {
  const bool readRequest = size >= 4 && packet[3] == kFlagsReadRequest;
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    const bool isEcho = it->fault == VirtualFault::kShortEcho ||
                        it->fault == VirtualFault::kMissingEcho ||
                        it->fault == VirtualFault::kWrongEchoByte;
    if (isEcho != echoFault || (!isEcho && !readRequest)) continue;
    if (it->address >= 0 && (size < 5 || packet[4] != it->address)) continue;
    fault = it->fault;
    faults_.erase(it);
    return true;
  }
  return false;
}

int VirtualRobot::DeviceWrite(uint64_t generation, const uint8_t* data, std::size_t size,
                              std::size_t* written) {
  if (written != nullptr) *written = 0;
  if (data == nullptr && size > 0) return kHidUartInvalidParameter;
  std::lock_guard lock(mutex_);
  if (!AliveLocked(generation)) return kHidUartWriteError;
  if (written != nullptr) *written = size;
  if (size == 0) return kHidUartSuccess;
  if (recording_) packets_.emplace_back(data, data + size);

  // What actually went over the wire, which is also what comes back as the echo.
  std::vector<uint8_t> wire(data, data + size);
  VirtualFault fault{};
  if (TakeFault(data, size, /*echoFault=*/true, fault)) {
    switch (fault) {
      case VirtualFault::kShortEcho:
        wire.pop_back();
        break;
      case VirtualFault::kMissingEcho:
        wire.clear();
        break;
      case VirtualFault::kWrongEchoByte:
        wire.back() ^= 0xFF;
        break;
      default:
        break;
    }
  }
  received_.insert(received_.end(), wire.begin(), wire.end());
  wireOut_ += wire.size();

  std::vector<uint8_t> reply;
  bus_.Receive(wire, clock_.NowMs(), reply);
  if (!reply.empty() && TakeFault(data, size, /*echoFault=*/false, fault)) {
    switch (fault) {
      case VirtualFault::kShortReply:
        reply.pop_back();
        break;
      case VirtualFault::kBadChecksum:
        reply.back() ^= 0x01;
        break;
      case VirtualFault::kStalledReply:
        reply.clear();
        break;
      default:
        break;
    }
  }
  received_.insert(received_.end(), reply.begin(), reply.end());
  wireIn_ += reply.size();
  return kHidUartSuccess;
}

int VirtualRobot::DeviceRead(uint64_t generation, uint8_t* data, std::size_t size,
                             std::size_t* read) {
  if (read != nullptr) *read = 0;
  if (data == nullptr && size > 0) return kHidUartInvalidParameter;
  std::size_t got = 0;
  {
    std::lock_guard lock(mutex_);
    if (!AliveLocked(generation)) return kHidUartReadError;
    got = std::min(size, received_.size());
    std::copy_n(received_.begin(), got, data);
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(got));
  }
  if (read != nullptr) *read = got;
  if (got == size) return kHidUartSuccess;
  // Everything the servos will send has been sent: the rest never comes, so the read waits out
  // its time-out.
  clock_.SleepMs(kReadTimeoutMs);
  return kHidUartReadTimedOut;
}

int VirtualRobot::DeviceReset(uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (!AliveLocked(generation)) return kHidUartDeviceNotFound;
  // The bridge re-enumerates; the handle is dead until it is closed and opened again.
  ++generation_;
  received_.clear();
  return kHidUartSuccess;
}

int VirtualRobot::DeviceGetPinConfig(uint64_t generation, HidUartPinConfig* config) {
  if (config == nullptr) return kHidUartInvalidParameter;
  std::lock_guard lock(mutex_);
  if (!AliveLocked(generation)) return kHidUartDeviceIoFailed;
  *config = pins_;
  return kHidUartSuccess;
}

int VirtualRobot::DeviceSetPinConfig(uint64_t generation, const HidUartPinConfig& config) {
  std::lock_guard lock(mutex_);
  if (!AliveLocked(generation)) return kHidUartDeviceIoFailed;
  pins_ = config;
  return kHidUartSuccess;
}

}  // namespace velmora
