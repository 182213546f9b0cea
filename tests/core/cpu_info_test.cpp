#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "core/cpu_info.h"
#include "vmlib/sysinfo.h"

namespace {

using vm::CpuidRegisters;

uint32_t Chars(const char* four) {
  uint32_t v;
  std::memcpy(&v, four, 4);
  return v;
}

// A processor described by the registers of each level it answers; levels
// it does not know answer zero, and every asked level is recorded.
struct FakeProcessor {
  std::map<uint32_t, CpuidRegisters> levels;
  mutable std::map<uint32_t, int> asked;

  FakeProcessor(const char* vendor, uint32_t maxStandard, uint32_t maxExtended) {
    levels[0] = {maxStandard, Chars(vendor), Chars(vendor + 8), Chars(vendor + 4)};
    levels[0x80000000] = {maxExtended, 0, 0, 0};
  }
  void Level1(uint32_t signature, uint32_t ebx, uint32_t ecx, uint32_t edx) {
    levels[1] = {signature, ebx, ecx, edx};
  }
  void Brand(const char* text) {
    char brand[48] = {};
    std::memcpy(brand, text, std::min(std::strlen(text), sizeof brand));
    for (uint32_t i = 0; i < 3; ++i) {
      CpuidRegisters r;
      std::memcpy(&r.eax, brand + 16 * i, 4);
      std::memcpy(&r.ebx, brand + 16 * i + 4, 4);
      std::memcpy(&r.ecx, brand + 16 * i + 8, 4);
      std::memcpy(&r.edx, brand + 16 * i + 12, 4);
      levels[0x80000002 + i] = r;
    }
  }
  CpuInfo Decode() const {
    CpuInfo info;
    std::memset(&info, 0xCC, sizeof info);  // decoding must clear what it does not fill
    vm::DecodeCpuInfo(
        [this](uint32_t level) {
          ++asked[level];
          auto it = levels.find(level);
          return it == levels.end() ? CpuidRegisters{} : it->second;
        },
        &info);
    return info;
  }
};

TEST(CpuInfo, LevelZeroOfZeroGivesOnlyTheVendor) {
  FakeProcessor p("GenuineIntel", 0, 0x80000004);
  p.Brand("never read");
  const CpuInfo info = p.Decode();
  EXPECT_STREQ(info.vendor, "GenuineIntel");
  EXPECT_EQ(info.signature, 0u);
  EXPECT_EQ(info.maxExtendedLevel, 0u);
  EXPECT_STREQ(info.name, "");
  EXPECT_EQ(p.asked.count(1), 0u);
}

TEST(CpuInfo, IntelWithBrandStringTrimsBlanksAndReadsLevelOne) {
  FakeProcessor p("GenuineIntel", 5, 0x80000008);
  // Family 15 extended family 1, extended model 2, model 3, type 2, stepping 9.
  p.Level1(0x00122F39, 0x0000000E, 0x1, (1u << 23) | (1u << 25) | (1u << 26));
  p.levels[0x80000001] = {0, 0, 0, 1u << 31};
  p.Brand("      Intel(R) Xeon(TM) CPU 3.00GHz  ");
  const CpuInfo info = p.Decode();
  EXPECT_EQ(info.maxStandardLevel, 5u);
  EXPECT_EQ(info.maxExtendedLevel, 0x80000008u);
  EXPECT_EQ(info.signature, 0x00122F39u);
  EXPECT_EQ(info.features, (1u << 23) | (1u << 25) | (1u << 26));
  EXPECT_EQ(info.family, 16);
  EXPECT_EQ(info.model, 0x23);
  EXPECT_EQ(info.stepping, 9);
  EXPECT_EQ(info.type, 2);
  EXPECT_EQ(info.brandIndex, 0x0E);
  EXPECT_EQ(info.instructionSets, kCpuMmx | kCpuSse | kCpuSse2 | kCpuSse3 | kCpu3DNow);
  EXPECT_STREQ(info.name, "Intel(R) Xeon(TM) CPU 3.00GHz");
}

TEST(CpuInfo, BaseFamilyBelowFifteenIgnoresExtendedFields) {
  FakeProcessor p("GenuineIntel", 2, 0x80000000);
  p.Level1(0x0FF106A5, 0, 0, 0);
  const CpuInfo info = p.Decode();
  EXPECT_EQ(info.family, 6);
  EXPECT_EQ(info.model, 0xA);
  EXPECT_EQ(info.stepping, 5);
  // Extended level 0x80000000 is the highest: level 0x80000001 is not read.
  EXPECT_EQ(p.asked.count(0x80000001), 0u);
}

struct BrandCase {
  uint8_t brandIndex;
  uint32_t signature;
  const char* name;
};

class IntelBrandIndex : public ::testing::TestWithParam<BrandCase> {};

TEST_P(IntelBrandIndex, NamesTheProcessorWithoutBrandString) {
  const BrandCase& c = GetParam();
  FakeProcessor p("GenuineIntel", 2, 0x80000003);  // one level short of a brand string
  p.Level1(c.signature, c.brandIndex, 0, 0);
  p.Brand("must not be used");
  EXPECT_STREQ(p.Decode().name, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    AllIndexes, IntelBrandIndex,
    ::testing::Values(BrandCase{1, 0x686, "Genuine Intel(R) Celeron(R) processor"},
                      BrandCase{10, 0x686, "Genuine Intel(R) Celeron(R) processor"},
                      BrandCase{20, 0x686, "Genuine Intel(R) Celeron(R) processor"},
                      BrandCase{2, 0x686, "Genuine Intel(R) Pentium(R) III processor"},
                      BrandCase{4, 0x686, "Genuine Intel(R) Pentium(R) III processor"},
                      BrandCase{3, 0x6B1, "Genuine Intel(R) Celeron(R) processor"},
                      BrandCase{3, 0x6B4, "Genuine Intel(R) Pentium(R) III Xeon(TM) processor"},
                      BrandCase{6, 0x6B1, "Genuine Mobile Intel(R) Pentium(R) III processor-M"},
                      BrandCase{7, 0x6B1, "Genuine Mobile Intel(R) Celeron(R) processor"},
                      BrandCase{15, 0xF24, "Genuine Mobile Intel(R) Celeron(R) processor"},
                      BrandCase{19, 0xF24, "Genuine Mobile Intel(R) Celeron(R) processor"},
                      BrandCase{23, 0xF24, "Genuine Mobile Intel(R) Celeron(R) processor"},
                      BrandCase{8, 0xF12, "Genuine Intel(R) Pentium(R) 4 processor"},
                      BrandCase{8, 0xF13, "Genuine Intel(R) Genuine processor"},
                      BrandCase{9, 0xF24, "Genuine Intel(R) Pentium(R) 4 processor"},
                      BrandCase{11, 0xF12, "Genuine Intel(R) Xeon(TM) processor MP"},
                      BrandCase{11, 0xF13, "Genuine Intel(R) Xeon(TM) processor"},
                      BrandCase{12, 0xF24, "Genuine Intel(R) Xeon(TM) processor MP"},
                      BrandCase{14, 0xF12, "Genuine Intel(R) Xeon(TM) processor"},
                      BrandCase{14, 0xF13, "Genuine Mobile Intel(R) Pentium(R) 4 processor-M"},
                      BrandCase{17, 0x695, "Mobile Genuine Intel(R) processor"},
                      BrandCase{21, 0x695, "Mobile Genuine Intel(R) processor"},
                      BrandCase{18, 0x695, "Genuine Intel(R) Celeron(R) M processor"},
                      BrandCase{22, 0x695, "Genuine Intel(R) Pentium(R) M processor"},
                      BrandCase{5, 0x6B1, ""}, BrandCase{13, 0xF24, ""}, BrandCase{16, 0xF24, ""},
                      BrandCase{24, 0xF24, ""}, BrandCase{255, 0xF24, ""}));

struct FamilyCase {
  uint32_t signature;
  uint32_t maxStandard;
  CpuidRegisters level2;
  const char* name;
};

class IntelBrandIndexZero : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(IntelBrandIndexZero, NamesByFamilyModelAndCache) {
  const FamilyCase& c = GetParam();
  FakeProcessor p("GenuineIntel", c.maxStandard, 0);
  p.Level1(c.signature, 0, 0, 0);
  p.levels[2] = c.level2;
  EXPECT_STREQ(p.Decode().name, c.name);
}

// Descriptor registers: 0x40 = no second-level cache, 0x44 or more = large.
INSTANTIATE_TEST_SUITE_P(
    FamiliesAndCaches, IntelBrandIndexZero,
    ::testing::Values(
        FamilyCase{0x543, 2, {}, "Genuine Intel(R) Pentium(R) processor"},
        FamilyCase{0x619, 2, {}, "Genuine Intel Pentium(R) Pro processor"},
        FamilyCase{0x634, 2, {}, "Genuine Intel(R) Pentium(R) II processor, model 3"},
        FamilyCase{0x660, 2, {}, "Genuine Intel(R) Celeron(R) processor, model 6"},
        FamilyCase{0x652,
                   2,
                   {0x03020101, 0, 0, 0x0C040843},
                   "Genuine Intel(R) Pentium(R) II or Xeon(TM) processor, model 5"},
        FamilyCase{0x652, 2, {0x40020101, 0, 0, 0}, "Genuine Intel(R) Celeron(R) processor, model 5"},
        FamilyCase{0x652, 2, {0x01, 0, 0x00440000, 0}, "Genuine Intel(R) Pentium(R) II Xeon(TM) processor"},
        // Byte 0 of EAX is the repeat count, never a descriptor.
        FamilyCase{0x673,
                   2,
                   {0x03020144, 0, 0, 0},
                   "Genuine Intel(R) Pentium(R) III or Xeon(TM) processor, model 7"},
        FamilyCase{
            0x673, 2, {0x01, 0x45, 0, 0}, "Genuine Intel(R) Pentium(R) III Xeon(TM) processor, model 7"},
        // A 0x40 ahead of the large-cache byte decides: no name for model 7.
        FamilyCase{0x673, 2, {0x01, 0x00000040, 0x00000044, 0}, ""},
        // EDX is scanned from byte 0: 0x44 in byte 1 comes before 0x40 in byte 3.
        FamilyCase{0x673,
                   2,
                   {0x01, 0, 0, 0x40004400},
                   "Genuine Intel(R) Pentium(R) III Xeon(TM) processor, model 7"},
        // Without level 2 the cache is unknown.
        FamilyCase{0x652, 1, {0x40020101, 0, 0, 0}, ""}, FamilyCase{0x6A0, 2, {}, ""},
        FamilyCase{0x480, 2, {}, ""}, FamilyCase{0xF29, 2, {}, ""}));

TEST(CpuInfo, AmdTakesFamilyModelAndBrandFromTheExtendedLevel) {
  FakeProcessor p("AuthenticAMD", 1, 0x80000018);
  p.Level1(0x00A20F12, 0x05, 0x1, (1u << 23) | (1u << 25));
  p.levels[0x80000001] = {0x00A20F12 + 0x1, 0x20000123, 0, (1u << 22) | (1u << 30) | (1u << 31)};
  p.Brand("AMD Ryzen 7 5800X 8-Core Processor             ");
  const CpuInfo info = p.Decode();
  EXPECT_EQ(info.family, 15 + 0xA);
  EXPECT_EQ(info.model, 0x21);
  EXPECT_EQ(info.stepping, 3);
  EXPECT_EQ(info.signature, 0x00A20F12u);  // the level-1 signature stays
  EXPECT_EQ(info.brandIndex, 0x123);
  EXPECT_EQ(info.type, 0);
  EXPECT_EQ(info.instructionSets, kCpuMmx | kCpuSse | kCpu3DNow | kCpu3DNowExt | kCpuMmxExt);
  EXPECT_STREQ(info.name, "AMD Ryzen 7 5800X 8-Core Processor");
}

TEST(CpuInfo, AmdWithoutBrandStringIsNamedByFamily) {
  struct Case {
    uint32_t extendedSignature;
    const char* name;
  };
  for (const Case& c : {Case{0x0480, "AMD Am486 or Am5x86 processor"}, Case{0x0501, "AMD-K5 processor"},
                        Case{0x0511, ""}, Case{0x0611, ""}}) {
    FakeProcessor p("AuthenticAMD", 1, 0x80000001);
    p.Level1(0x0611, 0x07, 0, 0);
    p.levels[0x80000001] = {c.extendedSignature, 0, 0, 0};
    p.Brand("must not be used");
    const CpuInfo info = p.Decode();
    EXPECT_STREQ(info.name, c.name) << std::hex << c.extendedSignature;
    EXPECT_EQ(info.brandIndex, 0x07);  // extended brand id 0 keeps the level-1 index
  }
}

TEST(CpuInfo, OtherVendorsGetNoName) {
  FakeProcessor p("CyrixInstead", 1, 0x80000004);
  p.Level1(0x0543, 0, 0x1, 1u << 23);
  p.Brand("Some brand");
  const CpuInfo info = p.Decode();
  EXPECT_STREQ(info.vendor, "CyrixInstead");
  EXPECT_STREQ(info.name, "");
  EXPECT_EQ(info.instructionSets, kCpuMmx);  // SSE3 is read for Intel only
}

TEST(CpuInfo, ThisProcessorIsIdentifiedOnX86) {
  CpuInfo info;
  std::memset(&info, 0xCC, sizeof info);
  const bool known = GetCPUInfo(&info);
#if defined(__x86_64__)
  ASSERT_TRUE(known);
  EXPECT_EQ(std::strlen(info.vendor), 12u);
  EXPECT_GT(info.maxStandardLevel, 0u);
  EXPECT_NE(info.instructionSets & kCpuSse2, 0u);  // every x86-64 processor has SSE2
  EXPECT_NE(info.family, 0);
#elif defined(__i386__)
  if (known) EXPECT_EQ(std::strlen(info.vendor), 12u);
#else
  EXPECT_FALSE(known);
  const CpuInfo zero{};
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof info), 0);
#endif
}

}  // namespace
