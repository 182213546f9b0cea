// Helpers shared by the projection, reference and scene sources.
#pragma once

#include <cmath>
#include <numbers>

#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {

// The ellipsoid of a reference's datum; WGS 84 when the reference has no
// datum (a reference cleared before the library was initialised).
const GeodeticEllipsoid* RefEllipsoid(const GeodeticRef* ref);

// Meridian distance from the equator, metres.
inline double MeridianDistance(const GeodeticEllipsoid* e, double lat) {
  const double* m = e->meridian;
  return e->a * (m[0] * lat - m[1] * std::sin(2 * lat) + m[2] * std::sin(4 * lat) - m[3] * std::sin(6 * lat));
}

// Geodetic latitude to conformal latitude and back (series to e⁸).
inline double ConformalLatitude(const GeodeticEllipsoid* e, double lat) {
  const double* c = e->conformal;
  return lat + c[0] * std::sin(2 * lat) + c[1] * std::sin(4 * lat) + c[2] * std::sin(6 * lat) +
         c[3] * std::sin(8 * lat);
}
inline double LatitudeFromConformal(const GeodeticEllipsoid* e, double chi) {
  const double* d = e->invConformal;
  return chi + d[0] * std::sin(2 * chi) + d[1] * std::sin(4 * chi) + d[2] * std::sin(6 * chi) +
         d[3] * std::sin(8 * chi);
}

// A longitude difference brought into [-π, π).
inline double WrapLongitude(double dLon) {
  constexpr double kPi = std::numbers::pi;
  while (dLon >= kPi) dLon -= 2 * kPi;
  while (dLon < -kPi) dLon += 2 * kPi;
  return dLon;
}

}  // namespace vm::geodesy
