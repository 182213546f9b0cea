// Map projections, checked against PROJ where it has the same projection, and
// the UTM zone helpers and the Dutch grid.
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "geodesy/geodesy_test_support.h"

namespace {

using geotest::GeodesyTest;
using geotest::kDeg;

using Projections = GeodesyTest;

// A PROJ projection taking (lon, lat) radians to (x, y) metres.
class ProjProjection {
public:
  explicit ProjProjection(const std::string& definition) {
    ctx_ = proj_context_create();
    pj_ = proj_create(ctx_, definition.c_str());
  }
  ~ProjProjection() {
    proj_destroy(pj_);
    proj_context_destroy(ctx_);
  }
  bool ok() const { return pj_ != nullptr; }
  void Forward(double xy[2], const double geo[2]) const {
    PJ_COORD c = proj_trans(pj_, PJ_FWD, proj_coord(geo[1], geo[0], 0, 0));
    xy[0] = c.xy.x;
    xy[1] = c.xy.y;
  }

private:
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* pj_ = nullptr;
};

std::string EllipsoidArgs(const GeodeticEllipsoid* e) {
  char text[128];
  std::snprintf(text, sizeof text, " +a=%.17g +rf=%.17g", e->a, e->invF);
  return text;
}

struct Extent {
  double latMin, latMax, lonMin, lonMax, step;  // degrees
};

// Largest forward difference to PROJ over the extent and largest round-trip
// error of our own inverse, both in metres.
struct Agreement {
  double forward = 0, roundTrip = 0;
};

Agreement Compare(const GeodeticRef& ref, const ProjProjection& proj, const Extent& x) {
  Agreement worst;
  for (double lat = x.latMin; lat <= x.latMax + 1e-9; lat += x.step) {
    for (double lon = x.lonMin; lon <= x.lonMax + 1e-9; lon += x.step) {
      const double geo[2] = {lat * kDeg, lon * kDeg};
      double ours[2], theirs[2], back[2];
      GeoToProj(ours, geo, &ref);
      proj.Forward(theirs, geo);
      worst.forward = std::max(worst.forward, std::hypot(ours[0] - theirs[0], ours[1] - theirs[1]));
      ProjToGeo(back, ours, &ref);
      const double north = (back[0] - geo[0]) * 6378137,
                   east = (back[1] - geo[1]) * 6378137 * std::cos(geo[0]);
      worst.roundTrip = std::max(worst.roundTrip, std::hypot(north, east));
    }
  }
  return worst;
}

TEST_F(Projections, MercatorAgreesWithProjAndIgnoresLon0) {
  const GeodeticDatum* d = Datum("EUR-A");
  GeodeticRef ref;
  GeodeticRefInitMercator(&ref, 30 * kDeg, d);  // lon0 takes no part in the formulas
  ProjProjection proj("+proj=merc" + EllipsoidArgs(d->ellipsoid));
  ASSERT_TRUE(proj.ok());
  const Agreement a = Compare(ref, proj, {-80, 80, -180, 180, 10});
  // The forward formula is closed; the inverse uses the conformal series.
  EXPECT_LT(a.forward, 1e-6);
  EXPECT_LT(a.roundTrip, 1e-3);
  const double far[2] = {10 * kDeg, 190 * kDeg};
  double xy[2];
  GeoToMercator(xy, far, &ref);
  EXPECT_DOUBLE_EQ(xy[0], d->ellipsoid->a * 190 * kDeg);
}

TEST_F(Projections, TransverseMercatorSeriesAgreesWithProjNearTheCentralMeridian) {
  const GeodeticDatum* d = Datum("WGE");
  GeodeticRef ref;
  GeodeticRefInitTransverseMercator(&ref, 0.9996, 10 * kDeg, 9 * kDeg, d);
  ProjProjection proj("+proj=tmerc +lat_0=10 +lon_0=9 +k_0=0.9996" + EllipsoidArgs(d->ellipsoid));
  ASSERT_TRUE(proj.ok());
  // Our sixth-order series against PROJ's exact algorithm within ±3° of the
  // central meridian; the largest differences measured were 0.96 mm forward
  // and 0.85 mm round trip, at the edges of the band.
  const Agreement a = Compare(ref, proj, {-80, 80, 6, 12, 1});
  std::printf("transverse Mercator within 3 degrees: %.3g m forward, %.3g m round trip\n", a.forward,
              a.roundTrip);
  EXPECT_LT(a.forward, 0.002);
  EXPECT_LT(a.roundTrip, 0.002);

  const double origin[2] = {10 * kDeg, 9 * kDeg};
  double xy[2];
  GeoToTransverseMercator(xy, origin, &ref);
  EXPECT_NEAR(xy[0], 0, 1e-9);
  EXPECT_NEAR(xy[1], 0, 1e-9);
  // The point scale factor: k0 on the central meridian, growing with the
  // square of the distance from it (about 1.0004 three degrees away at 0°).
  EXPECT_DOUBLE_EQ(GeoToTransverseMercatorScale(origin, &ref), 0.9996);
  const double east[2] = {0, 12 * kDeg};
  EXPECT_NEAR(GeoToTransverseMercatorScale(east, &ref), 0.9996 * (1 + 0.5 * std::pow(3 * kDeg, 2) * 1.0067),
              2e-6);
}

TEST_F(Projections, EquidistantCylindricalAgreesWithProjAndWraps) {
  const GeodeticDatum* d = Datum("WGE");
  GeodeticRef ref;
  GeodeticRefInitEquidistantCylindrical(&ref, 30 * kDeg, 20 * kDeg, d);
  ProjProjection proj("+proj=eqc +lat_ts=30 +lon_0=20" + EllipsoidArgs(d->ellipsoid));
  ASSERT_TRUE(proj.ok());
  const Agreement a = Compare(ref, proj, {-80, 80, -150, 190, 10});
  EXPECT_LT(a.forward, 1e-6);
  EXPECT_LT(a.roundTrip, 1e-6);
  // 190° is 170° from lon0... and 210° wraps to -150°.
  GeodeticRef plain;
  GeodeticRefInitEquidistantCylindrical(&plain, 0, 0, d);
  const double far[2] = {0, 190 * kDeg};
  double xy[2];
  GeoToEquidistantCylindrical(xy, far, &plain);
  EXPECT_NEAR(xy[0], 6378137 * -170 * kDeg, 1e-6);
}

TEST_F(Projections, LambertConformalConicAgreesWithProj) {
  struct Case {
    double lat1, lat2, lat0, lon0;
    const char* code;
  } cases[] = {
      {33, 45, 23, -96, "NAR-C"},   // two parallels, northern cone
      {-10, -30, -20, 130, "AUA"},  // southern cone, n < 0
      {45, 45, 45, 3, "EUR-A"},     // one tangent parallel
  };
  for (const Case& c : cases) {
    const GeodeticDatum* d = Datum(c.code);
    GeodeticRef ref;
    GeodeticRefInitLambertConformalConic(&ref, c.lat1 * kDeg, c.lat2 * kDeg, c.lat0 * kDeg, c.lon0 * kDeg, d);
    char def[256];
    std::snprintf(def, sizeof def, "+proj=lcc +lat_1=%g +lat_2=%g +lat_0=%g +lon_0=%g", c.lat1, c.lat2,
                  c.lat0, c.lon0);
    ProjProjection proj(def + EllipsoidArgs(d->ellipsoid));
    ASSERT_TRUE(proj.ok());
    const double mid = (c.lat1 + c.lat2) / 2;
    const Agreement a = Compare(ref, proj, {mid - 20, mid + 20, c.lon0 - 30, c.lon0 + 30, 5});
    EXPECT_LT(a.forward, 1e-6) << c.code;
    // The inverse latitude comes from the conformal series.
    EXPECT_LT(a.roundTrip, 1e-3) << c.code;
  }
}

TEST_F(Projections, StereographicAgreesWithProjAndInvertsTheOrigin) {
  const GeodeticDatum* d = Datum("WGE");
  GeodeticRef ref;
  GeodeticRefInitStereographic(&ref, 0.9999, 60 * kDeg, 15 * kDeg, d);
  // PROJ's stere uses the same conformal-sphere form with exact conformal
  // latitudes; the series differ from them by well below a millimetre.
  ProjProjection proj("+proj=stere +lat_0=60 +lon_0=15 +k_0=0.9999" + EllipsoidArgs(d->ellipsoid));
  ASSERT_TRUE(proj.ok());
  const Agreement a = Compare(ref, proj, {45, 75, -5, 35, 5});
  EXPECT_LT(a.forward, 1e-3);
  EXPECT_LT(a.roundTrip, 1e-3);
  const double zero[2] = {0, 0};
  double geo[2];
  StereographicToGeo(geo, zero, &ref);
  EXPECT_NEAR(geo[0], 60 * kDeg, 1e-12);
  EXPECT_EQ(geo[1], 15 * kDeg);
}

TEST_F(Projections, OrthographicThrows) {
  GeodeticRef ref;
  GeodeticRefInitOrthographic(&ref, 0, 0, Datum("WGE"));
  double a[2] = {0, 0}, b[2];
  try {
    GeoToProj(b, a, &ref);
    FAIL() << "no exception";
  } catch (const CException& e) {
    EXPECT_EQ(e.Message(), "GeoToOrthographic: not implemented");
  }
  try {
    ProjToGeo(b, a, &ref);
    FAIL() << "no exception";
  } catch (const CException& e) {
    EXPECT_EQ(e.Message(), "OrthographicToGeo: not implemented");
  }
}

TEST_F(Projections, ExactRDAgreesWithProjAndTheApproximationIsClose) {
  const GeodeticDatum* rdOld = Datum("RD-OLD");
  ProjProjection proj(
      "+proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 +x_0=155000 +y_0=463000" +
      EllipsoidArgs(rdOld->ellipsoid));
  ASSERT_TRUE(proj.ok());
  GeodeticRef ref;
  GeodeticRefInitRD(&ref);
  EXPECT_EQ(ref.datum, rdOld);
  EXPECT_EQ(ref.projection, kProjectionRD);
  double worstExact = 0, worstInverse = 0, worstApprox = 0;
  for (double lat = 50.5; lat <= 54; lat += 0.25) {
    for (double lon = 3; lon <= 7.5; lon += 0.25) {
      const double geo[2] = {lat * kDeg, lon * kDeg};
      double exact[2], theirs[2], approx[2], back[2];
      GeoToRDExact(exact, geo);
      proj.Forward(theirs, geo);
      worstExact = std::max(worstExact, std::hypot(exact[0] - theirs[0], exact[1] - theirs[1]));
      RDToGeoExact(back, theirs);
      worstInverse = std::max(worstInverse, std::hypot((back[0] - geo[0]) * 6378137,
                                                       (back[1] - geo[1]) * 6378137 * std::cos(geo[0])));
      GeoToProj(approx, geo, &ref);
      worstApprox = std::max(worstApprox, std::hypot(approx[0] - theirs[0], approx[1] - theirs[1]));
    }
  }
  std::printf("RD: exact %.3g m, exact inverse %.3g m, approximation %.3g m from PROJ\n", worstExact,
              worstInverse, worstApprox);
  EXPECT_LT(worstExact, 0.001);
  EXPECT_LT(worstInverse, 0.001);
  // The polynomial is a fit for the Netherlands: 1.2 mm at worst over the
  // area used here.
  EXPECT_LT(worstApprox, 0.005);
}

TEST_F(Projections, RDOriginIsExact) {
  const double origin[2] = {0.9102967269708094, 0.0940320375215393};
  double rd[2], geo[2];
  GeoToRD(rd, origin, nullptr);
  EXPECT_EQ(rd[0], 155000);
  EXPECT_EQ(rd[1], 463000);
  RDToGeo(geo, rd, nullptr);
  EXPECT_EQ(geo[0], origin[0]);
  EXPECT_EQ(geo[1], origin[1]);
  // The exact projection's sphere constants place this origin 0.46 mm north
  // of the grid origin (PROJ's sterea gives 0.49 mm for the same point).
  GeoToRDExact(rd, origin);
  EXPECT_NEAR(rd[0], 155000, 1e-6);
  EXPECT_NEAR(rd[1], 463000, 1e-3);
  const double centre[2] = {155000, 463000};
  RDToGeoExact(geo, centre);
  EXPECT_NEAR(geo[0], origin[0], 1e-10);
  EXPECT_EQ(geo[1], origin[1]);
}

TEST_F(Projections, RDDistanceRemovesTheGridScale) {
  const double origin[2] = {155000, 463000};
  const double east[2] = {165000, 463000};
  // Near the origin the grid shrinks lengths by 0.9999079.
  EXPECT_NEAR(RDCalcDistance(origin, east), 10000 / (0.9999079 + 6.135e-15 * 1e8), 1e-9);
  EXPECT_EQ(RDCalcDistance(east, east), 0);
  // Against the geodesic between the exact inverses of two grid points
  // 100 km apart: moving each point radially corrects the radial part of the
  // scale only to first order, so 2.26 m of the 7.9 m grid error remain.
  const double a[2] = {100000, 400000}, b[2] = {180000, 460000};
  double ga[2], gb[2];
  RDToGeoExact(ga, a);
  RDToGeoExact(gb, b);
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* geod = proj_create(ctx, ("+proj=longlat" + EllipsoidArgs(Datum("RD-OLD")->ellipsoid)).c_str());
  ASSERT_NE(geod, nullptr);
  const double truth = proj_lp_dist(geod, proj_coord(ga[1], ga[0], 0, 0), proj_coord(gb[1], gb[0], 0, 0));
  proj_destroy(geod);
  proj_context_destroy(ctx);
  EXPECT_NEAR(RDCalcDistance(a, b), truth, 2.5);
  EXPECT_LT(std::fabs(RDCalcDistance(a, b) - truth), std::fabs(std::hypot(80000, 60000) - truth) / 3);
}

TEST_F(Projections, UtmZonesAndBands) {
  struct Zone {
    double lonDeg;
    int32_t zone;
  } zones[] = {{3, 31}, {6, 32}, {-0.1, 30}, {-180, 1}, {179.9, 60}, {180, 1}, {-177, 1}, {0, 31}};
  for (const Zone& z : zones) EXPECT_EQ(UTMLongToZone(z.lonDeg * kDeg), z.zone) << z.lonDeg;
  EXPECT_DOUBLE_EQ(UTMZoneToLong(31), 3 * kDeg);
  EXPECT_DOUBLE_EQ(UTMZoneToLong(-31), 3 * kDeg);
  EXPECT_DOUBLE_EQ(UTMZoneToLong(1), -177 * kDeg);

  struct Band {
    double latDeg, lonDeg;
    char letter;
  } bands[] = {{52, 5, 'U'},   {-85, -1, 'A'}, {-85, 1, 'B'}, {-80, 0, 'C'}, {71.9, 0, 'W'}, {72, 0, 'X'},
               {83.9, 0, 'X'}, {84, -1, 'Y'},  {84, 1, 'Z'},  {0, 0, 'N'},   {-0.1, 0, 'M'}};
  for (const Band& b : bands)
    EXPECT_EQ(UTMToZoneChar(b.latDeg * kDeg, b.lonDeg * kDeg), b.letter) << b.latDeg;

  EXPECT_DOUBLE_EQ(UTMZoneToLat(0), -85 * kDeg);
  EXPECT_DOUBLE_EQ(UTMZoneToLat('U' - 'A'), 52 * kDeg);
  EXPECT_DOUBLE_EQ(UTMZoneToLat('X' - 'A'), 78 * kDeg);
  EXPECT_DOUBLE_EQ(UTMZoneToLat(25), 87 * kDeg);
  for (int32_t index : {8, 14, -1, 26}) EXPECT_EQ(UTMZoneToLat(index), -9999) << index;
}

TEST_F(Projections, ReferencesCompareByTheirDefiningValues) {
  const GeodeticDatum* wge = Datum("WGE");
  const GeodeticDatum* kgs = Datum("KGS");
  GeodeticRef a, b;
  GeodeticRefInitTransverseMercator(&a, 0.9996, 0, 3 * kDeg, wge);
  GeodeticRefInitTransverseMercator(&b, 0.9996, 0, 3 * kDeg, kgs);
  EXPECT_TRUE(GeodeticRefIsEqualExceptDatum(&a, &b));
  EXPECT_FALSE(GeodeticRefIsEqual(&a, &b));
  EXPECT_TRUE(GeodeticRefIsEqualParams(&a, &b));
  GeodeticRefInitTransverseMercator(&b, 0.9996, 0, 9 * kDeg, wge);
  EXPECT_FALSE(GeodeticRefIsEqualExceptDatum(&a, &b));
  GeodeticRefInitMercator(&b, 3 * kDeg, wge);
  EXPECT_FALSE(GeodeticRefIsEqualExceptDatum(&a, &b));

  // Fields that do not define a reference are not compared.
  GeodeticRefInitRD(&a);
  GeodeticRefInitRD(&b);
  b.lat1 = 1;
  EXPECT_TRUE(GeodeticRefIsEqual(&a, &b));
  GeodeticRefInitGeo(&a, wge);
  GeodeticRefInitGeo(&b, Datum("EUR-A"));
  EXPECT_TRUE(GeodeticRefIsEqualExceptDatum(&a, &b));
  EXPECT_FALSE(GeodeticRefIsEqualParams(&a, &b));

  const double o1[3] = {0.9, 0.1, 0}, o2[3] = {0.9, 0.1, 5};
  GeodeticRefInitScene(&a, o1);
  GeodeticRefInitScene(&b, o2);
  EXPECT_FALSE(GeodeticRefIsEqual(&a, &b));
  GeodeticRefInitScene(&b, o1);
  EXPECT_TRUE(GeodeticRefIsEqual(&a, &b));

  GeodeticRefInitLambertConformalConic(&a, 0.5, 0.7, 0.4, 0.1, wge);
  GeodeticRefInitLambertConformalConic(&b, 0.5, 0.7, 0.4, 0.1, wge);
  EXPECT_TRUE(GeodeticRefIsEqual(&a, &b));
  GeodeticRefInitLambertConformalConic(&b, 0.5, 0.71, 0.4, 0.1, wge);
  EXPECT_FALSE(GeodeticRefIsEqual(&a, &b));
}

TEST_F(Projections, InitialisersClearTheRecord) {
  GeodeticRef ref;
  std::memset(&ref, 0xA5, sizeof ref);
  GeodeticRefInitMercator(&ref, 0.25, Datum("WGE"));
  EXPECT_EQ(ref.kind, kGeodeticRefProjection);
  EXPECT_EQ(ref.projection, kProjectionMercator);
  EXPECT_EQ(ref.lon0, 0.25);
  EXPECT_EQ(ref.k0, 0);
  EXPECT_EQ(ref.sceneToGlobal[2][2], 0);
  EXPECT_EQ(ref.mLat0, 0);
  GeodeticRefInitGlobal(&ref, Datum("EUR-A"));
  EXPECT_EQ(ref.kind, kGeodeticRefGlobal);
  EXPECT_EQ(ref.lon0, 0);
  // Non-projection references pass positions through the entry points.
  const double in[2] = {0.3, 0.4};
  double out[2];
  GeoToProj(out, in, &ref);
  EXPECT_EQ(out[0], 0.3);
  EXPECT_EQ(out[1], 0.4);
}

TEST_F(Projections, NamesOfKindsAndProjections) {
  EXPECT_STREQ(GeodeticRefKindToStr(0), "Geographic");
  EXPECT_STREQ(GeodeticRefKindToStr(2), "Scene");
  EXPECT_STREQ(GeodeticRefKindToStr(3), "Projection");
  EXPECT_STREQ(GeodeticRefKindToStr(4), "Invalid");
  EXPECT_STREQ(GeodeticRefKindToStr(-1), "Invalid");
  EXPECT_STREQ(GeodeticRefProjectionToStr(0), "Unknown");
  EXPECT_STREQ(GeodeticRefProjectionToStr(2), "Transverse mercator");
  EXPECT_STREQ(GeodeticRefProjectionToStr(7), "RD");
  EXPECT_STREQ(GeodeticRefProjectionToStr(8), "Invalid");
}

}  // namespace
