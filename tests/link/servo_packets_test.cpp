#include "link/servo_packets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/comm_log.h"
#include "link/scripted_device.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::ScriptedDevice;

Bytes Of(const Packet& p) { return Bytes(p.bytes.begin(), p.bytes.begin() + p.size); }

// A 10-byte reply carrying `value`, with its checksum made so that bytes 2..9 XOR to 0.
Bytes Reply(uint8_t h0, uint8_t h1, uint8_t id, uint16_t value, uint8_t address = 0x2A,
            uint8_t length = 0x02) {
  Bytes r = {h0,
             h1,
             id,
             0x00,
             address,
             length,
             0x01,
             static_cast<uint8_t>(value & 0xFF),
             static_cast<uint8_t>(value >> 8)};
  uint8_t sum = 0;
  for (std::size_t i = 2; i < r.size(); ++i) sum ^= r[i];
  r.push_back(sum);
  return r;
}

TEST(ServoPacketBytes, MatchTheBusFormatByteForByte) {
  Packet p;
  ASSERT_TRUE(BuildMotorPow(1, 3, p));
  EXPECT_EQ(Of(p), (Bytes{0xFA, 0xAF, 0x00, 0x00, 0x24, 0x02, 0x03, 0x01, 0x01, 0x02, 0x01, 0x03,
                          0x01, 0x24}));

  const int16_t positions[] = {100, -50};
  const uint16_t times[] = {1, 1};
  ASSERT_TRUE(BuildSendPose(1, 2, positions, times, p));
  EXPECT_EQ(Of(p), (Bytes{0xFA, 0xAF, 0x00, 0x00, 0x1E, 0x05, 0x02, 0x01, 0x64, 0x00, 0x01, 0x00,
                          0x02, 0xCE, 0xFF, 0x01, 0x00, 0x4F}));

  const uint8_t torque[] = {100, 100, 100};
  ASSERT_TRUE(BuildWriteMemMap(0x23, 1, 1, 3, torque, p));
  EXPECT_EQ(Of(p), (Bytes{0xFA, 0xAF, 0x00, 0x00, 0x23, 0x02, 0x03, 0x01, 0x64, 0x02, 0x64, 0x03,
                          0x64, 0x46}));

  ASSERT_TRUE(BuildReadRequest(1, kRegPresentPosition, p));
  EXPECT_EQ(Of(p), (Bytes{0xFA, 0xAF, 0x01, 0x0F, 0x2A, 0x02, 0x00, 0x26}));
  ASSERT_TRUE(BuildReadRequest(5, kRegPresentPosition, p));
  EXPECT_EQ(p.bytes[7], 0x22);
  ASSERT_TRUE(BuildReadRequest(2, kRegPresentCurrent, p));
  EXPECT_EQ(Of(p), (Bytes{0xFA, 0xAF, 0x02, 0x0F, 0x30, 0x02, 0x00, 0x3F}));
}

TEST(ServoPacketBytes, LongPacketsCarryEveryServoAndTwosComplementValues) {
  Packet p;
  const int16_t positions[] = {-1, 32767, -32768, 0, 1};
  const uint16_t times[] = {0xFFFF, 0x1234, 0, 200, 1};
  ASSERT_TRUE(BuildSendPose(1, 5, positions, times, p));
  ASSERT_EQ(p.size, 33u);
  EXPECT_EQ(Bytes(p.bytes.begin() + 7, p.bytes.begin() + 17),
            (Bytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xFF, 0x7F, 0x34, 0x12}));
  EXPECT_EQ(Bytes(p.bytes.begin() + 17, p.bytes.begin() + 22),
            (Bytes{0x03, 0x00, 0x80, 0x00, 0x00}));
  // Everything after the checksum stays zero.
  for (std::size_t i = p.size; i < p.bytes.size(); ++i) ASSERT_EQ(p.bytes[i], 0) << i;

  // Register images go out as one block per servo: ID, then `length` bytes.
  const uint8_t image[] = {4, 4, 8, 8, 88, 7};
  ASSERT_TRUE(BuildWriteMemMap(0x18, 6, 2, 1, image, p));
  EXPECT_EQ(Of(p), (Bytes{0xFA, 0xAF, 0x00, 0x00, 0x18, 0x07, 0x01, 0x02, 4, 4, 8, 8, 88, 7,
                          0x02 ^ 0x18 ^ 0x07 ^ 0x01 ^ 4 ^ 4 ^ 8 ^ 8 ^ 88 ^ 7}));
}

TEST(ServoPacketBytes, ArgumentsThatMakeNoPacketAreRefused) {
  Packet p;
  const int16_t positions[5] = {};
  const uint16_t times[5] = {};
  const uint8_t data[8] = {};
  EXPECT_FALSE(BuildMotorPow(1, 0, p));
  EXPECT_FALSE(BuildSendPose(1, 3, std::span(positions, 2), times, p));  // too few positions
  EXPECT_FALSE(BuildSendPose(254, 3, positions, times, p));              // ID 256
  EXPECT_FALSE(BuildWriteMemMap(0x18, 6, 1, 2, data, p));                // needs 12 bytes
  EXPECT_FALSE(BuildWriteMemMap(0xFF, 2, 1, 1, data, p));                // past register 0xFF
  EXPECT_FALSE(BuildWriteMemMap(0x18, 0, 1, 1, data, p));
  EXPECT_FALSE(BuildMotorPow(1, 125, p));  // 7 + 250 + 1 bytes do not fit the buffer
  EXPECT_TRUE(BuildMotorPow(1, 124, p));
  EXPECT_EQ(p.size, 256u);
  EXPECT_FALSE(BuildReadRequest(256, 0x2A, p));
}

