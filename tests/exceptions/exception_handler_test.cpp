#include <gtest/gtest.h>

#include <barrier>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/str_internal.h"
#include "exceptions/exception_handler.h"
#include "exceptions/thread_names.h"
#include "vmlib/exceptions.h"

namespace {

std::string Text(const Str* s) { return std::string(vm::StrView(s)); }
uint32_t Self() { return static_cast<uint32_t>(vm::CurrentThreadId()); }

class Handler : public ::testing::Test {
protected:
  void SetUp() override {
    VmLibInitialize("vmlib.dll");
    handler = ExceptionHandlerGet();
    ASSERT_NE(handler, nullptr);
  }
  void TearDown() override { VmLibFinalize(); }

  static ExceptionRecord Record(uint32_t code, uint64_t address = 0) {
    ExceptionRecord r;
    r.code = code;
    r.address = address;
    return r;
  }

  // Reports the calling thread's info and returns the messages the callback saw.
  std::vector<std::string> ReportCollect() {
    seen.clear();
    handler->SetCallback(
        [](void* user, CExceptionInfo* info) {
          static_cast<Handler*>(user)->seen.push_back(Text(info->GetMessage()));
        },
        this);
    handler->Report(Self());
    return seen;
  }

  CExceptionHandler* handler = nullptr;
  std::vector<std::string> seen;
};

TEST_F(Handler, RecordsAreNamedAndAccessViolationsSayWhatAndWhere) {
  const struct {
    uint32_t code;
    uint32_t params;
    uint64_t p0, p1;
    const char* name;
    const char* message;
  } cases[] = {
      {0xC0000005, 2, 0, 0, "Access violation", "Access violation reading at $0000000000000000"},
      {0xC0000005, 2, 1, 0x7f0012345678, "Access violation", "Access violation writing at $00007f0012345678"},
      {0xC0000094, 0, 0, 0, "Integer divide by zero", "Integer divide by zero"},
      {0xC00000FD, 2, 1, 0x1000, "Stack overflow", "Stack overflow"},
      {0xE06D7363, 0, 0, 0, "Microsoft C++ exception", "Microsoft C++ exception"},
      {0x12345678, 0, 0, 0, "Unknown hardware exception", "Unknown hardware exception"},
  };
  for (const auto& c : cases) {
    ExceptionRecord r = Record(c.code, 0x401000);
    r.parameterCount = c.params;
    r.parameters[0] = c.p0;
    r.parameters[1] = c.p1;
    ExceptionContext context{};
    context.rsp = 0;  // no stack to copy from a made-up context
    EXPECT_EQ(handler->HandleException(&r, &context), c.code);
    const CExceptionInfo* info = handler->FindInfo(Self());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(Text(info->GetExceptionName()), c.name);
    EXPECT_EQ(Text(info->GetMessage()), c.message);
    EXPECT_EQ(info->GetFlags(), kExceptionInfoContextValid | kExceptionInfoRecordValid);
    EXPECT_EQ(info->GetThreadId(), Self());
  }
  EXPECT_EQ(handler->GetRecordCount(), 6);
  EXPECT_EQ(handler->GetContextOnlyCount(), 0);
}

TEST_F(Handler, WithoutContextTheCurrentStackIsTakenButNotMarkedValid) {
  const ExceptionRecord r = Record(0xC0000094);
  handler->HandleException(&r, nullptr);
  const CExceptionInfo* info = handler->FindInfo(Self());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetFlags(), kExceptionInfoRecordValid);
  EXPECT_GT(info->GetStackWords(), 0);
  EXPECT_NE(info->GetStackTop(), 0u);
}

TEST_F(Handler, HostLanguageExceptionsAreLeftToTheHost) {
  ExceptionRecord r = Record(0x0EEDFADE);
  r.flags = 1;
  r.parameterCount = 7;
  EXPECT_EQ(handler->HandleException(&r, nullptr), 0x0EEDFADEu);
  EXPECT_EQ(handler->FindInfo(Self()), nullptr);
  // Another shape of that code is captured.
  r.parameterCount = 6;
  handler->HandleException(&r, nullptr);
  EXPECT_NE(handler->FindInfo(Self()), nullptr);
}

TEST_F(Handler, SecondExceptionOfAThreadReplacesTheFirstAndIsReportedOnce) {
  Str* m1 = vm::StrNew("first");
  Str* m2 = vm::StrNew("second");
  handler->CaptureCurrent(nullptr, m1);
  handler->CaptureCurrent(nullptr, m2);
  StrDelete(m1);
  StrDelete(m2);
  EXPECT_EQ(handler->GetContextOnlyCount(), 2);
  EXPECT_EQ(ReportCollect(), std::vector<std::string>{"second"});
  EXPECT_EQ(handler->FindInfo(Self()), nullptr);
  EXPECT_TRUE(ReportCollect().empty());  // nothing left to report
}

