// Exception reporting: the process's exception handler, the captured
// exception information, the exception log and a thread that provokes test
// exceptions.
//
// On Linux the library turns the processor faults SIGSEGV, SIGBUS, SIGFPE,
// SIGILL and SIGTRAP into exception records (handled on an alternate stack)
// and routes a C++ exception that nobody catches to the handler, so every
// failure reaches HandleException and then Report.
#pragma once

#include <cxxabi.h>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>

#include "vmlib/export.h"
#include "vmlib/frame.h"

// Exception codes the library knows by name (the log prints them).
enum VmExceptionCode : uint32_t {
  kExceptionHostLanguage = 0x0EEDFADE,  // reported by the host itself, never captured
  kExceptionGuardPage = 0x80000001,
  kExceptionMisalignment = 0x80000002,
  kExceptionBreakpoint = 0x80000003,
  kExceptionSingleStep = 0x80000004,
  kExceptionAccessViolation = 0xC0000005,
  kExceptionIllegalInstruction = 0xC000001D,
  kExceptionArrayBounds = 0xC000008C,
  kExceptionFloatDivideByZero = 0xC000008E,
  kExceptionFloatInexact = 0xC000008F,
  kExceptionFloatInvalid = 0xC0000090,
  kExceptionFloatOverflow = 0xC0000091,
  kExceptionFloatUnderflow = 0xC0000093,
  kExceptionIntegerDivideByZero = 0xC0000094,
  kExceptionIntegerOverflow = 0xC0000095,
  kExceptionPrivilegedInstruction = 0xC0000096,
  kExceptionStackOverflow = 0xC00000FD,
  kExceptionCpp = 0xE06D7363,  // a C++ exception object
};

// First parameter of a kExceptionCpp record; the second is the address of the
// thrown object, the third its std::type_info.
constexpr uint64_t kCppExceptionMagic = 0x19930520;

// One exception as the processor or the language reported it. Addresses are
// 64-bit on every host.
struct ExceptionRecord {
  uint32_t code = 0;
  uint32_t flags = 0;           // 1: not continuable (C++ exceptions)
  uint64_t nested = 0;          // always 0: nested records are not kept
  uint64_t address = 0;         // instruction that raised it
  uint32_t parameterCount = 0;  // entries of parameters in use, at most 15
  uint32_t reserved = 0;
  // Access violation: [0] 0 read, 1 write; [1] the address accessed.
  uint64_t parameters[15] = {};
};

// The processor registers of the faulting thread, in the order the kernel
// saves them on x86-64 (other processors fill rip, rsp and rbp only: the
// program counter, stack and frame pointers).
struct ExceptionContext {
  uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
  uint64_t rdi, rsi, rbp, rbx, rdx, rax, rcx, rsp, rip;
  uint64_t rflags;
  uint64_t segments;  // cs, gs, fs packed as the kernel saves them
  uint64_t error;     // page-fault error bits (bit 1: write)
  uint64_t trapNumber;
  uint64_t oldMask;
  uint64_t faultAddress;
};

// CExceptionInfo::GetFlags bits.
enum : int32_t {
  kExceptionInfoContextValid = 1,
  kExceptionInfoRecordValid = 2,
};

// One captured exception. Made by the handler (or ExceptionInfoCreate); the
// strings and the stack belong to the object.
class CExceptionInfo : public CObject {
public:
  // "Access violation", "CException", ...; owned by the object.
  virtual const Str* GetExceptionName() const = 0;
  virtual const Str* GetMessage() const = 0;
  // kExceptionInfoContextValid | kExceptionInfoRecordValid.
  virtual int32_t GetFlags() const = 0;
  // Copy of the thread's stack from the stack pointer upwards, 32-bit words.
  virtual const uint32_t* GetStack() const = 0;
  // Highest address of the thread's stack (one past its last byte).
  virtual uint64_t GetStackTop() const = 0;
  virtual int32_t GetStackWords() const = 0;
  // Kernel thread id of the thread that raised the exception.
  virtual uint32_t GetThreadId() const = 0;

protected:
  CExceptionInfo() = default;
};

// Called by Report with the callback record's user data and the info, which
// is deleted after the call returns.
using ExceptionCallback = void (*)(void* userData, CExceptionInfo* info);
struct ExceptionCallbackRecord {
  ExceptionCallback callback = nullptr;
  void* userData = nullptr;
};

// The process's exception handler: at most one captured info per thread.
// Every operation may be called from any thread.
class CExceptionHandler : public CObject {
public:
  // The thread's info (still owned by the handler), or null.
  virtual CExceptionInfo* FindInfo(uint32_t threadId) = 0;
  virtual ExceptionCallbackRecord* GetCallback() = 0;
  // Infos captured with an exception record / with a context only.
  virtual int32_t GetRecordCount() const = 0;
  virtual int32_t GetContextOnlyCount() const = 0;
  // Takes the thread's info and hands it to the callback (or prints it on
  // standard error when none is set), then deletes it. Exceptions of the
  // callback are swallowed; a report that starts while another runs, or a
  // thread without info, does nothing.
  virtual void Report(uint32_t threadId) = 0;
  // Captures an exception for the calling thread, replacing its earlier
  // info; a null context takes the current one. Returns record->code.
  virtual uint32_t HandleException(const ExceptionRecord* record, const ExceptionContext* context) = 0;
  // Captures an info without record for the calling thread, with the given
  // name and message (either may be null for empty).
  virtual void CaptureCurrent(const Str* name, const Str* message) = 0;
  // Deletes the thread's info, if any.
  virtual void RemoveInfo(uint32_t threadId) = 0;
  virtual void SetCallback(ExceptionCallback callback, void* userData) = 0;

protected:
  CExceptionHandler() = default;
};

