// The readers on hand-built files: the variants ImageMagick does not write,
// and every documented error.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bmp/bmp_test_support.h"
#include "support/test_support.h"

namespace {
using namespace bmptest;
using Bytes = std::vector<uint8_t>;

void Add16(Bytes& b, uint32_t v) { b.push_back(v & 0xFF), b.push_back(v >> 8 & 0xFF); }
void Add32(Bytes& b, uint32_t v) { Add16(b, v & 0xFFFF), Add16(b, v >> 16); }

struct Tga {
  uint8_t idLength = 0, mapType = 0, imageType = 2;
  uint16_t mapFirst = 0, mapLength = 0;
  uint8_t entryBits = 0;
  uint16_t width = 2, height = 2;
  uint8_t depth = 24, descriptor = 0;
  Bytes Header() const {
    Bytes b{idLength, mapType, imageType};
    Add16(b, mapFirst), Add16(b, mapLength), b.push_back(entryBits), Add32(b, 0);
    Add16(b, width), Add16(b, height), b.push_back(depth), b.push_back(descriptor);
    return b;
  }
};

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes WithFooter(Bytes b) {
  static const char kFooter[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";  // offsets, signature, dot, NUL
  return Cat(b, Bytes(kFooter, kFooter + sizeof kFooter));
}

// BMP with a 40-byte info header; pixels follow the palette.
Bytes Bmp40(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const std::vector<uint32_t>& palette,
            const Bytes& pixels, uint32_t infoSize = 40, uint16_t planes = 1) {
  Bytes b{'B', 'M'};
  const uint32_t offset = 14 + infoSize + 4 * static_cast<uint32_t>(palette.size());
  Add32(b, offset + static_cast<uint32_t>(pixels.size())), Add32(b, 0), Add32(b, offset);
  Add32(b, infoSize), Add32(b, static_cast<uint32_t>(w)), Add32(b, static_cast<uint32_t>(h)),
      Add16(b, planes), Add16(b, bits), Add32(b, compression), Add32(b, static_cast<uint32_t>(pixels.size()));
  Add32(b, 2835), Add32(b, 2835), Add32(b, static_cast<uint32_t>(palette.size())), Add32(b, 0);
  b.resize(14 + infoSize, 0);
  for (uint32_t p : palette) Add32(b, p);
  return Cat(b, pixels);
}

struct Pcx {
  uint8_t manufacturer = 10, version = 5, encoding = 1, bits = 1;
  uint16_t xmax = 7, ymax = 1;
  uint8_t planes = 1;
  uint16_t bytesPerLine = 2;
  Bytes palette16 = Bytes(48, 0);
  Bytes Header() const {
    Bytes b{manufacturer, version, encoding, bits};
    Add16(b, 0), Add16(b, 0), Add16(b, xmax), Add16(b, ymax), Add16(b, 72), Add16(b, 72);
    b.insert(b.end(), palette16.begin(), palette16.end());
    b.push_back(0), b.push_back(planes), Add16(b, bytesPerLine);
    b.resize(128, 0);
    return b;
  }
};

class ImageBytes : public ::testing::Test {
protected:
  // Loads bytes saved under the name into a fresh bitmap; returns the status.
  int32_t Load(const std::string& name, const Bytes& bytes, int32_t alphaOption = 0) {
    const std::string path = dir_.str() + "/" + name;
    WriteBytes(path, bytes);
    bmp_ = NewBmp32(0, 0);
    int32_t status = -1;
    bmp_->Load(MakeStr(path).get(), 1, alphaOption, nullptr, &status);
    return status;
  }
  vmtest::TempDir dir_;
  Bmp32Ptr bmp_;
};

TEST_F(ImageBytes, SixteenBitTgaIsFiveSixFiveWithoutAlphaBitsAndFiveFiveFiveWithOne) {
  Tga t;
  t.width = 2, t.height = 1, t.depth = 16, t.descriptor = 0x20;
  Bytes px;
  Add16(px, 0xF800), Add16(px, 0x07E0);
  ASSERT_EQ(Load("a.tga", Cat(t.Header(), px)), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFFF80000u);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFF00FC00u);
  t.descriptor = 0x21;
  px.clear();
  Add16(px, 0x7C00), Add16(px, 0x03E0);  // top bit clear: still opaque
  ASSERT_EQ(Load("b.tga", Cat(t.Header(), px)), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFFF80000u);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFF00F800u);
}

