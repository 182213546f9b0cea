// The 16-byte identity that every waypoint, type, group, route and database
// carries. Laid out as four 32-bit words in memory (little-endian), in the
// usual Data1..Data4 split; sorted collections order GUIDs as 128-bit unsigned
// numbers whose most significant word is bytes 12 to 15.
#pragma once

#include <cstdint>

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);
