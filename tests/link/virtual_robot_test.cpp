#include "link/virtual_robot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/bridge_list.h"
#include "link/comm_log.h"
#include "link/hidapi/cp2110_reports.h"
#include "link/servo_packets.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

// A read that comes up short waits out its time-out, then a moment for stragglers.
constexpr uint32_t kWaitedOut = kServoReadTimeoutMs + kLateReplyGraceMs;

class VirtualRobotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(robot.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
    device->SetTimeouts(kServoReadTimeoutMs, kHidUartDefaultTimeoutMs);  // as the link does
    log.Replace("start. ");
  }
  void TearDown() override {
    if (device != nullptr) robot.Close(device);
  }
  ServoBus Bus() { return ServoBus{*device, log}; }
  int16_t Read(int id) {
    ServoBus bus = Bus();
    int16_t value = -9999;
    EXPECT_TRUE(RecvPose(bus, id, &value));
    return value;
  }
  void Goal(int id, int16_t position, uint16_t time) {
    ServoBus bus = Bus();
    const int16_t p[] = {position};
    const uint16_t t[] = {time};
    ASSERT_TRUE(SendPose(bus, id, 1, p, t));
  }
  void Torque(uint8_t on) {
    ServoBus bus = Bus();
    ASSERT_TRUE(MotorPow(bus, on, 5));
  }

  FakeClock clock{1000};
  VirtualRobot robot{clock};
  HidUartDevice* device = nullptr;
  CommLog log;
};

TEST_F(VirtualRobotTest, EchoesEveryByteAndAnswersReadsWithValidReplies) {
  Packet request;
  ASSERT_TRUE(BuildReadRequest(2, kRegPresentPosition, request));
  std::size_t n = 0;
  ASSERT_EQ(device->Write(request.bytes.data(), request.size, &n), kHidUartSuccess);
  Bytes echo(8);
  ASSERT_EQ(device->Read(echo.data(), 8, &n), kHidUartSuccess);
  EXPECT_EQ(echo, Bytes(request.bytes.begin(), request.bytes.begin() + 8));
  Bytes reply(10);
  ASSERT_EQ(device->Read(reply.data(), 10, &n), kHidUartSuccess);
  EXPECT_EQ(PacketChecksum(reply.data(), 10), 0);
  EXPECT_EQ(reply[2], 2);
  // The wire carried the request and the reply; the echo is the request itself.
  EXPECT_EQ(robot.WireBytesOut(), 8u);
  EXPECT_EQ(robot.WireBytesIn(), 10u);

  ASSERT_TRUE(robot.MoveByHand(2, -321));
  EXPECT_EQ(Read(2), -321);
  ServoBus bus = Bus();
  int16_t current = -1;
  EXPECT_TRUE(ReadMemMap(bus, 2, &current));
  EXPECT_EQ(current, 0);             // torque off: no current
  EXPECT_EQ(log.Text(), "start. ");  // reads write no lines
}

TEST_F(VirtualRobotTest, ReadingNoiseIsOneCountEitherWayAndRepeatsWithItsSeed) {
  ASSERT_TRUE(robot.MoveByHand(1, 500));
  auto readings = [&](uint32_t seed) {
    robot.SetReadingNoise(true, seed);
    std::vector<int16_t> out;
    for (int i = 0; i < 60; ++i) out.push_back(Read(1));
    return out;
  };
  const std::vector<int16_t> first = readings(9);
  EXPECT_EQ(readings(9), first);
  EXPECT_EQ(*std::min_element(first.begin(), first.end()), 499);
  EXPECT_EQ(*std::max_element(first.begin(), first.end()), 501);
  EXPECT_EQ(robot.PresentPosition(1), 500);  // the servo itself stays where the hand left it
  robot.SetReadingNoise(false);
  EXPECT_EQ(Read(1), 500);
}