TEST_F(ImageBytes, ColourMappedTgaMapsIndexZeroToTheFirstEntryWhateverTheFirstEntryField) {
  Tga t;
  t.mapType = 1, t.imageType = 1, t.mapFirst = 7, t.mapLength = 2, t.entryBits = 16;
  t.width = 2, t.height = 1, t.depth = 8;
  Bytes map;
  Add16(map, 0x001F), Add16(map, 0x7C00);  // 5-5-5: blue, red
  ASSERT_EQ(Load("m.tga", Cat(Cat(t.Header(), map), Bytes{1, 0})), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFFF80000u);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFF0000F8u);
}

TEST_F(ImageBytes, BottomUpAndTopDownTgaGiveTheSameBitmap) {
  Tga t;
  t.width = 1, t.height = 2, t.depth = 24;
  ASSERT_EQ(Load("up.tga", Cat(t.Header(), Bytes{1, 2, 3, 4, 5, 6})), 0);
  Bmp32Ptr up = std::move(bmp_);
  t.descriptor = 0x20;
  ASSERT_EQ(Load("down.tga", Cat(t.Header(), Bytes{4, 5, 6, 1, 2, 3})), 0);
  EXPECT_TRUE(bmp_->IsEqual(up.get()));
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFF060504u);
}

TEST_F(ImageBytes, RunLengthPacketPastTheScanlineIsRefusedWithoutWritingPastTheRow) {
  Tga t;
  t.imageType = 10, t.width = 2, t.height = 2, t.depth = 32, t.descriptor = 0x28;
  // First row: a run of three pixels for a row of two.
  ASSERT_EQ(Load("r.tga", Cat(t.Header(), Bytes{0x82, 1, 2, 3, 4, 0x81, 9, 9, 9, 9})), 0x1001F);
  EXPECT_EQ(bmp_->GetWidth(), 2);  // the size from the header stays
  EXPECT_EQ(Px(*bmp_, 0, 1), 0u);
}

TEST_F(ImageBytes, BmpVariantsImageMagickDoesNotWrite) {
  // 2 bits per pixel: four pixels in one byte, most significant first.
  ASSERT_EQ(Load("two.bmp", Bmp40(4, 1, 2, 0, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, {0x1B, 0, 0, 0})), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFF000000u);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(*bmp_, 3, 0), 0xFF0000FFu);

  // 16 bits: the top bit is alpha only with the alpha option.
  Bytes px16;
  Add16(px16, 0x7C00), Add16(px16, 0x801F);
  const Bytes b16 = Bmp40(2, 1, 16, 0, {}, px16);
  ASSERT_EQ(Load("s.bmp", b16, 1), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0x00F80000u);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFF0000F8u);
  ASSERT_EQ(Load("s.bmp", b16, 0), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFFF80000u);

  // 32 bits: alpha kept with the option, opaque without.
  const Bytes b32 = Bmp40(1, 1, 32, 0, {}, {1, 2, 3, 0x40});
  ASSERT_EQ(Load("t.bmp", b32, 1), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0x40030201u);
  ASSERT_EQ(Load("t.bmp", b32, 0), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFF030201u);

  // Negative height: rows stored top-down.
  ASSERT_EQ(Load("n.bmp", Bmp40(1, -2, 24, 0, {}, {1, 1, 1, 0, 2, 2, 2, 0})), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFF010101u);
  EXPECT_EQ(Px(*bmp_, 0, 1), 0xFF020202u);
}

TEST_F(ImageBytes, RunLengthFourBitBmpWithRunsLiteralsMovesAndEnd) {
  const std::vector<uint32_t> pal = {0x000000, 0x111111, 0x222222, 0x333333};
  // Bottom row: run of 3 alternating 1,2; literal 3; end of line.
  // Top row: move 1 right, run of 2 of 3,3; end of bitmap.
  const Bytes rle{3, 0x12, 0, 3, 0x30, 0, 0, 0, 0, 2, 1, 0, 2, 0x33, 0, 1};
  ASSERT_EQ(Load("r4.bmp", Bmp40(5, 2, 4, 2, pal, rle)), 0);
  const uint32_t k = 0xFF000000u;
  const uint32_t bottom[5] = {k | 0x111111, k | 0x222222, k | 0x111111, k | 0x333333, k};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Px(*bmp_, x, 1), bottom[x]) << x;
  // The move of (1, 0) skips the top row's first pixel.
  EXPECT_EQ(Px(*bmp_, 0, 0), k);
  EXPECT_EQ(Px(*bmp_, 1, 0), k | 0x333333);
  EXPECT_EQ(Px(*bmp_, 2, 0), k | 0x333333);
}

