#include "link/servo_link.h"

#include <gtest/gtest.h>

#include <optional>

#include "base/guarded.h"
#include "geometry/coordinate_system.h"
#include "geometry/settings.h"
#include "link/bridge_list.h"
#include "link/busy_state.h"
#include "link/link_fixture.h"
#include "link/recorder.h"
#include "link/servo_packets.h"
#include "link/worker_hooks.h"
#include "support/stepping_clock.h"

namespace velmora {
namespace {

using testing::Bytes;
using testing::IsRead;
using testing::LinkFixture;

// Appends the checksum: the XOR of every byte after the two header bytes.
Bytes WithSum(Bytes p) {
  uint8_t sum = 0;
  for (std::size_t i = 2; i < p.size(); ++i) sum ^= p[i];
  p.push_back(sum);
  return p;
}

std::vector<int> Addresses(const std::vector<Bytes>& packets) {
  std::vector<int> out;
  for (const Bytes& p : packets) out.push_back(p[4]);
  return out;
}

using ServoLinkTest = LinkFixture;

TEST_F(ServoLinkTest, ConnectingPreparesTheBridgeTheTableAndTheControls) {
  table.QueueGoal(2, 123, 4);  // left over from before: dropped on connect
  table.SetRegister(1, 0x23, 77);
  Connect(3, false);
  EXPECT_EQ(robot.PinConfig().pins[10], 0x01);  // TX open-drain for the half-duplex bus
  EXPECT_EQ(robot.PinConfig().pins[11], 0x02);  // the rest as read
  EXPECT_EQ(robot.PinConfig().rs485Level, 1);
  EXPECT_EQ(table.Entry(2).requests, 0u);
  EXPECT_EQ(table.Entry(2).goalPosition, 0);
  EXPECT_EQ(table.RegisterImage(1)[0x23], 77);  // register images survive
  EXPECT_FALSE(controls.ListEnabled());
  EXPECT_EQ(table.axisCount.load(), 3);
  EXPECT_EQ(log.Text(), ConnectLine(3));
  EXPECT_EQ(sink.connectionChanges.load(), 1);
  EXPECT_EQ(controls.Devices(), (std::vector<std::string>{"0001"}));
}

TEST_F(ServoLinkTest, FirstCycleReadsThenWritesRegistersAndTheMotorState) {
  Connect(3, false);
  const uint32_t before = clock.NowMs();
  link.RunOnce();
  const std::vector<Bytes> all = Sent(false);
  EXPECT_EQ(Addresses(all), (std::vector<int>{0x30, 0x30, 0x30, 0x2A, 0x2A, 0x2A, 0x18, 0x18, 0x18,
                                              0x18, 0x18, 0x23, 0x24}));
  std::vector<Bytes> writes;
  for (const Bytes& p : all) {
    if (!IsRead(p)) writes.push_back(p);
  }
  const std::vector<Bytes> expected = {
      WithSum({0xFA, 0xAF, 0, 0, 0x18, 0x07, 0x01, 0x01, 4, 4, 8, 8, 88, 7}),
      WithSum({0xFA, 0xAF, 0, 0, 0x18, 0x07, 0x01, 0x02, 4, 4, 8, 8, 88, 7}),
      WithSum({0xFA, 0xAF, 0, 0, 0x18, 0x07, 0x01, 0x03, 2, 2, 8, 8, 88, 2}),
      WithSum({0xFA, 0xAF, 0, 0, 0x18, 0x07, 0x01, 0x04, 2, 2, 8, 8, 88, 2}),
      WithSum({0xFA, 0xAF, 0, 0, 0x18, 0x07, 0x01, 0x05, 2, 2, 8, 8, 88, 2}),
      {0xFA, 0xAF, 0x00, 0x00, 0x23, 0x02, 0x03, 0x01, 0x64, 0x02, 0x64, 0x03, 0x64, 0x46},
      {0xFA, 0xAF, 0x00, 0x00, 0x24, 0x02, 0x03, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x25},
  };
  EXPECT_EQ(writes, expected);
  EXPECT_EQ(clock.NowMs() - before, ServoLink::kCyclePauseMs);

  // Torque switching and register writes are logged, newest first, above the connect line.
  const std::string text = log.Text();
  const std::string top =
      "MotorPow 0\twbuf:0xfa 0xaf 0x00 0x00 0x24 0x02 0x03 0x01 0x00 0x02 0x00 0x03 0x00 0x25 "
      "\r\n";
  EXPECT_EQ(text.substr(0, top.size()), top);
  EXPECT_NE(text.find("\r\nWriteMemMap(ID1-3,adr:0x23-0x23)\twbuf:0xfa "), std::string::npos);
  EXPECT_NE(text.find("\r\nWriteMemMap(ID5-5,adr:0x18-0x1d)\twbuf:0xfa "), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - ConnectLine(3).size()), ConnectLine(3));

