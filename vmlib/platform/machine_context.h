// The processor registers of a thread, from a signal's ucontext or taken
// where the caller stands.
#pragma once

#include "vmlib/exceptions.h"

namespace vm {

// Fills out from a ucontext_t handed to a signal handler (the void* of
// SA_SIGINFO handlers).
void ContextFromUcontext(const void* ucontext, ExceptionContext* out);
// The calling thread's registers as they are at the call.
void CaptureCurrentContext(ExceptionContext* out);

}  // namespace vm
