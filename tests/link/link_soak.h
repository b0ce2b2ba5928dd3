#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <utility>

#include "document/motion.h"
#include "link/comm_log.h"
#include "link/link_controls.h"
#include "link/link_fixture.h"
#include "link/servo_link.h"
#include "link/servo_packets.h"
#include "link/servo_table.h"
#include "link/virtual_robot.h"
#include "base/clock.h"

namespace velmora::testing {

// The goal time that goes with a position, so that a torn goal shows.
inline uint16_t SoakTimeFor(int16_t position) { return static_cast<uint16_t>(position * 7 + 3); }

// One randomized fault run: the link against the virtual robot (the CP2110 bridge code over the
// emulated chip), a few healthy cycles with goals, register writes and torque switching, then one
// fault of a random kind at a random moment. The run checks that the link ends in its failure
// path with the right log lines (or rides out a fault it is meant to ignore), that the arm is left
// without torque, that no goal was lost or torn, and that the link connects again afterwards.
// Stepped by hand, or with the link on its own thread.
class SoakRun {
 public:
  SoakRun(uint32_t seed, bool threaded) : rng_(seed), threaded_(threaded) {
    table_.LoadAllRegisterDefaults();
  }
  ~SoakRun() { link_.Stop(); }

  // Empty when the run held; else what went wrong.
  std::string Run() {
    if (threaded_) link_.Start();
    Step();
    return failure_;
  }
  std::string LogText() const { return log_.Text(); }

 private:
  enum Kind { kFaultKinds = 10, kSilent = 10, kUnplug = 11, kKinds = 12 };

