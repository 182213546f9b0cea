// The bounds of a thread's stack and a copy of its used part.
#pragma once

#include <cstdint>
#include <vector>

namespace vm {

struct StackBounds {
  uint64_t low = 0;        // lowest usable address
  uint64_t top = 0;        // one past the highest address
  uint64_t guardSize = 0;  // bytes of the guard area below low
};

// The calling thread's stack; all zero when the system cannot tell. The
// answer is kept per thread, so a signal handler reads it without asking the
// system again.
StackBounds CurrentThreadStack();
// The 32-bit words from sp up to top. Pages that cannot be read at the low
// end (a stack pointer inside the guard page) are skipped; a copy that cannot
// be made safely is empty.
std::vector<uint32_t> CopyStackWords(uint64_t sp, uint64_t top);

}  // namespace vm
