// Icon file layout (little-endian):
//
//   directory   reserved u16 = 0, type u16 = 1, count u16
//   entries     count × 16 bytes: width u8, height u8 (0 = 256), colours u8,
//               reserved u8, planes u16, bits u16, size u32, offset u32
//   image       a PNG file, or a BITMAPINFOHEADER (40 bytes; its height is
//               twice the icon's), a colour table of RGBQUADs for 1 to 8 bits,
//               the colour rows bottom-up padded to 4 bytes, then the AND mask
//               rows (1 bit per pixel, 1 = transparent) bottom-up padded to 4.
#include "ico_decoder.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace conv {
namespace {

constexpr uint32_t kMaxDibSide = 256;
constexpr uint32_t kMaxPngSide = 1024;
constexpr uint64_t kMaxFileBytes = 16u << 20;

uint32_t U16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

bool Fail(std::string* error, const std::string& what) {
  if (error != nullptr) *error = what;
  return false;
}

uint8_t Blend(uint32_t colour, uint32_t alpha) {
  return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

bool IsPng(std::span<const uint8_t> b) {
  static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return b.size() >= 8 && std::memcmp(b.data(), kSig, 8) == 0;
}

// Width, height and bits per pixel an entry's image claims, for the choice.
bool Describe(std::span<const uint8_t> image, uint32_t& w, uint32_t& h, uint32_t& bits) {
  if (IsPng(image)) {
    if (image.size() < 33 || std::memcmp(image.data() + 12, "IHDR", 4) != 0) return false;
    auto be = [&](size_t at) {
      return uint32_t{image[at]} << 24 | uint32_t{image[at + 1]} << 16 | uint32_t{image[at + 2]} << 8 |
             image[at + 3];
    };
    w = be(16);
    h = be(20);
    bits = 32;
    return true;
  }
  if (image.size() < 40 || U32(image.data()) < 40) return false;
  const int32_t bw = static_cast<int32_t>(U32(image.data() + 4));
  const int32_t bh = static_cast<int32_t>(U32(image.data() + 8));
  if (bw <= 0 || bh <= 0) return false;
  w = static_cast<uint32_t>(bw);
  h = static_cast<uint32_t>(bh) / 2;
  bits = U16(image.data() + 14);
  return true;
}

bool DecodePng(std::span<const uint8_t> image, IconImage& out, std::string* error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, image.data(), image.size()))
    return Fail(error, std::string("PNG entry: ") + png.message);
  if (png.width == 0 || png.height == 0 || png.width > kMaxPngSide || png.height > kMaxPngSide) {
    png_image_free(&png);
    return Fail(error,
                "PNG entry of " + std::to_string(png.width) + " x " + std::to_string(png.height) + " pixels");
  }
  png.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> straight(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, straight.data(), 0, nullptr))
    return Fail(error, std::string("PNG entry: ") + png.message);
  out.width = png.width;
  out.height = png.height;
  out.pixels.resize(straight.size());
  for (size_t i = 0; i < straight.size(); i += 4) {
    const uint32_t a = straight[i + 3];
    for (int k = 0; k < 3; ++k) out.pixels[i + k] = Blend(straight[i + k], a);
    out.pixels[i + 3] = 255;
  }
  return true;
}

