#pragma once

#include <cstdint>
#include <functional>

#include "base/clock.h"
#include "link/servo_link.h"

namespace velmora::testing {

// A worker's clock over the link's fake clock: every 10 ms a worker sleeps is one link cycle
// (which moves the fake clock itself). So the worker, the link and the simulated servos share one
// time line on one thread, and a test is exact.
class SteppingClock final : public Clock {
 public:
  SteppingClock(FakeClock& clock, ServoLink& link) : clock_(clock), link_(link) {}
  uint32_t NowMs() override { return clock_.NowMs(); }
  void SleepMs(uint32_t ms) override {
    owed_ += ms;
    while (owed_ >= ServoLink::kCyclePauseMs) {
      owed_ -= ServoLink::kCyclePauseMs;
      link_.RunOnce();
      if (onCycle) onCycle(clock_.NowMs());
    }
  }
  // Called after each cycle with the clock's time.
  std::function<void(uint32_t)> onCycle;

 private:
  FakeClock& clock_;
  ServoLink& link_;
  uint32_t owed_ = 0;
};

}  // namespace velmora::testing
