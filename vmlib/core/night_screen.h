// Internals of the night screen: the dimming arithmetic and the bridge
// through which it reaches bitmaps of the bitmap module.
#pragma once

#include <cstdint>

#include "vmlib/sysinfo.h"

namespace vm {

// The surface description's five fields, in their documented order.
struct NightSurface {
  int32_t pixelFormat = 0;
  int32_t pitch = 0;  // bytes from one row to the next
  int32_t width = 0;
  int32_t height = 0;
  int32_t direction = 0;
};
NightSurface ReadSurface(const BmpSurfaceDesc* surface);

// floor(brightness * 256 + 0.5)
int32_t BrightnessFactor(double brightness);
// Red, green and blue (the low three bytes) times factor, shifted right by
// 8; the top byte kept.
uint32_t DimLowBytes(uint32_t value, int32_t factor);

// What the night screen needs of a CBmp32. The bitmap module installs these
// at its initialisation step; without them registered bitmaps are kept but
// not dimmed.
struct NightBitmapOps {
  // The bitmap's pixels and surface; false when it has none (size 0).
  bool (*pixels)(CBmp32* bitmap, void** pixels, NightSurface* surface);
  // A new bitmap with the same size and pixels; null when it cannot be made.
  CBmp32* (*copy)(CBmp32* bitmap);
  // bitmap takes size and pixels of source (CopyFrom).
  void (*restore)(CBmp32* bitmap, CBmp32* source);
  // Deletes a bitmap made by copy.
  void (*release)(CBmp32* bitmap);
};
// ops must stay valid while installed; null removes them.
void SetNightBitmapOps(const NightBitmapOps* ops);

// A fresh night-screen object, for tests; the library's own is made by
// initialisation step 9.
CNightScreen* NightScreenCreate();

}  // namespace vm
