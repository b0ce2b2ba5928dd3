#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora {

class CommLog;
class HidUartDevice;

// The servo bus commands. Every byte the program sends comes back on the half-duplex bus, so each
// command reads its own transmission back (the echo) before it looks at any reply.

inline constexpr uint8_t kPacketHeader0 = 0xFA;
inline constexpr uint8_t kPacketHeader1 = 0xAF;
inline constexpr uint8_t kReplyHeader0 = 0xFD;  // a servo's answer starts FD DF
inline constexpr uint8_t kReplyHeader1 = 0xDF;
inline constexpr uint8_t kFlagsWrite = 0x00;
inline constexpr uint8_t kFlagsReadRequest = 0x0F;

// Register addresses.
inline constexpr uint8_t kRegComplianceStart = 0x18;  // 0x18..0x1D: margins, slopes, punch
inline constexpr uint8_t kRegGoalPosition = 0x1E;
inline constexpr uint8_t kRegGoalTime = 0x20;
inline constexpr uint8_t kRegMaxTorque = 0x23;
inline constexpr uint8_t kRegTorqueEnable = 0x24;
inline constexpr uint8_t kRegPresentPosition = 0x2A;
inline constexpr uint8_t kRegPresentCurrent = 0x30;

inline constexpr std::size_t kPacketBufferSize = 256;
inline constexpr std::size_t kReadRequestSize = 8;
inline constexpr std::size_t kReplySize = 10;
inline constexpr std::size_t kEchoBufferSize = 1024;
inline constexpr std::size_t kLongestPacket = 7 + 5 * 5 + 1;  // SendPose to five servos

// Time on the wire at the bus's 115200 baud, ten bits a byte (8N1), rounded up.
constexpr uint32_t BusWireMs(std::size_t bytes) {
  return static_cast<uint32_t>((bytes * 10 * 1000 + 115200 - 1) / 115200);
}
// How long a servo bus read waits. The longest exchange (a five-servo packet's echo, or a read
// request's echo and its reply) is under 4 ms on the wire and a servo answers within a few ms;
// the rest is margin for USB polling and a busy host. A silent bus is noticed within a cycle or
// two instead of after the bridge's 1000 ms.
inline constexpr uint32_t kServoAnswerMs = 6;
inline constexpr uint32_t kUsbMarginMs = 40;
inline constexpr uint32_t kServoReadTimeoutMs =
    BusWireMs(kLongestPacket + kReplySize) + kServoAnswerMs + kUsbMarginMs;
static_assert(kServoReadTimeoutMs >= 50 && kServoReadTimeoutMs <= 100);
// After a read that timed out, bytes still on their way are waited for this long and dropped, so
// that a late answer fails its own read and not the next one.
inline constexpr uint32_t kLateReplyGraceMs = 10;

// Which commands write hex dumps into the CommLog.
enum LogBits : uint32_t {
  kLogMotorPow = 1,
  kLogWriteMemMap = 2,
  kLogSendPose = 4,
  kLogReads = 8,  // RecvPose and ReadMemMap
};
// The program logs torque switching and register writes, never the reads and goals of every cycle.
inline constexpr uint32_t kLogMask = kLogMotorPow | kLogWriteMemMap;

// A packet built in a zero-filled buffer; `size` bytes are used, the last one the checksum.
struct Packet {
  std::array<uint8_t, kPacketBufferSize> bytes{};
  std::size_t size = 0;
};

// XOR of bytes[2] .. bytes[size - 1] (the header bytes are left out).
uint8_t PacketChecksum(const uint8_t* bytes, std::size_t size);

// Builders. False when the arguments do not make a packet: a count below 1, an ID above 255, data
// or arrays shorter than the packet needs, or a packet longer than the buffer.
bool BuildMotorPow(uint8_t value, int count, Packet& packet);
bool BuildSendPose(int firstId, int count, std::span<const int16_t> positions,
                   std::span<const uint16_t> times, Packet& packet);
bool BuildWriteMemMap(uint8_t address, int length, int firstId, int count,
                      std::span<const uint8_t> data, Packet& packet);
bool BuildReadRequest(int id, uint8_t address, Packet& packet);

// The open bridge the commands talk through and the log they write to. Only the ServoLink thread
// uses it.
struct ServoBus {
  HidUartDevice& device;
  CommLog& log;
  uint32_t logMask = kLogMask;
  // Set by each read request: it was sent and echoed, but not one byte of a reply came.
  bool replyMissing = false;
};

// Every command first drops what is still waiting from an earlier transfer (a reply that came
// after its read gave up), so that it reads only the answer to its own packet.
//
// Reads the echo of the `n` bytes just sent and compares it with them. A short or missing echo
// logs "recv error. ", a different one "verify error. ".
bool VerifyEcho(ServoBus& bus, std::size_t n, const uint8_t* sent);

// Torque Enable for IDs 1..count, every servo getting `value` (0 off, 1 on).
bool MotorPow(ServoBus& bus, uint8_t value, int count);
// Goal Position and Goal Time for IDs firstId .. firstId + count - 1.
bool SendPose(ServoBus& bus, int firstId, int count, std::span<const int16_t> positions,
              std::span<const uint16_t> times);
// `length` register bytes from `address` into each of IDs firstId .. firstId + count - 1; servo i
// gets data[i * length .. i * length + length - 1].
bool WriteMemMap(ServoBus& bus, uint8_t address, int length, int firstId, int count,
                 std::span<const uint8_t> data);
// A reply counts only when it is whole, its checksum holds, and it comes from the servo and the
// register asked for: FD DF header, the request's ID, address and length.
//
// Present Position of one servo; on success stored in `*position` (when given).
bool RecvPose(ServoBus& bus, int id, int16_t* position);
// Present Current of one servo, in mA; on success stored in `*value` (when given).
bool ReadMemMap(ServoBus& bus, int id, int16_t* value);

}  // namespace velmora
