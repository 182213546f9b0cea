// What CBmp16 and CBmp32 share: the pixel block and its row table, the size,
// the device context reference count, text through the platform layer, and
// the file operations.
#pragma once

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "bmp/image_files.h"
#include "bmp/pixel_formats.h"
#include "platform/dc.h"
#include "vmlib/bmp.h"

namespace vm::bmp {

// Bytes per pixel of a format a bitmap object may have; throws for others,
// as creating a section of that format would fail.
int32_t SectionBytesPerPixel(int32_t format);

template <class Base, class Pixel, int32_t Format>
class BitmapObject : public Base, public PixelAccess {
public:
  explicit BitmapObject(bool autoDc) : autoDc_(autoDc) {}
  ~BitmapObject() override {
    if (autoDc_ && bits_ != nullptr) DCDelete();
    if (dc_ != nullptr) platform::DcClose(dc_);
    std::free(bits_);
    delete[] rows_;
  }

  uint8_t* AlphaBackup(const BmpRect& rect) override = 0;
  void AlphaRestore(const BmpRect& rect, uint8_t* saved) override = 0;

  BmpDc* DCCreate() override {
    if (dcCount_ > 0) {
      ++dcCount_;
      return dc_;
    }
    if (bits_ == nullptr) return nullptr;
    dc_ = platform::DcOpen(Surface());
    if (dc_ == nullptr) throw CException("CBmp::DCCreate: can't create compatible DC");
    dcCount_ = 1;
    return dc_;
  }
  void DCDelete() override {
    if (dcCount_ <= 0) return;
    if (--dcCount_ == 0) {
      platform::DcClose(dc_);
      dc_ = nullptr;
    }
  }
  void DrawToDc(BmpDc* dc, const BmpRect& dst, const BmpRect& src) override {
    if (dc == nullptr || bits_ == nullptr) return;
    platform::SurfaceBlit(platform::DcTarget(dc), dst, Surface(), src);
  }
  void TextOut(const Str* text, int32_t x, int32_t y, const BmpFont& font, uint32_t colour,
               int32_t align) override {
    if (text == nullptr || bits_ == nullptr) return;
    platform::TextDraw(Surface(), font, std::string_view(text->text, text->length), x, y, colour, align);
  }
  int32_t DrawText(const Str* text, BmpRect* rect, const BmpFont& font, uint32_t colour, int32_t align,
                   int32_t layout, bool keepAlpha) override {
    if (text == nullptr || rect == nullptr) return 0;
    const bool measure = layout == kLayoutSingleLineMeasure || layout == kLayoutWordWrapMeasure;
    const bool wrap = layout == kLayoutWordWrap || layout == kLayoutWordWrapMeasure;
    std::string_view view(text->text, text->length);
    if (measure || bits_ == nullptr)
      return platform::TextDrawRect(nullptr, font, view, rect, colour, align, wrap, measure);
    uint8_t* saved = keepAlpha ? this->AlphaBackup(*rect) : nullptr;
    platform::DcSurface surface = Surface();
    int32_t height = platform::TextDrawRect(&surface, font, view, rect, colour, align, wrap, false);
    if (keepAlpha) this->AlphaRestore(*rect, saved);
    return height;
  }
  BmpDc* GetDc() const override { return dc_; }
  int32_t GetHeight() const override { return height_; }
  int32_t GetMemorySize(bool includeObject) const override {
    return (pitch_ + 4) * height_ + (includeObject ? 72 : 0);
  }
  int32_t GetPitch() const override { return pitch_; }
  int32_t GetPixelFormat() const override { return Format; }
  void GetRect(BmpRect* out) const override { *out = {0, 0, width_, height_}; }
  void GetBounds(double* left, double* top, double* right, double* bottom) const override {
    *left = -0.5;
    *top = -0.5;
    *right = width_ - 0.5;
    *bottom = height_ - 0.5;
  }
  void GetSurfaceDesc(BmpSurfaceDesc* out) const override { *out = {Format, pitch_, width_, height_, 1}; }
  void GetTextExtent(const Str* text, const BmpFont& font, BmpSize* out) override {
    std::string_view view = text ? std::string_view(text->text, text->length) : std::string_view();
    if (!platform::TextExtent(font, view, out))
      throw CException("CBmp::GetTextExtent: can't get size of text");
  }
  void GetTextMetrics(const BmpFont& font, BmpTextMetrics* out) override {
    if (!platform::FontMetrics(font, out)) throw CException("CBmp::GetTextMetrics: can't get text metrics");
  }
  int32_t GetWidth() const override { return width_; }

