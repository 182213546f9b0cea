// ExceptionLogInfoToStr: the plain-text log of one exception. Addresses are
// printed with 16 hex digits (the host is 64-bit); the registers named are
// those of x86-64.
#include "exceptions/exception_log.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/str_internal.h"
#include "exceptions/exception_support.h"
#include "exceptions/thread_names.h"
#include "vmlib/files.h"

namespace vm {
namespace {

constexpr const char* kEol = "\r\n";

void Append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string& out, const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  if (n > 0) out.append(buffer, static_cast<size_t>(std::min<int>(n, sizeof(buffer) - 1)));
}

void AppendTime(std::string& out, time_t when) {
  tm utc{};
  gmtime_r(&when, &utc);
  Append(out, "%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
         utc.tm_min, utc.tm_sec);
}

// Words eight to a line; the last line holds the rest.
void AppendWords(std::string& out, const uint32_t* words, size_t count) {
  for (size_t i = 0; i < count; i += 8) {
    out += " ";
    for (size_t j = i; j < count && j < i + 8; ++j) Append(out, " $%08" PRIx32, words[j]);
    out += kEol;
  }
}

const char* ProductTypeName(int32_t type) {
  switch (type) {
    case 0:
      return "Workstation";
    case 1:
      return "DomainController";
    case 2:
      return "Server";
    default:
      return "";
  }
}

}  // namespace

std::string QuotedText(std::string_view text) {
  std::string out;
  bool quoted = false;
  for (unsigned char c : text) {
    if (c > 30) {
      if (!quoted) out += '\'';
      quoted = true;
      if (c == '\'') out += '\'';
      out += static_cast<char>(c);
    } else {
      if (quoted) out += '\'';
      quoted = false;
      out += '#';
      out += std::to_string(c);
    }
  }
  if (quoted) out += '\'';
  return out;
}

std::string InstructionSetList(uint32_t sets) {
  std::string list;
  if (sets & 0x01) list += (sets & 0x40) ? ", MMX(+)" : ", MMX";
  if (sets & 0x02) list += ", SSE";
  if (sets & 0x04) list += ", SSE2";
  if (sets & 0x08) list += ", SSE3";
  if (sets & 0x10) list += (sets & 0x20) ? ", 3DNow!(+)" : ", 3DNow!";
  return list.empty() ? list : list.substr(2);
}

bool ReadModuleFileFacts(const std::string& path, ModuleFileFacts* out) {
  Str* name = StrNew(path);
  int32_t code = 0;
  const FileHandle file =
      FileCreate(name, kFileAccessRead, kFileShareRead | kFileShareWrite, kFileOpenExisting, 0, &code);
  StrDelete(name);
  if (file == kInvalidFileHandle) return false;
  FileTime written = 0;
  bool ok = FileGetTimeUTC(file, nullptr, nullptr, &written, &code);
  if (ok) out->checksum = FileGetChecksum64(file, &code);
  ok = ok && code == 0;
  if (ok) out->size = static_cast<uint64_t>(FileGetSize(file, &code));
  ok = ok && code == 0;
  int32_t closeCode = 0;
  FileClose(file, &closeCode);
  // File times count 100 ns from 1601-01-01, which is 11644473600 s before 1970.
  out->modified = static_cast<time_t>(written / 10000000) - 11644473600LL;
  return ok;
}

LogFacts GatherLogFacts(const ExceptionInfo& info) {
  LogFacts facts;
  facts.nowUtc = time(nullptr);
  const ProcessRecord* process = ProcessRecordGet();
  if (process != nullptr) {
    facts.executable = process->executablePath;
    facts.threadName = info.threadId == process->mainThreadId ? "Main thread" : ThreadNameGet(info.threadId);
  } else {
    facts.threadName = ThreadNameGet(info.threadId);
  }
  facts.program = ReadProgramFacts(facts.executable);
  facts.cpu = ReadCpuFacts();
  facts.totalPhysical = TotalPhysicalMemory();
  facts.os = ReadOsFacts();
  for (LoadedModule& module : ListLoadedModules(facts.executable)) {
    LogModule entry;
    entry.haveFile = ReadModuleFileFacts(module.path, &entry.file);
    entry.module = std::move(module);
    facts.modules.push_back(std::move(entry));
  }
  return facts;
}

