#include "bmp/draw_aa.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "bmp/blend.h"

namespace vm::bmp {
namespace {
constexpr int64_t kOne = 65536;  // 1.0 in 16.16
constexpr int kSub = 8;          // sub-scanlines per pixel row

int64_t Fixed(double v) { return static_cast<int64_t>(std::llround(v * kOne)); }

// Blends colour into one pixel with coverage in 16.16 (0..kOne).
void Cover(const AaTarget& t, int32_t x, int32_t y, uint32_t colour, int64_t coverage) {
  if (coverage <= 0) return;
  const uint32_t a = colour >> 24;
  const uint32_t alpha = coverage >= kOne ? a : AlphaTable()[static_cast<uint32_t>((a * coverage) >> 16)];
  BlendOver(&t.rows[y][x], colour, alpha);
}

// Even-odd fill at kSub sub-scanlines per row; x coverage in 16.16.
void ScanFill(const AaTarget& t, const std::vector<BmpPointF>& p, uint32_t colour) {
  double minY = p[0].y, maxY = p[0].y, minX = p[0].x, maxX = p[0].x;
  for (const auto& q : p)
    minY = std::min(minY, q.y), maxY = std::max(maxY, q.y), minX = std::min(minX, q.x),
    maxX = std::max(maxX, q.x);
  const int32_t row0 = std::max(0, static_cast<int32_t>(std::floor(minY + 0.5)));
  const int32_t row1 = std::min(t.height - 1, static_cast<int32_t>(std::floor(maxY + 0.5)));
  const int32_t col0 = std::max(0, static_cast<int32_t>(std::floor(minX + 0.5)));
  const int32_t col1 = std::min(t.width - 1, static_cast<int32_t>(std::floor(maxX + 0.5)));
  if (row0 > row1 || col0 > col1) return;
  std::vector<int64_t> acc(static_cast<size_t>(t.width) + 1);
  std::vector<double> xs;
  const int64_t limit = static_cast<int64_t>(t.width) * kOne;
  for (int32_t y = row0; y <= row1; ++y) {
    std::fill(acc.begin() + col0, acc.begin() + col1 + 1, 0);
    for (int k = 0; k < kSub; ++k) {
      const double sy = y - 0.5 + (k + 0.5) / kSub;
      xs.clear();
      for (size_t i = 0, n = p.size(); i < n; ++i) {
        const BmpPointF& a = p[i];
        const BmpPointF& b = p[(i + 1) % n];
        if ((a.y <= sy && sy < b.y) || (b.y <= sy && sy < a.y))
          xs.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        // Pixel x spans [x - 0.5, x + 0.5): shift to edge coordinates.
        const int64_t u0 = std::clamp<int64_t>(Fixed(xs[i] + 0.5), 0, limit);
        const int64_t u1 = std::clamp<int64_t>(Fixed(xs[i + 1] + 0.5), 0, limit);
        if (u0 >= u1) continue;
        const int64_t p0 = u0 >> 16, p1 = u1 >> 16;
        if (p0 == p1) {
          acc[p0] += u1 - u0;
          continue;
        }
        acc[p0] += kOne - (u0 & 0xFFFF);
        for (int64_t q = p0 + 1; q < p1; ++q) acc[q] += kOne;
        if (p1 < t.width) acc[p1] += u1 & 0xFFFF;
      }
    }
    for (int32_t x = col0; x <= col1; ++x) Cover(t, x, y, colour, acc[x] / kSub);
  }
}

// Liang-Barsky clip of a segment to [lo, hi] on both axes.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double xlo, double xhi, double ylo,
                 double yhi) {
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy}, q[4] = {x1 - xlo, xhi - x1, y1 - ylo, yhi - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, r);
    else
      t1 = std::min(t1, r);
    if (t0 > t1) return false;
  }
  const double ax = x1 + t0 * dx, ay = y1 + t0 * dy;
  x2 = x1 + t1 * dx, y2 = y1 + t1 * dy;
  x1 = ax, y1 = ay;
  return true;
}

// Length of [a0, a1] inside [b0, b1].
double Overlap(double a0, double a1, double b0, double b1) {
  return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}
int64_t RectCoverage(int32_t x, int32_t y, double l, double t, double r, double b) {
  return Fixed(Overlap(x - 0.5, x + 0.5, l, r) * Overlap(y - 0.5, y + 0.5, t, b));
}
}  // namespace