TEST_F(ImageBytes, PcxPlanarAndLowBitVariants) {
  Pcx p;
  p.palette16[3] = 0xFF;   // entry 1: red
  p.palette16[7] = 0xFF;   // entry 2: green
  p.palette16[11] = 0xFF;  // entry 3: blue
  // 1 bit, one plane, raw: 0x80 gives pixel 0 = entry 1.
  p.encoding = 0, p.xmax = 7, p.ymax = 0;
  ASSERT_EQ(Load("a.pcx", Cat(p.Header(), Bytes{0x80, 0})), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFF000000u);
  // 2 planes of 1 bit: plane 1 supplies the high bit of the index.
  p.planes = 2;
  ASSERT_EQ(Load("b.pcx", Cat(p.Header(), Bytes{0x80, 0, 0xC0, 0})), 0);
  EXPECT_EQ(Px(*bmp_, 0, 0), 0xFF0000FFu);  // index 3
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFF00FF00u);  // index 2
  // 2 bits, one plane, run-length: a run of two bytes 0x1B.
  p.planes = 1, p.bits = 2, p.encoding = 1, p.xmax = 3;
  ASSERT_EQ(Load("c.pcx", Cat(p.Header(), Bytes{0xC2, 0x1B})), 0);
  EXPECT_EQ(Px(*bmp_, 1, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(*bmp_, 3, 0), 0xFF0000FFu);
}

