// The scene frame, headings along lines and great-circle distances.
#include <cmath>

#include "geodesy/geodesy_test_support.h"

namespace {

using geotest::GeodesyTest;
using geotest::kDeg;

using Scene = GeodesyTest;

TEST_F(Scene, AxesPointNorthEastAndUpAt52North5East) {
  const double origin[3] = {52 * kDeg, 5 * kDeg, 0};
  GeodeticRef ref;
  GeodeticRefInitScene(&ref, origin);
  EXPECT_EQ(ref.kind, kGeodeticRefScene);
  EXPECT_EQ(ref.datum, Datum("WGE"));
  EXPECT_EQ(ref.lat1, origin[0]);
  EXPECT_EQ(ref.lon0, origin[1]);

  struct Case {
    double dLat, dLon;  // degrees from the origin
    double x, y, z;     // expected scene coordinates, metres
    double tolerance;
    double heading;  // radians
  } cases[] = {
      {0.001, 0, 111.27, 0, -0.001, 0.01, 0},
      {0, 0.001, 0, 68.68, 0, 0.01, std::numbers::pi / 2},
      {-0.001, 0, -111.27, 0, -0.001, 0.01, std::numbers::pi},
      {0, -0.001, 0, -68.68, 0, 0.01, -std::numbers::pi / 2},
  };
  for (const Case& c : cases) {
    const double geo[2] = {origin[0] + c.dLat * kDeg, origin[1] + c.dLon * kDeg};
    double s[3];
    GeoWGS84ToScene2(s, geo, &ref);
    EXPECT_NEAR(s[0], c.x, c.tolerance) << c.dLat << " " << c.dLon;
    EXPECT_NEAR(s[1], c.y, c.tolerance) << c.dLat << " " << c.dLon;
    EXPECT_NEAR(s[2], c.z, c.tolerance) << c.dLat << " " << c.dLon;
    // A point due east on the parallel lies a little south of the straight
    // line's east (half the meridian convergence, 7e-6 rad here); south is ±π.
    double diff = HeadingAlongLine(origin, geo) - c.heading;
    if (diff > std::numbers::pi) diff -= 2 * std::numbers::pi;
    if (diff < -std::numbers::pi) diff += 2 * std::numbers::pi;
    EXPECT_NEAR(diff, 0, 1e-5) << c.dLat << " " << c.dLon;
    double distance = 0, heading = 9;
    DistAndHeadingAlongLine(origin, geo, &distance, &heading);
    EXPECT_NEAR(distance, std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]), 1e-9);
    EXPECT_EQ(heading, HeadingAlongLine(origin, geo));
  }
  // The origin itself, and a point straight above it.
  double s[3];
  GeoWGS84ToScene3(s, origin, &ref);
  EXPECT_NEAR(std::hypot(s[0], s[1], s[2]), 0, 1e-8);
  const double above[3] = {origin[0], origin[1], 250};
  GeoWGS84ToScene3(s, above, &ref);
  EXPECT_NEAR(s[0], 0, 1e-8);
  EXPECT_NEAR(s[1], 0, 1e-8);
  EXPECT_NEAR(s[2], 250, 1e-8);
}

TEST_F(Scene, MatricesAreInversesAndPositionsRoundTrip) {
  const double origin[3] = {-33.9 * kDeg, 151.2 * kDeg, 40};
  GeodeticRef ref;
  GeodeticRefInitScene(&ref, origin);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += ref.sceneToGlobal[i][k] * ref.globalToScene[k][j];
      EXPECT_NEAR(sum, i == j ? 1 : 0, 1e-9) << i << j;
    }
  }
  const double p[3] = {1234.5, -987.6, 55.5};
  double geo[3], back[3];
  SceneToGeoWGS84(geo, p, &ref);
  GeoWGS84ToScene3(back, geo, &ref);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], p[k], 1e-6);
}

TEST_F(Scene, GreatCircleDistances) {
  const double a[2] = {0.3, -1.2};
  EXPECT_EQ(DistAlongGreatCircle(a, a), 0);
  const double antipode[2] = {-0.3, -1.2 + std::numbers::pi};
  EXPECT_NEAR(DistAlongGreatCircle(a, antipode), 20003777.06246765, 1e-3);
  const double z[2] = {0, 0}, oneDegree[2] = {0, 1 * kDeg};
  EXPECT_NEAR(DistAlongGreatCircle(z, oneDegree), 111132.0948, 1e-4);
  // The chord branch: a few metres, matching the arc to well below a mm.
  const double near[2] = {0.3 + 5e-7, -1.2 + 3e-7};
  double u1[3], u2[3];
  GeoToGreatCirclePoint(u1, a);
  GeoToGreatCirclePoint(u2, near);
  const double g = u1[0] * u2[0] + u1[1] * u2[1] + u1[2] * u2[2];
  ASSERT_GE(g, 0.99999998767) << "the case must take the chord branch";
  const double dLat = near[0] - a[0], dLon = (near[1] - a[1]) * std::cos(a[0]);
  EXPECT_NEAR(DistAlongGreatCircle(a, near), std::hypot(dLat, dLon) * 6367400, 1e-4);
  EXPECT_EQ(DistAlongGreatCircle1(u1, u2), DistAlongGreatCircle(a, near));
  // Either side of the branch threshold the two formulas agree.
  const double justFar[2] = {0.3 + 158e-6, -1.2};
  const double justNear[2] = {0.3 + 157e-6, -1.2};
  EXPECT_NEAR(DistAlongGreatCircle(a, justFar), 158e-6 * 6367400, 1e-3);
  EXPECT_NEAR(DistAlongGreatCircle(a, justNear), 157e-6 * 6367400, 1e-3);
}

TEST_F(Scene, GreatCirclePointsConvertBack) {
  const double geo[2] = {-0.7, 2.5};
  double u[3], back[2];
  GeoToGreatCirclePoint(u, geo);
  EXPECT_NEAR(u[0] * u[0] + u[1] * u[1] + u[2] * u[2], 1, 1e-15);
  EXPECT_GT(u[1], 0) << "unit vectors keep the sign of the longitude";
  GreatCirclePointToGeo(back, u);
  EXPECT_NEAR(back[0], geo[0], 1e-15);
  EXPECT_NEAR(back[1], geo[1], 1e-15);
}

}  // namespace
