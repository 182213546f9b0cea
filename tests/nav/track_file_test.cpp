#include <gtest/gtest.h>

#include "nav/track_file.h"
#include "nav/track_units.h"
#include "support/test_support.h"
#include "track_fixtures.h"

using namespace tracktest;

namespace {

const std::string kMagic = "AKRM4L_TrackFile";

TEST(TrackFile, TwoPointsTenSecondsApartAreHeaderRecordAndTrailer) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/two.trk";
  Track t(NavTrackCreate1(0));
  S name("Harbour");
  t->SetName(name);
  int32_t status = 0;
  ErrorStatus err = &status;
  const double t0 = 45000.5;
  const double a[2] = {52 * kDegree, 5 * kDegree};
  const double b[2] = {52 * kDegree + 1e-5, 5 * kDegree - 2e-5};
  t->AddTrackPoint(t0, a, err);
  t->AddTrackPoint(t0 + 10 * kSecond, b, err);
  ASSERT_EQ(*err, 0);
  ASSERT_EQ(t->GetPointCount(), 2);
  t->SaveToFile(S(path), err);
  ASSERT_EQ(*err, 0);

  const TrackPoint p0 = *t->GetPoint(0), p1 = *t->GetPoint(1);
  const int16_t dlat = static_cast<int16_t>(p1.latitude - p0.latitude);
  const int16_t dlon = static_cast<int16_t>(p1.longitude - p0.longitude);
  EXPECT_NEAR(dlat, 637.8, 1);  // 1e-5 rad in units of 1/63781370 rad
  EXPECT_NEAR(dlon, -1275.6, 1);
  Bytes expected;
  expected.raw(kMagic).u32(0x01020000).str8("Harbour").u8(1).f64(p0.time).i32(p0.latitude).i32(p0.longitude);
  expected.u16(2000).i16(dlat).i16(dlon).u16(static_cast<uint16_t>(p1.distance));
  expected.f64(p1.time).i32(p1.distance).i32(2);
  EXPECT_EQ(ReadFile(path), expected.b);
}

TEST(TrackFile, RecordEscapesStartExactlyAtTheirLimits) {
  const TrackPoint p{40000.0, 1000, 2000, 500};
  const struct {
    const char* what;
    bool hasTimes;
    int64_t ticks;
    int32_t dlat;
    uint32_t dd;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"plain", true, 0xFFFE, 32766, 0xFFFE, Bytes().u16(0xFFFE).i16(32766).i16(0).u16(0xFFFE).b},
      {"time escape", true, 0xFFFF, 0, 1,
       Bytes().u16(0xFFFF).f64(40000.0 + 0xFFFF / 17280000.0).i16(0).i16(0).u16(1).b},
      {"position escape", true, 1, 32767, 1, Bytes().u16(1).i16(0x7FFF).i32(1000 + 32767).i32(2000).u16(1).b},
      {"negative position", true, 1, -32766, 1, Bytes().u16(1).i16(-32766).i16(0).u16(1).b},
      {"distance escape", true, 1, 0, 0xFFFF, Bytes().u16(1).i16(0).i16(0).u16(0xFFFF).i32(500 + 0xFFFF).b},
      {"no times", false, 0, 1, 2, Bytes().i16(1).i16(0).u16(2).b},
      // A step back in time keeps the point's own time.
      {"backwards", true, -200, 0, 1,
       Bytes().u16(0xFFFF).f64(40000.0 - 200 / 17280000.0).i16(0).i16(0).u16(1).b},
  };
  for (const auto& c : cases) {
    TrackPoint n{p.time + static_cast<double>(c.ticks) / 17280000.0, p.latitude + c.dlat, p.longitude,
                 static_cast<int32_t>(p.distance + c.dd)};
    uint8_t out[vm::trackfile::kMaxRecordSize];
    const int32_t size = vm::trackfile::EncodeRecord(out, p, n, c.hasTimes, c.ticks);
    EXPECT_EQ(std::vector<uint8_t>(out, out + size), c.bytes) << c.what;
  }
}

struct Summary {
  int32_t err;
  std::string name;
  bool hasTimes;
  double first, last, distance;
  int32_t count;
};

Summary InfoOf(const std::string& path) {
  Summary s{};
  Str* name = StrCreate("x", 1);
  int32_t err = -1;
  NavTrackGetInfoFromFile(S(path), name, &s.hasTimes, &s.first, &s.last, &s.count, &s.distance, &err);
  s.err = err;
  s.name = vm::StrView(name);
  StrDelete(name);
  return s;
}

