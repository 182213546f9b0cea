// Geodetic references: initialisers, comparisons, names and the dispatch of
// the projection entry points.
#include <cstring>

#include "geodesy/projection_internal.h"

namespace vm::geodesy {

const GeodeticEllipsoid* RefEllipsoid(const GeodeticRef* ref) {
  if (ref != nullptr && ref->datum != nullptr) return ref->datum->ellipsoid;
  Registry* r = TheRegistry();
  if (r != nullptr) return r->GetEllipsoidManager()->Wgs84();
  static const GeodeticEllipsoid wgs84 = [] {
    GeodeticEllipsoid e;
    BuildEllipsoid(&e, 6378137.0, 298.257223563);
    return e;
  }();
  return &wgs84;
}

}  // namespace vm::geodesy

using namespace vm::geodesy;

namespace {

void Clear(GeodeticRef* ref, int32_t kind, int32_t projection, const GeodeticDatum* datum) {
  std::memset(static_cast<void*>(ref), 0, sizeof *ref);
  ref->kind = kind;
  ref->projection = projection;
  ref->datum = datum;
}

}  // namespace

VMLIB_EXPORT void GeodeticRefInitGeo(GeodeticRef* ref, const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefGeographic, kProjectionUnknown, datum);
}

VMLIB_EXPORT void GeodeticRefInitGlobal(GeodeticRef* ref, const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefGlobal, kProjectionUnknown, datum);
}

VMLIB_EXPORT void GeodeticRefInitMercator(GeodeticRef* ref, double lon0, const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefProjection, kProjectionMercator, datum);
  ref->lon0 = lon0;
}

VMLIB_EXPORT void GeodeticRefInitTransverseMercator(GeodeticRef* ref, double k0, double lat0, double lon0,
                                                    const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefProjection, kProjectionTransverseMercator, datum);
  ref->k0 = k0;
  ref->lat0 = lat0;
  ref->lon0 = lon0;
  ref->m0Distance = MeridianDistance(RefEllipsoid(ref), lat0);
}

VMLIB_EXPORT void GeodeticRefInitEquidistantCylindrical(GeodeticRef* ref, double lat1, double lon0,
                                                        const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefProjection, kProjectionEquidistantCylindrical, datum);
  ref->lat1 = lat1;
  ref->lon0 = lon0;
  ref->cosLat1 = std::cos(lat1);
}

namespace {

double LambertT(const GeodeticEllipsoid* e, double lat) {
  const double s = std::sin(lat);
  return std::sqrt(((1 - s) / (1 + s)) * std::pow((1 + e->e * s) / (1 - e->e * s), e->e));
}

double LambertM(const GeodeticEllipsoid* e, double lat) {
  const double s = std::sin(lat);
  return std::cos(lat) / std::sqrt(1 - e->e2 * s * s);
}

}  // namespace

VMLIB_EXPORT void GeodeticRefInitLambertConformalConic(GeodeticRef* ref, double lat1, double lat2,
                                                       double lat0, double lon0, const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefProjection, kProjectionLambertConformalConic, datum);
  ref->lat1 = lat1;
  ref->lat2 = lat2;
  ref->lat0 = lat0;
  ref->lon0 = lon0;
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  const double m1 = LambertM(e, lat1), t1 = LambertT(e, lat1);
  // Equal parallels make the two-parallel quotient 0/0; its limit is the
  // tangent cone of that parallel.
  ref->n = lat1 == lat2
               ? std::sin(lat1)
               : (std::log(m1) - std::log(LambertM(e, lat2))) / (std::log(t1) - std::log(LambertT(e, lat2)));
  ref->F = m1 / (ref->n * std::pow(t1, ref->n));
  ref->rho0 = e->a * ref->F * std::pow(LambertT(e, lat0), ref->n);
}

VMLIB_EXPORT void GeodeticRefInitOrthographic(GeodeticRef* ref, double lat1, double lon0,
                                              const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefProjection, kProjectionOrthographic, datum);
  ref->lat1 = lat1;
  ref->lon0 = lon0;
}

VMLIB_EXPORT void GeodeticRefInitStereographic(GeodeticRef* ref, double k0, double lat1, double lon0,
                                               const GeodeticDatum* datum) {
  Clear(ref, kGeodeticRefProjection, kProjectionStereographic, datum);
  ref->k0 = k0;
  ref->lat1 = lat1;
  ref->lon0 = lon0;
  const GeodeticEllipsoid* e = RefEllipsoid(ref);
  ref->chi0 = ConformalLatitude(e, lat1);
  ref->sinChi0 = std::sin(ref->chi0);
  ref->cosChi0 = std::cos(ref->chi0);
  const double s = std::sin(lat1);
  ref->mLat0 = std::cos(lat1) / std::sqrt(1 - e->e2 * s * s);
}

