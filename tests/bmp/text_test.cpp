// Text on bitmaps through the platform's fonts.
#include <gtest/gtest.h>

#include "bmp/bmp_test_support.h"

namespace {
using namespace bmptest;

BmpFont Font(int32_t points, int32_t weight = 400, const char* face = "Tahoma") {
  return BmpFont{face, points, weight, false, false};
}

struct Ink {
  int count = 0, top = 1 << 30, bottom = -1;
};
Ink InkOf(const CBmp32& b, uint32_t background) {
  Ink ink;
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x)
      if (Px(b, x, y) != background)
        ++ink.count, ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
  return ink;
}

TEST(Text, MetricsGrowWithThePointSizeAndHeightIsAscentPlusDescent) {
  Bmp32Ptr b = NewBmp32(4, 4);
  BmpTextMetrics small{}, large{};
  b->GetTextMetrics(Font(8), &small);
  b->GetTextMetrics(Font(20), &large);
  EXPECT_GT(small.height, 0);
  EXPECT_GT(large.height, small.height);
  EXPECT_EQ(large.height, large.ascent + large.descent);
  EXPECT_GE(large.height, 27);  // 20 points are 27 pixels at 96 dpi
  BmpSize a{}, c{};
  b->GetTextExtent(MakeStr("Waypoint").get(), Font(8), &a);
  b->GetTextExtent(MakeStr("Waypoint").get(), Font(20), &c);
  EXPECT_GT(c.cx, a.cx);
  EXPECT_EQ(c.cy, large.height);
}

TEST(Text, BoldIsWiderAndMissingFacesFallBack) {
  Bmp32Ptr b = NewBmp32(4, 4);
  BmpSize regular{}, bold{}, missing{};
  b->GetTextExtent(MakeStr("Harbour entrance").get(), Font(12), &regular);
  b->GetTextExtent(MakeStr("Harbour entrance").get(), Font(12, 700), &bold);
  b->GetTextExtent(MakeStr("Harbour entrance").get(), Font(12, 400, "No Such Face 123"), &missing);
  EXPECT_GT(bold.cx, regular.cx);
  EXPECT_GT(missing.cx, 0);
}

TEST(Text, RedTextLeavesOnlyRedTintedPixelsInsideItsBox) {
  Bmp32Ptr b = NewBmp32(120, 40);
  b->Fill(0xFF000000);
  b->TextOut(MakeStr("Buoy 12").get(), 5, 5, Font(14), 0xFF0000, kAlignTopLeft);
  const Ink ink = InkOf(*b, 0xFF000000);
  ASSERT_GT(ink.count, 20);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = Px(*b, x, y);
      ASSERT_EQ(p & 0x0000FFFF, 0u) << x << "," << y;
    }
  BmpTextMetrics m{};
  b->GetTextMetrics(Font(14), &m);
  EXPECT_GE(ink.top, 5);
  EXPECT_LT(ink.bottom, 5 + m.height);
}

TEST(Text, AlignmentCodesPlaceTheAnchor) {
  BmpTextMetrics m{};
  Bmp32Ptr probe = NewBmp32(1, 1);
  probe->GetTextMetrics(Font(12), &m);
  Bmp32Ptr bottom = NewBmp32(100, 60);
  bottom->TextOut(MakeStr("Ag").get(), 99, 50, Font(12), 0xFFFFFF, kAlignBottomRight);
  const Ink b = InkOf(*bottom, 0);
  EXPECT_LT(b.bottom, 50);
  EXPECT_GE(b.top, 50 - m.height);
  Bmp32Ptr base = NewBmp32(100, 60);
  base->TextOut(MakeStr("A").get(), 10, 30, Font(12), 0xFFFFFF, kAlignMiddleLeft);
  const Ink a = InkOf(*base, 0);
  EXPECT_EQ(a.bottom, 29);  // "A" stands on the baseline
}

TEST(Text, DrawTextKeepsAlphaOnlyWhenAsked) {
  Bmp32Ptr b = NewBmp32(100, 40);
  b->Fill(0x64000000);
  BmpRect r{0, 0, 100, 40};
  b->DrawText(MakeStr("Anchorage").get(), &r, Font(12), 0xFFFFFF, kAlignMiddleCentre, kLayoutSingleLine,
              true);
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(Px(*b, x, y) >> 24, 0x64u);
      inked += (Px(*b, x, y) & 0xFFFFFF) != 0;
    }
  EXPECT_GT(inked, 10);
  b->Fill(0x64000000);
  b->DrawText(MakeStr("Anchorage").get(), &r, Font(12), 0xFFFFFF, kAlignMiddleCentre, kLayoutSingleLine,
              false);
  EXPECT_GT(InkOf(*b, 0x64000000).count, 10);
  bool alphaChanged = false;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) alphaChanged |= (Px(*b, x, y) >> 24) != 0x64u;
  EXPECT_TRUE(alphaChanged);
}

TEST(Text, MeasuringLayoutsSizeTheRectAndDrawNothing) {
  Bmp32Ptr b = NewBmp32(60, 100);
  BmpRect one{0, 0, 60, 100}, wrapped{0, 0, 60, 100};
  const auto text = MakeStr("Fuel dock north pier");
  b->DrawText(text.get(), &one, Font(10), 0xFFFFFF, 0, kLayoutSingleLineMeasure, false);
  const int32_t height =
      b->DrawText(text.get(), &wrapped, Font(10), 0xFFFFFF, 0, kLayoutWordWrapMeasure, false);
  EXPECT_GT(one.right, 60);
  EXPECT_LE(wrapped.right, 60);
  EXPECT_GE(wrapped.bottom, 2 * one.bottom);
  EXPECT_EQ(height, wrapped.bottom);
  EXPECT_EQ(InkOf(*b, 0).count, 0);
  BmpRect box{0, 0, 60, 100};
  b->DrawText(text.get(), &box, Font(10), 0xFFFFFF, 0, kLayoutWordWrap, false);
  const Ink ink = InkOf(*b, 0);
  EXPECT_GT(ink.bottom, one.bottom);  // more than one line drawn
}

}  // namespace
