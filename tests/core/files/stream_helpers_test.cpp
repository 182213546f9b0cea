#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "core/files/files_test_util.h"
#include "vmlib/streams.h"

using namespace filestest;

namespace {

std::string Bytes(const CMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.GetData()),
                     static_cast<size_t>(const_cast<CMemoryStream&>(s).GetSize()));
}

TEST(StreamHelpers, IntegersAreLittleEndian) {
  CMemoryStream s;
  int32_t err = -1;
  ASSERT_TRUE(StreamWriteUInt8(&s, 0xAB, &err));
  ASSERT_TRUE(StreamWriteInt16(&s, -2, &err));
  ASSERT_TRUE(StreamWriteInt32(&s, 0x12345678, &err));
  ASSERT_TRUE(StreamWriteUInt32(&s, 0xCAFEBABE, &err));
  ASSERT_TRUE(StreamWriteInt64(&s, -3, &err));
  ASSERT_TRUE(StreamWriteDouble(&s, 1.0, &err));
  EXPECT_EQ(Bytes(s), std::string("\xAB\xFE\xFF\x78\x56\x34\x12\xBE\xBA\xFE\xCA"
                                  "\xFD\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                                  "\x00\x00\x00\x00\x00\x00\xF0\x3F",
                                  27));
  s.SeekTo(0, &err);
  uint8_t u8;
  int16_t i16;
  int32_t i32;
  uint32_t u32;
  int64_t i64;
  double d;
  ASSERT_TRUE(StreamReadUInt8(&s, &u8, &err) && StreamReadInt16(&s, &i16, &err) &&
              StreamReadInt32(&s, &i32, &err) && StreamReadUInt32(&s, &u32, &err) &&
              StreamReadInt64(&s, &i64, &err) && StreamReadDouble(&s, &d, &err));
  EXPECT_EQ(u8, 0xAB);
  EXPECT_EQ(i16, -2);
  EXPECT_EQ(i32, 0x12345678);
  EXPECT_EQ(u32, 0xCAFEBABEu);
  EXPECT_EQ(i64, -3);
  EXPECT_EQ(d, 1.0);
  // A read past the end fails even though a memory stream reports no code.
  EXPECT_FALSE(StreamReadInt32(&s, &i32, &err));
  EXPECT_EQ(err, 0x10009);
  CMemoryViewStream view("ab", 2);
  EXPECT_FALSE(StreamWriteInt32(&view, 1, &err));  // nothing can be written to a view
  EXPECT_EQ(err, 0x1000B);
}

TEST(StreamHelpers, String8IsCutTo255Bytes) {
  CMemoryStream s;
  int32_t err = -1;
  ASSERT_TRUE(StreamWriteString8(&s, std::string(300, 'q'), &err));
  ASSERT_TRUE(StreamWriteString8(&s, S("").get(), &err));
  EXPECT_EQ(s.GetSize(), 1 + 255 + 1);
  s.SeekTo(0, &err);
  auto out = S("old");
  ASSERT_TRUE(StreamReadString8(&s, out.get(), &err));
  EXPECT_EQ(Text(out.get()), std::string(255, 'q'));
  std::string text = "x";
  ASSERT_TRUE(StreamReadString8(&s, &text, &err));
  EXPECT_EQ(text, "");
  CMemoryViewStream shortText(
      "\x05"
      "abc",
      4);
  EXPECT_FALSE(StreamReadString8(&shortText, &text, &err));
  EXPECT_EQ(err, 0x10009);
}

TEST(StreamHelpers, String32LengthIsCheckedAgainstTheBytesLeft) {
  CMemoryStream s;
  int32_t err = -1;
  ASSERT_TRUE(StreamWriteString32(&s, std::string("a\0b", 3), &err));
  EXPECT_EQ(Bytes(s), std::string("\x03\x00\x00\x00"
                                  "a\0b",
                                  7));
  s.SeekTo(0, &err);
  std::string text;
  ASSERT_TRUE(StreamReadString32(&s, &text, &err));
  EXPECT_EQ(text, std::string("a\0b", 3));

  struct Case {
    std::string bytes;
    bool ok;
  };
  const Case cases[] = {
      {std::string("\x00\x00\x00\x00", 4), true},  // empty
      {std::string("\x02\x00\x00\x00"
                   "ab",
                   6),
       true},  // exactly what is left
      {std::string("\x03\x00\x00\x00"
                   "ab",
                   6),
       false},  // one more than left
      {std::string("\xFF\xFF\xFF\xFF"
                   "ab",
                   6),
       false},  // negative
      {std::string("\xFF\xFF\xFF\x7F"
                   "ab",
                   6),
       false},  // huge: refused before allocating
  };
  for (const Case& c : cases) {
    CMemoryViewStream v(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
    auto out = S("kept?");
    EXPECT_EQ(StreamReadString32(&v, out.get(), &err), c.ok);
    EXPECT_EQ(err, c.ok ? 0 : 0x1001F);
    if (!c.ok) {
      EXPECT_EQ(out->length, 0);
    }
  }
}

TEST(StreamHelpers, CheckMagic) {
  CMemoryViewStream good("VelmoraWptDB\x01", 13);
  int32_t err = -1;
  EXPECT_TRUE(StreamCheckMagic(&good, "VelmoraWptDB", 12, &err));
  EXPECT_EQ(good.GetPosition(), 12);
  CMemoryViewStream bad("VelmoraWptDX", 12);
  EXPECT_FALSE(StreamCheckMagic(&bad, "VelmoraWptDB", 12, &err));
  EXPECT_EQ(err, 0x10020);
  CMemoryViewStream shortOne("Velm", 4);
  EXPECT_FALSE(StreamCheckMagic(&shortOne, "VelmoraWptDB", 12, &err));
  EXPECT_EQ(err, 0x10009);
}

TEST(StreamHelpers, CopyInPiecesUpTo64KiB) {
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31);
  CMemoryViewStream src(data.data(), static_cast<int64_t>(data.size()));
  CMemoryStream dst;
  int32_t err = -1;
  src.SeekTo(5, &err);
  EXPECT_EQ(StreamCopy(&dst, &src, 150000, &err), 150000);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(Bytes(dst), data.substr(5, 150000));
  EXPECT_EQ(StreamCopy(&dst, &src, 60000, &err), 49995);  // only 49995 are left
  EXPECT_EQ(err, 0x10009);
  EXPECT_EQ(StreamCopy(&dst, &src, 0, &err), 0);
  EXPECT_EQ(err, 0);
}

