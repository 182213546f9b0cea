#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "core/str_internal.h"
#include "exceptions/exception_log.h"
#include "support/test_support.h"

namespace {

using vm::ExceptionInfo;
using vm::LogFacts;

TEST(ExceptionLog, QuotedFormSwitchesBetweenQuotesAndCodes) {
  const struct {
    std::string text;
    std::string quoted;
  } cases[] = {
      {"", ""},
      {"It's", "'It''s'"},
      {"Line 1\r\nx", "'Line 1'#13#10'x'"},
      {"\r\n", "#13#10"},
      {"'", "''''"},
      {std::string("a\0b", 3), "'a'#0'b'"},
      {"\x1e\x1f ", "#30'\x1f '"},  // codes up to 30; 31 and above are quoted
      {"caf\xc3\xa9", "'caf\xc3\xa9'"},
  };
  for (const auto& c : cases) EXPECT_EQ(vm::QuotedText(c.text), c.quoted) << c.text;
}

TEST(ExceptionLog, InstructionSetListInOrderWithoutLeadingComma) {
  const struct {
    uint32_t sets;
    const char* list;
  } cases[] = {
      {0, ""},
      {0x01, "MMX"},
      {0x41, "MMX(+)"},
      {0x40, ""},
      {0x0F, "MMX, SSE, SSE2, SSE3"},
      {0x10, "3DNow!"},
      {0x30, "3DNow!(+)"},
      {0x7F, "MMX(+), SSE, SSE2, SSE3, 3DNow!(+)"},
  };
  for (const auto& c : cases) EXPECT_EQ(vm::InstructionSetList(c.sets), c.list) << c.sets;
}

// A captured access violation with a small stack and known facts.
struct Fixture {
  ExceptionInfo info;
  LogFacts facts;
  Fixture() {
    info.SetTexts("Access violation", "Access violation reading at $0000000000000000");
    info.flags = kExceptionInfoContextValid | kExceptionInfoRecordValid;
    info.record.code = kExceptionAccessViolation;
    info.record.address = 0x401234;
    info.context.rip = 0x401234;
    info.context.rsp = 0x7ffc00001000;
    info.context.rbp = 0x7ffc00001040;
    info.stack = {1, 2, 3, 4, 5, 6, 7, 8, 0xdeadbeef, 0x10};
    info.stackTop = 0x7ffc00001028;
    facts.nowUtc = 1704164645;  // 2024-01-02 03:04:05 UTC
    facts.threadName = "Main thread";
    facts.executable = "/opt/ankrum/bin/AnkrumPro3DBConvert";
    facts.program = {"Ankrum Pro 3 DB Convert", "1.0.2.7"};
    facts.cpu = {true, "Test CPU @ 2GHz", 6, 0x9e, 0xa, 0x000906ea, 0xbfebfbff, 0x0f};
    facts.totalPhysical = 17179869184;
    facts.os = {"Linux 6.1.0-31-amd64 (x86_64)", 6, 1, 0, 2, 0, 0, 0, 0x100};
    vm::LogModule exe;
    exe.module = {"/opt/ankrum/bin/AnkrumPro3DBConvert", 0x400000, 0x401000, 0x2345};
    exe.haveFile = true;
    exe.file = {0x0123456789abcdefULL, 12345, 1700000000};  // 2023-11-14 22:13:20 UTC
    vm::LogModule vdso;
    vdso.module = {"linux-vdso.so.1", 0x7fff00000000, 0x7fff00000000, 4096};
    facts.modules = {exe, vdso};
  }
};

TEST(ExceptionLog, SectionsInOrderWithTheirFormats) {
  Fixture f;
  const std::string log = vm::FormatExceptionLog(f.info, f.facts);
  const std::string expectedHead = "// " + std::string(77, '*') +
                                   "\r\n"
                                   "Velmora Exception Log\r\n"
                                   "Header:\r\n"
                                   "  DumpVersion = 1.1.1.0\r\n"
                                   "\r\n"
                                   "Exception:\r\n"
                                   "  TimeUTC     = 2024-01-02 03:04:05\r\n"
                                   "  ExceptAddr  = $0000000000401234\r\n"
                                   "  Exception   = Access violation\r\n"
                                   "  Message     = 'Access violation reading at $0000000000000000'\r\n"
                                   "  Thread      = Main thread\r\n"
                                   "  Executable  = /opt/ankrum/bin/AnkrumPro3DBConvert\r\n"
                                   "  ProgName    = Ankrum Pro 3 DB Convert\r\n"
                                   "  ProgVersion = 1.0.2.7\r\n"
                                   "\r\n"
                                   "CPU:\r\n"
                                   "  Name            = Test CPU @ 2GHz\r\n"
                                   "  Family          = $0006\r\n"
                                   "  Model           = $9e\r\n"
                                   "  SteppingID      = $0a\r\n"
                                   "  Signature       = $000906ea\r\n"
                                   "  Features        = $bfebfbff\r\n"
                                   "  InstructionSets = MMX, SSE, SSE2, SSE3\r\n"
                                   "\r\n"
                                   "Memory:\r\n"
                                   "  TotalPhysical = 17179869184\r\n"
                                   "\r\n"
                                   "OperatingSystem:\r\n"
                                   "  Name        = Linux 6.1.0-31-amd64 (x86_64)\r\n"
                                   "  Version     = 6.1.0.2\r\n"
                                   "  ServicePack = 0.0\r\n"
                                   "  ProductType = Workstation\r\n"
                                   "  SuiteMask   = $00000100\r\n"
                                   "\r\n"
                                   "Modules:\r\n"
                                   "  FilePath    = /opt/ankrum/bin/AnkrumPro3DBConvert\r\n"
                                   "  ModuleBase  = $0000000000400000\r\n"
                                   "  CodeBase    = $0000000000401000\r\n"
                                   "  CodeSize    = 9029\r\n"
                                   "  Checksum    = $0123456789abcdef\r\n"
                                   "  FileSize    = 12345\r\n"
                                   "  FileTimeUTC = 2023-11-14 22:13:20\r\n"
                                   "\r\n"
                                   "  FilePath    = linux-vdso.so.1\r\n"
                                   "  ModuleBase  = $00007fff00000000\r\n"
                                   "  CodeBase    = $00007fff00000000\r\n"
                                   "  CodeSize    = 4096\r\n"
                                   "\r\n"
                                   "Registers:\r\n"
                                   "  RIP = $0000000000401234\r\n"
                                   "  RSP = $00007ffc00001000\r\n"
                                   "  RBP = $00007ffc00001040\r\n"
                                   "  CtxSize = 184\r\n"
                                   "\r\n"
                                   "Context:\r\n";
  ASSERT_EQ(log.substr(0, expectedHead.size()), expectedHead);

  // 184 bytes are 46 words: five full lines and one of six; rbp, rsp and rip
  // are registers 10, 15 and 16, so their low words are words 20, 30 and 32.
  const std::string expectedTail =
      "\r\n"
      "Stack:\r\n"
      "  Base = $00007ffc00001028\r\n"
      "  Size = 10\r\n"
      "\r\n"
      "Stackdump:\r\n"
      "  $00000001 $00000002 $00000003 $00000004 $00000005 $00000006 $00000007 $00000008\r\n"
      "  $deadbeef $00000010\r\n";
  ASSERT_GE(log.size(), expectedHead.size() + expectedTail.size());
  EXPECT_EQ(log.substr(log.size() - expectedTail.size()), expectedTail);
  const std::string context =
      log.substr(expectedHead.size(), log.size() - expectedHead.size() - expectedTail.size());
  const std::string zeros8 =
      "  $00000000 $00000000 $00000000 $00000000 $00000000 $00000000 $00000000 $00000000\r\n";
  EXPECT_EQ(context,
            zeros8 + zeros8 +
                "  $00000000 $00000000 $00000000 $00000000 $00001040 $00007ffc $00000000 $00000000\r\n"
                "  $00000000 $00000000 $00000000 $00000000 $00000000 $00000000 $00001000 $00007ffc\r\n"
                "  $00401234 $00000000 $00000000 $00000000 $00000000 $00000000 $00000000 $00000000\r\n"
                "  $00000000 $00000000 $00000000 $00000000 $00000000 $00000000\r\n");
}

TEST(ExceptionLog, AbsentValuesPrintEmptyOrZero) {
  Fixture f;
  f.info.flags = kExceptionInfoContextValid;  // no record, as for a CException
  f.info.stack = {1, 2, 3, 4, 5, 6, 7, 8};
  f.facts.cpu = {};
  f.facts.os.productType = 7;
  f.facts.modules.clear();
  const std::string log = vm::FormatExceptionLog(f.info, f.facts);
  EXPECT_NE(log.find("  ExceptAddr  = $0000000000000000\r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\nCPU:\r\n  Name            = \r\n  Family          = \r\n  Model           = \r\n"
                     "  SteppingID      = \r\n  Signature       = \r\n  Features        = \r\n"
                     "  InstructionSets = \r\n\r\nMemory:"),
            std::string::npos);
  EXPECT_NE(log.find("  ProductType = \r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\nModules:\r\n\r\nRegisters:\r\n"), std::string::npos);
  // A multiple of eight words gives full lines only.
  const std::string tail =
      "Stackdump:\r\n  $00000001 $00000002 $00000003 $00000004 $00000005 $00000006 "
      "$00000007 $00000008\r\n";
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);