TEST_F(Handler, ThrowingCallbackIsSwallowedAndReportingGoesOn) {
  handler->CaptureCurrent(nullptr, nullptr);
  handler->SetCallback([](void*, CExceptionInfo*) { throw std::runtime_error("callback failed"); }, nullptr);
  EXPECT_NO_THROW(handler->Report(Self()));
  EXPECT_EQ(handler->FindInfo(Self()), nullptr);
  handler->CaptureCurrent(nullptr, nullptr);
  EXPECT_EQ(ReportCollect().size(), 1u);
}

TEST_F(Handler, ReportInsideAReportDoesNothing) {
  struct State {
    CExceptionHandler* handler;
    int calls = 0;
  } state{handler};
  handler->SetCallback(
      [](void* user, CExceptionInfo*) {
        auto* s = static_cast<State*>(user);
        ++s->calls;
        Str* inner = vm::StrNew("inner");
        s->handler->CaptureCurrent(nullptr, inner);
        StrDelete(inner);
        s->handler->Report(Self());
      },
      &state);
  handler->CaptureCurrent(nullptr, nullptr);
  handler->Report(Self());
  EXPECT_EQ(state.calls, 1);
  const CExceptionInfo* left = handler->FindInfo(Self());
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(Text(left->GetMessage()), "inner");
}

TEST_F(Handler, WithoutCallbackTheMessageGoesToStandardError) {
  Str* m = vm::StrNew("disk on fire");
  handler->CaptureCurrent(nullptr, m);
  StrDelete(m);
  testing::internal::CaptureStderr();
  handler->Report(Self());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Exception: disk on fire\n");
}

TEST_F(Handler, RemoveInfoAndCallbackRecord) {
  handler->CaptureCurrent(nullptr, nullptr);
  handler->RemoveInfo(Self());
  EXPECT_EQ(handler->FindInfo(Self()), nullptr);
  int user = 0;
  auto cb = [](void*, CExceptionInfo*) {};
  handler->SetCallback(cb, &user);
  EXPECT_EQ(handler->GetCallback()->callback, static_cast<ExceptionCallback>(cb));
  EXPECT_EQ(handler->GetCallback()->userData, &user);
}

TEST_F(Handler, ThrownAndCaughtCExceptionLeavesNothingBehind) {
  auto* impl = vm::Handler();
  try {
    throw CException("caught here");
  } catch (const CException& e) {
    EXPECT_EQ(impl->RegisteredCount(), 1u);
    ASSERT_NE(e.Info(), nullptr);
    EXPECT_EQ(Text(e.Info()->GetExceptionName()), "CException");
  }
  EXPECT_EQ(impl->RegisteredCount(), 0u);
  EXPECT_EQ(handler->FindInfo(Self()), nullptr);
  EXPECT_EQ(handler->GetRecordCount() + handler->GetContextOnlyCount(), 0);
}

TEST_F(Handler, EscapingCExceptionIsCapturedWithItsMessageAndStack) {
  try {
    throw CException("CWaypointDatabase::CreateWaypoint: duplicate GUID");
  } catch (...) {
    EXPECT_TRUE(ExceptionHandlerCatchCurrent(handler));
  }
  const CExceptionInfo* info = handler->FindInfo(Self());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Text(info->GetExceptionName()), "CException");
  EXPECT_EQ(Text(info->GetMessage()), "CWaypointDatabase::CreateWaypoint: duplicate GUID");
  EXPECT_EQ(info->GetFlags(), kExceptionInfoContextValid);
  EXPECT_GT(info->GetStackWords(), 0);
  EXPECT_EQ(handler->GetContextOnlyCount(), 1);
  EXPECT_EQ(vm::Handler()->RegisteredCount(), 0u);  // the copy outlives the thrown object
}

TEST_F(Handler, OtherCppExceptionsAreCapturedByTypeOrRecord) {
  try {
    throw std::out_of_range("index 7");
  } catch (...) {
    ExceptionHandlerCatchCurrent(handler);
  }
  const CExceptionInfo* info = handler->FindInfo(Self());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Text(info->GetExceptionName()), "std::out_of_range");
  EXPECT_EQ(Text(info->GetMessage()), "index 7");
  try {
    throw 42;
  } catch (...) {
    ExceptionHandlerCatchCurrent(handler);
  }
  info = handler->FindInfo(Self());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Text(info->GetExceptionName()), "Microsoft C++ exception");
  EXPECT_EQ(info->GetFlags(), kExceptionInfoRecordValid);
  EXPECT_FALSE(ExceptionHandlerCatchCurrent(handler));  // outside a catch
}