class ServoCommands : public ::testing::Test {
 protected:
  ServoCommands() { log.Replace("start. "); }
  ScriptedDevice device;
  CommLog log;
  ServoBus bus{device, log};
};

TEST_F(ServoCommands, WriteSucceedsOnAMatchingEchoAndLogsTheTorqueSwitch) {
  const Bytes packet = {0xFA, 0xAF, 0x00, 0x00, 0x24, 0x02, 0x03,
                        0x01, 0x01, 0x02, 0x01, 0x03, 0x01, 0x24};
  device.readChunks.push_back(packet);
  EXPECT_TRUE(MotorPow(bus, 1, 3));
  ASSERT_EQ(device.writes.size(), 1u);
  EXPECT_EQ(device.writes[0], packet);
  EXPECT_EQ(device.readSizes, (std::vector<std::size_t>{14}));
  EXPECT_EQ(log.Text(),
            "MotorPow 1\twbuf:0xfa 0xaf 0x00 0x00 0x24 0x02 0x03 0x01 0x01 0x02 0x01 0x03 0x01 "
            "0x24 \r\nstart. ");
}

TEST_F(ServoCommands, WriteStatusFailureStopsBeforeTheEchoButTheDumpIsAlreadyLogged) {
  device.writeResults.push_back({kHidUartWriteError, 0});
  const uint8_t torque[] = {100, 90};
  EXPECT_FALSE(WriteMemMap(bus, 0x23, 1, 1, 2, torque));
  EXPECT_TRUE(device.readSizes.empty());
  EXPECT_EQ(log.Text(),
            "WriteMemMap(ID1-2,adr:0x23-0x23)\twbuf:0xfa 0xaf 0x00 0x00 0x23 0x02 0x02 0x01 0x64 "
            "0x02 0x5a 0x1e \r\nstart. ");
}

TEST_F(ServoCommands, EchoFaultsLogTheirLineAndFail) {
  const int16_t pos[] = {100};
  const uint16_t time[] = {1};
  Packet p;
  ASSERT_TRUE(BuildSendPose(1, 1, pos, time, p));
  Bytes echo = Of(p);

  echo.pop_back();  // one byte short
  device.readChunks.push_back(echo);
  EXPECT_FALSE(SendPose(bus, 1, 1, pos, time));
  EXPECT_EQ(log.Text(), "recv error. \r\nstart. ");

  echo = Of(p);
  echo[9] ^= 0x40;  // one byte garbled
  device.readChunks.push_back(echo);
  EXPECT_FALSE(SendPose(bus, 1, 1, pos, time));
  EXPECT_EQ(log.Text(), "verify error. \r\nrecv error. \r\nstart. ");

  // No echo at all.
  EXPECT_FALSE(SendPose(bus, 1, 1, pos, time));
  EXPECT_EQ(log.Text(), "recv error. \r\nverify error. \r\nrecv error. \r\nstart. ");
}

TEST_F(ServoCommands, ReadRequestTakesOnlyTheAnswerOfTheServoAndRegisterAsked) {
  const Bytes request = {0xFA, 0xAF, 0x03, 0x0F, 0x2A, 0x02, 0x00, 0x03 ^ 0x27};
  device.readChunks.push_back(request);
  device.readChunks.push_back(Reply(0xFD, 0xDF, 3, 0xFF38));
  int16_t position = 0;
  EXPECT_TRUE(RecvPose(bus, 3, &position));
  EXPECT_EQ(position, -200);
  EXPECT_EQ(device.writes[0], request);
  EXPECT_EQ(device.readSizes, (std::vector<std::size_t>{8, 10}));
  EXPECT_EQ(log.Text(), "start. ");  // reads are not logged

  // Checksums that hold on a broken header, another servo's answer, another register's value or
  // length: each would be stored as servo 3's position.
  const Bytes wrong[] = {Reply(0xFA, 0xAF, 3, 5), Reply(0xFD, 0xDE, 3, 5), Reply(0xFD, 0xDF, 1, 5),
                         Reply(0xFD, 0xDF, 3, 5, 0x30), Reply(0xFD, 0xDF, 3, 5, 0x2A, 0x01)};
  for (const Bytes& reply : wrong) {
    device.readChunks.push_back(request);
    device.readChunks.push_back(reply);
    EXPECT_FALSE(RecvPose(bus, 3, &position));
  }
  EXPECT_EQ(position, -200);
  EXPECT_EQ(log.Text(), "start. ");

  // The flags byte carries the servo's status and is not compared; the caller may give no place
  // for the value.
  Bytes flagged = Reply(0xFD, 0xDF, 3, 5);
  flagged[3] = 0x02;
  flagged[9] ^= 0x02;
  device.readChunks.push_back(request);
  device.readChunks.push_back(flagged);
  EXPECT_TRUE(RecvPose(bus, 3, nullptr));
}