TEST(TrackFile, DamagedFilesAreRefusedWithTheirCodes) {
  vmtest::TempDir dir;
  const auto v12 = [](int32_t count) {
    return Bytes()
        .raw(kMagic)
        .u32(0x01020000)
        .str8("n")
        .u8(1)
        .f64(1)
        .i32(0)
        .i32(0)
        .u16(1)
        .i16(1)
        .i16(1)
        .u16(1)
        .f64(2)
        .i32(1)
        .i32(count);
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t code;
  } cases[] = {
      {"wrong magic", Bytes().raw("AKRM4L_TrackFilX").u32(0x01020000).pad(40).b, 0x10020},
      {"newer version", Bytes().raw(kMagic).u32(0x01030000).pad(40).b, 0x10022},
      {"unknown version", Bytes().raw(kMagic).u32(0x01005000).pad(40).b, 0x10021},
      {"trailer count 1", v12(1).b, 0x1001F},
      {"valid", v12(2).b, 0},
      {"1.0 with 73 bytes", Bytes().raw(kMagic).u32(0x01000000).pad(73).b, 0x1001F},
      {"1.0 with one record", Bytes().raw(kMagic).u32(0x01000000).pad(36).b, 0x1001F},
      {"1.1 name past the end", Bytes().raw(kMagic).u32(0x01010000).i32(1000).pad(30).b, 0x1001F},
      {"header only", Bytes().raw(kMagic).u32(0x01020000).str8("n").u8(0).i32(0).i32(0).b, 0x1001F},
      {"truncated magic", Bytes().raw("AKRM").b, 0x10009},
  };
  for (const auto& c : cases) {
    const std::string path = dir.str() + "/t.trk";
    WriteFile(path, c.bytes);
    EXPECT_EQ(InfoOf(path).err, c.code) << c.what;
    int32_t err = 0;
    CNavTrack* t = NavTrackCreate2(S(path), &err);
    EXPECT_EQ(err, c.code) << c.what;
    EXPECT_EQ(t != nullptr, c.code == 0) << c.what;
    ObjectDelete(t);
  }
}

TEST(TrackFile, OldRecordsWithPositionsBeyondTheTrackUnitsAreRefused) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/t.trk";
  uint8_t nan80[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};  // quiet NaN
  for (const auto& latitude :
       {Bytes().f80(40.0), Bytes().f80(-40.0), Bytes().raw(std::string(nan80, nan80 + 10))}) {
    Bytes file = Bytes().raw(kMagic).u32(0x01000000).f64(400).f80(0.5).f80(0.5).pad(8).f64(401);
    file.b.insert(file.b.end(), latitude.b.begin(), latitude.b.end());
    WriteFile(path, file.f80(0.5).pad(8).b);
    int32_t err = 0;
    CNavTrack* t = NavTrackCreate2(S(path), &err);
    EXPECT_EQ(err, 0x1001F);
    EXPECT_EQ(t, nullptr);
    ObjectDelete(t);
  }
}

TEST(TrackFile, CountBeyondTheRecordsIsRefusedBeforeAllocating) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/huge.trk";
  WriteFile(path, Bytes()
                      .raw(kMagic)
                      .u32(0x01020000)
                      .str8("")
                      .u8(0)
                      .i32(0)
                      .i32(0)
                      .i16(1)
                      .i16(1)
                      .u16(1)
                      .f64(0)
                      .i32(1)
                      .i32(0x7FFFFFFF)
                      .b);
  int32_t err = 0;
  EXPECT_EQ(NavTrackCreate2(S(path), &err), nullptr);
  EXPECT_EQ(err, 0x1001F);
}

