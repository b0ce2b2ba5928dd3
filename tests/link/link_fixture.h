#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "document/motion.h"
#include "link/comm_log.h"
#include "link/link_controls.h"
#include "link/local_time.h"
#include "link/servo_link.h"
#include "link/servo_table.h"
#include "link/virtual_robot.h"

namespace velmora::testing {

using Bytes = std::vector<uint8_t>;

class FixedLocalTime final : public LocalTimeSource {
 public:
  LocalTime Now() override { return {2026, 12, 7, 1, 14, 14}; }
};

class ConnectionSink final : public ChangeSink {
 public:
  void Notify(uint32_t changes) override {
    if ((changes & kChangeConnection) == 0) return;
    connectionChanges.fetch_add(1);
    if (onConnection) onConnection();
  }
  std::atomic<int> connectionChanges{0};
  // Called on the link's thread at each change (set before the link runs).
  std::function<void()> onConnection;
};

inline bool IsRead(const Bytes& p) { return p.size() > 3 && p[3] == 0x0F; }

// Waits, in real time, for something another thread does; false after `seconds`.
template <typename Pred>
bool WaitUntil(Pred pred, int seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A link to the virtual robot, on a fake clock, stepped by hand unless a test starts its thread.
class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture() {
    table.LoadAllRegisterDefaults();
    robot.RecordPackets(true);
  }

  // Switches communication on and runs the idle poll that connects.
  void Connect(int axes, bool motors) {
    ASSERT_TRUE(controls.SetAxisChoice(axes));
    controls.SetToggle(kMotorToggle, motors);
    controls.SetToggle(kCommunicationToggle, true);
    link.RunOnce();
    ASSERT_TRUE(table.connected.load());
  }

  // Packets written since the last call, reads left out when `writesOnly`.
  std::vector<Bytes> Sent(bool writesOnly = true) {
    std::vector<Bytes> out;
    for (Bytes& p : robot.Packets()) {
      if (!writesOnly || !IsRead(p)) out.push_back(std::move(p));
    }
    robot.ClearPackets();
    return out;
  }

  std::string ConnectLine(int axes, const std::string& robotName = "0001") const {
    return "2026/12/7 01:14:14 Connect to " + robotName + "(" + std::to_string(axes) + "axis). ";
  }

  FakeClock clock{5000};
  VirtualRobot robot{clock, "0001"};
  ServoTable table;
  LinkControls controls;
  CommLog log;
  Motion motion;
  FixedLocalTime localTime;
  ConnectionSink sink;
  ServoLink link{{robot, clock, table, controls, log, motion, localTime, &sink}};
};

}  // namespace velmora::testing
