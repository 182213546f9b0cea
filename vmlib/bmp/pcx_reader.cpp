// PCX files.
//
//   offset size  field
//   0      1     manufacturer (10 or 0xCD)
//   1      1     version (0, 2, 3, 4, 5)
//   2      1     encoding (0 none, 1 run-length)
//   3      1     bits per pixel per plane (1, 2, 4, 8)
//   4      8     xmin, ymin, xmax, ymax (uint16)
//   16     48    16-entry palette, red, green, blue
//   65     1     planes (1 to 4)
//   66     2     bytes per line and plane (even)
//   128    ...   scanlines: for each row the planes one after another
// Files of 8 bits per pixel (version 5) end with the byte 12 and a 256-entry
// palette of 768 bytes. Run-length: a byte with both top bits set repeats the
// next byte (low six bits) times; any other byte stands for itself.
#include <cstring>

#include "bmp/byte_cursor.h"
#include "bmp/image_readers.h"
#include "vmlib/bmp.h"

namespace vm::bmp {

int32_t ParsePcx(const Bytes& file, ImageInfo* info) {
  if (file.size() < 128) return kErrHeader;
  const uint8_t* h = file.data();
  const int manufacturer = h[0], version = h[1], encoding = h[2], bits = h[3];
  const int xmin = Le16(h + 4), ymin = Le16(h + 6), xmax = Le16(h + 8), ymax = Le16(h + 10);
  const int planes = h[65], bytesPerLine = Le16(h + 66);
  const bool versionOk = version == 0 || (version >= 2 && version <= 5);
  if ((manufacturer != 10 && manufacturer != 0xCD) || !versionOk || encoding > 1 ||
      (bits != 1 && bits != 2 && bits != 4 && bits != 8) || xmax < xmin || ymax < ymin || planes < 1 ||
      planes > 4 || bytesPerLine % 2 != 0)
    return kErrHeader;
  const int32_t width = xmax - xmin + 1, height = ymax - ymin + 1;
  // A line must hold the row's pixels, or the decoder would read past it.
  if (static_cast<int64_t>(bytesPerLine) * 8 < static_cast<int64_t>(width) * bits) return kErrHeader;

  const int total = planes * bits;
  info->palette = {};
  int32_t fileFormat;
  if (total < 8) {
    for (int i = 0; i < 16; ++i) {
      const uint8_t* e = h + 16 + 3 * i;
      info->palette.entries[i] = e[2] | e[1] << 8 | static_cast<uint32_t>(e[0]) << 16;
    }
    fileFormat = total == 1 ? kPixPal1 : total == 2 ? kPixPal2 : total <= 4 ? kPixPal4 : kPixPal8;
  } else if (total == 8) {
    if (version != 5) return kErrHeader;
    if (file.size() < 128 + 769 || file[file.size() - 769] != 12) return kErrFormat;
    const uint8_t* e = file.data() + file.size() - 768;
    for (int i = 0; i < 256; ++i)
      info->palette.entries[i] = e[3 * i + 2] | e[3 * i + 1] << 8 | static_cast<uint32_t>(e[3 * i]) << 16;
    fileFormat = kPixPal8;
  } else if (bits == 8 && (planes == 3 || planes == 4)) {
    fileFormat = planes == 3 ? kPixB8G8R8 : kPixA8R8G8B8;
  } else {
    return kErrBitCount;
  }
  info->planes = planes;
  info->bitsPerPlane = bits;
  info->bytesPerLine = bytesPerLine;
  info->runLength = encoding == 1;
  info->pixelOffset = 128;
  info->desc = {fileFormat, static_cast<int32_t>(CalcPitch(width, PixelGetBitCount(fileFormat), 8)), width,
                height, 1};
  // One plane of 1 to 8 bits keeps its packed rows; several planes are
  // gathered into one byte (index) or one pixel (colour) per position.
  info->rowFormat = planes == 1 ? fileFormat : total <= 8 ? kPixPal8 : fileFormat;
  const uint64_t line = static_cast<uint64_t>(planes) * bytesPerLine;
  info->minDataBytes = (info->runLength ? (line + 62) / 63 * 2 : line) * height;
  return 0;
}

int32_t DecodePcx(const Bytes& file, const ImageInfo& info, RowSink& sink) {
  ByteCursor in(file.data(), file.size());
  in.Seek(info.pixelOffset);
  const size_t line = static_cast<size_t>(info.planes) * info.bytesPerLine;
  const int32_t w = info.desc.width;
  Bytes scan(line), row(static_cast<size_t>(w) * 4 + 4);
  if (int32_t s = sink.Begin()) return s;
  for (int32_t y = 0; y < info.desc.height; ++y) {
    if (!info.runLength) {
      const uint8_t* p = in.Take(line);
      if (p == nullptr) return kErrShortRead;
      std::memcpy(scan.data(), p, line);
    } else {
      size_t filled = 0;
      while (filled < line) {
        uint8_t b;
        if (!in.U8(&b)) return kErrShortRead;
        size_t count = 1;
        if ((b & 0xC0) == 0xC0) {
          count = b & 0x3F;
          if (!in.U8(&b)) return kErrShortRead;
        }
        // A run may not carry on past the row's bytes.
        if (filled + count > line) return kErrFormat;
        std::memset(scan.data() + filled, b, count);
        filled += count;
      }
    }
    const uint8_t* out = scan.data();
    if (info.planes > 1) {
      const int bits = info.bitsPerPlane;
      if (bits == 8) {  // colour planes red, green, blue (and alpha) into B, G, R(, A)
        const int order[4] = {2, 1, 0, 3};
        for (int32_t x = 0; x < w; ++x)
          for (int p = 0; p < info.planes; ++p)
            row[x * info.planes + order[p]] = scan[p * info.bytesPerLine + x];
      } else {
        for (int32_t x = 0; x < w; ++x) {
          uint32_t index = 0;
          for (int p = 0; p < info.planes; ++p) {
            const uint8_t* plane = scan.data() + static_cast<size_t>(p) * info.bytesPerLine;
            const int perByte = 8 / bits, shift = (perByte - 1 - x % perByte) * bits;
            index |= ((plane[x / perByte] >> shift) & ((1u << bits) - 1)) << (p * bits);
          }
          row[x] = static_cast<uint8_t>(index);
        }
      }
      out = row.data();
    }
    if (int32_t s = sink.Put(out)) return s;
  }
  return 0;
}

}  // namespace vm::bmp
