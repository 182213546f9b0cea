// Fixed-point units of tracks.
#pragma once

#include <cmath>
#include <cstdint>

namespace vm {

constexpr double kTrackUnitsPerRadian = 63781370.0;  // 0.1 m of arc on a 6378137 m sphere
constexpr double kTicksPerDay = 17280000.0;          // 1/200 s
constexpr double kSecondsPerDay = 86400.0;

inline int32_t RadiansToTrackUnits(double radians) {
  return static_cast<int32_t>(std::floor(radians * kTrackUnitsPerRadian + 0.5));
}
// True when radians converts to a position unit without overflow (false for
// NaN and infinities).
inline bool FitsTrackUnits(double radians) {
  const double units = std::floor(radians * kTrackUnitsPerRadian + 0.5);
  return units >= -2147483648.0 && units <= 2147483647.0;
}
inline double TrackUnitsToRadians(int32_t units) { return units * (1.0 / kTrackUnitsPerRadian); }

// Ticks from time a to time b, rounded to the nearest tick.
inline int64_t TicksBetween(double from, double to) {
  return static_cast<int64_t>(std::floor((to - from) * kTicksPerDay + 0.5));
}

// Metres to the rounded decimetres tracks store.
inline int32_t MetresToDecimetres(double metres) {
  return static_cast<int32_t>(std::floor(metres * 10.0 + 0.5));
}

}  // namespace vm
