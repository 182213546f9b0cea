// The identification instruction through the compiler's <cpuid.h>.
#include "platform/cpuid.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace vm {

bool CpuidAvailable() {
#if defined(__x86_64__)
  return true;
#elif defined(__i386__)
  // A processor has the instruction when the ID flag (bit 21) of EFLAGS can be
  // toggled. The highest level may still be 0 on the earliest models, so the
  // level itself cannot tell.
  uint32_t changed = 0;
  __asm__ volatile(
      "pushfl\n\t"
      "popl %%eax\n\t"
      "movl %%eax, %%ecx\n\t"
      "xorl $0x200000, %%eax\n\t"
      "pushl %%eax\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %%eax\n\t"
      "xorl %%ecx, %%eax\n\t"
      "pushl %%ecx\n\t"
      "popfl"
      : "=a"(changed)
      :
      : "ecx", "cc");
  return (changed & 0x200000u) != 0;
#else
  return false;
#endif
}

CpuidRegisters Cpuid(uint32_t level) {
  CpuidRegisters r;
#if defined(__i386__) || defined(__x86_64__)
  // The raw instruction, not __get_cpuid: the decoding asks levels beyond the
  // highest one on purpose (level 0x80000000 itself tells whether extended
  // levels exist).
  __cpuid_count(level, 0, r.eax, r.ebx, r.ecx, r.edx);
#else
  (void)level;
#endif
  return r;
}

}  // namespace vm
