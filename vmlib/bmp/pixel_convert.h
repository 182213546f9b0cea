// Conversion of pixel rows between the pixel formats (a 10 x 10 table
// indexed by source and destination format).
#pragma once

#include <cstdint>

#include "vmlib/bmp.h"

namespace vm::bmp {

// Converts n pixels of src (format from) into dst (format to). Palette
// formats are packed most significant bits first. Throws CException
// "Conversion not supported" for a conversion into a palette format other
// than a copy or a widening. palette may be null (all entries black).
void ConvertRow(void* dst, int32_t to, const void* src, int32_t from, int32_t n, const BmpPalette* palette);

// Index of pixel x of a packed palette row.
uint32_t PaletteIndex(const uint8_t* row, int32_t bits, int32_t x);

// The 32-bit format a reduction works in: 9 when from carries alpha, else 8.
inline int32_t WorkFormat(int32_t from) { return from == kPixA1R5G5B5 || from == kPixA8R8G8B8 ? 9 : 8; }

}  // namespace vm::bmp
