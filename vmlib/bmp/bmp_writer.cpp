// Writing BMP files: a 40-byte info header, the palette for formats up to 8
// bits, then the rows bottom-up, uncompressed or RLE8.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "bmp/image_readers.h"
#include "bmp/pixel_convert.h"
#include "bmp/pixel_formats.h"
#include "platform/image_file_io.h"

namespace vm::bmp {
namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v), out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// One row of 8-bit indices as RLE8: runs of equal bytes, literal groups of
// three or more, then the end-of-line escape.
void EncodeRle8(const uint8_t* row, int32_t n, std::vector<uint8_t>& out) {
  int32_t x = 0;
  while (x < n) {
    int32_t run = 1;
    while (x + run < n && run < 255 && row[x + run] == row[x]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(row[x]);
      x += run;
      continue;
    }
    // Literal: up to the next pair of equal bytes.
    int32_t lit = 1;
    while (x + lit < n && lit < 255 && !(x + lit + 1 < n && row[x + lit] == row[x + lit + 1])) ++lit;
    if (lit < 3) {
      for (int32_t i = 0; i < lit; ++i) out.push_back(1), out.push_back(row[x + i]);
    } else {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(lit));
      out.insert(out.end(), row + x, row + x + lit);
      if (lit & 1) out.push_back(0);
    }
    x += lit;
  }
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

// Checks what BmpSave refuses before anything is written; 0 when writable.
int32_t CheckBmpOutput(int32_t outputFormat, int32_t compression) {
  if (outputFormat == kPixR5G6B5 || outputFormat < 0 || outputFormat >= kPixelFormatCount)
    return kErrPixelFormat;
  if (compression < 0 || compression > 2) return kErrCompression;
  if (compression == 1) throw CException("BmpWriteScanlineRLE4: not implemented");
  if (compression == 2 && outputFormat != kPixPal8) return kErrCompression;
  return 0;
}

}  // namespace vm::bmp

using namespace vm::bmp;

VMLIB_EXPORT void BmpSave(const Str* fileName, const void* pixels, const BmpSurfaceDesc* desc,
                          int32_t outputFormat, const BmpPalette* palette, int32_t compression,
                          BmpProgress* progress, ErrorStatus status) {
  auto set = [&](int32_t code) {
    if (status) *status = code;
  };
  if (int32_t s = CheckBmpOutput(outputFormat, compression)) return set(s);
  if (desc == nullptr || desc->width < 0 || desc->height < 0 ||
      (pixels == nullptr && desc->width * desc->height != 0))
    return set(kErrFormat);
  const int32_t bits = BitsOf(outputFormat);
  const uint32_t colours = bits <= 8 ? 1u << bits : 0;
  const uint32_t offset = 54 + 4 * colours;
  const uint32_t pitch = CalcPitch(static_cast<uint32_t>(desc->width), static_cast<uint32_t>(bits), 32);
  std::vector<uint8_t> out(offset, 0);
  out[0] = 'B', out[1] = 'M';
  Put32(out, 10, offset);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(desc->width));
  Put32(out, 22, static_cast<uint32_t>(desc->height));
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<uint32_t>(bits));
  Put32(out, 30, compression == 0 ? 0 : compression == 1 ? 2 : 1);
  Put32(out, 38, 2835);
  Put32(out, 42, 2835);
  for (uint32_t i = 0; i < colours; ++i) {
    // Without a palette, palette formats are written with a grey ramp.
    const uint32_t grey = i * 255 / (colours - 1);
    Put32(out, 54 + 4 * i, palette ? palette->entries[i] & 0x00FFFFFFu : grey | grey << 8 | grey << 16);
  }
  std::vector<uint8_t> row(pitch + 4);
  const auto* base = static_cast<const uint8_t*>(pixels);
  if (int32_t s = ReportProgress(progress, 0, desc->height)) return set(s);
  for (int32_t k = 0; k < desc->height; ++k) {
    const int32_t imageRow = desc->height - 1 - k;  // bottom-up
    const int32_t memoryRow = desc->direction == -1 ? desc->height - 1 - imageRow : imageRow;
    std::fill(row.begin(), row.end(), 0);
    ConvertRow(row.data(), outputFormat, base + static_cast<ptrdiff_t>(memoryRow) * desc->pitch,
               desc->pixelFormat, desc->width, palette);
    if (compression == 2)
      EncodeRle8(row.data(), desc->width, out);
    else
      out.insert(out.end(), row.begin(), row.begin() + pitch);
    if (int32_t s = ReportProgress(progress, k + 1, desc->height)) return set(s);
  }
  if (compression == 2) out.push_back(0), out.push_back(1);
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 34, static_cast<uint32_t>(out.size() - offset));
  set(vm::platform::WriteFileBytes(fileName, out));
}

namespace {
// Row-block writer: collects the rows and writes the file at Finish.
class BmpSaver final : public CBmpSaver {
public:
  BmpSaver(const Str* fileName, const BmpSurfaceDesc& desc, int32_t format, const BmpPalette* palette,
           int32_t compression)
      : name_(StrCreate(fileName->text, fileName->length)),
        desc_(desc),
        format_(format),
        compression_(compression),
        pixels_(static_cast<size_t>(desc.pitch) * desc.height) {
    desc_.direction = 1;
    if (palette) palette_ = *palette, hasPalette_ = true;
  }
  ~BmpSaver() override { StrDelete(name_); }
  void WriteRows(const void* rows, int32_t count) override {
    if (rows == nullptr) return;
    const int32_t n = std::min(count, desc_.height - next_);
    for (int32_t i = 0; i < n; ++i)
      std::memcpy(pixels_.data() + static_cast<size_t>(next_ + i) * desc_.pitch,
                  static_cast<const uint8_t*>(rows) + static_cast<ptrdiff_t>(i) * desc_.pitch,
                  static_cast<size_t>(desc_.pitch));
    next_ += std::max(n, 0);
  }
  void Finish(ErrorStatus status) override {
    BmpSave(name_, pixels_.data(), &desc_, format_, hasPalette_ ? &palette_ : nullptr, compression_, nullptr,
            status);
  }

private:
  Str* name_;
  BmpSurfaceDesc desc_;
  int32_t format_, compression_;
  BmpPalette palette_{};
  bool hasPalette_ = false;
  std::vector<uint8_t> pixels_;
  int32_t next_ = 0;
};
}  // namespace

VMLIB_EXPORT CBmpSaver* BmpSaverCreate(const Str* fileName, const BmpSurfaceDesc* desc, int32_t outputFormat,
                                       const BmpPalette* palette, int32_t compression, ErrorStatus status) {
  auto set = [&](int32_t code) {
    if (status) *status = code;
  };
  if (int32_t s = CheckBmpOutput(outputFormat, compression)) {
    set(s);
    return nullptr;
  }
  if (fileName == nullptr || desc == nullptr || desc->width < 0 || desc->height < 0 || desc->pitch < 0 ||
      static_cast<uint32_t>(desc->pitch) < CalcPitch(desc->width, PixelGetBitCount(desc->pixelFormat), 8)) {
    set(kErrFormat);
    return nullptr;
  }
  set(0);
  return new (std::nothrow) BmpSaver(fileName, *desc, outputFormat, palette, compression);
}