void AaLine(const AaTarget& t, double x1, double y1, double x2, double y2, uint32_t colour, double width,
            bool includeEnd) {
  if (!ClipSegment(x1, y1, x2, y2, 0.5, t.width - 1.5 - 1e-6, 0.5, t.height - 1.5 - 1e-6)) return;
  // Whole 16.16 positions, so the same line always covers the same pixels.
  x1 = Fixed(x1) / double(kOne), y1 = Fixed(y1) / double(kOne), x2 = Fixed(x2) / double(kOne),
  y2 = Fixed(y2) / double(kOne);
  const double len = std::hypot(x2 - x1, y2 - y1);
  if (len < 1.0 / kOne || width <= 0) return;
  const double ux = (x2 - x1) / len, uy = (y2 - y1) / len, h = width / 2;
  if (includeEnd) x2 += ux * h, y2 += uy * h;
  const double nx = -uy * h, ny = ux * h;
  ScanFill(t, {{x1 + nx, y1 + ny}, {x2 + nx, y2 + ny}, {x2 - nx, y2 - ny}, {x1 - nx, y1 - ny}}, colour);
}

void AaPolygon(const AaTarget& t, const BmpPointF* points, int32_t count, uint32_t colour) {
  ScanFill(t, std::vector<BmpPointF>(points, points + count), colour);
}

void AaCircle(const AaTarget& t, double cx, double cy, double radius, uint32_t colour, double lineWidth) {
  if (radius < 0) return;
  const double h = std::max(lineWidth, 0.0) / 2;
  const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(cx - radius - h - 1)));
  const int32_t x1 = std::min(t.width - 1, static_cast<int32_t>(std::ceil(cx + radius + h + 1)));
  const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(cy - radius - h - 1)));
  const int32_t y1 = std::min(t.height - 1, static_cast<int32_t>(std::ceil(cy + radius + h + 1)));
  const int64_t fcx = Fixed(cx), fcy = Fixed(cy), fr = Fixed(radius), fh = Fixed(h);
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x) {
      const int64_t dx = x * kOne - fcx, dy = y * kOne - fcy;
      const int64_t d = static_cast<int64_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
      // Coverage falls off linearly over one pixel at both edges of the ring.
      const int64_t c = std::clamp<int64_t>(fh + kOne / 2 - std::llabs(d - fr), 0, kOne);
      Cover(t, x, y, colour, c);
    }
}

void AaRect(const AaTarget& t, const BmpRectF& rc, uint32_t border, uint32_t fill, double borderWidth) {
  double half = borderWidth / 2;
  const double limit = (std::min(rc.right - rc.left, rc.bottom - rc.top) + 1) / 2;
  if (half >= limit) half = limit;
  const BmpRectF outer{rc.left - half, rc.top - half, rc.right + half, rc.bottom + half};
  const BmpRectF inner{rc.left + half, rc.top + half, rc.right - half, rc.bottom - half};
  const double bl = -0.5, bt = -0.5, br = t.width - 0.5, bb = t.height - 0.5;
  if (std::max(inner.left, inner.right) < bl || std::min(inner.left, inner.right) > br ||
      std::max(inner.top, inner.bottom) < bt || std::min(inner.top, inner.bottom) > bb)
    return;
  // The inside is drawn only when it holds a whole pixel.
  const bool inside = std::ceil(inner.left + 0.5) <= std::floor(inner.right - 0.5) &&
                      std::ceil(inner.top + 0.5) <= std::floor(inner.bottom - 0.5);
  const int64_t maxBorder = Fixed(std::max(borderWidth, 0.0));
  const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(outer.left + 0.5)));
  const int32_t x1 = std::min(t.width - 1, static_cast<int32_t>(std::ceil(outer.right - 0.5)));
  const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(outer.top + 0.5)));
  const int32_t y1 = std::min(t.height - 1, static_cast<int32_t>(std::ceil(outer.bottom - 0.5)));
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x) {
      const int64_t oc = RectCoverage(x, y, outer.left, outer.top, outer.right, outer.bottom);
      const int64_t ic = inner.left < inner.right && inner.top < inner.bottom
                             ? RectCoverage(x, y, inner.left, inner.top, inner.right, inner.bottom)
                             : 0;
      if (inside && ic > 0) {
        if (ic >= kOne && (fill >> 24) == 255)
          t.rows[y][x] = fill;
        else
          Cover(t, x, y, fill, ic);
      }
      Cover(t, x, y, border, std::min(oc - ic, maxBorder));
    }
}

}  // namespace vm::bmp
