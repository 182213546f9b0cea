#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "nav/track_units.h"
#include "support/test_support.h"
#include "track_fixtures.h"
#include "vmlib/geodesy.h"

using namespace tracktest;

namespace {

// A boat: moves from its position by course (radians from north, clockwise)
// and speed, on the local tangent plane.
struct Boat {
  double lat = 52 * kDegree, lon = 4 * kDegree, time = 45000.25;
  void Sail(double courseRad, double metresPerSecond, double seconds) {
    const double d = metresPerSecond * seconds;
    lat += d * std::cos(courseRad) / 6378137.0;
    lon += d * std::sin(courseRad) / (6378137.0 * std::cos(lat));
    time += seconds * kSecond;
  }
  void Log(CNavTrack* t, int32_t* err) const {
    const double p[2] = {lat, lon};
    t->AddTrackPoint(time, p, err);
  }
};

// The write-through file must always load back to what the track holds.
void ExpectFileMatches(CNavTrack* t) {
  int32_t err = 0;
  Track loaded(NavTrackCreate2(t->GetFileName(), &err));
  ASSERT_EQ(err, 0);
  ASSERT_EQ(loaded->GetPointCount(), t->GetPointCount());
  for (int32_t i = 0; i < t->GetPointCount(); ++i) {
    const TrackPoint a = *t->GetPoint(i), b = *loaded->GetPoint(i);
    ASSERT_EQ(a.latitude, b.latitude) << i;
    ASSERT_EQ(a.longitude, b.longitude) << i;
    ASSERT_EQ(a.distance, b.distance) << i;
    ASSERT_NEAR(a.time, b.time, 0.5 / vm::kTicksPerDay) << i;
  }
}

class Logging : public ::testing::Test {
protected:
  Track NewTrack(const char* file) {
    Track t(NavTrackCreate1(1));
    t->SetFileName(S(dir.str() + "/" + file));
    return t;
  }
  vmtest::TempDir dir;
  int32_t err = 0;
};

TEST_F(Logging, AStraightCourseAtConstantSpeedKeepsTwoPoints) {
  Track t = NewTrack("straight.trk");
  Boat boat;
  for (int i = 0; i < 100; ++i, boat.Sail(0.3, 5, 10)) boat.Log(t.p, &err);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(t->GetPointCount(), 2);
  ExpectFileMatches(t.p);
  int32_t count = 0;
  NavTrackGetInfoFromFile(t->GetFileName(), nullptr, nullptr, nullptr, nullptr, &count, nullptr, &err);
  EXPECT_EQ(count, 2);
  // The moving last point is the newest position.
  EXPECT_EQ(t->GetLastPoint()->latitude,
            vm::RadiansToTrackUnits(boat.lat - 5 * 10 * std::cos(0.3) / 6378137.0));
}

TEST_F(Logging, TurnsAndSpeedChangesKeepThePointBeforeThem) {
  const struct {
    const char* what;
    double course2, speed2;
    int32_t expected;
  } cases[] = {
      {"turn of 30 degrees at 7.2 km/h", 30 * kDegree, 2.0, 3},
      {"turn of 10 degrees at 7.2 km/h", 10 * kDegree, 2.0, 2},
      {"speed up by 7.2 km/h", 0, 4.0, 3},
      {"speed up by 1.8 km/h", 0, 2.5, 2},
  };
  for (const auto& c : cases) {
    Track t = NewTrack("turn.trk");
    Boat boat;
    for (int i = 0; i < 10; ++i, boat.Sail(0, 2.0, 10)) boat.Log(t.p, &err);
    const Boat corner = boat;
    boat.Log(t.p, &err);
    boat.Sail(c.course2, c.speed2, 10);
    boat.Log(t.p, &err);  // one leg after the change
    EXPECT_EQ(t->GetPointCount(), c.expected) << c.what;
    if (c.expected == 3) {
      EXPECT_EQ(t->GetPoint(1)->latitude, vm::RadiansToTrackUnits(corner.lat)) << c.what;
    }
    ExpectFileMatches(t.p);
  }
}

TEST_F(Logging, AGentleTurnIsKeptOnceTheBoatLeavesThePredictedLine) {
  Track t = NewTrack("gentle.trk");
  Boat boat;
  for (int i = 0; i < 10; ++i, boat.Sail(0, 2.0, 10)) boat.Log(t.p, &err);
  // 10 degrees off the course: 3.5 m off the prediction per leg, kept once
  // the boat is more than 15 m away from where the old motion would be.
  for (int i = 0; i < 10; ++i, boat.Sail(10 * kDegree, 2.0, 10)) boat.Log(t.p, &err);
  EXPECT_GE(t->GetPointCount(), 3);
  ExpectFileMatches(t.p);
}

TEST_F(Logging, WithoutTimesEveryNewPositionIsKept) {
  Track t = NewTrack("untimed.trk");
  t->SetHasTimes(false);
  Boat boat;
  for (int i = 0; i < 20; ++i) {
    boat.Log(t.p, &err);
    boat.Log(t.p, &err);  // the same position again is ignored
    boat.Sail(0, 3, 10);
  }
  EXPECT_EQ(t->GetPointCount(), 20);
  EXPECT_EQ(static_cast<double>(t->GetPoint(5)->time), 0.0);
  ExpectFileMatches(t.p);
}

TEST_F(Logging, PointsTooCloseInTimeAreIgnored) {
  Track t = NewTrack("close.trk");
  Boat boat;
  boat.Log(t.p, &err);
  boat.Sail(0, 100, 0.05);  // 5 m in 0.05 s
  boat.Log(t.p, &err);
  EXPECT_EQ(t->GetPointCount(), 1);
  boat.Sail(0, 1, 1);
  boat.Log(t.p, &err);
  boat.Sail(0, 100, 0.05);
  boat.Log(t.p, &err);
  EXPECT_EQ(t->GetPointCount(), 2);
}

TEST_F(Logging, TheFileIsValidAfterEveryAcceptedPoint) {
  Track t = NewTrack("mixed.trk");
  Boat boat;
  uint32_t seed = 7;
  double course = 0, speed = 3;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1664525u + 1013904223u;
    if (seed % 7 == 0) course += ((seed >> 8) % 90 - 45) * kDegree;
    if (seed % 11 == 0) speed = 0.5 + (seed >> 12) % 8;
    const double seconds = seed % 13 == 0 ? 400 : 5;  // gaps use the time escape
    boat.Sail(course, speed, seconds);
    const int32_t before = t->GetPointCount();
    boat.Log(t.p, &err);
    ASSERT_EQ(err, 0);
    if (t->GetPointCount() >= 2 && (i % 10 == 0 || t->GetPointCount() != before)) ExpectFileMatches(t.p);
  }
  EXPECT_GT(t->GetPointCount(), 20);
}

