#include "link/virtual_servo_bus.h"

#include <algorithm>
#include <cstdlib>

#include "link/servo_packets.h"

namespace velmora {

namespace {

// Registers from here on are the servo's own measurements; writes to them are ignored.
constexpr int kFirstReadOnlyRegister = kRegPresentPosition;
// A pause this long on the line abandons a half-received packet, as a servo's receiver does.
constexpr uint32_t kPacketGapMs = 3;
constexpr std::size_t kHeaderSize = 7;

}  // namespace

VirtualServoBus::VirtualServoBus() {
  for (int i = 0; i < kServoCount; ++i) {
    servos_[static_cast<std::size_t>(i)].registers[0x04] = static_cast<uint8_t>(i + 1);  // ID
    LoadRegisterDefaults(i, servos_[static_cast<std::size_t>(i)].registers);
  }
}

void VirtualServoBus::SetAnsweringCount(int count) {
  answering_ = std::clamp(count, 0, kServoCount);
}

void VirtualServoBus::Advance(Servo& servo, uint32_t nowMs) {
  if (!servo.moving) return;
  const uint32_t elapsed = nowMs - servo.startMs;
  if (elapsed >= servo.durationMs) {
    servo.present = servo.to;
    servo.moving = false;
    return;
  }
  const int64_t span = int64_t{servo.to} - servo.from;
  servo.present = static_cast<int16_t>(servo.from + span * elapsed / servo.durationMs);
}

int16_t VirtualServoBus::RegisterWord(const Servo& servo, int address) {
  const auto a = static_cast<std::size_t>(address);
  return static_cast<int16_t>(
      static_cast<uint16_t>(servo.registers[a] | (servo.registers[a + 1] << 8)));
}

int VirtualServoBus::CurrentOf(const Servo& servo, uint32_t nowMs) {
  if (servo.registers[kRegTorqueEnable] != 1) return 0;
  if (!servo.moving || nowMs - servo.startMs >= servo.durationMs) return kHoldingCurrentMa;
  // The faster the move, the harder the motor works.
  const int64_t countsPerSecond =
      std::llabs(int64_t{servo.to} - servo.from) * 1000 / servo.durationMs;
  return kHoldingCurrentMa +
         static_cast<int>(std::min<int64_t>(kMaxMoveCurrentMa, 10 + countsPerSecond / 4));
}

int16_t VirtualServoBus::PresentPosition(int id, uint32_t nowMs) {
  if (!ValidId(id)) return 0;
  Servo& s = servos_[static_cast<std::size_t>(id - 1)];
  Advance(s, nowMs);
  return s.present;
}

int16_t VirtualServoBus::PresentCurrent(int id, uint32_t nowMs) {
  if (!ValidId(id)) return 0;
  return static_cast<int16_t>(CurrentOf(servos_[static_cast<std::size_t>(id - 1)], nowMs));
}

bool VirtualServoBus::TorqueOn(int id) const {
  return ValidId(id) && servos_[static_cast<std::size_t>(id - 1)].registers[kRegTorqueEnable] == 1;
}

bool VirtualServoBus::Moving(int id, uint32_t nowMs) {
  if (!ValidId(id)) return false;
  Servo& s = servos_[static_cast<std::size_t>(id - 1)];
  Advance(s, nowMs);
  return s.moving;
}

uint8_t VirtualServoBus::Register(int id, int address) const {
  if (!ValidId(id) || address < 0 || address >= kRegisterImageSize) return 0;
  return servos_[static_cast<std::size_t>(id - 1)].registers[static_cast<std::size_t>(address)];
}

void VirtualServoBus::SetSlowdown(int id, int factor) {
  if (!ValidId(id)) return;
  servos_[static_cast<std::size_t>(id - 1)].slowdown =
      static_cast<uint32_t>(std::clamp(factor, 1, 100));
}

void VirtualServoBus::SetReadingNoise(bool on, uint32_t seed) {
  noise_ = on;
  noiseSource_.seed(seed);
}

bool VirtualServoBus::MoveByHand(int id, int16_t position, uint32_t nowMs) {
  if (!ValidId(id) || TorqueOn(id)) return false;
  Servo& s = servos_[static_cast<std::size_t>(id - 1)];
  Advance(s, nowMs);
  s.present = position;
  return true;
}

void VirtualServoBus::Receive(std::span<const uint8_t> bytes, uint32_t nowMs,
                              std::vector<uint8_t>& replies) {
  if (!pending_.empty() && nowMs - lastByteMs_ > kPacketGapMs) pending_.clear();
  lastByteMs_ = nowMs;
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());

