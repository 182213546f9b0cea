#include "bmp/blend.h"

#include "bmp/bmp_module.h"

namespace vm::bmp {
namespace {
inline uint32_t Ch(uint32_t v, int shift) { return (v >> shift) & 0xFFu; }
inline uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

void RowCopy(uint32_t* d, const uint32_t* s, int32_t n, uint32_t) {
  for (int32_t i = 0; i < n; ++i) d[i] = s[i];
}
void RowMask(uint32_t* d, const uint32_t* s, int32_t n, uint32_t) {
  for (int32_t i = 0; i < n; ++i)
    if (s[i] >> 24) d[i] = s[i];
}
template <bool MaxAlpha>
void RowAlpha(uint32_t* d, const uint32_t* s, int32_t n, uint32_t) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t sv = s[i], dv = d[i], a = sv >> 24, na = 255 - a;
    uint32_t da = dv >> 24;
    if (MaxAlpha && a > da) da = a;
    d[i] = Pack(da, (Ch(sv, 16) * a + Ch(dv, 16) * na) >> 8, (Ch(sv, 8) * a + Ch(dv, 8) * na) >> 8,
                (Ch(sv, 0) * a + Ch(dv, 0) * na) >> 8);
  }
}
inline uint32_t ConstAlphaPixel(uint32_t dv, uint32_t sv, uint32_t alpha) {
  const uint32_t w = (sv >> 24) * alpha, nw = 65025 - w;
  return Pack(dv >> 24, (w * Ch(sv, 16) + Ch(dv, 16) * nw) / 65025, (w * Ch(sv, 8) + Ch(dv, 8) * nw) / 65025,
              (w * Ch(sv, 0) + Ch(dv, 0) * nw) / 65025);
}
void RowConstAlpha(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha) {
  if (alpha > 255) alpha = 255;
  for (int32_t i = 0; i < n; ++i) d[i] = ConstAlphaPixel(d[i], s[i], alpha);
}
void RowDisabled(uint32_t* d, const uint32_t* s, int32_t n, uint32_t) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t sv = s[i], dv = d[i], k = (sv >> 24) >> 2, nk = 255 - k;
    const uint32_t g = (Ch(sv, 16) + Ch(sv, 8) + Ch(sv, 0)) * k / 3;
    d[i] = Pack(dv >> 24, (g + Ch(dv, 16) * nk) >> 8, (g + Ch(dv, 8) * nk) >> 8, (g + Ch(dv, 0) * nk) >> 8);
  }
}

void PixCopy(uint32_t* d, uint32_t s, uint32_t) { *d = s; }
void PixMask(uint32_t* d, uint32_t s, uint32_t) {
  if (s >> 24) *d = s;
}
template <bool MaxAlpha>
void PixAlpha(uint32_t* d, uint32_t s, uint32_t) {
  const uint32_t dv = *d, a = s >> 24, na = 255 - a;
  uint32_t da = dv >> 24;
  if (MaxAlpha && a > da) da = a;
  *d = Pack(da, (Ch(s, 16) * a + Ch(dv, 16) * na) / 255, (Ch(s, 8) * a + Ch(dv, 8) * na) / 255,
            (Ch(s, 0) * a + Ch(dv, 0) * na) / 255);
}
void PixConstAlpha(uint32_t* d, uint32_t s, uint32_t alpha) {
  *d = ConstAlphaPixel(*d, s, alpha > 255 ? 255 : alpha);
}
void PixDisabled(uint32_t* d, uint32_t s, uint32_t) {
  const uint32_t dv = *d, k = (s >> 24) >> 2, nk = 255 - k;
  const uint32_t g = k * (Ch(s, 16) + Ch(s, 8) + Ch(s, 0)) / 3;
  *d = Pack(dv >> 24, (g + Ch(dv, 16) * nk) / 255, (g + Ch(dv, 8) * nk) / 255, (g + Ch(dv, 0) * nk) / 255);
}

// The pixel routines, indexed by blend mode; fixed at load time and only read.
constexpr BlendRowFn kDrawRoutines[6] = {RowCopy,        RowMask,       RowAlpha<false>,
                                         RowAlpha<true>, RowConstAlpha, RowDisabled};
constexpr BlendPixelFn kStretchRoutines[6] = {PixCopy,        PixMask,       PixAlpha<false>,
                                              PixAlpha<true>, PixConstAlpha, PixDisabled};
}  // namespace

BlendRowFn DrawRoutine(int32_t mode) { return mode >= 0 && mode < 6 ? kDrawRoutines[mode] : nullptr; }
BlendPixelFn StretchRoutine(int32_t mode) { return mode >= 0 && mode < 6 ? kStretchRoutines[mode] : nullptr; }

const uint8_t* AlphaTable() { return vm::BitmapGammaTable(); }

void BlendOver(uint32_t* d, uint32_t colour, uint32_t a) {
  if (a == 0) return;
  const uint32_t dv = *d, da = dv >> 24;
  const uint32_t keep = da * (255 - a) / 255;  // the destination's share after the colour
  const uint32_t outA = a + keep;
  auto mix = [&](int shift) { return (Ch(colour, shift) * a + Ch(dv, shift) * keep) / outA; };
  *d = Pack(outA, mix(16), mix(8), mix(0));
}

}  // namespace vm::bmp
