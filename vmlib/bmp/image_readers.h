// The TGA, BMP and PCX readers over a file's bytes in memory. Each reader
// has a parse step (header, palette, the file's own description) and a
// decode step that hands every file row, in file order, to a RowSink.
#pragma once

#include <cstdint>
#include <vector>

#include "bmp/row_sink.h"
#include "vmlib/bmp.h"

namespace vm::bmp {

struct ImageInfo {
  BmpSurfaceDesc desc{};  // the file's own description
  int32_t rowFormat = 0;  // format of the rows the decoder hands on
  BmpPalette palette{};
  size_t pixelOffset = 0;     // first byte of the pixel data
  uint64_t minDataBytes = 0;  // fewest bytes of pixel data a complete file holds
  // format details
  bool runLength = false;
  int32_t compression = 0;  // BMP: 0 none, 1 RLE8, 2 RLE4
  int32_t planes = 1;
  int32_t bitsPerPlane = 8;
  int32_t bytesPerLine = 0;
};

using Bytes = std::vector<uint8_t>;

int32_t ParseTga(const Bytes& file, ImageInfo* info);
int32_t DecodeTga(const Bytes& file, const ImageInfo& info, RowSink& sink);

// Reads the BMP headers and palette (palette in blue, green, red, 0).
int32_t ParseBmpHeader(const Bytes& file, BmpFileHeader* header, BmpPalette* palette);
// The file's description from its header: 0 or 0x60003.
int32_t BmpDescOf(const BmpFileHeader& header, int32_t alphaOption, BmpSurfaceDesc* desc);
int32_t ParseBmp(const Bytes& file, int32_t alphaOption, ImageInfo* info);
int32_t DecodeBmp(const Bytes& file, const ImageInfo& info, RowSink& sink);

int32_t ParsePcx(const Bytes& file, ImageInfo* info);
int32_t DecodePcx(const Bytes& file, const ImageInfo& info, RowSink& sink);

// Error codes of the readers.
constexpr int32_t kErrShortRead = 0x10009;        // not all requested bytes could be read
constexpr int32_t kErrSeek = 0x1000C;             // file shorter than its pixel offset
constexpr int32_t kErrFormat = 0x1001F;           // damaged data
constexpr int32_t kErrHeader = 0x10020;           // invalid header
constexpr int32_t kErrVersion = 0x10021;          // unknown header version
constexpr int32_t kErrPixelFormat = 0x60001;      // unsupported pixel format
constexpr int32_t kErrAlphaBits = 0x60002;        // unknown pixel format
constexpr int32_t kErrBitCount = 0x60003;         // unsupported bit count
constexpr int32_t kErrCompression = 0x60004;      // compression method not supported
constexpr int32_t kErrCompressionType = 0x60005;  // compression method unknown
constexpr int32_t kErrPlanes = 0x60006;           // plane count not supported
constexpr int32_t kErrRightToLeft = 0x60007;      // right-to-left rows

}  // namespace vm::bmp