  // Later cycles only read while nothing is asked of them.
  link.RunOnce();
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ServoLinkTest, ConnectingWithTheMotorsOnMovesToTheCurrentPoseInTwoSeconds) {
  Pose pose;
  pose.motorValues = {100, -200, 300, -400, 500};
  motion.SetCurrent(pose);
  Connect(5, true);
  link.RunOnce();
  const std::vector<Bytes> writes = Sent();
  ASSERT_EQ(writes.size(), 8u);  // five compliance writes, max torque, torque, the move
  EXPECT_EQ(writes[6], WithSum({0xFA, 0xAF, 0, 0, 0x24, 0x02, 0x05, 1, 1, 2, 1, 3, 1, 4, 1, 5, 1}));
  EXPECT_EQ(writes[7], WithSum({0xFA, 0xAF, 0,    0,    0x1E, 0x05, 0x05,  //
                                0x01, 0x64, 0x00, 0xC8, 0x00,              //
                                0x02, 0x38, 0xFF, 0xC8, 0x00,              //
                                0x03, 0x2C, 0x01, 0xC8, 0x00,              //
                                0x04, 0x70, 0xFE, 0xC8, 0x00,              //
                                0x05, 0xF4, 0x01, 0xC8, 0x00}));
  // The arm gets there on the clock, and the table follows it.
  while (clock.NowMs() < 5000 + 2100) link.RunOnce();
  for (int id = 1; id <= 5; ++id) {
    EXPECT_EQ(table.PresentPosition(id), pose.motorValues[static_cast<std::size_t>(id - 1)]);
  }
}

TEST_F(ServoLinkTest, QueuedGoalsGoOutAsOnePacketPerRunOfConsecutiveIds) {
  Connect(5, true);
  link.RunOnce();
  Sent();
  table.QueueGoal(1, 10, 5);
  table.QueueGoal(2, -20, 6);
  table.QueueGoal(4, 40, 7);
  table.QueueGoal(4, 41, 8);  // only the last goal written counts
  link.RunOnce();
  const std::vector<Bytes> writes = Sent();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], WithSum({0xFA, 0xAF, 0, 0, 0x1E, 0x05, 0x02, 0x01, 0x0A, 0x00, 0x05, 0x00,
                                0x02, 0xEC, 0xFF, 0x06, 0x00}));
  EXPECT_EQ(writes[1], WithSum({0xFA, 0xAF, 0, 0, 0x1E, 0x05, 0x01, 0x04, 0x29, 0x00, 0x08, 0x00}));
  for (int id = 1; id <= 5; ++id) EXPECT_EQ(table.Entry(id).requests, 0u);
  link.RunOnce();
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ServoLinkTest, GoalsWaitForTheMotorsAndFollowTheTwoSecondMove) {
  Connect(3, false);
  link.RunOnce();
  Sent();
  table.QueueGoal(2, 222, 10);
  table.QueueGoal(5, 555, 10);  // beyond the axis count: never sent
  link.RunOnce();
  link.RunOnce();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(table.Entry(2).requests, uint32_t{kSendGoal});

  controls.SetToggle(kMotorToggle, true);
  link.RunOnce();
  const std::vector<Bytes> writes = Sent();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0][4], kRegTorqueEnable);
  EXPECT_EQ(writes[1][4], kRegGoalPosition);  // the move to the current Pose...
  EXPECT_EQ(writes[1][6], 3);
  EXPECT_EQ(writes[2], WithSum({0xFA, 0xAF, 0, 0, 0x1E, 0x05, 0x01, 0x02, 0xDE, 0x00, 0x0A,
                                0x00}));  // ...then the goal that waited
  EXPECT_EQ(table.Entry(5).requests, uint32_t{kSendGoal});

  controls.SetToggle(kMotorToggle, false);
  link.RunOnce();
  EXPECT_EQ(Sent(), (std::vector<Bytes>{{0xFA, 0xAF, 0x00, 0x00, 0x24, 0x02, 0x03, 0x01, 0x00, 0x02,
                                         0x00, 0x03, 0x00, 0x25}}));
}

