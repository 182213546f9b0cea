// The Dutch national grid ("RD") on the Bessel ellipsoid: the polynomial
// approximation, the exact double projection and the scale-corrected distance.
#include <cmath>

#include "geodesy/projection_internal.h"

namespace {

constexpr double kPi = std::numbers::pi;
// The grid's origin (Amersfoort) in radians and in grid metres.
constexpr double kLat0 = 0.9102967269708094;
constexpr double kLon0 = 0.0940320375215393;
constexpr double kX0 = 155000;
constexpr double kY0 = 463000;
// Radians to units of 10 000 arc-seconds.
constexpr double kToUnits = 20.626480624709636;

// Gauss conformal sphere of the exact projection.
constexpr double kN = 1.00047585668;
constexpr double kM = 0.003773953832;
constexpr double kE = 0.081696831222;
constexpr double kB0 = 0.9096847567472088;  // sphere latitude of the origin
constexpr double k2Rk = 12764113.458870022;

}  // namespace

VMLIB_EXPORT void GeoToRD(double rd[2], const double geo[2], const GeodeticRef* /*ref*/) {
  const double p = (geo[0] - kLat0) * kToUnits, q = (geo[1] - kLon0) * kToUnits;
  const double p2 = p * p, p3 = p2 * p, p4 = p3 * p, q2 = q * q, q4 = q2 * q2;
  rd[0] = kX0 + q * (190066.98903 - 11830.85831 * p - 114.19754 * p2 - 2.34078 * p3 - 0.04158 * p4 -
                     32.3836 * q2 - 0.60639 * p * q2 + 0.15774 * p2 * q2 - 0.00661 * q4);
  rd[1] = kY0 + 309020.3181 * p + 72.97141 * p2 + 59.79734 * p3 - 0.03444 * p4 + 3638.36193 * q2 -
          157.95222 * p * q2 - 6.43481 * p2 * q2 - 0.07379 * p3 * q2 + 0.09351 * q4 - 0.05419 * p * q4;
}

VMLIB_EXPORT void RDToGeo(double geo[2], const double rd[2], const GeodeticRef* /*ref*/) {
  const double P = (rd[1] - kY0) * 1e-5, Q = (rd[0] - kX0) * 1e-5;
  const double P2 = P * P, P3 = P2 * P, P4 = P3 * P, P5 = P4 * P, Q2 = Q * Q, Q4 = Q2 * Q2;
  const double latSec = 3236.0331637 * P - 0.2472814 * P2 - 0.0655238 * P3 + 0.0000371 * P4 -
                        32.5915821 * Q2 - 0.8501341 * P * Q2 - 0.0171137 * P2 * Q2 - 0.0003859 * P3 * Q2 -
                        0.000009 * P4 * Q2 + 0.0052771 * Q4 + 0.0003314 * P * Q4 + 0.0000143 * P2 * Q4;
  const double lonSec = Q * (5261.3028966 + 105.9780241 * P + 2.4576469 * P2 + 0.0560089 * P3 +
                             0.001277 * P4 + 0.0000291 * P5 - 0.8192156 * Q2 - 0.0560092 * P * Q2 -
                             0.0025614 * P2 * Q2 - 0.0000973 * P3 * Q2 + 0.0002574 * Q4 + 0.0000293 * P * Q4);
  geo[0] = kLat0 + latSec * kPi / 648000;
  geo[1] = kLon0 + lonSec * kPi / 648000;
}

VMLIB_EXPORT void GeoToRDExact(double rd[2], const double geo[2]) {
  const double lat = geo[0], lon = geo[1];
  const double L = kN * (lon - kLon0);
  const double s = std::sin(lat);
  const double w =
      kN * (0.5 * std::log((1 + s) / (1 - s)) - kE / 2 * std::log((1 + kE * s) / (1 - kE * s))) + kM;
  const double B = 2 * std::atan(std::exp(w)) - kPi / 2;
  const double sinHalfL = std::sin(L / 2), sinHalfDB = std::sin((B - kB0) / 2);
  const double sq = sinHalfL * sinHalfL * std::cos(B) * std::cos(kB0) + sinHalfDB * sinHalfDB;
  if (sq <= 0) {
    // The origin itself: r and d both vanish.
    rd[0] = kX0;
    rd[1] = kY0;
    return;
  }
  const double r = k2Rk * std::sqrt(sq) / std::sqrt(1 - sq);
  const double d = 2 * std::sqrt(sq) * std::sqrt(1 - sq);
  rd[0] = kX0 + r * std::sin(L) * std::cos(B) / d;
  rd[1] = kY0 + r * (std::sin(B) - (1 - 2 * sq) * std::sin(kB0)) / (std::cos(kB0) * d);
}

VMLIB_EXPORT void RDToGeoExact(double geo[2], const double rd[2]) {
  const double dx = rd[0] - kX0, dy = rd[1] - kY0;
  const double rho = std::sqrt(dx * dx + dy * dy);
  double B = kB0, L = 0;
  if (rho > 0) {
    // At the origin the direction dx/ρ, dy/ρ is undefined; B0 and Λ = 0 are
    // the limit.
    const double psi = 2 * std::atan(rho * 7.83446498828386e-8);
    const double sinB = std::cos(psi) * std::sin(kB0) + std::sin(psi) * std::cos(kB0) * dy / rho;
    B = std::asin(sinB);
    L = std::asin(std::sin(psi) * dx / (rho * std::cos(B)));
  }
  const double lon = kLon0 + L / kN;
  const double w = (std::log(std::tan(B / 2 + kPi / 4)) - kM) / kN;
  double lat = 2 * std::atan(std::exp(w)) - kPi / 2;
  for (int i = 0; i < 5; ++i) {
    const double s = std::sin(lat);
    lat = 2 * std::atan(std::exp(w + kE / 2 * std::log((1 + kE * s) / (1 - kE * s)))) - kPi / 2;
  }
  geo[0] = lat;
  geo[1] = lon;
}

VMLIB_EXPORT double RDCalcDistance(const double p[2], const double q[2]) {
  // Grid distances are scaled by the projection's point scale, which grows
  // with the distance from the origin; each point is put back at its true
  // distance from the origin along its bearing.
  auto unscale = [](const double pt[2], double out[2]) {
    const double dx = pt[0] - kX0, dy = pt[1] - kY0;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double factor = 1.0 / (0.9999079 + 6.135e-15 * r * r);
    out[0] = kX0 + dx * factor;
    out[1] = kY0 + dy * factor;
  };
  double a[2], b[2];
  unscale(p, a);
  unscale(q, b);
  return std::hypot(a[0] - b[0], a[1] - b[1]);
}
