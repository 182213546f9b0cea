// BmpSave and the BMP exports: round trips, the header it writes, the
// refusals, row-block loaders and savers, progress.
#include <gtest/gtest.h>

#include <vector>

#include "bmp/bmp_test_support.h"
#include "support/test_support.h"

namespace {
using namespace bmptest;

Bmp32Ptr Pattern(int32_t w, int32_t h) {
  Bmp32Ptr b = NewBmp32(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b->GetRow(y)[x] = Argb((x * 40 + y) & 0xFF, x * 20, y * 30, (x * y * 7) & 0xFF);
  return b;
}

uint32_t Le32At(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class BmpSaveTest : public ::testing::Test {
protected:
  std::string Path(const std::string& name) { return dir_.str() + "/" + name; }
  vmtest::TempDir dir_;
};

TEST_F(BmpSaveTest, RoundTripsThroughEveryWritableTrueColourFormat) {
  Bmp32Ptr src = Pattern(7, 5);
  const struct {
    int32_t format;
    int32_t alphaOption;
    uint32_t mask;  // bits that survive the format
    bool alpha;
  } cases[] = {{9, 1, 0xFFFFFFFF, true},
               {8, 0, 0x00FFFFFF, false},
               {7, 0, 0x00FFFFFF, false},
               {4, 0, 0x00F8F8F8, false},
               {5, 1, 0x00F8F8F8, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    const std::string file = Path("f" + std::to_string(c.format) + ".bmp");
    int32_t status = -1;
    src->Save(MakeStr(file).get(), c.format, 0, &status);
    ASSERT_EQ(status, 0);
    Bmp32Ptr back = NewBmp32(0, 0);
    back->Load(MakeStr(file).get(), 1, c.alphaOption, nullptr, &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(back->GetWidth(), 7);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const uint32_t want = Px(*src, x, y) & c.mask;
        const uint32_t got = Px(*back, x, y);
        EXPECT_EQ(got & c.mask, want) << x << "," << y;
        if (!c.alpha && c.format != 5) {
          EXPECT_EQ(got >> 24, 255u);
        }
      }
  }
}

TEST_F(BmpSaveTest, WritesTheDocumentedHeader) {
  Bmp32Ptr src = Pattern(3, 2);
  int32_t status = -1;
  src->Save(MakeStr(Path("h.bmp")).get(), 7, 0, &status);
  ASSERT_EQ(status, 0);
  const std::vector<uint8_t> b = ReadBytes(Path("h.bmp"));
  ASSERT_EQ(b.size(), 54u + 2 * 12);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(Le32At(b, 2), b.size());
  EXPECT_EQ(Le32At(b, 10), 54u);
  EXPECT_EQ(Le32At(b, 14), 40u);
  EXPECT_EQ(Le32At(b, 22), 2u);  // positive height: bottom-up
  EXPECT_EQ(Le32At(b, 30), 0u);
  EXPECT_EQ(Le32At(b, 34), 24u);
  EXPECT_EQ(Le32At(b, 38), 2835u);
  // The first row in the file is the bottom row.
  EXPECT_EQ(b[54 + 2], (Px(*src, 0, 1) >> 16) & 0xFF);
}

TEST_F(BmpSaveTest, RefusesWhatItCannotWrite) {
  Bmp32Ptr src = Pattern(3, 2);
  int32_t status = 0;
  src->Save(MakeStr(Path("a.bmp")).get(), 6, 0, &status);
  EXPECT_EQ(status, 0x60001);
  src->Save(MakeStr(Path("a.bmp")).get(), 7, 5, &status);
  EXPECT_EQ(status, 0x60004);
  try {
    src->Save(MakeStr(Path("a.bmp")).get(), 2, 1, &status);
    FAIL();
  } catch (const CException& e) {
    EXPECT_STREQ(e.what(), "BmpWriteScanlineRLE4: not implemented");
  }
  EXPECT_THROW(src->Save(MakeStr(Path("a.bmp")).get(), 3, 0, &status), CException);  // 32-bit to palette
  src->Save(MakeStr(dir_.str() + "/missing/a.bmp").get(), 7, 0, &status);
  EXPECT_EQ(status, 0x10001);
}

TEST_F(BmpSaveTest, EightBitRle8RoundTripsAndImageMagickAgrees) {
  // Runs, literals and single pixels in 8-bit indices, bottom-up memory.
  const int32_t w = 13, h = 3;
  std::vector<uint8_t> pixels(16 * h);
  const uint8_t rows[3][13] = {{1, 1, 1, 1, 2, 3, 4, 5, 5, 6, 7, 7, 7},
                               {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0},
                               {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(h - 1 - y) * 16 + x] = rows[y][x];
  BmpPalette pal{};
  for (uint32_t i = 0; i < 256; ++i) pal.entries[i] = i * 0x010203u & 0xFFFFFF;
  const BmpSurfaceDesc desc{3, 16, w, h, -1};
  const std::string file = Path("r.bmp");
  int32_t status = -1;
  BmpSave(MakeStr(file).get(), pixels.data(), &desc, 3, &pal, 2, nullptr, &status);
  ASSERT_EQ(status, 0);
  const std::vector<uint8_t> bytes = ReadBytes(file);
  EXPECT_EQ(Le32At(bytes, 30), 1u);  // RLE8
  EXPECT_EQ(Le32At(bytes, 10), 54u + 1024);
  Bmp32Ptr back = NewBmp32(0, 0);
  back->Load(MakeStr(file).get(), 1, 0, nullptr, &status);
  ASSERT_EQ(status, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      EXPECT_EQ(Px(*back, x, y), 0xFF000000u | pal.entries[rows[y][x]]) << x << "," << y;
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  int32_t rw = 0, rh = 0;
  const std::vector<uint8_t> ref = DecodeRgba(file, &rw, &rh);
  ASSERT_EQ(ref.size(), static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* r = &ref[(static_cast<size_t>(y) * w + x) * 4];
      EXPECT_EQ(Px(*back, x, y), Argb(r[3], r[0], r[1], r[2])) << x << "," << y;
    }
}

TEST_F(BmpSaveTest, HeaderExportsLoaderSaverAndProgress) {
  Bmp32Ptr src = Pattern(6, 11);
  const std::string file = Path("p.bmp");
  struct Calls {
    std::vector<double> fractions;
    int32_t cancelAfter = -1;
  } calls;
  BmpProgress progress{
      [](BmpProgress* self, double f) {
        auto* c = static_cast<Calls*>(self->context);
        c->fractions.push_back(f);
        return c->cancelAfter >= 0 && static_cast<int32_t>(c->fractions.size()) > c->cancelAfter ? 0x7777 : 0;
      },
      &calls};
  BmpSurfaceDesc desc;
  src->GetSurfaceDesc(&desc);
  int32_t status = -1;
  BmpSave(MakeStr(file).get(), src->GetPixels(), &desc, 9, nullptr, 0, &progress, &status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(calls.fractions.size(), 3u);  // start, then every 5 rows of 11
  EXPECT_EQ(calls.fractions[0], 0.0);
  EXPECT_DOUBLE_EQ(calls.fractions[1], 5.0 / 11);

  BmpFileHeader header;
  BmpPalette pal;
  BmpLoadHeader(MakeStr(file).get(), &header, &pal, &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(header.width, 6);
  EXPECT_EQ(header.bitCount, 32);
  BmpSurfaceDesc fileDesc;
  BmpSurfaceDescCreate(&fileDesc, &header, 1, &status);
  EXPECT_EQ(fileDesc.pixelFormat, 9);
  EXPECT_EQ(fileDesc.direction, -1);
  // Into a bottom-up block: memory row 0 holds the image's bottom row.
  std::vector<uint32_t> block(6 * 11);
  const BmpSurfaceDesc up{9, 24, 6, 11, -1};
  calls = {};
  calls.cancelAfter = 1;
  BmpLoad(MakeStr(file).get(), &header, &pal, 1, 1, block.data(), &up, nullptr, &progress, &status);
  EXPECT_EQ(status, 0x7777);
  BmpLoad(MakeStr(file).get(), &header, &pal, 1, 1, block.data(), &up, nullptr, nullptr, &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(block[0], Px(*src, 0, 10));

  CBmpLoader* loader = BmpLoaderCreate(MakeStr(file).get(), &header, &pal, &desc, 4, &status);
  ASSERT_NE(loader, nullptr);
  std::vector<uint32_t> rows(6 * 4);
  EXPECT_EQ(loader->ReadRows(rows.data(), 4), 4);
  EXPECT_EQ(rows[6], Px(*src, 0, 1));
  EXPECT_EQ(loader->ReadRows(rows.data(), 4), 4);
  EXPECT_EQ(loader->ReadRows(rows.data(), 4), 3);
  EXPECT_EQ(loader->ReadRows(rows.data(), 4), 0);
  ObjectDelete(loader);

  const std::string copy = Path("c.bmp");
  CBmpSaver* saver = BmpSaverCreate(MakeStr(copy).get(), &desc, 9, nullptr, 0, &status);
  ASSERT_NE(saver, nullptr);
  saver->WriteRows(src->GetRow(0), 5);
  saver->WriteRows(src->GetRow(5), 6);
  saver->Finish(&status);
  ASSERT_EQ(status, 0);
  ObjectDelete(saver);
  Bmp32Ptr back = NewBmp32(0, 0);
  back->Load(MakeStr(copy).get(), 1, 1, nullptr, &status);
  EXPECT_TRUE(back->IsEqual(src.get()));
  EXPECT_EQ(BmpSaverCreate(MakeStr(copy).get(), &desc, 6, nullptr, 0, &status), nullptr);
  EXPECT_EQ(status, 0x60001);
}

}  // namespace
