// The captured exception and the helpers that make one.
#pragma once

#include <string_view>
#include <vector>

#include "vmlib/exceptions.h"

namespace vm {

class ExceptionInfo final : public CExceptionInfo {
public:
  ExceptionInfo();
  ExceptionInfo(const ExceptionInfo& other);
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() override;

  const Str* GetExceptionName() const override { return name; }
  const Str* GetMessage() const override { return message; }
  int32_t GetFlags() const override { return flags; }
  const uint32_t* GetStack() const override { return stack.empty() ? nullptr : stack.data(); }
  uint64_t GetStackTop() const override { return stackTop; }
  int32_t GetStackWords() const override { return static_cast<int32_t>(stack.size()); }
  uint32_t GetThreadId() const override { return threadId; }

  void SetTexts(std::string_view exceptionName, std::string_view messageText);
  // Takes the stack of the calling thread from context.rsp to its top.
  void CopyCallingThreadStack();

  ExceptionContext context{};
  Str* name = nullptr;
  Str* message = nullptr;
  ExceptionRecord record{};
  int32_t flags = 0;
  std::vector<uint32_t> stack;
  uint64_t stackTop = 0;
  uint32_t threadId = 0;
};

// Every CExceptionInfo of the process is made by the library.
inline const ExceptionInfo& InfoOf(const CExceptionInfo& info) {
  return static_cast<const ExceptionInfo&>(info);
}

// "Access violation", ... for a code; "Unknown hardware exception" otherwise.
const char* ExceptionNameForCode(uint32_t code);
// The message of a record: the access of an access violation, else the name.
std::string ExceptionMessageForRecord(const ExceptionRecord& record);

// An info of the calling thread with the given texts and the thread's
// current context and stack; flags = context valid, no record.
ExceptionInfo* CaptureHere(std::string_view exceptionName, std::string_view messageText);

uint32_t CurrentThreadId32();

}  // namespace vm