TEST_F(VirtualRobotTest, MovesLinearlyOverTheGoalTimeOnlyWhileTorqueIsOn) {
  ASSERT_TRUE(robot.MoveByHand(1, 100));
  Goal(1, 900, 100);  // torque off: the goal is kept but nothing moves
  clock.Advance(2000);
  EXPECT_EQ(Read(1), 100);

  Torque(1);
  EXPECT_EQ(Read(1), 100);  // switching on holds where it is
  EXPECT_FALSE(robot.MoveByHand(1, 0));
  const int16_t holding = robot.PresentCurrent(1);
  Goal(1, 900, 100);  // 800 counts in 1000 ms
  clock.Advance(250);
  EXPECT_EQ(Read(1), 300);
  EXPECT_GT(robot.PresentCurrent(1), holding);
  EXPECT_EQ(holding, VirtualServoBus::kHoldingCurrentMa);

  Torque(0);  // half way: the servo stops where it is
  clock.Advance(2000);
  EXPECT_EQ(Read(1), 300);
  EXPECT_FALSE(robot.Moving(1));

  Torque(1);
  Goal(1, -100, 0);  // no time: there at once
  EXPECT_EQ(Read(1), -100);
  Goal(1, 200, 30);
  clock.Advance(300);
  EXPECT_EQ(Read(1), 200);
  EXPECT_EQ(robot.PresentCurrent(1), holding);
}

TEST_F(VirtualRobotTest, KeepsWrittenRegistersAndIgnoresTheMeasuredOnes) {
  ServoBus bus = Bus();
  const uint8_t image[] = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(WriteMemMap(bus, 0x18, 6, 3, 1, image));
  const uint8_t torque[] = {70, 80};
  ASSERT_TRUE(WriteMemMap(bus, 0x23, 1, 1, 2, torque));
  for (int a = 0; a < 6; ++a) EXPECT_EQ(robot.Register(3, 0x18 + a), a + 1);
  EXPECT_EQ(robot.Register(1, 0x23), 70);
  EXPECT_EQ(robot.Register(2, 0x23), 80);
  EXPECT_EQ(robot.Register(3, 0x23), 100);  // untouched default
  const uint8_t fake[] = {0x55, 0x55};
  ASSERT_TRUE(WriteMemMap(bus, kRegPresentPosition, 2, 4, 1, fake));
  EXPECT_EQ(Read(4), 0);
}

TEST_F(VirtualRobotTest, ServosBeyondTheAnsweringCountStaySilent) {
  robot.SetAnsweringServos(2);
  ServoBus bus = Bus();
  const uint32_t before = clock.NowMs();
  EXPECT_FALSE(RecvPose(bus, 3, nullptr));
  EXPECT_EQ(clock.NowMs() - before, kWaitedOut);  // the read waited it out
  EXPECT_EQ(log.Text(), "start. ");
  EXPECT_EQ(Read(2), 0);
  ASSERT_TRUE(MotorPow(bus, 1, 3));  // writes expect no answer, so this succeeds
  EXPECT_TRUE(robot.TorqueOn(2));
  EXPECT_FALSE(robot.TorqueOn(3));
}

TEST_F(VirtualRobotTest, ServosFindPacketsInNoiseAndDropHalfPacketsAfterAPause) {
  Packet on;
  ASSERT_TRUE(BuildMotorPow(1, 1, on));
  std::size_t n = 0;
  // Noise, including a request with a bad checksum, before the packet.
  Bytes noisy = {0x00, 0xFA, 0xAF, 0x01, 0x0F, 0x2A, 0x02, 0x00, 0x99, 0xFA};
  noisy.insert(noisy.end(), on.bytes.begin(), on.bytes.begin() + on.size);
  device->Write(noisy.data(), noisy.size(), &n);
  EXPECT_TRUE(robot.TorqueOn(1));

  // A packet in two writes arrives whole when no pause separates them.
  Packet off;
  ASSERT_TRUE(BuildMotorPow(0, 1, off));
  device->Write(off.bytes.data(), 5, &n);
  device->Write(off.bytes.data() + 5, off.size - 5, &n);
  EXPECT_FALSE(robot.TorqueOn(1));

  // After a pause the first half is forgotten, and the second is noise.
  device->Write(on.bytes.data(), 5, &n);
  clock.Advance(50);
  device->Write(on.bytes.data() + 5, on.size - 5, &n);
  EXPECT_FALSE(robot.TorqueOn(1));
  device->Write(on.bytes.data(), on.size, &n);
  EXPECT_TRUE(robot.TorqueOn(1));
}

