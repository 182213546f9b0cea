// Signal handlers that stand in for structured exceptions.
#include "platform/crash_signals.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/machine_context.h"

namespace vm {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

std::atomic<CrashHook> g_hook{nullptr};
struct sigaction g_previous[kSignalCount];
bool g_installed = false;

// The alternate stack must hold the hook's work: capture, log text, callback.
constexpr size_t kAltStackBytes = 256 * 1024;
// One per thread; released when the thread ends.
struct AltStack {
  void* memory = nullptr;
  ~AltStack() { Release(); }
  void Release() {
    if (memory == nullptr) return;
    stack_t disable{};
    disable.ss_flags = SS_DISABLE;
    sigaltstack(&disable, nullptr);
    munmap(memory, kAltStackBytes);
    memory = nullptr;
  }
};
thread_local AltStack t_altStack;

int SignalIndex(int signal) {
  for (int i = 0; i < kSignalCount; ++i)
    if (kSignals[i] == signal) return i;
  return -1;
}

uint32_t FpeCode(int siCode) {
  switch (siCode) {
    case FPE_INTDIV:
      return kExceptionIntegerDivideByZero;
    case FPE_INTOVF:
      return kExceptionIntegerOverflow;
    case FPE_FLTDIV:
      return kExceptionFloatDivideByZero;
    case FPE_FLTOVF:
      return kExceptionFloatOverflow;
    case FPE_FLTUND:
      return kExceptionFloatUnderflow;
    case FPE_FLTRES:
      return kExceptionFloatInexact;
    case FPE_FLTSUB:
      return kExceptionArrayBounds;
    default:
      return kExceptionFloatInvalid;
  }
}

bool IsWriteFault(const ExceptionContext& context) {
#if defined(__x86_64__)
  return (context.error & 2) != 0;  // page-fault error code: bit 1 set for a write
#else
  (void)context;
  return false;
#endif
}

void OnSignal(int signal, siginfo_t* info, void* ucontext) {
  const int savedErrno = errno;
  ExceptionContext context;
  ContextFromUcontext(ucontext, &context);
  const ExceptionRecord record = RecordFromSignal(signal, *info, context, CurrentThreadStack());
  if (CrashHook hook = g_hook.load()) hook(record, context);

  // Hand the signal to what was there before us; a fault raised by the
  // processor repeats when the handler returns, a sent one is raised again.
  const int index = SignalIndex(signal);
  if (index >= 0)
    sigaction(signal, &g_previous[index], nullptr);
  else
    ::signal(signal, SIG_DFL);
  // A breakpoint does not repeat (the trap has moved past it), so it is
  // raised again like a sent signal.
  if (info->si_code <= 0 || signal == SIGTRAP) raise(signal);
  errno = savedErrno;
}

}  // namespace

ExceptionRecord RecordFromSignal(int signal, const siginfo_t& info, const ExceptionContext& context,
                                 const StackBounds& stack) {
  ExceptionRecord record;
  record.address = context.rip;
  const uint64_t faultAddress = reinterpret_cast<uintptr_t>(info.si_addr);
  switch (signal) {
    case SIGSEGV:
    case SIGBUS: {
      record.code = kExceptionAccessViolation;
      const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
      const uint64_t guard = stack.guardSize > page ? stack.guardSize : page;
      if (stack.low != 0 && faultAddress < stack.low + page && faultAddress + guard + page >= stack.low)
        record.code = kExceptionStackOverflow;
      record.parameterCount = 2;
      record.parameters[0] = IsWriteFault(context) ? 1 : 0;
      record.parameters[1] = faultAddress;
      break;
    }
    case SIGFPE:
      record.code = FpeCode(info.si_code);
      break;
    case SIGILL:
      record.code = (info.si_code == ILL_PRVOPC || info.si_code == ILL_PRVREG)
                        ? kExceptionPrivilegedInstruction
                        : kExceptionIllegalInstruction;
      break;
    case SIGTRAP:
      record.code = info.si_code == TRAP_TRACE ? kExceptionSingleStep : kExceptionBreakpoint;
      break;
    default:
      record.code = 0;
      break;
  }
  return record;
}

void InstallAlternateStack() {
  if (t_altStack.memory != nullptr) return;
  void* memory = mmap(nullptr, kAltStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t alt{};
  alt.ss_sp = memory;
  alt.ss_size = kAltStackBytes;
  if (sigaltstack(&alt, nullptr) != 0) {
    munmap(memory, kAltStackBytes);
    return;
  }
  t_altStack.memory = memory;
}

void InstallCrashSignals(CrashHook hook) {
  g_hook.store(hook);
  InstallAlternateStack();
  if (g_installed) return;
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(kSignals[i], &action, &g_previous[i]);
  }
  g_installed = true;
}

void RemoveCrashSignals() {
  if (g_installed) {
    // A handler installed after ours stays where it is.
    for (int i = 0; i < kSignalCount; ++i) {
      struct sigaction current {};
      if (sigaction(kSignals[i], nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0 &&
          current.sa_sigaction == OnSignal)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    g_installed = false;
  }
  g_hook.store(nullptr);
  t_altStack.Release();
}

}  // namespace vm
