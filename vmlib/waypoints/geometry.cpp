#include "waypoints/geometry.h"

#include <cmath>
#include <numbers>

namespace vm {
namespace {

constexpr double kSphereRadius = 6367400.0;
constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84F = 1.0 / 298.257223563;

struct Vec3 {
  double x, y, z;
};

Vec3 UnitVector(const WptPos3& p) {
  const double c = std::cos(p.latitude);
  return {c * std::cos(p.longitude), -c * std::sin(p.longitude), std::sin(p.latitude)};
}

// Global point on the WGS 84 ellipsoid (the Y axis mirrored, towards 90 W).
Vec3 GlobalPoint(const WptPos3& p) {
  const double e2 = kWgs84F * (2.0 - kWgs84F);
  const double s = std::sin(p.latitude);
  const double n = kWgs84A / std::sqrt(1.0 - e2 * s * s);
  const double c = std::cos(p.latitude);
  return {(n + p.height) * c * std::cos(p.longitude), -(n + p.height) * c * std::sin(p.longitude),
          (n * (1.0 - e2) + p.height) * s};
}

}  // namespace

double GreatCircleDistance(const WptPos3& a, const WptPos3& b) {
  const Vec3 u = UnitVector(a);
  const Vec3 v = UnitVector(b);
  const double g = u.x * v.x + u.y * v.y + u.z * v.z;
  if (g >= 1.0) return 0.0;
  if (g <= -1.0) return std::numbers::pi * kSphereRadius;
  if (g < 0.99999998767) return std::atan2(std::sqrt(1.0 - g * g), g) * kSphereRadius;
  // Close points: the chord avoids the loss of precision of acos near 1.
  const double dx = u.x - v.x, dy = u.y - v.y, dz = u.z - v.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz) * kSphereRadius;
}

double GlobalDistanceWgs84(const WptPos3& a, const WptPos3& b) {
  const Vec3 p = GlobalPoint(a);
  const Vec3 q = GlobalPoint(b);
  return std::sqrt((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) + (p.z - q.z) * (p.z - q.z));
}

double SceneCourse(const WptPos3& from, const WptPos3& to) {
  const double sp = std::sin(from.latitude), cp = std::cos(from.latitude);
  const double sl = std::sin(from.longitude), cl = std::cos(from.longitude);
  const Vec3 t = GlobalPoint(from);
  const Vec3 g = GlobalPoint(to);
  const Vec3 d{g.x - t.x, g.y - t.y, g.z - t.z};
  const double north = -sp * cl * d.x + sp * sl * d.y + cp * d.z;
  const double east = -sl * d.x - cl * d.y;
  return std::atan2(east, north);
}

double NormaliseLongitude(double radians) {
  constexpr double kTurn = 2.0 * std::numbers::pi;
  if (radians >= -std::numbers::pi && radians < std::numbers::pi) return radians;
  double r = radians - kTurn * std::floor((radians + std::numbers::pi) / kTurn);
  if (r >= std::numbers::pi) r -= kTurn;
  if (r < -std::numbers::pi) r += kTurn;
  return r;
}

}  // namespace vm