  int Random(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

  void Check(bool ok, const std::string& what) {
    if (!ok && failure_.empty()) failure_ = what + context_;
  }

  // Manual: one link step. Threaded: wait, in real time, until the condition holds.
  template <typename Pred>
  bool Until(Pred pred, int steps = 40) {
    if (!threaded_) {
      for (int i = 0; i < steps && !pred(); ++i) link_.RunOnce();
      return pred();
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return true;
  }

  // Lets a few cycles pass.
  void Cycles(int n) {
    if (!threaded_) {
      for (int i = 0; i < n; ++i) link_.RunOnce();
      return;
    }
    const uint32_t start = clock_.NowMs();
    Until([&] {
      return clock_.NowMs() - start >= static_cast<uint32_t>(n) * ServoLink::kCyclePauseMs ||
             !table_.connected.load();
    });
  }

  bool Connected() const { return table_.connected.load(); }

  void CheckGoalsWhole(const char* when) {
    for (int id = 1; id <= kServoCount; ++id) {
      const auto position = static_cast<int16_t>(robot_.Register(id, kRegGoalPosition) |
                                                 (robot_.Register(id, kRegGoalPosition + 1) << 8));
      const auto time = static_cast<uint16_t>(robot_.Register(id, kRegGoalTime) |
                                              (robot_.Register(id, kRegGoalTime + 1) << 8));
      const bool whole = (position == 0 && (time == 0 || time == ServoLink::kPowerOnMoveTime)) ||
                         time == SoakTimeFor(position);
      Check(whole, std::string("torn goal ") + when + " ID" + std::to_string(id));
    }
  }

  void QueueGoals() {
    for (int id = 1; id <= axes_; ++id) {
      if (Random(2) == 0) continue;
      const auto position = static_cast<int16_t>(Random(1400) + 1);
      table_.QueueGoal(id, position, SoakTimeFor(position));
      queued_[id] = position;
    }
  }

  // Healthy cycles: goals, register writes and torque switching at random.
  void Healthy(int cycles) {
    for (int c = 0; c < cycles && failure_.empty(); ++c) {
      const bool motorsSettled = controls_.IsToggleChecked(kMotorToggle) && torqueSeen_;
      queued_.clear();
      if (motorsSettled) QueueGoals();
      if (Random(6) == 0) {
        for (int id = 1; id <= kServoCount; ++id) table_.SetRequests(id, kWriteRegisters);
      }
      Cycles(1);
      Check(Connected(), "dropped while healthy");
      if (!threaded_ && motorsSettled) {
        // Not lost: each goal queued before the cycle is at its servo after it.
        for (const auto& [id, position] : queued_) {
          Check(robot_.Register(id, kRegGoalPosition) == static_cast<uint8_t>(position & 0xFF),
                "goal lost ID" + std::to_string(id));
        }
      }
      if (controls_.IsToggleChecked(kMotorToggle)) torqueSeen_ = !threaded_ || robot_.TorqueOn(1);
      if (Random(5) == 0) {
        controls_.SetToggle(kMotorToggle, !controls_.IsToggleChecked(kMotorToggle));
        torqueSeen_ = false;
      }
    }
    CheckGoalsWhole("while healthy");
  }

  void Connect() {
    // As a user does: the bridge is switched on once it shows in the list.
    Check(Until([&] { return controls_.Devices().size() == 1 && controls_.Selection() == 0; }),
          "bridge not listed");
    controls_.SetToggle(kCommunicationToggle, true);
    Check(Until([&] { return Connected(); }), "no connection");
  }

  void Step() {
    axes_ = Random(2) == 0 ? 3 : 5;
    controls_.SetAxisChoice(axes_);
    controls_.SetToggle(kMotorToggle, Random(2) == 0);
    if (Random(8) == 0) {
      // Another program holds the bridge: the toggle is cleared and nothing is logged.
      robot_.SetBusy(true);
      controls_.SetToggle(kCommunicationToggle, true);
      Check(Until([&] { return !controls_.IsToggleChecked(kCommunicationToggle); }),
            "busy bridge kept the toggle");
      Check(!Connected() && log_.Text().empty(), "busy bridge connected");
      robot_.SetBusy(false);
    }
    Connect();
    if (!failure_.empty()) return;
    Healthy(Random(8));
    if (!failure_.empty()) return;
    Fault();
    if (!failure_.empty()) return;
    Reconnect();
  }

  void Fault() {
    const int kind = Random(kKinds);
    std::string before;  // the log as the fault is staged
    Cycles(1);           // a torque switch still pending goes out first
    static constexpr int kEchoAddresses[] = {kRegPresentPosition, kRegComplianceStart,
                                             kRegMaxTorque,       kRegTorqueEnable,
                                             kRegGoalPosition,    kRegPresentCurrent};
    static constexpr int kReplyAddresses[] = {kRegPresentPosition, kRegPresentCurrent};
    int address = -1;
    bool fatal = true;
    const char* line = nullptr;
    int answering = kServoCount;
    bool plugged = true;
    if (kind < kFaultKinds) {
      const auto fault = static_cast<VirtualFault>(kind);
      const bool echoFault = fault == VirtualFault::kShortEcho ||
                             fault == VirtualFault::kMissingEcho ||
                             fault == VirtualFault::kWrongEchoByte;
      address = echoFault ? kEchoAddresses[Random(6)] : kReplyAddresses[Random(2)];
      if (echoFault)
        line = fault == VirtualFault::kWrongEchoByte ? "verify error. " : "recv error. ";
      // Current reads may fail: the link carries on without that reading.
      fatal = address != kRegPresentCurrent;
      if (address == kRegGoalPosition) {
        // Goals go out only once the torque is on and its 2-second move is sent.
        controls_.SetToggle(kMotorToggle, true);
        Check(Until([&] { return robot_.TorqueOn(1); }), "torque never came on");
        Cycles(1);
      }
      before = log_.Text();
      robot_.InjectFault(fault, address);
      if (address == kRegComplianceStart || address == kRegMaxTorque) {
        for (int id = 1; id <= kServoCount; ++id) table_.SetRequests(id, kWriteRegisters);
      } else if (address == kRegTorqueEnable) {
        controls_.SetToggle(kMotorToggle, !controls_.IsToggleChecked(kMotorToggle));
      }
    } else if (kind == kSilent) {
      answering = Random(axes_);
      before = log_.Text();
      robot_.SetAnsweringServos(answering);
    } else {
      plugged = false;
      before = log_.Text();
      robot_.SetPlugged(false);
    }

    context_ = " (fault kind " + std::to_string(kind) + " at " + std::to_string(address) + ", " +
               std::to_string(axes_) + " axes)";
    const uint32_t start = clock_.NowMs();
    if (address == kRegGoalPosition) {
      // Goals keep coming until one meets the fault.
      Until([&] {
        QueueGoals();
        if (threaded_) std::this_thread::sleep_for(std::chrono::microseconds(200));
        return !Connected();
      });
    } else if (fatal) {
      Until([&] { return !Connected(); });
    } else {
      Until([&] { return robot_.PendingFaults() == 0; }, 12);
      Cycles(2);
    }
    // On the link's own thread "Disconnect." is written after the connection is cleared (after a
    // fault, once the torque-off that follows it is done): wait for the line before reading the
    // log.
    const auto disconnectLogged = [&] {
      const std::string now = log_.Text();
      return now.size() > before.size() && now.rfind("Disconnect.\r\n", 0) == 0;
    };
    if (fatal && threaded_) Until(disconnectLogged);
    CheckGoalsWhole("after the fault");
    if (!fatal) {
      Check(Connected(), "a failed current read ended the connection");
      Check(robot_.PendingFaults() == 0, "current read fault never met");
      controls_.SetToggle(kCommunicationToggle, false);
      Check(Until([&] { return !Connected(); }), "no normal disconnect");
      if (threaded_) Until(disconnectLogged);
      Check(log_.Text().rfind("Disconnect.\r\n", 0) == 0, "no Disconnect. line");
      for (int id = 1; id <= axes_; ++id) Check(!robot_.TorqueOn(id), "torque left on");
      return;
    }
    Check(!Connected(), "fault did not end the connection");
    if (kind == kSilent && !threaded_) {
      Check(clock_.NowMs() - start <= 300,
            "silent bus held for " + std::to_string(clock_.NowMs() - start) + " ms");
    }
    Check(robot_.PendingFaults() == 0, "fault never met");
    Check(!controls_.IsToggleChecked(kCommunicationToggle), "toggle left on");
    Check(!robot_.IsOpen() && controls_.ListEnabled(), "bridge left open");

    // Newest first: "Disconnect.", the torque switched off after the reset (when it may have
    // been on and the bridge is there), then the transfer error, if the fault makes one.
    // Only what was logged since the fault counts: the log keeps all earlier text below it.
    std::string text = log_.Text();
    Check(text.size() >= before.size(), "log lost text");
    text = text.substr(0, text.size() - std::min(text.size(), before.size()));
    const auto take = [&text] {
      const std::size_t end = text.find("\r\n");
      std::string first = text.substr(0, end);
      text = end == std::string::npos ? "" : text.substr(end + 2);
      return first;
    };
    Check(take() == "Disconnect.", "no Disconnect. on top");
    std::string next = take();
    if (next.rfind("MotorPow 0\t", 0) == 0) {
      Check(plugged, "torque switched off on a bridge that is gone");
      next = take();
    }
    if (line != nullptr) {
      Check(next == line, "expected " + std::string(line) + " got " + next);
    } else if (kind == kUnplug) {
      // Gone between a packet and its echo, the echo read finds nothing.
      Check(next != "verify error. ", "unexpected " + next);
    } else {
      Check(next != "recv error. " && next != "verify error. ", "unexpected " + next);
    }
    if (plugged) {
      for (int id = 1; id <= std::min(axes_, answering); ++id) {
        Check(!robot_.TorqueOn(id), "torque left on ID" + std::to_string(id));
      }
    }
  }

  void Reconnect() {
    robot_.ClearFaults();
    robot_.SetPlugged(true);
    robot_.SetAnsweringServos(kServoCount);
    Connect();
    Cycles(2);
    Check(Connected(), "reconnection dropped");
    CheckGoalsWhole("after reconnecting");
    controls_.SetToggle(kCommunicationToggle, false);
    Check(Until([&] { return !Connected(); }), "no disconnect after reconnecting");
    for (int id = 1; id <= axes_; ++id) Check(!robot_.TorqueOn(id), "torque left on at the end");
  }

  std::mt19937 rng_;
  const bool threaded_;
  FakeClock clock_{1000};
  VirtualRobot robot_{clock_, "0001"};
  ServoTable table_;
  LinkControls controls_;
  CommLog log_;
  Motion motion_;
  FixedLocalTime localTime_;
  ServoLink link_{{robot_, clock_, table_, controls_, log_, motion_, localTime_}};
  int axes_ = 3;
  bool torqueSeen_ = false;
  std::map<int, int16_t> queued_;
  std::string failure_;
  std::string context_;
};

// Runs `runs` soak runs from `firstSeed`; returns the failures, each with its seed.
struct SoakFigures {
  int runs = 0;
  int failures = 0;
  std::string firstFailure;
  double seconds = 0;
};

inline SoakFigures Soak(int runs, bool threaded, uint32_t firstSeed = 1) {
  SoakFigures f;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) {
    const uint32_t seed = firstSeed + static_cast<uint32_t>(i);
    const std::string failure = SoakRun(seed, threaded).Run();
    ++f.runs;
    if (!failure.empty()) {
      if (f.failures == 0) f.firstFailure = "seed " + std::to_string(seed) + ": " + failure;
      ++f.failures;
    }
  }
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return f;
}

// A number from the environment, or `fallback`.
inline int EnvInt(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

}  // namespace velmora::testing
