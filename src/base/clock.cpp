#include "base/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace velmora {

uint32_t SteadyClock::NowMs() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void SteadyClock::SleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyClock::WaitUntilMs(uint32_t deadline, const StopFlag& stop,
                              const std::function<bool()>& wake) {
  using std::chrono::milliseconds;
  for (;;) {
    if (stop.load() || (wake && wake())) return;
    const auto now = std::chrono::duration_cast<milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    // The deadline as a wrapping difference from the present millisecond; it is reached at the
    // start of its millisecond, exactly when NowMs() first returns it.
    const int32_t left = static_cast<int32_t>(deadline - static_cast<uint32_t>(now.count()));
    if (left <= 0) return;
    const int32_t slice = wake ? std::min<int32_t>(left, static_cast<int32_t>(kWakeCheckMs)) : left;
    stop.WaitUntil(std::chrono::steady_clock::time_point(now + milliseconds(slice)));
  }
}

void Clock::WaitUntilMs(uint32_t deadline, const StopFlag& stop,
                        const std::function<bool()>& wake) {
  while (static_cast<int32_t>(deadline - NowMs()) > 0) {
    if (stop.load() || (wake && wake())) return;
    SleepMs(1);
  }
}

void FakeClock::SleepMs(uint32_t ms) {
  now_.fetch_add(ms);
  std::this_thread::sleep_for(std::chrono::microseconds(20));
}

}  // namespace velmora
