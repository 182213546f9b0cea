// Tracks: recorded positions with optional times and a running distance, the
// logging mode of a live log (thinning and write-through to the track file),
// and the track file itself.
//
// Units: times are day counts (days since 1899-12-30 00:00 UTC, the fraction
// the time of day), quantised to ticks of 1/200 s; positions are int32 units of
// 1/63781370 radian (0.1 m of arc on a 6378137 m sphere); distances are int32
// decimetres, cumulative from the first point.
#pragma once

#include <cstdint>

#include "vmlib/export.h"
#include "vmlib/frame.h"

// The in-memory point (20 bytes, packed as stored).
#pragma pack(push, 4)
struct TrackPoint {
  double time;        // day count, UTC; 0 for every point of a track without times
  int32_t latitude;   // 1/63781370 radian
  int32_t longitude;  // 1/63781370 radian
  int32_t distance;   // decimetres from the first point
};
#pragma pack(pop)
static_assert(sizeof(TrackPoint) == 20, "a track point is a 20-byte record");

// The current track file version, 1.2.0.0.
constexpr uint32_t kTrackFileVersion = 0x01020000;

// One track. Virtual operations in slot order after the destructor.
// Codes: 0x100001 saving fewer than two points; 0x100002 AddTrackPoint outside
// logging mode; 0x10020 wrong magic; 0x10021 unknown version; 0x10022 newer
// version; 0x1001F inconsistent sizes or counts; stream codes for open, read
// and write failures; 0x1 when reading raises an exception.
class CNavTrack : public CObject {
public:
  // 2: records a point (latitude, longitude in radians, WGS 84) in logging
  // mode, thinning redundant points; with write-through every accepted point
  // is in the track file before the call returns.
  virtual void AddTrackPoint(double time, const double position[2], ErrorStatus err) = 0;
  // 3: index of the point at or before time; -1 when the track has no times.
  virtual int32_t FindPointIndex(double time) = 0;
  // 4: seconds from the first to the last point (0 without times).
  virtual double GetDuration() = 0;
  // 5: the track file's path (owned by the track).
  virtual const Str* GetFileName() = 0;
  // 6: the first point of the point array (owned by the track).
  virtual TrackPoint* GetPoints() = 0;
  // 7: whether the points carry times.
  virtual bool HasTimes() = 0;
  // 8: the last point, null for an empty track.
  virtual TrackPoint* GetLastPoint() = 0;
  // 9: the display name (owned by the track).
  virtual const Str* GetName() = 0;
  // 10: speed (m/s) and course (radians from north, clockwise) at time.
  virtual void GetSpeedAndCourse(double time, float* speed, float* course) = 0;
  // 11: the point at index (no check: 0 <= index < GetPointCount()).
  virtual TrackPoint* GetPoint(int32_t index) = 0;
  // 12: number of points.
  virtual int32_t GetPointCount() = 0;
  // 13: the file version the track was loaded from or last saved as.
  virtual const uint32_t* GetFileVersion() = 0;
  // 14: replaces the points with those of a track file and ends logging mode.
  virtual void LoadFromFile(const Str* path, ErrorStatus err) = 0;
  // 15: writes the track file (version 1.2.0.0). An existing file at path is
  // replaced only once the new one is complete.
  virtual void SaveToFile(const Str* path, ErrorStatus err) = 0;
  // 16: copies the path.
  virtual void SetFileName(const Str* path) = 0;
  // 17: clearing the flag also sets every point's time to 0.
  virtual void SetHasTimes(bool hasTimes) = 0;
  // 18: copies the name.
  virtual void SetName(const Str* name) = 0;
  // 19: names the file "yyyy-mm-dd hh.nn.ss.trk" in folder from the GPS clock's
  // current time, made unique; the name becomes the file name's stem.
  virtual void AssignDatedFileName(const Str* folder) = 0;
};

// A list of tracks that does not own them.
class CNavTrackList : public CObject {
public:
  virtual int32_t Add(CNavTrack* track) = 0;
  virtual int32_t GetCount() = 0;
  virtual CNavTrack* Get(int32_t index) = 0;
  virtual void Clear() = 0;
};

// A line of a draw item: a range of point indices of its track.
struct NavTrackLine {
  int32_t first;
  int32_t last;
};

// One track as the display draws it: at most kNavTrackDrawLines lines, newest
// first (lines[0] ends latest).
constexpr int32_t kNavTrackDrawLines = 500;
struct NavTrackDrawItem {
  CNavTrack* track;
  int32_t lineCount;
  NavTrackLine lines[kNavTrackDrawLines];
};

// The draw list: one item per track. Items belong to the list.
class CNavTrackDrawList : public CObject {
public:
  // Adds an item for track (not owned) with no lines; returns it.
  virtual NavTrackDrawItem* AddItem(CNavTrack* track) = 0;
  virtual int32_t GetCount() = 0;
  virtual NavTrackDrawItem* GetItem(int32_t index) = 0;
  // Puts a new line in front (newest); the oldest is dropped when the item
  // already holds kNavTrackDrawLines lines.
  virtual void AddLine(NavTrackDrawItem* item, int32_t first, int32_t last) = 0;
};

// An empty track in logging mode; writeThrough non-zero writes every accepted
// point to the track's file. Null when memory runs out.
VMLIB_EXPORT CNavTrack* NavTrackCreate1(int32_t writeThrough);
// A track loaded from a track file; null with the code in err on failure.
VMLIB_EXPORT CNavTrack* NavTrackCreate2(const Str* path, ErrorStatus err);
VMLIB_EXPORT CNavTrackList* NavTrackListCreate();
VMLIB_EXPORT CNavTrackDrawList* NavTrackDrawListCreate();
// Index of the line of item whose time span contains time; -1 when the time
// is after the newest line, before the oldest or between two lines.
VMLIB_EXPORT int32_t FindTrackLineIndex(double time, const NavTrackDrawItem* item);
// Reads the summary of a track file. Outputs start as empty name, hasTimes
// true, times 0, count 0, distance -1 (metres; stays -1 for 1.0 files, which
// store none) and keep those values where reading stopped.
VMLIB_EXPORT void NavTrackGetInfoFromFile(const Str* path, Str* name, bool* hasTimes, double* firstTime,
                                          double* lastTime, int32_t* pointCount, double* distance,
                                          ErrorStatus err);
