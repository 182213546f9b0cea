// Anti-aliased drawing into 32-bit pixel rows: lines, circles, polygons and
// rectangles. Coverage is computed in 16.16 fixed point; a fully covered
// pixel takes the colour's alpha, a partly covered one the alpha table's
// entry for colour alpha x coverage.
#pragma once

#include <cstdint>

#include "vmlib/bmp.h"

namespace vm::bmp {

struct AaTarget {
  uint32_t* const* rows;
  int32_t width;
  int32_t height;
};

void AaLine(const AaTarget& t, double x1, double y1, double x2, double y2, uint32_t colour, double width,
            bool includeEnd);
void AaPolygon(const AaTarget& t, const BmpPointF* points, int32_t count, uint32_t colour);
void AaCircle(const AaTarget& t, double cx, double cy, double radius, uint32_t colour, double lineWidth);
void AaRect(const AaTarget& t, const BmpRectF& rect, uint32_t border, uint32_t fill, double borderWidth);

}  // namespace vm::bmp
