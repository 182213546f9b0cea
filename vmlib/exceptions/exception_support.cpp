// Initialisation step 1: the process record, the exception handler, and the
// routes by which faults and uncaught C++ exceptions reach it.
#include "exceptions/exception_support.h"

#include <unistd.h>

#include <exception>

#include "core/init_steps.h"
#include "exceptions/exception_handler.h"
#include "platform/crash_signals.h"

namespace vm {
namespace {

ProcessRecord* g_process = nullptr;
ExceptionHandler* g_handler = nullptr;
std::terminate_handler g_previousTerminate = nullptr;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerOwnsFaults = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerOwnsFaults = true;
#else
constexpr bool kSanitizerOwnsFaults = false;
#endif
#else
constexpr bool kSanitizerOwnsFaults = false;
#endif

std::string ExecutablePath() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return {};
  path.resize(static_cast<size_t>(n));
  return path;
}

void OnCrash(const ExceptionRecord& record, const ExceptionContext& context) {
  ExceptionHandler* handler = g_handler;
  if (handler == nullptr) return;
  handler->HandleException(&record, &context);
  handler->Report(CurrentThreadId32());
}

// The top-level catch of the whole program: an exception nobody caught is
// captured and reported before the program ends as it would have.
[[noreturn]] void OnTerminate() {
  if (ExceptionHandler* handler = g_handler) {
    if (ExceptionHandlerCatchCurrent(handler)) handler->Report(CurrentThreadId32());
  }
  if (g_previousTerminate != nullptr) g_previousTerminate();
  std::abort();
}

}  // namespace

ExceptionHandler* Handler() { return g_handler; }
const ProcessRecord* ProcessRecordGet() { return g_process; }

void init::ExceptionSupport() {
  RegisterFinalizer([] {
    if (std::get_terminate() == OnTerminate) std::set_terminate(g_previousTerminate);
    g_previousTerminate = nullptr;
    RemoveCrashSignals();
    delete g_handler;
    g_handler = nullptr;
    delete g_process;
    g_process = nullptr;
  });
  g_process = new ProcessRecord{CurrentThreadId32(), ExecutablePath()};
  g_handler = new ExceptionHandler;
  CurrentThreadStack();  // known before a fault needs it
  g_previousTerminate = std::set_terminate(OnTerminate);
  // Under AddressSanitizer its own fault reports are the better ones.
  if (!kSanitizerOwnsFaults) InstallCrashSignals(OnCrash);
}

}  // namespace vm

VMLIB_EXPORT CExceptionHandler* ExceptionHandlerGet() { return vm::g_handler; }
