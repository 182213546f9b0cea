// Datum transformation: geographic <-> global on an ellipsoid and the
// seven-parameter moves through WGS 84.
#include <cmath>
#include <numbers>

#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {

void ApplyMatrix(double out[3], const double m[4][4], const double in[3]) {
  const double x = in[0], y = in[1], z = in[2];
  out[0] = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
  out[1] = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
  out[2] = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
}

void InvertAffine(double out[4][4], const double m[4][4]) {
  const double a = m[0][0], b = m[0][1], c = m[0][2];
  const double d = m[1][0], e = m[1][1], f = m[1][2];
  const double g = m[2][0], h = m[2][1], i = m[2][2];
  const double co00 = e * i - f * h, co01 = f * g - d * i, co02 = d * h - e * g;
  const double det = a * co00 + b * co01 + c * co02;
  double inv[3][3] = {
      {co00 / det, (c * h - b * i) / det, (b * f - c * e) / det},
      {co01 / det, (a * i - c * g) / det, (c * d - a * f) / det},
      {co02 / det, (b * g - a * h) / det, (a * e - b * d) / det},
  };
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) out[r][k] = inv[r][k];
    out[r][3] = 0.0;
  }
  // Row vectors: p' = p·L + t, so p = (p' - t)·L⁻¹ and the translation row is -t·L⁻¹.
  for (int k = 0; k < 3; ++k) {
    out[3][k] = -(m[3][0] * inv[0][k] + m[3][1] * inv[1][k] + m[3][2] * inv[2][k]);
  }
  out[3][3] = 1.0;
}

void GeoToGlobalFromTrig(double global[3], double sinLat, double cosLat, double sinLon, double cosLon,
                         double h, const GeodeticEllipsoid* ellipsoid) {
  const double n = ellipsoid->a / std::sqrt(1.0 - ellipsoid->e2 * sinLat * sinLat);
  global[0] = (n + h) * cosLat * cosLon;
  global[1] = -(n + h) * cosLat * sinLon;
  global[2] = (n * (1.0 - ellipsoid->e2) + h) * sinLat;
}

}  // namespace vm::geodesy

using namespace vm::geodesy;

VMLIB_EXPORT void GeoToGlobal3(double global[3], const double geo[3], const GeodeticEllipsoid* ellipsoid) {
  const double lat = geo[0], lon = geo[1];
  GeoToGlobalFromTrig(global, std::sin(lat), std::cos(lat), std::sin(lon), std::cos(lon), geo[2], ellipsoid);
}

VMLIB_EXPORT void GeoToGlobal2(double global[3], const double geo[2], const GeodeticEllipsoid* ellipsoid) {
  const double geo3[3] = {geo[0], geo[1], 0.0};
  GeoToGlobal3(global, geo3, ellipsoid);
}

VMLIB_EXPORT void GlobalToGeo(double geo[3], const double global[3], const GeodeticEllipsoid* ellipsoid) {
  const double x = global[0], y = global[1], z = global[2];
  const double a = ellipsoid->a, b = ellipsoid->b;
  const double p = std::sqrt(x * x + y * y);
  if (z != 0.0 && std::fabs(p / z) < 1e-10) {
    geo[0] = z >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    geo[1] = 0.0;
    geo[2] = std::fabs(z) - b;
    return;
  }
  if (p == 0.0) {
    // The centre of the ellipsoid: z / p is undefined, so answer the nearest
    // convention instead of NaN (equator, longitude 0, a below the surface).
    geo[0] = 0.0;
    geo[1] = 0.0;
    geo[2] = -a;
    return;
  }
  // Bowring's formula, one step from the parametric latitude.
  const double theta = std::atan(z * a / (p * b));
  const double st = std::sin(theta), ct = std::cos(theta);
  const double lat =
      std::atan((z + ellipsoid->e2prime * b * st * st * st) / (p - ellipsoid->e2 * a * ct * ct * ct));
  const double sinLat = std::sin(lat);
  geo[0] = lat;
  // atan2 gives -π for y = +0 on the negative X axis; the range is (-π, π].
  const double lon = std::atan2(-y, x);
  geo[1] = lon == -std::numbers::pi ? std::numbers::pi : lon;
  geo[2] = p / std::cos(lat) - a / std::sqrt(1.0 - ellipsoid->e2 * sinLat * sinLat);
}

VMLIB_EXPORT void GeodeticDatumTransform(double out[3], const GeodeticDatum* destination, const double in[3],
                                         const GeodeticDatum* source) {
  double g[3] = {in[0], in[1], in[2]};
  if (!source->isWgs84) ApplyMatrix(g, source->toWgs84, g);
  if (!destination->isWgs84) ApplyMatrix(g, destination->fromWgs84, g);
  out[0] = g[0];
  out[1] = g[1];
  out[2] = g[2];
}

namespace {

// Both transforms once the source's global point is known.
void GlobalThroughWgs84(double out[3], const GeodeticDatum* destination, double g[3],
                        const GeodeticDatum* source) {
  if (!source->isWgs84) ApplyMatrix(g, source->toWgs84, g);
  if (!destination->isWgs84) ApplyMatrix(g, destination->fromWgs84, g);
  GlobalToGeo(out, g, destination->ellipsoid);
}

}  // namespace

VMLIB_EXPORT void GeodeticDatumTransform3(double out[3], const GeodeticDatum* destination, const double in[3],
                                          const GeodeticDatum* source) {
  if (source->isWgs84 && destination->isWgs84) {
    const double lat = in[0], lon = in[1], h = in[2];
    out[0] = lat;
    out[1] = lon;
    out[2] = h;
    return;
  }
  double g[3];
  GeoToGlobal3(g, in, source->ellipsoid);
  GlobalThroughWgs84(out, destination, g, source);
}

VMLIB_EXPORT void GeodeticDatumTransform2(double out[3], const GeodeticDatum* destination, const double in[2],
                                          const GeodeticDatum* source) {
  if (source->isWgs84 && destination->isWgs84) {
    const double lat = in[0], lon = in[1];
    out[0] = lat;
    out[1] = lon;
    out[2] = 0.0;
    return;
  }
  double g[3];
  GeoToGlobal2(g, in, source->ellipsoid);
  GlobalThroughWgs84(out, destination, g, source);
}
