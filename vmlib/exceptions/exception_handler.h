// The process's exception handler and the registry of living CExceptions.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "exceptions/exception_info.h"

namespace vm {

class ExceptionHandler final : public CExceptionHandler {
public:
  ExceptionHandler() = default;
  ~ExceptionHandler() override;

  CExceptionInfo* FindInfo(uint32_t threadId) override;
  ExceptionCallbackRecord* GetCallback() override { return &callback_; }
  int32_t GetRecordCount() const override { return recordCount_.load(); }
  int32_t GetContextOnlyCount() const override { return contextOnlyCount_.load(); }
  void Report(uint32_t threadId) override;
  uint32_t HandleException(const ExceptionRecord* record, const ExceptionContext* context) override;
  void CaptureCurrent(const Str* name, const Str* message) override;
  void RemoveInfo(uint32_t threadId) override;
  void SetCallback(ExceptionCallback callback, void* userData) override;

  void RegisterException(const CException* exception);
  void UnregisterException(const CException* exception);
  // Number of registered CExceptions (for tests).
  size_t RegisteredCount();

private:
  // Replaces the calling thread's info with info (the handler takes it).
  void Store(ExceptionInfo* info);
  ExceptionInfo* Take(uint32_t threadId);

  // A critical section: the same thread may enter again (a fault while it
  // holds the lock still gets captured).
  std::recursive_mutex lock_;
  std::vector<ExceptionInfo*> infos_;
  std::vector<const CException*> registered_;
  ExceptionCallbackRecord callback_;
  std::atomic<int32_t> recordCount_{0};
  std::atomic<int32_t> contextOnlyCount_{0};
  std::atomic<bool> reporting_{false};
};

// The handler made by initialisation step 1, or null.
ExceptionHandler* Handler();

}  // namespace vm