// The thread that provokes exceptions for testing the reporting path.
// Request kinds: 1 throw CException "Debug error"; 2 write through an invalid
// pointer; 3 and 4 call the creation callback with 0 or 1. Places: 1 at once
// in the calling thread; 2 on the library's 100 ms timer thread; 3 on the
// debugging thread's own loop. A stored request waits until its place takes
// it; a newer one replaces it.
class CExceptionDebugThread : public CObject {
public:
  virtual void Request(int32_t kind, int32_t where) = 0;

protected:
  CExceptionDebugThread() = default;
};
using DbgExceptionCallback = void (*)(int32_t argument);

// The handler made by VmLibInitialize; null before it and after VmLibFinalize.
VMLIB_EXPORT CExceptionHandler* ExceptionHandlerGet();
// Deep copy of an info (strings, record, context, stack); null for null. The
// caller deletes it with ObjectDelete.
VMLIB_EXPORT CExceptionInfo* ExceptionInfoCreate(const CExceptionInfo* source);
// Replaces out's text with the complete log of one exception (lines end in
// CR LF). Nothing happens when either argument is null.
VMLIB_EXPORT void ExceptionLogInfoToStr(const CExceptionInfo* info, Str* out);
// Writes text to the log file, the newest entry first: with keepOld the old
// content follows it, and the file is cut to 5000 lines (or the entry's own
// count when larger); a line ends at CR with an optional LF. reserved has no
// effect. Status: 0, 0x14 for an empty name, or the codes of FileCreate
// (default 0x10001), FileGetSize (0x10011), FileRead (0x10008) and FileWrite
// (0x1000A; 0x1000B when nothing more can be written) of vmlib/files.h;
// nothing is written when the old content cannot be read.
VMLIB_EXPORT void ExceptionLogWrite(const Str* fileName, const Str* text, bool keepOld, int32_t reserved,
                                    ErrorStatus status);
// Names a thread in the exception log; a null or empty name removes it.
VMLIB_EXPORT void ThreadIDRegister(uint32_t threadId, const Str* name);
// Starts the debugging thread; the owner deletes it with ObjectDelete, which
// stops and joins its threads. The callback serves request kinds 3 and 4.
VMLIB_EXPORT CExceptionDebugThread* DbgExceptionThreadCreate(DbgExceptionCallback callback);

// Source-line lookup is not available: these entry points accept their
// arguments and do nothing (creators return null), and logs hold no source
// lines.
VMLIB_EXPORT CObject* MapFileReaderCreate(const Str* mapFileName, ErrorStatus status);
VMLIB_EXPORT CObject* ExceptionLogCreate(const Str* fileName, ErrorStatus status);
VMLIB_EXPORT void LineInfoPackageLoad(const Str* fileName, CObject* target, ErrorStatus status);
VMLIB_EXPORT void LineInfoPackageWrite(const Str* fileName, CObject* source, ErrorStatus status);
VMLIB_EXPORT bool DebugSymbolFileSearch(const Str* moduleName, Str* foundPath, ErrorStatus status);

// The top-level catch of a thread or program: call it inside a catch block
// (or wherever std::current_exception() is set). A CException reaches
// HandleException as a C++ exception record naming the thrown object, so the
// handler keeps the message and stack of the throw; another std::exception
// is captured by CaptureCurrent with its type name and what(); anything else
// as an anonymous C++ exception record. Returns false when there is no
// handler or no current exception.
inline bool ExceptionHandlerCatchCurrent(CExceptionHandler* handler) {
  std::exception_ptr current = std::current_exception();
  if (handler == nullptr || !current) return false;
  ExceptionRecord record;
  record.code = kExceptionCpp;
  record.flags = 1;
  record.parameterCount = 3;
  record.parameters[0] = kCppExceptionMagic;
  try {
    std::rethrow_exception(current);
  } catch (const CException& e) {
    record.parameters[1] = reinterpret_cast<uintptr_t>(&e);
    record.parameters[2] = reinterpret_cast<uintptr_t>(&typeid(e));
    handler->HandleException(&record, nullptr);
  } catch (const std::exception& e) {
    const char* mangled = typeid(e).name();
    int demangleStatus = 0;
    char* readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &demangleStatus);
    const char* typeName = readable != nullptr ? readable : mangled;
    Str* name = StrCreate(typeName, static_cast<int32_t>(std::char_traits<char>::length(typeName)));
    const char* what = e.what();
    Str* message =
        StrCreate(what, what != nullptr ? static_cast<int32_t>(std::char_traits<char>::length(what)) : 0);
    std::free(readable);
    handler->CaptureCurrent(name, message);
    StrDelete(name);
    StrDelete(message);
  } catch (...) {
    handler->HandleException(&record, nullptr);
  }
  return true;
}