TEST_F(ImageBytes, ScrambledBmpIsReadThroughTheMask) {
  Bytes file = Bmp40(1, 1, 24, 0, {}, {9, 8, 7, 0});
  for (uint8_t& b : file) b ^= 0xA5;
  const std::string path = dir_.str() + "/w.dat";
  WriteBytes(path, file);
  Bmp32Ptr bmp = NewBmp32(0, 0);
  int32_t status = -1;
  WAReadImage(MakeStr(path).get(), bmp.get(), &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(Px(*bmp, 0, 0), 0xFF070809u);
}

struct ErrorCase {
  const char* what;
  const char* name;
  Bytes bytes;
  int32_t status;
};

std::vector<ErrorCase> ErrorCases() {
  std::vector<ErrorCase> cases;
  Tga t;
  t.imageType = 5;
  cases.push_back({"tga unknown type", "a.tga", Cat(t.Header(), Bytes(12, 0)), 0x10020});
  t.imageType = 4;
  cases.push_back(
      {"tga type 4 behind the footer", "a.tga", WithFooter(Cat(t.Header(), Bytes(12, 0))), 0x60005});
  t = Tga{};
  t.mapType = 2;
  cases.push_back({"tga colour-map type 2", "a.tga", Cat(t.Header(), Bytes(12, 0)), 0x10020});
  t = Tga{};
  t.mapType = 1, t.entryBits = 8, t.mapLength = 1;
  cases.push_back({"tga colour-map entry of 8 bits", "a.tga", Cat(t.Header(), Bytes(13, 0)), 0x10020});
  t = Tga{};
  t.depth = 15;
  cases.push_back({"tga depth 15", "a.tga", Cat(t.Header(), Bytes(8, 0)), 0x60003});
  t = Tga{};
  t.depth = 16, t.descriptor = 8;
  cases.push_back({"tga 16 bits with 8 alpha bits", "a.tga", Cat(t.Header(), Bytes(8, 0)), 0x60002});
  t = Tga{};
  t.descriptor = 0x10;
  cases.push_back({"tga right to left", "a.tga", Cat(t.Header(), Bytes(12, 0)), 0x60007});
  t = Tga{};
  t.mapLength = 500, t.entryBits = 24;  // pixels would start past the end
  cases.push_back({"tga shorter than its pixel start", "a.tga", Cat(t.Header(), Bytes(12, 0)), 0x1000C});
  t = Tga{};
  cases.push_back({"tga truncated pixels", "a.tga", Cat(t.Header(), Bytes(7, 0)), 0x10009});
  cases.push_back({"tga shorter than its header", "a.tga", Bytes(10, 0), 0x10020});

  cases.push_back(
      {"bmp without BM", "a.bmp", Bytes{'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0}, 0x10020});
  cases.push_back({"bmp info header 108", "a.bmp", Bmp40(1, 1, 24, 0, {}, Bytes(4, 0), 108), 0x10021});
  cases.push_back({"bmp info header 124", "a.bmp", Bmp40(1, 1, 24, 0, {}, Bytes(4, 0), 124), 0x10021});
  cases.push_back({"bmp two planes", "a.bmp", Bmp40(1, 1, 24, 0, {}, Bytes(4, 0), 40, 2), 0x60006});
  cases.push_back({"bmp bit fields", "a.bmp", Bmp40(1, 1, 16, 3, {}, Bytes(4, 0)), 0x60004});
  cases.push_back({"bmp 5 bits", "a.bmp", Bmp40(1, 1, 5, 0, {}, Bytes(4, 0)), 0x60003});
  cases.push_back(
      {"bmp palette of 300", "a.bmp", Bmp40(1, 1, 8, 0, std::vector<uint32_t>(300), Bytes(4, 0)), 0x1001F});
  Bytes farOffset = Bmp40(1, 1, 24, 0, {}, Bytes(4, 0));
  farOffset[10] = 0xFF;
  cases.push_back({"bmp pixels past the end", "a.bmp", farOffset, 0x1000C});
  cases.push_back({"bmp truncated rows", "a.bmp", Bmp40(2, 2, 24, 0, {}, Bytes(9, 0)), 0x10009});
  cases.push_back(
      {"bmp RLE8 move out of the image", "a.bmp", Bmp40(2, 1, 8, 1, {0}, Bytes{0, 2, 0, 5}), 0x1001F});

  Pcx p;
  p.manufacturer = 5;
  cases.push_back({"pcx manufacturer", "a.pcx", Cat(p.Header(), Bytes(4, 0)), 0x10020});
  p = Pcx{};
  p.bytesPerLine = 3;
  cases.push_back({"pcx odd bytes per line", "a.pcx", Cat(p.Header(), Bytes(6, 0)), 0x10020});
  p = Pcx{};
  p.planes = 5;
  cases.push_back({"pcx five planes", "a.pcx", Cat(p.Header(), Bytes(4, 0)), 0x10020});
  p = Pcx{};
  p.xmax = 100;  // 101 pixels do not fit two bytes per line
  cases.push_back({"pcx line too short for the width", "a.pcx", Cat(p.Header(), Bytes(4, 0)), 0x10020});
  p = Pcx{};
  p.bits = 8, p.xmax = 1, p.bytesPerLine = 2, p.version = 3;
  cases.push_back({"pcx 256 colours before version 5", "a.pcx", Cat(p.Header(), Bytes(800, 0)), 0x10020});
  p.version = 5;
  cases.push_back({"pcx 256 colours without the marker", "a.pcx", Cat(p.Header(), Bytes(800, 0)), 0x1001F});
  p = Pcx{};
  // A run of 5 bytes for a row of 2.
  cases.push_back({"pcx run past the row", "a.pcx", Cat(p.Header(), Bytes{0xC5, 0xFF, 0, 0}), 0x1001F});
  p = Pcx{};
  p.ymax = 60000, p.xmax = 60000 - 1, p.bytesPerLine = 7500, p.encoding = 0;
  cases.push_back(
      {"pcx promising far more pixels than it holds", "a.pcx", Cat(p.Header(), Bytes(16, 0)), 0x1001F});

  cases.push_back({"unknown extension", "a.gif", Bytes{'G', 'I', 'F'}, 0x1001E});
  return cases;
}

TEST_F(ImageBytes, DamagedAndUnsupportedFilesReportTheirCode) {
  for (const ErrorCase& c : ErrorCases()) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Load(c.name, c.bytes), c.status);
  }
}

TEST_F(ImageBytes, UnknownExtensionLeavesTheBitmapAndCapitalsStillDispatch) {
  Tga t;
  t.width = 1, t.height = 1;
  const std::string tga = dir_.str() + "/UP.TGA", gif = dir_.str() + "/x.gif";
  WriteBytes(tga, Cat(t.Header(), Bytes{1, 2, 3}));
  WriteBytes(gif, Cat(t.Header(), Bytes{1, 2, 3}));
  Bmp32Ptr bmp = NewBmp32(3, 3);
  bmp->Fill(0x12345678);
  int32_t status = -1;
  bmp->Load(MakeStr(gif).get(), 1, 1, nullptr, &status);
  EXPECT_EQ(status, 0x1001E);
  EXPECT_EQ(bmp->GetWidth(), 3);
  EXPECT_EQ(Px(*bmp, 2, 2), 0x12345678u);
  bmp->Load(MakeStr(tga).get(), 1, 1, nullptr, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Px(*bmp, 0, 0), 0xFF030201u);
  bmp->Load(MakeStr(dir_.str() + "/missing.tga").get(), 1, 1, nullptr, &status);
  EXPECT_EQ(status, 0x10000);
}

}  // namespace
