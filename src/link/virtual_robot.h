#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/hid_uart.h"
#include "link/hidapi/cp2110_bridge.h"
#include "link/hidapi/cp2110_emulator.h"

namespace velmora {

class Clock;

// A robot without a robot: the program's own CP2110 bridge code driving an emulated bridge chip
// with five simulated servos on its UART. Everything a real robot runs through runs here too,
// except the hidapi library itself, so the whole program can be tried, and tested, without a
// robot. It lists itself as one bridge with its own serial-number string. Time comes from the
// Clock: the servos move on it, and a read that cannot be satisfied waits out its time-out on it.
//
// All calls are thread-safe: the link thread does the I/O while tests (or the UI) stage faults,
// unplug it or turn the arm by hand.
class VirtualRobot final : public HidUart {
 public:
  // The read time-out of a freshly opened handle.
  static constexpr uint32_t kReadTimeoutMs = kHidUartDefaultTimeoutMs;
  static constexpr const char* kDefaultSerial = "VIRTUAL";

  explicit VirtualRobot(Clock& clock, std::string serial = kDefaultSerial, bool plugged = true);
  ~VirtualRobot() override;

  // HidUart, through the bridge code.
  int GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) override;
  int GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer, std::size_t size,
                int code) override;
  int Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) override;
  int Close(HidUartDevice* device) override;

  // USB side: unplugging kills every open handle for good; a busy bridge cannot be opened.
  void SetPlugged(bool plugged) { chip_.SetPlugged(plugged); }
  bool IsPlugged() const { return chip_.IsPlugged(); }
  // How long the bridge is off the list after a reset (Cp2110Emulator::SetReenumerationMs).
  void SetReenumerationMs(uint32_t ms) { chip_.SetReenumerationMs(ms); }
  void SetBusy(bool busy) { chip_.SetBusy(busy); }
  bool IsOpen() const { return chip_.IsOpen(); }

  // UART side: transfer faults.
  void InjectFault(VirtualFault fault, int address = -1) { chip_.InjectFault(fault, address); }
  void ClearFaults() { chip_.ClearFaults(); }
  std::size_t PendingFaults() const { return chip_.PendingFaults(); }

  // How many of IDs 1..5 answer (the rest are not on the bus).
  void SetAnsweringServos(int count) { chip_.SetAnsweringServos(count); }
  // Makes servo `id` `factor` times slower than its goal time asks (VirtualServoBus::SetSlowdown).
  void SetServoSlowdown(int id, int factor) { chip_.SetServoSlowdown(id, factor); }
  // Present Position replies off by up to one count, seeded (VirtualServoBus::SetReadingNoise).
  void SetReadingNoise(bool on, uint32_t seed = 1) { chip_.SetReadingNoise(on, seed); }

  // The simulated servos, as they are now.
  int16_t PresentPosition(int id) const { return chip_.PresentPosition(id); }
  int16_t PresentCurrent(int id) const { return chip_.PresentCurrent(id); }
  bool TorqueOn(int id) const { return chip_.TorqueOn(id); }
  bool Moving(int id) const { return chip_.Moving(id); }
  uint8_t Register(int id, int address) const { return chip_.Register(id, address); }
  // Turns servo `id` by hand, as a user does with the torque off (then the servo holds: false).
  bool MoveByHand(int id, int16_t position) { return chip_.MoveByHand(id, position); }

  HidUartPinConfig PinConfig() const { return chip_.PinConfig(); }
  int PinConfigSets() const { return chip_.PinConfigSets(); }

  // Every packet written, when recording is on (off by default: the log would grow without end).
  void RecordPackets(bool on) { chip_.RecordPackets(on); }
  std::vector<std::vector<uint8_t>> Packets() const { return chip_.Packets(); }
  void ClearPackets() { chip_.ClearPackets(); }

  // Bytes that crossed the servo wire: written by the host, and sent back by the servos (the
  // echo is the host's own bytes, so it is not counted again).
  uint64_t WireBytesOut() const { return chip_.WireBytesOut(); }
  uint64_t WireBytesIn() const { return chip_.WireBytesIn(); }

  Cp2110Emulator& Chip() { return chip_; }

 private:
  Cp2110Emulator chip_;
  Cp2110Bridge bridge_;
};

}  // namespace velmora
