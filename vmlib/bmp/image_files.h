// The image file readers as the bitmap objects use them.
#pragma once

#include <cstdint>

#include "vmlib/bmp.h"

namespace vm::bmp {

// Raw access to a bitmap object's pixel block (top-down, GetPitch apart).
class PixelAccess {
public:
  virtual uint8_t* PixelBytes() = 0;

protected:
  ~PixelAccess() = default;
};

enum class ImageKind { kUnknown, kBmp, kPcx, kTga };

// By the name's extension, compared case-insensitively.
ImageKind KindOfName(const Str* fileName);

// Reads the file's header, sizes bitmap to the file's size / scale and reads
// the pixels into it, converted to the bitmap's format.
void LoadImage(CBmp& bitmap, PixelAccess& pixels, ImageKind kind, const Str* fileName, int32_t scale,
               int32_t alphaOption, BmpSurfaceDesc* fileDescOut, ErrorStatus status);

}  // namespace vm::bmp
