// Bitmap objects: sizes, rows, memory, simple pixel operations, contexts.
#include <gtest/gtest.h>

#include <cstring>

#include "bmp/bmp_test_support.h"

namespace {
using namespace bmptest;

TEST(PixelFormats, TableAndPitchAndPaletteSwap) {
  const int32_t table[10][5] = {{0, 8, 8, 8, 1},  {0, 8, 8, 8, 2},  {0, 8, 8, 8, 4},  {0, 8, 8, 8, 8},
                                {0, 5, 5, 5, 16}, {1, 5, 5, 5, 16}, {0, 5, 6, 5, 16}, {0, 8, 8, 8, 24},
                                {0, 8, 8, 8, 32}, {8, 8, 8, 8, 32}};
  for (int f = 0; f < 10; ++f) {
    EXPECT_EQ(PixelGetACount(f), table[f][0]) << f;
    EXPECT_EQ(PixelGetRCount(f), table[f][1]) << f;
    EXPECT_EQ(PixelGetGCount(f), table[f][2]) << f;
    EXPECT_EQ(PixelGetBCount(f), table[f][3]) << f;
    EXPECT_EQ(PixelGetBitCount(f), table[f][4]) << f;
  }
  EXPECT_EQ(PixelGetBitCount(10), 0);
  EXPECT_EQ(CalcPitch(37, 24, 32), 112u);
  EXPECT_EQ(CalcPitch(5, 1, 32), 4u);
  EXPECT_EQ(CalcPitch(9, 4, 8), 5u);
  EXPECT_EQ(CalcPitch(0, 32, 32), 0u);
  const uint32_t src[2] = {0x11223344, 0xAABBCCDD};
  uint32_t dst[2];
  PaletteSwap(dst, src, 2);
  EXPECT_EQ(dst[0], 0x11443322u);
  EXPECT_EQ(dst[1], 0xAADDCCBBu);
}

TEST(Bitmap, EmptyBitmapHasNoPixelsUntilSized) {
  Bmp32Ptr b(Bmp32Create(0, 0, false));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetWidth(), 0);
  EXPECT_EQ(b->GetPitch(), 0);
  EXPECT_EQ(b->GetRow(0), nullptr);
  EXPECT_EQ(b->GetPixelFormat(), 9);
  EXPECT_EQ(b->GetMemorySize(true), 72);
  EXPECT_EQ(b->DCCreate(), nullptr);
  b->SetSize(3, 2);
  EXPECT_EQ(b->GetPitch(), 12);
  EXPECT_EQ(b->GetMemorySize(false), 32);
  EXPECT_EQ(b->GetMemorySize(true), 104);
  EXPECT_EQ(b->GetRow(2) - b->GetRow(0), 6);  // rows[height] ends the last row
  EXPECT_EQ(b->GetRow(3), nullptr);
  BmpSurfaceDesc d;
  b->GetSurfaceDesc(&d);
  EXPECT_EQ(d.pixelFormat, 9);
  EXPECT_EQ(d.pitch, 12);
  EXPECT_EQ(d.direction, 1);
  double l, t, r, bt;
  b->GetBounds(&l, &t, &r, &bt);
  EXPECT_EQ(l, -0.5);
  EXPECT_EQ(r, 2.5);
  EXPECT_EQ(bt, 1.5);
}

TEST(Bitmap, SetSizeWithTheSameSizeKeepsThePixels) {
  Bmp32Ptr b = NewBmp32(4, 4);
  b->Fill(0xAABBCCDD);
  uint32_t* before = b->GetPixels();
  b->SetSize(4, 4);
  EXPECT_EQ(b->GetPixels(), before);
  EXPECT_EQ(Px(*b, 3, 3), 0xAABBCCDDu);
}