struct FaultCase {
  VirtualFault fault;
  bool onRead;  // stage it for the read (else for a write)
  const char* line;
  uint32_t waitedMs;
};

TEST_F(VirtualRobotTest, EachStagedFaultFailsOneTransferTheWayTheBusWould) {
  const FaultCase cases[] = {
      {VirtualFault::kShortEcho, false, "recv error. ", kWaitedOut},
      {VirtualFault::kMissingEcho, false, "recv error. ", kWaitedOut},
      {VirtualFault::kWrongEchoByte, false, "verify error. ", 0},
      {VirtualFault::kShortEcho, true, "recv error. ", kWaitedOut},
      {VirtualFault::kWrongEchoByte, true, "verify error. ", 0},
      {VirtualFault::kShortReply, true, "", kWaitedOut},
      {VirtualFault::kBadChecksum, true, "", 0},
      {VirtualFault::kStalledReply, true, "", kWaitedOut},
      {VirtualFault::kLateReply, true, "", kWaitedOut},
      {VirtualFault::kWrongHeader, true, "", 0},
      {VirtualFault::kWrongId, true, "", 0},
      {VirtualFault::kWrongAddress, true, "", 0},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    log.Replace("start. ");
    ServoBus bus = Bus();
    robot.InjectFault(c.fault);
    const uint32_t before = clock.NowMs();
    const bool ok = c.onRead ? RecvPose(bus, 1, nullptr) : MotorPow(bus, 1, 1);
    EXPECT_FALSE(ok);
    EXPECT_EQ(clock.NowMs() - before, c.waitedMs);
    if (c.onRead) {
      EXPECT_EQ(log.Text(), *c.line != 0 ? std::string(c.line) + "\r\nstart. " : "start. ");
    } else {
      // The error line goes on top of the dump written before the send.
      const std::string expected = std::string(c.line) + "\r\nMotorPow 1\twbuf:0xfa ";
      EXPECT_EQ(log.Text().substr(0, expected.size()), expected);
    }
    EXPECT_EQ(robot.PendingFaults(), 0u);
    // A garbled or cut-off packet never reaches the servos; the fault hits one transfer only,
    // and whatever of it came late is gone before the next read.
    EXPECT_FALSE(robot.TorqueOn(1));
    EXPECT_EQ(Read(1), 0);
  }
}

TEST_F(VirtualRobotTest, AReplyFaultWaitsForARequestToTheAddressItNames) {
  robot.InjectFault(VirtualFault::kBadChecksum, kRegPresentCurrent);
  ServoBus bus = Bus();
  ASSERT_TRUE(MotorPow(bus, 1, 2));           // a write: not the target
  EXPECT_EQ(Read(1), 0);                      // another address: not the target
  EXPECT_FALSE(ReadMemMap(bus, 1, nullptr));  // this one
  EXPECT_TRUE(ReadMemMap(bus, 1, nullptr));
}

