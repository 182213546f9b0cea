// CBmp32: 32-bit pixels 0xAARRGGBB with the drawing and blending operations.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "bmp/bitmap_object.h"
#include "bmp/blend.h"
#include "bmp/draw_aa.h"

namespace vm::bmp {
namespace {

class Bmp32 final : public BitmapObject<CBmp32, uint32_t, kPixA8R8G8B8> {
public:
  using BitmapObject::BitmapObject;

  uint8_t* AlphaBackup(const BmpRect& rect) override {
    BmpRect r;
    if (bits_ == nullptr || !Clip(rect, &r)) return nullptr;
    auto* saved = new uint8_t[static_cast<size_t>(r.right - r.left) * (r.bottom - r.top)];
    uint8_t* out = saved;
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) *out++ = static_cast<uint8_t>(rows_[y][x] >> 24);
    return saved;
  }
  void AlphaRestore(const BmpRect& rect, uint8_t* saved) override {
    BmpRect r;
    if (saved == nullptr) return;
    if (bits_ != nullptr && Clip(rect, &r)) {
      const uint8_t* in = saved;
      for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
          rows_[y][x] = (rows_[y][x] & 0x00FFFFFFu) | (static_cast<uint32_t>(*in++) << 24);
    }
    delete[] saved;
  }

  void CopyFrom(const CBmp32* source) override {
    if (source == nullptr) return;
    SetSize(source->GetWidth(), source->GetHeight());
    BmpRect whole;
    source->GetRect(&whole);
    source->Draw(this, 0, 0, whole, bmBlendCopy, 255);
  }

  void ScaleToFit(const CBmp32* source, int32_t sizeA, int32_t sizeB) override {
    if (source == nullptr) return;
    const int32_t longest = std::max(source->GetWidth(), source->GetHeight());
    if (longest <= 0) {
      SetSize(0, 0);
      return;
    }
    const double s = static_cast<double>(std::max(sizeA, sizeB)) / longest;
    SetSize(static_cast<int32_t>(std::floor(source->GetWidth() * s + 0.5)),
            static_cast<int32_t>(std::floor(source->GetHeight() * s + 0.5)));
    BmpRectF from, to;
    source->GetBounds(&from.left, &from.top, &from.right, &from.bottom);
    GetBounds(&to.left, &to.top, &to.right, &to.bottom);
    source->StretchDraw(this, to, from, bmBlendCopy, 255);
  }

  void StretchDraw(CBmp32* destination, const BmpRectF& dstRect, const BmpRectF& srcRect, int32_t mode,
                   uint8_t alpha) const override;

  void DrawCircle(double cx, double cy, double radius, uint32_t colour, double lineWidth) override {
    if (bits_ == nullptr) return;
    if (cx + radius < 0 || cy + radius < 0 || cx - radius > width_ || cy - radius > height_) return;
    if (radius > 32768) return;
    if (std::fabs(std::hypot(cx - centreX_, cy - centreY_) - radius) > radius_) return;
    AaCircle(Target(), cx, cy, radius, colour, lineWidth);
  }

  void Draw(CBmp32* destination, int32_t x, int32_t y, const BmpRect& src, int32_t mode,
            uint8_t alpha) const override {
    BlendRowFn routine = DrawRoutine(mode);
    if (destination == nullptr || routine == nullptr || bits_ == nullptr) return;
    if (src.top >= src.bottom || src.left >= src.right) return;
    // Clip to this bitmap, then to the destination, moving the target along.
    int64_t l = src.left, t = src.top, r = src.right, b = src.bottom, dx = x, dy = y;
    if (l < 0) dx -= l, l = 0;
    if (t < 0) dy -= t, t = 0;
    r = std::min<int64_t>(r, width_);
    b = std::min<int64_t>(b, height_);
    if (dx < 0) l -= dx, dx = 0;
    if (dy < 0) t -= dy, dy = 0;
    r = std::min<int64_t>(r, l + (destination->GetWidth() - dx));
    b = std::min<int64_t>(b, t + (destination->GetHeight() - dy));
    if (l >= r || t >= b) return;
    const int32_t n = static_cast<int32_t>(r - l);
    for (int64_t row = t; row < b; ++row)
      routine(destination->GetRow(static_cast<int32_t>(dy + row - t)) + dx, rows_[row] + l, n, alpha);
  }

