// Where decoded file rows go: each file row is placed at its image row in
// the destination (flipping when the row directions differ), converted to
// the destination format, and reduced by the scale factor. Reports progress.
#pragma once

#include <cstdint>
#include <vector>

#include "vmlib/bmp.h"

namespace vm::bmp {

// Sums s x s blocks of 32-bit pixels, one source row at a time.
class BlockReducer {
public:
  // width: source pixels per row; outWidth: blocks per row (a last block
  // may be partial).
  BlockReducer(int32_t width, int32_t outWidth, int32_t factor);
  void Add(const uint32_t* row);
  // Writes the block means of the rows added since the last Emit: a full
  // block's channels are truncated means; a partial block has the mean
  // colour of its pixels and the sum of their alphas divided by 4.
  void Emit(uint32_t* out);

private:
  int32_t width_, outWidth_, factor_;
  std::vector<uint32_t> sums_;  // 4 per block: b, g, r, a
  std::vector<uint32_t> counts_;
};

class RowSink {
public:
  // file: the rows' own description (format rowFormat, direction); dst and
  // dstDesc: where they go; scale >= 1.
  RowSink(const BmpSurfaceDesc& file, int32_t rowFormat, const BmpPalette* palette, void* dst,
          const BmpSurfaceDesc& dstDesc, int32_t scale, BmpProgress* progress);
  // Progress at 0.0; non-zero stops the reading.
  int32_t Begin();
  // The next file row, in file order. Returns 0 or the status that stops
  // the reading (a cancelled progress).
  int32_t Put(const uint8_t* row);

private:
  uint8_t* DstRow(int32_t imageRow) const;

  BmpSurfaceDesc file_;
  int32_t rowFormat_;
  const BmpPalette* palette_;
  uint8_t* dst_;
  BmpSurfaceDesc dstDesc_;
  int32_t scale_;
  BmpProgress* progress_;
  int32_t done_ = 0;
  int32_t every_;
  int32_t pending_ = 0;  // rows added to the current block
  std::vector<uint32_t> wide_;
  std::vector<uint32_t> reduced_;
  BlockReducer reducer_;
};

// Calls the progress record for the row count done of total (every
// max(total / 200, 5) rows); returns its status.
int32_t ReportProgress(BmpProgress* progress, int32_t done, int32_t total);

}  // namespace vm::bmp
