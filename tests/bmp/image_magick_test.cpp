// Our readers against ImageMagick: every variant it writes is decoded by us
// and compared pixel by pixel with ImageMagick's own decode of the file.
#include <gtest/gtest.h>

#include <string>

#include "bmp/bmp_test_support.h"
#include "support/test_support.h"

namespace {
using namespace bmptest;

constexpr int32_t kW = 37, kH = 23;  // odd sizes exercise row padding

// A picture with smooth colours, hard edges and varying alpha, as PAM.
std::vector<uint8_t> SourcePam() {
  std::string head = "P7\nWIDTH " + std::to_string(kW) + "\nHEIGHT " + std::to_string(kH) +
                     "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::vector<uint8_t> out(head.begin(), head.end());
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool stripe = (x / 5 + y / 4) % 2 == 0;
      out.push_back(static_cast<uint8_t>(x * 255 / (kW - 1)));
      out.push_back(static_cast<uint8_t>(stripe ? 200 : y * 255 / (kH - 1)));
      out.push_back(static_cast<uint8_t>((x * y) % 256));
      out.push_back(static_cast<uint8_t>(x < 6 ? 0 : 40 + (x + y) * 4 % 216));
    }
  return out;
}

struct Variant {
  const char* name;
  const char* options;  // convert options before the output
  const char* output;   // output with its format prefix
};

const Variant kVariants[] = {
    {"tga 24 bottom-up", "-type TrueColor", "tga:v.tga"},
    {"tga 24 top-down", "-type TrueColor -orient TopLeft", "tga:v.tga"},
    {"tga 32 with alpha", "-type TrueColorAlpha", "tga:v.tga"},
    {"tga 24 run-length", "-type TrueColor -compress RLE", "tga:v.tga"},
    {"tga 32 run-length", "-type TrueColorAlpha -compress RLE", "tga:v.tga"},
    {"tga colour-mapped", "-type Palette -compress None", "tga:v.tga"},
    {"tga colour-mapped run-length", "-type Palette -compress RLE", "tga:v.tga"},
    {"tga grey", "-type Grayscale -compress None", "tga:v.tga"},
    {"tga grey run-length", "-type Grayscale -compress RLE", "tga:v.tga"},
    {"bmp 24", "-type TrueColor", "bmp3:v.bmp"},
    {"bmp 8 palette", "-type Palette -compress None", "bmp3:v.bmp"},
    {"bmp 8 RLE8", "-type Palette -compress RLE", "bmp3:v.bmp"},
    {"bmp 4 palette", "-colors 16 -type Palette -compress None", "bmp3:v.bmp"},
    {"bmp 1 bit", "-type Bilevel -compress None", "bmp3:v.bmp"},
    {"bmp core header", "-type Palette", "bmp2:v.bmp"},
    // PCX lines hold an even byte count, which ImageMagick keeps only for even widths.
    {"pcx 24 three planes", "-crop 36x23+0+0 +repage -type TrueColor", "pcx:v.pcx"},
    {"pcx 32 four planes", "-crop 36x23+0+0 +repage -type TrueColorAlpha", "pcx:v.pcx"},
    {"pcx 256 colours", "-crop 36x23+0+0 +repage -type Palette", "pcx:v.pcx"},
};

TEST(ImageMagickVariants, EveryPixelMatchesImageMagicksDecode) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  vmtest::TempDir dir;
  const std::string src = dir.str() + "/src.pam";
  WriteBytes(src, SourcePam());
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    const std::string out = std::string(v.output);
    const std::string file = dir.str() + "/" + out.substr(out.find(':') + 1);
    const std::string prefix = out.substr(0, out.find(':') + 1);
    std::filesystem::remove(file);
    ASSERT_TRUE(Convert("'" + src + "' " + v.options + " '" + prefix + file + "'"));
    int32_t w = 0, h = 0;
    const std::vector<uint8_t> ref = DecodeRgba(file, &w, &h);
    ASSERT_EQ(ref.size(), static_cast<size_t>(w) * h * 4);
    ASSERT_EQ(h, kH);

    Bmp32Ptr bmp = NewBmp32(0, 0);
    int32_t status = -1;
    BmpSurfaceDesc fileDesc{};
    bmp->Load(MakeStr(file).get(), 1, 1, &fileDesc, &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(bmp->GetWidth(), w);
    ASSERT_EQ(bmp->GetHeight(), h);
    EXPECT_EQ(fileDesc.width, w);
    int mismatches = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* r = &ref[(static_cast<size_t>(y) * w + x) * 4];
        const uint32_t want = Argb(r[3], r[0], r[1], r[2]);
        if (Px(*bmp, x, y) != want && mismatches++ < 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " ours " << std::hex << Px(*bmp, x, y) << " theirs "
                        << want;
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(ImageMagickVariants, LoadingWithScaleTwoAveragesBlocksOfTheFile) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  vmtest::TempDir dir;
  const std::string src = dir.str() + "/src.pam", file = dir.str() + "/v.tga";
  WriteBytes(src, SourcePam());
  ASSERT_TRUE(Convert("'" + src + "' -type TrueColorAlpha tga:'" + file + "'"));
  int32_t w = 0, h = 0;
  const std::vector<uint8_t> ref = DecodeRgba(file, &w, &h);
  ASSERT_EQ(ref.size(), static_cast<size_t>(kW) * kH * 4);
  Bmp32Ptr bmp = NewBmp32(0, 0);
  int32_t status = -1;
  bmp->Load(MakeStr(file).get(), 2, 0, nullptr, &status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(bmp->GetWidth(), kW / 2);
  ASSERT_EQ(bmp->GetHeight(), kH / 2);
  for (int32_t y = 0; y < kH / 2; ++y)
    for (int32_t x = 0; x < kW / 2; ++x) {
      uint32_t sum[4] = {};
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx)
          for (int c = 0; c < 4; ++c)
            sum[c] += ref[((2 * y + dy) * static_cast<size_t>(kW) + 2 * x + dx) * 4 + c];
      ASSERT_EQ(Px(*bmp, x, y), Argb(sum[3] / 4, sum[0] / 4, sum[1] / 4, sum[2] / 4)) << x << "," << y;
    }
}

}  // namespace