double Extended(uint16_t signExponent, uint64_t mantissa) {
  uint8_t b[10];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  b[8] = static_cast<uint8_t>(signExponent);
  b[9] = static_cast<uint8_t>(signExponent >> 8);
  return ExtendedToDouble(b);
}

TEST(ExtendedFloat, KnownValues) {
  const uint64_t one = uint64_t{1} << 63;
  EXPECT_EQ(Extended(0x3FFF, one), 1.0);
  EXPECT_EQ(Extended(0xBFFF, one), -1.0);
  EXPECT_EQ(Extended(0x4000, one | (one >> 1)), 3.0);
  EXPECT_EQ(Extended(0x3FFD, 0xCCCCCCCCCCCCCCCDull), 0.4);  // 0.4 rounded to 64 bits, then to 53
  EXPECT_EQ(Extended(0, 0), 0.0);
  EXPECT_TRUE(std::signbit(Extended(0x8000, 0)));
  EXPECT_EQ(Extended(0x7FFF, one), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Extended(0xFFFF, one), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(Extended(0x7FFF, one | 1)));
  EXPECT_TRUE(std::isnan(Extended(0x7FFF, 1)));                                   // pseudo-NaN
  EXPECT_TRUE(std::isnan(Extended(0x3FFF, one >> 1)));                            // unnormal: no integer bit
  EXPECT_EQ(Extended(0x43FE + 2, one), std::numeric_limits<double>::infinity());  // 2^1025: too large
  EXPECT_EQ(Extended(0x3FFF - 1074, one), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(Extended(0x3FFF - 1075, one), 0.0);  // half of it: ties to even
  EXPECT_EQ(Extended(0x3FFF - 1075, one | 1), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(Extended(0x3FFF - 1022, one), std::numeric_limits<double>::min());
  // Largest double, and the value that rounds up from it to infinity.
  EXPECT_EQ(Extended(0x3FFF + 1023, 0xFFFFFFFFFFFFF800ull), std::numeric_limits<double>::max());
  EXPECT_EQ(Extended(0x3FFF + 1023, 0xFFFFFFFFFFFFFC00ull), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Extended(0x0000, 1), 0.0);  // extended denormal far below any double
}

TEST(ExtendedFloat, ReadThroughAStream) {
  const uint8_t bytes[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  CMemoryViewStream s(bytes, 10);
  int32_t err = -1;
  double d = 0;
  ASSERT_TRUE(StreamReadExtended(&s, &d, &err));
  EXPECT_EQ(d, 1.0);
  EXPECT_FALSE(StreamReadExtended(&s, &d, &err));
  EXPECT_EQ(err, 0x10009);
}

#if defined(__x86_64__) || defined(__i386__)
// The host's own x87 conversion is the reference: random bit patterns over
// the whole exponent range, rounding to nearest, ties to even.
TEST(ExtendedFloat, AgreesWithTheX87OnRandomPatterns) {
  std::mt19937_64 rng(2026);
  for (int i = 0; i < 200000; ++i) {
    uint8_t b[16] = {};
    const uint64_t mantissa = rng() | (i % 7 ? uint64_t{1} << 63 : 0);
    uint16_t exponent = static_cast<uint16_t>(rng());
    if (i % 3 == 0) exponent = static_cast<uint16_t>((exponent & 0x8000) | (0x3FFF - 1100 + rng() % 2200));
    std::memcpy(b, &mantissa, 8);
    std::memcpy(b + 8, &exponent, 2);
    long double ld;
    std::memcpy(&ld, b, sizeof ld < 16 ? sizeof ld : 16);
    const double expected = static_cast<double>(ld);
    const double got = ExtendedToDouble(b);
    if (std::isnan(expected)) {
      ASSERT_TRUE(std::isnan(got)) << std::hex << exponent << " " << mantissa;
    } else {
      ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << std::hex << exponent << " " << mantissa;
    }
  }
}
#endif

}  // namespace