TEST_F(ServoLinkTest, RegistersAreWrittenWhenTheLastServoInUseAsksForIt) {
  Connect(3, false);
  link.RunOnce();
  Sent();
  table.SetRequests(1, kWriteRegisters);
  link.RunOnce();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(table.Entry(1).requests, 0u);

  table.SetRegister(3, 0x1C, 0x20);
  table.SetRegister(2, 0x23, 50);
  for (int id = 1; id <= 5; ++id) table.SetRequests(id, kWriteRegisters);
  link.RunOnce();
  const std::vector<Bytes> writes = Sent();
  EXPECT_EQ(Addresses(writes), (std::vector<int>{0x18, 0x18, 0x18, 0x18, 0x18, 0x23}));
  EXPECT_EQ(writes[2], WithSum({0xFA, 0xAF, 0, 0, 0x18, 0x07, 0x01, 0x03, 2, 2, 8, 8, 0x20, 2}));
  EXPECT_EQ(writes[5], WithSum({0xFA, 0xAF, 0, 0, 0x23, 0x02, 0x03, 1, 100, 2, 50, 3, 100}));
  EXPECT_EQ(robot.Register(2, 0x23), 50);
  for (int id = 1; id <= 3; ++id) EXPECT_EQ(table.Entry(id).requests, 0u);
  // The servos not in use keep their flags; nothing reads them.
  EXPECT_EQ(table.Entry(4).requests, uint32_t{kWriteRegisters});
}

TEST_F(ServoLinkTest, CurrentsAreReadEverySixthCycleAndTheirFailuresIgnored) {
  Pose pose;
  pose.motorValues = {900, 0, 0, 0, 0};
  motion.SetCurrent(pose);
  Connect(3, true);
  int currentReads = 0;
  for (int cycle = 0; cycle < 13; ++cycle) {
    link.RunOnce();
    for (const Bytes& p : Sent(false)) currentReads += IsRead(p) && p[4] == kRegPresentCurrent;
    if (cycle == 0) {
      // Read before the torque came on.
      EXPECT_EQ(table.motorCurrents[0].load(), 0);
    }
    if (cycle == 6) {
      // ID1 is on its way, the others hold.
      EXPECT_GT(table.motorCurrents[0].load(), VirtualServoBus::kHoldingCurrentMa);
      EXPECT_EQ(table.motorCurrents[1].load(), VirtualServoBus::kHoldingCurrentMa);
    }
    if (cycle == 11) robot.InjectFault(VirtualFault::kBadChecksum, kRegPresentCurrent);
  }
  EXPECT_EQ(currentReads, 9);  // cycles 0, 6 and 12
  EXPECT_TRUE(table.connected.load());
  EXPECT_EQ(table.motorCurrents[0].load(), 0);  // a bad answer: 0
  EXPECT_EQ(table.motorCurrents[2].load(), VirtualServoBus::kHoldingCurrentMa);

  // No answer at all ends the current reads of the cycle: were the servo gone, its position
  // read would end the connection, and each of the others would first wait out a time-out.
  robot.InjectFault(VirtualFault::kStalledReply, kRegPresentCurrent);
  for (int cycle = 13; cycle < 19; ++cycle) link.RunOnce();
  currentReads = 0;
  for (const Bytes& p : Sent(false)) currentReads += IsRead(p) && p[4] == kRegPresentCurrent;
  EXPECT_EQ(currentReads, 1);
  EXPECT_TRUE(table.connected.load());
  EXPECT_EQ(table.motorCurrents[2].load(), 0);
}

