#include "waypoints/time_stamp.h"

#include <cmath>
#include <ctime>

namespace vm {

uint32_t StampFromDays(double days) {
  if (!(days >= kStampEpochDays)) days = kStampEpochDays;  // also NaN
  if (days > kStampLastDays) days = kStampLastDays;
  const double seconds = std::floor((days - kStampEpochDays) * 86400.0 + 0.5);
  return seconds >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(seconds);
}

double DaysFromStamp(uint32_t stamp) { return stamp / 86400.0 + kStampEpochDays; }

uint32_t StampNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // Unix time 0 is day 25569 of the day count.
  const double days = (static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9) / 86400.0 + 25569.0;
  return StampFromDays(days);
}

}  // namespace vm