TEST(Bitmap, SixteenBitOddWidthRowsFollowThePaddedPitch) {
  Bmp16Ptr b(Bmp16Create(5, 3, false));
  EXPECT_EQ(b->GetPitch(), 12);
  EXPECT_EQ(b->GetPixelFormat(), 5);
  EXPECT_EQ(b->GetMemorySize(true), (12 + 4) * 3 + 72);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(b->GetRow(1)) - reinterpret_cast<uint8_t*>(b->GetRow(0)), 12);
  b->Fill(0x7FFF);
  EXPECT_EQ(b->GetRow(2)[4], 0x7FFF);
  EXPECT_THROW(b->AlphaBackup({0, 0, 1, 1}), CException);
  try {
    b->AlphaRestore({0, 0, 1, 1}, nullptr);
    FAIL();
  } catch (const CException& e) {
    EXPECT_STREQ(e.what(), "CBmp16::AlphaRestore: not implemented");
  }
  // DrawTo skips pixels with the top bit set when transparent.
  Bmp16Ptr d(Bmp16Create(5, 3, false));
  d->Fill(0x0001);
  b->GetRow(0)[0] = 0x8000;
  b->DrawTo(d.get(), {0, 0, 2, 1}, {0, 0, 2, 1}, true);
  EXPECT_EQ(d->GetRow(0)[0], 0x0001);
  EXPECT_EQ(d->GetRow(0)[1], 0x7FFF);
  b->FillRect(1, 1, 3, 2, 0x1234);
  EXPECT_EQ(b->GetRow(1)[1], 0x1234);
  EXPECT_EQ(b->GetRow(1)[3], 0x7FFF);
}

TEST(Bitmap, FillMirrorEqualAndAlpha) {
  Bmp32Ptr b = NewBmp32(3, 2);
  b->Fill(0x01020304);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Px(*b, x, y), 0x01020304u);
  b->GetRow(0)[0] = 1;
  b->GetRow(1)[2] = 2;
  Bmp32Ptr c = NewBmp32(0, 0);
  c->CopyFrom(b.get());
  EXPECT_TRUE(c->IsEqual(b.get()));
  c->MirrorHorizontal();
  EXPECT_EQ(Px(*c, 2, 0), 1u);
  EXPECT_EQ(Px(*c, 0, 1), 2u);
  EXPECT_FALSE(c->IsEqual(b.get()));
  c->MirrorVertical();
  EXPECT_EQ(Px(*c, 2, 1), 1u);
  EXPECT_EQ(Px(*c, 0, 0), 2u);
  c->MirrorHorizontal();
  c->MirrorVertical();
  EXPECT_TRUE(c->IsEqual(b.get()));
  c->SetAlpha(0x80);
  EXPECT_EQ(Px(*c, 1, 1), 0x80020304u);
  Bmp32Ptr other = NewBmp32(2, 3);
  EXPECT_FALSE(other->IsEqual(b.get()));
}

TEST(Bitmap, SetAlphaByColourKey) {
  struct Case {
    uint32_t pixel, key;
    uint8_t keyAlpha, otherAlpha;
    uint32_t want;
  } cases[] = {
      {0xFF00FF00, 0x0000FF00, 0, 255, 0x0000FF00},  // key colour, whatever the key's alpha byte
      {0x12345678, 0xFF00FF00, 0, 255, 0xFF345678},  // another colour becomes opaque
      {0x00345678, 0x00345678, 10, 20, 0x0A345678},
  };
  for (const Case& c : cases) {
    Bmp32Ptr b = NewBmp32(1, 1);
    b->GetRow(0)[0] = c.pixel;
    b->SetAlphaByColourKey(c.keyAlpha, c.otherAlpha, c.key);
    EXPECT_EQ(Px(*b, 0, 0), c.want) << std::hex << c.pixel;
  }
}

TEST(Bitmap, AlphaBackupAndRestoreClipToTheBitmap) {
  Bmp32Ptr b = NewBmp32(4, 4);
  b->Fill(0x40FFFFFF);
  uint8_t* saved = b->AlphaBackup({2, 2, 10, 10});
  ASSERT_NE(saved, nullptr);
  b->Fill(0xFF000000);
  b->AlphaRestore({2, 2, 10, 10}, saved);
  EXPECT_EQ(Px(*b, 3, 3), 0x40000000u);
  EXPECT_EQ(Px(*b, 1, 1), 0xFF000000u);
  EXPECT_EQ(b->AlphaBackup({5, 5, 9, 9}), nullptr);
}

TEST(Bitmap, ScaleToFitAndScaleDown) {
  Bmp32Ptr src = NewBmp32(40, 20);
  src->Fill(0xFF102030);
  Bmp32Ptr dst = NewBmp32(0, 0);
  dst->ScaleToFit(src.get(), 10, 8);
  EXPECT_EQ(dst->GetWidth(), 10);
  EXPECT_EQ(dst->GetHeight(), 5);
  EXPECT_EQ(Px(*dst, 9, 4), 0xFF102030u);

  Bmp32Ptr odd = NewBmp32(5, 3);
  odd->Fill(0x80402010);
  odd->GetRow(0)[0] = 0x00000000;
  Bmp32Ptr down = NewBmp32(0, 0);
  odd->ScaleDown(down.get(), 2, true);
  ASSERT_EQ(down->GetWidth(), 3);
  ASSERT_EQ(down->GetHeight(), 2);
  EXPECT_EQ(Px(*down, 0, 0), 0x6030180Cu);  // mean of one clear and three others
  // The last column and row are partial: mean colour, alpha sum / 4.
  EXPECT_EQ(Px(*down, 2, 0), 0x40402010u);
  EXPECT_EQ(Px(*down, 2, 1), 0x20402010u);
  odd->ScaleDown(down.get(), 2, false);
  EXPECT_EQ(down->GetWidth(), 2);
  EXPECT_EQ(down->GetHeight(), 1);
}

