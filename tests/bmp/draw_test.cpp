// Anti-aliased drawing: the rules the drawing keeps whatever its scan
// conversion.
#include <gtest/gtest.h>

#include <cmath>

#include "bmp/bmp_test_support.h"

namespace {
using namespace bmptest;

uint32_t TableAlpha(int i) { return static_cast<uint32_t>(std::floor(std::pow(i / 255.0, 0.7) * 255 + 0.5)); }

bool Untouched(const CBmp32& b) {
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x)
      if (Px(b, x, y) != 0) return false;
  return true;
}

TEST(DrawRect, PartlyCoveredPixelsTakeTheTableAlphaAndTheInsideIsSolid) {
  Bmp32Ptr b = NewBmp32(10, 10);
  // Border width 1 centred on edges at 2.25 and 6.75: outer 1.75..7.25, inner 2.75..6.25.
  b->DrawRect({2.25, 2.25, 6.75, 6.75}, 0xFFFF0000, 0xFF0000FF, 1.0);
  EXPECT_EQ(Px(*b, 2, 4) >> 24, TableAlpha(191));  // three quarters of the pixel is border
  EXPECT_EQ(Px(*b, 2, 4) & 0x00FFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(*b, 4, 4), 0xFF0000FFu);  // whole inside pixel: the fill colour
  EXPECT_EQ(Px(*b, 1, 4), 0u);
  EXPECT_EQ(Px(*b, 8, 8), 0u);
  // A pixel on the inner edge mixes border and fill.
  const uint32_t mixed = Px(*b, 3, 4);
  EXPECT_GT(mixed >> 16 & 0xFF, 0u);
  EXPECT_GT(mixed & 0xFF, 0u);

  Bmp32Ptr far = NewBmp32(10, 10);
  far->DrawRect({20, 20, 30, 30}, 0xFFFFFFFF, 0xFFFFFFFF, 3.0);
  EXPECT_TRUE(Untouched(*far));
}

TEST(DrawRect, InsideWithoutAWholePixelIsLeftOut) {
  Bmp32Ptr b = NewBmp32(10, 10);
  // Inner rect 3.5..4.0 wide: no pixel lies wholly inside it.
  b->DrawRect({3.0, 3.0, 4.5, 6.0}, 0x00000000, 0xFF00FF00, 1.0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(Px(*b, x, y) & 0x0000FF00, 0u) << x << "," << y;
}

TEST(DrawLine, CoversItsPixelsAndNothingOutsideOrDegenerate) {
  Bmp32Ptr b = NewBmp32(12, 12);
  b->DrawLine(2, 5, 8, 5, 0xFFFF0000, 1.0, false);
  EXPECT_EQ(Px(*b, 4, 5), 0xFFFF0000u);
  EXPECT_EQ(Px(*b, 4, 3), 0u);
  EXPECT_EQ(Px(*b, 10, 5), 0u);
  const uint32_t endWithout = Px(*b, 8, 5) >> 24;
  Bmp32Ptr c = NewBmp32(12, 12);
  c->DrawLine(2, 5, 8, 5, 0xFFFF0000, 1.0, true);
  EXPECT_GT(Px(*c, 8, 5) >> 24, endWithout);

  Bmp32Ptr e = NewBmp32(12, 12);
  e->DrawLine(-10, -10, -5, -5, 0xFFFFFFFF, 2.0, true);
  e->DrawLine(4, 4, 4, 4, 0xFFFFFFFF, 2.0, true);
  EXPECT_TRUE(Untouched(*e));
}

TEST(FillPolygon, FillsWholePixelsAndRefusesTooFewPointsOrClearColour) {
  const BmpPointF square[4] = {{1.5, 1.5}, {5.5, 1.5}, {5.5, 5.5}, {1.5, 5.5}};
  Bmp32Ptr b = NewBmp32(8, 8);
  b->FillPolygon(square, 4, 0xFF00FF00);
  EXPECT_EQ(Px(*b, 2, 2), 0xFF00FF00u);
  EXPECT_EQ(Px(*b, 5, 5), 0xFF00FF00u);
  EXPECT_EQ(Px(*b, 1, 1), 0u);
  EXPECT_EQ(Px(*b, 6, 6), 0u);
  Bmp32Ptr e = NewBmp32(8, 8);
  e->FillPolygon(square, 2, 0xFF00FF00);
  e->FillPolygon(square, 4, 0x0000FF00);
  EXPECT_TRUE(Untouched(*e));
}

TEST(DrawCircle, DrawsTheRingAndSkipsCirclesThatCannotCrossTheBitmap) {
  Bmp32Ptr b = NewBmp32(21, 21);
  b->DrawCircle(10, 10, 6, 0xFFFFFFFF, 1.0);
  EXPECT_EQ(Px(*b, 16, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Px(*b, 10, 10), 0u);
  Bmp32Ptr e = NewBmp32(21, 21);
  e->DrawCircle(-20, 10, 6, 0xFFFFFFFF, 1.0);
  e->DrawCircle(10, 10, 40000, 0xFFFFFFFF, 1.0);
  e->DrawCircle(10, 10, 100, 0xFFFFFFFF, 1.0);  // encloses the whole bitmap
  EXPECT_TRUE(Untouched(*e));
}

TEST(DrawPolyline, SingleClosedPointIsOnePixelInsideTheMargin) {
  const BmpPointF p[1] = {{3.4, 2.6}};
  Bmp32Ptr b = NewBmp32(6, 6);
  b->DrawPolyline(p, 1, 0xFF123456, true);
  EXPECT_EQ(Px(*b, 3, 3), 0xFF123456u);
  const BmpPointF edge[1] = {{0.2, 3}};
  Bmp32Ptr e = NewBmp32(6, 6);
  e->DrawPolyline(edge, 1, 0xFF123456, true);
  e->DrawPolyline(p, 1, 0xFF123456, false);
  EXPECT_TRUE(Untouched(*e));
  const BmpPointF tri[3] = {{1, 1}, {4, 1}, {4, 4}};
  Bmp32Ptr t = NewBmp32(6, 6);
  t->DrawPolyline(tri, 3, 0xFFFFFFFF, true);
  EXPECT_GT(Px(*t, 2, 1) >> 24, 0u);
  EXPECT_GT(Px(*t, 4, 3) >> 24, 0u);
}

TEST(PlotAA, SplatsOnlyInsideTheMargin) {
  Bmp32Ptr b = NewBmp32(8, 8);
  b->PlotAA(3.0, 3.0, 0xFFFFFFFF);
  EXPECT_EQ(Px(*b, 3, 3) >> 24, 255u);
  EXPECT_EQ(Px(*b, 4, 3), 0u);
  b->PlotAA(4.5, 4.5, 0xFFFFFFFF);
  EXPECT_EQ(Px(*b, 4, 4) >> 24, 63u);
  EXPECT_EQ(Px(*b, 5, 5) >> 24, 63u);
  Bmp32Ptr e = NewBmp32(8, 8);
  e->PlotAA(1.0, 3.0, 0xFFFFFFFF);
  e->PlotAA(3.0, 6.0, 0xFFFFFFFF);
  EXPECT_TRUE(Untouched(*e));
}

}  // namespace
