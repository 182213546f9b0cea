// CExceptionDebugThread: provokes exceptions on request, in the caller, on a
// timer thread of the library or on its own loop, so that the whole
// reporting path can be tried out.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "exceptions/exception_handler.h"
#include "exceptions/thread_names.h"
#include "platform/crash_signals.h"

namespace vm {
namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(100);
constexpr const char* kThreadName = "CExceptionDebugThread";

// Read through a volatile so that the compiler cannot see the null pointer.
int* volatile g_invalidPointer = nullptr;

class ExceptionDebugThread final : public CExceptionDebugThread {
public:
  explicit ExceptionDebugThread(DbgExceptionCallback callback) : callback_(callback) {
    loop_ = std::thread([this] { Run(&loopRequest_); });
    try {
      timer_ = std::thread([this] { Run(&timerRequest_); });
    } catch (...) {
      Stop();
      throw;
    }
  }
  ~ExceptionDebugThread() override { Stop(); }

  void Request(int32_t kind, int32_t where) override {
    if (kind < 1 || kind > 4) return;
    if (where == 1) {
      Execute(kind);
      return;
    }
    if (where != 2 && where != 3) return;
    std::lock_guard<std::mutex> guard(lock_);
    (where == 2 ? timerRequest_ : loopRequest_) = kind;
  }

private:
  void Execute(int32_t kind) {
    switch (kind) {
      case 1:
        throw CException("Debug error");
      case 2:
        *g_invalidPointer = 0;
        break;
      case 3:
      case 4:
        if (callback_ != nullptr) callback_(kind - 3);
        break;
      default:
        break;
    }
  }

  // Both the loop and the timer wake every 100 ms and take their stored
  // request; an exception that escapes it is reported like any uncaught one.
  void Run(int32_t* slot) {
    InstallAlternateStack();
    const auto self = CurrentThreadId();
    ThreadNameSet(self, kThreadName);
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_) {
      wake_.wait_for(guard, kPollPeriod, [this] { return stopping_; });
      if (stopping_) break;
      const int32_t kind = *slot;
      *slot = 0;
      if (kind == 0) continue;
      guard.unlock();
      try {
        Execute(kind);
      } catch (...) {
        if (ExceptionHandler* handler = Handler()) {
          if (ExceptionHandlerCatchCurrent(handler)) handler->Report(static_cast<uint32_t>(self));
        }
      }
      guard.lock();
    }
    guard.unlock();
    ThreadNameSet(self, {});
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (loop_.joinable()) loop_.join();
    if (timer_.joinable()) timer_.join();
  }

  DbgExceptionCallback callback_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  int32_t timerRequest_ = 0;
  int32_t loopRequest_ = 0;
  std::thread loop_;
  std::thread timer_;
};

}  // namespace
}  // namespace vm

VMLIB_EXPORT CExceptionDebugThread* DbgExceptionThreadCreate(DbgExceptionCallback callback) {
  try {
    return new vm::ExceptionDebugThread(callback);
  } catch (...) {
    return nullptr;
  }
}
