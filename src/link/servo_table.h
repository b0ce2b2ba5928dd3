#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "document/servo_port.h"

namespace velmora {

inline constexpr int kServoCount = 5;
inline constexpr int kRegisterImageSize = 60;  // registers 0x00..0x3B

// Request bits of a ServoTable entry.
enum ServoRequest : uint32_t { kSendGoal = 1, kWriteRegisters = 2 };

struct ServoEntry {
  int16_t goalPosition = 0;   // motor value to send next
  uint16_t goalTime = 0;      // travel time, 10 ms units
  int16_t presentPosition = 0;  // last value read from the servo
  uint32_t requests = 0;      // ServoRequest bits
  std::array<uint8_t, kRegisterImageSize> registerImage{};
};

// Writes servo `index` (0..4)'s seven default register bytes into `image`.
void LoadRegisterDefaults(int index, std::array<uint8_t, kRegisterImageSize>& image);

// The table shared by the ServoLink thread and everybody who asks it for something. A goal and its
// time are published together with the request bit, so the link never sends half of a request
// or loses one: every entry is read and written under one mutex.
class ServoTable final : public ServoPort {
 public:
  // Servo IDs are 1..5; other IDs are ignored (reads give a zero entry).
  void QueueGoal(int id, int16_t position, uint16_t time) override;
  ServoEntry Entry(int id) const;

  // Copies the entry and clears its SendGoal bit in one step.
  ServoEntry TakeGoal(int id);

  int16_t PresentPosition(int id) const override;
  int AxisCount() const override { return axisCount.load(); }
  void SetPresentPosition(int id, int16_t value);

  // Clears `bits` of an entry; returns the bits that were set before.
  uint32_t ClearRequests(int id, uint32_t bits);
  void SetRequests(int id, uint32_t bits);

  std::array<uint8_t, kRegisterImageSize> RegisterImage(int id) const;
  void SetRegisterImage(int id, const std::array<uint8_t, kRegisterImageSize>& image);
  void SetRegister(int id, int address, uint8_t value);

  // Puts the built-in register defaults into all five entries.
  void LoadAllRegisterDefaults();
  // Zeroes goals, times, positions and requests; keeps the register images.
  void ResetMotion();

  std::atomic<bool> connected{false};  // written by the ServoLink thread
  std::atomic<int> axisCount{3};       // written by the ServoLink thread at each connect
  std::array<std::atomic<int16_t>, kServoCount> motorCurrents{};  // mA, written by the link

 private:
  static bool Valid(int id) { return id >= 1 && id <= kServoCount; }

  mutable std::mutex mutex_;  // guards entries_
  std::array<ServoEntry, kServoCount> entries_{};
};

}  // namespace velmora
