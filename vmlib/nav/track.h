// The track and its logging state.
#pragma once

#include <string>

#include "vmlib/geodesy.h"
#include "vmlib/tracks.h"

namespace vm {

class CNavTrackImpl;

// Logging state of a track: the fixed point (the second-to-last point) and
// the motion from it to the tentative last point.
class CNavTrackLogger {
public:
  CNavTrackLogger(CNavTrackImpl* owner, int32_t writeThroughFlag)
      : track(owner), writeThrough(writeThroughFlag) {}

  int32_t lastRecordSize = 0;  // bytes of the last record in the file
  GeodeticRef scene{};         // anchored at the fixed point
  float course = 0;            // radians, fixed point to last point
  int32_t fixedDistance = 0;   // decimetres
  int32_t fixedLatitude = 0;
  int32_t fixedLongitude = 0;
  float speed = 0;  // m/s, fixed point to last point
  double fixedTime = 0;
  CNavTrackImpl* track;
  int32_t writeThrough;
};

}  // namespace vm
