#include "bmp/row_sink.h"

#include <algorithm>

#include "bmp/pixel_convert.h"

namespace vm::bmp {

BlockReducer::BlockReducer(int32_t width, int32_t outWidth, int32_t factor)
    : width_(width),
      outWidth_(outWidth),
      factor_(factor),
      sums_(static_cast<size_t>(std::max(outWidth, 0)) * 4),
      counts_(static_cast<size_t>(std::max(outWidth, 0))) {}

void BlockReducer::Add(const uint32_t* row) {
  const int32_t n = std::min(width_, outWidth_ * factor_);
  for (int32_t x = 0; x < n; ++x) {
    const uint32_t v = row[x];
    uint32_t* s = &sums_[static_cast<size_t>(x / factor_) * 4];
    s[0] += v & 0xFF, s[1] += v >> 8 & 0xFF, s[2] += v >> 16 & 0xFF, s[3] += v >> 24;
    ++counts_[x / factor_];
  }
}

void BlockReducer::Emit(uint32_t* out) {
  const uint32_t full = static_cast<uint32_t>(factor_ * factor_);
  for (int32_t i = 0; i < outWidth_; ++i) {
    uint32_t* s = &sums_[static_cast<size_t>(i) * 4];
    const uint32_t n = counts_[i];
    uint32_t v = 0;
    if (n != 0) {
      const uint32_t a = n == full ? s[3] / n : s[3] / 4;
      v = (a << 24) | (s[2] / n) << 16 | (s[1] / n) << 8 | (s[0] / n);
    }
    out[i] = v;
    s[0] = s[1] = s[2] = s[3] = 0;
    counts_[i] = 0;
  }
}

int32_t ReportProgress(BmpProgress* progress, int32_t done, int32_t total) {
  if (progress == nullptr || progress->callback == nullptr || total <= 0) return 0;
  const int32_t every = std::max(total / 200, 5);
  if (done != 0 && done % every != 0) return 0;
  return progress->callback(progress, static_cast<double>(done) / total);
}

RowSink::RowSink(const BmpSurfaceDesc& file, int32_t rowFormat, const BmpPalette* palette, void* dst,
                 const BmpSurfaceDesc& dstDesc, int32_t scale, BmpProgress* progress)
    : file_(file),
      rowFormat_(rowFormat),
      palette_(palette),
      dst_(static_cast<uint8_t*>(dst)),
      dstDesc_(dstDesc),
      scale_(std::max(scale, 1)),
      progress_(progress),
      every_(std::max(file.height / 200, 5)),
      reducer_(file.width, std::min(dstDesc.width, file.width / std::max(scale, 1)), std::max(scale, 1)) {
  if (scale_ > 1) {
    wide_.resize(static_cast<size_t>(std::max(file.width, 0)));
    reduced_.resize(static_cast<size_t>(std::max(dstDesc.width, 0)));
  }
}

int32_t RowSink::Begin() { return ReportProgress(progress_, 0, file_.height); }

uint8_t* RowSink::DstRow(int32_t imageRow) const {
  if (imageRow < 0 || imageRow >= dstDesc_.height) return nullptr;
  const int32_t memoryRow = dstDesc_.direction == -1 ? dstDesc_.height - 1 - imageRow : imageRow;
  return dst_ + static_cast<ptrdiff_t>(memoryRow) * dstDesc_.pitch;
}

int32_t RowSink::Put(const uint8_t* row) {
  const int32_t k = done_++;
  const int32_t imageRow = file_.direction == -1 ? file_.height - 1 - k : k;
  if (scale_ == 1) {
    if (uint8_t* d = DstRow(imageRow))
      ConvertRow(d, dstDesc_.pixelFormat, row, rowFormat_, std::min(dstDesc_.width, file_.width), palette_);
  } else if (imageRow < (file_.height / scale_) * scale_) {
    const int32_t work = WorkFormat(rowFormat_);
    ConvertRow(wide_.data(), work, row, rowFormat_, file_.width, palette_);
    reducer_.Add(wide_.data());
    if (++pending_ == scale_) {
      pending_ = 0;
      const int32_t outWidth = std::min(dstDesc_.width, file_.width / scale_);
      reducer_.Emit(reduced_.data());
      if (uint8_t* d = DstRow(imageRow / scale_))
        ConvertRow(d, dstDesc_.pixelFormat, reduced_.data(), work, outWidth, palette_);
    }
  }
  return ReportProgress(progress_, done_, file_.height);
}

}  // namespace vm::bmp