  void DrawLine(double x1, double y1, double x2, double y2, uint32_t colour, double width,
                bool includeEnd) override {
    if (bits_ == nullptr) return;
    AaLine(Target(), x1, y1, x2, y2, colour, width, includeEnd);
  }

  void FillPolygon(const BmpPointF* points, int32_t count, uint32_t colour) override {
    if (bits_ == nullptr || points == nullptr || count < 3 || (colour >> 24) == 0) return;
    AaPolygon(Target(), points, count, colour);
  }

  void DrawPolyline(const BmpPointF* points, int32_t count, uint32_t colour, bool closed) override {
    if (bits_ == nullptr || points == nullptr || count < 1) return;
    if (count == 1) {
      if (!closed) return;
      const double px = std::floor(points[0].x + 0.5), py = std::floor(points[0].y + 0.5);
      if (px >= 1 && px < width_ && py >= 1 && py < height_)
        BlendOver(&rows_[static_cast<int32_t>(py)][static_cast<int32_t>(px)], colour, colour >> 24);
      return;
    }
    for (int32_t i = 0; i + 1 < count; ++i)
      DrawLine(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, colour, 1.0,
               !closed && i + 2 == count);
    if (closed)
      DrawLine(points[count - 1].x, points[count - 1].y, points[0].x, points[0].y, colour, 1.0, false);
  }

  void DrawRect(const BmpRectF& rect, uint32_t borderColour, uint32_t fillColour,
                double borderWidth) override {
    if (bits_ == nullptr) return;
    AaRect(Target(), rect, borderColour, fillColour, borderWidth);
  }

  void DrawTransform(CBmp32* destination, const BmpRect& src, const BmpTransform& transform, int32_t mode,
                     uint8_t alpha) const override;

  void Fill(uint32_t colour) override {
    if (bits_ == nullptr) return;
    uint32_t* first = rows_[0];
    for (int32_t x = 0; x < width_; ++x) first[x] = colour;
    // Double the filled block until every row is done.
    const size_t total = static_cast<size_t>(pitch_) * height_;
    size_t done = pitch_;
    while (done < total) {
      const size_t n = std::min(done, total - done);
      std::memcpy(bits_ + done, bits_, n);
      done += n;
    }
  }

  void MirrorHorizontal() override {
    for (int32_t y = 0; y < height_; ++y) std::reverse(rows_[y], rows_[y] + width_);
  }
  void MirrorVertical() override {
    for (int32_t y = 0, z = height_ - 1; y < z; ++y, --z)
      std::swap_ranges(rows_[y], rows_[y] + width_, rows_[z]);
  }
  uint32_t* GetPixels() const override { return reinterpret_cast<uint32_t*>(bits_); }
  uint32_t* GetRow(int32_t y) const override {
    return rows_ != nullptr && y >= 0 && y <= height_ ? rows_[y] : nullptr;
  }
  bool IsEqual(const CBmp32* other) const override {
    if (other == nullptr || other->GetWidth() != width_ || other->GetHeight() != height_) return false;
    for (int32_t y = 0; y < height_; ++y)
      if (std::memcmp(rows_[y], other->GetRow(y), static_cast<size_t>(width_) * 4) != 0) return false;
    return true;
  }
  void SetAlpha(uint8_t alpha) override {
    const uint32_t a = static_cast<uint32_t>(alpha) << 24;
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x) rows_[y][x] = (rows_[y][x] & 0x00FFFFFFu) | a;
  }
  void SetAlphaByColourKey(uint8_t keyAlpha, uint8_t otherAlpha, uint32_t key) override {
    const uint32_t k = key & 0x00FFFFFFu, ka = static_cast<uint32_t>(keyAlpha) << 24,
                   oa = static_cast<uint32_t>(otherAlpha) << 24;
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x) {
        const uint32_t c = rows_[y][x] & 0x00FFFFFFu;
        rows_[y][x] = c | (c == k ? ka : oa);
      }
  }
  void PlotAA(double x, double y, uint32_t colour) override {
    if (!(x > 1 && x < width_ - 2 && y > 1 && y < height_ - 2)) return;
    const int32_t x0 = static_cast<int32_t>(std::floor(x)), y0 = static_cast<int32_t>(std::floor(y));
    // 16.16 fractions give the four weights.
    const uint32_t fx = static_cast<uint32_t>((x - x0) * 65536.0),
                   fy = static_cast<uint32_t>((y - y0) * 65536.0);
    const uint32_t a = colour >> 24;
    const uint64_t w[4] = {uint64_t(65536 - fx) * (65536 - fy), uint64_t(fx) * (65536 - fy),
                           uint64_t(65536 - fx) * fy, uint64_t(fx) * fy};
    for (int i = 0; i < 4; ++i)
      BlendOver(&rows_[y0 + i / 2][x0 + i % 2], colour, static_cast<uint32_t>((w[i] * a) >> 32));
  }

