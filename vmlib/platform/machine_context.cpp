// Register sets from ucontext_t. On x86-64 the kernel's general register
// array is kept whole and in its own order; elsewhere only the program
// counter, stack and frame pointers are filled.
#include "platform/machine_context.h"

#include <ucontext.h>

#include <cstring>

namespace vm {

void ContextFromUcontext(const void* ucontext, ExceptionContext* out) {
  std::memset(out, 0, sizeof(*out));
  if (ucontext == nullptr) return;
  const auto* uc = static_cast<const ucontext_t*>(ucontext);
#if defined(__x86_64__)
  static_assert(sizeof(ExceptionContext) == sizeof(uc->uc_mcontext.gregs),
                "ExceptionContext mirrors the x86-64 general register set");
  std::memcpy(out, uc->uc_mcontext.gregs, sizeof(*out));
#elif defined(__aarch64__)
  out->rip = uc->uc_mcontext.pc;
  out->rsp = uc->uc_mcontext.sp;
  out->rbp = uc->uc_mcontext.regs[29];
  out->faultAddress = uc->uc_mcontext.fault_address;
#else
  (void)uc;
#endif
}

void CaptureCurrentContext(ExceptionContext* out) {
  ucontext_t uc;
  if (getcontext(&uc) != 0) {
    std::memset(out, 0, sizeof(*out));
    return;
  }
  ContextFromUcontext(&uc, out);
}

}  // namespace vm
