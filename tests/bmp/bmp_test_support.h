// Helpers of the bitmap tests: owned bitmaps and strings, files from bytes,
// and ImageMagick as the independent encoder and decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vmlib/bmp.h"

namespace bmptest {

struct ObjectDeleter {
  void operator()(CObject* o) const { ObjectDelete(o); }
};
using Bmp32Ptr = std::unique_ptr<CBmp32, ObjectDeleter>;
using Bmp16Ptr = std::unique_ptr<CBmp16, ObjectDeleter>;

struct StrDeleter {
  void operator()(Str* s) const { StrDelete(s); }
};
using StrPtr = std::unique_ptr<Str, StrDeleter>;
StrPtr MakeStr(const std::string& s);

Bmp32Ptr NewBmp32(int32_t w, int32_t h);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// True when ImageMagick's convert runs.
bool HaveConvert();
// Runs convert with the arguments (a shell command tail); true on success.
bool Convert(const std::string& args);
// ImageMagick's own decode of file as 8-bit RGBA, row 0 at the top.
std::vector<uint8_t> DecodeRgba(const std::string& file, int32_t* width, int32_t* height);

// Pixel of a CBmp32 as 0xAARRGGBB.
inline uint32_t Px(const CBmp32& b, int32_t x, int32_t y) { return b.GetRow(y)[x]; }
inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace bmptest
