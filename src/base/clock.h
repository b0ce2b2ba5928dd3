#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "base/stop_flag.h"

namespace velmora {

// Time for the worker threads. Milliseconds wrap at 2^32 like the system's millisecond timer, so
// deadlines are compared as unsigned differences.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;

  // Waits until NowMs() reaches `deadline`, or until `stop` is set, or until `wake` returns true.
  // `wake` is for a condition nobody signals (a link that went away); it is looked at when the
  // wait starts and at least every kWakeCheckMs. This version waits in 1 ms sleeps, so a clock
  // whose time moves by its sleeps sees every millisecond; the steady clock sleeps until the
  // deadline itself.
  virtual void WaitUntilMs(uint32_t deadline, const StopFlag& stop,
                           const std::function<bool()>& wake = {});

  static constexpr uint32_t kWakeCheckMs = 10;
};

// The program's clock: a steady clock and real sleeps. Its waits end at the deadline's
// millisecond and at once when the stop flag is set.
class SteadyClock final : public Clock {
 public:
  uint32_t NowMs() override;
  void SleepMs(uint32_t ms) override;
  void WaitUntilMs(uint32_t deadline, const StopFlag& stop,
                   const std::function<bool()>& wake = {}) override;
};

// A clock for tests: time moves only when a thread sleeps, by the time it asked to sleep. The
// sleeping thread also yields for a moment of real time, so that other threads get to run.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(uint32_t start = 0) : now_(start) {}
  uint32_t NowMs() override { return now_.load(); }
  void SleepMs(uint32_t ms) override;
  void Advance(uint32_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<uint32_t> now_;  // written by every thread that sleeps
};

}  // namespace velmora
