#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/str_internal.h"
#include "exceptions/thread_names.h"
#include "vmlib/exceptions.h"

namespace {

std::atomic<int> g_calls{0};
std::atomic<int> g_lastArgument{-1};
std::atomic<int64_t> g_callbackThread{0};

void DebugCallback(int32_t argument) {
  g_lastArgument = argument;
  g_callbackThread = vm::CurrentThreadId();
  ++g_calls;
}

// Waits (generously) for a condition that another thread makes true.
template <class Pred>
bool WaitFor(Pred pred) {
  for (int i = 0; i < 1000 && !pred(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return pred();
}

class DebugThread : public ::testing::Test {
protected:
  void SetUp() override {
    VmLibInitialize("vmlib.dll");
    g_calls = 0;
    g_lastArgument = -1;
    g_callbackThread = 0;
    debug = DbgExceptionThreadCreate(DebugCallback);
    ASSERT_NE(debug, nullptr);
  }
  void TearDown() override {
    ObjectDelete(debug);
    VmLibFinalize();
  }
  CExceptionDebugThread* debug = nullptr;
};

TEST_F(DebugThread, AtOnceRunsInTheCallingThread) {
  debug->Request(3, 1);
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(g_lastArgument, 0);
  EXPECT_EQ(g_callbackThread, vm::CurrentThreadId());
  debug->Request(4, 1);
  EXPECT_EQ(g_lastArgument, 1);
  try {
    debug->Request(1, 1);
    ADD_FAILURE() << "no exception";
  } catch (const CException& e) {
    EXPECT_STREQ(e.what(), "Debug error");
  }
}

TEST_F(DebugThread, StoredRequestsRunOnceOnTheirThread) {
  for (int where : {2, 3}) {
    g_calls = 0;
    debug->Request(4, where);
    ASSERT_TRUE(WaitFor([] { return g_calls.load() > 0; })) << where;
    EXPECT_EQ(g_lastArgument, 1);
    EXPECT_NE(g_callbackThread, vm::CurrentThreadId());
    EXPECT_EQ(vm::ThreadNameGet(g_callbackThread), "CExceptionDebugThread");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(g_calls, 1) << "a request is taken once";
  }
}

TEST_F(DebugThread, UnknownRequestsDoNothing) {
  debug->Request(3, 0);
  debug->Request(3, 4);
  debug->Request(0, 1);
  debug->Request(5, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(g_calls, 0);
}

struct Reported {
  std::mutex lock;
  std::string name, message, log;
  uint32_t thread = 0;
  std::atomic<bool> done{false};
};

TEST_F(DebugThread, CExceptionOnTheLoopIsReportedWithTheThreadName) {
  Reported reported;
  ExceptionHandlerGet()->SetCallback(
      [](void* user, CExceptionInfo* info) {
        auto* r = static_cast<Reported*>(user);
        std::lock_guard<std::mutex> guard(r->lock);
        r->name = vm::StrView(info->GetExceptionName());
        r->message = vm::StrView(info->GetMessage());
        r->thread = info->GetThreadId();
        Str* log = vm::StrNew("");
        ExceptionLogInfoToStr(info, log);
        r->log = vm::StrView(log);
        StrDelete(log);
        r->done = true;
      },
      &reported);
  debug->Request(1, 3);
  ASSERT_TRUE(WaitFor([&] { return reported.done.load(); }));
  std::lock_guard<std::mutex> guard(reported.lock);
  EXPECT_EQ(reported.name, "CException");
  EXPECT_EQ(reported.message, "Debug error");
  EXPECT_NE(reported.thread, static_cast<uint32_t>(vm::CurrentThreadId()));
  EXPECT_NE(reported.log.find("  Thread      = CExceptionDebugThread\r\n"), std::string::npos);
  // The thread goes on serving requests.
  debug->Request(3, 3);
  EXPECT_TRUE(WaitFor([] { return g_calls.load() > 0; }));
}

}  // namespace
