#include "base/clock.h"

#include <chrono>
#include <thread>

namespace velmora {

uint32_t SteadyClock::NowMs() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void SteadyClock::SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void FakeClock::SleepMs(uint32_t ms) {
  now_.fetch_add(ms);
  std::this_thread::sleep_for(std::chrono::microseconds(20));
}

}  // namespace velmora
