#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "support/test_support.h"
#include "track_fixtures.h"

using namespace tracktest;

namespace {

// A loaded track with the given times, one point 10 m further north each.
std::string WriteTimedTrack(const vmtest::TempDir& dir, const std::vector<double>& times) {
  Bytes b;
  b.raw("AKRM4L_TrackFile").u32(0x01020000).str8("t").u8(1).f64(times[0]).i32(0).i32(0);
  for (size_t i = 1; i < times.size(); ++i) {
    const auto ticks = static_cast<uint16_t>(std::llround((times[i] - times[i - 1]) * 17280000.0));
    b.u16(ticks).i16(100).i16(0).u16(100);
  }
  b.f64(times.back())
      .i32(static_cast<int32_t>(100 * (times.size() - 1)))
      .i32(static_cast<int32_t>(times.size()));
  const std::string path = dir.str() + "/timed.trk";
  WriteFile(path, b.b);
  return path;
}

TEST(TrackModel, FindPointIndexAndDuration) {
  vmtest::TempDir dir;
  const double t0 = 40000;
  int32_t err = 0;
  Track t(NavTrackCreate2(
      S(WriteTimedTrack(dir, {t0, t0 + 10 * kSecond, t0 + 20 * kSecond, t0 + 30 * kSecond})), &err));
  ASSERT_EQ(err, 0);
  const std::pair<double, int32_t> cases[] = {{t0 - 1, 0},
                                              {t0, 0},
                                              {t0 + 5 * kSecond, 0},
                                              {t0 + 10 * kSecond, 1},
                                              {t0 + 25 * kSecond, 2},
                                              {t0 + 30 * kSecond, 3},
                                              {t0 + 99, 3}};
  for (auto [time, index] : cases) EXPECT_EQ(t->FindPointIndex(time), index) << (time - t0) * 86400;
  EXPECT_NEAR(t->GetDuration(), 30, 1e-6);
  t->SetHasTimes(false);
  EXPECT_EQ(t->FindPointIndex(t0), -1);
  EXPECT_EQ(t->GetDuration(), 0);
  t->SetHasTimes(true);
  EXPECT_EQ(static_cast<double>(t->GetPoint(2)->time), 0.0);  // clearing the flag dropped the times for good
}

TEST(TrackModel, SpeedAndCourseBetweenPoints) {
  vmtest::TempDir dir;
  const double t0 = 40000;
  int32_t err = 0;
  Track t(NavTrackCreate2(S(WriteTimedTrack(dir, {t0, t0 + 10 * kSecond, t0 + 20 * kSecond})), &err));
  float speed = -1, course = -1;
  // 100 units north (10 m of arc) in 10 s.
  t->GetSpeedAndCourse(t0 + 15 * kSecond, &speed, &course);
  EXPECT_NEAR(speed, 1.0, 0.01);
  EXPECT_NEAR(course, 0.0, 1e-3);
  t->GetSpeedAndCourse(t0 + 99, &speed, &course);  // the last segment
  EXPECT_NEAR(speed, 1.0, 0.01);
}

TEST(TrackModel, LoadedTracksDoNotRecord) {
  vmtest::TempDir dir;
  int32_t err = 0;
  Track t(NavTrackCreate2(S(WriteTimedTrack(dir, {1, 2})), &err));
  const double p[2] = {0.5, 0.5};
  t->AddTrackPoint(3, p, &err);
  EXPECT_EQ(err, 0x100002);
  EXPECT_EQ(t->GetPointCount(), 2);
}

TEST(TrackModel, MissingFileFailsTheFactory) {
  int32_t err = 0;
  EXPECT_EQ(NavTrackCreate2(S("/nonexistent/folder/x.trk"), &err), nullptr);
  EXPECT_NE(err, 0);
}

TEST(TrackModel, DatedFileNamesAreUnique) {
  vmtest::TempDir dir;
  Track a(NavTrackCreate1(0));
  a->AssignDatedFileName(S(dir.str()));
  const std::string first(vm::StrView(a->GetFileName()));
  EXPECT_EQ(first.substr(0, dir.str().size() + 1), dir.str() + "/");
  const std::string stem = std::filesystem::path(first).stem().string();
  ASSERT_EQ(stem.size(), 19u);  // yyyy-mm-dd hh.nn.ss
  EXPECT_EQ(stem[4], '-');
  EXPECT_EQ(stem[10], ' ');
  EXPECT_EQ(stem[13], '.');
  EXPECT_EQ(vm::StrView(a->GetName()), stem);
  WriteFile(first, {0});
  Track b(NavTrackCreate1(0));
  b->AssignDatedFileName(S(dir.str()));
  const std::string second(vm::StrView(b->GetFileName()));
  // Within the same second the second name must step aside.
  if (std::filesystem::path(second).stem().string().substr(0, 19) == stem) {
    EXPECT_EQ(std::filesystem::path(second).stem().string(), stem + " (1)");
  }
}

TEST(TrackModel, FindTrackLineIndexSearchesNewestFirst) {
  vmtest::TempDir dir;
  int32_t err = 0;
  // Points at 0, 10, ..., 90 seconds.
  std::vector<double> times;
  for (int i = 0; i < 10; ++i) times.push_back(40000 + i * 10 * kSecond);
  Track t(NavTrackCreate2(S(WriteTimedTrack(dir, times)), &err));
  CNavTrackDrawList* list = NavTrackDrawListCreate();
  NavTrackDrawItem* item = list->AddItem(t.p);
  EXPECT_EQ(FindTrackLineIndex(times[0], item), -1);  // no lines
  list->AddLine(item, 0, 2);                          // 0-20 s, oldest
  list->AddLine(item, 4, 6);                          // 40-60 s
  list->AddLine(item, 7, 9);                          // 70-90 s, newest
  // (point, seconds after it, line index)
  const struct {
    int point;
    double seconds;
    int32_t index;
  } cases[] = {{0, 0, 2},  {1, 5, 2}, {2, 0, 2}, {3, 0, -1}, {4, 0, 1},
               {6, 5, -1}, {7, 0, 0}, {9, 0, 0}, {9, 5, -1}, {0, -5, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(FindTrackLineIndex(t->GetPoint(c.point)->time + c.seconds * kSecond, item), c.index)
        << "point " << c.point << " + " << c.seconds << " s";
  for (int i = 0; i < 600; ++i) list->AddLine(item, 0, 1);
  EXPECT_EQ(item->lineCount, kNavTrackDrawLines);
  ObjectDelete(list);
}

TEST(TrackModel, TrackListDoesNotOwnItsTracks) {
  Track t(NavTrackCreate1(0));
  CNavTrackList* list = NavTrackListCreate();
  EXPECT_EQ(list->Add(t.p), 0);
  EXPECT_EQ(list->GetCount(), 1);
  EXPECT_EQ(list->Get(0), t.p);
  ObjectDelete(list);
  EXPECT_EQ(t->GetPointCount(), 0);  // still alive
}

}  // namespace
