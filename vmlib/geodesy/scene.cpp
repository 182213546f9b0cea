// The local scene frame (x north, y east, z up around an origin on WGS 84)
// and the headings and straight-line distances taken in it.
#include <cmath>
#include <cstring>

#include "geodesy/projection_internal.h"

using namespace vm::geodesy;

VMLIB_EXPORT void GeodeticRefInitScene(GeodeticRef* ref, const double origin[3]) {
  const double lat = origin[0], lon = origin[1], h = origin[2];
  std::memset(static_cast<void*>(ref), 0, sizeof *ref);
  Registry* r = TheRegistry();
  ref->kind = kGeodeticRefScene;
  ref->projection = kProjectionUnknown;
  ref->datum = r ? r->GetDatumManager()->Wgs84() : nullptr;
  ref->lat1 = lat;
  ref->lon0 = lon;
  ref->height = h;

  // The axes in the global frame (whose Y axis points west), the rows of the
  // product Ry(φ0)·Rx(λ0)·(axis swap) for row vectors.
  const double sLat = std::sin(lat), cLat = std::cos(lat), sLon = std::sin(lon), cLon = std::cos(lon);
  double(*m)[4] = ref->sceneToGlobal;
  const double axes[3][3] = {
      {-sLat * cLon, sLat * sLon, cLat},  // north
      {-sLon, -cLon, 0},                  // east
      {cLat * cLon, -cLat * sLon, sLat},  // up
  };
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) m[i][j] = axes[i][j];
    m[i][3] = 0;
  }
  double t[3];
  // The origin's sines and cosines are known: the frame costs two sincos
  // instead of four (track logging builds one per fix).
  GeoToGlobalFromTrig(t, sLat, cLat, sLon, cLon, h, RefEllipsoid(ref));
  m[3][0] = t[0];
  m[3][1] = t[1];
  m[3][2] = t[2];
  m[3][3] = 1;
  InvertAffine(ref->globalToScene, ref->sceneToGlobal);
}

VMLIB_EXPORT void GeoWGS84ToScene2(double scene[3], const double geo[2], const GeodeticRef* ref) {
  double g[3];
  GeoToGlobal2(g, geo, RefEllipsoid(ref));
  ApplyMatrix(scene, ref->globalToScene, g);
}

VMLIB_EXPORT void GeoWGS84ToScene3(double scene[3], const double geo[3], const GeodeticRef* ref) {
  double g[3];
  GeoToGlobal3(g, geo, RefEllipsoid(ref));
  ApplyMatrix(scene, ref->globalToScene, g);
}

VMLIB_EXPORT void SceneToGeoWGS84(double geo[3], const double scene[3], const GeodeticRef* ref) {
  double g[3];
  ApplyMatrix(g, ref->sceneToGlobal, scene);
  GlobalToGeo(geo, g, RefEllipsoid(ref));
}

namespace {

void SceneOfSecond(double scene[3], const double from[2], const double to[2]) {
  GeodeticRef ref;
  const double origin[3] = {from[0], from[1], 0};
  GeodeticRefInitScene(&ref, origin);
  GeoWGS84ToScene2(scene, to, &ref);
}

}  // namespace

VMLIB_EXPORT double HeadingAlongLine(const double from[2], const double to[2]) {
  double s[3];
  SceneOfSecond(s, from, to);
  return std::atan2(s[1], s[0]);
}

VMLIB_EXPORT void DistAndHeadingAlongLine(const double from[2], const double to[2], double* distance,
                                          double* heading) {
  double s[3];
  SceneOfSecond(s, from, to);
  if (distance) *distance = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
  if (heading) *heading = std::atan2(s[1], s[0]);
}
