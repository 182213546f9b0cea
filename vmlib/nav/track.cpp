// CNavTrack: points in fixed-point form, logging mode with thinning and
// write-through, loading and saving the track file.
#include "nav/track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

#include "core/growth.h"
#include "core/str_internal.h"
#include "nav/gps_clock.h"
#include "nav/track_file.h"
#include "nav/track_units.h"
#include "vmlib/files.h"
#include "vmlib/streams.h"

namespace vm {

// Logging mode splits a long log so that no file grows without end: at the
// split point the first file keeps points 0 to 10000 and the next starts
// with point 10000.
constexpr int32_t kSplitPointCount = 12500;
constexpr int32_t kSplitKeep = 10000;

class CNavTrackImpl final : public CNavTrack {
public:
  explicit CNavTrackImpl(bool logging, int32_t writeThrough) {
    fileName_ = StrNew({});
    name_ = StrNew({});
    Reserve(1);
    if (logging) logger_ = std::make_unique<CNavTrackLogger>(this, writeThrough);
  }
  ~CNavTrackImpl() override {
    StrDelete(fileName_);
    StrDelete(name_);
    std::free(points_);
  }

  void AddTrackPoint(double time, const double position[2], ErrorStatus err) override;
  int32_t FindPointIndex(double time) override;
  double GetDuration() override {
    if (!hasTimes_ || count_ < 2) return 0;
    return (points_[count_ - 1].time - points_[0].time) * kSecondsPerDay;
  }
  const Str* GetFileName() override { return fileName_; }
  TrackPoint* GetPoints() override { return points_; }
  bool HasTimes() override { return hasTimes_ != 0; }
  TrackPoint* GetLastPoint() override { return count_ > 0 ? &points_[count_ - 1] : nullptr; }
  const Str* GetName() override { return name_; }
  void GetSpeedAndCourse(double time, float* speed, float* course) override;
  TrackPoint* GetPoint(int32_t index) override { return &points_[index]; }
  int32_t GetPointCount() override { return count_; }
  const uint32_t* GetFileVersion() override { return &fileVersion_; }
  void LoadFromFile(const Str* path, ErrorStatus err) override;
  void SaveToFile(const Str* path, ErrorStatus err) override;
  void SetFileName(const Str* path) override { Assign(fileName_, StrView(path)); }
  void SetHasTimes(bool hasTimes) override {
    if ((hasTimes_ != 0) == hasTimes) return;
    hasTimes_ = hasTimes ? 1 : 0;
    if (!hasTimes)
      for (int32_t i = 0; i < count_; ++i) points_[i].time = 0;
  }
  void SetName(const Str* name) override { Assign(name_, StrView(name)); }
  void AssignDatedFileName(const Str* folder) override { AssignDatedName(StrView(folder), GpsClockNow()); }

private:
  static void Assign(Str* s, std::string_view text) {
    if (!StrAssign(s, text)) throw CException("Out of memory");
  }
  void Reserve(int32_t capacity) {
    void* p = std::realloc(points_, sizeof(TrackPoint) * static_cast<size_t>(capacity));
    if (p == nullptr) throw CException("Out of memory");
    points_ = static_cast<TrackPoint*>(p);
    capacity_ = capacity;
  }
  void Append(const TrackPoint& p) {
    if (count_ == capacity_) Reserve(GrowCapacity(capacity_));
    points_[count_++] = p;
  }
  void ReplacePoints(const TrackPoint* points, int32_t count, int32_t capacity) {
    Reserve(std::max({capacity, count, 1}));
    if (count > 0) std::memcpy(points_, points, sizeof(TrackPoint) * static_cast<size_t>(count));
    count_ = count;
  }

  static void Anchor(GeodeticRef* ref, const TrackPoint& p) {
    const double origin[3] = {TrackUnitsToRadians(p.latitude), TrackUnitsToRadians(p.longitude), 0};
    GeodeticRefInitScene(ref, origin);
  }
  static void ToScene(const GeodeticRef& ref, const TrackPoint& p, double* x, double* y) {
    const double geo[2] = {TrackUnitsToRadians(p.latitude), TrackUnitsToRadians(p.longitude)};
    double scene[3];
    GeoWGS84ToScene2(scene, geo, &ref);
    *x = scene[0];
    *y = scene[1];
  }

  bool MustKeepLast(const CNavTrackLogger& g, float newCourse, float newSpeed, const TrackPoint& n,
                    double time) const;
  void WriteFirstRecord(ErrorStatus err);
  void WriteLastRecord(const TrackPoint& prev, int64_t ticks, bool replacing, ErrorStatus err);
  void Split(ErrorStatus err);
  void AssignDatedName(std::string_view folder, double time);
  bool Save(std::string_view path, ErrorStatus err);

