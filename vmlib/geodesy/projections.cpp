// Map projections on the ellipsoid of a reference's datum, and the UTM zone
// helpers. Every function reads its input before writing its output, so the
// two may be the same array.
#include <cmath>

#include "geodesy/projection_internal.h"

using namespace vm::geodesy;

// Mercator. x is a·λ itself: lon0 only tells references apart.
VMLIB_EXPORT void GeoToMercator(double proj[2], const double geo[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double lat = geo[0], lon = geo[1];
  const double s = std::sin(lat);
  proj[0] = e->a * lon;
  proj[1] = e->a / 2 * std::log(((1 + s) / (1 - s)) * std::pow((1 - e->e * s) / (1 + e->e * s), e->e));
}

VMLIB_EXPORT void MercatorToGeo(double geo[2], const double proj[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double x = proj[0], y = proj[1];
  const double chi = std::numbers::pi / 2 - 2 * std::atan(std::exp(-y / e->a));
  geo[0] = LatitudeFromConformal(e, chi);
  geo[1] = x / e->a;
}

namespace {

// The quantities of the transverse Mercator series at a position.
struct TmTerms {
  double A, T, C, N, tanLat;
};

TmTerms TransverseMercatorTerms(const GeodeticEllipsoid* e, const GeodeticRef* ref, double lat, double lon) {
  const double s = std::sin(lat), c = std::cos(lat);
  TmTerms t;
  t.tanLat = std::tan(lat);
  t.A = c * (lon - ref->lon0);
  t.T = t.tanLat * t.tanLat;
  t.C = e->e2prime * c * c;
  t.N = e->a / std::sqrt(1 - e->e2 * s * s);
  return t;
}

}  // namespace

VMLIB_EXPORT void GeoToTransverseMercator(double proj[2], const double geo[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double lat = geo[0], lon = geo[1];
  const TmTerms t = TransverseMercatorTerms(e, ref, lat, lon);
  const double ep2 = e->e2prime;
  const double A = t.A, A2 = A * A, A3 = A2 * A, A4 = A3 * A, A5 = A4 * A, A6 = A5 * A;
  const double T = t.T, C = t.C;
  proj[0] = ref->k0 * t.N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120);
  proj[1] = ref->k0 * (MeridianDistance(e, lat) - ref->m0Distance +
                       t.N * t.tanLat *
                           (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                            (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
}

VMLIB_EXPORT void TransverseMercatorToGeo(double geo[2], const double proj[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double x = proj[0], y = proj[1];
  const double ep2 = e->e2prime;
  const double mu = (y / ref->k0 + ref->m0Distance) * e->invAm0;
  const double* f = e->footpoint;
  const double lat1 = mu + f[0] * std::sin(2 * mu) + f[1] * std::sin(4 * mu) + f[2] * std::sin(6 * mu) +
                      f[3] * std::sin(8 * mu);
  const double s1 = std::sin(lat1), c1 = std::cos(lat1), tan1 = std::tan(lat1);
  const double C1 = ep2 * c1 * c1, T1 = tan1 * tan1;
  const double w = 1 - e->e2 * s1 * s1;
  const double N1 = e->a / std::sqrt(w);
  const double R1 = e->a * (1 - e->e2) / (w * std::sqrt(w));
  const double D = x / (ref->k0 * N1), D2 = D * D, D3 = D2 * D, D4 = D3 * D, D5 = D4 * D, D6 = D5 * D;
  geo[0] = lat1 -
           (N1 * tan1 / R1) * (D2 / 2 - (5 + 3 * T1 + 10 * C1 - 4 * C1 * C1 - 9 * ep2) * D4 / 24 +
                               (61 + 90 * T1 + 298 * C1 + 45 * T1 * T1 - 252 * ep2 - 3 * C1 * C1) * D6 / 720);
  geo[1] = ref->lon0 + (D - (1 + 2 * T1 + C1) * D3 / 6 +
                        (5 - 2 * C1 + 28 * T1 - 3 * C1 * C1 + 8 * ep2 + 24 * T1 * T1) * D5 / 120) /
                           c1;
}

VMLIB_EXPORT double GeoToTransverseMercatorScale(const double geo[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const TmTerms t = TransverseMercatorTerms(e, ref, geo[0], geo[1]);
  const double A2 = t.A * t.A, A4 = A2 * A2, A6 = A4 * A2;
  const double T = t.T, C = t.C;
  return ref->k0 * (1 + (1 + C) * A2 / 2 + (5 - 4 * T + 42 * C + 13 * C * C - 28 * e->e2prime) * A4 / 24 +
                    (61 - 148 * T + 16 * T * T) * A6 / 720);
}

VMLIB_EXPORT void GeoToEquidistantCylindrical(double proj[2], const double geo[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double lat = geo[0], lon = geo[1];
  proj[0] = e->a * ref->cosLat1 * WrapLongitude(lon - ref->lon0);
  proj[1] = e->a * lat;
}

VMLIB_EXPORT void EquidistantCylindricalToGeo(double geo[2], const double proj[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double x = proj[0], y = proj[1];
  geo[0] = y / e->a;
  geo[1] = x / (e->a * ref->cosLat1) + ref->lon0;
}

VMLIB_EXPORT void GeoToLambertConformalConic(double proj[2], const double geo[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double lat = geo[0], lon = geo[1];
  const double s = std::sin(lat);
  const double t = std::sqrt(((1 - s) / (1 + s)) * std::pow((1 + e->e * s) / (1 - e->e * s), e->e));
  const double rho = e->a * ref->F * std::pow(t, ref->n);
  const double theta = ref->n * (lon - ref->lon0);
  proj[0] = rho * std::sin(theta);
  proj[1] = ref->rho0 - rho * std::cos(theta);
}

VMLIB_EXPORT void LambertConformalConicToGeo(double geo[2], const double proj[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double x = proj[0], y = proj[1];
  double rho = std::sqrt(x * x + (ref->rho0 - y) * (ref->rho0 - y));
  if (ref->n < 0) rho = -rho;
  const double chi = std::numbers::pi / 2 - 2 * std::atan(std::pow(rho / (e->a * ref->F), 1 / ref->n));
  geo[0] = LatitudeFromConformal(e, chi);
  geo[1] = std::atan(x / (ref->rho0 - y)) / ref->n + ref->lon0;
}

VMLIB_EXPORT void GeoToOrthographic(double* /*proj*/, const double* /*geo*/, const GeodeticRef* /*ref*/) {
  throw CException("GeoToOrthographic: not implemented");
}

VMLIB_EXPORT void OrthographicToGeo(double* /*geo*/, const double* /*proj*/, const GeodeticRef* /*ref*/) {
  throw CException("OrthographicToGeo: not implemented");
}

VMLIB_EXPORT void GeoToStereographic(double proj[2], const double geo[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double lat = geo[0], lon = geo[1];
  const double chi = ConformalLatitude(e, lat);
  const double dLon = lon - ref->lon0;
  const double sc = std::sin(chi), cc = std::cos(chi), cl = std::cos(dLon);
  const double B =
      2 * e->a * ref->k0 * ref->mLat0 / (ref->cosChi0 * (1 + ref->sinChi0 * sc + ref->cosChi0 * cc * cl));
  proj[0] = B * cc * std::sin(dLon);
  proj[1] = B * (ref->cosChi0 * sc - ref->sinChi0 * cc * cl);
}

VMLIB_EXPORT void StereographicToGeo(double geo[2], const double proj[2], const GeodeticRef* ref) {
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double x = proj[0], y = proj[1];
  const double rho = std::sqrt(x * x + y * y);
  if (rho <= 1e-6) {
    geo[0] = LatitudeFromConformal(e, ref->chi0);
    geo[1] = ref->lon0;
    return;
  }
  const double c = 2 * std::atan(rho * ref->cosChi0 / (2 * e->a * ref->k0 * ref->mLat0));
  const double sinC = std::sin(c), cosC = std::cos(c);
  const double chi = std::asin(cosC * ref->sinChi0 + y * sinC * ref->cosChi0 / rho);
  geo[1] = ref->lon0 + std::atan(x * sinC / (rho * ref->cosChi0 * cosC - y * ref->sinChi0 * sinC));
  geo[0] = LatitudeFromConformal(e, chi);
}

namespace {
constexpr double kDegree = std::numbers::pi / 180;
}

VMLIB_EXPORT int32_t UTMLongToZone(double lon) {
  // Longitudes are taken modulo 360°, so 180° E is zone 1 like 180° W and
  // never a zone 61.
  const double degrees = WrapLongitude(lon) / kDegree;
  const int32_t zone = static_cast<int32_t>(std::floor((degrees + 183) / 6 + 0.5));
  return zone > 60 ? zone - 60 : zone;
}

VMLIB_EXPORT double UTMZoneToLong(int32_t zone) {
  const int32_t z = zone < 0 ? -zone : zone;
  return (z * 6.0 - 183.0) * kDegree;
}

VMLIB_EXPORT char UTMToZoneChar(double lat, double lon) {
  const double degrees = lat / kDegree;
  if (degrees < -80) return lon < 0 ? 'A' : 'B';
  if (degrees >= 84) return lon < 0 ? 'Y' : 'Z';
  if (degrees >= 72) return 'X';
  static const char kBands[] = "CDEFGHJKLMNPQRSTUVW";
  return kBands[static_cast<int>(std::floor((degrees + 80) / 8))];
}

VMLIB_EXPORT double UTMZoneToLat(int32_t letterIndex) {
  // Middle latitude of each band A to Z; I and O are not band letters.
  static const double kMiddle[26] = {-85, -85,   -76, -68, -60, -52, -44, -36, -9999, -28, -20, -12, -4,
                                     4,   -9999, 12,  20,  28,  36,  44,  52,  60,    68,  78,  87,  87};
  if (letterIndex < 0 || letterIndex > 25 || kMiddle[letterIndex] == -9999) return -9999;
  return kMiddle[letterIndex] * kDegree;
}