TEST(Bitmap, ImageScaleRefusesRemaindersOutsideHalvingOf32BitPixels) {
  uint32_t src[9] = {}, dst[4] = {};
  const BmpSurfaceDesc s{9, 12, 3, 3, 1}, d{9, 4, 1, 1, 1};
  try {
    ImageScale(dst, &d, src, &s, nullptr, 3, 1, 0);
    FAIL();
  } catch (const CException& e) {
    EXPECT_STREQ(e.what(), "ImageScale: not supported");
  }
  const BmpSurfaceDesc s24{7, 12, 3, 3, 1};
  EXPECT_THROW(ImageScale(dst, &d, src, &s24, nullptr, 2, 1, 0), CException);
}

TEST(Bitmap, DrawTransformThrowsForTheModesItLacks) {
  Bmp32Ptr a = NewBmp32(4, 4), b = NewBmp32(4, 4);
  const BmpTransform id{1, 0, 0, 1, 0, 0};
  const struct {
    int32_t mode;
    const char* text;
  } cases[] = {{3, "CBmp32::DrawTransform: bmBlendMaxAlpha not implemented"},
               {5, "CBmp32::DrawTransform: bmBlendDisabled not implemented"},
               {7, "CBmp32::DrawTransform: unknown case"}};
  for (const auto& c : cases) {
    try {
      a->DrawTransform(b.get(), {0, 0, 4, 4}, id, c.mode, 255);
      ADD_FAILURE() << c.mode;
    } catch (const CException& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
  }
  // A shift by (1, 2) moves every pixel.
  a->GetRow(0)[0] = 0xFF0000FF;
  a->DrawTransform(b.get(), {0, 0, 4, 4}, BmpTransform{1, 0, 0, 1, 1, 2}, 0, 255);
  EXPECT_EQ(Px(*b, 1, 2), 0xFF0000FFu);
  EXPECT_EQ(Px(*b, 0, 0), 0u);
  // A half turn about the centre of a 4 x 4 bitmap.
  b->Fill(0);
  a->DrawTransform(b.get(), {0, 0, 4, 4}, BmpTransform{-1, 0, 0, -1, 3, 3}, 0, 255);
  EXPECT_EQ(Px(*b, 3, 3), 0xFF0000FFu);
}

TEST(Bitmap, DeviceContextIsCountedAndBlitsBetweenBitmaps) {
  Bmp32Ptr a = NewBmp32(4, 4);
  BmpDc* dc = a->DCCreate();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(a->DCCreate(), dc);
  EXPECT_EQ(a->GetDc(), dc);
  a->DCDelete();
  EXPECT_EQ(a->GetDc(), dc);
  a->DCDelete();
  EXPECT_EQ(a->GetDc(), nullptr);

  Bmp32Ptr autoDc(Bmp32Create(2, 2, true));
  EXPECT_NE(autoDc->GetDc(), nullptr);
  autoDc->SetSize(0, 0);
  EXPECT_EQ(autoDc->GetDc(), nullptr);

  Bmp32Ptr src = NewBmp32(2, 2);
  src->GetRow(0)[0] = 0x11111111, src->GetRow(0)[1] = 0x22222222;
  src->GetRow(1)[0] = 0x33333333, src->GetRow(1)[1] = 0x44444444;
  BmpDc* target = a->DCCreate();
  src->DrawToDc(target, {1, 1, 3, 3}, {0, 0, 2, 2});
  EXPECT_EQ(Px(*a, 1, 1), 0x11111111u);
  EXPECT_EQ(Px(*a, 2, 2), 0x44444444u);
  src->DrawToDc(target, {0, 0, 4, 4}, {0, 0, 2, 2});  // stretched
  EXPECT_EQ(Px(*a, 1, 1), 0x11111111u);
  EXPECT_EQ(Px(*a, 2, 1), 0x22222222u);
  EXPECT_EQ(Px(*a, 3, 3), 0x44444444u);
  a->DCDelete();
}

}  // namespace
