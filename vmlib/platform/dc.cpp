// Device contexts on bitmaps and the blits between them.
#include "platform/dc.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vm::platform {
namespace {
uint32_t Read32(const DcSurface& s, int32_t x, int32_t y) {
  const uint8_t* row = s.bits + static_cast<size_t>(y) * s.pitch;
  if (s.format == kPixA8R8G8B8) return reinterpret_cast<const uint32_t*>(row)[x];
  const uint16_t v = reinterpret_cast<const uint16_t*>(row)[x];
  return (v & 0x8000 ? 0xFF000000u : 0) | ((v >> 10 & 0x1Fu) << 19) | ((v >> 5 & 0x1Fu) << 11) |
         ((v & 0x1Fu) << 3);
}
void Write32(const DcSurface& s, int32_t x, int32_t y, uint32_t v) {
  uint8_t* row = s.bits + static_cast<size_t>(y) * s.pitch;
  if (s.format == kPixA8R8G8B8) {
    reinterpret_cast<uint32_t*>(row)[x] = v;
    return;
  }
  reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(
      ((v >> 24) >= 128 ? 0x8000 : 0) | ((v >> 19 & 0x1F) << 10) | ((v >> 11 & 0x1F) << 5) | (v >> 3 & 0x1F));
}
bool Usable(const DcSurface& s) {
  return s.bits != nullptr && s.width > 0 && s.height > 0 &&
         (s.format == kPixA8R8G8B8 || s.format == kPixA1R5G5B5);
}
}  // namespace
}  // namespace vm::platform

// The context itself: the surface it draws on.
struct BmpDc {
  vm::platform::DcSurface surface;
};

namespace vm::platform {

BmpDc* DcOpen(const DcSurface& surface) {
  if (!Usable(surface)) return nullptr;
  return new (std::nothrow) BmpDc{surface};
}
void DcClose(BmpDc* dc) { delete dc; }
const DcSurface& DcTarget(const BmpDc* dc) { return dc->surface; }

void SurfaceBlit(const DcSurface& to, const BmpRect& dst, const DcSurface& from, const BmpRect& src) {
  if (!Usable(to) || !Usable(from)) return;
  const int64_t dw = dst.right - dst.left, dh = dst.bottom - dst.top;
  const int64_t sw = src.right - src.left, sh = src.bottom - src.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const int32_t x0 = std::max(0, dst.left), x1 = std::min(to.width, dst.right);
  const int32_t y0 = std::max(0, dst.top), y1 = std::min(to.height, dst.bottom);
  for (int32_t y = y0; y < y1; ++y) {
    // Centre of each destination pixel mapped into the source rect.
    const int64_t sy = src.top + ((y - dst.top) * 2 + 1) * sh / (2 * dh);
    if (sy < 0 || sy >= from.height) continue;
    for (int32_t x = x0; x < x1; ++x) {
      const int64_t sx = src.left + ((x - dst.left) * 2 + 1) * sw / (2 * dw);
      if (sx < 0 || sx >= from.width) continue;
      Write32(to, x, y, Read32(from, static_cast<int32_t>(sx), static_cast<int32_t>(sy)));
    }
  }
}

}  // namespace vm::platform
