// Growth rule shared by the library's pointer arrays (string lists, the
// finaliser registry, pointer lists): small arrays grow by 4, medium ones by 16,
// large ones by a quarter, so appends stay amortised without wasting memory on
// the many tiny lists a waypoint database holds.
#pragma once

#include <cstdint>

namespace vm {

constexpr int32_t GrowCapacity(int32_t capacity) {
  if (capacity > 64) return capacity + capacity / 4;
  if (capacity > 8) return capacity + 16;
  return capacity + 4;
}

}  // namespace vm
