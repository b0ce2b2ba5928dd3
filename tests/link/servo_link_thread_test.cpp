#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <thread>

#include "link/link_fixture.h"
#include "link/servo_packets.h"

namespace velmora {
namespace {

using testing::Bytes;
using testing::LinkFixture;
using testing::WaitUntil;

using ServoLinkThread = LinkFixture;

TEST_F(ServoLinkThread, StoppingFinishesTheCycleAndDisconnectsLikeSwitchingOff) {
  link.Start();
  controls.SetToggle(kMotorToggle, true);
  controls.SetToggle(kCommunicationToggle, true);
  ASSERT_TRUE(WaitUntil([&] { return robot.TorqueOn(3); }));
  link.Stop();
  EXPECT_FALSE(table.connected.load());
  EXPECT_FALSE(robot.IsOpen());
  EXPECT_FALSE(robot.TorqueOn(1));
  EXPECT_FALSE(controls.IsToggleChecked(kMotorToggle));
  EXPECT_TRUE(controls.ListEnabled());
  EXPECT_EQ(log.Text().substr(0, 13), "Disconnect.\r\n");
  EXPECT_NE(log.Text().find("MotorPow 0\twbuf:"), std::string::npos);
  link.Stop();  // a second stop is harmless
}

TEST_F(ServoLinkThread, ShutdownWaitsOnlyForConnectedToClear) {
  link.Start();
  controls.SetToggle(kCommunicationToggle, true);
  ASSERT_TRUE(WaitUntil([&] { return table.connected.load(); }));
  // The way the program ends: release the toggle, wait for the link to let go.
  controls.SetToggle(kCommunicationToggle, false);
  ASSERT_TRUE(WaitUntil([&] { return !table.connected.load(); }));
  EXPECT_FALSE(robot.IsOpen());
  link.Stop();
}

// The goal time that goes with a position, so that a torn goal shows.
uint16_t TimeFor(int16_t position) { return static_cast<uint16_t>(position * 7 + 3); }

TEST_F(ServoLinkThread, GoalsQueuedFromThreeThreadsArriveWholeAndTheLastOneWins) {
  Connect(5, true);
  link.Start();
  // Torque comes on a moment before the 2-second move to the current Pose goes out in the same
  // cycle; wait for that move too, so that only the writers' goals are left to check.
  ASSERT_TRUE(WaitUntil([&] {
    for (const Bytes& p : robot.Packets()) {
      if (p.size() > 4 && p[4] == kRegGoalPosition) return true;
    }
    return false;
  }));
  robot.ClearPackets();

  // The writers keep going for a few hundred link cycles (10 ms of link time each), and on a
  // loaded machine, where the link may run those cycles while the writers wait for a core,
  // until enough of their goals have gone out.
  constexpr int kWriters = 3;
  constexpr int kMaxGoalsEach = 10000;
  constexpr int kEnoughGoals = 150;
  const uint32_t until = clock.NowMs() + 300 * ServoLink::kCyclePauseMs;
  std::atomic<bool> enoughSent{false};
  const auto goalsOut = [this] {
    int goals = 0;
    for (const Bytes& p : robot.Packets()) {
      if (p.size() > 6 && p[4] == kRegGoalPosition) goals += p[6];
    }
    return goals;
  };
  std::array<std::thread, kWriters> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers[static_cast<std::size_t>(t)] = std::thread([this, t, until, &enoughSent, &goalsOut] {
      for (int i = 0; i < kMaxGoalsEach; ++i) {
        if (static_cast<int32_t>(until - clock.NowMs()) <= 0) {
          if (enoughSent.load()) break;
          if (t == 0 && i % 64 == 0 && goalsOut() >= kEnoughGoals) enoughSent.store(true);
        }
        const int id = 1 + (i + t) % 5;
        const auto position = static_cast<int16_t>(t * 10000 + i);
        table.QueueGoal(id, position, TimeFor(position));
        std::this_thread::yield();
      }
    });
  }
  for (std::thread& w : writers) w.join();
  std::array<ServoEntry, 5> last{};
  for (int id = 1; id <= 5; ++id) last[static_cast<std::size_t>(id - 1)] = table.Entry(id);
  ASSERT_TRUE(WaitUntil([&] {
    for (int id = 1; id <= 5; ++id) {
      if ((table.Entry(id).requests & kSendGoal) != 0) return false;
    }
    return true;
  }));
  link.Stop();

  // Every goal sent is one that was queued, whole; each writer's goals go out in the order it
  // queued them; and the last goal sent to each servo is the last one queued for it.
  std::map<std::pair<int, int>, int> lastSeq;  // (id, writer) -> sequence number
  std::array<int, 5> lastSent{};
  lastSent.fill(-1);
  int goalsSent = 0;
  for (const Bytes& p : robot.Packets()) {
    if (p[4] != kRegGoalPosition) continue;
    ASSERT_EQ(p.size(), 8u + p[6] * 5u);
    for (int b = 0; b < p[6]; ++b) {
      const std::size_t at = 7 + static_cast<std::size_t>(b) * 5;
      const int id = p[at];
      const auto position = static_cast<int16_t>(p[at + 1] | (p[at + 2] << 8));
      const auto time = static_cast<uint16_t>(p[at + 3] | (p[at + 4] << 8));
      ASSERT_EQ(time, TimeFor(position)) << "torn goal for ID" << id;
      const int writer = position / 10000;
      const int seq = position % 10000;
      ASSERT_EQ(1 + (seq + writer) % 5, id) << "goal sent to the wrong servo";
      auto [it, fresh] = lastSeq.try_emplace({id, writer}, seq);
      if (!fresh) {
        ASSERT_GT(seq, it->second) << "an older goal went out after a newer one";
        it->second = seq;
      }
      lastSent[static_cast<std::size_t>(id - 1)] = position;
      ++goalsSent;
    }
  }
  EXPECT_GT(goalsSent, 100);  // the writers really overlapped the link's cycles
  for (int id = 1; id <= 5; ++id) {
    EXPECT_EQ(lastSent[static_cast<std::size_t>(id - 1)],
              last[static_cast<std::size_t>(id - 1)].goalPosition)
        << "ID" << id;
  }
}

}  // namespace
}  // namespace velmora
