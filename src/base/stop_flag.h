#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmora {

// A stop request that a waiting thread can sleep on: reads like an atomic flag, and setting it
// wakes every thread in WaitUntil at once.
class StopFlag {
 public:
  StopFlag() = default;
  explicit StopFlag(bool value) : value_(value) {}
  StopFlag(const StopFlag&) = delete;
  StopFlag& operator=(const StopFlag&) = delete;

  bool load() const { return value_.load(); }
  void store(bool value) {
    {
      // Set under the mutex, so a waiter between its check and its sleep cannot miss it.
      std::lock_guard lock(mutex_);
      value_.store(value);
    }
    if (value) woken_.notify_all();
  }
  StopFlag& operator=(bool value) {
    store(value);
    return *this;
  }

  // Sleeps until `deadline` or until the flag is set, whichever comes first. True when the flag
  // is set.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock lock(mutex_);
    return woken_.wait_until(lock, deadline, [&] { return value_.load(); });
  }

 private:
  std::atomic<bool> value_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable woken_;
};

}  // namespace velmora
