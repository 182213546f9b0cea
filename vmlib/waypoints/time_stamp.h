// The store's time stamps: whole seconds since 2000-01-01 00:00:00 UTC, held
// as uint32 and shown as day counts (days since 1899-12-30).
#pragma once

#include <cstdint>

namespace vm {

constexpr double kStampEpochDays = 36526.0;
// The largest day count whose stamp still fits in 32 bits.
constexpr double kStampLastDays = 86236.26961805555;

// Clamps days to the stamp range and rounds to whole seconds. Not-a-number
// gives the epoch.
uint32_t StampFromDays(double days);
double DaysFromStamp(uint32_t stamp);
// The current UTC time as a stamp.
uint32_t StampNow();

}  // namespace vm
