// The processor identification instruction, where the processor has one.
#pragma once

#include "core/cpu_info.h"

namespace vm {

// True on x86 and x86-64 processors that implement the instruction.
bool CpuidAvailable();
// The registers of one level (sub-level 0); all zero where unavailable.
CpuidRegisters Cpuid(uint32_t level);

}  // namespace vm