TEST_F(VirtualRobotTest, UnpluggingKillsTheHandleForGood) {
  robot.SetPlugged(false);
  uint32_t count = 9;
  robot.GetNumDevices(&count, kBridgeVid, kBridgePid);
  EXPECT_EQ(count, 0u);
  ServoBus bus = Bus();
  const uint32_t before = clock.NowMs();
  EXPECT_FALSE(RecvPose(bus, 1, nullptr));
  EXPECT_FALSE(MotorPow(bus, 1, 3));
  EXPECT_EQ(clock.NowMs(), before);  // a vanished device fails at once
  robot.SetPlugged(true);
  EXPECT_FALSE(RecvPose(bus, 1, nullptr));
  HidUartDevice* again = nullptr;
  EXPECT_NE(robot.Open(&again, 0, kBridgeVid, kBridgePid), kHidUartSuccess);  // still open
  EXPECT_EQ(robot.Close(device), kHidUartSuccess);
  device = nullptr;
  ASSERT_EQ(robot.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
  EXPECT_EQ(Read(1), 0);
  // A reset re-enumerates the bridge: the handle is dead until it is opened again.
  EXPECT_EQ(device->Reset(), kHidUartSuccess);
  ServoBus after = Bus();
  EXPECT_FALSE(RecvPose(after, 1, nullptr));
}

// The chip as the bridge code meets it: a busy bridge cannot be opened, data comes in reports of
// at most 63 bytes counted by their report ID, and the pin configuration takes one write only.
TEST(Cp2110Emulator, BehavesAsTheChipAtTheHidapiCalls) {
  FakeClock clock;
  VirtualRobot robot(clock, "0007");
  Cp2110Emulator& chip = robot.Chip();
  const std::vector<HidDeviceEntry> list = chip.Enumerate(kBridgeVid, kBridgePid);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].serialNumber, L"0007");
  EXPECT_TRUE(chip.Enumerate(kBridgeVid, 0xEA90).empty());
  robot.SetBusy(true);
  HidUartDevice* device = nullptr;
  EXPECT_NE(robot.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
  robot.SetBusy(false);
  HidHandle* handle = chip.OpenPath(list[0].path);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(chip.OpenPath(list[0].path), nullptr);  // one handle at a time

  // The UART is off until enabled: what is sent before goes nowhere.
  Packet on;
  ASSERT_TRUE(BuildMotorPow(1, 5, on));
  std::array<uint8_t, 64> report{};
  report[0] = static_cast<uint8_t>(on.size);
  std::copy_n(on.bytes.begin(), on.size, report.begin() + 1);
  ASSERT_EQ(chip.Write(handle, report.data(), report.size()), 64);
  std::array<uint8_t, 64> in{};
  EXPECT_EQ(chip.ReadTimeout(handle, in.data(), in.size(), 5), 0);
  const uint8_t enable[64] = {0x41, 0x01};
  ASSERT_GE(chip.SendFeatureReport(handle, enable, sizeof enable), 0);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(chip.Write(handle, report.data(), report.size()), 64);
  // 4 x 18 echo bytes: one full report of 63, then the rest.
  EXPECT_EQ(chip.ReadTimeout(handle, in.data(), in.size(), 0), 63 + 1);
  EXPECT_EQ(in[0], 63);
  EXPECT_EQ(chip.ReadTimeout(handle, in.data(), in.size(), 0), 9 + 1);
  EXPECT_TRUE(robot.TorqueOn(5));
  const uint8_t bad[64] = {64};
  EXPECT_EQ(chip.Write(handle, bad, sizeof bad), -1);  // no report carries 64 data bytes

  HidUartPinConfig pins = robot.PinConfig();
  pins.pins[10] = 0x01;
  const Cp2110Report set = EncodePinConfig(pins);
  ASSERT_GE(chip.SendFeatureReport(handle, set.data(), set.size()), 0);
  pins.pins[10] = 0x02;
  const Cp2110Report again = EncodePinConfig(pins);
  ASSERT_GE(chip.SendFeatureReport(handle, again.data(), again.size()), 0);
  EXPECT_EQ(robot.PinConfig().pins[10], 0x01);  // programmed once, for good
  EXPECT_EQ(robot.PinConfigSets(), 2);
  chip.Close(handle);
}

