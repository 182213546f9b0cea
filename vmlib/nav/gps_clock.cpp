// The GPS clock (initialisation step 15).
#include "nav/gps_clock.h"

#include <ctime>

#include "core/init_steps.h"

namespace vm {
namespace {

struct GpsClock {
  int32_t minuteOffset = 0;
};
GpsClock* g_clock = nullptr;

// Day count of 1970-01-01, the system clock's epoch.
constexpr double kUnixEpochDays = 25569.0;

}  // namespace

double GpsClockNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return kUnixEpochDays + (static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9) / 86400.0;
}

int32_t GpsClockMinuteOffset() { return g_clock != nullptr ? g_clock->minuteOffset : 0; }

void init::GpsClock() {
  RegisterFinalizer([] {
    delete g_clock;
    g_clock = nullptr;
  });
  g_clock = new vm::GpsClock;
}

}  // namespace vm