TEST_F(ServoLinkTest, UnpluggingEndsTheConnectionButKeepsTheMotorToggle) {
  Connect(3, true);
  link.RunOnce();
  const std::string before = log.Text();
  robot.SetPlugged(false);
  link.RunOnce();
  EXPECT_FALSE(table.connected.load());
  EXPECT_FALSE(robot.IsOpen());
  EXPECT_FALSE(controls.IsToggleChecked(kCommunicationToggle));
  EXPECT_TRUE(controls.IsToggleChecked(kMotorToggle));
  EXPECT_TRUE(controls.ListEnabled());
  EXPECT_EQ(log.Text(), "Disconnect.\r\n" + before);
  EXPECT_EQ(sink.connectionChanges.load(), 2);

  // Plugged in again, the next connection switches the torque straight back on.
  robot.SetPlugged(true);
  controls.SetToggle(kCommunicationToggle, true);
  link.RunOnce();
  ASSERT_TRUE(table.connected.load());
  link.RunOnce();
  EXPECT_TRUE(robot.TorqueOn(3));
}

TEST_F(ServoLinkTest, ARecvErrorLeavesItsLineUnderDisconnectAndSendsNothingMore) {
  Connect(5, false);
  link.RunOnce();  // the torque is known to be off from here on
  Sent();
  log.Replace(ConnectLine(5));
  robot.InjectFault(VirtualFault::kShortEcho, kRegPresentPosition);
  link.RunOnce();
  EXPECT_EQ(log.Text(), "Disconnect.\r\nrecv error. \r\n" + ConnectLine(5));
  // No register writes, no goals: the bus is not trusted after a failure.
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(table.connected.load());
}

// The window shows the robot disconnected after a fault: an arm left powered and holding would
// contradict it. Once the bridge is back from its reset, the torque is switched off.
TEST_F(ServoLinkTest, AFaultWithTheTorqueOnOrUnknownSwitchesItOffAfterTheReset) {
  const std::string motorPowOff =
      "MotorPow 0\twbuf:0xfa 0xaf 0x00 0x00 0x24 0x02 0x05 0x01 0x00 0x02 0x00 0x03 0x00 0x04 "
      "0x00 0x05 0x00 0x22 ";
  Connect(5, true);
  link.RunOnce();
  ASSERT_TRUE(robot.TorqueOn(5));
  robot.InjectFault(VirtualFault::kWrongHeader, kRegPresentPosition);
  Sent();
  link.RunOnce();
  EXPECT_FALSE(table.connected.load());
  for (int id = 1; id <= 5; ++id) EXPECT_FALSE(robot.TorqueOn(id)) << id;
  EXPECT_EQ(log.Text().substr(0, 13 + motorPowOff.size() + 2),
            "Disconnect.\r\n" + motorPowOff + "\r\n");
  EXPECT_EQ(Sent().size(), 1u);
  EXPECT_FALSE(robot.IsOpen());
  EXPECT_TRUE(controls.IsToggleChecked(kMotorToggle));  // as before: the next connect turns it on

  // A fault before this connection has switched anything: the servos may still hold from an
  // earlier one, so the torque goes off too.
  Connect(5, false);
  robot.InjectFault(VirtualFault::kMissingEcho, kRegPresentPosition);
  link.RunOnce();
  EXPECT_EQ(log.Text().substr(0, 13 + motorPowOff.size() + 2 + 14),
            "Disconnect.\r\n" + motorPowOff + "\r\nrecv error. \r\n");

  // Unplugged: the bridge does not come back, and nothing more is tried.
  Connect(5, true);
  link.RunOnce();
  robot.SetPlugged(false);
  const std::string before = log.Text();
  const uint32_t start = clock.NowMs();
  link.RunOnce();
  EXPECT_FALSE(table.connected.load());
  EXPECT_EQ(log.Text(), "Disconnect.\r\n" + before);
  // Nor waited for: a bridge that cannot take the reset is not opened again.
  EXPECT_LT(clock.NowMs() - start, ServoLink::kIdlePauseMs);
}