TEST(BridgeList, ListsTheHardwareFirstAndRoutesEachHandleToItsOwner) {
  FakeClock clock;
  VirtualRobot hardware(clock, "0001");
  VirtualRobot virtualRobot(clock, VirtualRobot::kDefaultSerial, /*plugged=*/false);
  BridgeList list(&hardware, virtualRobot);
  uint32_t count = 0;
  list.GetNumDevices(&count, kBridgeVid, kBridgePid);
  EXPECT_EQ(count, 1u);

  list.SetVirtualRobotListed(true);
  EXPECT_TRUE(list.IsVirtualRobotListed());
  list.GetNumDevices(&count, kBridgeVid, kBridgePid);
  ASSERT_EQ(count, 2u);
  char text[64] = {};
  list.GetString(0, kBridgeVid, kBridgePid, text, sizeof text, kHidUartSerialString);
  EXPECT_STREQ(text, "0001");
  list.GetString(1, kBridgeVid, kBridgePid, text, sizeof text, kHidUartSerialString);
  EXPECT_STREQ(text, "VIRTUAL");

  HidUartDevice* v = nullptr;
  HidUartDevice* h = nullptr;
  ASSERT_EQ(list.Open(&v, 1, kBridgeVid, kBridgePid), kHidUartSuccess);
  ASSERT_EQ(list.Open(&h, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
  EXPECT_TRUE(virtualRobot.IsOpen());
  EXPECT_TRUE(hardware.IsOpen());
  EXPECT_EQ(list.Close(v), kHidUartSuccess);
  EXPECT_FALSE(virtualRobot.IsOpen());
  EXPECT_TRUE(hardware.IsOpen());
  EXPECT_EQ(list.Close(h), kHidUartSuccess);
  EXPECT_FALSE(hardware.IsOpen());

  // Taking the virtual robot off the list is unplugging it.
  list.SetVirtualRobotListed(false);
  list.GetNumDevices(&count, kBridgeVid, kBridgePid);
  EXPECT_EQ(count, 1u);
  BridgeList noHardware(nullptr, virtualRobot);
  noHardware.GetNumDevices(&count, kBridgeVid, kBridgePid);
  EXPECT_EQ(count, 0u);
}

// The bridge code's clock over the emulator's: the host stalls (a loaded machine, a swapping
// laptop) at the `stallAt`-th time it looks at the clock, and the emulator's clock jumps past the
// read time-out while the answer arrives.
class StallingClock final : public Clock {
 public:
  StallingClock(FakeClock& clock, int stallAt) : clock_(clock), stallAt_(stallAt) {}
  uint32_t NowMs() override {
    if (armed && --stallAt_ == 0) clock_.Advance(kServoReadTimeoutMs + 5);
    return clock_.NowMs();
  }
  void SleepMs(uint32_t ms) override { clock_.SleepMs(ms); }
  bool armed = false;

 private:
  FakeClock& clock_;
  int stallAt_;
};

// A stall of the host anywhere in an exchange whose answer has arrived meanwhile does not fail
// the read: the bytes already waiting are taken before the read gives up.
TEST(Cp2110Emulator, AHostStallInTheMiddleOfAnAnswerDoesNotFailTheRead) {
  for (int stallAt = 1; stallAt <= 12; ++stallAt) {
    SCOPED_TRACE(stallAt);
    FakeClock clock{1000};
    Cp2110Emulator chip(clock, "0001", true);
    StallingClock hostClock(clock, stallAt);
    Cp2110Bridge bridge(chip, hostClock);
    HidUartDevice* device = nullptr;
    ASSERT_EQ(bridge.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
    device->SetTimeouts(kServoReadTimeoutMs, kHidUartDefaultTimeoutMs);
    CommLog log;
    ServoBus bus{*device, log};
    int16_t position = 0;
    hostClock.armed = true;
    EXPECT_TRUE(RecvPose(bus, 2, &position));
    EXPECT_EQ(position, chip.PresentPosition(2));
    EXPECT_EQ(log.Text(), "");
    bridge.Close(device);
  }
}

}  // namespace
}  // namespace velmora