std::string FormatExceptionLog(const ExceptionInfo& info, const LogFacts& facts) {
  std::string out;
  out.reserve(4096 + info.stack.size() * 12);
  const bool recordValid = (info.flags & kExceptionInfoRecordValid) != 0;
  const bool contextValid = (info.flags & kExceptionInfoContextValid) != 0;

  out += "// " + std::string(77, '*') + kEol;
  out += "Velmora Exception Log\r\nHeader:\r\n  DumpVersion = 1.1.1.0\r\n";

  out += "\r\nException:\r\n  TimeUTC     = ";
  AppendTime(out, facts.nowUtc);
  Append(out, "\r\n  ExceptAddr  = $%016" PRIx64, recordValid ? info.record.address : 0);
  out += "\r\n  Exception   = ";
  out += StrView(info.name);
  out += "\r\n  Message     = " + QuotedText(StrView(info.message));
  out += "\r\n  Thread      = " + facts.threadName;
  out += "\r\n  Executable  = " + facts.executable;
  out += "\r\n  ProgName    = " + facts.program.name;
  out += "\r\n  ProgVersion = " + facts.program.version;
  out += kEol;

  const CpuFacts& cpu = facts.cpu;
  out += "\r\nCPU:\r\n  Name            = ";
  if (cpu.valid) out += cpu.name;
  out += "\r\n  Family          = ";
  if (cpu.valid) Append(out, "$%04x", unsigned{cpu.family});
  out += "\r\n  Model           = ";
  if (cpu.valid) Append(out, "$%02x", unsigned{cpu.model});
  out += "\r\n  SteppingID      = ";
  if (cpu.valid) Append(out, "$%02x", unsigned{cpu.stepping});
  out += "\r\n  Signature       = ";
  if (cpu.valid) Append(out, "$%08" PRIx32, cpu.signature);
  out += "\r\n  Features        = ";
  if (cpu.valid) Append(out, "$%08" PRIx32, cpu.features);
  out += "\r\n  InstructionSets = ";
  if (cpu.valid) out += InstructionSetList(cpu.instructionSets);
  out += kEol;

  Append(out, "\r\nMemory:\r\n  TotalPhysical = %" PRIu64 "\r\n", facts.totalPhysical);

  const OsFacts& os = facts.os;
  out += "\r\nOperatingSystem:\r\n  Name        = " + os.name;
  Append(out, "\r\n  Version     = %" PRIu32 ".%" PRIu32 ".%" PRIu32 ".%" PRIu32, os.major, os.minor,
         os.build, os.platform);
  Append(out, "\r\n  ServicePack = %u.%u", unsigned{os.servicePackMajor}, unsigned{os.servicePackMinor});
  out += "\r\n  ProductType = ";
  out += ProductTypeName(os.productType);
  Append(out, "\r\n  SuiteMask   = $%08" PRIx32 "\r\n", os.suiteMask);

  out += "\r\nModules:";
  if (facts.modules.empty()) out += kEol;
  for (const LogModule& entry : facts.modules) {
    const LoadedModule& m = entry.module;
    out += kEol;
    out += "  FilePath    = " + m.path + kEol;
    Append(out, "  ModuleBase  = $%016" PRIx64 "\r\n", m.base);
    Append(out, "  CodeBase    = $%016" PRIx64 "\r\n", m.codeBase);
    Append(out, "  CodeSize    = %" PRIu64 "\r\n", m.codeSize);
    if (entry.haveFile) {
      Append(out, "  Checksum    = $%016" PRIx64 "\r\n", entry.file.checksum);
      Append(out, "  FileSize    = %" PRIu64 "\r\n", entry.file.size);
      out += "  FileTimeUTC = ";
      AppendTime(out, entry.file.modified);
      out += kEol;
    }
  }

  const ExceptionContext& c = info.context;
  Append(out,
         "\r\nRegisters:\r\n  RIP = $%016" PRIx64 "\r\n  RSP = $%016" PRIx64 "\r\n  RBP = $%016" PRIx64
         "\r\n",
         c.rip, c.rsp, c.rbp);
  Append(out, "  CtxSize = %zu\r\n", contextValid ? sizeof(ExceptionContext) : size_t{0});
  if (contextValid) {
    static_assert(sizeof(ExceptionContext) % 4 == 0, "the context prints as whole 32-bit words");
    uint32_t words[sizeof(ExceptionContext) / 4];
    std::memcpy(words, &c, sizeof(words));
    out += "\r\nContext:\r\n";
    AppendWords(out, words, sizeof(words) / 4);
  }

  Append(out, "\r\nStack:\r\n  Base = $%016" PRIx64 "\r\n  Size = %zu\r\n", info.stackTop, info.stack.size());
  out += "\r\nStackdump:\r\n";
  AppendWords(out, info.stack.data(), info.stack.size());
  return out;
}

}  // namespace vm

VMLIB_EXPORT void ExceptionLogInfoToStr(const CExceptionInfo* info, Str* out) {
  if (info == nullptr || out == nullptr) return;
  const vm::ExceptionInfo& source = vm::InfoOf(*info);
  std::string text;
  try {
    text = vm::FormatExceptionLog(source, vm::GatherLogFacts(source));
  } catch (...) {
    return;  // out of memory: out keeps its text
  }
  vm::StrAssign(out, text);
}
