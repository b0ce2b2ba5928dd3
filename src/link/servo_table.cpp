#include "link/servo_table.h"

namespace velmora {

namespace {

// Built-in defaults of registers 0x18..0x1D and 0x23 for ID1..ID5.
constexpr uint8_t kDefaults[kServoCount][7] = {
    {4, 4, 8, 8, 88, 7, 100}, {4, 4, 8, 8, 88, 7, 100}, {2, 2, 8, 8, 88, 2, 100},
    {2, 2, 8, 8, 88, 2, 100}, {2, 2, 8, 8, 88, 2, 100},
};

}  // namespace

void LoadRegisterDefaults(int index, std::array<uint8_t, kRegisterImageSize>& image) {
  if (index < 0 || index >= kServoCount) return;
  for (int i = 0; i < 6; ++i) image[0x18 + i] = kDefaults[index][i];
  image[0x23] = kDefaults[index][6];
}

void ServoTable::QueueGoal(int id, int16_t position, uint16_t time) {
  if (!Valid(id)) return;
  std::lock_guard lock(mutex_);
  ServoEntry& e = entries_[id - 1];
  e.goalPosition = position;
  e.goalTime = time;
  e.requests |= kSendGoal;
}

ServoEntry ServoTable::Entry(int id) const {
  if (!Valid(id)) return {};
  std::lock_guard lock(mutex_);
  return entries_[id - 1];
}

ServoEntry ServoTable::TakeGoal(int id) {
  if (!Valid(id)) return {};
  std::lock_guard lock(mutex_);
  ServoEntry copy = entries_[id - 1];
  entries_[id - 1].requests &= ~uint32_t{kSendGoal};
  return copy;
}

int16_t ServoTable::PresentPosition(int id) const {
  if (!Valid(id)) return 0;
  std::lock_guard lock(mutex_);
  return entries_[id - 1].presentPosition;
}

void ServoTable::SetPresentPosition(int id, int16_t value) {
  if (!Valid(id)) return;
  std::lock_guard lock(mutex_);
  entries_[id - 1].presentPosition = value;
}

uint32_t ServoTable::ClearRequests(int id, uint32_t bits) {
  if (!Valid(id)) return 0;
  std::lock_guard lock(mutex_);
  const uint32_t before = entries_[id - 1].requests;
  entries_[id - 1].requests &= ~bits;
  return before & bits;
}

void ServoTable::SetRequests(int id, uint32_t bits) {
  if (!Valid(id)) return;
  std::lock_guard lock(mutex_);
  entries_[id - 1].requests |= bits;
}

std::array<uint8_t, kRegisterImageSize> ServoTable::RegisterImage(int id) const {
  if (!Valid(id)) return {};
  std::lock_guard lock(mutex_);
  return entries_[id - 1].registerImage;
}

void ServoTable::SetRegisterImage(int id, const std::array<uint8_t, kRegisterImageSize>& image) {
  if (!Valid(id)) return;
  std::lock_guard lock(mutex_);
  entries_[id - 1].registerImage = image;
}

void ServoTable::SetRegister(int id, int address, uint8_t value) {
  if (!Valid(id) || address < 0 || address >= kRegisterImageSize) return;
  std::lock_guard lock(mutex_);
  entries_[id - 1].registerImage[address] = value;
}

void ServoTable::LoadAllRegisterDefaults() {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < kServoCount; ++i) LoadRegisterDefaults(i, entries_[i].registerImage);
}

void ServoTable::ResetMotion() {
  std::lock_guard lock(mutex_);
  for (ServoEntry& e : entries_) {
    e.goalPosition = 0;
    e.goalTime = 0;
    e.presentPosition = 0;
    e.requests = 0;
  }
}

}  // namespace velmora
