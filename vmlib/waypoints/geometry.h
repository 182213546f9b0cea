// The geodesy the store needs: great-circle distances of route legs and
// proximity, the straight-line distance of the import clash rule, and the
// course of a route leg in a scene frame.
#pragma once

#include "vmlib/waypoints.h"

namespace vm {

// Great-circle distance in metres on the sphere of radius 6367400 m;
// latitude and longitude only.
double GreatCircleDistance(const WptPos3& a, const WptPos3& b);
// Straight-line distance in metres between the two positions' global points
// on the WGS 84 ellipsoid, heights included.
double GlobalDistanceWgs84(const WptPos3& a, const WptPos3& b);
// Course from `from` to `to` in radians from true north, clockwise positive,
// -pi to pi: atan2 of east over north in the scene frame anchored at `from`.
double SceneCourse(const WptPos3& from, const WptPos3& to);
// The longitude moved by whole turns into [-pi, pi).
double NormaliseLongitude(double radians);

}  // namespace vm