private:
  AaTarget Target() const { return {rows_, width_, height_}; }
};

// Moves the edges of a that lie outside [lo, hi) on one axis to the bounds
// and the same edges of b by the same share of its extent; false when
// nothing is left.
bool ClipAxis(double& a0, double& a1, double& b0, double& b1, double lo, double hi) {
  if (a0 < lo) {
    const double extent = a1 - a0;
    if (extent <= 0) return false;
    const double t = (lo - a0) / extent;
    if (t >= 1) return false;
    b0 += t * (b1 - b0);
    a0 = lo;
  }
  if (a1 > hi) {
    const double extent = a1 - a0;
    if (extent <= 0) return false;
    const double t = (a1 - hi) / extent;
    if (t >= 1) return false;
    b1 -= t * (b1 - b0);
    a1 = hi;
  }
  return a1 - a0 > 0;
}

void Bmp32::StretchDraw(CBmp32* destination, const BmpRectF& dstRect, const BmpRectF& srcRect, int32_t mode,
                        uint8_t alpha) const {
  BlendPixelFn routine = StretchRoutine(mode);
  if (destination == nullptr || routine == nullptr || bits_ == nullptr) return;
  BmpRectF s = srcRect, d = dstRect;
  const double dw0 = destination->GetWidth() - 0.5, dh0 = destination->GetHeight() - 0.5;
  if (!ClipAxis(s.left, s.right, d.left, d.right, -0.5, width_ - 0.5)) return;
  if (!ClipAxis(s.top, s.bottom, d.top, d.bottom, -0.5, height_ - 0.5)) return;
  if (!ClipAxis(d.left, d.right, s.left, s.right, -0.5, dw0)) return;
  if (!ClipAxis(d.top, d.bottom, s.top, s.bottom, -0.5, dh0)) return;
  auto round = [](double v) { return static_cast<int32_t>(std::floor(v + 0.5)); };
  const BmpRect rs{round(s.left), round(s.top), round(s.right), round(s.bottom)};
  const BmpRect rd{round(d.left), round(d.top), round(d.right), round(d.bottom)};
  if (rs.left >= rs.right || rs.top >= rs.bottom) return;
  const int64_t dw = rd.right - rd.left, dh = rd.bottom - rd.top;
  if (dw <= 0 || dh <= 0) return;
  if (dw == rs.right - rs.left && dh == rs.bottom - rs.top) {
    Draw(destination, rd.left, rd.top, rs, mode, alpha);
    return;
  }
  // Nearest neighbour in integers: column i takes
  // (floor(dw^2 (S.left + 0.5)) + i floor((S.right - S.left) dw)) / dw^2.
  // 64 bits keep large bitmaps from wrapping.
  const uint64_t dw2 = uint64_t(dw) * dw, dh2 = uint64_t(dh) * dh;
  const uint64_t x0 = static_cast<uint64_t>(std::floor(double(dw2) * (s.left + 0.5)));
  const uint64_t xs = static_cast<uint64_t>(std::floor((s.right - s.left) * double(dw)));
  const uint64_t y0 = static_cast<uint64_t>(std::floor(double(dh2) * (s.top + 0.5)));
  const uint64_t ys = static_cast<uint64_t>(std::floor((s.bottom - s.top) * double(dh)));
  std::vector<int32_t> columns(static_cast<size_t>(dw));
  for (int64_t i = 0; i < dw; ++i)
    columns[i] = static_cast<int32_t>(std::min<uint64_t>((x0 + i * xs) / dw2, width_ - 1));
  for (int64_t j = 0; j < dh; ++j) {
    const int32_t sy = static_cast<int32_t>(std::min<uint64_t>((y0 + j * ys) / dh2, height_ - 1));
    const uint32_t* srow = rows_[sy];
    uint32_t* drow = destination->GetRow(static_cast<int32_t>(rd.top + j)) + rd.left;
    for (int64_t i = 0; i < dw; ++i) routine(&drow[i], srow[columns[i]], alpha);
  }
}

