#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "link/servo_table.h"

namespace velmora {

// Five simulated serial-bus servos behind one half-duplex bus, speaking the servo packet protocol.
// Each servo keeps the register bytes written to it, obeys Torque Enable, moves linearly from where
// it is to Goal Position over Goal Time while its torque is on and holds still while it is off, and
// draws more current while it moves. Time is the caller's (milliseconds that may wrap).
//
// Not thread-safe: the virtual robot owns one and guards it.
class VirtualServoBus {
 public:
  // Current a servo draws with its torque on: holding still, and the most a move can add.
  static constexpr int kHoldingCurrentMa = 20;
  static constexpr int kMaxMoveCurrentMa = 900;

  VirtualServoBus();

  // Takes bytes off the wire. Complete packets are acted on; the bytes of the replies they ask for
  // are appended to `replies`. An incomplete packet waits for the rest; garbage and packets with a
  // bad checksum are dropped, as a servo ignores them.
  void Receive(std::span<const uint8_t> bytes, uint32_t nowMs, std::vector<uint8_t>& replies);

  // IDs 1..count answer and obey; the others are silent (0..5).
  void SetAnsweringCount(int count);
  int AnsweringCount() const { return answering_; }

  int16_t PresentPosition(int id, uint32_t nowMs);
  int16_t PresentCurrent(int id, uint32_t nowMs);
  bool TorqueOn(int id) const;
  bool Moving(int id, uint32_t nowMs);
  uint8_t Register(int id, int address) const;

  // Makes servo `id` `factor` times slower than asked: a move over Goal Time takes factor times
  // as long (1: as asked, the default). Used to try out how a servo that cannot keep up looks.
  void SetSlowdown(int id, int factor);

  // Turns a servo by hand. A servo with its torque on holds its position: false, nothing moves.
  bool MoveByHand(int id, int16_t position, uint32_t nowMs);

  // Present Position replies carry the small noise a real servo's readings have: up to one count
  // either way, from a generator seeded with `seed`, so a run can be repeated. Off by default: the
  // replies are then exact.
  void SetReadingNoise(bool on, uint32_t seed = 1);

 private:
  struct Servo {
    std::array<uint8_t, kRegisterImageSize> registers{};
    int16_t present = 0;
    bool moving = false;
    int16_t from = 0;
    int16_t to = 0;
    uint32_t startMs = 0;
    uint32_t durationMs = 0;
    uint32_t slowdown = 1;
  };

  static bool ValidId(int id) { return id >= 1 && id <= kServoCount; }
  bool Answers(int id) const { return id >= 1 && id <= answering_; }
  // Brings the present position up to `nowMs`.
  static void Advance(Servo& servo, uint32_t nowMs);
  static int16_t RegisterWord(const Servo& servo, int address);
  static int CurrentOf(const Servo& servo, uint32_t nowMs);
  void Handle(std::span<const uint8_t> packet, uint32_t nowMs, std::vector<uint8_t>& replies);
  void Write(int id, int address, std::span<const uint8_t> data, uint32_t nowMs);
  void Reply(int id, int address, int length, uint32_t nowMs, std::vector<uint8_t>& replies);

  std::array<Servo, kServoCount> servos_{};
  int answering_ = kServoCount;
  std::vector<uint8_t> pending_;  // bytes of a packet not yet complete
  bool noise_ = false;
  std::minstd_rand noiseSource_;
  uint32_t lastByteMs_ = 0;
};

}  // namespace velmora
