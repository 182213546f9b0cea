// The 80-bit x87 extended format: 64-bit mantissa with an explicit integer
// bit (bytes 0-7), then a 15-bit biased exponent and the sign (bytes 8-9).
// Converted in integers so the result is the nearest double on any host.
#include <cmath>
#include <cstring>
#include <limits>

#include "vmlib/streams.h"

namespace {

// m / 2^shift rounded to nearest, ties to even; shift may exceed 63.
uint64_t ShiftRound(uint64_t m, int shift) {
  if (shift <= 0) return m;
  if (shift > 64) return 0;
  if (shift == 64) return m > (uint64_t{1} << 63) ? 1 : 0;
  const uint64_t q = m >> shift;
  const uint64_t rest = m & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  return (rest > half || (rest == half && (q & 1))) ? q + 1 : q;
}

double FromBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace

double ExtendedToDouble(const uint8_t bytes[10]) {
  uint64_t mantissa = 0;
  for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | bytes[i];
  const unsigned top = bytes[8] | (static_cast<unsigned>(bytes[9]) << 8);
  const uint64_t sign = static_cast<uint64_t>(top >> 15) << 63;
  const int exponent = static_cast<int>(top & 0x7FFF);
  constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
  constexpr uint64_t kInfinity = uint64_t{0x7FF} << 52;

  if (exponent == 0x7FFF) {
    // Only a set integer bit with a zero fraction is infinity; everything else
    // (NaNs and the pseudo forms the x87 rejects) reads as a quiet NaN.
    if (mantissa == kIntegerBit) return FromBits(sign | kInfinity);
    return FromBits(sign | kInfinity | (uint64_t{1} << 51));
  }
  if (exponent != 0 && (mantissa & kIntegerBit) == 0) return FromBits(sign | kInfinity | (uint64_t{1} << 51));
  if (mantissa == 0) return FromBits(sign);

  // value = mantissa * 2^(e - 16383 - 63), with e = 1 for the denormal forms.
  const int lead = __builtin_clzll(mantissa);
  mantissa <<= lead;
  const int unbiased = (exponent == 0 ? 1 : exponent) - 16383 - lead;  // exponent of the leading bit
  if (unbiased > 1023) return FromBits(sign | kInfinity);
  if (unbiased >= -1022) {
    // 53 significant bits; a carry out of rounding moves into the exponent
    // field by the addition, up to infinity.
    const uint64_t q = ShiftRound(mantissa, 11);
    return FromBits(sign | ((static_cast<uint64_t>(unbiased + 1022) << 52) + q));
  }
  // Subnormal double: fewer bits survive; rounding up to 2^52 gives the
  // smallest normal number by the same addition.
  const int shift = 11 + (-1022 - unbiased);
  return FromBits(sign | ShiftRound(mantissa, shift));
}
