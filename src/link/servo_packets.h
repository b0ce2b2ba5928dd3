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
};

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
// Present Position of one servo; on success stored in `*position` (when given).
bool RecvPose(ServoBus& bus, int id, int16_t* position);
// Present Current of one servo, in mA; on success stored in `*value` (when given).
bool ReadMemMap(ServoBus& bus, int id, int16_t* value);

}  // namespace velmora
