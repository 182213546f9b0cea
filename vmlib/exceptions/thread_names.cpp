// The thread-name registry (initialisation step 3).
#include "exceptions/thread_names.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "core/init_steps.h"
#include "core/str_internal.h"
#include "vmlib/exceptions.h"

namespace vm {
namespace {

// Threads register and are looked up from any thread, so the map is locked.
struct ThreadNameRegistry {
  std::mutex lock;
  std::map<int64_t, std::string> names;
};
ThreadNameRegistry* g_threadNames = nullptr;

}  // namespace

int64_t CurrentThreadId() { return static_cast<int64_t>(syscall(SYS_gettid)); }

void ThreadNameSet(int64_t threadId, std::string name) {
  ThreadNameRegistry* r = g_threadNames;
  if (r == nullptr) return;
  std::lock_guard<std::mutex> guard(r->lock);
  if (name.empty())
    r->names.erase(threadId);
  else
    r->names[threadId] = std::move(name);
}

std::string ThreadNameGet(int64_t threadId) {
  ThreadNameRegistry* r = g_threadNames;
  if (r == nullptr) return {};
  std::lock_guard<std::mutex> guard(r->lock);
  auto it = r->names.find(threadId);
  return it == r->names.end() ? std::string{} : it->second;
}

void init::ThreadNames() {
  RegisterFinalizer([] {
    delete g_threadNames;
    g_threadNames = nullptr;
  });
  g_threadNames = new ThreadNameRegistry;
  ThreadNameSet(CurrentThreadId(), "main thread");
}

}  // namespace vm

VMLIB_EXPORT void ThreadIDRegister(uint32_t threadId, const Str* name) {
  vm::ThreadNameSet(threadId, std::string(vm::StrView(name)));
}