  f.info.flags = kExceptionInfoRecordValid;  // no context: no context block
  f.info.stack.clear();
  const std::string bare = vm::FormatExceptionLog(f.info, f.facts);
  EXPECT_NE(bare.find("  CtxSize = 0\r\n\r\nStack:\r\n"), std::string::npos);
  EXPECT_EQ(bare.find("Context:"), std::string::npos);
  const std::string bareTail = "  Size = 0\r\n\r\nStackdump:\r\n";
  EXPECT_EQ(bare.substr(bare.size() - bareTail.size()), bareTail);
}

TEST(ExceptionLog, ModuleFileFactsFromTheFile) {
  vmtest::TempDir dir;
  const std::string path = (dir.path() / "module.so").string();
  const unsigned char bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof(bytes));
  const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  vm::ModuleFileFacts facts;
  ASSERT_TRUE(vm::ReadModuleFileFacts(path, &facts));
  EXPECT_EQ(facts.checksum, 0x0807060504030201ULL ^ 0x09);  // the last word padded with zeros
  EXPECT_EQ(facts.size, 9u);
  EXPECT_EQ(facts.modified, 1700000000);
  EXPECT_FALSE(vm::ReadModuleFileFacts((dir.path() / "missing.so").string(), &facts));
  EXPECT_FALSE(vm::ReadModuleFileFacts("linux-vdso.so.1", &facts));
}

}  // namespace
