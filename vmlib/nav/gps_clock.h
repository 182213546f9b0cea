// The GPS clock: the library's notion of the current, corrected UTC time.
// Until a receiver corrects it, it is the system clock with no minute offset.
#pragma once

#include <cstdint>

namespace vm {

// Current UTC time as a day count (days since 1899-12-30).
double GpsClockNow();
// Whole minutes the clock adds to recorded times when naming files.
int32_t GpsClockMinuteOffset();

}  // namespace vm
