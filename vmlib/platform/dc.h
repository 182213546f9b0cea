// Device contexts and text on bitmaps: the stand-in for memory device
// contexts, fonts and text output. A context is a small drawing state bound
// to one pixel surface; text is rendered anti-aliased with FreeType into
// 16- or 32-bit surfaces.
#pragma once

#include <cstdint>
#include <string_view>

#include "vmlib/bmp.h"

namespace vm::platform {

// Pixels a context draws into: formats 5 (A1R5G5B5) and 9 (A8R8G8B8),
// top-down rows pitch bytes apart.
struct DcSurface {
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t format = 0;
};

// New context on surface; null when surface is empty or has another format.
BmpDc* DcOpen(const DcSurface& surface);
void DcClose(BmpDc* dc);
const DcSurface& DcTarget(const BmpDc* dc);

// Font metrics and text extent; false when no font can be opened.
bool FontMetrics(const BmpFont& font, BmpTextMetrics* out);
bool TextExtent(const BmpFont& font, std::string_view text, BmpSize* out);
// Draws one line of text with its anchor at (x, y) by the alignment code.
// colour is 0x..RRGGBB; drawn pixels become opaque. False without a font.
bool TextDraw(const DcSurface& target, const BmpFont& font, std::string_view text, int32_t x, int32_t y,
              uint32_t colour, int32_t align);
// Lays text out in rect (single line or word wrap), draws it when target is
// given, and returns the height of the laid-out text. With measure set,
// rect's right and bottom become the text's extent. -1 without a font.
int32_t TextDrawRect(const DcSurface* target, const BmpFont& font, std::string_view text, BmpRect* rect,
                     uint32_t colour, int32_t align, bool wordWrap, bool measure);

// Copies src of one surface into dst of another, nearest neighbour when
// the sizes differ, clipped to both.
void SurfaceBlit(const DcSurface& to, const BmpRect& dst, const DcSurface& from, const BmpRect& src);

// Releases the font engine and its cached faces (library finish).
void FontsShutdown();

}  // namespace vm::platform