TEST(TrackFile, SummaryOfEachVersion) {
  vmtest::TempDir dir;
  const struct {
    const char* file;
    std::vector<uint8_t> bytes;
    Summary expected;
  } cases[] = {
      {"a.trk",
       Bytes()
           .raw(kMagic)
           .u32(0x01020000)
           .str8("Log")
           .u8(1)
           .f64(100)
           .i32(5)
           .i32(6)
           .u16(10)
           .i16(1)
           .i16(1)
           .u16(7)
           .f64(100.5)
           .i32(123)
           .i32(2)
           .b,
       {0, "Log", true, 100, 100.5, 12.3, 2}},
      {"b.trk",
       Bytes()
           .raw(kMagic)
           .u32(0x01010000)
           .str32("Old")
           .f64(200)
           .i32(5)
           .i32(6)
           .u16(10)
           .i16(1)
           .i16(1)
           .u16(7)
           .i32(456)
           .f64(201)
           .i32(2)
           .b,
       {0, "Old", true, 200, 201, 45.6, 2}},
      {"c.trk",
       Bytes().raw(kMagic).u32(0x01000001).str32("Older").f64(300).pad(28).f64(301).pad(28).b,
       {0, "Older", true, 300, 301, -1, 2}},
      {"Oldest log.trk",
       Bytes().raw(kMagic).u32(0x01000000).f64(400).pad(28).f64(401).pad(28).f64(402).pad(28).b,
       {0, "Oldest log", true, 400, 402, -1, 3}},
  };
  for (const auto& c : cases) {
    const std::string path = dir.str() + "/" + c.file;
    WriteFile(path, c.bytes);
    const Summary s = InfoOf(path);
    EXPECT_EQ(s.err, 0) << c.file;
    EXPECT_EQ(s.name, c.expected.name) << c.file;
    EXPECT_EQ(s.first, c.expected.first) << c.file;
    EXPECT_EQ(s.last, c.expected.last) << c.file;
    EXPECT_NEAR(s.distance, c.expected.distance, 1e-9) << c.file;
    EXPECT_EQ(s.count, c.expected.count) << c.file;
  }
}

TEST(TrackFile, OlderVersionsLoadTheirPoints) {
  vmtest::TempDir dir;
  // 1.1: always times, the 1.1 trailer order.
  const std::string v11 = dir.str() + "/v11.trk";
  WriteFile(v11, Bytes()
                     .raw(kMagic)
                     .u32(0x01010000)
                     .str32("Eleven")
                     .f64(100)
                     .i32(1000)
                     .i32(2000)
                     .u16(200)
                     .i16(10)
                     .i16(-10)
                     .u16(14)
                     .i32(14)
                     .f64(100 + 200 / 17280000.0)
                     .i32(2)
                     .b);
  int32_t err = 0;
  Track t11(NavTrackCreate2(S(v11), &err));
  ASSERT_EQ(err, 0);
  ASSERT_EQ(t11->GetPointCount(), 2);
  EXPECT_EQ(*t11->GetFileVersion(), 0x01010000u);
  EXPECT_EQ(t11->GetPoint(1)->latitude, 1010);
  EXPECT_EQ(t11->GetPoint(1)->longitude, 1990);
  EXPECT_EQ(t11->GetPoint(1)->distance, 14);
  EXPECT_DOUBLE_EQ(t11->GetPoint(1)->time, 100 + 200 / 17280000.0);

  // 1.0.0.0: radians as 80-bit values, distances recomputed, name from the file.
  const std::string v10 = dir.str() + "/First trip.trk";
  const double lat = 52 * kDegree, lon = 5 * kDegree;
  WriteFile(v10, Bytes()
                     .raw(kMagic)
                     .u32(0x01000000)
                     .f64(500)
                     .f80(lat)
                     .f80(lon)
                     .pad(8)
                     .f64(500 + 60 * kSecond)
                     .f80(lat + 1e-4)
                     .f80(lon)
                     .pad(8)
                     .b);
  Track t10(NavTrackCreate2(S(v10), &err));
  ASSERT_EQ(err, 0);
  ASSERT_EQ(t10->GetPointCount(), 2);
  EXPECT_EQ(vm::StrView(t10->GetName()), "First trip");
  EXPECT_EQ(t10->GetPoint(0)->latitude, vm::RadiansToTrackUnits(lat));
  EXPECT_EQ(t10->GetPoint(1)->latitude, vm::RadiansToTrackUnits(lat + 1e-4));
  // 1e-4 rad on the 6367400 m sphere is 636.74 m.
  EXPECT_EQ(t10->GetPoint(1)->distance, 6367);
}

