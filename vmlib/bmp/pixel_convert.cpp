#include "bmp/pixel_convert.h"

#include <cstring>

#include "bmp/pixel_formats.h"

namespace vm::bmp {
namespace {

enum class Kind : uint8_t { kCopy, kWiden, kRefuse, kVia32 };

constexpr Kind KindFor(int32_t from, int32_t to) {
  if (from == to || (from == 5 && to == 4) || (from == 9 && to == 8)) return Kind::kCopy;
  if (to <= 3) return from <= 3 && from < to ? Kind::kWiden : Kind::kRefuse;
  return Kind::kVia32;
}

struct Table {
  Kind kinds[kPixelFormatCount][kPixelFormatCount];
  constexpr Table() : kinds{} {
    for (int f = 0; f < kPixelFormatCount; ++f)
      for (int t = 0; t < kPixelFormatCount; ++t) kinds[f][t] = KindFor(f, t);
  }
};
constexpr Table kTable;

uint32_t Load(const uint8_t* s, int32_t from, int32_t x, const BmpPalette* palette) {
  switch (from) {
    case 0:
    case 1:
    case 2:
    case 3: {
      const uint32_t i = PaletteIndex(s, BitsOf(from), x);
      return 0xFF000000u | (palette ? palette->entries[i] & 0x00FFFFFFu : 0);
    }
    case 4:
    case 5: {
      const uint32_t v = s[2 * x] | (s[2 * x + 1] << 8);
      const uint32_t a = from == 4 || (v & 0x8000) ? 0xFF000000u : 0;
      return a | ((v >> 10 & 0x1F) << 19) | ((v >> 5 & 0x1F) << 11) | ((v & 0x1F) << 3);
    }
    case 6: {
      const uint32_t v = s[2 * x] | (s[2 * x + 1] << 8);
      return 0xFF000000u | ((v >> 11 & 0x1F) << 19) | ((v >> 5 & 0x3F) << 10) | ((v & 0x1F) << 3);
    }
    case 7:
      return 0xFF000000u | s[3 * x] | (s[3 * x + 1] << 8) | (s[3 * x + 2] << 16);
    case 8: {
      uint32_t v;
      std::memcpy(&v, s + 4 * x, 4);
      return v | 0xFF000000u;
    }
    default: {
      uint32_t v;
      std::memcpy(&v, s + 4 * x, 4);
      return v;
    }
  }
}

void Store(uint8_t* d, int32_t to, int32_t x, uint32_t v) {
  const uint32_t a = v >> 24, r = v >> 16 & 0xFF, g = v >> 8 & 0xFF, b = v & 0xFF;
  switch (to) {
    case 4:
    case 5: {
      const uint32_t p = (to == 5 && a >= 128 ? 0x8000 : 0) | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
      d[2 * x] = static_cast<uint8_t>(p), d[2 * x + 1] = static_cast<uint8_t>(p >> 8);
      return;
    }
    case 6: {
      const uint32_t p = (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
      d[2 * x] = static_cast<uint8_t>(p), d[2 * x + 1] = static_cast<uint8_t>(p >> 8);
      return;
    }
    case 7:
      d[3 * x] = static_cast<uint8_t>(b), d[3 * x + 1] = static_cast<uint8_t>(g),
            d[3 * x + 2] = static_cast<uint8_t>(r);
      return;
    default:
      std::memcpy(d + 4 * x, &v, 4);
      return;
  }
}

void StoreIndex(uint8_t* d, int32_t bits, int32_t x, uint32_t index) {
  const int32_t perByte = 8 / bits, shift = (perByte - 1 - x % perByte) * bits;
  const uint8_t mask = static_cast<uint8_t>(((1u << bits) - 1) << shift);
  uint8_t& byte = d[x / perByte];
  byte = static_cast<uint8_t>((byte & ~mask) | ((index << shift) & mask));
}

}  // namespace

uint32_t PaletteIndex(const uint8_t* row, int32_t bits, int32_t x) {
  if (bits == 8) return row[x];
  const int32_t perByte = 8 / bits, shift = (perByte - 1 - x % perByte) * bits;
  return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}

void ConvertRow(void* dst, int32_t to, const void* src, int32_t from, int32_t n, const BmpPalette* palette) {
  if (from < 0 || from >= kPixelFormatCount || to < 0 || to >= kPixelFormatCount)
    throw CException("Conversion not supported");
  auto* d = static_cast<uint8_t*>(dst);
  const auto* s = static_cast<const uint8_t*>(src);
  switch (kTable.kinds[from][to]) {
    case Kind::kCopy:
      std::memcpy(d, s, (static_cast<size_t>(n) * BitsOf(from) + 7) / 8);
      return;
    case Kind::kWiden:
      for (int32_t x = 0; x < n; ++x) StoreIndex(d, BitsOf(to), x, PaletteIndex(s, BitsOf(from), x));
      return;
    case Kind::kRefuse:
      throw CException("Conversion not supported");
    case Kind::kVia32:
      for (int32_t x = 0; x < n; ++x) Store(d, to, x, Load(s, from, x, palette));
      return;
  }
}

}  // namespace vm::bmp