  std::size_t at = 0;
  const std::size_t size = pending_.size();
  while (at < size) {
    // Find the next header; a lone 0xFA at the end may be the start of one.
    std::size_t k = at;
    while (k < size && !(pending_[k] == kPacketHeader0 &&
                         (k + 1 == size || pending_[k + 1] == kPacketHeader1))) {
      ++k;
    }
    at = k;
    if (size - k < kHeaderSize) break;
    const std::size_t total = kHeaderSize + std::size_t{pending_[k + 5]} * pending_[k + 6] + 1;
    if (size - k < total) break;
    const std::span<const uint8_t> packet(pending_.data() + k, total);
    if (PacketChecksum(packet.data(), total) == 0) {
      Handle(packet, nowMs, replies);
      at = k + total;
    } else {
      at = k + 1;  // not a packet after all: look for the next header
    }
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
}

void VirtualServoBus::Handle(std::span<const uint8_t> packet, uint32_t nowMs,
                             std::vector<uint8_t>& replies) {
  const int id = packet[2];
  const uint8_t flags = packet[3];
  const int address = packet[4];
  const std::size_t length = packet[5];
  const std::size_t count = packet[6];
  if (id == 0) {
    // Long packet: `count` blocks of the servo ID and length - 1 data bytes.
    if (flags != kFlagsWrite || length < 1) return;
    for (std::size_t b = 0; b < count; ++b) {
      const std::size_t block = kHeaderSize + b * length;
      const int target = packet[block];
      if (Answers(target)) Write(target, address, packet.subspan(block + 1, length - 1), nowMs);
    }
  } else if (flags == kFlagsReadRequest && count == 0) {
    if (Answers(id)) Reply(id, address, static_cast<int>(length), nowMs, replies);
  } else if (flags == kFlagsWrite && count == 1) {
    if (Answers(id)) Write(id, address, packet.subspan(kHeaderSize, length), nowMs);
  }
}

void VirtualServoBus::Write(int id, int address, std::span<const uint8_t> data, uint32_t nowMs) {
  Servo& s = servos_[static_cast<std::size_t>(id - 1)];
  Advance(s, nowMs);
  bool torqueTouched = false;
  bool goalTouched = false;
  for (std::size_t k = 0; k < data.size(); ++k) {
    const int a = address + static_cast<int>(k);
    if (a >= kFirstReadOnlyRegister) break;
    s.registers[static_cast<std::size_t>(a)] = data[k];
    torqueTouched = torqueTouched || a == kRegTorqueEnable;
    goalTouched = goalTouched || (a >= kRegGoalPosition && a < kRegGoalTime + 2);
  }
  const bool on = s.registers[kRegTorqueEnable] == 1;
  // Switching the torque, either way, leaves the servo where it is.
  if (torqueTouched && !on) s.moving = false;
  if (goalTouched && on) {
    s.from = s.present;
    s.to = RegisterWord(s, kRegGoalPosition);
    s.startMs = nowMs;
    s.durationMs = static_cast<uint32_t>(static_cast<uint16_t>(RegisterWord(s, kRegGoalTime))) *
                   10 * s.slowdown;
    s.moving = s.durationMs > 0 && s.from != s.to;
    if (!s.moving) s.present = s.to;
  }
}

void VirtualServoBus::Reply(int id, int address, int length, uint32_t nowMs,
                            std::vector<uint8_t>& replies) {
  if (length < 1 || address + length > kRegisterImageSize) return;
  Servo& s = servos_[static_cast<std::size_t>(id - 1)];
  Advance(s, nowMs);
  int reading = s.present;
  // A real servo's reading wanders by a count either way.
  if (noise_) {
    reading = std::clamp(reading + static_cast<int>(noiseSource_() % 3) - 1, -32768, 32767);
  }
  const auto position = static_cast<uint16_t>(reading);
  const auto current = static_cast<uint16_t>(CurrentOf(s, nowMs));
  s.registers[kRegPresentPosition] = static_cast<uint8_t>(position & 0xFF);
  s.registers[kRegPresentPosition + 1] = static_cast<uint8_t>(position >> 8);
  s.registers[kRegPresentCurrent] = static_cast<uint8_t>(current & 0xFF);
  s.registers[kRegPresentCurrent + 1] = static_cast<uint8_t>(current >> 8);

  const std::size_t start = replies.size();
  replies.insert(replies.end(), {kReplyHeader0, kReplyHeader1, static_cast<uint8_t>(id), 0x00,
                                 static_cast<uint8_t>(address), static_cast<uint8_t>(length), 1});
  for (int k = 0; k < length; ++k) {
    replies.push_back(s.registers[static_cast<std::size_t>(address + k)]);
  }
  replies.push_back(PacketChecksum(replies.data() + start, replies.size() - start));
}

}  // namespace velmora
