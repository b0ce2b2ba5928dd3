#pragma once

#include <mutex>
#include <utility>

namespace velmora {

// A value shared between threads that is read and replaced whole: readers get a consistent copy,
// writers replace or update it under the lock.
template <typename T>
class Guarded {
 public:
  Guarded() = default;
  explicit Guarded(T value) : value_(std::move(value)) {}

  T Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void Set(T value) {
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
  }
  // Runs f(value&) under the lock.
  template <typename F>
  void Update(F&& f) {
    std::lock_guard lock(mutex_);
    f(value_);
  }

 private:
  mutable std::mutex mutex_;  // guards value_
  T value_{};
};

}  // namespace velmora