  Str* fileName_ = nullptr;
  uint8_t hasTimes_ = 1;
  std::unique_ptr<CNavTrackLogger> logger_;
  Str* name_ = nullptr;
  int32_t capacity_ = 0;
  int32_t count_ = 0;
  TrackPoint* points_ = nullptr;
  uint32_t fileVersion_ = kTrackFileVersion;
  int32_t lastSavedRecordSize_ = 0;  // size of the last record SaveToFile wrote
};

void CNavTrackImpl::AddTrackPoint(double time, const double position[2], ErrorStatus err) {
  *err = 0;
  if (!logger_) {
    *err = 0x100002;
    return;
  }
  CNavTrackLogger& g = *logger_;
  const bool timed = hasTimes_ != 0;
  if (!timed) time = 0;
  // A position the fixed-point units cannot hold is no position at all.
  if (!FitsTrackUnits(position[0]) || !FitsTrackUnits(position[1])) {
    *err = 0x5;
    return;
  }
  TrackPoint n{0, RadiansToTrackUnits(position[0]), RadiansToTrackUnits(position[1]), 0};

  if (count_ == 0) {
    n.time = time;
    Append(n);
    g.fixedTime = time;
    g.fixedDistance = 0;
    g.fixedLatitude = n.latitude;
    g.fixedLongitude = n.longitude;
    Anchor(&g.scene, n);
    return;
  }

  if (count_ == 1) {
    const TrackPoint first = points_[0];
    const int32_t d = trackfile::StepDecimetres(first, n);
    if (d == 0) return;
    int64_t ticks = 0;
    double s = 0;
    if (timed) {
      ticks = TicksBetween(g.fixedTime, time);
      if (ticks < 1) return;
      n.time = g.fixedTime + static_cast<double>(ticks) / kTicksPerDay;
      s = (n.time - g.fixedTime) * kSecondsPerDay;
      if (s < 0.1) return;
    }
    n.distance = d;
    Append(n);
    double x, y;
    ToScene(g.scene, n, &x, &y);
    if (timed) g.speed = static_cast<float>(std::sqrt(x * x + y * y) / s);
    g.course = static_cast<float>(std::atan2(y, x));
    if (g.writeThrough) WriteFirstRecord(err);
    return;
  }

  const TrackPoint last = points_[count_ - 1];
  if (n.latitude == last.latitude && n.longitude == last.longitude) return;
  int64_t ticksFromFixed = 0;
  double s = 0;
  if (timed) {
    ticksFromFixed = TicksBetween(g.fixedTime, time);
    n.time = g.fixedTime + static_cast<double>(ticksFromFixed) / kTicksPerDay;
    s = (n.time - last.time) * kSecondsPerDay;
    if (s < 0.1) return;
  }
  GeodeticRef fromLast;
  Anchor(&fromLast, last);
  double x, y;
  ToScene(fromLast, n, &x, &y);
  const float v = timed ? static_cast<float>(std::sqrt(x * x + y * y) / s) : 0.0f;
  const float a = static_cast<float>(std::atan2(y, x));

  if (MustKeepLast(g, a, v, n, time)) {
    g.fixedLatitude = last.latitude;
    g.fixedLongitude = last.longitude;
    g.fixedTime = last.time;
    g.fixedDistance = last.distance;
    g.course = a;
    g.speed = v;
    g.scene = fromLast;
    n.distance = g.fixedDistance + trackfile::StepDecimetres(last, n);
    Append(n);
    if (g.writeThrough) {
      WriteLastRecord(last, timed ? TicksBetween(last.time, time) : 0, false, err);
      if (*err != 0) return;
      if (count_ == kSplitPointCount) Split(err);
    }
  } else {
    const TrackPoint fixed{g.fixedTime, g.fixedLatitude, g.fixedLongitude, g.fixedDistance};
    n.distance = g.fixedDistance + trackfile::StepDecimetres(fixed, n);
    points_[count_ - 1] = n;
    if (g.writeThrough) WriteLastRecord(fixed, ticksFromFixed, true, err);
  }
}

// True when the tentative last point marks a change of motion and must stay.
bool CNavTrackImpl::MustKeepLast(const CNavTrackLogger& g, float newCourse, float newSpeed,
                                 const TrackPoint& n, double time) const {
  if (!hasTimes_) return true;
  float c = std::fabs(g.course - newCourse);
  if (c > 3.1415927f) c = 6.2831855f - c;
  if (newSpeed > 0.2777778f) {
    const float f = std::min((newSpeed - 0.2777778f) * 0.6f, 1.0f);
    if (c * f > 0.2617994f) return true;
  }
  if (std::fabs(g.speed - newSpeed) > 1.1111112f) return true;
  double x, y;
  ToScene(g.scene, n, &x, &y);
  const double e = (time - g.fixedTime) * kSecondsPerDay;
  if (e < 0.01) return false;
  const double px = e * g.speed * std::cos(g.course);
  const double py = e * g.speed * std::sin(g.course);
  return std::hypot(x - px, y - py) > 15.0;
}

void CNavTrackImpl::WriteFirstRecord(ErrorStatus err) {
  CFileStream file(err, fileName_, kStreamModeCreate);
  if (*err != 0) return;
  const bool timed = hasTimes_ != 0;
  int32_t size = 0;
  if (trackfile::WriteHeader(&file, StrView(name_), timed, points_[0], err) &&
      trackfile::WriteRecord(&file, points_[0], points_[1], timed,
                             trackfile::RecordTicks(points_[0], points_[1]), &size, err) &&
      trackfile::WriteTrailer(&file, points_[1], count_, err))
    logger_->lastRecordSize = size;
}

// Overwrites the trailer (appending) or the last record and the trailer
// (replacing) with the record of the last point against prev.
void CNavTrackImpl::WriteLastRecord(const TrackPoint& prev, int64_t ticks, bool replacing, ErrorStatus err) {
  CFileStream file(err, fileName_, kStreamModeWrite);
  if (*err != 0) return;
  const int64_t back = trackfile::kTrailerSize + (replacing ? logger_->lastRecordSize : 0);
  const int64_t at = file.GetSize() - back;
  if (at < 0) {
    *err = 0x1001F;
    return;
  }
  if (file.SeekTo(at, err) < 0 || *err != 0) return;
  int32_t size = 0;
  const TrackPoint& last = points_[count_ - 1];
  if (!trackfile::WriteRecord(&file, prev, last, hasTimes_ != 0, ticks, &size, err) ||
      !trackfile::WriteTrailer(&file, last, count_, err))
    return;
  // A shorter record than the one it replaced would leave stale bytes before
  // the end; the file must end with its trailer.
  if (file.GetPosition() < file.GetSize() && !file.Resize(file.GetPosition(), err)) return;
  logger_->lastRecordSize = size;
}

void CNavTrackImpl::Split(ErrorStatus err) {
  std::vector<TrackPoint> tail(points_ + kSplitKeep, points_ + count_);
  const int32_t fullCount = count_;
  count_ = kSplitKeep + 1;
  const std::string oldPath(StrView(fileName_));
  if (!Save(oldPath, err)) {
    // The write-through file still holds every point; keep memory the same.
    count_ = fullCount;
    return;
  }
  const size_t slash = oldPath.find_last_of('/');
  AssignDatedName(
      slash == std::string::npos ? std::string_view{} : std::string_view(oldPath).substr(0, slash + 1),
      tail.front().time);
  const int32_t base = tail.front().distance;
  for (TrackPoint& p : tail) p.distance -= base;
  logger_->fixedDistance -= base;
  ReplacePoints(tail.data(), static_cast<int32_t>(tail.size()), static_cast<int32_t>(tail.size()) * 3 / 2);
  if (Save(StrView(fileName_), err)) logger_->lastRecordSize = lastSavedRecordSize_;
}

void CNavTrackImpl::AssignDatedName(std::string_view folder, double time) {
  const double days = time + GpsClockMinuteOffset() / 1440.0;
  // Whole milliseconds first, so that a time a hair below a second boundary
  // names the second it stands for.
  const auto ms = static_cast<int64_t>(std::llround((days - 25569.0) * 86400000.0));
  const time_t seconds = static_cast<time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
  tm utc{};
  gmtime_r(&seconds, &utc);
  char stem[64];
  std::snprintf(stem, sizeof stem, "%04d-%02d-%02d %02d.%02d.%02d", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  Str* f = StrNew(folder);
  Str* n = StrNew(stem);
  Str* e = StrNew(".trk");
  Str* out = StrNew({});
  _FileGetUniqueName(f, n, e, out);
  const std::string path(StrView(out));
  StrDelete(f);
  StrDelete(n);
  StrDelete(e);
  StrDelete(out);
  Assign(fileName_, path);
  std::string_view base(path);
  base = base.substr(base.find_last_of('/') == std::string_view::npos ? 0 : base.find_last_of('/') + 1);
  if (base.size() >= 4) base.remove_suffix(4);
  Assign(name_, base);
}

int32_t CNavTrackImpl::FindPointIndex(double time) {
  if (!hasTimes_ || count_ == 0) return -1;
  if (time <= points_[0].time) return 0;
  if (time >= points_[count_ - 1].time) return count_ - 1;
  if (count_ == 2) return 0;
  int32_t lo = 0, hi = count_ - 1;
  while (hi - lo > 1) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (points_[mid].time <= time)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

void CNavTrackImpl::GetSpeedAndCourse(double time, float* speed, float* course) {
  *speed = 0;
  *course = 0;
  if (!hasTimes_ || count_ < 2) return;
  int32_t i = FindPointIndex(time);
  if (i == count_ - 1) --i;
  const TrackPoint& p1 = points_[i];
  const TrackPoint& p2 = points_[i + 1];
  GeodeticRef ref;
  Anchor(&ref, p1);
  double x, y;
  ToScene(ref, p2, &x, &y);
  const double dt = (p2.time - p1.time) * kSecondsPerDay;
  *speed = dt > 0 ? static_cast<float>(std::sqrt(x * x + y * y) / dt) : 0.0f;
  *course = static_cast<float>(std::atan2(y, x));
}

void CNavTrackImpl::LoadFromFile(const Str* path, ErrorStatus err) {
  CFileStream file(err, path, kStreamModeReadShareRead);
  if (*err != 0) return;
  Assign(fileName_, StrView(path));
  count_ = 0;
  logger_.reset();
  trackfile::Summary summary;
  if (!trackfile::ReadSummary(&file, StrView(path), &summary, err)) return;
  fileVersion_ = summary.version;
  hasTimes_ = summary.hasTimes ? 1 : 0;
  Assign(name_, summary.name);
  std::vector<TrackPoint> points;
  trackfile::ReadPoints(&file, summary, &points, err);
  // Points read before a failure stay in the track.
  ReplacePoints(points.data(), static_cast<int32_t>(points.size()), static_cast<int32_t>(points.size()));
}

void CNavTrackImpl::SaveToFile(const Str* path, ErrorStatus err) { Save(StrView(path), err); }

// Writes beside the target and renames over it once complete, so a failure
// never costs the file that was there.
bool CNavTrackImpl::Save(std::string_view path, ErrorStatus err) {
  *err = 0;
  if (count_ < 2) {
    *err = 0x100001;
    return false;
  }
  const std::string target(path);
  const std::string partial = target + ".saving";
  const bool timed = hasTimes_ != 0;
  {
    CBufferedFileStream file(err, partial, kStreamModeCreate, kStreamBufferSize);
    if (*err != 0) return false;
    file.SetDeleteOnDestroy(true);
    if (!trackfile::WriteHeader(&file, StrView(name_), timed, points_[0], err)) return false;
    fileVersion_ = kTrackFileVersion;
    int32_t size = 0;
    for (int32_t i = 1; i < count_; ++i)
      if (!trackfile::WriteRecord(&file, points_[i - 1], points_[i], timed,
                                  trackfile::RecordTicks(points_[i - 1], points_[i]), &size, err))
        return false;
    if (!trackfile::WriteTrailer(&file, points_[count_ - 1], count_, err)) return false;
    if (!file.Close(err)) {
      std::remove(partial.c_str());
      return false;
    }
    lastSavedRecordSize_ = size;
  }
  if (std::rename(partial.c_str(), target.c_str()) != 0) {
    std::remove(partial.c_str());
    *err = 0x1000E;
    return false;
  }
  return true;
}

}  // namespace vm

VMLIB_EXPORT CNavTrack* NavTrackCreate1(int32_t writeThrough) {
  return new (std::nothrow) vm::CNavTrackImpl(true, writeThrough);
}

VMLIB_EXPORT CNavTrack* NavTrackCreate2(const Str* path, ErrorStatus err) {
  auto* track = new (std::nothrow) vm::CNavTrackImpl(false, 0);
  if (track == nullptr) {
    *err = 0x6;
    return nullptr;
  }
  track->LoadFromFile(path, err);
  if (*err != 0) {
    delete track;
    return nullptr;
  }
  return track;
}

VMLIB_EXPORT void NavTrackGetInfoFromFile(const Str* path, Str* name, bool* hasTimes, double* firstTime,
                                          double* lastTime, int32_t* pointCount, double* distance,
                                          ErrorStatus err) {
  if (name != nullptr) vm::StrAssign(name, {});
  if (hasTimes) *hasTimes = true;
  if (firstTime) *firstTime = 0;
  if (lastTime) *lastTime = 0;
  if (pointCount) *pointCount = 0;
  if (distance) *distance = -1;
  CBufferedFileStream file(err, path, kStreamModeReadShareRead, kStreamBufferSize);
  if (*err != 0) return;
  vm::trackfile::Summary s;
  const bool ok = vm::trackfile::ReadSummary(&file, vm::StrView(path), &s, err);
  // Outputs take what was read, up to where reading stopped.
  if (name != nullptr) vm::StrAssign(name, s.name);
  if (hasTimes) *hasTimes = s.hasTimes;
  if (firstTime) *firstTime = s.firstTime;
  if (!ok) return;
  if (lastTime) *lastTime = s.lastTime;
  if (pointCount) *pointCount = s.count;
  if (distance) *distance = s.distance < 0 ? -1 : s.distance * 0.1;
}
