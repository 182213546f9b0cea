// The track file (".trk"). Little-endian throughout.
//
// Version 1.2.0.0 (written):
//   OFFSET  SIZE  CONTENT
//   0       16    magic "AKRM4L_TrackFile", no terminator
//   16      4     uint32 version 0x01020000
//   20      1+n   string8 name
//   ...     1     uint8 has times (1 or 0)
//   ...     8     double first time (only with times)
//   ...     4     int32 first latitude
//   ...     4     int32 first longitude
//   ...     ...   one record per further point, against its predecessor
//   end-16  16    trailer: double last time, int32 last distance, int32 count
//
// A record (P the previous point, N this one):
//   time (with times only): uint16 ticks, or 0xFFFF and the double time
//   position: int16 dlat, int16 dlon, or int16 0x7FFF, int32 lat, int32 lon
//   distance: uint16 delta, or 0xFFFF and the int32 distance
//
// Version 1.1.0.0 (read): string32 name, no has-times byte (always times),
// trailer in the order int32 distance, double time, int32 count.
// Versions 1.0.0.1 / 1.0.0.0 (read): string32 name (1.0.0.1 only), then 36-byte
// records: double time, 80-bit latitude, 80-bit longitude (radians), 8 unused
// bytes; no trailer, no distances.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vmlib/streams.h"
#include "vmlib/tracks.h"

namespace vm::trackfile {

constexpr char kMagic[16] = {'A', 'K', 'R', 'M', '4', 'L', '_', 'T', 'r', 'a', 'c', 'k', 'F', 'i', 'l', 'e'};
constexpr uint32_t kVersion1_2 = 0x01020000;
constexpr uint32_t kVersion1_1 = 0x01010000;
constexpr uint32_t kVersion1_0_1 = 0x01000001;
constexpr uint32_t kVersion1_0_0 = 0x01000000;
constexpr int32_t kTrailerSize = 16;
constexpr int32_t kMaxRecordSize = 26;
constexpr int32_t kOldRecordSize = 36;

// What the header and trailer tell without reading the points.
struct Summary {
  uint32_t version = 0;
  std::string name;
  bool hasTimes = true;
  int64_t dataStart = 0;  // offset of the first point's time (or position)
  double firstTime = 0;
  double lastTime = 0;
  int32_t count = 0;
  int32_t distance = -1;  // decimetres; -1 for 1.0 files
};

// Reads the summary; path names the file (a 1.0.0.0 track takes its name from
// it). Fields not reached keep their defaults.
bool ReadSummary(CStream* s, std::string_view path, Summary* out, ErrorStatus err);

// Reads the points after the summary (the stream anywhere). 1.0 files get
// their distances recomputed. On a short read the points decoded so far are
// in out and the code is in err.
bool ReadPoints(CStream* s, const Summary& summary, std::vector<TrackPoint>* out, ErrorStatus err);

// Encodes the record of cur against prev into out (at least kMaxRecordSize
// bytes) with the given ticks of its time step; returns its size.
int32_t EncodeRecord(uint8_t* out, const TrackPoint& prev, const TrackPoint& cur, bool hasTimes,
                     int64_t ticks);
// Ticks of the step prev -> cur, as a saved record stores them.
int64_t RecordTicks(const TrackPoint& prev, const TrackPoint& cur);

// Writes the header with the first point.
bool WriteHeader(CStream* s, std::string_view name, bool hasTimes, const TrackPoint& first, ErrorStatus err);
// Writes a record; *size receives its length.
bool WriteRecord(CStream* s, const TrackPoint& prev, const TrackPoint& cur, bool hasTimes, int64_t ticks,
                 int32_t* size, ErrorStatus err);
bool WriteTrailer(CStream* s, const TrackPoint& last, int32_t count, ErrorStatus err);

// The rounded distance in decimetres between two points.
int32_t StepDecimetres(const TrackPoint& a, const TrackPoint& b);

}  // namespace vm::trackfile