bool DecodeDib(std::span<const uint8_t> image, IconImage& out, std::string* error) {
  if (image.size() < 40) return Fail(error, "bitmap header cut short");
  const uint32_t headerSize = U32(image.data());
  const int32_t bw = static_cast<int32_t>(U32(image.data() + 4));
  const int32_t bh = static_cast<int32_t>(U32(image.data() + 8));
  const uint32_t bits = U16(image.data() + 14);
  const uint32_t compression = U32(image.data() + 16);
  const uint32_t used = U32(image.data() + 32);
  if (headerSize < 40 || headerSize > image.size()) return Fail(error, "bad bitmap header size");
  if (bw <= 0 || bh <= 1 || bh % 2 != 0) return Fail(error, "bad bitmap size");
  const uint32_t w = static_cast<uint32_t>(bw);
  const uint32_t h = static_cast<uint32_t>(bh) / 2;
  if (w > kMaxDibSide || h > kMaxDibSide) return Fail(error, "icon larger than 256 x 256");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return Fail(error, std::to_string(bits) + " bits per pixel are not supported");
  if (compression != 0) return Fail(error, "compressed bitmaps are not supported");

  size_t at = headerSize;
  uint32_t paletteSize = 0;
  if (bits <= 8) {
    paletteSize = used != 0 ? used : 1u << bits;
    if (paletteSize > (1u << bits)) return Fail(error, "colour table larger than the bit depth allows");
  }
  if (paletteSize * 4 > image.size() - at) return Fail(error, "colour table cut short");
  const uint8_t* palette = image.data() + at;
  at += paletteSize * 4;

  const size_t rowBytes = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  const size_t maskRowBytes = ((w + 31) / 32) * 4;
  if (rowBytes * h > image.size() - at) return Fail(error, "colour rows cut short");
  const uint8_t* colours = image.data() + at;
  at += rowBytes * h;
  // Some writers leave out the mask of 32-bit entries, whose alpha is enough.
  const bool hasMask = maskRowBytes * h <= image.size() - at;
  if (!hasMask && bits != 32) return Fail(error, "AND mask cut short");
  const uint8_t* mask = hasMask ? image.data() + at : nullptr;

  bool alpha = false;
  if (bits == 32) {
    for (uint32_t y = 0; y < h && !alpha; ++y) {
      for (uint32_t x = 0; x < w; ++x) alpha = alpha || colours[y * rowBytes + x * 4 + 3] != 0;
    }
  }

  out.width = w;
  out.height = h;
  out.pixels.assign(static_cast<size_t>(w) * h * 4, 0);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = colours + (h - 1 - y) * rowBytes;  // stored bottom-up
    const uint8_t* maskRow = mask != nullptr ? mask + (h - 1 - y) * maskRowBytes : nullptr;
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t bgr[3];
      uint32_t a = 255;
      if (bits <= 8) {
        const uint32_t perByte = 8 / bits;
        const uint32_t shift = 8 - bits * (x % perByte + 1);
        const uint32_t index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
        if (index >= paletteSize) return Fail(error, "colour index beyond the colour table");
        std::memcpy(bgr, palette + index * 4, 3);
      } else {
        std::memcpy(bgr, row + x * (bits / 8), 3);
        if (bits == 32) a = row[x * 4 + 3];
      }
      uint8_t* px = out.pixels.data() + (static_cast<size_t>(y) * w + x) * 4;
      if (alpha) {
        for (int k = 0; k < 3; ++k) px[k] = Blend(bgr[k], a);
      } else {
        // The icon is drawn as (screen AND mask) XOR colour on white.
        const bool transparent = maskRow != nullptr && ((maskRow[x / 8] >> (7 - x % 8)) & 1) != 0;
        for (int k = 0; k < 3; ++k) px[k] = static_cast<uint8_t>((transparent ? 0xFF : 0x00) ^ bgr[k]);
      }
      px[3] = 255;
    }
  }
  return true;
}

}  // namespace

bool DecodeIco(std::span<const uint8_t> bytes, IconImage& out, std::string* error) {
  out = IconImage{};
  if (bytes.size() < 6) return Fail(error, "too short for an icon directory");
  if (U16(bytes.data()) != 0 || U16(bytes.data() + 2) != 1) return Fail(error, "not an icon file");
  const uint32_t count = U16(bytes.data() + 4);
  if (count == 0) return Fail(error, "the icon holds no image");
  if (count * 16 > bytes.size() - 6) return Fail(error, "icon directory cut short");

  int best = -1;
  uint32_t bestDistance = 0, bestBits = 0;
  std::span<const uint8_t> bestImage;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = bytes.data() + 6 + i * 16;
    const uint32_t size = U32(e + 8);
    const uint32_t offset = U32(e + 12);
    if (offset > bytes.size() || size > bytes.size() - offset) continue;  // an entry outside the file
    const std::span<const uint8_t> image = bytes.subspan(offset, size);
    uint32_t w, h, bits;
    if (!Describe(image, w, h, bits)) continue;
    const uint32_t distance = (w > 32 ? w - 32 : 32 - w) + (h > 32 ? h - 32 : 32 - h);
    if (best < 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
      best = static_cast<int>(i);
      bestDistance = distance;
      bestBits = bits;
      bestImage = image;
    }
  }
  if (best < 0) return Fail(error, "no icon entry lies within the file");
  const bool ok = IsPng(bestImage) ? DecodePng(bestImage, out, error) : DecodeDib(bestImage, out, error);
  if (!ok) out = IconImage{};
  return ok;
}

bool LoadIcoFile(const std::filesystem::path& path, IconImage& out, std::string* error) {
  std::error_code ec;
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (ec) return Fail(error, "cannot read " + path.string());
  if (size > kMaxFileBytes) return Fail(error, path.string() + " is too large for an icon");
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
    return Fail(error, "cannot read " + path.string());
  return DecodeIco(bytes, out, error);
}

}  // namespace conv
