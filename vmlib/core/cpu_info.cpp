// GetCPUInfo: the processor's identification levels decoded into CpuInfo.
#include "core/cpu_info.h"

#include <cstring>
#include <string_view>

#include "platform/cpuid.h"

namespace vm {
namespace {

constexpr uint32_t kExtendedBase = 0x80000000u;

uint16_t FamilyOf(uint32_t signature) {
  const uint16_t base = (signature >> 8) & 0xF;
  return base == 15 ? static_cast<uint16_t>(base + ((signature >> 20) & 0xFF)) : base;
}

uint8_t ModelOf(uint32_t signature) {
  const uint32_t base = (signature >> 4) & 0xF;
  if (((signature >> 8) & 0xF) != 15) return static_cast<uint8_t>(base);
  return static_cast<uint8_t>((((signature >> 16) & 0xF) << 4) + base);
}

void SetSignatureFields(uint32_t signature, CpuInfo* info) {
  info->family = FamilyOf(signature);
  info->model = ModelOf(signature);
  info->stepping = signature & 0xF;
}

void CopyName(std::string_view name, CpuInfo* info) {
  const size_t n = name.size() < sizeof(info->name) - 1 ? name.size() : sizeof(info->name) - 1;
  std::memcpy(info->name, name.data(), n);
  info->name[n] = '\0';
}

// The 48-byte brand string of levels 0x80000002 to 0x80000004, up to its
// first zero and without blanks at either end.
void CopyBrandString(const CpuidQuery& query, CpuInfo* info) {
  char brand[48];
  for (uint32_t i = 0; i < 3; ++i) {
    const CpuidRegisters r = query(kExtendedBase + 2 + i);
    const uint32_t words[4] = {r.eax, r.ebx, r.ecx, r.edx};
    std::memcpy(brand + 16 * i, words, sizeof words);
  }
  std::string_view s(brand, strnlen(brand, sizeof brand));
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  CopyName(s, info);
}

enum class SecondLevelCache { kOrdinary, kNone, kLarge };

// Scans the level-2 descriptor bytes: EAX bytes 3 to 1 (byte 0 is the repeat
// count), then EBX, ECX and EDX from byte 0 up; the first telling byte wins.
SecondLevelCache ClassifyCache(const CpuidRegisters& level2) {
  auto classify = [](uint32_t byte, SecondLevelCache* out) {
    if (byte == 0x40)
      *out = SecondLevelCache::kNone;
    else if (byte >= 0x44)
      *out = SecondLevelCache::kLarge;
    else
      return false;
    return true;
  };
  SecondLevelCache result = SecondLevelCache::kOrdinary;
  for (int shift = 24; shift >= 8; shift -= 8) {
    if (classify((level2.eax >> shift) & 0xFF, &result)) return result;
  }
  for (const uint32_t reg : {level2.ebx, level2.ecx, level2.edx}) {
    for (int shift = 0; shift <= 24; shift += 8) {
      if (classify((reg >> shift) & 0xFF, &result)) return result;
    }
  }
  return result;
}

const char* IntelNameByFamily(const CpuInfo& info, const CpuidRegisters* level2) {
  if (info.family == 5) return "Genuine Intel(R) Pentium(R) processor";
  if (info.family != 6) return "";
  switch (info.model) {
    case 1:
      return "Genuine Intel Pentium(R) Pro processor";
    case 3:
      return "Genuine Intel(R) Pentium(R) II processor, model 3";
    case 6:
      return "Genuine Intel(R) Celeron(R) processor, model 6";
    case 5:
    case 7:
      break;
    default:
      return "";
  }
  if (level2 == nullptr) return "";
  const SecondLevelCache cache = ClassifyCache(*level2);
  if (info.model == 5) {
    switch (cache) {
      case SecondLevelCache::kOrdinary:
        return "Genuine Intel(R) Pentium(R) II or Xeon(TM) processor, model 5";
      case SecondLevelCache::kNone:
        return "Genuine Intel(R) Celeron(R) processor, model 5";
      case SecondLevelCache::kLarge:
        return "Genuine Intel(R) Pentium(R) II Xeon(TM) processor";
    }
  }
  switch (cache) {
    case SecondLevelCache::kOrdinary:
      return "Genuine Intel(R) Pentium(R) III or Xeon(TM) processor, model 7";
    case SecondLevelCache::kLarge:
      return "Genuine Intel(R) Pentium(R) III Xeon(TM) processor, model 7";
    case SecondLevelCache::kNone:
      break;
  }
  return "";
}

void DecodeIntel(const CpuidQuery& query, uint32_t level1Ecx, CpuInfo* info) {
  info->type = (info->signature >> 12) & 0x3;
  if (level1Ecx & 0x1) info->instructionSets |= kCpuSse3;
  if (info->maxExtendedLevel > kExtendedBase + 3) {
    CopyBrandString(query, info);
    return;
  }
  CpuidRegisters level2;
  const bool needsCache =
      info->brandIndex == 0 && info->family == 6 && (info->model == 5 || info->model == 7);
  if (needsCache && info->maxStandardLevel >= 2) level2 = query(2);
  CopyName(IntelNameByBrand(*info, needsCache && info->maxStandardLevel >= 2 ? &level2 : nullptr), info);
}

void DecodeAmd(const CpuidQuery& query, const CpuidRegisters* extended1, CpuInfo* info) {
  if (extended1 != nullptr) {
    SetSignatureFields(extended1->eax, info);
    if ((extended1->ebx & 0xFFF) != 0) info->brandIndex = extended1->ebx & 0xFFF;
    if (extended1->edx & (1u << 22)) info->instructionSets |= kCpuMmxExt;
    if (extended1->edx & (1u << 30)) info->instructionSets |= kCpu3DNowExt;
  }
  if (info->maxExtendedLevel >= kExtendedBase + 4) {
    CopyBrandString(query, info);
  } else if (info->family == 4) {
    CopyName("AMD Am486 or Am5x86 processor", info);
  } else if (info->family == 5 && info->model == 0) {
    CopyName("AMD-K5 processor", info);
  }
}

}  // namespace

const char* IntelNameByBrand(const CpuInfo& info, const CpuidRegisters* level2) {
  const bool early = info.signature < 0xF13;
  switch (info.brandIndex) {
    case 0:
      return IntelNameByFamily(info, level2);
    case 1:
    case 10:
    case 20:
      return "Genuine Intel(R) Celeron(R) processor";
    case 2:
    case 4:
      return "Genuine Intel(R) Pentium(R) III processor";
    case 3:
      return info.signature == 0x6B1 ? "Genuine Intel(R) Celeron(R) processor"
                                     : "Genuine Intel(R) Pentium(R) III Xeon(TM) processor";
    case 6:
      return "Genuine Mobile Intel(R) Pentium(R) III processor-M";
    case 7:
    case 15:
    case 19:
    case 23:
      return "Genuine Mobile Intel(R) Celeron(R) processor";
    case 8:
      return early ? "Genuine Intel(R) Pentium(R) 4 processor" : "Genuine Intel(R) Genuine processor";
    case 9:
      return "Genuine Intel(R) Pentium(R) 4 processor";
    case 11:
      return early ? "Genuine Intel(R) Xeon(TM) processor MP" : "Genuine Intel(R) Xeon(TM) processor";
    case 12:
      return "Genuine Intel(R) Xeon(TM) processor MP";
    case 14:
      return early ? "Genuine Intel(R) Xeon(TM) processor"
                   : "Genuine Mobile Intel(R) Pentium(R) 4 processor-M";
    case 17:
    case 21:
      return "Mobile Genuine Intel(R) processor";
    case 18:
      return "Genuine Intel(R) Celeron(R) M processor";
    case 22:
      return "Genuine Intel(R) Pentium(R) M processor";
    default:
      return "";
  }
}

void DecodeCpuInfo(const CpuidQuery& query, CpuInfo* info) {
  std::memset(info, 0, sizeof *info);
  const CpuidRegisters level0 = query(0);
  info->maxStandardLevel = level0.eax;
  std::memcpy(info->vendor, &level0.ebx, 4);
  std::memcpy(info->vendor + 4, &level0.edx, 4);
  std::memcpy(info->vendor + 8, &level0.ecx, 4);
  info->vendor[12] = '\0';
  if (info->maxStandardLevel == 0) return;

  const CpuidRegisters level1 = query(1);
  info->signature = level1.eax;
  info->features = level1.edx;
  info->brandIndex = level1.ebx & 0xFF;
  SetSignatureFields(info->signature, info);
  if (level1.edx & (1u << 23)) info->instructionSets |= kCpuMmx;
  if (level1.edx & (1u << 25)) info->instructionSets |= kCpuSse;
  if (level1.edx & (1u << 26)) info->instructionSets |= kCpuSse2;

  info->maxExtendedLevel = query(kExtendedBase).eax;
  CpuidRegisters extended1;
  const bool hasExtended1 = info->maxExtendedLevel > kExtendedBase;
  if (hasExtended1) {
    extended1 = query(kExtendedBase + 1);
    if (extended1.edx & (1u << 31)) info->instructionSets |= kCpu3DNow;
  }

  const std::string_view vendor(info->vendor, 12);
  if (vendor == "GenuineIntel") {
    DecodeIntel(query, level1.ecx, info);
  } else if (vendor == "AuthenticAMD") {
    DecodeAmd(query, hasExtended1 ? &extended1 : nullptr, info);
  }
}

}  // namespace vm

VMLIB_EXPORT bool GetCPUInfo(CpuInfo* info) {
  if (info == nullptr) return false;
  std::memset(info, 0, sizeof *info);
  if (!vm::CpuidAvailable()) return false;
  vm::DecodeCpuInfo(vm::Cpuid, info);
  return true;
}
