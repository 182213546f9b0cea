// BMP files.
//
//   offset size  field
//   0      2     "BM"
//   2      4     file size
//   6      4     two reserved uint16
//   10     4     offset of the pixels
//   14     4     info-header size: 40 standard; 12 and 240 core layout
//   standard (40): width i32, height i32 (negative: rows top-down), planes u16,
//     bit count u16, compression u32, image size, x and y pixels per metre,
//     colours used, colours important
//   core (12, 240): width u16, height u16, planes u16, bit count u16; 240
//     continues with compression u32 and colours used u32
//   palette: after the info header for up to 8 bits; colours used entries
//     (2^bits when 0), 3 bytes each for the core layouts, 4 for 40
// Rows are padded to 4 bytes and run bottom-up.
#include <cstring>

#include "bmp/byte_cursor.h"
#include "bmp/image_readers.h"
#include "vmlib/bmp.h"

namespace vm::bmp {

int32_t ParseBmpHeader(const Bytes& file, BmpFileHeader* header, BmpPalette* palette) {
  if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return kErrHeader;
  if (file.size() < 18) return kErrHeader;
  const uint8_t* p = file.data();
  BmpFileHeader h{};
  h.fileSize = Le32(p + 2);
  h.pixelOffset = Le32(p + 10);
  h.infoSize = Le32(p + 14);
  const uint8_t* info = p + 18;
  const size_t have = file.size() - 18;
  if (h.infoSize == 12 || h.infoSize == 240) {
    if (have < (h.infoSize == 12 ? 8u : 16u)) return kErrHeader;
    h.width = Le16(info);
    h.height = Le16(info + 2);
    h.planes = Le16(info + 4);
    h.bitCount = Le16(info + 6);
    if (h.infoSize == 240) {
      h.compression = Le32(info + 8);
      h.coloursUsed = Le32(info + 12);
    }
  } else if (h.infoSize == 40) {
    if (have < 36) return kErrHeader;
    h.width = static_cast<int32_t>(Le32(info));
    h.height = static_cast<int32_t>(Le32(info + 4));
    h.planes = Le16(info + 8);
    h.bitCount = Le16(info + 10);
    h.compression = Le32(info + 12);
    h.imageSize = Le32(info + 16);
    h.xPelsPerMeter = static_cast<int32_t>(Le32(info + 20));
    h.yPelsPerMeter = static_cast<int32_t>(Le32(info + 24));
    h.coloursUsed = Le32(info + 28);
    h.coloursImportant = Le32(info + 32);
  } else {
    return kErrVersion;
  }
  if (h.width < 0 || h.height == INT32_MIN) return kErrHeader;
  if (h.planes != 1) return kErrPlanes;
  switch (h.bitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return kErrBitCount;
  }
  if (palette) *palette = {};
  if (h.bitCount <= 8) {
    const uint32_t count = h.coloursUsed != 0 ? h.coloursUsed : 1u << h.bitCount;
    if (count > 256) return kErrFormat;
    const size_t entry = h.infoSize == 40 ? 4 : 3;
    ByteCursor in(file.data(), file.size());
    if (!in.Seek(14 + static_cast<size_t>(h.infoSize))) return kErrFormat;
    const uint8_t* e = in.Take(count * entry);
    if (e == nullptr) return kErrFormat;
    if (palette)
      for (uint32_t i = 0; i < count; ++i)
        palette->entries[i] =
            e[i * entry] | e[i * entry + 1] << 8 | static_cast<uint32_t>(e[i * entry + 2]) << 16;
  }
  if (h.compression > 2 || (h.compression == 1 && h.bitCount != 8) || (h.compression == 2 && h.bitCount != 4))
    return kErrCompression;
  if (h.compression != 0 && h.height < 0) return kErrFormat;  // run-length rows are always bottom-up
  *header = h;
  return 0;
}

int32_t BmpDescOf(const BmpFileHeader& h, int32_t alphaOption, BmpSurfaceDesc* desc) {
  int32_t format;
  switch (h.bitCount) {
    case 1:
      format = kPixPal1;
      break;
    case 2:
      format = kPixPal2;
      break;
    case 4:
      format = kPixPal4;
      break;
    case 8:
      format = kPixPal8;
      break;
    case 16:
      format = alphaOption ? kPixA1R5G5B5 : kPixX1R5G5B5;
      break;
    case 24:
      format = kPixB8G8R8;
      break;
    case 32:
      format = alphaOption ? kPixA8R8G8B8 : kPixX8R8G8B8;
      break;
    default:
      return kErrBitCount;
  }
  const int32_t height = h.height < 0 ? -h.height : h.height;
  *desc = {format, static_cast<int32_t>(CalcPitch(static_cast<uint32_t>(h.width), h.bitCount, 32)), h.width,
           height, h.height < 0 ? 1 : -1};
  return 0;
}

int32_t ParseBmp(const Bytes& file, int32_t alphaOption, ImageInfo* info) {
  BmpFileHeader h;
  if (int32_t s = ParseBmpHeader(file, &h, &info->palette)) return s;
  if (int32_t s = BmpDescOf(h, alphaOption, &info->desc)) return s;
  info->compression = static_cast<int32_t>(h.compression);
  info->pixelOffset = h.pixelOffset;
  // Run-length rows are decoded into 8-bit indices.
  info->rowFormat = h.compression == 0 ? info->desc.pixelFormat : kPixPal8;
  info->minDataBytes = h.compression == 0 ? static_cast<uint64_t>(info->desc.pitch) * info->desc.height : 2;
  return 0;
}

namespace {
// Run-length BMP data: (count, value) runs and escapes 0 0 end of line,
// 0 1 end of bitmap, 0 2 dx dy move, 0 n n literal pixels padded to a
// 16-bit boundary. Pixels beyond the row's end are dropped; rows left out
// by moves or by an early end are index 0.
int32_t DecodeRle(ByteCursor& in, const ImageInfo& info, RowSink& sink) {
  const bool four = info.compression == 2;
  const int32_t w = info.desc.width, h = info.desc.height;
  Bytes row(static_cast<size_t>(w));
  int32_t y = 0, x = 0;
  auto emit = [&]() -> int32_t {
    int32_t s = sink.Put(row.data());
    std::fill(row.begin(), row.end(), 0);
    ++y;
    x = 0;
    return s;
  };
  auto put = [&](uint8_t index) {
    if (x < w) row[x] = index;
    ++x;
  };
  while (y < h) {
    const uint8_t* pair = in.Take(2);
    if (pair == nullptr) return kErrShortRead;
    if (pair[0] != 0) {
      for (int i = 0; i < pair[0]; ++i) put(four ? (i & 1 ? pair[1] & 0x0F : pair[1] >> 4) : pair[1]);
      continue;
    }
    switch (pair[1]) {
      case 0:
        if (int32_t s = emit()) return s;
        break;
      case 1:
        while (y < h)
          if (int32_t s = emit()) return s;
        return 0;
      case 2: {
        const uint8_t* d = in.Take(2);
        if (d == nullptr) return kErrShortRead;
        if (y + d[1] >= h) return kErrFormat;  // a move may not leave the image
        for (int i = 0; i < d[1]; ++i) {
          const int32_t keepX = x;
          if (int32_t s = emit()) return s;
          x = keepX;
        }
        x += d[0];
        break;
      }
      default: {
        const int n = pair[1];
        const size_t bytes = four ? (n + 1) / 2 : n;
        const uint8_t* v = in.Take((bytes + 1) & ~size_t{1});
        if (v == nullptr) return kErrShortRead;
        for (int i = 0; i < n; ++i) put(four ? (i & 1 ? v[i / 2] & 0x0F : v[i / 2] >> 4) : v[i]);
      }
    }
  }
  return 0;
}
}  // namespace

int32_t DecodeBmp(const Bytes& file, const ImageInfo& info, RowSink& sink) {
  ByteCursor in(file.data(), file.size());
  if (!in.Seek(info.pixelOffset)) return kErrSeek;
  if (int32_t s = sink.Begin()) return s;
  if (info.compression != 0) return DecodeRle(in, info, sink);
  for (int32_t y = 0; y < info.desc.height; ++y) {
    const uint8_t* p = in.Take(static_cast<size_t>(info.desc.pitch));
    if (p == nullptr) return kErrShortRead;
    if (int32_t s = sink.Put(p)) return s;
  }
  return 0;
}

}  // namespace vm::bmp