TEST_F(ServoCommands, ReadRequestFailuresLeaveTheValueAndTheLogAlone) {
  const Bytes request = {0xFA, 0xAF, 0x01, 0x0F, 0x30, 0x02, 0x00, 0x3C};
  int16_t current = 1234;

  // Nine reply bytes.
  device.readChunks.push_back(request);
  Bytes shortReply = Reply(0xFD, 0xDF, 1, 50, 0x30);
  shortReply.pop_back();
  device.readChunks.push_back(shortReply);
  EXPECT_FALSE(ReadMemMap(bus, 1, &current));

  // A checksum that does not hold.
  device.readChunks.push_back(request);
  Bytes bad = Reply(0xFD, 0xDF, 1, 50, 0x30);
  bad[7] ^= 1;
  device.readChunks.push_back(bad);
  EXPECT_FALSE(ReadMemMap(bus, 1, &current));
  EXPECT_EQ(current, 1234);
  EXPECT_EQ(log.Text(), "start. ");

  // The write status of a request is not examined: eight bytes written and echoed is enough.
  device.writeResults.push_back({kHidUartWriteTimedOut, 8});
  device.readChunks.push_back(request);
  device.readChunks.push_back(Reply(0xFD, 0xDF, 1, 50, 0x30));
  EXPECT_TRUE(ReadMemMap(bus, 1, &current));
  EXPECT_EQ(current, 50);
}

TEST_F(ServoCommands, ShortRequestWriteFailsAfterItsEchoCheck) {
  // Seven bytes written: the echo check reads seven, matches, and the request still fails
  // without reading a reply or writing a line.
  device.writeResults.push_back({kHidUartSuccess, 7});
  device.readChunks.push_back({0xFA, 0xAF, 0x01, 0x0F, 0x2A, 0x02, 0x00});
  EXPECT_FALSE(RecvPose(bus, 1, nullptr));
  EXPECT_EQ(device.readSizes, (std::vector<std::size_t>{7}));
  EXPECT_EQ(log.Text(), "start. ");

  // An echo of 7 bytes for an 8-byte request is a receive error.
  device.readChunks.push_back({0xFA, 0xAF, 0x01, 0x0F, 0x2A, 0x02, 0x00});
  EXPECT_FALSE(RecvPose(bus, 1, nullptr));
  EXPECT_EQ(log.Text(), "recv error. \r\nstart. ");

  // A bridge that claims to have written more than it was given is not believed.
  device.writeResults.push_back({kHidUartSuccess, 200});
  EXPECT_FALSE(RecvPose(bus, 1, nullptr));
  EXPECT_EQ(device.readSizes.size(), 2u);
}

TEST_F(ServoCommands, EveryLogBitWritesItsOwnLineFormat) {
  bus.logMask = kLogMotorPow | kLogWriteMemMap | kLogSendPose | kLogReads;
  const int16_t pos[] = {-50, 7};
  const uint16_t time[] = {1, 2};
  Packet p;
  ASSERT_TRUE(BuildSendPose(4, 2, pos, time, p));
  device.readChunks.push_back(Of(p));
  EXPECT_TRUE(SendPose(bus, 4, 2, pos, time));

  device.readChunks.push_back({0xFA, 0xAF, 0x02, 0x0F, 0x2A, 0x02, 0x00, 0x25});
  device.readChunks.push_back(Reply(0xFD, 0xDF, 2, 0x0102));
  EXPECT_TRUE(RecvPose(bus, 2, nullptr));

  device.readChunks.push_back({0xFA, 0xAF, 0x02, 0x0F, 0x30, 0x02, 0x00, 0x3F});
  device.readChunks.push_back(Reply(0xFD, 0xDF, 2, 0x0010, 0x30));
  EXPECT_TRUE(ReadMemMap(bus, 2, nullptr));

  EXPECT_EQ(log.Text(),
            "\t\t\t\trbuf:0xfd 0xdf 0x02 0x00 0x30 0x02 0x01 0x10 0x00 0x21 \r\n"
            "ReadMemMap(ID2,adr:0x30)\twbuf:0xfa 0xaf 0x02 0x0f 0x30 0x02 0x00 \r\n"
            "\t\trbuf:0xfd 0xdf 0x02 0x00 0x2a 0x02 0x01 0x02 0x01 0x28 \r\n"
            "RecvPose ID2\twbuf:0xfa 0xaf 0x02 0x0f 0x2a 0x02 0x00 \r\n"
            "SendPose(ID4-5)\twbuf:0xfa 0xaf 0x00 0x00 0x1e 0x05 0x02 0x04 0xce 0xff 0x01 0x00 "
            "0x05 0x07 0x00 0x02 0x00 0x2d \r\n"
            "start. ");
}

}  // namespace
}  // namespace velmora
