// CException: the library's one exception type for programming and data
// faults. Each living instance is registered with the exception handler and
// holds the context and stack of the place where it was made; a copy (the
// object the language actually throws may be one) is registered too.
#include <utility>

#include "exceptions/exception_handler.h"
#include "vmlib/frame.h"

namespace {

CExceptionInfo* CaptureAndRegister(const CException* self, const std::string& message,
                                   const CExceptionInfo* copyFrom) {
  vm::ExceptionHandler* handler = vm::Handler();
  if (handler == nullptr) return nullptr;
  CExceptionInfo* info = nullptr;
  try {
    info = copyFrom != nullptr ? new vm::ExceptionInfo(vm::InfoOf(*copyFrom))
                               : vm::CaptureHere("CException", message);
    handler->RegisterException(self);
  } catch (...) {
    // Without memory the exception still carries its message.
    delete info;
    return nullptr;
  }
  return info;
}

void Unregister(const CException* self) {
  if (vm::ExceptionHandler* handler = vm::Handler()) handler->UnregisterException(self);
}

}  // namespace

CException::CException(std::string message) : message_(std::move(message)) {
  info_ = CaptureAndRegister(this, message_, nullptr);
}

CException::CException(const CException& other) : std::exception(other), message_(other.message_) {
  if (other.info_ != nullptr) info_ = CaptureAndRegister(this, message_, other.info_);
}

CException& CException::operator=(const CException& other) {
  if (this == &other) return *this;
  Unregister(this);
  delete info_;
  info_ = nullptr;
  message_ = other.message_;
  if (other.info_ != nullptr) info_ = CaptureAndRegister(this, message_, other.info_);
  return *this;
}

CException::~CException() {
  if (info_ != nullptr) Unregister(this);
  delete info_;
}

const char* CException::what() const noexcept { return message_.c_str(); }
