// Draw's and StretchDraw's blend modes and StretchDraw's clipping and
// column selection.
#include <gtest/gtest.h>

#include "bmp/bmp_test_support.h"

namespace {
using namespace bmptest;

constexpr uint32_t kSrc = 0x80C86432;  // a 128, r 200, g 100, b 50
constexpr uint32_t kDst = 0x40102030;  // a 64, r 16, g 32, b 48

struct ModeCase {
  int32_t mode;
  uint32_t draw;     // Draw: shifts by 8
  uint32_t stretch;  // StretchDraw: divisions by 255
};
const ModeCase kModes[] = {
    {0, kSrc, kSrc},
    {1, kSrc, kSrc},
    {2, 0x406B4130, 0x406C4231},
    {3, 0x806B4130, 0x806C4231},
    {4, 0x40342D30, 0x40342D30},  // alpha 100: w = 12800 of 65025
    {5, 0x401C2A38, 0x401C2A38},
};

TEST(Blend, DrawModesShiftByEight) {
  for (const ModeCase& c : kModes) {
    Bmp32Ptr s = NewBmp32(1, 1), d = NewBmp32(1, 1);
    s->Fill(kSrc);
    d->Fill(kDst);
    s->Draw(d.get(), 0, 0, {0, 0, 1, 1}, c.mode, 100);
    EXPECT_EQ(Px(*d, 0, 0), c.draw) << "mode " << c.mode;
  }
}

TEST(Blend, StretchDrawModesDivideBy255) {
  for (const ModeCase& c : kModes) {
    Bmp32Ptr s = NewBmp32(1, 1), d = NewBmp32(2, 2);
    s->Fill(kSrc);
    d->Fill(kDst);
    // One pixel onto two by two: a real stretch, not a Draw.
    s->StretchDraw(d.get(), {-0.5, -0.5, 1.5, 1.5}, {-0.5, -0.5, 0.5, 0.5}, c.mode, 100);
    EXPECT_EQ(Px(*d, 1, 1), c.stretch) << "mode " << c.mode;
  }
  Bmp32Ptr s = NewBmp32(1, 1), d = NewBmp32(2, 2);
  s->Fill(kSrc);
  d->Fill(kDst);
  s->StretchDraw(d.get(), {-0.5, -0.5, 1.5, 1.5}, {-0.5, -0.5, 0.5, 0.5}, 6, 100);
  EXPECT_EQ(Px(*d, 0, 0), kDst);
}

TEST(Blend, MaskLeavesPixelsUnderClearSourceAndOpaqueAlphaLosesOne) {
  Bmp32Ptr s = NewBmp32(2, 1), d = NewBmp32(2, 1);
  s->GetRow(0)[0] = 0x00FFFFFF;
  s->GetRow(0)[1] = 0x01FFFFFF;
  d->Fill(kDst);
  s->Draw(d.get(), 0, 0, {0, 0, 2, 1}, bmBlendMask, 255);
  EXPECT_EQ(Px(*d, 0, 0), kDst);
  EXPECT_EQ(Px(*d, 1, 0), 0x01FFFFFFu);
  s->Fill(0xFF0A1464);
  d->Fill(kDst);
  s->Draw(d.get(), 0, 0, {0, 0, 2, 1}, bmBlendAlpha, 255);
  EXPECT_EQ(Px(*d, 0, 0), 0x40091363u);
}

TEST(Blend, DrawClipsToBothBitmapsAndSkipsEmptyRects) {
  Bmp32Ptr s = NewBmp32(3, 3), d = NewBmp32(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) s->GetRow(y)[x] = static_cast<uint32_t>(10 * y + x + 1);
  s->Draw(d.get(), -1, 2, {0, 0, 3, 3}, 0, 255);
  EXPECT_EQ(Px(*d, 0, 2), 2u);
  EXPECT_EQ(Px(*d, 1, 2), 3u);
  EXPECT_EQ(Px(*d, 2, 2), 0u);
  EXPECT_EQ(Px(*d, 0, 1), 0u);
  s->Draw(d.get(), 0, 0, {0, 2, 3, 2}, 0, 255);  // top not above bottom
  EXPECT_EQ(Px(*d, 0, 0), 0u);
}

TEST(StretchDraw, HalvingTakesEveryOtherColumn) {
  Bmp32Ptr s = NewBmp32(64, 2), d = NewBmp32(32, 1);
  for (int x = 0; x < 64; ++x) s->GetRow(0)[x] = s->GetRow(1)[x] = static_cast<uint32_t>(x);
  s->StretchDraw(d.get(), {-0.5, -0.5, 31.5, 0.5}, {-0.5, -0.5, 63.5, 1.5}, 0, 255);
  for (int x = 0; x < 32; ++x) ASSERT_EQ(Px(*d, x, 0), static_cast<uint32_t>(2 * x)) << x;
}

TEST(StretchDraw, SameSizeAtFractionalPositionsBecomesDrawKeepingTheLargerAlpha) {
  Bmp32Ptr s = NewBmp32(4, 4), d = NewBmp32(8, 8);
  s->Fill(0x30FFFFFF);
  d->Fill(0x80000000);
  s->GetRow(0)[0] = 0xF0FFFFFF;
  // Both rects round to 4 x 4; the destination starts at (2, 1).
  s->StretchDraw(d.get(), {1.6, 0.7, 5.6, 4.7}, {-0.5, -0.5, 3.5, 3.5}, bmBlendMaxAlpha, 255);
  EXPECT_EQ(Px(*d, 2, 1) >> 24, 0xF0u);
  EXPECT_EQ(Px(*d, 3, 2) >> 24, 0x80u);
  EXPECT_EQ(Px(*d, 3, 2) & 0xFF, (0xFFu * 0x30) >> 8);  // Draw's shift, not a division
  EXPECT_EQ(Px(*d, 1, 1), 0x80000000u);
  EXPECT_EQ(Px(*d, 6, 1), 0x80000000u);
}

TEST(StretchDraw, SourceOutsideItsBoundsMovesTheDestinationInProportion) {
  Bmp32Ptr s = NewBmp32(4, 1), d = NewBmp32(6, 1);
  for (int x = 0; x < 4; ++x) s->GetRow(0)[x] = static_cast<uint32_t>(x + 1);
  // Two of six source columns lie left of the bitmap: the destination's
  // left edge moves by two of its six columns.
  s->StretchDraw(d.get(), {-0.5, -0.5, 5.5, 0.5}, {-2.5, -0.5, 3.5, 0.5}, 0, 255);
  const uint32_t want[6] = {0, 0, 1, 2, 3, 4};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(Px(*d, x, 0), want[x]) << x;
  // Entirely outside: nothing.
  Bmp32Ptr e = NewBmp32(6, 1);
  s->StretchDraw(e.get(), {-0.5, -0.5, 5.5, 0.5}, {10, -0.5, 20, 0.5}, 0, 255);
  EXPECT_EQ(Px(*e, 0, 0), 0u);
}

}  // namespace