// What the workers and the views read as connected drops at the fault, before the torque-off,
// which waits for the bridge to come back from its reset; the log keeps its order.
TEST_F(ServoLinkTest, AFaultClearsConnectedBeforeTheTorqueOffWaitsForTheBridge) {
  constexpr uint32_t kReenumerationMs = 200;
  robot.SetReenumerationMs(kReenumerationMs);
  Connect(5, true);
  link.RunOnce();
  ASSERT_TRUE(robot.TorqueOn(1));
  robot.InjectFault(VirtualFault::kWrongHeader, kRegPresentPosition);
  std::optional<uint32_t> clearedAt;
  bool torqueWhenCleared = false;
  sink.onConnection = [&] {
    if (table.connected.load()) return;
    clearedAt = clock.NowMs();
    torqueWhenCleared = robot.TorqueOn(1);
  };
  const uint32_t start = clock.NowMs();
  link.RunOnce();
  ASSERT_TRUE(clearedAt.has_value());
  EXPECT_LT(*clearedAt - start, kServoReadTimeoutMs);
  EXPECT_TRUE(torqueWhenCleared);
  EXPECT_GE(clock.NowMs() - *clearedAt, kReenumerationMs);
  for (int id = 1; id <= 5; ++id) EXPECT_FALSE(robot.TorqueOn(id)) << id;
  EXPECT_EQ(log.Text().rfind("Disconnect.\r\nMotorPow 0\t", 0), 0u);
  EXPECT_EQ(sink.connectionChanges.load(), 2);
}

// A recording with the motors left on, on a bridge that is unplugged: not one Pose of the frozen
// last position goes in after the unplug.
TEST_F(ServoLinkTest, AnUnpluggedRobotRecordsNothingMore) {
  class CountingHooks final : public WorkerHooks {
   public:
    void SetBusyCommands(bool) override {}
    void EnablePaneFields(bool) override {}
    void HighlightRow(std::size_t) override {}
    void SelectPose(std::size_t) override {}
    void InsertCopyAfterCurrent(const Pose&) override { ++inserted; }
    void ClearMotorToggle() override {}
    void RecordStep() override {}
    int inserted = 0;
  } hooks;
  Connect(5, true);
  link.RunOnce();
  Geometry geo;
  Guarded<Settings> settings;
  settings.Update([](Settings& s) {
    s.recInterval = 80;
    s.recAutoPowOff = 0;
  });
  BusyState busy;
  testing::SteppingClock stepping{clock, link};
  std::optional<int> atUnplug;
  stepping.onCycle = [&](uint32_t) {
    if (hooks.inserted == 3 && !atUnplug) {
      robot.SetPlugged(false);
      atUnplug = hooks.inserted;
    }
  };
  Recorder recorder(geo, table, settings, busy, hooks, stepping);
  busy.recording = true;
  recorder.Run();
  ASSERT_TRUE(atUnplug.has_value());
  EXPECT_EQ(hooks.inserted, *atUnplug);
  EXPECT_FALSE(table.connected.load());
  EXPECT_FALSE(busy.recording.load());
}

// Servos that lost their power answer nothing. Each read waits a short time-out instead of the
// bridge's second, and the current reads of the cycle stop at the first silent servo, so the link
// lets go within a fraction of a second, even in the cycle that reads five currents first.
TEST_F(ServoLinkTest, ASilentBusIsLetGoWithin300Ms) {
  for (const int quietFromCycle : {0, 1}) {
    SCOPED_TRACE(quietFromCycle);
    Connect(5, true);
    if (quietFromCycle == 1) link.RunOnce();
    robot.SetAnsweringServos(0);
    const uint32_t start = clock.NowMs();  // the first read of the cycle goes unanswered
    link.RunOnce();
    EXPECT_FALSE(table.connected.load());
    EXPECT_LE(clock.NowMs() - start, 300u);
    EXPECT_EQ(log.Text().substr(0, 13), "Disconnect.\r\n");
    robot.SetAnsweringServos(5);
  }
}

