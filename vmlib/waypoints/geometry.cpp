#include "waypoints/geometry.h"

#include <cmath>
#include <numbers>

#include "vmlib/geodesy.h"

namespace vm {

double GreatCircleDistance(const WptPos3& a, const WptPos3& b) {
  const double p[2] = {a.latitude, a.longitude};
  const double q[2] = {b.latitude, b.longitude};
  return DistAlongGreatCircle(p, q);
}

double GlobalDistanceWgs84(const WptPos3& a, const WptPos3& b) {
  const GeodeticEllipsoid* wgs84 = nullptr;
  GeodeticsGetGlobals(nullptr, &wgs84, nullptr, nullptr, nullptr);
  if (wgs84 == nullptr) throw CException("GlobalDistanceWgs84: the library is not initialised");
  const double geoA[3] = {a.latitude, a.longitude, a.height};
  const double geoB[3] = {b.latitude, b.longitude, b.height};
  double p[3];
  double q[3];
  GeoToGlobal3(p, geoA, wgs84);
  GeoToGlobal3(q, geoB, wgs84);
  return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                   (p[2] - q[2]) * (p[2] - q[2]));
}

double SceneCourse(const WptPos3& from, const WptPos3& to) {
  GeodeticRef scene{};
  const double origin[3] = {from.latitude, from.longitude, from.height};
  GeodeticRefInitScene(&scene, origin);
  const double other[3] = {to.latitude, to.longitude, to.height};
  double xyz[3];
  GeoWGS84ToScene3(xyz, other, &scene);
  return std::atan2(xyz[1], xyz[0]);
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
