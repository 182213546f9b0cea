// The text of the exception log.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "exceptions/exception_info.h"
#include "exceptions/system_facts.h"
#include "platform/loaded_modules.h"

namespace vm {

struct ModuleFileFacts {
  uint64_t checksum = 0;  // FileGetChecksum64 of the file
  uint64_t size = 0;      // bytes
  time_t modified = 0;    // last write, seconds since 1970 UTC
};

struct LogModule {
  LoadedModule module;
  bool haveFile = false;  // the file facts below could be read
  ModuleFileFacts file;
};

// Everything the log shows besides the info itself.
struct LogFacts {
  time_t nowUtc = 0;
  std::string threadName;
  std::string executable;
  ProgramFacts program;
  CpuFacts cpu;
  uint64_t totalPhysical = 0;
  OsFacts os;
  std::vector<LogModule> modules;
};

// False when the file cannot be opened, its last-write time read or its
// checksum computed.
bool ReadModuleFileFacts(const std::string& path, ModuleFileFacts* out);
// The facts of this process now, for the thread of info.
LogFacts GatherLogFacts(const ExceptionInfo& info);
// The log of one exception (lines end in CR LF).
std::string FormatExceptionLog(const ExceptionInfo& info, const LogFacts& facts);

// A text as the log quotes it: printable runs in single quotes (a quote
// doubled), every other byte as #code; the empty text gives nothing.
std::string QuotedText(std::string_view text);
// ", MMX, SSE, ..." without the leading ", ".
std::string InstructionSetList(uint32_t sets);

}  // namespace vm
