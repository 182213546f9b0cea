// Icons built byte by byte in the test, one per kind of entry.
#include "ico_decoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdlib>
#include <functional>

#include "support/jet_fixture.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Bgra = std::array<uint8_t, 4>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

struct Dib {
  uint32_t width, height, bits;
  std::vector<Bgra> palette;                          // for 1 to 8 bits
  std::function<uint32_t(uint32_t, uint32_t)> index;  // palette index, for 1 to 8 bits
  std::function<Bgra(uint32_t, uint32_t)> colour;     // for 24 and 32 bits
  std::function<bool(uint32_t, uint32_t)> masked;     // AND mask bit
};

Bytes DibBytes(const Dib& d) {
  Bytes b;
  Put32(b, 40);
  Put32(b, d.width);
  Put32(b, d.height * 2);
  Put16(b, 1);
  Put16(b, d.bits);
  Put32(b, 0);
  for (int i = 0; i < 3; ++i) Put32(b, 0);
  Put32(b, static_cast<uint32_t>(d.palette.size()));  // colours used
  Put32(b, 0);
  for (const Bgra& c : d.palette) b.insert(b.end(), {c[0], c[1], c[2], 0});
  const size_t rowBytes = ((d.width * d.bits + 31) / 32) * 4;
  for (uint32_t y = d.height; y-- > 0;) {  // bottom-up
    Bytes row(rowBytes, 0);
    for (uint32_t x = 0; x < d.width; ++x) {
      if (d.bits <= 8) {
        const uint32_t perByte = 8 / d.bits;
        row[x / perByte] |= static_cast<uint8_t>(d.index(x, y) << (8 - d.bits * (x % perByte + 1)));
      } else {
        const Bgra c = d.colour(x, y);
        for (uint32_t k = 0; k < d.bits / 8; ++k) row[x * (d.bits / 8) + k] = c[k];
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  const size_t maskBytes = ((d.width + 31) / 32) * 4;
  for (uint32_t y = d.height; y-- > 0;) {
    Bytes row(maskBytes, 0);
    for (uint32_t x = 0; x < d.width; ++x)
      if (d.masked(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

struct Entry {
  uint32_t width, height, bits;
  Bytes image;
};

Bytes Ico(const std::vector<Entry>& entries) {
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(entries.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
  for (const Entry& e : entries) {
    b.push_back(static_cast<uint8_t>(e.width));
    b.push_back(static_cast<uint8_t>(e.height));
    b.push_back(0);
    b.push_back(0);
    Put16(b, 1);
    Put16(b, e.bits);
    Put32(b, static_cast<uint32_t>(e.image.size()));
    Put32(b, offset);
    offset += static_cast<uint32_t>(e.image.size());
  }
  for (const Entry& e : entries) b.insert(b.end(), e.image.begin(), e.image.end());
  return b;
}

Bgra Pixel(const conv::IconImage& img, uint32_t x, uint32_t y) {
  const uint8_t* p = img.pixels.data() + (y * img.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

uint8_t Over(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255); }

TEST(IcoDecoder, PalettedAndTrueColourEntriesHonourTheirMask) {
  // Odd widths exercise the padding of colour and mask rows.
  const std::vector<Bgra> colours = {{0, 0, 0, 0},       {0, 0, 255, 0},    {0, 255, 0, 0},  {255, 0, 0, 0},
                                     {10, 20, 30, 0},    {200, 100, 50, 0}, {1, 2, 3, 0},    {90, 90, 90, 0},
                                     {255, 255, 255, 0}, {5, 6, 7, 0},      {8, 9, 10, 0},   {11, 12, 13, 0},
                                     {14, 15, 16, 0},    {17, 18, 19, 0},   {20, 21, 22, 0}, {23, 24, 25, 0}};
  for (uint32_t bits : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bits);
    const uint32_t n = bits == 1 ? 2 : 16;
    auto index = [&](uint32_t x, uint32_t y) { return (x * 3 + y) % n; };
    auto masked = [](uint32_t x, uint32_t y) { return (x + 2 * y) % 5 == 0; };
    Dib d{13, 7, bits, {}, index, [&](uint32_t x, uint32_t y) { return colours[index(x, y)]; }, masked};
    if (bits <= 8) d.palette.assign(colours.begin(), colours.begin() + n);
    conv::IconImage img;
    std::string error;
    ASSERT_TRUE(conv::DecodeIco(Ico({{13, 7, bits, DibBytes(d)}}), img, &error)) << error;
    ASSERT_EQ(img.width, 13u);
    ASSERT_EQ(img.height, 7u);
    for (uint32_t y = 0; y < 7; ++y) {
      for (uint32_t x = 0; x < 13; ++x) {
        const Bgra c = colours[index(x, y)];
        // Drawn on white: (white AND mask) XOR colour.
        const uint8_t m = masked(x, y) ? 0xFF : 0x00;
        EXPECT_EQ(Pixel(img, x, y), (Bgra{uint8_t(m ^ c[0]), uint8_t(m ^ c[1]), uint8_t(m ^ c[2]), 255}))
            << x << "," << y;
      }
    }
  }
}

TEST(IcoDecoder, AlphaEntriesBlendOverWhiteAndIgnoreTheirMask) {
  auto colour = [](uint32_t x, uint32_t) -> Bgra {
    const uint8_t alpha[4] = {0, 255, 128, 1};
    return {40, 80, 160, alpha[x % 4]};
  };
  Dib d{8, 2, 32, {}, nullptr, colour, [](uint32_t, uint32_t) { return true; }};
  conv::IconImage img;
  ASSERT_TRUE(conv::DecodeIco(Ico({{8, 2, 32, DibBytes(d)}}), img));
  for (uint32_t x = 0; x < 8; ++x) {
    const uint8_t a = colour(x, 0)[3];
    EXPECT_EQ(Pixel(img, x, 1), (Bgra{Over(40, a), Over(80, a), Over(160, a), 255})) << x;
  }
  // Without any alpha a 32-bit entry is drawn through its mask like the others.
  Dib flat{4,
           1,
           32,
           {},
           nullptr,
           [](uint32_t, uint32_t) {
             return Bgra{40, 80, 160, 0};
           },
           [](uint32_t x, uint32_t) { return x == 0; }};
  ASSERT_TRUE(conv::DecodeIco(Ico({{4, 1, 32, DibBytes(flat)}}), img));
  EXPECT_EQ(Pixel(img, 0, 0), (Bgra{255 - 40, 255 - 80, 255 - 160, 255}));
  EXPECT_EQ(Pixel(img, 1, 0), (Bgra{40, 80, 160, 255}));
}

Bytes PngBytes(uint32_t w, uint32_t h, const std::function<Bgra(uint32_t, uint32_t)>& rgba) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = w;
  png.height = h;
  png.format = PNG_FORMAT_RGBA;
  Bytes pixels;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const Bgra c = rgba(x, y);
      pixels.insert(pixels.end(), c.begin(), c.end());
    }
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr));
  Bytes out(size);
  EXPECT_TRUE(png_image_write_to_memory(&png, out.data(), &size, 0, pixels.data(), 0, nullptr));
  out.resize(size);
  return out;
}

TEST(IcoDecoder, PngEntriesDecodeThroughLibpng) {
  auto rgba = [](uint32_t x, uint32_t y) {
    return Bgra{static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 8), 200,
                static_cast<uint8_t>(x == 0 ? 0 : 255 - y)};
  };
  conv::IconImage img;
  std::string error;
  ASSERT_TRUE(conv::DecodeIco(Ico({{32, 32, 32, PngBytes(32, 32, rgba)}}), img, &error)) << error;
  ASSERT_EQ(img.width, 32u);
  EXPECT_EQ(Pixel(img, 0, 5), (Bgra{255, 255, 255, 255}));
  const Bgra c = rgba(7, 3);
  EXPECT_EQ(Pixel(img, 7, 3), (Bgra{Over(c[2], c[3]), Over(c[1], c[3]), Over(c[0], c[3]), 255}));
}

Bytes Solid(uint32_t side, uint32_t bits, Bgra colour) {
  Dib d{side,
        side,
        bits,
        {},
        [](uint32_t, uint32_t) { return 1u; },
        [=](uint32_t, uint32_t) { return colour; },
        [](uint32_t, uint32_t) { return false; }};
  if (bits <= 8) d.palette = {{0, 0, 0, 0}, colour};
  return DibBytes(d);
}

TEST(IcoDecoder, TheEntryNearest32WithTheMostColoursIsChosen) {
  const Bytes ico = Ico({{16, 16, 8, Solid(16, 8, {1, 1, 1, 0})},
                         {32, 32, 4, Solid(32, 4, {2, 2, 2, 0})},
                         {32, 32, 24, Solid(32, 24, {3, 3, 3, 0})},
                         {48, 48, 32, Solid(48, 32, {4, 4, 4, 255})}});
  conv::IconImage img;
  ASSERT_TRUE(conv::DecodeIco(ico, img));
  EXPECT_EQ(img.width, 32u);
  EXPECT_EQ(Pixel(img, 5, 5), (Bgra{3, 3, 3, 255}));
  ASSERT_TRUE(conv::DecodeIco(
      Ico({{16, 16, 8, Solid(16, 8, {1, 1, 1, 0})}, {48, 48, 8, Solid(48, 8, {4, 4, 4, 0})}}), img));
  EXPECT_EQ(img.width, 16u) << "16 and 48 are equally far: the first wins";
}

TEST(IcoDecoder, DamagedIconsAreRefusedWithoutReadingPastTheirBytes) {
  const Bytes good = Ico({{32, 32, 8, Solid(32, 8, {9, 9, 9, 0})}});
  conv::IconImage img;
  ASSERT_TRUE(conv::DecodeIco(good, img));
  for (size_t n = 0; n < good.size(); ++n) {
    const Bytes cut(good.begin(),
                    good.begin() + static_cast<std::ptrdiff_t>(n));  // exact size: ASan sees overreads
    EXPECT_FALSE(conv::DecodeIco(cut, img)) << n;
    EXPECT_TRUE(img.pixels.empty());
  }
  struct Case {
    const char* what;
    size_t at;
    std::vector<uint8_t> bytes;
  };
  const size_t image = 6 + 16;
  const Case cases[] = {
      {"cursor, not icon", 2, {2, 0}},
      {"no entries", 4, {0, 0}},
      {"more entries than bytes", 4, {0xFF, 0xFF}},
      {"offset beyond the file", 18, {0xFF, 0xFF, 0xFF, 0x7F}},
      {"16 bits per pixel", image + 14, {16, 0}},
      {"compressed", image + 16, {1, 0, 0, 0}},
      {"negative height", image + 8, {0xC0, 0xFF, 0xFF, 0xFF}},
      {"odd height", image + 8, {63, 0, 0, 0}},
      {"colour index beyond the table", image + 32, {1, 0, 0, 0}},
      {"huge colour table", image + 32, {0, 0, 1, 0}},
      {"header size beyond the image", image, {0xFF, 0xFF, 0, 0}},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<std::ptrdiff_t>(c.at));
    std::string error;
    EXPECT_FALSE(conv::DecodeIco(bad, img, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  Bytes png = PngBytes(4, 4, [](uint32_t, uint32_t) { return Bgra{1, 2, 3, 4}; });
  png[24] = 3;  // IHDR bit depth: no such depth
  EXPECT_FALSE(conv::DecodeIco(Ico({{4, 4, 32, png}}), img));
}

}  // namespace

namespace {

TEST(IcoDecoder, IconsMadeByImageMagickLookAsImageMagickDrawsThemOnWhite) {
  if (!vmtest::RunCommand("command -v convert >/dev/null 2>&1").ok)
    GTEST_SKIP() << "ImageMagick is not installed";
  vmtest::TempDir dir;
  const struct {
    const char* name;
    const char* recipe;
  } icons[] = {
      {"alpha.ico",
       "-size 32x32 xc:none -fill 'rgba(200,40,10,0.5)' -draw 'circle 16,16 16,4' "
       "-fill blue -draw 'rectangle 2,2 8,8'"},
      {"two-colours.ico", "-size 20x20 xc:white -fill red -draw 'rectangle 2,2 8,8' -colors 4 -type Palette"},
      {"sixteen.ico", "-size 24x24 gradient:yellow-navy -colors 16 -type Palette"},
  };
  for (const auto& icon : icons) {
    SCOPED_TRACE(icon.name);
    const std::string path = (dir.path() / icon.name).string();
    ASSERT_TRUE(vmtest::RunCommand(std::string("convert ") + icon.recipe + " " + path).ok);
    const auto reference =
        vmtest::RunCommand("convert " + path + " -background white -flatten -depth 8 rgb:-");
    ASSERT_TRUE(reference.ok);
    conv::IconImage img;
    std::string error;
    ASSERT_TRUE(conv::LoadIcoFile(path, img, &error)) << error;
    ASSERT_EQ(reference.output.size(), static_cast<size_t>(img.width) * img.height * 3);
    int worst = 0;
    for (size_t i = 0; i < static_cast<size_t>(img.width) * img.height; ++i) {
      for (int k = 0; k < 3; ++k) {
        const int ours = img.pixels[i * 4 + 2 - k];  // BGRA against RGB
        const int theirs = static_cast<unsigned char>(reference.output[i * 3 + k]);
        worst = std::max(worst, std::abs(ours - theirs));
      }
    }
    EXPECT_LE(worst, 1);
  }
}

}  // namespace