// A late answer is dropped before the next transfer: it fails its own read and no other.
TEST_F(ServoLinkTest, ALateAnswerFailsItsOwnReadOnly) {
  Connect(3, true);
  for (int cycle = 0; cycle < 6; ++cycle) link.RunOnce();
  robot.InjectFault(VirtualFault::kLateReply, kRegPresentCurrent);
  const std::string before = log.Text();
  link.RunOnce();
  EXPECT_TRUE(table.connected.load());
  EXPECT_EQ(table.motorCurrents[0].load(), 0);
  EXPECT_EQ(table.motorCurrents[1].load(), VirtualServoBus::kHoldingCurrentMa);
  EXPECT_EQ(table.motorCurrents[2].load(), VirtualServoBus::kHoldingCurrentMa);
  EXPECT_EQ(log.Text(), before);  // no echo was spoilt by it

  robot.InjectFault(VirtualFault::kLateReply, kRegPresentPosition);
  link.RunOnce();
  EXPECT_FALSE(table.connected.load());
  EXPECT_EQ(log.Text().find("verify error. "), std::string::npos);
}

struct LinkFaultCase {
  VirtualFault fault;
  int address;
  const char* line;  // the line above "Disconnect.", if any
};

TEST_F(ServoLinkTest, EveryTransferFaultEndsInTheFailurePath) {
  const LinkFaultCase cases[] = {
      {VirtualFault::kShortEcho, kRegPresentPosition, "recv error. "},
      {VirtualFault::kMissingEcho, kRegPresentPosition, "recv error. "},
      {VirtualFault::kWrongEchoByte, kRegPresentPosition, "verify error. "},
      {VirtualFault::kShortReply, kRegPresentPosition, nullptr},
      {VirtualFault::kBadChecksum, kRegPresentPosition, nullptr},
      {VirtualFault::kStalledReply, kRegPresentPosition, nullptr},
      {VirtualFault::kWrongHeader, kRegPresentPosition, nullptr},
      {VirtualFault::kWrongId, kRegPresentPosition, nullptr},
      {VirtualFault::kWrongAddress, kRegPresentPosition, nullptr},
      {VirtualFault::kWrongEchoByte, kRegTorqueEnable, "verify error. "},
      {VirtualFault::kMissingEcho, kRegGoalPosition, "recv error. "},
  };
  for (const LinkFaultCase& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.fault)) + " at " + std::to_string(c.address));
    Connect(3, false);
    link.RunOnce();
    if (c.address == kRegGoalPosition) {
      controls.SetToggle(kMotorToggle, true);
      link.RunOnce();
      table.QueueGoal(1, 5, 5);
    } else if (c.address == kRegTorqueEnable) {
      controls.SetToggle(kMotorToggle, true);
    }
    robot.InjectFault(c.fault, c.address);
    const std::string before = log.Text();
    const uint32_t start = clock.NowMs();
    link.RunOnce();
    EXPECT_FALSE(table.connected.load());
    EXPECT_EQ(robot.PendingFaults(), 0u);
    EXPECT_FALSE(controls.IsToggleChecked(kCommunicationToggle));
    // With the motors on, the torque is switched off after the reset.
    const bool motorsOn = controls.IsToggleChecked(kMotorToggle);
    const std::string top = std::string("Disconnect.\r\n") +
                            (motorsOn ? "MotorPow 0\twbuf:0xfa 0xaf 0x00 0x00 0x24 0x02 0x03 0x01 "
                                        "0x00 0x02 0x00 0x03 0x00 0x25 \r\n"
                                      : "") +
                            (c.line != nullptr ? std::string(c.line) + "\r\n" : "");
    EXPECT_EQ(log.Text().substr(0, top.size()), top);
    EXPECT_NE(log.Text().find(before.substr(0, before.size() - 1)), std::string::npos);
    // At most one time-out is waited out, however many servos there are.
    EXPECT_LE(clock.NowMs() - start, VirtualRobot::kReadTimeoutMs);
    controls.SetToggle(kMotorToggle, false);
    Sent();
  }
}