VMLIB_EXPORT void GeodeticRefInitRD(GeodeticRef* ref) {
  Registry* r = TheRegistry();
  Clear(ref, kGeodeticRefProjection, kProjectionRD, r ? r->GetDatumManager()->OldDutch() : nullptr);
}

VMLIB_EXPORT bool GeodeticRefIsEqualExceptDatum(const GeodeticRef* a, const GeodeticRef* b) {
  if (a->kind != b->kind || a->projection != b->projection) return false;
  if (a->kind == kGeodeticRefScene) return a->lat1 == b->lat1 && a->lon0 == b->lon0 && a->height == b->height;
  if (a->kind != kGeodeticRefProjection) return true;
  switch (a->projection) {
    case kProjectionMercator:
      return a->lon0 == b->lon0;
    case kProjectionTransverseMercator:
      return a->k0 == b->k0 && a->lat0 == b->lat0 && a->lon0 == b->lon0;
    case kProjectionLambertConformalConic:
      return a->lat1 == b->lat1 && a->lat2 == b->lat2 && a->lat0 == b->lat0 && a->lon0 == b->lon0;
    case kProjectionStereographic:
      return a->k0 == b->k0 && a->lat1 == b->lat1 && a->lon0 == b->lon0;
    case kProjectionEquidistantCylindrical:
    case kProjectionOrthographic:
      return a->lat1 == b->lat1 && a->lon0 == b->lon0;
    default:
      return true;
  }
}

VMLIB_EXPORT bool GeodeticRefIsEqual(const GeodeticRef* a, const GeodeticRef* b) {
  return GeodeticRefIsEqualExceptDatum(a, b) && a->datum == b->datum;
}

VMLIB_EXPORT bool GeodeticRefIsEqualParams(const GeodeticRef* a, const GeodeticRef* b) {
  return GeodeticRefIsEqualExceptDatum(a, b) && GeodeticDatumIsEqualParams(a->datum, b->datum);
}

VMLIB_EXPORT const char* GeodeticRefKindToStr(int32_t kind) {
  static const char* const kNames[] = {"Geographic", "Global", "Scene", "Projection"};
  return kind >= 0 && kind < 4 ? kNames[kind] : "Invalid";
}

VMLIB_EXPORT const char* GeodeticRefProjectionToStr(int32_t projection) {
  static const char* const kNames[] = {"Unknown",
                                       "Mercator",
                                       "Transverse mercator",
                                       "Equidistant cylindrical",
                                       "Lambert conformal conic",
                                       "Orthographic",
                                       "Stereographic",
                                       "RD"};
  return projection >= 0 && projection < 8 ? kNames[projection] : "Invalid";
}

namespace {

using ProjectionFn = void (*)(double out[2], const double in[2], const GeodeticRef* ref);

struct ProjectionPair {
  ProjectionFn forward;
  ProjectionFn inverse;
};

// Indexed by GeodeticProjectionCode; Unknown has no functions.
const ProjectionPair kProjections[] = {
    {nullptr, nullptr},
    {GeoToMercator, MercatorToGeo},
    {GeoToTransverseMercator, TransverseMercatorToGeo},
    {GeoToEquidistantCylindrical, EquidistantCylindricalToGeo},
    {GeoToLambertConformalConic, LambertConformalConicToGeo},
    {GeoToOrthographic, OrthographicToGeo},
    {GeoToStereographic, StereographicToGeo},
    {GeoToRD, RDToGeo},
};

const ProjectionPair* PairOf(const GeodeticRef* ref) {
  if (ref->kind != kGeodeticRefProjection || ref->projection <= kProjectionUnknown ||
      ref->projection > kProjectionRD) {
    return nullptr;
  }
  return &kProjections[ref->projection];
}

}  // namespace

VMLIB_EXPORT void GeoToProj(double proj[2], const double geo[2], const GeodeticRef* ref) {
  if (const ProjectionPair* p = PairOf(ref)) return p->forward(proj, geo, ref);
  const double lat = geo[0], lon = geo[1];
  proj[0] = lat;
  proj[1] = lon;
}

VMLIB_EXPORT void ProjToGeo(double geo[2], const double proj[2], const GeodeticRef* ref) {
  if (const ProjectionPair* p = PairOf(ref)) return p->inverse(geo, proj, ref);
  const double x = proj[0], y = proj[1];
  geo[0] = x;
  geo[1] = y;
}
