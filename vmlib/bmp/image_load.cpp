// Loading image files into bitmaps and pixel blocks, and the BMP exports.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>

#include "bmp/image_files.h"
#include "bmp/image_readers.h"
#include "bmp/pixel_convert.h"
#include "platform/image_file_io.h"

namespace vm::bmp {
namespace {

// Pixel memory above which a header's size is believed only when the file
// holds at least the bytes such an image needs.
constexpr uint64_t kTrustedPixelBytes = 64u << 20;

int32_t Parse(ImageKind kind, const Bytes& file, int32_t alphaOption, ImageInfo* info) {
  switch (kind) {
    case ImageKind::kBmp:
      return ParseBmp(file, alphaOption, info);
    case ImageKind::kPcx:
      return ParsePcx(file, info);
    case ImageKind::kTga:
      return ParseTga(file, info);
    case ImageKind::kUnknown:
      break;
  }
  return 0x1001E;
}

int32_t Decode(ImageKind kind, const Bytes& file, const ImageInfo& info, RowSink& sink) {
  switch (kind) {
    case ImageKind::kBmp:
      return DecodeBmp(file, info, sink);
    case ImageKind::kPcx:
      return DecodePcx(file, info, sink);
    case ImageKind::kTga:
      return DecodeTga(file, info, sink);
    case ImageKind::kUnknown:
      break;
  }
  return 0x1001E;
}

// A header that promises far more pixels than its file could describe is
// damage, refused before anything is allocated.
bool Plausible(const Bytes& file, const ImageInfo& info, int32_t scale) {
  const uint64_t pixels = static_cast<uint64_t>(info.desc.width / scale) * (info.desc.height / scale) * 4;
  if (pixels <= kTrustedPixelBytes) return true;
  return file.size() >= info.pixelOffset && file.size() - info.pixelOffset >= info.minDataBytes;
}

void SetStatus(ErrorStatus status, int32_t code) {
  if (status) *status = code;
}

// Sizes the bitmap for the file and reads the pixels into it.
void LoadFromBytes(CBmp& bitmap, PixelAccess& pixels, ImageKind kind, const Bytes& file, int32_t scale,
                   int32_t alphaOption, BmpSurfaceDesc* fileDescOut, ErrorStatus status) {
  if (scale < 1) scale = 1;
  ImageInfo info;
  if (int32_t s = Parse(kind, file, alphaOption, &info)) return SetStatus(status, s);
  if (fileDescOut) *fileDescOut = info.desc;
  if (!Plausible(file, info, scale)) return SetStatus(status, kErrFormat);
  try {
    bitmap.SetSize(info.desc.width / scale, info.desc.height / scale);
  } catch (const CException&) {
    return SetStatus(status, kErrFormat);
  }
  BmpSurfaceDesc dst;
  bitmap.GetSurfaceDesc(&dst);
  if (pixels.PixelBytes() == nullptr) return SetStatus(status, 0);
  RowSink sink(info.desc, info.rowFormat, &info.palette, pixels.PixelBytes(), dst, scale, nullptr);
  SetStatus(status, Decode(kind, file, info, sink));
}

std::string Lower(const Str* s) {
  std::string out = s && s->text ? std::string(s->text, s->length) : std::string();
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

ImageKind KindOfName(const Str* fileName) {
  const std::string name = Lower(fileName);
  const size_t dot = name.rfind('.');
  const size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return ImageKind::kUnknown;
  const std::string ext = name.substr(dot);
  if (ext == ".bmp") return ImageKind::kBmp;
  if (ext == ".pcx" || ext == ".pcc" || ext == ".scr") return ImageKind::kPcx;
  if (ext == ".tga") return ImageKind::kTga;
  return ImageKind::kUnknown;
}

void LoadImage(CBmp& bitmap, PixelAccess& pixels, ImageKind kind, const Str* fileName, int32_t scale,
               int32_t alphaOption, BmpSurfaceDesc* fileDescOut, ErrorStatus status) {
  Bytes file;
  if (int32_t s = platform::ReadFileBytes(fileName, &file)) return SetStatus(status, s);
  LoadFromBytes(bitmap, pixels, kind, file, scale, alphaOption, fileDescOut, status);
}

// The one-byte mask of scrambled BMP files.
constexpr uint8_t kScrambleMask = 0xA5;

namespace {
// Row-block reader: the whole image is decoded at creation into the
// destination format, then handed out top row first.
class BmpLoader final : public CBmpLoader {
public:
  BmpLoader(Bytes pixels, int32_t pitch, int32_t height, int32_t dstPitch, int32_t block)
      : pixels_(std::move(pixels)), pitch_(pitch), height_(height), dstPitch_(dstPitch), block_(block) {}
  int32_t ReadRows(void* out, int32_t count) override {
    if (out == nullptr) return 0;
    if (count <= 0) count = block_;
    const int32_t n = std::min(count, height_ - next_);
    for (int32_t i = 0; i < n; ++i)
      std::memcpy(static_cast<uint8_t*>(out) + static_cast<ptrdiff_t>(i) * dstPitch_,
                  pixels_.data() + static_cast<size_t>(next_ + i) * pitch_, static_cast<size_t>(pitch_));
    next_ += std::max(n, 0);
    return std::max(n, 0);
  }

private:
  Bytes pixels_;
  int32_t pitch_, height_, dstPitch_, block_;
  int32_t next_ = 0;
};
}  // namespace

}  // namespace vm::bmp

using namespace vm::bmp;

VMLIB_EXPORT void BmpLoadHeader(const Str* fileName, BmpFileHeader* header, BmpPalette* palette,
                                ErrorStatus status) {
  Bytes file;
  if (int32_t s = vm::platform::ReadFileBytes(fileName, &file)) return SetStatus(status, s);
  BmpFileHeader h;
  const int32_t s = ParseBmpHeader(file, &h, palette);
  if (s == 0 && header) *header = h;
  SetStatus(status, s);
}

VMLIB_EXPORT void BmpSurfaceDescCreate(BmpSurfaceDesc* desc, const BmpFileHeader* header, int32_t alphaOption,
                                       ErrorStatus status) {
  if (desc == nullptr || header == nullptr) return SetStatus(status, kErrHeader);
  SetStatus(status, BmpDescOf(*header, alphaOption, desc));
}

VMLIB_EXPORT void BmpLoad(const Str* fileName, const BmpFileHeader* header, const BmpPalette* palette,
                          int32_t scale, int32_t alphaOption, void* dst, const BmpSurfaceDesc* dstDesc,
                          BmpSurfaceDesc* fileDescOut, BmpProgress* progress, ErrorStatus status) {
  if (dst == nullptr || dstDesc == nullptr) return SetStatus(status, kErrFormat);
  Bytes file;
  if (int32_t s = vm::platform::ReadFileBytes(fileName, &file)) return SetStatus(status, s);
  ImageInfo info;
  if (int32_t s = ParseBmp(file, alphaOption, &info)) return SetStatus(status, s);
  // The caller's header and palette are the ones the pixels are read with.
  if (header && header->bitCount <= 8 && palette) info.palette = *palette;
  if (fileDescOut) *fileDescOut = info.desc;
  RowSink sink(info.desc, info.rowFormat, &info.palette, dst, *dstDesc, std::max(scale, 1), progress);
  SetStatus(status, DecodeBmp(file, info, sink));
}

VMLIB_EXPORT CBmpLoader* BmpLoaderCreate(const Str* fileName, BmpFileHeader* header, BmpPalette* palette,
                                         const BmpSurfaceDesc* dstDesc, int32_t rows, ErrorStatus status) {
  if (dstDesc == nullptr) {
    SetStatus(status, kErrFormat);
    return nullptr;
  }
  Bytes file;
  if (int32_t s = vm::platform::ReadFileBytes(fileName, &file)) {
    SetStatus(status, s);
    return nullptr;
  }
  ImageInfo info;
  BmpFileHeader h;
  int32_t s = ParseBmpHeader(file, &h, palette);
  // A destination with alpha takes the top bits of 16- and 32-bit files as alpha.
  const int32_t alphaOption = dstDesc->pixelFormat == kPixA1R5G5B5 || dstDesc->pixelFormat == kPixA8R8G8B8;
  if (s == 0) s = ParseBmp(file, alphaOption, &info);
  if (s == 0 && !Plausible(file, info, 1)) s = kErrFormat;
  if (s != 0) {
    SetStatus(status, s);
    return nullptr;
  }
  if (header) *header = h;
  const int32_t bits = PixelGetBitCount(dstDesc->pixelFormat);
  if (bits == 0) {
    SetStatus(status, kErrPixelFormat);
    return nullptr;
  }
  const int32_t pitch = static_cast<int32_t>(CalcPitch(info.desc.width, bits, 32));
  Bytes pixels(static_cast<size_t>(pitch) * info.desc.height);
  const BmpSurfaceDesc whole{dstDesc->pixelFormat, pitch, info.desc.width, info.desc.height, 1};
  RowSink sink(info.desc, info.rowFormat, &info.palette, pixels.data(), whole, 1, nullptr);
  s = DecodeBmp(file, info, sink);
  SetStatus(status, s);
  if (s != 0) return nullptr;
  return new (std::nothrow) BmpLoader(std::move(pixels), pitch, info.desc.height,
                                      dstDesc->pitch > 0 ? dstDesc->pitch : pitch, rows > 0 ? rows : 1);
}

VMLIB_EXPORT void WAReadImage(const Str* fileName, CBmp* bitmap, ErrorStatus status) {
  auto* pixels = dynamic_cast<PixelAccess*>(bitmap);
  if (pixels == nullptr) return SetStatus(status, kErrFormat);
  Bytes file;
  if (int32_t s = vm::platform::ReadFileBytes(fileName, &file)) return SetStatus(status, s);
  for (uint8_t& b : file) b ^= kScrambleMask;
  LoadFromBytes(*bitmap, *pixels, ImageKind::kBmp, file, 1, 0, nullptr, status);
}