TEST_F(ServoLinkTest, AFailedMoveToTheCurrentPoseDoesNotEndTheConnection) {
  Connect(3, true);
  robot.InjectFault(VirtualFault::kWrongEchoByte, kRegGoalPosition);
  link.RunOnce();
  EXPECT_TRUE(table.connected.load());
  EXPECT_EQ(log.Text().substr(0, 16), "verify error. \r\n");
}

TEST_F(ServoLinkTest, SwitchingCommunicationOffSwitchesTheTorqueOff) {
  Connect(3, true);
  link.RunOnce();
  Sent();
  controls.SetToggle(kCommunicationToggle, false);
  link.RunOnce();
  EXPECT_EQ(Sent(), (std::vector<Bytes>{{0xFA, 0xAF, 0x00, 0x00, 0x24, 0x02, 0x03, 0x01, 0x00, 0x02,
                                         0x00, 0x03, 0x00, 0x25}}));
  EXPECT_FALSE(controls.IsToggleChecked(kMotorToggle));
  EXPECT_FALSE(table.connected.load());
  EXPECT_EQ(log.Text().substr(0, 13), "Disconnect.\r\n");
  EXPECT_FALSE(robot.TorqueOn(1));

  // With the motors off, nothing is sent on the way out.
  Connect(3, false);
  link.RunOnce();
  Sent();
  controls.SetToggle(kCommunicationToggle, false);
  link.RunOnce();
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(table.connected.load());
}

TEST_F(ServoLinkTest, MotorsSwitchedOnAreSwitchedOffEvenWhenBothTogglesClearTogether) {
  Connect(3, true);
  link.RunOnce();
  ASSERT_TRUE(robot.TorqueOn(2));
  controls.SetToggle(kMotorToggle, false);
  controls.SetToggle(kCommunicationToggle, false);
  link.RunOnce();
  EXPECT_FALSE(table.connected.load());
  EXPECT_FALSE(robot.TorqueOn(2));
}

TEST_F(ServoLinkTest, NoBridgeOrAFailedOpenClearsTheToggleSilently) {
  robot.SetPlugged(false);
  controls.SetToggle(kCommunicationToggle, true);
  link.RunOnce();
  EXPECT_FALSE(controls.IsToggleChecked(kCommunicationToggle));
  EXPECT_EQ(controls.Selection(), -1);

  robot.SetPlugged(true);
  HidUartDevice* elsewhere = nullptr;  // someone else holds the bridge
  ASSERT_EQ(robot.Open(&elsewhere, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
  controls.SetToggle(kCommunicationToggle, true);
  link.RunOnce();
  EXPECT_FALSE(controls.IsToggleChecked(kCommunicationToggle));
  EXPECT_FALSE(table.connected.load());
  EXPECT_EQ(log.Text(), "");
  robot.Close(elsewhere);
}

TEST(ServoLinkBridges, TheSelectionFollowsItsSerialWhenAnotherBridgeGoes) {
  FakeClock clock;
  VirtualRobot first(clock, "0001");
  VirtualRobot second(clock, "0002");
  BridgeList bridges(&first, second);
  ServoTable table;
  LinkControls controls;
  CommLog log;
  Motion motion;
  testing::FixedLocalTime localTime;
  ServoLink link({bridges, clock, table, controls, log, motion, localTime});

  link.RunOnce();
  ASSERT_EQ(controls.Devices(), (std::vector<std::string>{"0001", "0002"}));
  ASSERT_TRUE(controls.SelectDevice(1));
  first.SetPlugged(false);
  link.RunOnce();
  EXPECT_EQ(controls.Devices(), (std::vector<std::string>{"0002"}));
  EXPECT_EQ(controls.Selection(), 0);
  first.SetPlugged(true);
  link.RunOnce();
  EXPECT_EQ(controls.Selection(), 1);

  controls.SetToggle(kCommunicationToggle, true);
  link.RunOnce();
  EXPECT_TRUE(second.IsOpen());
  EXPECT_FALSE(first.IsOpen());
  EXPECT_EQ(log.Text(), "2026/12/7 01:14:14 Connect to 0002(3axis). ");
  link.Disconnect();
  EXPECT_FALSE(second.IsOpen());
}

}  // namespace
}  // namespace velmora