TEST(TrackFile, RepeatedPositionsKeepTheLaterPoint) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/rep.trk";
  WriteFile(path, Bytes()
                      .raw(kMagic)
                      .u32(0x01020000)
                      .str8("")
                      .u8(1)
                      .f64(10)
                      .i32(0)
                      .i32(0)
                      .u16(100)
                      .i16(50)
                      .i16(0)
                      .u16(5)  // a new point
                      .u16(100)
                      .i16(0)
                      .i16(0)
                      .u16(0)  // the same position again, later
                      .u16(100)
                      .i16(50)
                      .i16(0)
                      .u16(5)  // moving on
                      .f64(10 + 300 / 17280000.0)
                      .i32(10)
                      .i32(4)
                      .b);
  int32_t err = 0;
  Track t(NavTrackCreate2(S(path), &err));
  ASSERT_EQ(err, 0);
  ASSERT_EQ(t->GetPointCount(), 3);
  EXPECT_DOUBLE_EQ(t->GetPoint(1)->time, 10 + 200 / 17280000.0);
  EXPECT_EQ(t->GetPoint(2)->latitude, 100);
}

TEST(TrackFile, RandomTracksRoundTrip) {
  vmtest::TempDir dir;
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 20; ++round) {
    const std::string path = dir.str() + "/r" + std::to_string(round) + ".trk";
    const bool timed = round % 3 != 0;
    // A loaded track is the only way to set arbitrary points: write a file
    // with the raw records first, then save it again and compare.
    Bytes b;
    b.raw(kMagic).u32(0x01020000).str8("r" + std::to_string(round)).u8(timed ? 1 : 0);
    TrackPoint prev{timed ? 40000.0 : 0.0, static_cast<int32_t>(next() % 200000000) - 100000000,
                    static_cast<int32_t>(next() % 400000000) - 200000000, 0};
    if (timed) b.f64(prev.time);
    b.i32(prev.latitude).i32(prev.longitude);
    std::vector<TrackPoint> points{prev};
    const int n = 2 + static_cast<int>(next() % 300);
    for (int i = 1; i < n; ++i) {
      TrackPoint p = prev;
      const int64_t ticks = 1 + (next() % 4 == 0 ? next() % 200000 : next() % 3000);
      if (timed) p.time = prev.time + static_cast<double>(ticks) / 17280000.0;
      p.latitude += 1 + static_cast<int32_t>(next() % 40000);
      p.longitude += static_cast<int32_t>(next() % 80000) - 40000;
      p.distance += 1 + static_cast<int32_t>(next() % (next() % 5 == 0 ? 200000 : 2000));
      uint8_t rec[vm::trackfile::kMaxRecordSize];
      const int32_t size = vm::trackfile::EncodeRecord(rec, prev, p, timed, timed ? ticks : 0);
      b.b.insert(b.b.end(), rec, rec + size);
      points.push_back(p);
      prev = p;
    }
    b.f64(prev.time).i32(prev.distance).i32(n);
    WriteFile(path, b.b);

    int32_t err = 0;
    Track t(NavTrackCreate2(S(path), &err));
    ASSERT_EQ(err, 0) << round;
    ASSERT_EQ(t->GetPointCount(), n) << round;
    const std::string again = path + ".again";
    t->SaveToFile(S(again), &err);
    ASSERT_EQ(err, 0) << round;
    EXPECT_EQ(ReadFile(again), b.b) << "round " << round;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(t->GetPoint(i)->latitude, points[i].latitude);
      EXPECT_EQ(t->GetPoint(i)->distance, points[i].distance);
    }
  }
}

TEST(TrackFile, SavingFewerThanTwoPointsWritesNothing) {
  vmtest::TempDir dir;
  Track t(NavTrackCreate1(0));
  const double a[2] = {0.9, 0.1};
  int32_t err = 0;
  t->AddTrackPoint(45000, a, &err);
  const std::string path = dir.str() + "/one.trk";
  t->SaveToFile(S(path), &err);
  EXPECT_EQ(err, 0x100001);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TrackFile, AFailedSaveKeepsTheFileThatWasThere) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/keep.trk";
  WriteFile(path, {1, 2, 3});
  Track t(NavTrackCreate1(0));
  const double a[2] = {0.9, 0.1}, b[2] = {0.9001, 0.1};
  int32_t err = 0;
  t->AddTrackPoint(45000, a, &err);
  t->AddTrackPoint(45000 + kSecond, b, &err);
  // A folder named like the partial file makes the save fail.
  std::filesystem::create_directory(path + ".saving");
  t->SaveToFile(S(path), &err);
  EXPECT_NE(err, 0);
  EXPECT_EQ(ReadFile(path), (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
