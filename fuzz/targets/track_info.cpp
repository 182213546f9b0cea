// The track file summary reader over arbitrary bytes.
#include "fuzz_support.h"
#include "vmlib/tracks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vmfuzz::EnsureLibrary();
  const vmfuzz::ScratchFile file(data, size, ".trk");
  const vmfuzz::OwnedStr path(file.path());
  const vmfuzz::OwnedStr name("");
  bool hasTimes = false;
  double firstTime = 0, lastTime = 0, distance = 0;
  int32_t pointCount = 0;
  int32_t err = 0;
  NavTrackGetInfoFromFile(path.get(), name.get(), &hasTimes, &firstTime, &lastTime, &pointCount, &distance,
                          &err);
  vmfuzz::Trace("summary", pointCount, err);
  return 0;
}
