// Thread stacks from pthread_getattr_np; copies through process_vm_readv,
// which answers an unmapped page with an error instead of a second fault.
#include "platform/thread_stack.h"

#include <pthread.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace vm {
namespace {

thread_local StackBounds t_stack;
thread_local bool t_stackKnown = false;

uint64_t PageSize() {
  static const uint64_t size = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// 1: read, 0: fault, -1: the call is not available here.
int ReadSelf(void* to, uint64_t from, size_t bytes) {
  iovec local{to, bytes};
  iovec remote{reinterpret_cast<void*>(from), bytes};
  const ssize_t n = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
  if (n == static_cast<ssize_t>(bytes)) return 1;
  if (n < 0 && (errno == ENOSYS || errno == EPERM)) return -1;
  return 0;
}

// The live stack holds the sanitizer's poisoned red zones; this copy is of
// raw memory, so it is not checked.
__attribute__((no_sanitize("address"))) void CopyRaw(uint32_t* to, uint64_t from, size_t words) {
  const auto* src = reinterpret_cast<const volatile uint32_t*>(from);
  for (size_t i = 0; i < words; ++i) to[i] = src[i];
}

}  // namespace

StackBounds CurrentThreadStack() {
  if (t_stackKnown) return t_stack;
  StackBounds bounds;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    void* addr = nullptr;
    size_t size = 0;
    size_t guard = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
      bounds.low = reinterpret_cast<uintptr_t>(addr);
      bounds.top = bounds.low + size;
    }
    if (pthread_attr_getguardsize(&attr, &guard) == 0) bounds.guardSize = guard;
    pthread_attr_destroy(&attr);
  }
  t_stack = bounds;
  t_stackKnown = true;
  return bounds;
}

std::vector<uint32_t> CopyStackWords(uint64_t sp, uint64_t top) {
  std::vector<uint32_t> words;
  sp &= ~uint64_t{3};
  if (sp == 0 || top <= sp) return words;
  const uint64_t page = PageSize();
  uint64_t start = sp;
  // A stack pointer that ran into the guard page: start at the first page
  // that can be read.
  for (int probe = 0; probe < 1024 && start < top; ++probe) {
    uint32_t word = 0;
    const int r = ReadSelf(&word, start, sizeof(word));
    if (r == 1) break;
    if (r < 0) break;  // no safe probe: trust the range (it is the live stack)
    start = (start & ~(page - 1)) + page;
  }
  if (start >= top) return words;
  words.resize(static_cast<size_t>((top - start) / 4));
  const size_t bytes = words.size() * 4;
  const int r = ReadSelf(words.data(), start, bytes);
  if (r == 0) words.clear();
  if (r < 0) CopyRaw(words.data(), start, words.size());
  return words;
}

}  // namespace vm
