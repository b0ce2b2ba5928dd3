#include "link/local_time.h"

#include <ctime>

namespace velmora {

LocalTime SystemLocalTime::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  // std::localtime shares one buffer between threads; the reentrant forms fill ours.
#if defined(_WIN32)
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace velmora
