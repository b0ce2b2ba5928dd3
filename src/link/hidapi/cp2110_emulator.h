#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/hid_uart.h"
#include "link/hidapi/hidapi_calls.h"
#include "link/servo_packets.h"
#include "link/virtual_servo_bus.h"

namespace velmora {

class Clock;

// Transfer faults the emulated bus can stage. Each one hits the next packet it applies to (the
// echo faults any packet, the reply faults only read requests), once.
enum class VirtualFault {
  kShortEcho,      // the packet is cut off on the bus: the echo lacks its last byte
  kMissingEcho,    // the packet never reaches the bus: no echo, no reply
  kWrongEchoByte,  // a byte is garbled on the bus: the echo differs and the servos ignore it
  kShortReply,     // the reply lacks its last byte
  kBadChecksum,    // the reply's checksum byte is wrong
  kStalledReply,   // the servo never answers: the read times out
  kLateReply,      // the servo answers only after the read has given up
  kWrongHeader,    // the reply's header is garbled (its checksum still holds)
  kWrongId,        // another servo answers (its checksum still holds)
  kWrongAddress,   // the reply is for another register (its checksum still holds)
};

// A CP2110 bridge with five servos on its UART, emulated behind the hidapi calls, so that the
// program's own bridge code drives the virtual robot exactly as it drives a real one. It lists
// itself under the bridge's VID/PID with its serial string, answers the feature reports the
// bridge code uses (version, UART enable, reset, purge, pin configuration: programmable once, as
// on the chip) and carries UART data in interrupt reports of up to 63 bytes whose report ID is
// the count. The UART echoes every byte sent (the bus is half duplex) and the servos answer on
// it. A read with nothing to hand waits its time-out on the Clock.
//
// Every call is thread-safe: the link thread does the I/O while tests or the UI stage faults,
// unplug the bridge or turn the arm by hand.
class Cp2110Emulator final : public HidApi {
 public:
  // When a late reply arrives: after its read has given up, but before the link would stop
  // waiting for stragglers.
  static constexpr uint32_t kLateReplyMs = kServoReadTimeoutMs + kLateReplyGraceMs / 2;

  Cp2110Emulator(Clock& clock, std::string serial, bool plugged);
  ~Cp2110Emulator() override;
  Cp2110Emulator(const Cp2110Emulator&) = delete;
  Cp2110Emulator& operator=(const Cp2110Emulator&) = delete;

  // HidApi.
  std::vector<HidDeviceEntry> Enumerate(uint16_t vid, uint16_t pid) override;
  HidHandle* OpenPath(const std::string& path) override;
  void Close(HidHandle* handle) override;
  int Write(HidHandle* handle, const uint8_t* data, std::size_t length) override;
  int ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length, int milliseconds) override;
  int SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) override;
  int GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) override;
  std::wstring Error(HidHandle* handle) override;

  // USB side. Unplugging makes the bridge vanish from the list and every call on an open handle
  // fail; a handle opened before stays dead after it is plugged in again. A busy bridge is listed
  // but cannot be opened (another program holds it).
  void SetPlugged(bool plugged);
  bool IsPlugged() const;
  // How long the chip stays off the list after a reset, on the clock, as a real one does while
  // it re-enumerates; 0 (the default) lists it again at once.
  void SetReenumerationMs(uint32_t ms);
  void SetBusy(bool busy);
  bool IsOpen() const;

  // UART side.
  void InjectFault(VirtualFault fault, int address = -1);  // -1: whatever packet comes next
  void ClearFaults();
  std::size_t PendingFaults() const;

  // The servos behind the UART, as they are now. SetAnsweringServos(n): IDs 1..n answer.
  void SetAnsweringServos(int count);
  // Servo `id` moves `factor` times slower than its goal time asks (a deliberately slow servo).
  void SetServoSlowdown(int id, int factor);
  // Present Position replies off by up to one count, seeded, as a real servo's readings are.
  void SetReadingNoise(bool on, uint32_t seed = 1);
  int16_t PresentPosition(int id) const;
  int16_t PresentCurrent(int id) const;
  bool TorqueOn(int id) const;
  bool Moving(int id) const;
  uint8_t Register(int id, int address) const;
  bool MoveByHand(int id, int16_t position);

  HidUartPinConfig PinConfig() const;
  int PinConfigSets() const;  // Set Pin Configuration reports received, taken or not

  // Every packet sent to the UART, when recording is on (off by default).
  void RecordPackets(bool on);
  std::vector<std::vector<uint8_t>> Packets() const;
  void ClearPackets();

  // Bytes that crossed the servo wire: sent by the host, and by the servos.
  uint64_t WireBytesOut() const;
  uint64_t WireBytesIn() const;

 private:
  struct Handle;
  struct RxByte {
    uint8_t value;
    uint32_t atMs;  // when it reaches the host
  };
  struct StagedFault {
    VirtualFault fault;
    int address;
  };

  Handle* LiveLocked(HidHandle* handle) const;
  bool ListedLocked() const;
  void UartSendLocked(const uint8_t* data, std::size_t size);
  bool TakeFaultLocked(const uint8_t* packet, std::size_t size, bool echoFault,
                       VirtualFault& fault);
  void QueueLocked(const std::vector<uint8_t>& bytes, uint32_t atMs);

  Clock& clock_;
  const std::string serial_;
  const std::string path_;

  mutable std::mutex mutex_;  // guards everything below
  bool plugged_;
  bool busy_ = false;
  uint32_t reenumerationMs_ = 0;
  uint32_t backAtMs_ = 0;  // while re-enumerating after a reset: when it is listed again
  bool reenumerating_ = false;
  uint64_t generation_ = 0;  // moves on when the bridge is unplugged or reset: old handles die
  std::unique_ptr<Handle> open_;
  bool uartEnabled_ = false;
  std::deque<RxByte> rx_;        // bytes on their way to the host
  mutable VirtualServoBus bus_;  // its positions advance with the clock, even on a read
  HidUartPinConfig pins_;
  bool pinsProgrammed_ = false;
  int pinConfigSets_ = 0;
  std::vector<StagedFault> faults_;
  bool recording_ = false;
  std::vector<std::vector<uint8_t>> packets_;
  uint64_t wireOut_ = 0;
  uint64_t wireIn_ = 0;
};

}  // namespace velmora
