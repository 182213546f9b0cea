#include "bmp/pixel_formats.h"

#include "vmlib/bmp.h"

namespace vm::bmp {
namespace {
struct FormatInfo {
  int8_t a, r, g, b, bits;
};
constexpr FormatInfo kFormats[kPixelFormatCount] = {
    {0, 8, 8, 8, 1},  {0, 8, 8, 8, 2},  {0, 8, 8, 8, 4},  {0, 8, 8, 8, 8},  {0, 5, 5, 5, 16},
    {1, 5, 5, 5, 16}, {0, 5, 6, 5, 16}, {0, 8, 8, 8, 24}, {0, 8, 8, 8, 32}, {8, 8, 8, 8, 32},
};
bool Known(int32_t format) { return format >= 0 && format < kPixelFormatCount; }
}  // namespace

int32_t BitsOf(int32_t format) { return Known(format) ? kFormats[format].bits : 0; }

}  // namespace vm::bmp

using vm::bmp::kFormats;

VMLIB_EXPORT int32_t PixelGetACount(int32_t format) {
  return vm::bmp::Known(format) ? kFormats[format].a : 0;
}
VMLIB_EXPORT int32_t PixelGetRCount(int32_t format) {
  return vm::bmp::Known(format) ? kFormats[format].r : 0;
}
VMLIB_EXPORT int32_t PixelGetGCount(int32_t format) {
  return vm::bmp::Known(format) ? kFormats[format].g : 0;
}
VMLIB_EXPORT int32_t PixelGetBCount(int32_t format) {
  return vm::bmp::Known(format) ? kFormats[format].b : 0;
}
VMLIB_EXPORT int32_t PixelGetBitCount(int32_t format) { return vm::bmp::BitsOf(format); }

VMLIB_EXPORT uint32_t CalcPitch(uint32_t width, uint32_t bitsPerPixel, uint32_t alignBits) {
  return ((width * bitsPerPixel + alignBits - 1) >> 3) & (~(alignBits - 1) >> 3);
}

VMLIB_EXPORT void PaletteSwap(uint32_t* dst, const uint32_t* src, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    uint32_t v = src[i];
    dst[i] = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
  }
}
