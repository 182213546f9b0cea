// The pixel routines of the blend modes and the alpha table of the
// anti-aliased drawing.
#pragma once

#include <cstdint>

namespace vm::bmp {

// Blends n source pixels into n destination pixels; alpha is the constant
// alpha of bmBlendConstAlpha.
using BlendRowFn = void (*)(uint32_t* d, const uint32_t* s, int32_t n, uint32_t alpha);

// Row routines of Draw and DrawTransform (shifts by 8), modes 0 to 5.
BlendRowFn DrawRoutine(int32_t mode);
// One pixel of StretchDraw (divisions by 255), modes 0 to 5; null otherwise.
using BlendPixelFn = void (*)(uint32_t* d, uint32_t s, uint32_t alpha);
BlendPixelFn StretchRoutine(int32_t mode);

// t[i] = floor((i / 255)^0.7 * 255 + 0.5): the alpha of a partly covered pixel.
const uint8_t* AlphaTable();

// Straight-alpha "over" of colour with alpha a (0..255) onto *d.
void BlendOver(uint32_t* d, uint32_t colour, uint32_t a);

}  // namespace vm::bmp
