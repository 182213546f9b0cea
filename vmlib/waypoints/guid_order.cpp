#include "waypoints/guid_order.h"

#include <cstring>

#include "vmlib/waypoints.h"

namespace vm {

namespace {
// Word k of the GUID as stored: little-endian bytes 4k to 4k + 3.
uint32_t Word(const GUID& g, int k) {
  uint8_t b[16];
  std::memcpy(b, &g, sizeof b);
  const uint8_t* w = b + 4 * k;
  return w[0] | (w[1] << 8) | (w[2] << 16) | (static_cast<uint32_t>(w[3]) << 24);
}
}  // namespace

int CompareGuids(const GUID& a, const GUID& b) {
  for (int k = 3; k >= 0; --k) {
    const uint32_t wa = Word(a, k);
    const uint32_t wb = Word(b, k);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  return 0;
}

int GuidOrder(const void* a, const void* b) {
  return CompareGuids(*static_cast<const CWaypointObject*>(a)->GetGUID(),
                      *static_cast<const CWaypointObject*>(b)->GetGUID());
}

bool FindByGuid(const CPointerList& list, const GUID& guid, int32_t* index) {
  int32_t lo = 0;
  int32_t hi = list.GetCount() - 1;
  const int32_t direction = list.IsDescending() ? -1 : 1;
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    const int c =
        CompareGuids(*static_cast<const CWaypointObject*>(list.Get(mid))->GetGUID(), guid) * direction;
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid - 1;
    } else {
      *index = mid;
      return true;
    }
  }
  *index = lo;
  return false;
}

}  // namespace vm
