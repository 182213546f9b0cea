// Fonts for the text layer: faces found through fontconfig and rasterised
// anti-aliased by FreeType. All functions take the font engine's lock
// themselves except where said.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>

#include "vmlib/bmp.h"

namespace vm::platform {

// Pixel height of a font at 96 dpi: round(pointSize * 96 / 72); sizes below
// 1 point take 10 points, sizes above 1000 points are held at 1000.
int32_t FontPixelHeight(int32_t pointSize);

struct LineMetrics {
  int32_t ascent = 0;             // pixels above the baseline
  int32_t descent = 0;            // pixels below the baseline
  int32_t underlinePosition = 0;  // pixels below the baseline
  int32_t underlineThickness = 1;
};

// One rasterised glyph: coverage 0..255, rows top-down, placed with its
// top-left corner at (pen x + left, baseline - top).
struct GlyphImage {
  const uint8_t* coverage;
  int32_t width, height, pitch;
  int32_t left, top;
};

// A face set to one pixel size. Valid while the engine lock is held.
class FontFace;

// The engine lock; held for the whole of every text operation.
std::recursive_mutex& FontLock();
// The face for font (cached); null when no face can be opened. Lock held.
FontFace* FaceFor(const BmpFont& font);
LineMetrics FaceLineMetrics(FontFace* face);
void FaceMetrics(FontFace* face, const BmpFont& font, BmpTextMetrics* out);
// Advance of the code point in 26.6 pixels. Lock held.
int64_t FaceAdvance(FontFace* face, char32_t codePoint);
// Renders the code point and calls draw with its image. Lock held.
void FaceRender(FontFace* face, char32_t codePoint, const std::function<void(const GlyphImage&)>& draw);

// Next code point of UTF-8 text at *pos (U+FFFD for a broken sequence).
char32_t NextCodePoint(std::string_view text, size_t* pos);

void FontsRelease();

}  // namespace vm::platform
