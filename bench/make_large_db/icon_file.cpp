#include "icon_file.h"

namespace largedb {
namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

std::vector<uint8_t> MakeIconFile(uint32_t colour) {
  constexpr uint32_t kSide = 16;
  constexpr uint32_t kPixelBytes = kSide * kSide * 4;
  constexpr uint32_t kMaskBytes = kSide * 4;  // 1 bit a pixel, rows padded to 32 bits
  constexpr uint32_t kImageBytes = 40 + kPixelBytes + kMaskBytes;
  std::vector<uint8_t> b;
  // Directory: reserved, type 1 (icon), one image.
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, 1);
  // Entry: width, height, colours, reserved, planes, bits, size, offset.
  b.push_back(kSide);
  b.push_back(kSide);
  b.push_back(0);
  b.push_back(0);
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, kImageBytes);
  Put32(b, 22);
  // Bitmap header; the height counts the colour and the mask rows.
  Put32(b, 40);
  Put32(b, kSide);
  Put32(b, kSide * 2);
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, 0);
  Put32(b, kPixelBytes + kMaskBytes);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  // Rows bottom-up, BGRA.
  for (uint32_t y = 0; y < kSide; ++y) {
    for (uint32_t x = 0; x < kSide; ++x) {
      const int dx = static_cast<int>(x) * 2 - 15, dy = static_cast<int>(y) * 2 - 15;
      const uint32_t c = dx * dx + dy * dy <= 14 * 14 ? colour : 0xFF00FF;
      b.push_back(static_cast<uint8_t>(c));
      b.push_back(static_cast<uint8_t>(c >> 8));
      b.push_back(static_cast<uint8_t>(c >> 16));
      b.push_back(0xFF);
    }
  }
  b.insert(b.end(), kMaskBytes, 0);
  return b;
}

}  // namespace largedb
