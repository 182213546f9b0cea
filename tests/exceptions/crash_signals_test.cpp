#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/crash_signals.h"
#include "platform/thread_stack.h"

namespace {

siginfo_t Info(int code, uint64_t address = 0) {
  siginfo_t info;
  std::memset(&info, 0, sizeof(info));
  info.si_code = code;
  info.si_addr = reinterpret_cast<void*>(address);
  return info;
}

TEST(CrashSignals, SignalsBecomeTheMatchingExceptionCodes) {
  const struct {
    int signal;
    int code;
    uint32_t expected;
  } cases[] = {
      {SIGFPE, FPE_INTDIV, kExceptionIntegerDivideByZero},
      {SIGFPE, FPE_INTOVF, kExceptionIntegerOverflow},
      {SIGFPE, FPE_FLTDIV, kExceptionFloatDivideByZero},
      {SIGFPE, FPE_FLTOVF, kExceptionFloatOverflow},
      {SIGFPE, FPE_FLTUND, kExceptionFloatUnderflow},
      {SIGFPE, FPE_FLTRES, kExceptionFloatInexact},
      {SIGFPE, FPE_FLTINV, kExceptionFloatInvalid},
      {SIGFPE, FPE_FLTSUB, kExceptionArrayBounds},
      {SIGILL, ILL_ILLOPC, kExceptionIllegalInstruction},
      {SIGILL, ILL_PRVOPC, kExceptionPrivilegedInstruction},
      {SIGILL, ILL_PRVREG, kExceptionPrivilegedInstruction},
      {SIGTRAP, TRAP_BRKPT, kExceptionBreakpoint},
      {SIGTRAP, SI_KERNEL, kExceptionBreakpoint},  // int3 on x86-64
      {SIGTRAP, TRAP_TRACE, kExceptionSingleStep},
      {SIGSEGV, SEGV_MAPERR, kExceptionAccessViolation},
      {SIGBUS, BUS_ADRERR, kExceptionAccessViolation},
  };
  ExceptionContext context{};
  context.rip = 0x401234;
  for (const auto& c : cases) {
    const ExceptionRecord r = vm::RecordFromSignal(c.signal, Info(c.code, 0x10), context, {});
    EXPECT_EQ(r.code, c.expected) << c.signal << " " << c.code;
    EXPECT_EQ(r.address, 0x401234u);
    EXPECT_EQ(r.nested, 0u);
  }
}

TEST(CrashSignals, AccessViolationsCarryKindAndAddress) {
  ExceptionContext read{};
  ExceptionContext write{};
  write.error = 0x6;  // user-mode write to an unmapped page
  const ExceptionRecord r = vm::RecordFromSignal(SIGSEGV, Info(SEGV_MAPERR, 0), read, {});
  EXPECT_EQ(r.parameterCount, 2u);
  EXPECT_EQ(r.parameters[0], 0u);
  EXPECT_EQ(r.parameters[1], 0u);
  const ExceptionRecord w = vm::RecordFromSignal(SIGSEGV, Info(SEGV_ACCERR, 0xdead0000), write, {});
#if defined(__x86_64__)
  EXPECT_EQ(w.parameters[0], 1u);
#endif
  EXPECT_EQ(w.parameters[1], 0xdead0000u);
}

TEST(CrashSignals, FaultAtTheStackGuardIsAStackOverflow) {
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const vm::StackBounds stack{0x7f0000100000, 0x7f0000200000, page};
  const struct {
    uint64_t address;
    uint32_t code;
  } cases[] = {
      {stack.low - 8, kExceptionStackOverflow},
      {stack.low - page, kExceptionStackOverflow},
      {stack.low + 16, kExceptionStackOverflow},  // the lowest page itself
      {stack.low + 4 * page, kExceptionAccessViolation},
      {stack.low - 8 * page, kExceptionAccessViolation},
      {0, kExceptionAccessViolation},
  };
  for (const auto& c : cases)
    EXPECT_EQ(vm::RecordFromSignal(SIGSEGV, Info(SEGV_MAPERR, c.address), {}, stack).code, c.code)
        << c.address;
  // Unknown bounds never make an overflow.
  EXPECT_EQ(vm::RecordFromSignal(SIGSEGV, Info(SEGV_MAPERR, 8), {}, {}).code, kExceptionAccessViolation);
}

TEST(ThreadStack, CopyRunsFromTheStackPointerToTheTop) {
  const vm::StackBounds stack = vm::CurrentThreadStack();
  ASSERT_GT(stack.top, stack.low);
  volatile uint32_t marker = 0x5eed1234;
  const uint64_t at = reinterpret_cast<uintptr_t>(&marker);
  const std::vector<uint32_t> words = vm::CopyStackWords(at, stack.top);
  ASSERT_EQ(words.size(), (stack.top - at) / 4);
  EXPECT_EQ(words[0], 0x5eed1234u);
  EXPECT_TRUE(vm::CopyStackWords(0, stack.top).empty());
  EXPECT_TRUE(vm::CopyStackWords(stack.top, stack.top).empty());
}

TEST(ThreadStack, StartInsideTheGuardPageSkipsToTheStack) {
  std::thread([] {
    const vm::StackBounds stack = vm::CurrentThreadStack();
    ASSERT_GE(stack.guardSize, 4096u);
    const std::vector<uint32_t> words = vm::CopyStackWords(stack.low - 64, stack.top);
    EXPECT_EQ(words.size(), (stack.top - stack.low) / 4);
  }).join();
}

}  // namespace
