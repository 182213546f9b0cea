// Process-wide objects of the bitmap module (initialisation step 6).
#pragma once

#include <cstdint>
#include <mutex>

namespace vm {

// The alpha table: entry i = int(255 * (i / 255)^0.7 + 0.5), the alpha of a
// partly covered pixel in the anti-aliased drawing (i = colour alpha x
// coverage). Valid from the first call on; initialisation makes it.
const uint8_t* BitmapGammaTable();
// The module's lock, held around operations on shared drawing state; null
// outside initialisation.
std::recursive_mutex* BitmapLock();

}  // namespace vm
