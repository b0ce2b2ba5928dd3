#include "link/servo_packets.h"

#include <string>

#include "base/c_format.h"
#include "link/comm_log.h"
#include "link/hid_uart.h"

namespace velmora {

namespace {

constexpr std::size_t kLongHeaderSize = 7;  // header, ID, flags, address, length, count

// The first seven bytes of every packet.
void PutHeader(Packet& packet, uint8_t id, uint8_t flags, uint8_t address, uint8_t length,
               uint8_t count) {
  packet.bytes.fill(0);
  packet.bytes[0] = kPacketHeader0;
  packet.bytes[1] = kPacketHeader1;
  packet.bytes[2] = id;
  packet.bytes[3] = flags;
  packet.bytes[4] = address;
  packet.bytes[5] = length;
  packet.bytes[6] = count;
}

void Finish(Packet& packet, std::size_t dataEnd) {
  packet.bytes[dataEnd] = PacketChecksum(packet.bytes.data(), dataEnd);
  packet.size = dataEnd + 1;
}

// A long packet of `count` blocks of `blockSize` bytes (ID included) for IDs firstId.. fits the
// buffer and addresses only 8-bit IDs.
bool LongPacketFits(int firstId, int count, std::size_t blockSize) {
  if (count < 1 || count > 255 || firstId < 0 || firstId + count - 1 > 255) return false;
  if (blockSize < 1 || blockSize > 255) return false;
  return kLongHeaderSize + static_cast<std::size_t>(count) * blockSize + 1 <= kPacketBufferSize;
}

std::string DumpLine(std::string line, const uint8_t* bytes, std::size_t n) {
  line.reserve(line.size() + n * 5);
  for (std::size_t i = 0; i < n; ++i) {
    line += FormatHexByte(bytes[i]);
    line += ' ';
  }
  return line;
}

std::string IdRange(int firstId, int count) {
  return "(ID" + FormatInt(firstId) + "-" + FormatInt(firstId + count - 1);
}

// Drops what an earlier, timed-out transfer left behind.
void Drain(ServoBus& bus) { bus.device.DiscardInput(0, nullptr); }

// After a read came up short: waits a moment for the rest and drops it; true when anything came.
bool DropLateBytes(ServoBus& bus) {
  std::size_t dropped = 0;
  bus.device.DiscardInput(kLateReplyGraceMs, &dropped);
  return dropped > 0;
}

// Sends a write-type packet and checks its echo; the servos send nothing back.
bool SendWrite(ServoBus& bus, const Packet& packet) {
  Drain(bus);
  std::size_t written = 0;
  if (bus.device.Write(packet.bytes.data(), packet.size, &written) != kHidUartSuccess) {
    return false;
  }
  return VerifyEcho(bus, packet.size, packet.bytes.data());
}

// A reply from the servo and register the request asked (its flags byte carries the servo's
// status and is not compared).
bool ReplyAnswers(const std::array<uint8_t, kReplySize>& reply, const Packet& request) {
  return reply[0] == kReplyHeader0 && reply[1] == kReplyHeader1 && reply[2] == request.bytes[2] &&
         reply[4] == request.bytes[4] && reply[5] == request.bytes[5];
}

// Sends a read request, checks the echo and reads the 10-byte reply.
bool Request(ServoBus& bus, const Packet& packet, std::array<uint8_t, kReplySize>& reply) {
  bus.replyMissing = false;
  Drain(bus);
  std::size_t written = 0;
  bus.device.Write(packet.bytes.data(), kReadRequestSize, &written);  // status deliberately unused
  // A bridge that claims more than it was given is broken; its count cannot drive the echo read.
  if (written > kReadRequestSize) return false;
  const bool echoed = VerifyEcho(bus, written, packet.bytes.data());
  if (!echoed || written < kReadRequestSize) return false;
  reply.fill(0);
  std::size_t received = 0;
  bus.device.Read(reply.data(), kReplySize, &received);  // the count is what matters
  if (received < kReplySize) {
    const bool late = DropLateBytes(bus);
    bus.replyMissing = received == 0 && !late;
    return false;
  }
  return PacketChecksum(reply.data(), kReplySize) == 0 && ReplyAnswers(reply, packet);
}

int16_t ReplyValue(const std::array<uint8_t, kReplySize>& reply) {
  return static_cast<int16_t>(static_cast<uint16_t>(reply[7] | (reply[8] << 8)));
}

bool ReadRegister(ServoBus& bus, int id, uint8_t address, const std::string& requestLine,
                  const char* replyPrefix, int16_t* value) {
  Packet packet;
  if (!BuildReadRequest(id, address, packet)) return false;
  const bool logged = (bus.logMask & kLogReads) != 0;
  // The checksum is left out of the request dump.
  if (logged) bus.log.AppendLog(DumpLine(requestLine, packet.bytes.data(), packet.size - 1));
  std::array<uint8_t, kReplySize> reply{};
  if (!Request(bus, packet, reply)) return false;
  if (logged) bus.log.AppendLog(DumpLine(replyPrefix, reply.data(), kReplySize));
  if (value != nullptr) *value = ReplyValue(reply);
  return true;
}

}  // namespace

uint8_t PacketChecksum(const uint8_t* bytes, std::size_t size) {
  uint8_t sum = 0;
  for (std::size_t i = 2; i < size; ++i) sum ^= bytes[i];
  return sum;
}

bool BuildMotorPow(uint8_t value, int count, Packet& packet) {
  if (!LongPacketFits(1, count, 2)) return false;
  PutHeader(packet, 0, kFlagsWrite, kRegTorqueEnable, 2, static_cast<uint8_t>(count));
  std::size_t at = kLongHeaderSize;
  for (int id = 1; id <= count; ++id) {
    packet.bytes[at++] = static_cast<uint8_t>(id);
    packet.bytes[at++] = value;
  }
  Finish(packet, at);
  return true;
}

bool BuildSendPose(int firstId, int count, std::span<const int16_t> positions,
                   std::span<const uint16_t> times, Packet& packet) {
  if (!LongPacketFits(firstId, count, 5)) return false;
  const auto n = static_cast<std::size_t>(count);
  if (positions.size() < n || times.size() < n) return false;
  PutHeader(packet, 0, kFlagsWrite, kRegGoalPosition, 5, static_cast<uint8_t>(count));
  std::size_t at = kLongHeaderSize;
  for (std::size_t i = 0; i < n; ++i) {
    const auto position = static_cast<uint16_t>(positions[i]);  // two's complement
    packet.bytes[at++] = static_cast<uint8_t>(firstId + static_cast<int>(i));
    packet.bytes[at++] = static_cast<uint8_t>(position & 0xFF);
    packet.bytes[at++] = static_cast<uint8_t>(position >> 8);
    packet.bytes[at++] = static_cast<uint8_t>(times[i] & 0xFF);
    packet.bytes[at++] = static_cast<uint8_t>(times[i] >> 8);
  }
  Finish(packet, at);
  return true;
}

bool BuildWriteMemMap(uint8_t address, int length, int firstId, int count,
                      std::span<const uint8_t> data, Packet& packet) {
  // Register addresses are 8-bit: a write may not run past register 0xFF.
  if (length < 1 || address + length - 1 > 0xFF ||
      !LongPacketFits(firstId, count, static_cast<std::size_t>(length) + 1)) {
    return false;
  }
  const auto len = static_cast<std::size_t>(length);
  const auto n = static_cast<std::size_t>(count);
  if (data.size() < n * len) return false;
  PutHeader(packet, 0, kFlagsWrite, address, static_cast<uint8_t>(length + 1),
            static_cast<uint8_t>(count));
  std::size_t at = kLongHeaderSize;
  for (std::size_t i = 0; i < n; ++i) {
    packet.bytes[at++] = static_cast<uint8_t>(firstId + static_cast<int>(i));
    for (std::size_t k = 0; k < len; ++k) packet.bytes[at++] = data[i * len + k];
  }
  Finish(packet, at);
  return true;
}

bool BuildReadRequest(int id, uint8_t address, Packet& packet) {
  if (id < 0 || id > 255) return false;
  PutHeader(packet, static_cast<uint8_t>(id), kFlagsReadRequest, address, 2, 0);
  Finish(packet, kLongHeaderSize);
  return true;
}

bool VerifyEcho(ServoBus& bus, std::size_t n, const uint8_t* sent) {
  std::array<uint8_t, kEchoBufferSize> echo{};
  if (n > echo.size()) {
    bus.log.AppendLog("recv error. ");
    return false;
  }
  std::size_t received = 0;
  bus.device.Read(echo.data(), n, &received);  // the count tells what arrived
  if (received != n) {
    DropLateBytes(bus);
    bus.log.AppendLog("recv error. ");
    return false;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (echo[i] != sent[i]) {
      bus.log.AppendLog("verify error. ");
      return false;
    }
  }
  return true;
}

bool MotorPow(ServoBus& bus, uint8_t value, int count) {
  Packet packet;
  if (!BuildMotorPow(value, count, packet)) return false;
  // The dump goes in before the packet is sent, so it is there even when the send fails.
  if ((bus.logMask & kLogMotorPow) != 0) {
    bus.log.AppendLog(
        DumpLine("MotorPow " + FormatInt(value) + "\twbuf:", packet.bytes.data(), packet.size));
  }
  return SendWrite(bus, packet);
}

bool SendPose(ServoBus& bus, int firstId, int count, std::span<const int16_t> positions,
              std::span<const uint16_t> times) {
  Packet packet;
  if (!BuildSendPose(firstId, count, positions, times, packet)) return false;
  if ((bus.logMask & kLogSendPose) != 0) {
    bus.log.AppendLog(DumpLine(
        "SendPose" + IdRange(firstId, count) + ")\twbuf:", packet.bytes.data(), packet.size));
  }
  return SendWrite(bus, packet);
}

bool WriteMemMap(ServoBus& bus, uint8_t address, int length, int firstId, int count,
                 std::span<const uint8_t> data) {
  Packet packet;
  if (!BuildWriteMemMap(address, length, firstId, count, data, packet)) return false;
  if ((bus.logMask & kLogWriteMemMap) != 0) {
    const std::string line = "WriteMemMap" + IdRange(firstId, count) +
                             ",adr:" + FormatHexByte(address) + "-" +
                             FormatHexByte(static_cast<uint8_t>(address + length - 1)) + ")\twbuf:";
    bus.log.AppendLog(DumpLine(line, packet.bytes.data(), packet.size));
  }
  return SendWrite(bus, packet);
}

bool RecvPose(ServoBus& bus, int id, int16_t* position) {
  return ReadRegister(bus, id, kRegPresentPosition,
                      "RecvPose ID" + FormatInt(id) + "\twbuf:", "\t\trbuf:", position);
}

bool ReadMemMap(ServoBus& bus, int id, int16_t* value) {
  return ReadRegister(
      bus, id, kRegPresentCurrent,
      "ReadMemMap(ID" + FormatInt(id) + ",adr:" + FormatHexByte(kRegPresentCurrent) + ")\twbuf:",
      "\t\t\t\trbuf:", value);
}

}  // namespace velmora