TEST_F(Logging, TheTwelveThousandFiveHundredthPointSplitsTheLog) {
  Track t = NewTrack("long.trk");
  Boat boat;
  // Zigzag: every leg turns 60 degrees, so every point is kept.
  for (int i = 0; i < 12500; ++i) {
    boat.Log(t.p, &err);
    ASSERT_EQ(err, 0) << i;
    boat.Sail(i % 2 ? 30 * kDegree : -30 * kDegree, 3, 10);
  }
  ASSERT_EQ(t->GetPointCount(), 2500);
  const std::string first = dir.str() + "/long.trk";
  int32_t count = 0;
  NavTrackGetInfoFromFile(S(first), nullptr, nullptr, nullptr, nullptr, &count, nullptr, &err);
  EXPECT_EQ(count, 10001);
  EXPECT_EQ(t->GetPoint(0)->distance, 0);
  const std::string second(vm::StrView(t->GetFileName()));
  EXPECT_NE(second, first);
  EXPECT_EQ(std::filesystem::path(second).extension(), ".trk");
  EXPECT_EQ(vm::StrView(t->GetName()), std::filesystem::path(second).stem().string());
  ExpectFileMatches(t.p);
  // Logging goes on in the new file.
  boat.Log(t.p, &err);
  EXPECT_EQ(t->GetPointCount(), 2501);
  ExpectFileMatches(t.p);
}

TEST_F(Logging, PositionsTheUnitsCannotHoldAreRefused) {
  Track t = NewTrack("bad.trk");
  Boat boat;
  boat.Log(t.p, &err);
  const double bad[][2] = {{NAN, 0.1}, {0.9, INFINITY}, {1e6, 0.1}};
  for (const auto& p : bad) {
    t->AddTrackPoint(boat.time + 60 * kSecond, p, &err);
    EXPECT_EQ(err, 0x5);
  }
  EXPECT_EQ(t->GetPointCount(), 1);
}

TEST_F(Logging, WriteThroughWithoutAFileNameFailsAtTheSecondPoint) {
  Track t(NavTrackCreate1(1));
  Boat boat;
  boat.Log(t.p, &err);
  EXPECT_EQ(err, 0);
  boat.Sail(0, 3, 10);
  boat.Log(t.p, &err);
  EXPECT_NE(err, 0);
  EXPECT_EQ(t->GetPointCount(), 2);  // the point itself is kept
}

}  // namespace