  void Load(const Str* fileName, int32_t scale, int32_t alphaOption, BmpSurfaceDesc* fileDescOut,
            ErrorStatus status) override {
    switch (KindOfName(fileName)) {
      case ImageKind::kBmp:
        return LoadBmp(fileName, scale, alphaOption, fileDescOut, status);
      case ImageKind::kPcx:
        return LoadPcx(fileName, scale, fileDescOut, status);
      case ImageKind::kTga:
        return LoadTga(fileName, scale, fileDescOut, status);
      case ImageKind::kUnknown:
        break;
    }
    *status = 0x1001E;
  }
  void LoadBmp(const Str* fileName, int32_t scale, int32_t alphaOption, BmpSurfaceDesc* fileDescOut,
               ErrorStatus status) override {
    LoadImage(*this, *this, ImageKind::kBmp, fileName, scale, alphaOption, fileDescOut, status);
  }
  void LoadPcx(const Str* fileName, int32_t scale, BmpSurfaceDesc* fileDescOut, ErrorStatus status) override {
    LoadImage(*this, *this, ImageKind::kPcx, fileName, scale, 0, fileDescOut, status);
  }
  void LoadTga(const Str* fileName, int32_t scale, BmpSurfaceDesc* fileDescOut, ErrorStatus status) override {
    LoadImage(*this, *this, ImageKind::kTga, fileName, scale, 0, fileDescOut, status);
  }
  void Save(const Str* fileName, int32_t outputFormat, int32_t compression, ErrorStatus status) override {
    BmpSurfaceDesc desc;
    GetSurfaceDesc(&desc);
    BmpSave(fileName, bits_, &desc, outputFormat, nullptr, compression, nullptr, status);
  }
  void ScaleDown(CBmp* dst, int32_t factor, bool roundUp) override {
    if (dst == nullptr || factor < 1) return;
    int32_t w = roundUp ? (width_ + factor - 1) / factor : width_ / factor;
    int32_t h = roundUp ? (height_ + factor - 1) / factor : height_ / factor;
    dst->SetSize(w, h);
    auto* access = dynamic_cast<PixelAccess*>(dst);
    if (access == nullptr || w == 0 || h == 0) return;
    BmpSurfaceDesc dstDesc, srcDesc;
    dst->GetSurfaceDesc(&dstDesc);
    GetSurfaceDesc(&srcDesc);
    ImageScale(access->PixelBytes(), &dstDesc, bits_, &srcDesc, nullptr, factor,
               roundUp ? width_ % factor : 0, roundUp ? height_ % factor : 0);
  }
  void SetSize(int32_t width, int32_t height) override {
    if (width == width_ && height == height_) return;
    if (width < 0 || height < 0) width = height = 0;
    if (autoDc_ && bits_ != nullptr) DCDelete();
    if (dc_ != nullptr) {  // a context on the old pixels must not outlive them
      platform::DcClose(dc_);
      dc_ = nullptr;
      dcCount_ = 0;
    }
    std::free(bits_);
    bits_ = nullptr;
    delete[] rows_;
    rows_ = nullptr;
    const int32_t bytes = SectionBytesPerPixel(Format);
    width_ = width;
    height_ = height;
    pitch_ = static_cast<int32_t>(CalcPitch(width, bytes * 8, 32));
    if (width > 0 && height > 0) {
      const size_t size = static_cast<size_t>(pitch_) * static_cast<size_t>(height);
      // The pitch and size must fit the 32-bit fields that describe them.
      if (width > (INT32_MAX - 31) / (bytes * 8) || size > INT32_MAX) {
        width_ = height_ = pitch_ = 0;
        throw CException("CBmp::SetSize: can't allocate DIB handle");
      }
      bits_ = static_cast<uint8_t*>(std::calloc(size, 1));
      rows_ = new (std::nothrow) Pixel*[static_cast<size_t>(height) + 1];
      if (bits_ == nullptr || rows_ == nullptr) {
        std::free(bits_);
        bits_ = nullptr;
        delete[] rows_;
        rows_ = nullptr;
        width_ = height_ = pitch_ = 0;
        throw CException("CBmp::SetSize: can't allocate DIB handle");
      }
      for (int32_t y = 0; y <= height; ++y)
        rows_[y] = reinterpret_cast<Pixel*>(bits_ + static_cast<size_t>(y) * pitch_);
      if (autoDc_) DCCreate();
    }
    centreX_ = width_ / 2.0 - 0.5;
    centreY_ = height_ / 2.0 - 0.5;
    radius_ = std::sqrt((width_ / 2.0) * (width_ / 2.0) + (height_ / 2.0) * (height_ / 2.0));
  }

  uint8_t* PixelBytes() override { return bits_; }

protected:
  platform::DcSurface Surface() const { return {bits_, pitch_, width_, height_, Format}; }
  Pixel* Row(int32_t y) const { return rows_[y]; }
  // rect clipped to the bitmap; false when nothing is left.
  bool Clip(const BmpRect& rect, BmpRect* out) const {
    out->left = rect.left < 0 ? 0 : rect.left;
    out->top = rect.top < 0 ? 0 : rect.top;
    out->right = rect.right > width_ ? width_ : rect.right;
    out->bottom = rect.bottom > height_ ? height_ : rect.bottom;
    return out->left < out->right && out->top < out->bottom;
  }

  uint8_t* bits_ = nullptr;  // top row first, pitch bytes per row
  Pixel** rows_ = nullptr;   // height + 1 row starts
  double centreX_ = -0.5;
  double centreY_ = -0.5;
  double radius_ = 0;
  bool autoDc_;
  int32_t dcCount_ = 0;
  BmpDc* dc_ = nullptr;
  int32_t height_ = 0;
  int32_t pitch_ = 0;
  int32_t width_ = 0;
};

}  // namespace vm::bmp
