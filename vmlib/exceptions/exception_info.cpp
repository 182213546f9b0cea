// CExceptionInfo: one exception with its record, context and stack copy.
#include "exceptions/exception_info.h"

#include <cinttypes>
#include <cstdio>

#include "core/str_internal.h"
#include "exceptions/thread_names.h"
#include "platform/machine_context.h"
#include "platform/thread_stack.h"

namespace vm {
namespace {

struct CodeName {
  uint32_t code;
  const char* name;
};

constexpr CodeName kCodeNames[] = {
    {0x0EEDFADE, "Borland Delphi exception"},
    {0x80000001, "Guard page"},
    {0x80000002, "Datatype misalignment"},
    {0x80000003, "Breakpoint"},
    {0x80000004, "Single step"},
    {0xC0000005, "Access violation"},
    {0xC0000006, "In page error"},
    {0xC0000008, "Invalid handle"},
    {0xC0000017, "Out of memory"},
    {0xC000001D, "Illegal instruction"},
    {0xC0000025, "Noncontinuable exception"},
    {0xC0000026, "Invalid disposition"},
    {0xC000008C, "Array bounds exceeded"},
    {0xC000008D, "Floating point denormal operand"},
    {0xC000008E, "Floating point divide by zero"},
    {0xC000008F, "Floating point inexact result"},
    {0xC0000090, "Floating point invalid operation"},
    {0xC0000091, "Floating point overflow"},
    {0xC0000092, "Floating point stack check"},
    {0xC0000093, "Floating point underflow"},
    {0xC0000094, "Integer divide by zero"},
    {0xC0000095, "Integer overflow"},
    {0xC0000096, "Privileged instruction"},
    {0xC00000FD, "Stack overflow"},
    {0xE06D7363, "Microsoft C++ exception"},
};

}  // namespace

ExceptionInfo::ExceptionInfo() : name(StrNew({})), message(StrNew({})) {}

ExceptionInfo::ExceptionInfo(const ExceptionInfo& other)
    : CExceptionInfo(),
      context(other.context),
      name(StrNew(StrView(other.name))),
      message(nullptr),
      record(other.record),
      flags(other.flags),
      stack(other.stack),
      stackTop(other.stackTop),
      threadId(other.threadId) {
  try {
    message = StrNew(StrView(other.message));
  } catch (...) {
    StrDelete(name);
    throw;
  }
}

ExceptionInfo::~ExceptionInfo() {
  StrDelete(name);
  StrDelete(message);
}

void ExceptionInfo::SetTexts(std::string_view exceptionName, std::string_view messageText) {
  if (!StrAssign(name, exceptionName) || !StrAssign(message, messageText)) throw CException("Out of memory");
}

void ExceptionInfo::CopyCallingThreadStack() {
  const StackBounds bounds = CurrentThreadStack();
  stackTop = bounds.top;
  stack = CopyStackWords(context.rsp, bounds.top);
}

const char* ExceptionNameForCode(uint32_t code) {
  for (const CodeName& entry : kCodeNames)
    if (entry.code == code) return entry.name;
  return "Unknown hardware exception";
}

std::string ExceptionMessageForRecord(const ExceptionRecord& record) {
  if (record.code != kExceptionAccessViolation) return ExceptionNameForCode(record.code);
  const uint64_t kind = record.parameterCount > 0 ? record.parameters[0] : 0;
  const uint64_t address = record.parameterCount > 1 ? record.parameters[1] : 0;
  char text[64];
  std::snprintf(text, sizeof(text), "Access violation %s at $%016" PRIx64, kind == 0 ? "reading" : "writing",
                address);
  return text;
}

uint32_t CurrentThreadId32() { return static_cast<uint32_t>(CurrentThreadId()); }

ExceptionInfo* CaptureHere(std::string_view exceptionName, std::string_view messageText) {
  auto* info = new ExceptionInfo;
  try {
    info->SetTexts(exceptionName, messageText);
    CaptureCurrentContext(&info->context);
    info->flags = kExceptionInfoContextValid;
    info->threadId = CurrentThreadId32();
    info->CopyCallingThreadStack();
  } catch (...) {
    delete info;
    throw;
  }
  return info;
}

}  // namespace vm

VMLIB_EXPORT CExceptionInfo* ExceptionInfoCreate(const CExceptionInfo* source) {
  if (source == nullptr) return nullptr;
  try {
    return new vm::ExceptionInfo(vm::InfoOf(*source));
  } catch (...) {
    return nullptr;
  }
}
