// Processor faults and escaping exceptions, each in a child process that
// reports into a log file and then dies as it would without the library.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/str_internal.h"
#include "platform/crash_signals.h"
#include "support/test_support.h"
#include "vmlib/exceptions.h"
#include "vmlib/sysinfo.h"

#if defined(__SANITIZE_ADDRESS__)
#define VM_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VM_UNDER_ASAN 1
#endif
#endif

namespace {

std::string g_logPath;

void WriteLogCallback(void*, CExceptionInfo* info) {
  Str* text = vm::StrNew("");
  ExceptionLogInfoToStr(info, text);
  Str* path = vm::StrNew(g_logPath);
  int32_t status = 0;
  ExceptionLogWrite(path, text, true, 5000, &status);
  StrDelete(path);
  StrDelete(text);
}

struct ChildResult {
  int status = 0;
  std::string log;
};

// Runs crash in a fresh library state in a child; the child's callback
// writes the log. Returns the child's wait status and the log.
ChildResult RunInChild(const std::function<void()>& crash) {
  vmtest::TempDir dir;
  g_logPath = (dir.path() / "errors.log").string();
  const pid_t pid = fork();
  if (pid == 0) {
    // The child's own thread is the main thread of its library.
    VmLibFinalize();
    VmLibInitialize("vmlib.dll");
    ExceptionHandlerGet()->SetCallback(WriteLogCallback, nullptr);
    // noexcept: an escaping exception ends the program here instead of
    // reaching the test framework's own catch.
    [&crash]() noexcept { crash(); }();
    _exit(99);  // the crash did not happen
  }
  ChildResult result;
  waitpid(pid, &result.status, 0);
  std::ifstream in(g_logPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  result.log = s.str();
  return result;
}

// The value of the first "  name = value" line.
std::string Field(const std::string& log, const std::string& name) {
  size_t at = 0;
  while ((at = log.find("\r\n  " + name + " ", at)) != std::string::npos) {
    const size_t eq = log.find_first_not_of(' ', at + 4 + name.size());
    if (eq != std::string::npos && log.compare(eq, 2, "= ") == 0) {
      const size_t end = log.find('\r', eq + 2);
      return log.substr(eq + 2, end - eq - 2);
    }
    at += 2;
  }
  return "<missing>";
}

// "$" and that many lower-case hex digits.
bool IsHex(const std::string& text, size_t digits) {
  return text.size() == digits + 1 && text[0] == '$' &&
         text.find_first_not_of("0123456789abcdef", 1) == std::string::npos;
}

// Every section, in order, with values a real process would have.
void ExpectCompleteLog(const std::string& log) {
  size_t at = 0;
  for (const char* section : {"Header:", "Exception:", "CPU:", "Memory:", "OperatingSystem:", "Modules:",
                              "Registers:", "Stack:", "Stackdump:"}) {
    const size_t found = log.find(std::string("\r\n") + section + "\r\n", at);
    ASSERT_NE(found, std::string::npos) << section;
    at = found + 1;
  }
  EXPECT_EQ(log.rfind("// *****", 0), 0u);
  const std::string time = Field(log, "TimeUTC");
  EXPECT_EQ(time.size(), 19u);
  EXPECT_EQ(time.substr(0, 2), "20");
  EXPECT_EQ(Field(log, "Thread"), "Main thread");
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(Field(log, "Executable"), exe);
  EXPECT_EQ(Field(log, "ProgName"), "Exception Log Probe");
  EXPECT_EQ(Field(log, "ProgVersion"), "3.1.4.1");
  EXPECT_NE(log.find("  FilePath    = " + exe + "\r\n  ModuleBase  = $"), std::string::npos);
  EXPECT_GT(std::stoull(Field(log, "TotalPhysical")), 1u << 20);
  // The processor and the system as the system-information module sees them.
  CpuInfo cpu{};
  if (GetCPUInfo(&cpu)) {
    EXPECT_NE(Field(log, "Name"), "");
    EXPECT_TRUE(IsHex(Field(log, "Signature"), 8));
    EXPECT_NE(Field(log, "InstructionSets").find("SSE2"), std::string::npos);
  }
  WindowsVersionInfo os{};
  GetWindowsVersion(&os);
  const size_t osAt = log.find("\r\nOperatingSystem:\r\n");
  ASSERT_NE(osAt, std::string::npos);
  EXPECT_EQ(Field(log.substr(osAt), "Name"), os.name);
  EXPECT_EQ(Field(log, "ProductType"), "Workstation");
  EXPECT_NE(Field(log, "RIP"), "$0000000000000000");
  EXPECT_TRUE(IsHex(Field(log, "RSP"), 16));
  EXPECT_TRUE(IsHex(Field(log, "ModuleBase"), 16));
  EXPECT_TRUE(IsHex(Field(log, "Checksum"), 16));
  EXPECT_GT(std::stoull(Field(log, "FileSize")), 1000u);
  EXPECT_GT(std::stoul(Field(log, "Size")), 8u);
  const size_t dump = log.find("\r\nStackdump:\r\n");
  ASSERT_NE(dump, std::string::npos);
  EXPECT_TRUE(IsHex(log.substr(dump + 16, 9), 8)) << log.substr(dump);
}

int* volatile g_null = nullptr;
volatile int g_zero = 0;
volatile int g_seven = 7;  // 1 / x would be folded into a compare

// Uncaught exceptions: the route through the library's terminate hook.
class Escape : public ::testing::Test {
protected:
  void SetUp() override { VmLibInitialize("vmlib.dll"); }
  void TearDown() override { VmLibFinalize(); }
};

// Processor faults: the library's signal handlers are not installed under
// AddressSanitizer, which reports faults itself.
class Crash : public Escape {
protected:
  void SetUp() override {
#ifdef VM_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer keeps the fault signals for its own reports";
#endif
    Escape::SetUp();
  }
};

TEST_F(Crash, ReadAtAddressZero) {
  const ChildResult r = RunInChild([] { [[maybe_unused]] volatile int v = *g_null; });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
  EXPECT_EQ(Field(r.log, "Exception"), "Access violation");
  EXPECT_EQ(Field(r.log, "Message"), "'Access violation reading at $0000000000000000'");
  EXPECT_EQ(Field(r.log, "CtxSize"), "184");
  EXPECT_NE(r.log.find("\r\nContext:\r\n"), std::string::npos);
  // The exception address is the faulting instruction, which is the context's RIP.
  EXPECT_EQ(Field(r.log, "ExceptAddr"), Field(r.log, "RIP"));
  ExpectCompleteLog(r.log);
}

TEST_F(Crash, WriteAtAddressZero) {
  const ChildResult r = RunInChild([] { *g_null = 1; });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(Field(r.log, "Message"), "'Access violation writing at $0000000000000000'");
  ExpectCompleteLog(r.log);
}

TEST_F(Crash, IntegerDivisionByZero) {
  const ChildResult r = RunInChild([] { [[maybe_unused]] volatile int v = g_seven / g_zero; });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(WTERMSIG(r.status), SIGFPE);
  EXPECT_EQ(Field(r.log, "Exception"), "Integer divide by zero");
  EXPECT_EQ(Field(r.log, "Message"), "'Integer divide by zero'");
  ExpectCompleteLog(r.log);
}

TEST_F(Crash, TrapsEndTheProgramWithTheirSignal) {
#if defined(__x86_64__)
  const struct {
    void (*crash)();
    const char* name;
    int signal;
  } cases[] = {
      {[] { __builtin_trap(); }, "Illegal instruction", SIGILL},
      {[] { asm volatile("int3"); }, "Breakpoint", SIGTRAP},
  };
  for (const auto& c : cases) {
    const ChildResult r = RunInChild(c.crash);
    ASSERT_TRUE(WIFSIGNALED(r.status)) << c.name;
    EXPECT_EQ(WTERMSIG(r.status), c.signal);
    EXPECT_EQ(Field(r.log, "Exception"), c.name);
  }
#else
  GTEST_SKIP() << "the instructions are those of x86-64";
#endif
}

TEST_F(Escape, CExceptionLogsItsMessage) {
  const ChildResult r = RunInChild([] { throw CException("CBmp::SetSize: can't allocate DIB handle"); });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(WTERMSIG(r.status), SIGABRT);
  EXPECT_EQ(Field(r.log, "Exception"), "CException");
  EXPECT_EQ(Field(r.log, "Message"), "'CBmp::SetSize: can''t allocate DIB handle'");
  EXPECT_EQ(Field(r.log, "ExceptAddr"), "$0000000000000000");
  ExpectCompleteLog(r.log);
}

TEST_F(Escape, StdExceptionLogsItsTypeAndText) {
  const ChildResult r = RunInChild([] { throw std::length_error("too long"); });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(Field(r.log, "Exception"), "std::length_error");
  EXPECT_EQ(Field(r.log, "Message"), "'too long'");
}

volatile bool g_keepGoing = true;

// Recurses until the stack runs out (the flag is never cleared).
int Recurse(int depth) {
  volatile char pad[512];
  pad[0] = static_cast<char>(depth);
  if (!g_keepGoing) return depth;
  return Recurse(depth + 1) + pad[0];
}

TEST_F(Crash, StackOverflowOnAThreadWithAnAlternateStack) {
  const ChildResult r = RunInChild([] {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    pthread_create(
        &thread, &attr,
        [](void*) -> void* {
          vm::InstallAlternateStack();
          Recurse(0);
          return nullptr;
        },
        nullptr);
    pthread_join(thread, nullptr);
  });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
  EXPECT_EQ(Field(r.log, "Exception"), "Stack overflow");
  EXPECT_EQ(Field(r.log, "Thread"), "");
  // Nearly the whole 256 KiB stack was in use.
  EXPECT_GT(std::stoul(Field(r.log, "Size")), 50000u);
}

TEST_F(Crash, DebuggingThreadWritesThroughAnInvalidPointerOnTheTimer) {
  const ChildResult r = RunInChild([] {
    CExceptionDebugThread* debug = DbgExceptionThreadCreate(nullptr);
    debug->Request(2, 2);
    sleep(30);  // ended by the fault long before
  });
  ASSERT_TRUE(WIFSIGNALED(r.status));
  EXPECT_EQ(Field(r.log, "Message"), "'Access violation writing at $0000000000000000'");
  EXPECT_EQ(Field(r.log, "Thread"), "CExceptionDebugThread");
}

}  // namespace
