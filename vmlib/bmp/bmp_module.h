// Process-wide objects of the bitmap module (initialisation step 6).
#pragma once

#include <cstdint>
#include <mutex>

namespace vm {

// entry i = int(255 * (i / 255)^0.7 + 0.5): lifts dark tones when symbols are
// drawn with gamma correction.
const uint8_t* BitmapGammaTable();
// The module's lock, held around operations on shared drawing state; null
// outside initialisation.
std::recursive_mutex* BitmapLock();

}  // namespace vm
