#include "nav/track_file.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/str_internal.h"
#include "nav/track_units.h"
#include "vmlib/errors.h"
#include "vmlib/geodesy.h"

namespace vm::trackfile {
namespace {

constexpr int32_t kFormatError = 0x1001F;
constexpr uint16_t kTimeEscape = 0xFFFF;
constexpr int16_t kPositionEscape = 0x7FFF;
constexpr uint16_t kDistanceEscape = 0xFFFF;
constexpr int32_t kPositionDeltaLimit = 32766;

bool Fail(ErrorStatus err, int32_t code) {
  *err = code;
  return false;
}

// The file's name without folder and extension; "/", "\" and ":" all end a
// folder so names made on either system read alike.
std::string FileStem(std::string_view path) {
  const size_t slash = path.find_last_of("/\\:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

void PutLE(uint8_t*& p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) *p++ = static_cast<uint8_t>(v >> (8 * i));
}

// A bounds-checked little-endian cursor over the records read into memory.
class Cursor {
public:
  Cursor(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool U16(uint16_t* v) { return Get(v, 2); }
  bool I16(int16_t* v) { return Get(v, 2); }
  bool I32(int32_t* v) { return Get(v, 4); }
  bool F64(double* v) { return Get(v, 8); }
  bool Bytes(const uint8_t** v, size_t n) {
    if (static_cast<size_t>(end_ - p_) < n) return false;
    *v = p_;
    p_ += n;
    return true;
  }

private:
  template <typename T>
  bool Get(T* v, size_t n) {
    if (static_cast<size_t>(end_ - p_) < n) return false;
    uint64_t raw = 0;
    for (size_t i = 0; i < n; ++i) raw |= static_cast<uint64_t>(p_[i]) << (8 * i);
    p_ += n;
    if constexpr (std::is_same_v<T, double>) {
      std::memcpy(v, &raw, sizeof(double));
    } else {
      *v = static_cast<T>(raw);
    }
    return true;
  }
  const uint8_t* p_;
  const uint8_t* end_;
};

// The trailer: 1.2 stores time, distance, count; 1.1 distance, time, count.
bool ReadTrailer(CStream* s, bool distanceFirst, Summary* out, ErrorStatus err) {
  int64_t at = s->GetSize() - kTrailerSize;
  if (at < s->GetPosition()) return Fail(err, kFormatError);
  if (s->SeekTo(at, err) < 0 || *err != 0) return false;
  double time;
  int32_t distance, count;
  const bool ok = distanceFirst ? StreamReadInt32(s, &distance, err) && StreamReadDouble(s, &time, err)
                                : StreamReadDouble(s, &time, err) && StreamReadInt32(s, &distance, err);
  if (!ok || !StreamReadInt32(s, &count, err)) return false;
  out->lastTime = time;
  out->distance = distance;
  out->count = count;
  return true;
}

bool ReadSummaryUnchecked(CStream* s, std::string_view path, Summary* out, ErrorStatus err) {
  if (!StreamCheckMagic(s, kMagic, sizeof kMagic, err)) return false;
  uint32_t version;
  if (!StreamReadUInt32(s, &version, err)) return false;
  if (version > kVersion1_2) return Fail(err, 0x10022);
  if (version != kVersion1_2 && version != kVersion1_1 && version != kVersion1_0_1 &&
      version != kVersion1_0_0)
    return Fail(err, 0x10021);
  out->version = version;

  if (version == kVersion1_2) {
    uint8_t hasTimes;
    if (!StreamReadString8(s, &out->name, err) || !StreamReadUInt8(s, &hasTimes, err)) return false;
    out->hasTimes = hasTimes != 0;
    out->dataStart = s->GetPosition();
    if (out->hasTimes && !StreamReadDouble(s, &out->firstTime, err)) return false;
    if (!ReadTrailer(s, false, out, err)) return false;
    if (out->distance < 0 || out->count <= 1) return Fail(err, kFormatError);
  } else if (version == kVersion1_1) {
    if (!StreamReadString32(s, &out->name, err)) return false;
    out->hasTimes = true;
    out->dataStart = s->GetPosition();
    if (!StreamReadDouble(s, &out->firstTime, err)) return false;
    if (!ReadTrailer(s, true, out, err)) return false;
    if (out->count < 2) return Fail(err, kFormatError);
  } else {
    if (version == kVersion1_0_1 && !StreamReadString32(s, &out->name, err)) return false;
    out->hasTimes = true;
    out->dataStart = s->GetPosition();
    const int64_t bytes = s->GetSize() - out->dataStart;
    if (bytes % kOldRecordSize != 0 || bytes < 2 * kOldRecordSize) return Fail(err, kFormatError);
    if (bytes / kOldRecordSize > std::numeric_limits<int32_t>::max()) return Fail(err, kFormatError);
    out->count = static_cast<int32_t>(bytes / kOldRecordSize);
    if (!StreamReadDouble(s, &out->firstTime, err)) return false;
    if (s->SeekTo(s->GetSize() - kOldRecordSize, err) < 0 || *err != 0) return false;
    if (!StreamReadDouble(s, &out->lastTime, err)) return false;
    if (version == kVersion1_0_0) out->name = FileStem(path);
  }
  *err = 0;
  return true;
}

// Decodes the delta-encoded records of 1.1 and 1.2 files.
bool ReadDeltaPoints(CStream* s, const Summary& summary, std::vector<TrackPoint>* out, ErrorStatus err) {
  if (s->SeekTo(summary.dataStart, err) < 0 || *err != 0) return false;
  TrackPoint first{0, 0, 0, 0};
  if (summary.hasTimes && !StreamReadDouble(s, &first.time, err)) return false;
  if (!StreamReadInt32(s, &first.latitude, err) || !StreamReadInt32(s, &first.longitude, err)) return false;
  out->push_back(first);

  const int64_t recordBytes = s->GetSize() - kTrailerSize - s->GetPosition();
  // Every record is at least 6 bytes: a count the records cannot hold is a
  // damaged file, refused before anything is allocated for it.
  const int64_t minRecord = summary.hasTimes ? 8 : 6;
  if (recordBytes < 0 || recordBytes > std::numeric_limits<int32_t>::max() ||
      (summary.count - 1) > recordBytes / minRecord)
    return Fail(err, kFormatError);
  std::vector<uint8_t> bytes(static_cast<size_t>(recordBytes));
  if (recordBytes > 0 && !StreamReadBytes(s, bytes.data(), static_cast<int32_t>(recordBytes), err))
    return false;
  out->reserve(static_cast<size_t>(summary.count));

  Cursor c(bytes.data(), bytes.size());
  TrackPoint prev = first;
  for (int32_t i = 1; i < summary.count; ++i) {
    TrackPoint n = prev;
    bool ok = true;
    if (summary.hasTimes) {
      uint16_t ticks = 0;
      ok = c.U16(&ticks);
      if (ok && ticks == kTimeEscape)
        ok = c.F64(&n.time);
      else if (ok)
        n.time = prev.time + ticks / kTicksPerDay;
    }
    int16_t dlat = 0, dlon = 0;
    ok = ok && c.I16(&dlat);
    if (ok && dlat == kPositionEscape) {
      ok = c.I32(&n.latitude) && c.I32(&n.longitude);
    } else if (ok && c.I16(&dlon)) {
      n.latitude = static_cast<int32_t>(static_cast<int64_t>(prev.latitude) + dlat);
      n.longitude = static_cast<int32_t>(static_cast<int64_t>(prev.longitude) + dlon);
    } else {
      ok = false;
    }
    uint16_t dd = 0;
    ok = ok && c.U16(&dd);
    if (ok && dd == kDistanceEscape)
      ok = c.I32(&n.distance);
    else if (ok)
      n.distance = static_cast<int32_t>(static_cast<uint32_t>(prev.distance) + dd);
    if (!ok) return Fail(err, 0x10009);

    const bool timeDiffers = !summary.hasTimes || n.time != prev.time;
    const bool distanceDiffers = n.distance != prev.distance;
    const bool positionDiffers = n.latitude != prev.latitude || n.longitude != prev.longitude;
    // A repeated point replaces its predecessor instead of standing twice.
    if (timeDiffers && distanceDiffers && positionDiffers)
      out->push_back(n);
    else
      out->back() = n;
    prev = n;
  }
  *err = 0;
  return true;
}

bool ReadOldPoints(CStream* s, const Summary& summary, std::vector<TrackPoint>* out, ErrorStatus err) {
  if (s->SeekTo(summary.dataStart, err) < 0 || *err != 0) return false;
  out->reserve(out->size() + static_cast<size_t>(summary.count));
  for (int32_t i = 0; i < summary.count; ++i) {
    uint8_t rec[kOldRecordSize];
    if (!StreamReadBytes(s, rec, kOldRecordSize, err)) return false;
    TrackPoint p{};
    std::memcpy(&p.time, rec, sizeof(double));
    const double latitude = ExtendedToDouble(rec + 8), longitude = ExtendedToDouble(rec + 18);
    // A position the track units cannot hold (or no number at all) is damage.
    if (!FitsTrackUnits(latitude) || !FitsTrackUnits(longitude)) return Fail(err, kFormatError);
    p.latitude = RadiansToTrackUnits(latitude);
    p.longitude = RadiansToTrackUnits(longitude);
    // Distances wrap as the delta records store them.
    p.distance = out->empty() ? 0
                              : static_cast<int32_t>(static_cast<uint32_t>(out->back().distance) +
                                                     static_cast<uint32_t>(StepDecimetres(out->back(), p)));
    out->push_back(p);
  }
  *err = 0;
  return true;
}

}  // namespace

int32_t StepDecimetres(const TrackPoint& a, const TrackPoint& b) {
  const double pa[2] = {TrackUnitsToRadians(a.latitude), TrackUnitsToRadians(a.longitude)};
  const double pb[2] = {TrackUnitsToRadians(b.latitude), TrackUnitsToRadians(b.longitude)};
  return MetresToDecimetres(DistAlongGreatCircle(pa, pb));
}

bool ReadSummary(CStream* s, std::string_view path, Summary* out, ErrorStatus err) {
  try {
    return ReadSummaryUnchecked(s, path, out, err);
  } catch (...) {
    return Fail(err, 0x1);
  }
}

bool ReadPoints(CStream* s, const Summary& summary, std::vector<TrackPoint>* out, ErrorStatus err) {
  try {
    if (summary.version == kVersion1_2 || summary.version == kVersion1_1)
      return ReadDeltaPoints(s, summary, out, err);
    return ReadOldPoints(s, summary, out, err);
  } catch (...) {
    return Fail(err, 0x1);
  }
}

int64_t RecordTicks(const TrackPoint& prev, const TrackPoint& cur) {
  return TicksBetween(prev.time, cur.time);
}

int32_t EncodeRecord(uint8_t* out, const TrackPoint& prev, const TrackPoint& cur, bool hasTimes,
                     int64_t ticks) {
  uint8_t* p = out;
  if (hasTimes) {
    if (ticks >= 0 && ticks < kTimeEscape) {
      PutLE(p, static_cast<uint64_t>(ticks), 2);
    } else {
      // A step backwards in time (only from old files out of order) keeps the
      // point's own time, so the file reads back as the track was.
      const double time = ticks < 0 ? cur.time : prev.time + static_cast<double>(ticks) / kTicksPerDay;
      uint64_t raw;
      std::memcpy(&raw, &time, sizeof raw);
      PutLE(p, kTimeEscape, 2);
      PutLE(p, raw, 8);
    }
  }
  const int64_t dlat = static_cast<int64_t>(cur.latitude) - prev.latitude;
  const int64_t dlon = static_cast<int64_t>(cur.longitude) - prev.longitude;
  if (dlat >= -kPositionDeltaLimit && dlat <= kPositionDeltaLimit && dlon >= -kPositionDeltaLimit &&
      dlon <= kPositionDeltaLimit) {
    PutLE(p, static_cast<uint16_t>(static_cast<int16_t>(dlat)), 2);
    PutLE(p, static_cast<uint16_t>(static_cast<int16_t>(dlon)), 2);
  } else {
    PutLE(p, static_cast<uint16_t>(kPositionEscape), 2);
    PutLE(p, static_cast<uint32_t>(cur.latitude), 4);
    PutLE(p, static_cast<uint32_t>(cur.longitude), 4);
  }
  const uint32_t dd = static_cast<uint32_t>(cur.distance) - static_cast<uint32_t>(prev.distance);
  if (dd < kDistanceEscape) {
    PutLE(p, dd, 2);
  } else {
    PutLE(p, kDistanceEscape, 2);
    PutLE(p, static_cast<uint32_t>(cur.distance), 4);
  }
  return static_cast<int32_t>(p - out);
}

bool WriteHeader(CStream* s, std::string_view name, bool hasTimes, const TrackPoint& first, ErrorStatus err) {
  return StreamWriteBytes(s, kMagic, sizeof kMagic, err) && StreamWriteUInt32(s, kVersion1_2, err) &&
         StreamWriteString8(s, name, err) && StreamWriteUInt8(s, hasTimes ? 1 : 0, err) &&
         (!hasTimes || StreamWriteDouble(s, first.time, err)) && StreamWriteInt32(s, first.latitude, err) &&
         StreamWriteInt32(s, first.longitude, err);
}

bool WriteRecord(CStream* s, const TrackPoint& prev, const TrackPoint& cur, bool hasTimes, int64_t ticks,
                 int32_t* size, ErrorStatus err) {
  uint8_t rec[kMaxRecordSize];
  *size = EncodeRecord(rec, prev, cur, hasTimes, ticks);
  return StreamWriteBytes(s, rec, *size, err);
}

bool WriteTrailer(CStream* s, const TrackPoint& last, int32_t count, ErrorStatus err) {
  return StreamWriteDouble(s, last.time, err) && StreamWriteInt32(s, last.distance, err) &&
         StreamWriteInt32(s, count, err);
}

}  // namespace vm::trackfile
