#pragma once

#include <cstdint>

#include "base/clock.h"

namespace velmora::testing {

// A clock whose deadline has always passed, so a frame is timed without its pacing sleep.
class RushingClock final : public Clock {
 public:
  uint32_t NowMs() override { return now_ += 20; }
  void SleepMs(uint32_t) override {}

 private:
  uint32_t now_ = 0;
};

}  // namespace velmora::testing
