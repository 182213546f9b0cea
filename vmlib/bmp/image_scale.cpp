// Reduction of pixel blocks by an integer factor.
#include <algorithm>
#include <vector>

#include "bmp/pixel_convert.h"
#include "bmp/row_sink.h"

using namespace vm::bmp;

VMLIB_EXPORT void ImageScale(void* dst, const BmpSurfaceDesc* dstDesc, const void* src,
                             const BmpSurfaceDesc* srcDesc, const BmpPalette* palette, int32_t factor,
                             int32_t rightRemainder, int32_t bottomRemainder) {
  if (dst == nullptr || src == nullptr || dstDesc == nullptr || srcDesc == nullptr || factor < 1) return;
  const bool wide = [](int32_t f) { return f == kPixX8R8G8B8 || f == kPixA8R8G8B8; }(srcDesc->pixelFormat) &&
                    (dstDesc->pixelFormat == kPixX8R8G8B8 || dstDesc->pixelFormat == kPixA8R8G8B8);
  if ((rightRemainder || bottomRemainder) && (factor != 2 || !wide))
    throw CException("ImageScale: not supported");
  const int32_t outW = std::min(dstDesc->width, srcDesc->width / factor + (rightRemainder ? 1 : 0));
  const int32_t outH = std::min(dstDesc->height, srcDesc->height / factor + (bottomRemainder ? 1 : 0));
  const int32_t work = WorkFormat(srcDesc->pixelFormat);
  auto row = [](const void* base, const BmpSurfaceDesc& d, int32_t y) {
    const int32_t m = d.direction == -1 ? d.height - 1 - y : y;
    return static_cast<const uint8_t*>(base) + static_cast<ptrdiff_t>(m) * d.pitch;
  };
  std::vector<uint32_t> wideRow(static_cast<size_t>(std::max(srcDesc->width, 0))), out(std::max(outW, 0));
  BlockReducer reducer(srcDesc->width, outW, factor);
  for (int32_t oy = 0; oy < outH; ++oy) {
    for (int32_t k = 0; k < factor; ++k) {
      const int32_t y = oy * factor + k;
      if (y >= srcDesc->height) break;
      ConvertRow(wideRow.data(), work, row(src, *srcDesc, y), srcDesc->pixelFormat, srcDesc->width, palette);
      reducer.Add(wideRow.data());
    }
    reducer.Emit(out.data());
    ConvertRow(const_cast<uint8_t*>(row(dst, *dstDesc, oy)), dstDesc->pixelFormat, out.data(), work, outW,
               palette);
  }
}
