// The pixel-format table, as the library's own code uses it.
#pragma once

#include <cstdint>

namespace vm::bmp {

constexpr int32_t kPixelFormatCount = 10;
// Bits per pixel of a format; 0 for an unknown one.
int32_t BitsOf(int32_t format);
inline bool IsPaletteFormat(int32_t format) { return format >= 0 && format <= 3; }

}  // namespace vm::bmp
