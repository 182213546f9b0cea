// TGA files.
//
//   offset size  field
//   0      1     ID length
//   1      1     colour-map type (0 none, 1 present)
//   2      1     image type: 1 colour-mapped, 2 true colour, 3 grey; +8 run-length
//   3      2     colour-map first entry (not used: index 0 is the map's first entry)
//   5      2     colour-map length
//   7      1     colour-map entry size in bits
//   8      4     x and y origin (not used)
//   12     2     width
//   14     2     height
//   16     1     pixel depth
//   17     1     descriptor: bits 0-3 alpha bits, bit 4 right to left, bit 5 top down
//   18     ...   image ID, colour map, pixels
// A file whose 16 bytes from 18 before its end read "TRUEVISION-XFILE" is
// taken as valid without the header checks.
#include <cstring>

#include "bmp/byte_cursor.h"
#include "bmp/image_readers.h"
#include "vmlib/bmp.h"

namespace vm::bmp {
namespace {
bool OneOf(int v, std::initializer_list<int> set) {
  for (int s : set)
    if (v == s) return true;
  return false;
}
}  // namespace

int32_t ParseTga(const Bytes& file, ImageInfo* info) {
  if (file.size() < 18) return kErrHeader;
  const uint8_t* h = file.data();
  const int idLength = h[0], mapType = h[1], imageType = h[2];
  const int mapLength = Le16(h + 5), entryBits = h[7];
  const int width = Le16(h + 12), height = Le16(h + 14), depth = h[16], descriptor = h[17];

  const bool footer = std::memcmp(file.data() + file.size() - 18, "TRUEVISION-XFILE", 16) == 0;
  if (!footer) {
    if (!OneOf(imageType, {0, 1, 2, 3, 9, 10, 11}) || mapType > 1 ||
        (mapType == 1 && !OneOf(entryBits, {15, 16, 24, 32})) || !OneOf(depth, {8, 15, 16, 24, 32}))
      return kErrHeader;
  }

  const size_t entryBytes = (static_cast<size_t>(entryBits) + 7) / 8;
  const size_t mapStart = 18 + static_cast<size_t>(idLength);
  info->palette = {};
  if (imageType == 3 || imageType == 11) {
    for (uint32_t i = 0; i < 256; ++i) info->palette.entries[i] = i | i << 8 | i << 16;
  } else if (mapType == 1) {
    if (!OneOf(entryBits, {15, 16, 24, 32})) return kErrHeader;
    ByteCursor map(file.data(), file.size());
    if (!map.Seek(mapStart)) return kErrSeek;
    const int kept = mapLength < 256 ? mapLength : 256;
    for (int i = 0; i < kept; ++i) {
      const uint8_t* e = map.Take(entryBytes);
      if (e == nullptr) return kErrSeek;
      if (entryBytes >= 3) {
        info->palette.entries[i] = e[0] | e[1] << 8 | static_cast<uint32_t>(e[2]) << 16;
      } else {
        const uint32_t v = Le16(e);
        info->palette.entries[i] = ((v << 3) & 0xF8) | ((v >> 2) & 0xF8) << 8 | ((v >> 7) & 0xF8) << 16;
      }
    }
  }

  int32_t format;
  switch (depth) {
    case 8:
      format = kPixPal8;
      break;
    case 16: {
      const int alphaBits = descriptor & 0x0F;
      if (alphaBits > 1) return kErrAlphaBits;
      format = alphaBits == 0 ? kPixR5G6B5 : kPixX1R5G5B5;
      break;
    }
    case 24:
      format = kPixB8G8R8;
      break;
    case 32:
      format = kPixA8R8G8B8;
      break;
    default:
      return kErrBitCount;
  }
  if (descriptor & 0x10) return kErrRightToLeft;
  if (imageType <= 3)
    info->runLength = false;
  else if (imageType >= 9 && imageType <= 11)
    info->runLength = true;
  else
    return kErrCompressionType;

  info->pixelOffset = mapStart + static_cast<size_t>(mapLength) * entryBytes;
  if (file.size() < info->pixelOffset) return kErrSeek;
  const int32_t bytes = depth / 8;
  info->desc = {format, width * bytes, width, height, (descriptor & 0x20) ? 1 : -1};
  info->rowFormat = format;
  // A run-length packet covers at most 128 pixels with 1 + bytes bytes.
  const uint64_t rowBytes = info->runLength ? (static_cast<uint64_t>(width) + 127) / 128 * (1 + bytes)
                                            : static_cast<uint64_t>(width) * bytes;
  info->minDataBytes = rowBytes * height;
  return 0;
}

int32_t DecodeTga(const Bytes& file, const ImageInfo& info, RowSink& sink) {
  ByteCursor in(file.data(), file.size());
  in.Seek(info.pixelOffset);
  const size_t bytes = static_cast<size_t>(PixelGetBitCount(info.desc.pixelFormat) / 8);
  const size_t rowBytes = static_cast<size_t>(info.desc.width) * bytes;
  Bytes row(rowBytes);
  if (int32_t s = sink.Begin()) return s;
  for (int32_t y = 0; y < info.desc.height; ++y) {
    if (!info.runLength) {
      const uint8_t* p = in.Take(rowBytes);
      if (p == nullptr) return kErrShortRead;
      std::memcpy(row.data(), p, rowBytes);
    } else {
      // Packets fill the scanline exactly; one that runs past its end is damage.
      size_t filled = 0;
      while (filled < rowBytes) {
        uint8_t head;
        if (!in.U8(&head)) return kErrShortRead;
        const size_t count = (head & 0x7F) + 1u;
        if (filled + count * bytes > rowBytes) return kErrFormat;
        if (head & 0x80) {
          const uint8_t* v = in.Take(bytes);
          if (v == nullptr) return kErrShortRead;
          for (size_t i = 0; i < count; ++i) std::memcpy(row.data() + filled + i * bytes, v, bytes);
        } else {
          const uint8_t* v = in.Take(count * bytes);
          if (v == nullptr) return kErrShortRead;
          std::memcpy(row.data() + filled, v, count * bytes);
        }
        filled += count * bytes;
      }
    }
    if (int32_t s = sink.Put(row.data())) return s;
  }
  return 0;
}

}  // namespace vm::bmp