TEST_F(Handler, InfoCopyIsDeep) {
  Str* name = vm::StrNew("Name");
  Str* message = vm::StrNew("Message");
  handler->CaptureCurrent(name, message);
  StrDelete(name);
  StrDelete(message);
  const CExceptionInfo* info = handler->FindInfo(Self());
  const std::vector<uint32_t> stack(info->GetStack(), info->GetStack() + info->GetStackWords());
  CExceptionInfo* copy = ExceptionInfoCreate(info);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->GetStack(), info->GetStack());
  handler->RemoveInfo(Self());  // the copy keeps everything on its own
  EXPECT_EQ(Text(copy->GetExceptionName()), "Name");
  EXPECT_EQ(Text(copy->GetMessage()), "Message");
  ASSERT_GT(copy->GetStackWords(), 0);
  EXPECT_EQ(std::vector<uint32_t>(copy->GetStack(), copy->GetStack() + copy->GetStackWords()), stack);
  EXPECT_EQ(copy->GetThreadId(), Self());
  ObjectDelete(copy);
  EXPECT_EQ(ExceptionInfoCreate(nullptr), nullptr);
}

TEST_F(Handler, EightThreadsKeepOneInfoEach) {
  constexpr int kThreads = 8;
  std::barrier start(kThreads);
  std::vector<uint32_t> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ids[t] = Self();
      start.arrive_and_wait();
      for (int round = 0; round < 50; ++round) {
        Str* m = vm::StrNew("thread " + std::to_string(t) + " round " + std::to_string(round));
        handler->CaptureCurrent(nullptr, m);
        StrDelete(m);
        const ExceptionRecord r = Record(0xC0000094);
        handler->HandleException(&r, nullptr);
        handler->CaptureCurrent(nullptr, nullptr);
      }
      Str* last = vm::StrNew("thread " + std::to_string(t));
      handler->CaptureCurrent(nullptr, last);
      StrDelete(last);
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(handler->GetRecordCount(), kThreads * 50);
  EXPECT_EQ(handler->GetContextOnlyCount(), kThreads * 101);
  for (int t = 0; t < kThreads; ++t) {
    const CExceptionInfo* info = handler->FindInfo(ids[t]);
    ASSERT_NE(info, nullptr) << t;
    EXPECT_EQ(Text(info->GetMessage()), "thread " + std::to_string(t));
    EXPECT_EQ(info->GetThreadId(), ids[t]);
  }
}

TEST_F(Handler, ThreadNamesFromTheRegistry) {
  Str* name = vm::StrNew("GPS reader");
  ThreadIDRegister(4242, name);
  StrDelete(name);
  EXPECT_EQ(vm::ThreadNameGet(4242), "GPS reader");
  ThreadIDRegister(4242, nullptr);
  EXPECT_EQ(vm::ThreadNameGet(4242), "");
}

TEST_F(Handler, LogOfACapturedExceptionNamesTheMainThreadAndTheExecutable) {
  Str* message = vm::StrNew("It's");
  handler->CaptureCurrent(nullptr, message);
  StrDelete(message);
  Str* log = vm::StrNew("");
  ExceptionLogInfoToStr(handler->FindInfo(Self()), log);
  const std::string text = Text(log);
  StrDelete(log);
  EXPECT_NE(text.find("  Message     = 'It''s'\r\n"), std::string::npos);
  EXPECT_NE(text.find("  Thread      = Main thread\r\n"), std::string::npos);
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_NE(text.find("  Executable  = " + exe + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("  FilePath    = " + exe + "\r\n"), std::string::npos);
}

TEST(HandlerLifetime, FinaliseRemovesTheHandlerAndTheFaultRoutes) {
  struct sigaction before {};
  sigaction(SIGSEGV, nullptr, &before);
  VmLibInitialize("vmlib.dll");
  ASSERT_NE(ExceptionHandlerGet(), nullptr);
  CException during("made while initialised");
  EXPECT_NE(during.Info(), nullptr);
  struct sigaction installed {};
  sigaction(SIGSEGV, nullptr, &installed);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_NE(installed.sa_flags & SA_ONSTACK, 0);
#endif
  VmLibFinalize();
  EXPECT_EQ(ExceptionHandlerGet(), nullptr);
  struct sigaction after {};
  sigaction(SIGSEGV, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
  // Exceptions outlive the handler and still work without it.
  const CException late("made after finalisation");
  EXPECT_EQ(late.Info(), nullptr);
  EXPECT_STREQ(late.what(), "made after finalisation");
}

TEST(SourceLines, EntryPointsDoNothing) {
  int32_t status = -1;
  EXPECT_EQ(MapFileReaderCreate(nullptr, &status), nullptr);
  EXPECT_EQ(status, 0);
  status = -1;
  EXPECT_EQ(ExceptionLogCreate(nullptr, &status), nullptr);
  EXPECT_EQ(status, 0);
  LineInfoPackageLoad(nullptr, nullptr, &status);
  LineInfoPackageWrite(nullptr, nullptr, &status);
  EXPECT_FALSE(DebugSymbolFileSearch(nullptr, nullptr, &status));
  EXPECT_EQ(status, 0);
}

}  // namespace