void Bmp32::DrawTransform(CBmp32* destination, const BmpRect& src, const BmpTransform& m, int32_t mode,
                          uint8_t alpha) const {
  if (mode == bmBlendMaxAlpha) throw CException("CBmp32::DrawTransform: bmBlendMaxAlpha not implemented");
  if (mode == bmBlendDisabled) throw CException("CBmp32::DrawTransform: bmBlendDisabled not implemented");
  if (mode < 0 || mode > bmBlendDisabled) throw CException("CBmp32::DrawTransform: unknown case");
  BmpRect s;
  if (destination == nullptr || bits_ == nullptr || !Clip(src, &s)) return;
  const double det = m.m11 * m.m22 - m.m12 * m.m21;
  if (std::fabs(det) < 1e-12) return;
  // Bounding box of the mapped source rect's pixel edges.
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int c = 0; c < 4; ++c) {
    const double sx = (c & 1 ? s.right : s.left) - 0.5, sy = (c & 2 ? s.bottom : s.top) - 0.5;
    const double tx = m.m11 * sx + m.m12 * sy + m.dx, ty = m.m21 * sx + m.m22 * sy + m.dy;
    minX = std::min(minX, tx), maxX = std::max(maxX, tx), minY = std::min(minY, ty),
    maxY = std::max(maxY, ty);
  }
  const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(std::max(minX, -1.0))));
  const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(std::max(minY, -1.0))));
  const int32_t x1 = static_cast<int32_t>(std::min<double>(std::ceil(maxX), destination->GetWidth() - 1));
  const int32_t y1 = static_cast<int32_t>(std::min<double>(std::ceil(maxY), destination->GetHeight() - 1));
  const double i11 = m.m22 / det, i12 = -m.m12 / det, i21 = -m.m21 / det, i22 = m.m11 / det;
  BlendRowFn routine = DrawRoutine(mode);
  // Each destination pixel centre is mapped back and takes the nearest source pixel.
  for (int32_t y = y0; y <= y1; ++y) {
    uint32_t* drow = destination->GetRow(y);
    for (int32_t x = x0; x <= x1; ++x) {
      const double px = x - m.dx, py = y - m.dy;
      const double sx = std::floor(i11 * px + i12 * py + 0.5), sy = std::floor(i21 * px + i22 * py + 0.5);
      if (sx < s.left || sx >= s.right || sy < s.top || sy >= s.bottom) continue;
      routine(&drow[x], &rows_[static_cast<int32_t>(sy)][static_cast<int32_t>(sx)], 1, alpha);
    }
  }
}

}  // namespace
}  // namespace vm::bmp

VMLIB_EXPORT CBmp32* Bmp32Create(int32_t width, int32_t height, bool autoDc) {
  auto* bitmap = new (std::nothrow) vm::bmp::Bmp32(autoDc);
  if (bitmap == nullptr) return nullptr;
  try {
    bitmap->SetSize(width, height);
  } catch (const CException&) {
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}
