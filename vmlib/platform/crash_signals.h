// Processor faults as exception records: SIGSEGV, SIGBUS, SIGFPE, SIGILL and
// SIGTRAP are caught on an alternate stack, turned into a record and a
// context and handed to one hook; afterwards the signal's earlier action
// takes over (by default the process ends with the signal).
#pragma once

#include <csignal>

#include "platform/thread_stack.h"
#include "vmlib/exceptions.h"

namespace vm {

using CrashHook = void (*)(const ExceptionRecord& record, const ExceptionContext& context);

// Installs the handlers (once) with the hook; the calling thread gets an
// alternate stack.
void InstallCrashSignals(CrashHook hook);
// Restores the earlier actions and frees the calling thread's alternate stack.
void RemoveCrashSignals();
// Gives the calling thread an alternate signal stack, so that a stack
// overflow can still be reported; kept until the thread ends.
void InstallAlternateStack();

// The record of a fault: code from the signal and its si_code, the address
// of the instruction, and for access violations the kind of access (0 read,
// 1 write) and the address accessed. A fault in or just below the guard area
// of the thread's stack is a stack overflow.
ExceptionRecord RecordFromSignal(int signal, const siginfo_t& info, const ExceptionContext& context,
                                 const StackBounds& stack);

}  // namespace vm
