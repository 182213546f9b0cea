// Great-circle geometry on a sphere of radius 6367400 m.
#include <cmath>

#include "vmlib/geodesy.h"

namespace {

constexpr double kRadius = 6367400.0;
// Below this angle's cosine acos is exact enough; above it (points closer
// than about 1000 m) the chord of the unit vectors keeps the precision.
constexpr double kChordThreshold = 0.99999998767;

}  // namespace

VMLIB_EXPORT void GeoToGreatCirclePoint(double unit[3], const double geo[2]) {
  const double lat = geo[0], lon = geo[1];
  unit[0] = std::cos(lat) * std::cos(lon);
  unit[1] = std::cos(lat) * std::sin(lon);
  unit[2] = std::sin(lat);
}

VMLIB_EXPORT double DistAlongGreatCircle1(const double u1[3], const double u2[3]) {
  const double g = u1[0] * u2[0] + u1[1] * u2[1] + u1[2] * u2[2];
  if (g >= 1) return 0;
  if (g <= -1) return std::numbers::pi * kRadius;
  if (g < kChordThreshold) return std::atan2(std::sqrt(1 - g * g), g) * kRadius;
  const double dx = u1[0] - u2[0], dy = u1[1] - u2[1], dz = u1[2] - u2[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz) * kRadius;
}

VMLIB_EXPORT double DistAlongGreatCircle(const double p1[2], const double p2[2]) {
  double u1[3], u2[3];
  GeoToGreatCirclePoint(u1, p1);
  GeoToGreatCirclePoint(u2, p2);
  return DistAlongGreatCircle1(u1, u2);
}

VMLIB_EXPORT void GreatCirclePointToGeo(double geo[2], const double unit[3]) {
  const double x = unit[0], y = unit[1], z = unit[2];
  geo[0] = std::atan2(z, std::sqrt(x * x + y * y));
  geo[1] = std::atan2(y, x);
}
