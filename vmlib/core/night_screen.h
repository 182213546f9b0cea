// Internals of the night screen: the dimming arithmetic.
#pragma once

#include <cstdint>

#include "vmlib/sysinfo.h"

namespace vm {

// floor(brightness * 256 + 0.5)
int32_t BrightnessFactor(double brightness);
// Red, green and blue (the low three bytes) times factor, shifted right by
// 8; the top byte kept.
uint32_t DimLowBytes(uint32_t value, int32_t factor);

// A fresh night-screen object, for tests; the library's own is made by
// initialisation step 9.
CNightScreen* NightScreenCreate();

}  // namespace vm
