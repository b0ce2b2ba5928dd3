#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/hid_uart.h"
#include "link/virtual_servo_bus.h"

namespace velmora {

class Clock;

// Transfer faults the virtual robot can stage. Each one hits the next packet it applies to (the
// echo faults any packet, the reply faults only read requests), once.
enum class VirtualFault {
  kShortEcho,      // the packet is cut off on the bus: the echo lacks its last byte
  kMissingEcho,    // the packet never reaches the bus: no echo, no reply
  kWrongEchoByte,  // a byte is garbled on the bus: the echo differs and the servos ignore it
  kShortReply,     // the reply lacks its last byte
  kBadChecksum,    // the reply's checksum byte is wrong
  kStalledReply,   // the servo never answers: the read times out
};

// A bridge with a simulated arm behind it, so that the whole program can be tried, and tested,
// without a robot. It lists itself as one bridge with its own serial-number string, echoes every
// byte written to it and lets the five simulated servos answer. Time comes from the Clock: the
// servos move on it, and a read that cannot be satisfied waits the bridge's 1000 ms time-out on it.
//
// All calls are thread-safe: the link thread does the I/O while tests (or the UI) stage faults,
// unplug it or turn the arm by hand.
class VirtualRobot final : public HidUart {
 public:
  static constexpr uint32_t kReadTimeoutMs = 1000;
  static constexpr const char* kDefaultSerial = "VIRTUAL";

  explicit VirtualRobot(Clock& clock, std::string serial = kDefaultSerial, bool plugged = true);
  ~VirtualRobot() override;

  // HidUart.
  int GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) override;
  int GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer, std::size_t size,
                int code) override;
  int Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) override;
  int Close(HidUartDevice* device) override;

  // Unplugging makes the bridge vanish from the list and every transfer on an open handle fail;
  // a handle opened before stays dead after it is plugged in again.
  void SetPlugged(bool plugged);
  bool IsPlugged() const;

  void InjectFault(VirtualFault fault, int address = -1);  // -1: whatever packet comes next
  void ClearFaults();
  std::size_t PendingFaults() const;

  // How many of IDs 1..5 answer (the rest are not on the bus).
  void SetAnsweringServos(int count);
  // Makes servo `id` `factor` times slower than its goal time asks (VirtualServoBus::SetSlowdown).
  void SetServoSlowdown(int id, int factor);
  // Present Position replies off by up to one count, seeded (VirtualServoBus::SetReadingNoise).
  void SetReadingNoise(bool on, uint32_t seed = 1);

  // The simulated servos, as they are now.
  int16_t PresentPosition(int id) const;
  int16_t PresentCurrent(int id) const;
  bool TorqueOn(int id) const;
  bool Moving(int id) const;
  uint8_t Register(int id, int address) const;
  // Turns servo `id` by hand, as a user does with the torque off (then the servo holds: false).
  bool MoveByHand(int id, int16_t position);

  HidUartPinConfig PinConfig() const;

  // Every packet written, when recording is on (off by default: the log would grow without end).
  void RecordPackets(bool on);
  std::vector<std::vector<uint8_t>> Packets() const;
  void ClearPackets();

  // Bytes that crossed the servo wire: written by the host, and sent back by the servos (the
  // echo is the host's own bytes, so it is not counted again).
  uint64_t WireBytesOut() const;
  uint64_t WireBytesIn() const;

  bool IsOpen() const;

 private:
  class Device;
  friend class Device;

  struct StagedFault {
    VirtualFault fault;
    int address;
  };

  bool AliveLocked(uint64_t generation) const { return plugged_ && generation == generation_; }
  int DeviceWrite(uint64_t generation, const uint8_t* data, std::size_t size, std::size_t* written);
  int DeviceRead(uint64_t generation, uint8_t* data, std::size_t size, std::size_t* read);
  int DeviceReset(uint64_t generation);
  int DeviceGetPinConfig(uint64_t generation, HidUartPinConfig* config);
  int DeviceSetPinConfig(uint64_t generation, const HidUartPinConfig& config);
  // Takes the first staged fault that applies to `packet`, if any.
  bool TakeFault(const uint8_t* packet, std::size_t size, bool echoFault, VirtualFault& fault);

  Clock& clock_;
  const std::string serial_;

  mutable std::mutex mutex_;  // guards everything below
  bool plugged_;
  uint64_t generation_ = 0;  // moves on when the bridge is unplugged or reset: old handles die
  std::unique_ptr<Device> open_;
  std::deque<uint8_t> received_;  // bytes waiting for the host to read
  mutable VirtualServoBus bus_;   // its positions advance with the clock, even on a read
  HidUartPinConfig pins_;
  std::vector<StagedFault> faults_;
  bool recording_ = false;
  std::vector<std::vector<uint8_t>> packets_;
  uint64_t wireOut_ = 0;
  uint64_t wireIn_ = 0;
};

}  // namespace velmora
