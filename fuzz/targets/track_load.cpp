// The track file loader over arbitrary bytes: a new track from the file, and
// an existing track with points replaced by it. Every point of a loaded track
// is read back so a short point array shows up under the sanitizers.
#include "fuzz_support.h"
#include "vmlib/tracks.h"

namespace {
volatile double g_sink;

void TouchPoints(CNavTrack* track) {
  const int32_t count = track->GetPointCount();
  double sum = 0;
  for (int32_t i = 0; i < count; ++i) {
    const TrackPoint* p = track->GetPoint(i);
    sum += p->time + p->latitude + p->longitude + p->distance;
  }
  if (count > 0) sum += track->GetLastPoint()->distance + track->GetDuration();
  if (track->HasTimes()) sum += track->FindPointIndex(sum);
  g_sink = sum;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vmfuzz::EnsureLibrary();
  const vmfuzz::ScratchFile file(data, size, ".trk");
  const vmfuzz::OwnedStr path(file.path());

  int32_t err = 0;
  CNavTrack* loaded = NavTrackCreate2(path.get(), &err);
  vmfuzz::Trace("create", loaded ? loaded->GetPointCount() : -1, err);
  if (CNavTrack* track = loaded) {
    TouchPoints(track);
    ObjectDelete(track);
  }

  if (CNavTrack* track = NavTrackCreate1(0)) {
    const double a[2] = {0.1, 0.2}, b[2] = {0.1001, 0.2001};
    int32_t addErr = 0;
    track->AddTrackPoint(45000.0, a, &addErr);
    track->AddTrackPoint(45000.001, b, &addErr);
    err = 0;
    track->LoadFromFile(path.get(), &err);
    TouchPoints(track);
    ObjectDelete(track);
  }
  return 0;
}
