// CBmp16: 16-bit pixels A1R5G5B5.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "bmp/bitmap_object.h"

namespace vm::bmp {

int32_t SectionBytesPerPixel(int32_t format) {
  switch (format) {
    case kPixX1R5G5B5:
    case kPixA1R5G5B5:
      return 2;
    case kPixB8G8R8:
      return 3;
    case kPixX8R8G8B8:
    case kPixA8R8G8B8:
      return 4;
    default:
      throw CException("CBmp::InitBitmapInfo: unsupported pixel format");
  }
}

namespace {

class Bmp16 final : public BitmapObject<CBmp16, uint16_t, kPixA1R5G5B5> {
public:
  using BitmapObject::BitmapObject;

  uint8_t* AlphaBackup(const BmpRect&) override { throw CException("CBmp16::AlphaBackup: not implemented"); }
  void AlphaRestore(const BmpRect&, uint8_t*) override {
    throw CException("CBmp16::AlphaRestore: not implemented");
  }

  void DrawTo(CBmp16* destination, const BmpRect& dst, const BmpRect& src, bool transparent) override {
    if (destination == nullptr || bits_ == nullptr) return;
    if (dst.right - dst.left != src.right - src.left || dst.bottom - dst.top != src.bottom - src.top) return;
    // Clip the source to this bitmap and the target to the destination.
    int32_t l = src.left, t = src.top, r = src.right, b = src.bottom, dx = dst.left, dy = dst.top;
    if (l < 0) dx -= l, l = 0;
    if (t < 0) dy -= t, t = 0;
    r = std::min(r, width_), b = std::min(b, height_);
    if (dx < 0) l -= dx, dx = 0;
    if (dy < 0) t -= dy, dy = 0;
    r = std::min(r, l + destination->GetWidth() - dx), b = std::min(b, t + destination->GetHeight() - dy);
    for (int32_t y = t; y < b; ++y) {
      const uint16_t* s = rows_[y] + l;
      uint16_t* d = destination->GetRow(dy + y - t) + dx;
      for (int32_t i = 0; i < r - l; ++i)
        if (!transparent || !(s[i] & 0x8000)) d[i] = s[i];
    }
  }
  void Reserved1(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  bool Reserved2(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override { return false; }

  void FillRect(double left, double top, double right, double bottom, uint16_t colour) override {
    const int32_t x0 = std::max(0, static_cast<int32_t>(std::ceil(left)));
    const int32_t y0 = std::max(0, static_cast<int32_t>(std::ceil(top)));
    const int32_t x1 = std::min(width_, static_cast<int32_t>(std::ceil(right)));
    const int32_t y1 = std::min(height_, static_cast<int32_t>(std::ceil(bottom)));
    for (int32_t y = y0; y < y1; ++y) std::fill(rows_[y] + x0, rows_[y] + std::max(x0, x1), colour);
  }
  void Fill(uint16_t colour) override {
    if (bits_ == nullptr) return;
    std::fill(rows_[0], rows_[0] + width_, colour);
    const size_t total = static_cast<size_t>(pitch_) * height_;
    for (size_t done = pitch_; done < total;) {
      const size_t n = std::min(done, total - done);
      std::memcpy(bits_ + done, bits_, n);
      done += n;
    }
  }
  uint16_t* GetPixels() override { return reinterpret_cast<uint16_t*>(bits_); }
  uint16_t* GetRow(int32_t y) override {
    return rows_ != nullptr && y >= 0 && y <= height_ ? rows_[y] : nullptr;
  }
};

}  // namespace
}  // namespace vm::bmp

VMLIB_EXPORT CBmp16* Bmp16Create(int32_t width, int32_t height, bool autoDc) {
  auto* bitmap = new (std::nothrow) vm::bmp::Bmp16(autoDc);
  if (bitmap == nullptr) return nullptr;
  try {
    bitmap->SetSize(width, height);
  } catch (const CException&) {
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}
