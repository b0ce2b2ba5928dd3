#pragma once

namespace velmora {

// A moment of the local calendar, for the connect line of the CommLog.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Where the link gets the local date and time; tests give it a fixed one.
class LocalTimeSource {
 public:
  virtual ~LocalTimeSource() = default;
  virtual LocalTime Now() = 0;
};

// The machine's local time.
class SystemLocalTime final : public LocalTimeSource {
 public:
  LocalTime Now() override;
};

}  // namespace velmora
