// Feeds arbitrary bytes to the simulated servos as wire traffic, in chunks with pauses between
// them. Besides crashes and undefined behaviour it checks that every answer is a whole reply of
// the protocol (FD DF header, a servo ID, its length of register bytes, a checksum that holds)
// and that the servos' state stays within what the registers can hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/servo_packets.h"
#include "link/virtual_servo_bus.h"

namespace {

using namespace velmora;

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequireWellFormedReplies(const std::vector<uint8_t>& replies) {
  std::size_t at = 0;
  while (at < replies.size()) {
    Require(replies.size() - at >= 8);
    Require(replies[at] == kReplyHeader0 && replies[at + 1] == kReplyHeader1);
    const int id = replies[at + 2];
    Require(id >= 1 && id <= kServoCount);
    const std::size_t length = replies[at + 5];
    const std::size_t total = 7 + length + 1;
    Require(length >= 1 && replies.size() - at >= total);
    Require(PacketChecksum(replies.data() + at, total) == 0);
    at += total;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  VirtualServoBus bus;
  if (size > 0) bus.SetAnsweringCount(data[0] % 7);
  uint32_t now = 0xFFFFFF00u;  // the millisecond clock wraps during the run
  std::size_t at = size > 0 ? 1 : 0;
  while (at + 2 <= size) {
    now += data[at];  // the pause before this chunk
    const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
    std::vector<uint8_t> replies;
    bus.Receive(std::span<const uint8_t>(data + at + 2, length), now, replies);
    RequireWellFormedReplies(replies);
    at += 2 + length;
  }
  for (int id = 0; id <= kServoCount + 1; ++id) {
    bus.PresentPosition(id, now + 5000);
    const int current = bus.PresentCurrent(id, now + 5000);
    Require(current >= 0 &&
            current <= VirtualServoBus::kHoldingCurrentMa + VirtualServoBus::kMaxMoveCurrentMa);
    bus.Moving(id, now);
    bus.MoveByHand(id, -1, now);
  }
  return 0;
}
