// Decoding of the processor identification levels into a CpuInfo record,
// kept apart from the instruction so it can be checked on recorded registers.
#pragma once

#include <cstdint>
#include <functional>

#include "vmlib/sysinfo.h"

namespace vm {

struct CpuidRegisters {
  uint32_t eax = 0;
  uint32_t ebx = 0;
  uint32_t ecx = 0;
  uint32_t edx = 0;
};

// Answers one identification level (leaf) with the four registers it returns.
using CpuidQuery = std::function<CpuidRegisters(uint32_t level)>;

// Fills info (zeroed first) by asking query for the levels the decoding
// needs. Always succeeds: whether the instruction exists is the caller's
// question.
void DecodeCpuInfo(const CpuidQuery& query, CpuInfo* info);

// The Intel name for a processor without a brand string; level2 is the cache
// descriptor level (only read for brand index 0, family 6, models 5 and 7).
const char* IntelNameByBrand(const CpuInfo& info, const CpuidRegisters* level2);

}  // namespace vm
